#include "geo/ExpMain.h"

#include "base/SjisCodec.h"
#include "base/Trim.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "geo/MapDispatch.h"
#include "platform/Forms.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "widgets/NamedControls.h"

#include <QApplication>
#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstring>

namespace {

const QString StartSection = QStringLiteral("EXPERT START STATION");
const QString NoStation = QStringLiteral("半径 10km 以内に駅は見つかりませんでした  ");



}  // namespace

TExpertMain::TExpertMain(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("ExpertMain"));
    setWindowTitle(QStringLiteral(" 駅すぱあと"));
    setProperty("HelpContext", 65);
    HighlightColor = NormalColor = palette().color(QPalette::WindowText);
    auto *nearBox = new QGroupBox(QStringLiteral(" 最寄駅情報： "), this);
    lvNear = StationList("lvNear", {QStringLiteral("駅名"), QStringLiteral("カナ"), QStringLiteral("距離（ｍ）"), QStringLiteral("方角")},
                  {130, 110, 72, 47}, nearBox);
    lvRailway = StationList("lvRailway", {QStringLiteral("路線")}, {300}, nearBox);
    bbtnNear = Named<QPushButton>("bbtnNear", QStringLiteral("駅選択"), nearBox);
    bbtnMap = Named<QPushButton>("bbtnMap", QStringLiteral("地図"), nearBox);
    bbtnMap->setToolTip(QStringLiteral("地図表示"));
    auto *nearGrid = new QGridLayout(nearBox);
    auto *nearLabel = new QLabel(QStringLiteral("最寄駅："), nearBox);
    SetViewLabel(nearLabel, lvNear);
    nearGrid->addWidget(nearLabel, 0, 0, Qt::AlignTop);
    nearGrid->addWidget(lvNear, 0, 1);
    auto *nearButtons = new QVBoxLayout;
    nearButtons->addWidget(bbtnNear);
    nearButtons->addWidget(bbtnMap);
    nearButtons->addStretch();
    nearGrid->addLayout(nearButtons, 0, 2);
    auto *railwayLabel = new QLabel(QStringLiteral("路線："), nearBox);
    SetViewLabel(railwayLabel, lvRailway);
    nearGrid->addWidget(railwayLabel, 1, 0, Qt::AlignTop);
    nearGrid->addWidget(lvRailway, 1, 1);
    auto *startBox = new QGroupBox(QStringLiteral(" 出発駅情報： "), this);
    lvStart = StationList("lvStart", {QStringLiteral("駅名"), QStringLiteral("カナ")}, {130, 110}, startBox);
    lvStart->setFixedHeight(ScaleByDpi(48, true));
    lvStart->setAccessibleName(QStringLiteral("出発駅"));
    bbtnStart = Named<QPushButton>("bbtnStart", QStringLiteral("駅選択"), startBox);
    auto *startRow = new QHBoxLayout(startBox);
    startRow->addWidget(lvStart, 1);
    startRow->addWidget(bbtnStart, 0, Qt::AlignTop);
    btnCondition = Named<QPushButton>("btnCondition", QStringLiteral("探索条件設定"), this);
    lblConditionsLeftOut = Named<QLabel>("lblConditionsLeftOut", this);
    lblConditionsLeftOut->setWordWrap(true);
    lblConditionsLeftOut->setAccessibleName(QStringLiteral("経路検索に渡されない探索条件"));
    lblConditionsLeftOut->hide();
    btnStartUp = Named<QPushButton>("btnStartUp", QStringLiteral("起動"), this);
    btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("キャンセル"), this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnCondition);
    buttons->addStretch();
    buttons->addWidget(btnStartUp);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(nearBox, 1);
    layout->addWidget(startBox);
    layout->addWidget(lblConditionsLeftOut);
    layout->addLayout(buttons);
    resize(ScaleByDpi(600, true), ScaleByDpi(420, true));
    for (QPushButton *b : findChildren<QPushButton *>())
        b->setAutoDefault(false);

    connect(lvNear, &QTreeWidget::currentItemChanged, this, &TExpertMain::lvNearSelectItem);
    connect(bbtnNear, &QPushButton::clicked, this, [this] { bbtnStationClick(0); });
    connect(bbtnStart, &QPushButton::clicked, this, [this] { bbtnStationClick(1); });
    connect(btnCondition, &QPushButton::clicked, this, &TExpertMain::btnConditionClick);
    connect(btnStartUp, &QPushButton::clicked, this, &TExpertMain::btnStartUpClick);
    connect(bbtnMap, &QPushButton::clicked, this, &TExpertMain::bbtnMapClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    for (QTreeWidget *l : {lvNear, lvRailway, lvStart})
        l->installEventFilter(this);
    RunPicker = [](TExpertSelectStation &picker) { return ExecDialog(picker) == QDialog::Accepted; };
    RunConditions = [](TExpertSearchCondition &dialog) { return ExecDialog(dialog) == QDialog::Accepted; };
}

void TExpertMain::SetFolders(const QString &programFolder, const QString &dataFolder)
{
    programFolder_ = programFolder;
    dataFolder_ = dataFolder;
}

