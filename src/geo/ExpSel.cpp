#include "geo/ExpSel.h"

#include "base/SjisCodec.h"
#include "base/Trim.h"
#include "core/SharedHelpers.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <utility>

TExpertSelectStation::TExpertSelectStation(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("ExpertSelectStation"));
    setWindowTitle(QStringLiteral("駅選択"));
    setProperty("HelpContext", 65);
    HighlightColor = NormalColor = palette().color(QPalette::WindowText);
    auto *group = new QGroupBox(QStringLiteral("駅検索："), this);
    rbName = Named<QRadioButton>("rbName", QStringLiteral("駅名："), group);
    edName = Named<QLineEdit>("edName", group);
    edName->setMaxLength(22);
    rbKana = Named<QRadioButton>("rbKana", QStringLiteral("カナ："), group);
    cbxKana = Named<QComboBox>("cbxKana", group);
    for (const TKanaRow &row : KanaRows)
        cbxKana->addItem(row.Caption);
    // Each way of searching is named after the option before it, the caption the window shows beside it.
    for (auto [option, field] : {std::pair<QRadioButton *, QWidget *>(rbName, edName), {rbKana, cbxKana}})
        field->setAccessibleName(option->text().remove(QChar(u'：')));
    auto *grid = new QGridLayout(group);
    grid->addWidget(rbName, 0, 0);
    grid->addWidget(edName, 0, 1);
    grid->addWidget(rbKana, 1, 0);
    grid->addWidget(cbxKana, 1, 1, Qt::AlignLeft);
    lvStation = Named<QTreeWidget>("lvStation", this);
    lvStation->setHeaderLabels({QStringLiteral("駅名"), QStringLiteral("カナ")});
    lvStation->setRootIsDecorated(false);
    lvStation->header()->resizeSection(0, ScaleByDpi(160, true));
    btnOK = Named<QPushButton>("btnOK", QStringLiteral("OK"), this);
    btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("キャンセル"), this);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    auto *listLabel = new QLabel(QStringLiteral("一覧："), this);
    SetViewLabel(listLabel, lvStation);
    layout->addWidget(listLabel);
    layout->addWidget(lvStation, 1);
    layout->addLayout(buttons);
    resize(ScaleByDpi(360, true), ScaleByDpi(400, true));
    for (QPushButton *b : {btnOK, btnCancel})
        b->setAutoDefault(false);

    connect(rbName, &QRadioButton::toggled, this, [this](bool on) {
        UpdateOptionColours();
        if (on)
            SearchByName();
    });
    connect(rbKana, &QRadioButton::toggled, this, [this](bool on) {
        UpdateOptionColours();
        if (on)
            SearchByKana();
    });
    connect(cbxKana, &QComboBox::currentIndexChanged, this, &TExpertSelectStation::cbxKanaChange);
    connect(btnOK, &QPushButton::clicked, this, &TExpertSelectStation::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(lvStation, &QTreeWidget::itemDoubleClicked, this, [this] { btnOK->click(); });
    for (QWidget *w : {static_cast<QWidget *>(edName), static_cast<QWidget *>(lvStation), static_cast<QWidget *>(rbName),
                       static_cast<QWidget *>(rbKana), static_cast<QWidget *>(cbxKana)})
        w->installEventFilter(this);
}

void TExpertSelectStation::SetFolders(const QString &programFolder, const QString &dataFolder)
{
    programFolder_ = programFolder;
    dataFolder_ = dataFolder.isEmpty() ? programFolder : dataFolder;
}

void TExpertSelectStation::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (loaded_)
        return;
    loaded_ = true;
    rail_.Load(this, programFolder_, false, false, true);
    settingUp_ = true;
    edName->setText(StationInfo.NameText.trimmed());
    kanaRow_ = std::clamp(StationInfo.KanaIndex, 0, int(KanaRows.size()) - 1);
    cbxKana->setCurrentIndex(kanaRow_);
    settingUp_ = false;
    if (!edName->text().isEmpty()) {
        if (rbName->isChecked())
            SearchByName();
        rbName->setChecked(true);
    } else {
        if (rbKana->isChecked())
            SearchByKana();
        rbKana->setChecked(true);
    }
    if (lvStation->topLevelItemCount() > StationInfo.ListIndex && StationInfo.ListIndex >= 0) {
        QTreeWidgetItem *item = lvStation->topLevelItem(StationInfo.ListIndex);
        lvStation->setCurrentItem(item);
        lvStation->scrollToItem(item);
        lvStation->setFocus();
    }
}

