#include "geo/NoriMain.h"

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

namespace {

const QString StartSection = QStringLiteral("NORIKAE START STATION");


}  // namespace

TNorikaeMain::TNorikaeMain(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("NorikaeMain"));
    setWindowTitle(QStringLiteral("乗換案内"));
    setProperty("HelpContext", 65);
    auto *nearBox = new QGroupBox(QStringLiteral(" 最寄駅情報： "), this);
    lvNear = StationList("lvNear", {QStringLiteral("駅名"), QStringLiteral("距離（ｍ）"), QStringLiteral("方角")}, {321, 72, 47},
                       nearBox);
    bbtnNear = Named<QPushButton>("bbtnNear", QStringLiteral("駅選択"), nearBox);
    bbtnMap = Named<QPushButton>("bbtnMap", QStringLiteral("地図"), nearBox);
    bbtnMap->setToolTip(QStringLiteral("地図表示"));
    auto *nearGrid = new QGridLayout(nearBox);
    auto *nearLabel = new QLabel(QStringLiteral("最寄駅："), nearBox);
    SetViewLabel(nearLabel, lvNear);
    nearGrid->addWidget(nearLabel, 0, 0, Qt::AlignTop);
    nearGrid->addWidget(lvNear, 0, 1, 3, 1);
    nearGrid->addWidget(bbtnNear, 0, 2);
    nearGrid->addWidget(bbtnMap, 1, 2);
    auto *startBox = new QGroupBox(QStringLiteral(" 出発駅情報： "), this);
    lvStart = StationList("lvStart", {QStringLiteral("駅名")}, {320}, startBox);
    lvStart->setFixedHeight(ScaleByDpi(48, true));
    lvStart->setAccessibleName(QStringLiteral("出発駅"));
    bbtnStart = Named<QPushButton>("bbtnStart", QStringLiteral("駅選択"), startBox);
    auto *startRow = new QHBoxLayout(startBox);
    startRow->addWidget(lvStart, 1);
    startRow->addWidget(bbtnStart, 0, Qt::AlignTop);
    btnStartUp = Named<QPushButton>("btnStartUp", QStringLiteral("起動"), this);
    btnCancel = Named<QPushButton>("btnCancel", QStringLiteral("キャンセル"), this);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnStartUp);
    buttons->addWidget(btnCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(nearBox, 1);
    layout->addWidget(startBox);
    layout->addLayout(buttons);
    resize(ScaleByDpi(620, true), ScaleByDpi(300, true));
    for (QPushButton *b : findChildren<QPushButton *>())
        b->setAutoDefault(false);
    connect(bbtnNear, &QPushButton::clicked, this, [this] { bbtnStationClick(0); });
    connect(bbtnStart, &QPushButton::clicked, this, [this] { bbtnStationClick(1); });
    connect(btnStartUp, &QPushButton::clicked, this, &TNorikaeMain::btnStartUpClick);
    connect(bbtnMap, &QPushButton::clicked, this, &TNorikaeMain::bbtnMapClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    lvNear->installEventFilter(this);
    lvStart->installEventFilter(this);
    RunPicker = [](TNorikaeSelectStation &picker) { return ExecDialog(picker) == QDialog::Accepted; };
}

bool TNorikaeMain::OpenRailServ(const QString &programFolder)
{
    programFolder_ = programFolder;
    if (rail_.Load(this, programFolder, true, false, false))
        return true;
    ShowMessageBoxAt(parentWidget(), QStringLiteral("乗換案内がインストールされていません  "), AppTitle,
                     MB_OK | MB_ICONINFORMATION);
    return false;
}

void TNorikaeMain::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    if (Latitude != 0 && Longitude != 0)
        DetectNearStations();
    nearChoice_ = start_ = TStationChoice{};
    const TMemIniFile ini(DataFolder + SettingsFileName);
    start_.Name = ini.ReadString(StartSection, QStringLiteral("Name"), QString());
    start_.Index = ini.ReadInteger(StartSection, QStringLiteral("Index"), 0);
    start_.Station = ini.ReadString(StartSection, QStringLiteral("Station"), QString());
    ShowStart();
    (lvNear->topLevelItemCount() ? static_cast<QWidget *>(lvNear) : btnCancel)->setFocus();
}