void TExpertMain::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
        (lvNear->topLevelItemCount() ? static_cast<QWidget *>(lvNear) : btnCancel)->setFocus();
    }
}

void TExpertMain::FormShow()
{
    rail_.Load(this, programFolder_, true, true, false);
    if (rail_.StationSearchFromPoint && Latitude != 0 && Longitude != 0) {
        TRailStation found[4]{};
        const QByteArray folder = dataFolder_.toLocal8Bit();
        const int code = rail_.StationSearchFromPoint(Latitude, Longitude, found, folder.constData());
        if (code == 0) {
            for (int i = 0; i < 3 && found[i].Latitude != 0; ++i)
                near_.push_back(found[i]);
        } else if (code == 8) {
            ShowMessageBoxAt(this, NoStation, AppTitle, MB_OK | MB_ICONINFORMATION);
        } else {
            ShowMessageBoxAt(this, QStringLiteral("StationSearchFromPoint (Kvrail.so) Call Error\r\nRC = ") + QString::number(code),
                             AppTitle, MB_OK | MB_ICONERROR);
        }
    }
    for (const TRailStation &s : near_)
        lvNear->addTopLevelItem(new QTreeWidgetItem({StationText(s.Name, 22), StationText(s.Reading, 22),
                                                     QString::asprintf("%-8d", s.Distance), DirectionWord(s.Direction)}));
    if (lvNear->topLevelItemCount())
        lvNear->setCurrentItem(lvNear->topLevelItem(0));

    const TMemIniFile ini(DataFolder + SettingsFileName);
    handChosen_ = TSelectStInfo{};
    start_ = TSelectStInfo{};
    TRailStation &s = start_.Station;
    s.Latitude = ini.ReadInteger(StartSection, QStringLiteral("Latitude"), 0);
    s.Longitude = ini.ReadInteger(StartSection, QStringLiteral("Longitude"), 0);
    const auto put = [](char *field, int width, const QString &text) {
        const QByteArray bytes = Sjis::cutToBytes(Sjis::encode(text), width);
        std::memset(field, ' ', size_t(width));
        std::memcpy(field, bytes.constData(), size_t(bytes.size()));
    };
    put(s.KickCode, 6, ini.ReadString(StartSection, QStringLiteral("KickCode"), QString()));
    put(s.Name, 22, ini.ReadString(StartSection, QStringLiteral("StNameKj"), QString()));
    put(s.Reading, 22, ini.ReadString(StartSection, QStringLiteral("StNameKn"), QString()));
    s.StationNo = ini.ReadInteger(StartSection, QStringLiteral("Through"), 0);
    start_.KanaIndex = ini.ReadInteger(StartSection, QStringLiteral("KanaIndex"), -1);
    start_.ListIndex = ini.ReadInteger(StartSection, QStringLiteral("ListIndex"), 0);
    start_.NameText = ini.ReadString(StartSection, QStringLiteral("Kana"), QString());
    conditions_ = ReadRouteConditions(ini);
    conditions_.RideDate = KeptRideDate(conditions_.RideDate, QDate::currentDate());
    ShowConditionsLeftOut();
    ShowStart();
    UpdateStartButton();
}

void TExpertMain::ShowStart()
{
    if (!start_.HasName())
        return;
    lvStart->clear();
    lvStart->addTopLevelItem(new QTreeWidgetItem({start_.Name(), start_.Reading()}));
    lvStart->setCurrentItem(lvStart->topLevelItem(0));
}

// A condition the route planner does not take would otherwise be dropped without the user knowing.
void TExpertMain::ShowConditionsLeftOut()
{
    const QStringList left =
        ConditionsLeftOut(RoutePlannerTemplate(TMemIniFile(DataFolder + SettingsFileName)), conditions_);
    lblConditionsLeftOut->setText(QStringLiteral("次の探索条件は経路検索のページに渡されません：")
                                  + left.join(QStringLiteral("、")));
    lblConditionsLeftOut->setVisible(!left.isEmpty());
}

void TExpertMain::UpdateStartButton()
{
    btnStartUp->setEnabled(lvNear->topLevelItemCount() > 0 && lvRailway->topLevelItemCount() > 0
                           && !start_.KickCode().isEmpty());
}

void TExpertMain::lvNearSelectItem()
{
    lvRailway->clear();
    const int row = lvNear->indexOfTopLevelItem(lvNear->currentItem());
    if (row < 0 || row >= int(near_.size()) || !rail_.LineList) {
        UpdateStartButton();
        return;
    }
    const QByteArray folder = dataFolder_.toLocal8Bit();
    int32_t count = 0;
    int code = rail_.LineList(near_[size_t(row)].StationNo, &count, nullptr, folder.constData());
    std::vector<TRailLine> lines;
    if (code == 0 && count > 0) {
        lines.resize(size_t(count));
        code = rail_.LineList(near_[size_t(row)].StationNo, &count, lines.data(), folder.constData());
        lines.resize(size_t(std::clamp<int32_t>(count, 0, int32_t(lines.size()))));
    }
    if (code == 8)
        ShowMessageBoxAt(this, NoStation, AppTitle, MB_OK | MB_ICONINFORMATION);
    else if (code != 0)
        ShowMessageBoxAt(this, QStringLiteral("LineList (Kvrail.so) Call Error\r\nRC = ") + QString::number(code), AppTitle,
                         MB_OK | MB_ICONERROR);
    else
        for (const TRailLine &l : lines)
            lvRailway->addTopLevelItem(new QTreeWidgetItem({StationText(l.Name, 42)}));
    if (lvRailway->topLevelItemCount())
        lvRailway->setCurrentItem(lvRailway->topLevelItem(0));
    UpdateStartButton();
}

