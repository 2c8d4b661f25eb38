#include "core/Main.h"

#include "base/Folders.h"
#include "base/Fonts.h"
#include "core/AddressBookList.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/Hyphen.h"
#include "core/InputPW.h"
#include "core/Settings.h"
#include "core/Splash.h"
#include "db/TableSchemas.h"
#include "platform/CustomEvents.h"
#include "platform/Forms.h"
#include "platform/MemIniFile.h"
#include "platform/MessageBox.h"
#include "platform/PDFHelp.h"
#include "platform/PrivateSocket.h"
#include "platform/Process.h"
#include "platform/SingleInstance.h"
#include "platform/Translation.h"
#include "widgets/ShiftJisValidator.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QScopeGuard>
#include <QThread>

namespace {

// Copies a shipped file unless the user already has one; a copy that fails is skipped, as the data
// module makes missing tables itself and missing histories start empty.
void copyWhenMissing(const QString &from, const QString &to)
{
    if (QFileInfo::exists(to))
        return;
    const QString part = to + QStringLiteral(".part");
    QFile::remove(part);
    if (QFile::copy(from, part) && QFile::rename(part, to))
        return;
    QFile::remove(part);
}

int helpContextOf(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        const QVariant context = w->property("HelpContext");
        if (context.isValid() && context.toInt() != 0)
            return context.toInt();
    }
    return 0;
}

QString dataRootInUseText(const QString &root)
{
    return QStringLiteral("このデータ保存フォルダーは、起動中の別のVelmoraが使用しています  \r\n")
           + QDir::toNativeSeparators(root);
}

// An end the user did not ask for is said in a box and on stderr.
int refuseStart(const QString &text)
{
    PrintMessageToStderr(text);
    ShowMessageBoxAt(nullptr, text, AppTitle, MB_ICONERROR, mbpSystem);
    return 1;
}

}  // namespace

QString FindDataFolder()
{
    const QString base = GetAllUsersDataFolder();
    if (base.isEmpty())
        return AppFolder;
    const QString oxa = base + QStringLiteral("Oxa");
    if (!ForceDirectories(base) || !CreateFolderWithFullAccess(oxa))
        return AppFolder;
    const QString folder = oxa + QStringLiteral("/Mirvale18/");
    if (!DirectoryExists(folder) && !ForceDirectories(folder))
        return AppFolder;
    return folder;
}

void InstalledDataLocation()
{
    HddInstalled = 0;
    HddDataFolder.clear();
    const TMemIniFile ini(DataFolder + QStringLiteral("HddInst.ini"));
    if (!ini.ReadBool(QStringLiteral("HDD"), QStringLiteral("Installed"), false))
        return;
    HddInstalled = 1;
    const QString folder = ini.ReadString(QStringLiteral("HDD"), QStringLiteral("Folder"), QString());
    HddDataFolder = DirectoryExists(folder) ? IncludeTrailingPathDelimiter(folder) : DataFolder;
}

void LocateInstalledData()
{
    InstalledDataLocation();
    if (HddInstalled && !DirectoryExists(HddDataFolder + QStringLiteral("Dt00/")))
        ShowMessageBoxAt(nullptr,
                         QStringLiteral("HDDインストールしたVelmoranの電話帳データが  \r\nHDD内に見つかりません  \r\n\r\n"
                                        "CD-ROMを検索するようにします  "),
                         AppTitle, MB_ICONINFORMATION, mbpSystem);
}

void CopyDefaultCategoryTables()
{
    CategoryFolder = DataFolder + QStringLiteral("Category/");
    ForceDirectories(CategoryFolder);
    const QString source = AppFolder + QStringLiteral("Category/");
    for (const QStringList *files : {&CategoryTableFiles, &TargetTableFiles, &ExceptionTableFiles, &OxaCatmTableFiles,
                                     &OxaCatsTableFiles}) {
        if (QFileInfo::exists(CategoryFolder + files->first()))
            continue;
        for (const QString &file : *files)
            copyWhenMissing(source + file, CategoryFolder + file);
    }
}