void TExpertSelectStation::UpdateOptionColours()
{
    for (QRadioButton *b : {rbName, rbKana}) {
        QPalette p = b->palette();
        p.setColor(QPalette::WindowText, b->isChecked() ? HighlightColor : NormalColor);
        b->setPalette(p);
    }
}

void TExpertSelectStation::SearchByName()
{
    results_.clear();
    const QByteArray key = Sjis::encode(TrimBlanks(edName->text()));
    if (!key.isEmpty() && rail_.StationListEx) {
        const QByteArray folder = dataFolder_.toLocal8Bit();
        int32_t count = 0;
        int code = rail_.StationListEx(key.constData(), &count, nullptr, folder.constData());
        if (code == 0 && count > 0) {
            results_.resize(size_t(count));
            code = rail_.StationListEx(key.constData(), &count, results_.data(), folder.constData());
            results_.resize(size_t(std::clamp<int32_t>(count, 0, int32_t(results_.size()))));
        }
        if (code != 0 && code != 8) {
            results_.clear();
            ShowMessageBoxAt(this, QStringLiteral("StationListEx (Kvrail.so) Call Error\r\nRC = ") + QString::number(code),
                             AppTitle, MB_OK | MB_ICONERROR);
        }
    }
    ShowResults(true);
}

void TExpertSelectStation::SearchByKana()
{
    results_.clear();
    if (rail_.StationListEx) {
        const QByteArray folder = dataFolder_.toLocal8Bit();
        const int code = ListKanaRow(KanaRows[kanaRow_],
                                     [&](const QByteArray &key, int32_t &count, TRailStation *result) {
                                         return rail_.StationListEx(key.constData(), &count, result, folder.constData());
                                     },
                                     results_);
        if (code != 0 && code != 8)
            ShowMessageBoxAt(this, QStringLiteral("StationListEx (Kvrail.so) Call Error\r\nRC = ") + QString::number(code),
                             AppTitle, MB_OK | MB_ICONERROR);
    }
    ShowResults(false);
}

void TExpertSelectStation::ShowResults(bool focus)
{
    lvStation->clear();
    for (const TRailStation &s : results_)
        lvStation->addTopLevelItem(new QTreeWidgetItem({StationText(s.Name, 22), StationText(s.Reading, 22)}));
    if (QTreeWidgetItem *first = lvStation->topLevelItem(0)) {
        lvStation->setCurrentItem(first);
        if (focus)
            lvStation->setFocus();
    }
}

void TExpertSelectStation::cbxKanaChange()
{
    const int row = std::max(cbxKana->currentIndex(), 0);
    if (rbKana->isChecked() && row == kanaRow_)
        return;
    kanaRow_ = row;
    if (settingUp_)
        return;
    if (rbKana->isChecked())
        SearchByKana();
    else
        rbKana->setChecked(true);
}

void TExpertSelectStation::btnOKClick()
{
    QTreeWidgetItem *item = lvStation->currentItem();
    const int row = item ? lvStation->indexOfTopLevelItem(item) : -1;
    if (row < 0 || row >= int(results_.size())) {
        reject();
        return;
    }
    StationInfo.Station = results_[size_t(row)];
    StationInfo.KanaIndex = kanaRow_;
    StationInfo.ListIndex = row;
    StationInfo.NameText = TrimBlanks(edName->text());
    accept();
}

bool TExpertSelectStation::eventFilter(QObject *watched, QEvent *event)
{
    if (!IsEnterKey(event))
        return QDialog::eventFilter(watched, event);
    if (watched == edName) {
        if (!TrimBlanks(edName->text()).isEmpty()) {
            if (rbName->isChecked())
                SearchByName();
            else
                rbName->setChecked(true);
            if (lvStation->topLevelItemCount() > 0)
                lvStation->setFocus();
        } else {
            (rbKana->isChecked() ? static_cast<QWidget *>(rbKana) : cbxKana)->setFocus();
        }
    } else if (watched == lvStation) {
        (lvStation->currentItem() ? btnOK : btnCancel)->setFocus();
    } else {
        focusNextChild();
    }
    return true;
}
