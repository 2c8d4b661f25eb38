#include "core/Main.h"

#include "base/FileReplace.h"
#include "base/Folders.h"
#include "base/Fonts.h"
#include "core/AddressBookList.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "core/Hyphen.h"
#include "core/InputPW.h"
#include "core/Settings.h"
#include "core/Splash.h"
#include "core/StagedFile.h"
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
#include "platform/WindowPlacement.h"
#include "widgets/ComboBoxAccessible.h"
#include "widgets/ShiftJisValidator.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QScopeGuard>
#include <QThread>

#include <cerrno>

namespace {

// Copies a shipped file unless the user already has one, whole or not at all. False when it could not be written
// (errno then says why); a shipped file that is missing is passed over, as the data module makes missing tables
// itself and missing histories start empty.
bool copyWhenMissing(const QString &from, const QString &to)
{
    if (QFileInfo::exists(to))
        return true;
    QFile source(from);
    return !source.open(QIODevice::ReadOnly) || ReplaceFileWhole(to, source.readAll());
}

// Copies the shipped histories into folder where they are missing, adding the ones copied to copied when given.
// False when one could not be written there, errno then saying why; the others are still copied.
bool copyDefaultHistories(const QString &folder, QStringList *copied = nullptr)
{
    const QString source = AppFolder + QStringLiteral("Common/History/");
    int error = 0;
    for (const QString &file : DefaultHistoryFiles) {
        const QString to = folder + file;
        if (QFileInfo::exists(to))
            continue;
        if (!copyWhenMissing(source + file, to))
            error = error ? error : errno;
        else if (copied && QFileInfo::exists(to))
            *copied << to;
    }
    errno = error;
    return error == 0;
}

// The folder and those of its ancestors that do not exist yet, outermost first.
QStringList missingFolders(const QString &folder)
{
    QStringList missing;
    for (QString f = QDir::cleanPath(folder); !QFileInfo::exists(f);) {
        missing.prepend(f);
        const QString parent = QFileInfo(f).path();
        if (parent == f)
            break;
        f = parent;
    }
    return missing;
}


// Why another running copy keeps this one off root: it holds root itself, or heldRoot inside or around it.
QString dataRootInUseText(const QString &root, TInstanceCheck check = TInstanceCheck::Another,
                          const QString &heldRoot = QString())
{
    const QString folder = QDir::toNativeSeparators(root);
    const QString held = QStringLiteral("\r\n\r\n使用中のフォルダー：") + QDir::toNativeSeparators(heldRoot);
    switch (check) {
    case TInstanceCheck::Inside:
        return QStringLiteral("このデータ保存フォルダーは、  \r\n起動中の別のVelmoraが使用しているフォルダーの中にあります  \r\n")
               + folder + held;
    case TInstanceCheck::Around:
        return QStringLiteral("このデータ保存フォルダーの中に、  \r\n起動中の別のVelmoraが使用しているフォルダーがあります  \r\n")
               + folder + held;
    default:
        return QStringLiteral("このデータ保存フォルダーは、起動中の別のVelmoraが使用しています  \r\n") + folder;
    }
}

// An end the user did not ask for is said in a box and on stderr.
int refuseStart(const QString &text)
{
    PrintMessageToStderr(text);
    ShowMessageBoxAt(nullptr, text, AppTitle, MB_ICONERROR, mbpSystem);
    return 1;
}

// Takes the hold on the data root the settings name: true when this copy holds it. Otherwise *refusal says why,
// or is empty when the copy that holds it has come forward. A hold taken before moves there: the root it leaves
// was never this copy's to run on (a restore into it was undone), and keeps nothing of it.
bool holdSettingsRoot(QString *refusal)
{
    // Keyed on the data root, not on the settings folder: two settings folders can name one data root, and
    // two copies over one book overwrite each other's changes.
    const QString dataRoot = ReadDataRootFolder(TMemIniFile(DataFolder + SettingsFileName));
    if (DataRootHold && DataRootHold->Holds(dataRoot))
        return true;
    if (DataRootHold)
        DataRootHold->Abandon(true);
    TInstanceCheck check = TInstanceCheck::Only;
    QString heldRoot;
    if (!CheckSingleInstance(DataRootHold, InstanceName, dataRoot, true, &check, &heldRoot))
        return true;
    DataRootHold.reset();
    QString refused;
    const QString noSocket =
        PrivateSocketFolder(&refused).isEmpty() ? QStringLiteral("\r\n\r\n") + PrivateSocketRefusalText(refused) : QString();
    // The running copy came forward in the user's sight; any other end is told.
    refusal->clear();
    if (check == TInstanceCheck::NotAsked || check == TInstanceCheck::Inside || check == TInstanceCheck::Around)
        *refusal = dataRootInUseText(dataRoot, check, heldRoot) + noSocket;
    else if (check == TInstanceCheck::NoGuard)
        *refusal = QStringLiteral("データ保存フォルダーにファイルを作成できないため、起動できません  \r\n")
                   + QDir::toNativeSeparators(dataRoot) + noSocket;
    return false;
}

}  // namespace