void CopyDefaultHistoryFiles()
{
    ForceDirectories(HistoryFolder);
    const QString source = AppFolder + QStringLiteral("Common/History/");
    for (const char *file : {"Post.mtd", "Honor.mtd"})
        copyWhenMissing(source + QLatin1String(file), HistoryFolder + QLatin1String(file));
}

bool SaveDataPath() { return WriteDataPath(DataFolder + SettingsFileName, DataRootFolder); }

bool WriteDataPath(const QString &settingsFile, const QString &root)
{
    TMemIniFile ini(settingsFile);
    ini.WriteString(QStringLiteral("BASE"), QStringLiteral("DataPath"), root);
    try {
        ini.UpdateFile();
        return true;
    } catch (const EIniFileError &) {
        return false;
    }
}

bool ReserveDataRoot(QWidget *owner, const QString &root, std::unique_ptr<TInstanceGuard> &reserved)
{
    reserved.reset();
    if (DataRootHold && DataRootHold->Holds(root))
        return true;
    TInstanceCheck check = TInstanceCheck::Only;
    reserved = TakeDataRoot(InstanceName, root, &check);
    if (reserved)
        return true;
    ShowMessageBoxAt(owner,
                     check == TInstanceCheck::NoGuard
                         ? QStringLiteral("このデータ保存フォルダーは使用できません  \r\n") + QDir::toNativeSeparators(root)
                         : dataRootInUseText(root) + QStringLiteral("\r\n\r\nそのVelmoraを終了してから、もう一度お試しください  "),
                     AppTitle, MB_ICONWARNING);
    return false;
}

void MoveDataRootHold(std::unique_ptr<TInstanceGuard> reserved)
{
    // A process that took no hold at start (a tool, a test) keeps none.
    if (reserved && DataRootHold)
        DataRootHold->TakeOver(std::move(reserved));
}

TMainForm::TMainForm()
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("MainForm"));
}

TMainForm::~TMainForm()
{
    // The data module frees its table objects, then the histories, and withdraws the table password.
    DMMirvale18 = nullptr;
    dataModule_.reset();
    FreeHyphenDll();
    qApp->removeEventFilter(this);
}