void TNorikaeMain::DetectNearStations()
{
    TRailStation found[4]{};
    const QByteArray folder = (programFolder_ + QStringLiteral("Dic/")).toLocal8Bit();
    if (rail_.StationSearchFromPoint
        && rail_.StationSearchFromPoint(To256FromThousandths(Latitude), To256FromThousandths(Longitude), found,
                                        folder.constData())
               == 0) {
        for (int i = 0; i < 3 && found[i].Latitude != 0; ++i) {
            TNearStation s;
            s.Latitude = ThousandthsFrom256(found[i].Latitude);
            s.Longitude = ThousandthsFrom256(found[i].Longitude);
            s.Name = StationText(found[i].Name, sizeof found[i].Name);
            s.Distance = StationDistance(Latitude, Longitude, s.Latitude, s.Longitude);
            s.Direction = StationDirection(Latitude, Longitude, s.Latitude, s.Longitude);
            near_.push_back(s);
        }
    }
    if (near_.empty()) {
        ShowMessageBoxAt(this, QStringLiteral("半径10km以内に駅は見つかりませんでした  "), AppTitle, MB_OK | MB_ICONINFORMATION);
        return;
    }
    for (const TNearStation &s : near_)
        lvNear->addTopLevelItem(new QTreeWidgetItem({s.Name, QString::asprintf("%-8d", s.Distance), DirectionWord(s.Direction)}));
    lvNear->setCurrentItem(lvNear->topLevelItem(0));
}

void TNorikaeMain::ShowStart()
{
    if (TrimBlanks(start_.Station).isEmpty())
        return;
    lvStart->clear();
    lvStart->addTopLevelItem(new QTreeWidgetItem({start_.Station}));
    lvStart->setCurrentItem(lvStart->topLevelItem(0));
}

void TNorikaeMain::bbtnStationClick(int tag)
{
    TNorikaeSelectStation picker(this);
    if (!picker.Prepare(programFolder_, programFolder_ + QStringLiteral("Dic/")))
        return;
    CenterFormOnOwner(&picker, this);
    picker.Choice = tag == 0 ? nearChoice_ : start_;
    if (RunPicker(picker)) {
        if (tag == 1) {
            start_ = picker.Choice;
            ShowStart();
        } else {
            nearChoice_ = picker.Choice;
            while (lvNear->topLevelItemCount() > int(near_.size()))
                delete lvNear->takeTopLevelItem(lvNear->topLevelItemCount() - 1);
            auto *item = new QTreeWidgetItem({nearChoice_.Station, QString(), QString()});
            lvNear->addTopLevelItem(item);
            lvNear->setCurrentItem(item);
        }
    }
    (tag == 1 ? lvStart : lvNear)->setFocus();
}

void TNorikaeMain::btnStartUpClick()
{
    QTreeWidgetItem *destination = lvNear->currentItem();
    if (!destination || !lvStart->currentItem())
        return;
    const int row = lvNear->indexOfTopLevelItem(destination);
    const QString to = row < int(near_.size()) ? near_[size_t(row)].Name : nearChoice_.Station;
    if (!StartRoutePlanner(TrimBlanks(start_.Station), to, QDate::currentDate().toString(QStringLiteral("yyyyMMdd")))) {
        ShowMessageBoxAt(this, QStringLiteral("乗換案内が起動できませんでした  "), AppTitle, MB_OK | MB_ICONINFORMATION);
        return;
    }
    TMemIniFile ini(DataFolder + SettingsFileName);
    ini.WriteString(StartSection, QStringLiteral("Name"), TrimBlanks(start_.Name));
    ini.WriteInteger(StartSection, QStringLiteral("Index"), start_.Index);
    ini.WriteString(StartSection, QStringLiteral("Station"), TrimBlanks(start_.Station));
    try {
        ini.UpdateFile();
    } catch (const EIniFileError &) {
        // The search has started; only the start station is not kept for the next time.
    }
}

void TNorikaeMain::bbtnMapClick()
{
    const int row = lvNear->indexOfTopLevelItem(lvNear->currentItem());
    if (row < 0 || row >= int(near_.size()))
        return;
    TMapSearchParams params;
    params.Latitude = near_[size_t(row)].Latitude;
    params.Longitude = near_[size_t(row)].Longitude;
    ShowMapForRequest(this, CooperateMap, params);
}

bool TNorikaeMain::eventFilter(QObject *watched, QEvent *event)
{
    if (!IsEnterKey(event))
        return QDialog::eventFilter(watched, event);
    if (watched == lvNear)
        lvStart->setFocus();
    else
        (TrimBlanks(start_.Station).isEmpty() ? bbtnStart : btnStartUp)->setFocus();
    return true;
}
