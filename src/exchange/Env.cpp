#include "exchange/Env.h"

#include "core/Globals.h"
#include "core/Main.h"
#include "core/SharedHelpers.h"
#include "exchange/HDDInst.h"
#include "exchange/UpdDlg.h"
#include "geo/MapRequest.h"
#include "mainlist/AdrsList.h"
#include "mainlist/AdrsListSettings.h"
#include "platform/Forms.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "records/EntryHelpers.h"
#include "widgets/NamedControls.h"
#include "widgets/ShiftJisValidator.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

TEnvironment::TEnvironment(TAddressList *owner) : QDialog(owner), owner_(owner)
{
    setObjectName(QStringLiteral("Environment"));
    setWindowTitle(QStringLiteral("環境設定"));
    setProperty("HelpContext", 13);
    auto *layout = new QVBoxLayout(this);

    auto *data = new QGroupBox(QStringLiteral("データ"), this);
    auto *dataLayout = new QVBoxLayout(data);
    auto *path = new QHBoxLayout;
    auto *lblDataPath = new QLabel(QStringLiteral("データ保存フォルダー："), data);
    path->addWidget(lblDataPath);
    edtDataPath = Named<QLineEdit>("edtDataPath", QDir::toNativeSeparators(DataRootFolder), data);
    lblDataPath->setBuddy(edtDataPath);
    edtDataPath->setMinimumWidth(ScaleByDpi(280, true));
    path->addWidget(edtDataPath, 1);
    btnDataPath = Named<QPushButton>("btnDataPath", QStringLiteral("参照(&R)..."), data);
    path->addWidget(btnDataPath);
    dataLayout->addLayout(path);
    chkChooseBook = Named<QCheckBox>("chkChooseBook", QStringLiteral("次回起動時に開くアドレス帳を選択する"), data);
    chkChooseBook->setChecked(ChooseBookAtStart != 0);
    dataLayout->addWidget(chkChooseBook);
    auto *history = new QHBoxLayout;
    auto *lblHisCount = new QLabel(QStringLiteral("電話帳検索の検索条件の履歴数："), data);
    history->addWidget(lblHisCount);
    spnHisCount = Named<TNumberSpinBox>("spnHisCount", data);
    lblHisCount->setBuddy(spnHisCount);
    spnHisCount->setRange(0, 30);
    spnHisCount->setValue(HistoryCount);
    history->addWidget(spnHisCount);
    history->addStretch();
    dataLayout->addLayout(history);
    layout->addWidget(data);

    auto *form = new QGroupBox(QStringLiteral("データ登録画面"), this);
    auto *formLayout = new QVBoxLayout(form);
    auto box = [form, formLayout](const char *name, const QString &caption, uint8_t value) {
        auto *c = Named<QCheckBox>(name, caption, form);
        c->setChecked(value != 0);
        formLayout->addWidget(c);
        return c;
    };
    chkChangeData = box("chkChangeData", QStringLiteral("別のデータに切り替えるとき、変更の有無を確認する"), AddressChangeData);
    chkFormClose = box("chkFormClose", QStringLiteral("画面を閉じるとき、変更の有無を確認する"), AddressFormClose);
    chkConfirmation = box("chkConfirmation", QStringLiteral("変更を保存する前に確認のメッセージを表示する"), AddressConfirmation);
    chkOutOfTarget = box("chkOutOfTarget", QStringLiteral("辞書や電話帳から取得しただけの内容は変更とみなさない"), AddressOutOfTarget);
    chkSameNum = box("chkSameNum", QStringLiteral("同じ番号のデータが登録済みのとき、確認する"), AddressSameNum);
    layout->addWidget(form);

    auto *view = new QGroupBox(QStringLiteral("一覧の表示"), this);
    auto *viewLayout = new QHBoxLayout(view);
    chkBGPaint = Named<QCheckBox>("chkBGPaint", QStringLiteral("照会中のデータの一覧に背景色を付ける"), view);
    chkBGPaint->setChecked(ViewBGPaint != 0);
    viewLayout->addWidget(chkBGPaint);
    btnBGColor = Named<QToolButton>("btnBGColor", view);
    btnBGColor->setToolTip(QStringLiteral("背景色の選択"));
    btnBGColor->setAccessibleName(btnBGColor->toolTip());
    viewLayout->addWidget(btnBGColor);
    viewLayout->addStretch();
    BGColor = ViewBGColor;
    showColour();
    layout->addWidget(view);

    auto *cooperate = new QGroupBox(QStringLiteral("地図と経路"), this);
    auto *coopLayout = new QFormLayout(cooperate);
    cbxMap = Named<QComboBox>("cbxMap", cooperate);
    for (const QString &name : MapProductNames)
        cbxMap->addItem(name);
    cbxMap->setCurrentIndex(CooperateMap);
    cbxMapSearchKind = Named<QComboBox>("cbxMapSearchKind", cooperate);
    cbxMapSearchKind->addItems({QStringLiteral("緯度経度で表示する"), QStringLiteral("住所と電話番号で表示する")});
    cbxMapSearchKind->setCurrentIndex(CooperateMapSearchKind);
    cbxRoot = Named<QComboBox>("cbxRoot", cooperate);
    for (const QString &name : RouteProductNames)
        cbxRoot->addItem(name);
    cbxRoot->setCurrentIndex(CooperateRoot);
    coopLayout->addRow(QStringLiteral("地図ソフト："), cbxMap);
    coopLayout->addRow(QStringLiteral("地図の表示方法："), cbxMapSearchKind);
    coopLayout->addRow(QStringLiteral("経路探索ソフト："), cbxRoot);
    layout->addWidget(cooperate);

    auto *directory = new QGroupBox(QStringLiteral("電話帳データ"), this);
    auto *directoryLayout = new QHBoxLayout(directory);
    lblHddState = Named<QLabel>("lblHddState", directory);
    directoryLayout->addWidget(lblHddState, 1);
    btnHddInstall = Named<QPushButton>("btnHddInstall", QStringLiteral("HDDインストール(&H)..."), directory);
    directoryLayout->addWidget(btnHddInstall);
    showHddState();
    layout->addWidget(directory);

    auto *update = new QGroupBox(QStringLiteral("アップデート"), this);
    auto *updateLayout = new QHBoxLayout(update);
    chkUpdateCheck = Named<QCheckBox>("chkUpdateCheck", QStringLiteral("起動時に最新アップデートの確認をする"), update);
    chkUpdateCheck->setChecked(UpdateCheckAtStart != 0);
    updateLayout->addWidget(chkUpdateCheck, 1);
    btnUpdate = Named<QPushButton>("btnUpdate", QStringLiteral("今すぐ確認(&U)..."), update);
    updateLayout->addWidget(btnUpdate);
    layout->addWidget(update);
    layout->addLayout(MakeOkCancelButtons(this, btnOk, btnCancel));
    // Enter in a field takes the settings; without this the first button (参照) would be pressed.
    btnOk->setDefault(true);

    connect(btnDataPath, &QPushButton::clicked, this, [this] {
        QString folder = QDir::fromNativeSeparators(edtDataPath->text());
        if (BrowseForFolder(folder, this, QStringLiteral("データ保存フォルダーの選択"), true, false))
            edtDataPath->setText(QDir::toNativeSeparators(folder));
    });
    connect(btnBGColor, &QToolButton::clicked, this, [this] {
        if (ChooseColor(this, BGColor))
            showColour();
    });
    connect(btnHddInstall, &QPushButton::clicked, this, &TEnvironment::btnHddInstallClick);
    connect(btnUpdate, &QPushButton::clicked, this, &TEnvironment::btnUpdateClick);
    connect(btnOk, &QPushButton::clicked, this, &TEnvironment::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TEnvironment::showColour()
{
    QPixmap swatch(ScaleByDpi(32, true), ScaleByDpi(16, true));
    swatch.fill(ColorFromBgr(BGColor));
    btnBGColor->setIcon(QIcon(swatch));
    btnBGColor->setIconSize(swatch.size());
}

void TEnvironment::showHddState()
{
    lblHddState->setText(HddInstalled ? QStringLiteral("HDDにインストール済み：")
                                            + QDir::toNativeSeparators(HddDataFolder + QStringLiteral("Dt00"))
                                      : QStringLiteral("HDDにインストールされていません"));
}

void TEnvironment::btnHddInstallClick()
{
    THddInstall dialog(this);
    ExecDialog(dialog);
    showHddState();
}

void TEnvironment::btnUpdateClick()
{
    TUpdateDialog dialog(this);
    // Accepted means the update was applied; with the restart flag the program starts again on its new files
    // once this instance has ended, which it must before it writes anything more, also when this window was
    // closed while the update ran.
    ExecDialog(dialog);
    if (dialog.result() != QDialog::Accepted || !dialog.Restart)
        return;
    Result = TEnvironmentResult();
    Result.MustEnd = true;
    reject();
}

void TEnvironment::btnOkClick()
{
    QString root = QDir::fromNativeSeparators(edtDataPath->text().trimmed());
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    if (edtDataPath->text().trimmed().isEmpty() || root.size() > 200 || QFileInfo(root).isRelative()) {
        ShowMessageBoxAt(this, QStringLiteral("データ保存フォルダーを正しく指定してください  "), AppTitle, MB_ICONWARNING);
        edtDataPath->setFocus();
        return;
    }
    const bool folderChanged = QDir::cleanPath(root) != QDir::cleanPath(DataRootFolder);
    // Another running copy's books, or books inside or around them, and a folder that cannot be made ready (a
    // full disk) are refused before anything here is closed or written; a switch given up leaves nothing of it
    // in the new folder.
    TDataRootMove move;
    if (folderChanged && !(move.Reserve(this, root) && move.Prepare(this))) {
        edtDataPath->setFocus();
        return;
    }
    // The windows beside the main one work on the open book, which the new folder replaces: a record form
    // left open would store its record into the other folder's book under the same number. They close first;
    // one that stays (unsaved work the user keeps) keeps the old folder.
    if (folderChanged && !owner_->CloseSubForms())
        return;
    // The list's settings go to the file first, so the new data folder's reading finds them.
    owner_->SaveListSettings();

    TMemIniFile ini(DataFolder + SettingsFileName);
    ini.WriteString(QStringLiteral("BASE"), QStringLiteral("DataPath"), root);
    if (chkChooseBook->isChecked())
        ini.WriteString(QStringLiteral("BASE"), QStringLiteral("AdrsName"), QString());
    ini.WriteInteger(QStringLiteral("OPERATION"), QStringLiteral("HisCount"), spnHisCount->value());
    ini.WriteBool(QStringLiteral("ADDRESS"), QStringLiteral("ChangeData"), chkChangeData->isChecked());
    ini.WriteBool(QStringLiteral("ADDRESS"), QStringLiteral("FormClose"), chkFormClose->isChecked());
    ini.WriteBool(QStringLiteral("ADDRESS"), QStringLiteral("Confirmation"), chkConfirmation->isChecked());
    ini.WriteBool(QStringLiteral("ADDRESS"), QStringLiteral("OutOfTarget"), chkOutOfTarget->isChecked());
    ini.WriteBool(QStringLiteral("ADDRESS"), QStringLiteral("SameNum"), chkSameNum->isChecked());
    ini.WriteBool(QStringLiteral("VIEW"), QStringLiteral("BGPaint"), chkBGPaint->isChecked());
    ini.WriteInteger(QStringLiteral("VIEW"), QStringLiteral("BGColor"), BGColor);
    ini.WriteInteger(QStringLiteral("COOPERATE"), QStringLiteral("Map"), cbxMap->currentIndex());
    ini.WriteInteger(QStringLiteral("COOPERATE"), QStringLiteral("MapSearchKind"), cbxMapSearchKind->currentIndex());
    ini.WriteInteger(QStringLiteral("COOPERATE"), QStringLiteral("Root"), cbxRoot->currentIndex());
    ini.WriteBool(QStringLiteral("UPDATE"), QStringLiteral("UpdateCheck"), chkUpdateCheck->isChecked());
    try {
        ini.UpdateFile();
    } catch (const EIniFileError &e) {
        // Nothing of the new settings is in force when they could not be kept.
        ShowMessageBoxAt(this, e.Message, AppTitle, MB_ICONERROR);
        return;
    }

    Result = TEnvironmentResult();
    Result.Accepted = true;
    Result.DataFolderChanged = folderChanged;
    Result.HistoryCountChanged = spnHisCount->value() != HistoryCount;
    Result.LinkColorChanged = chkBGPaint->isChecked() != (ViewBGPaint != 0) || BGColor != ViewBGColor;
    Result.MapRouteChanged = cbxMap->currentIndex() != CooperateMap || cbxMapSearchKind->currentIndex() != CooperateMapSearchKind
                             || cbxRoot->currentIndex() != CooperateRoot;
    if (folderChanged) {
        DataRootFolder = root;
        DataPathReset = 0;
        AdrsFolder = root + QStringLiteral("Adrs/");
        OtherFolder = root + QStringLiteral("Other/");
        HistoryFolder = root + QStringLiteral("History/");
        LayoutFolder = root + QStringLiteral("Layout/");
        LabelFolder = root + QStringLiteral("Label/");
        CardFolder = root + QStringLiteral("Card/");
        DesignFolder = root + QStringLiteral("Design/");
        move.Complete();
    }
    ChooseBookAtStart = chkChooseBook->isChecked() ? 1 : 0;
    HistoryCount = spnHisCount->value();
    AddressChangeData = chkChangeData->isChecked();
    AddressFormClose = chkFormClose->isChecked();
    AddressConfirmation = chkConfirmation->isChecked();
    AddressOutOfTarget = chkOutOfTarget->isChecked();
    AddressSameNum = chkSameNum->isChecked();
    ViewBGPaint = chkBGPaint->isChecked();
    ViewBGColor = BGColor;
    CooperateMap = cbxMap->currentIndex();
    CooperateMapSearchKind = cbxMapSearchKind->currentIndex();
    CooperateRoot = cbxRoot->currentIndex();
    UpdateCheckAtStart = chkUpdateCheck->isChecked();
    accept();
}

TEnvironmentResult RunEnvironmentDialog(TAddressList *owner)
{
    TEnvironment dialog(owner);
    ExecDialog(dialog);
    return dialog.Result;
}