void TExpertMain::bbtnStationClick(int tag)
{
    TExpertSelectStation picker(this);
    CenterFormOnOwner(&picker, this);
    picker.SetFolders(programFolder_, dataFolder_);
    picker.HighlightColor = HighlightColor;
    picker.NormalColor = NormalColor;
    picker.StationInfo = tag == 0 ? handChosen_ : start_;
    if (RunPicker(picker)) {
        if (tag == 1) {
            start_ = picker.StationInfo;
            ShowStart();
        } else {
            handChosen_ = picker.StationInfo;
            if (!near_.empty() && near_.back().Direction == handChosenDirection) {
                near_.pop_back();
                delete lvNear->takeTopLevelItem(lvNear->topLevelItemCount() - 1);
            }
            TRailStation chosen = handChosen_.Station;
            chosen.Direction = handChosenDirection;
            chosen.Distance = 0;
            near_.push_back(chosen);
            auto *item = new QTreeWidgetItem({handChosen_.Name(), handChosen_.Reading(), QString(), QString()});
            lvNear->addTopLevelItem(item);
            lvNear->setCurrentItem(item);
        }
    }
    UpdateStartButton();
    (tag == 1 ? lvStart : lvNear)->setFocus();
}

void TExpertMain::btnConditionClick()
{
    btnCondition->setEnabled(false);
    TExpertSearchCondition dialog(this);
    CenterFormOnOwner(&dialog, this);
    dialog.HighlightColor = HighlightColor;
    dialog.NormalColor = NormalColor;
    dialog.Conditions = conditions_;
    if (RunConditions(dialog)) {
        conditions_ = dialog.Conditions;
        ShowConditionsLeftOut();
    }
    btnCondition->setEnabled(true);
    btnCondition->setFocus();
}

void TExpertMain::btnStartUpClick()
{
    const int row = lvNear->indexOfTopLevelItem(lvNear->currentItem());
    if (row < 0 || row >= int(near_.size()))
        return;
    const QString date = conditions_.RideDate.isEmpty() ? QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))
                                                        : conditions_.RideDate;
    const QString to = StationText(near_[size_t(row)].Name, 22);
    QString conditions;
    for (int value : conditions_.Values)
        conditions += QString::number(value);
    if (!StartRoutePlanner(start_.Name(), to, date, conditions)) {
        ShowMessageBoxAt(this, QStringLiteral("駅すぱあとが起動できませんでした  "), AppTitle, MB_OK | MB_ICONWARNING);
        return;
    }
    TMemIniFile ini(DataFolder + SettingsFileName);
    const TRailStation &s = start_.Station;
    ini.WriteInteger(StartSection, QStringLiteral("Latitude"), s.Latitude);
    ini.WriteInteger(StartSection, QStringLiteral("Longitude"), s.Longitude);
    ini.WriteString(StartSection, QStringLiteral("KickCode"), start_.KickCode());
    ini.WriteString(StartSection, QStringLiteral("StNameKj"), start_.Name());
    ini.WriteString(StartSection, QStringLiteral("StNameKn"), start_.Reading());
    ini.WriteInteger(StartSection, QStringLiteral("Through"), s.StationNo);
    ini.WriteInteger(StartSection, QStringLiteral("KanaIndex"), start_.KanaIndex);
    ini.WriteInteger(StartSection, QStringLiteral("ListIndex"), start_.ListIndex);
    ini.WriteString(StartSection, QStringLiteral("Kana"), start_.NameText);
    try {
        ini.UpdateFile();
    } catch (const EIniFileError &) {
        // The search has started; only the departure station is not kept for the next time.
    }
}

void TExpertMain::bbtnMapClick()
{
    const int row = lvNear->indexOfTopLevelItem(lvNear->currentItem());
    if (row < 0 || row >= int(near_.size()))
        return;
    TMapSearchParams params;
    params.Latitude = ThousandthsFrom256(near_[size_t(row)].Latitude);
    params.Longitude = ThousandthsFrom256(near_[size_t(row)].Longitude);
    ShowMapForRequest(this, CooperateMap, params);
}

bool TExpertMain::eventFilter(QObject *watched, QEvent *event)
{
    if (!IsEnterKey(event))
        return QDialog::eventFilter(watched, event);
    if (watched == lvNear)
        lvRailway->setFocus();
    else
        (start_.KickCode().isEmpty() ? bbtnStart : btnStartUp)->setFocus();
    return true;
}