int HelpContextOf(const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        const QVariant context = w->property("HelpContext");
        if (context.isValid() && context.toInt() != 0)
            return context.toInt();
    }
    return 0;
}

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

void NarrowDataFolder()
{
    // The program folder stands in for a data folder that could not be made: not the program's data to narrow.
    if (DataFolder.isEmpty() || DataFolder == AppFolder)
        return;
    // The settings name the data root the program made ("Data/") as well, once it was written back.
    bool reset = false;
    const QString root = ReadDataRootFolder(TMemIniFile(DataFolder + SettingsFileName), &reset);
    const bool chosen = !reset && QDir::cleanPath(root) != QDir::cleanPath(DataFolder + QStringLiteral("Data"));
    NarrowLeftOpen(DataFolder, chosen ? QStringList{root} : QStringList());
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
    copyDefaultHistories(HistoryFolder);
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

TDataRootMove::~TDataRootMove()
{
    if (completed_)
        return;
    // The lock file goes before the folders it would keep from being removed.
    if (reserved_)
        reserved_->Abandon();
    reserved_.reset();
    for (auto made = made_.crbegin(); made != made_.crend(); ++made)
        QFileInfo(*made).isDir() ? QDir().rmdir(*made) : QFile::remove(*made);
}

bool TDataRootMove::Reserve(QWidget *owner, const QString &root)
{
    root_ = root;
    if (DataRootHold && DataRootHold->Holds(root))
        return true;
    // The folders taking the hold makes go again with a move given up, and with a refusal.
    made_ = missingFolders(root);
    // The hold makes a missing folder for its lock; one the user never fills is ours to remove after a kill.
    if (!QFileInfo::exists(root))
        RecordUnfinishedFolder(root);
    TInstanceCheck check = TInstanceCheck::Only;
    QString heldRoot;
    reserved_ = TakeDataRoot(InstanceName, root, &check, &heldRoot, DataRootHold.get());
    if (reserved_)
        return true;
    ShowMessageBoxAt(owner,
                     check == TInstanceCheck::NoGuard
                         ? QStringLiteral("このデータ保存フォルダーは使用できません  \r\n") + QDir::toNativeSeparators(root)
                         : dataRootInUseText(root, check, heldRoot)
                               + QStringLiteral("\r\n\r\nそのVelmoraを終了してから、もう一度お試しください  "),
                     AppTitle, MB_ICONWARNING);
    return false;
}

bool TDataRootMove::Prepare(QWidget *owner)
{
    const QStringList folders{root_, root_ + QStringLiteral("History/"), root_ + QStringLiteral("Other/")};
    bool ready = true;
    for (const QString &folder : folders) {
        const QStringList missing = missingFolders(folder);
        ready = ForceDirectories(folder);
        const int error = errno;
        for (const QString &made : missing)
            if (QFileInfo::exists(made))
                made_ << made;
        errno = error;
        if (!ready)
            break;
    }
    // A folder already there that cannot be written (a card locked against writing, a mount read-only, another
    // user's) would take the switch and then refuse the first book and every record.
    for (const QString &folder : ready ? folders : QStringList()) {
        const int blocked = WriteAccessError(folder);
        if (IsNotWritable(blocked)) {
            ShowMessageBoxAt(owner,
                             QStringLiteral("このデータ保存フォルダーは使用できません  \r\n") + QDir::toNativeSeparators(root_)
                                 + WriteFailureReason(blocked),
                             AppTitle, MB_ICONWARNING);
            return false;
        }
    }
    if (ready) {
        ready = copyDefaultHistories(root_ + QStringLiteral("History/"), &made_);
    }
    if (ready)
        return true;
    const QString reason = WriteFailureReason(errno);
    ShowMessageBoxAt(owner,
                     QStringLiteral("データ保存フォルダーが作成できませんでした  \r\n") + QDir::toNativeSeparators(root_) + reason,
                     AppTitle, MB_ICONERROR);
    return false;
}

void TDataRootMove::Complete()
{
    completed_ = true;
    // In use now: whatever the user keeps there from here on is never taken for what a killed move left.
    ForgetUnfinishedFolder(root_);
    // A process that took no hold at start (a tool, a test) keeps none.
    if (reserved_ && DataRootHold)
        DataRootHold->TakeOver(std::move(reserved_));
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

// F1 anywhere asks for help with the context of the focused control or its window. Shift+F10 anywhere opens the
// pop-up menu of the control that has the keys, as the Menu key does: Qt makes a pop-up request of the Menu key
// only, and a keyboard without that key has no other way to a pop-up's commands.
bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return QWidget::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_F1 && !key->isAutoRepeat()) {
        QWidget *focus = QApplication::focusWidget();
        AppHelp(0, HelpContextOf(focus ? focus : static_cast<QWidget *>(watched)));
        return true;
    }
    if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier && !key->isAutoRepeat()) {
        // The key reaches the widget that has the keys: the focused control, or an open pop-up. The request is
        // placed as Qt places the Menu key's.
        auto *target = static_cast<QWidget *>(watched);
        const QPoint at = target->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
        QContextMenuEvent request(QContextMenuEvent::Keyboard, at, target->mapToGlobal(at), key->modifiers());
        QApplication::sendEvent(target, &request);
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
    NarrowDataFolder();
    // Made before the hold, so that it runs once the hold has let go of the data root's lock.
    const auto restart = qScopeGuard(StartAskedRestart);
    QApplication::setApplicationName(AppTitle);
    QApplication::setQuitOnLastWindowClosed(false);
    // Set before the instance check, whose refusals are shown in a box.
    InstallFontSubstitutions();
    InstallUiFont();
    InstallQtTranslation();
    KeepWindowsOnScreen();
    // A start settles what a killed run left with the hold of the root the settings name, so that no copy running
    // there has its restore undone under it, then holds the root they name once settled, which a restore undone
    // has moved back: in its turn, so that a second start waits for both and finds the root this one runs on held.
    QString refusal;
    TMessageBoxRequest recovered;
    bool held;
    {
        const TStartTurn turn(DataFolder);
        held = holdSettingsRoot(&refusal);
        if (held && RecoverInterruptedWork) {
            recovered = RecoverInterruptedWork();
            held = holdSettingsRoot(&refusal);
        }
    }
    if (!held)
        return refusal.isEmpty() ? 0 : refuseStart(refusal);
    if (!DataRootHold->Reachable())
        PrintMessageToStderr(DataRootHold->WhyUnreachable() + QStringLiteral("\r\n次に起動したVelmoraは、この画面を前面に出せません"));
    InstallTypedTextAccessibility();
    InstallComboBoxAccessibility();
    KeepClosesOfBlockedWindows();

    SetHintPauses(300, 30);
    LocateInstalledData();
    if (!recovered.text.isEmpty())
        ShowMessageBoxAt(recovered.owner, recovered.text, recovered.caption, recovered.flags, recovered.placement);

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
