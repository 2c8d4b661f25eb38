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
#include "platform/SingleInstance.h"
#include "platform/Translation.h"
#include "widgets/ShiftJisValidator.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
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
        const int result = dialog.exec();
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
    // Keyed on the data root, not on the settings folder: two settings folders can name one data root, and
    // two copies over one book overwrite each other's changes.
    std::unique_ptr<TInstanceGuard> instance;
    if (CheckSingleInstance(instance, InstanceName,
                            ReadDataRootFolder(TMemIniFile(DataFolder + SettingsFileName)), true))
        return 0;

    QApplication::setApplicationName(AppTitle);
    QApplication::setQuitOnLastWindowClosed(false);
    InstallFontSubstitutions();
    InstallUiFont();
    InstallQtTranslation();
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
    QObject::connect(instance.get(), &TInstanceGuard::RestoreRequested, &mainForm, [&mainForm] {
        QWidget *front = QApplication::activeModalWidget();
        if (!front)
            front = mainForm.MainList();
        ForceForegroundWindow(front);
    });
    mainForm.FormCreate();
    const int code = app.exec();
    MainForm = nullptr;
    return code;
}