void TMainForm::FormCreate()
{
    LoadSettings(this);

    pdfHelp_ = std::make_unique<TPDFHelp>();
    pdfHelp_->FindReader();
    pdfHelp_->SetPdfFile(AppFolder + QStringLiteral("Mirvale18.pdf"));
    pdfHelp_->SetTitle(QStringLiteral("Velmora 操作ガイド"));
    pdfHelp_->SetPageOffset(3);
    pdfHelp_->SetUsePageOffset(true);
    qApp->installEventFilter(this);

    LoadHyphenDll(AppFolder, AppFolder + QStringLiteral("Dic/"));
    dataModule_ = std::make_unique<TDMMirvale18>();
    DMMirvale18 = dataModule_.get();
    CopyDefaultCategoryTables();

    while (SplashForm) {
        QThread::msleep(1);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    PostMessage(this, WM_STARTUP);
}

bool TMainForm::event(QEvent *event)
{
    if (event->type() == static_cast<QEvent::Type>(WM_STARTUP)) {
        WMStartup();
        return true;
    }
    return QWidget::event(event);
}

// F1 anywhere asks for help with the context of the focused control or its window.
bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F1
        && !static_cast<QKeyEvent *>(event)->isAutoRepeat() && watched->isWidgetType()) {
        QWidget *focus = QApplication::focusWidget();
        AppHelp(0, helpContextOf(focus ? focus : static_cast<QWidget *>(watched)));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool TMainForm::AppHelp(int, int data)
{
    if (pdfHelp_->Unavailable()) {
        ShowMessageBoxAt(this, pdfHelp_->UnavailableMessage(), AppTitle, MB_ICONWARNING, mbpSystem);
        return false;
    }
    pdfHelp_->ShowPage(data == 999 ? 0 : data);
    return true;
}

void TMainForm::WMStartup()
{
    const TStartupPassword password = DescrambleStartupPassword(StartupPassword);
    if (password.Required()) {
        TInputPassword dialog(this);
        InputPasswordForm = &dialog;
        const int result = ExecDialog(dialog);
        InputPasswordForm = nullptr;
        if (result != QDialog::Accepted) {
            close();
            return;
        }
    }
    if (DataPathReset)
        SaveDataPath();
    CopyDefaultHistoryFiles();
    // The shared tables of the data root ("Sender.DB", "Original.DB") are made on first use in this folder.
    ForceDirectories(OtherFolder);
    if (RemoveWorkLeftovers)
        RemoveWorkLeftovers();
    LoadAddressBookList(true);

    const bool known = std::any_of(AdrsBookList.begin(), AdrsBookList.end(),
                                   [](const TAdrsFolderInfo &b) { return b.Name == CurrentAdrsName; });
    if (!known) {
        CurrentAdrsName = QStringLiteral("アドレス");
        ChooseBookAtStart = 1;
    }
    if (AdrsBookList.empty())
        ChooseBookAtStart = 1;

    {
        const std::unique_ptr<QWidget> list = MakeMainList();
        mainList_ = list.get();
        ShowModal(list.get());
        mainList_ = nullptr;
    }
    close();
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    // While the main list runs, closing ends its modal run first; the start message then closes us.
    if (mainList_) {
        mainList_->setProperty("ModalResult", mrCancel);
        mainList_->close();
        event->ignore();
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (pdfHelp_)
        pdfHelp_->CloseDocument();
    QApplication::restoreOverrideCursor();
    event->accept();
    QCoreApplication::quit();
}

int RunVelmora(QApplication &app)
{
    AppFolder = IncludeTrailingPathDelimiter(QCoreApplication::applicationDirPath());
    DataFolder = FindDataFolder();
    // Made before the hold, so that it runs once the hold has let go of the data root's lock.
    const auto restart = qScopeGuard(StartAskedRestart);
    QApplication::setApplicationName(AppTitle);
    QApplication::setQuitOnLastWindowClosed(false);
    // Set before the instance check, whose refusals are shown in a box.
    InstallFontSubstitutions();
    InstallUiFont();
    InstallQtTranslation();
    // Keyed on the data root, not on the settings folder: two settings folders can name one data root, and
    // two copies over one book overwrite each other's changes.
    const QString dataRoot = ReadDataRootFolder(TMemIniFile(DataFolder + SettingsFileName));
    TInstanceCheck check = TInstanceCheck::Only;
    const bool ended = CheckSingleInstance(DataRootHold, InstanceName, dataRoot, true, &check);
    QString refused;
    const QString noSocket =
        PrivateSocketFolder(&refused).isEmpty() ? QStringLiteral("\r\n\r\n") + PrivateSocketRefusalText(refused) : QString();
    // The running copy came forward in the user's sight; any other end is told.
    if (ended && check == TInstanceCheck::NotAsked)
        return refuseStart(dataRootInUseText(dataRoot) + noSocket);
    if (ended && check == TInstanceCheck::NoGuard)
        return refuseStart(QStringLiteral("データ保存フォルダーにファイルを作成できないため、起動できません  \r\n")
                           + QDir::toNativeSeparators(dataRoot) + noSocket);
    if (ended)
        return 0;
    if (!DataRootHold->Reachable())
        PrintMessageToStderr(DataRootHold->WhyUnreachable() + QStringLiteral("\r\n次に起動したVelmoraは、この画面を前面に出せません"));
    InstallTypedTextAccessibility();

    SetHintPauses(300, 30);
    LocateInstalledData();
    if (RecoverInterruptedWork)
        RecoverInterruptedWork();

    ViewSplash = TMemIniFile(DataFolder + SettingsFileName)
                     .ReadBool(QStringLiteral("OPERATION"), QStringLiteral("ViewSplash"), true);
    if (ViewSplash) {
        SplashForm = new TSplashForm;
        SplashForm->show();
        SplashForm->repaint();
        QCoreApplication::processEvents();
    }

    TMainForm mainForm;
    MainForm = &mainForm;
    QObject::connect(DataRootHold.get(), &TInstanceGuard::RestoreRequested, &mainForm, [&mainForm] {
        QWidget *front = QApplication::activeModalWidget();
        if (!front)
            front = mainForm.MainList();
        ForceForegroundWindow(front);
    });
    mainForm.FormCreate();
    const int code = app.exec();
    MainForm = nullptr;
    DataRootHold.reset();
    return code;
}
