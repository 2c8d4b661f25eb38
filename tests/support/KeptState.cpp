#include "KeptState.h"

#include "TestSupport.h"
// Header-only: the values live in every test program, whether it links the core or not.
#include "core/Globals.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QMap>
#include <QPointer>
#include <QWidget>

#include <tuple>

extern char **environ;

namespace test {

namespace {

// Every value of core/Globals.h a run changes; a value added there belongs here as well.
auto programValues()
{
    return std::tie(AppFolder, DataFolder, CategoryFolder, DataRootFolder, AdrsFolder, OtherFolder, HistoryFolder,
                    LayoutFolder, LabelFolder, CardFolder, DesignFolder, HddInstalled, HddDataFolder, ViewSplash,
                    FirstRun, DataPathReset, ChooseBookAtStart, UpdateDomain, UpdateCheckPath, UpdateAppPath, DiscPath,
                    SearchDriveExtend, EnableVicinage, DiscDrives, DiscDriveCount, CurrentAdrsName, AdrsBookList,
                    CurrentAdrsIndex, GroupNames, KeywordNames, KeywordModes, HistoryCount, AddressChangeData,
                    AddressFormClose, AddressConfirmation, AddressOutOfTarget, AddressSameNum, ViewBGPaint, ViewBGColor,
                    CooperateMap, CooperateMapSearchKind, CooperateRoot, UpdateCheckAtStart, StartupPassword, MainForm,
                    SplashForm, InputPasswordForm);
}
// A copy of them.
auto programValuesNow()
{
    return std::apply([](auto &...value) { return std::make_tuple(value...); }, programValues());
}

QMap<QByteArray, QByteArray> environment()
{
    QMap<QByteArray, QByteArray> variables;
    for (char **entry = environ; *entry; ++entry) {
        const QByteArray text(*entry);
        const qsizetype equals = text.indexOf('=');
        variables.insert(text.left(equals), text.mid(equals + 1));
    }
    return variables;
}

bool messageBoxHandlerSet()
{
    TMessageBoxHandler handler = SetMessageBoxHandler(nullptr);
    const bool set = static_cast<bool>(handler);
    SetMessageBoxHandler(std::move(handler));
    return set;
}

// Every file and folder of the private folders, by path (a folder's ends with "/").
QStringList privateEntries()
{
    QStringList entries;
    for (const char *variable : {"XDG_DATA_HOME", "XDG_CONFIG_HOME"}) {
        const QString folder = qEnvironmentVariable(variable) + QLatin1Char('/');
        for (const QString &entry : entriesBelow(folder))
            entries << folder + entry;
    }
    return entries;
}

// Those entries with each file's bytes.
QMap<QString, QByteArray> privateFiles()
{
    QMap<QString, QByteArray> files;
    for (const QString &entry : privateEntries())
        files.insert(entry, entry.endsWith(QLatin1Char('/')) ? QByteArray() : readFile(entry));
    return files;
}

void putBackFiles(const QMap<QString, QByteArray> &before)
{
    const QStringList now = privateEntries();
    // Deepest first, so a folder is empty by the time it is removed.
    for (auto it = now.crbegin(); it != now.crend(); ++it) {
        if (before.contains(*it))
            continue;
        if (it->endsWith(QLatin1Char('/')))
            QDir().rmdir(*it);
        else
            QFile::remove(*it);
    }
    for (auto it = before.keyValueBegin(); it != before.keyValueEnd(); ++it) {
        if (it->first.endsWith(QLatin1Char('/')))
            QDir().mkpath(it->first);
        else if (!now.contains(it->first) || readFile(it->first) != it->second)
            writeFile(it->first, it->second);
    }
}

bool isWindow(const QWidget *widget)
{
    const Qt::WindowType type = widget->windowType();
    return widget->isVisible() && type != Qt::ToolTip && type != Qt::Popup && type != Qt::Desktop;
}

}  // namespace

struct KeptState::Snapshot {
    decltype(programValuesNow()) program = programValuesNow();
    QMap<QByteArray, QByteArray> environment = test::environment();
    bool messageBoxHandler = messageBoxHandlerSet();
    QMap<QString, QByteArray> files = privateFiles();
    QList<QPointer<QWidget>> windows;
    bool quitOnLastWindowClosed = QGuiApplication::quitOnLastWindowClosed();
    QFont font = QApplication::font();
    QString applicationName = QCoreApplication::applicationName();
};

KeptState::KeptState() = default;
KeptState::~KeptState() = default;

void KeptState::OnTestStart(const ::testing::TestInfo &)
{
    before_ = std::make_unique<Snapshot>();
    for (QWidget *window : QApplication::topLevelWidgets())
        if (isWindow(window))
            before_->windows << window;
}

void KeptState::OnTestEnd(const ::testing::TestInfo &)
{
    // The windows the test closed go now, under its own values, not in the next test's event loop.
    handlerReturned();
    const Snapshot &before = *before_;
    const QMap<QByteArray, QByteArray> now = environment();
    for (auto it = now.keyValueBegin(); it != now.keyValueEnd(); ++it)
        if (before.environment.value(it->first, it->second + '-') != it->second) {
            ADD_FAILURE() << "The test left the environment variable " << it->first.constData() << " set to \""
                          << it->second.constData() << "\"";
            if (before.environment.contains(it->first))
                qputenv(it->first.constData(), before.environment.value(it->first));
            else
                qunsetenv(it->first.constData());
        }
    for (auto it = before.environment.keyValueBegin(); it != before.environment.keyValueEnd(); ++it)
        if (!now.contains(it->first)) {
            ADD_FAILURE() << "The test left the environment variable " << it->first.constData() << " unset";
            qputenv(it->first.constData(), it->second);
        }
    if (messageBoxHandlerSet() != before.messageBoxHandler) {
        ADD_FAILURE() << "The test left the message box handler "
                      << (before.messageBoxHandler ? "removed" : "installed");
        if (!before.messageBoxHandler)
            SetMessageBoxHandler(nullptr);
    }
    for (QWidget *window : QApplication::topLevelWidgets())
        if (isWindow(window) && !before.windows.contains(window)) {
            ADD_FAILURE() << "The test left the window " << qUtf8Printable(windowName(*window)) << " shown";
            window->hide();
        }

    programValues() = before.program;
    putBackFiles(before.files);
    QGuiApplication::setQuitOnLastWindowClosed(before.quitOnLastWindowClosed);
    if (QApplication::font() != before.font)
        QApplication::setFont(before.font);
    QCoreApplication::setApplicationName(before.applicationName);
    before_.reset();
}

}  // namespace test
