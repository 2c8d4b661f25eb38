#include "geo/ExpCond.h"

#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "platform/MemIniFile.h"
#include "widgets/NamedControls.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const QString Section = QStringLiteral("EXPERT STATION SEARCH");

struct TGroupText {
    QString Caption;
    QStringList Options;
};
const std::array<TGroupText, 7> GroupTexts = {{
    {QStringLiteral("特急始発駅："), {QStringLiteral("なるべく利用"), QStringLiteral("普通に利用")}},
    {QStringLiteral("出発駅乗車："), {QStringLiteral("待ち時間なし"), QStringLiteral("平均待ち時間")}},
    {QStringLiteral("乗り換え："), {QStringLiteral("気にならない"), QStringLiteral("少し気になる"), QStringLiteral("大いに気になる")}},
    {QStringLiteral("駅間徒歩："), {QStringLiteral("気にならない"), QStringLiteral("少し気になる"), QStringLiteral("利用しない")}},
    {QStringLiteral("ＪＲ路線："), {QStringLiteral("やや優先する"), QStringLiteral("普通に利用"), QStringLiteral("極力利用しない")}},
    {QStringLiteral("特急列車："), {QStringLiteral("気軽に利用"), QStringLiteral("普通に利用"), QStringLiteral("極力利用しない")}},
    {QStringLiteral("空路："), {QStringLiteral("気軽に利用"), QStringLiteral("普通に利用"), QStringLiteral("極力利用しない")}},
}};

}  // namespace

TRouteConditions ReadRouteConditions(const TMemIniFile &ini)
{
    TRouteConditions c;
    for (size_t i = 0; i < c.Values.size(); ++i)
        c.Values[i] = std::clamp(ini.ReadInteger(Section, RouteConditionKeys[i], 0), 0, 2);
    c.RideDate = ini.ReadString(Section, QStringLiteral("RideDate"), QString());
    return c;
}

QStringList ConditionsLeftOut(const QString &urlTemplate, const TRouteConditions &conditions)
{
    QStringList left;
    for (size_t i = 0; i < conditions.Values.size(); ++i)
        if (conditions.Values[i] != 0 && !UrlTemplateCarries(urlTemplate, i))
            left << GroupTexts[i].Caption.chopped(1);  // without its "："
    return left;
}

TExpertSearchCondition::TExpertSearchCondition(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("ExpertSearchCondition"));
    setWindowTitle(QStringLiteral("探索条件"));
    setProperty("HelpContext", 65);
    HighlightColor = NormalColor = palette().color(QPalette::WindowText);
    auto *layout = new QVBoxLayout(this);
    for (size_t g = 0; g < GroupTexts.size(); ++g) {
        auto *box = new QGroupBox(GroupTexts[g].Caption, this);
        auto *row = new QHBoxLayout(box);
        Groups[g] = new QButtonGroup(box);
        for (int tag = 0; tag < GroupTexts[g].Options.size(); ++tag) {
            auto *option = new QRadioButton(GroupTexts[g].Options[tag], box);
            option->setObjectName(QStringLiteral("rb%1%2").arg(RouteConditionKeys[g]).arg(tag));
            Groups[g]->addButton(option, tag);
            option->installEventFilter(this);
            row->addWidget(option);
        }
        row->addStretch();
        // However the button was checked: a screen reader ticks it without a click.
        connect(Groups[g], &QButtonGroup::idToggled, this, [this, g](int, bool on) {
            if (on)
                UpdateColours(int(g));
        });
        layout->addWidget(box);
    }
    auto *dateBox = new QGroupBox(QStringLiteral("乗車日付："), this);
    dtpRideDate = Named<QDateEdit>("dtpRideDate", dateBox);
    dtpRideDate->setAccessibleName(dateBox->title());
    dtpRideDate->setCalendarPopup(true);
    dtpRideDate->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    dtpRideDate->installEventFilter(this);
    (new QHBoxLayout(dateBox))->addWidget(dtpRideDate, 0, Qt::AlignLeft);
    layout->addWidget(dateBox);
    btnOK = Named<QPushButton>("btnOK", QStringLiteral("OK"), this);
    btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("キャンセル"), this);
    for (QPushButton *b : {btnOK, btnCancel})
        b->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);
    connect(btnOK, &QPushButton::clicked, this, &TExpertSearchCondition::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TExpertSearchCondition::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    for (size_t g = 0; g < Groups.size(); ++g) {
        if (QAbstractButton *b = Groups[g]->button(Conditions.Values[g]))
            b->setChecked(true);
        UpdateColours(int(g));
    }
    const QDate date = QDate::fromString(Conditions.RideDate, QStringLiteral("yyyyMMdd"));
    dtpRideDate->setDate(Conditions.RideDate.size() == 8 && date.isValid() ? date : QDate::currentDate());
}

void TExpertSearchCondition::UpdateColours(int group)
{
    for (QAbstractButton *b : Groups[group]->buttons()) {
        QPalette p = b->palette();
        p.setColor(QPalette::WindowText, b->isChecked() ? HighlightColor : NormalColor);
        b->setPalette(p);
    }
}

void TExpertSearchCondition::btnOKClick()
{
    for (size_t g = 0; g < Groups.size(); ++g)
        Conditions.Values[g] = std::clamp(Groups[g]->checkedId(), 0, 2);
    Conditions.RideDate = dtpRideDate->date().toString(QStringLiteral("yyyyMMdd"));
    TMemIniFile ini(DataFolder + SettingsFileName);
    for (size_t g = 0; g < Groups.size(); ++g)
        ini.WriteInteger(Section, RouteConditionKeys[g], Conditions.Values[g]);
    ini.WriteString(Section, QStringLiteral("RideDate"), Conditions.RideDate);
    try {
        ini.UpdateFile();
    } catch (const EIniFileError &) {
        // The conditions still go to this search; only their keeping for the next is lost.
    }
    accept();
}

bool TExpertSearchCondition::eventFilter(QObject *watched, QEvent *event)
{
    if (!IsEnterKey(event))
        return QDialog::eventFilter(watched, event);
    if (watched == dtpRideDate) {
        btnOK->setFocus();
        return true;
    }
    for (size_t g = 0; g < Groups.size(); ++g) {
        if (!Groups[g]->buttons().contains(qobject_cast<QAbstractButton *>(watched)))
            continue;
        if (g + 1 < Groups.size()) {
            if (QAbstractButton *next = Groups[g + 1]->checkedButton())
                next->setFocus();
            else
                Groups[g + 1]->buttons().first()->setFocus();
        } else {
            dtpRideDate->setFocus();
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
