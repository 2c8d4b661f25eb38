// The small platform layers: the message box's buttons, registry hives, run-time libraries, the modal run and the single instance.
#include "base/Folders.h"
#include "base/RuntimeLibrary.h"
#include "platform/Forms.h"
#include "platform/MessageBox.h"
#include "platform/Registry.h"
#include "platform/SingleInstance.h"
#include "platform/Translation.h"

#include "TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDirIterator>
#include <QLocalServer>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSet>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QWindow>

#include <gtest/gtest.h>

#include <set>

TEST(Registry, MachineHiveIsFoundAlongConfigDirs)
{
    QTemporaryDir dir;
    const QByteArray saved = qgetenv("XDG_CONFIG_DIRS");
    qputenv("XDG_CONFIG_DIRS", (dir.path() + "/none:" + dir.path() + "/etc").toLocal8Bit());
    test::writeFile(dir.path() + "/etc/Tzo/registry.ini",
                    "[SOFTWARE\\Tzo\\Mirvale\\18.0]\r\nType=0041\r\n");
    TRegistry reg;
    reg.RootKey = TRootKey::HKEY_LOCAL_MACHINE;
    EXPECT_FALSE(reg.OpenKeyReadOnly("SOFTWARE\\Tzo\\Missing"));
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\software\\tzo\\mirvale\\18.0"));
    EXPECT_TRUE(reg.ValueExists("Type"));
    EXPECT_EQ(reg.ReadString("type"), "0041");
    EXPECT_EQ(reg.ReadString("Other"), QString());
    reg.RootKey = TRootKey::HKEY_CURRENT_USER;
    EXPECT_FALSE(reg.OpenKeyReadOnly("SOFTWARE\\Tzo\\Mirvale\\18.0"));
    qputenv("XDG_CONFIG_DIRS", saved);
}

TEST(RuntimeLibrary, DocumentedNamesMapToSharedObjectsAndFailuresNameTheFile)
{
    EXPECT_EQ(TRuntimeLibrary::FileNameFor("Kvphone.dll"), "Kvphone.so");
    QTemporaryDir dir;
    TRuntimeLibrary lib;
    EXPECT_FALSE(lib.Load(dir.path() + "/", "Kvphone.dll"));
    EXPECT_FALSE(lib.IsLoaded());
    EXPECT_EQ(lib.LoadErrorText(), QStringLiteral("Kvphone.so LoadLibrary Error\r\nDLLのロードに失敗しました"));
    EXPECT_EQ(lib.ProcErrorText("KVPhonePrefix"),
              QStringLiteral("KVPhonePrefix (Kvphone.so) GetProcAddress Error\r\n関数の割り当てに失敗しました"));
    // A file that is not a library is refused, not crashed on.
    test::writeFile(dir.path() + "/Kvbad.so", "not an ELF file");
    EXPECT_FALSE(lib.Load(dir.path() + "/", "Kvbad.dll"));
    EXPECT_FALSE(lib.ErrorString().isEmpty());
    EXPECT_EQ(lib.GetProcAddress("anything"), nullptr);
}

TEST(Folders, DelimitersAndXdgFolders)
{
    EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), "/a/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/a/"), "/a/");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/a//"), "/a");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", "relative/path");  // not absolute: ignored, as the XDG rules say
    EXPECT_TRUE(GetAllUsersDataFolder().endsWith("/.local/share/"));
    qputenv("XDG_DATA_HOME", saved);
    EXPECT_EQ(GetAllUsersDataFolder(), QString::fromLocal8Bit(saved) + "/");
}

TEST(Forms, ShowModalReturnsTheResultTheFormClosedWith)
{
    QMainWindow form;
    QTimer::singleShot(0, &form, [&] {
        form.setProperty("ModalResult", mrOk);
        form.close();
    });
    EXPECT_EQ(ShowModal(&form), mrOk);
    QMainWindow other;
    QTimer::singleShot(0, &other, [&] { other.close(); });
    EXPECT_EQ(ShowModal(&other), mrCancel);
}

// A window freed on close, closed while one of its boxes is open: it lives until the code that asked has
// returned, then closes as the event loop comes round; a second command of the window is refused while the box
// is open.
TEST(Forms, AWindowClosedWhileItAsksClosesOnceTheQuestionHasReturned)
{
    test::MessageBoxScript boxes;
    QPointer<QWidget> window = new QWidget;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    int commands = 0;
    bool aliveAfterTheBox = false;
    const auto command = [&] {
        const TWindowCommand running(window);
        if (!running)
            return;
        ++commands;
        ShowMessageBoxAt(window, QStringLiteral("よろしいですか？"), AppTitle, MB_YESNO);
        aliveAfterTheBox = !window.isNull() && window->isVisible();
    };
    bool closedInside = true;
    boxes.answer(IDYES, [&] {
        command();
        window->close();
        closedInside = window.isNull() || !window->isVisible();
    });
    command();
    EXPECT_EQ(commands, 1);
    EXPECT_FALSE(closedInside);
    EXPECT_TRUE(aliveAfterTheBox);
    test::handlerReturned();
    EXPECT_TRUE(window.isNull());

    // Without a command running the box alone holds the close back, until the code that asked has returned.
    QPointer<QWidget> plain = new QWidget;
    plain->setAttribute(Qt::WA_DeleteOnClose);
    plain->show();
    boxes.answer(IDOK, [&] { plain->close(); });
    ShowMessageBoxAt(plain, QStringLiteral("お知らせ"), AppTitle, MB_OK);
    ASSERT_FALSE(plain.isNull());
    EXPECT_TRUE(plain->isVisible());
    test::handlerReturned();
    EXPECT_TRUE(plain.isNull());
}

// A close held back by a box, then another close asked while the code that asked still runs (letting events in),
// refused by the window's question: that answer stands, and the close held before asks no more.
TEST(Forms, AHeldCloseAnsweredByALaterCloseAsksNoMore)
{
    test::MessageBoxScript boxes;
    struct TRefusing : QWidget {
        int asked = 0;
        void closeEvent(QCloseEvent *event) override
        {
            ++asked;
            event->ignore();
        }
    } window;
    window.show();
    boxes.answer(IDOK, [&] { window.close(); });
    ShowMessageBoxAt(&window, QStringLiteral("お知らせ"), AppTitle, MB_OK);
    EXPECT_EQ(window.asked, 0);
    window.close();
    EXPECT_EQ(window.asked, 1);
    test::handlerReturned();
    EXPECT_EQ(window.asked, 1);
    EXPECT_TRUE(window.isVisible());
}

namespace {

// A window beside the main one whose close question closes the windows beside it, as the main list's end does.
struct TEndingWindow : QWidget {
    std::vector<QPointer<QWidget>> beside;
    void closeEvent(QCloseEvent *event) override
    {
        const bool closes = AskBeforeClose(this, [this] {
            for (const QPointer<QWidget> &w : beside)
                if (w && !w->close())
                    return false;
            return true;
        });
        event->setAccepted(closes);
    }
};

// A job of window that lets events in between its steps until it is stopped or has taken steps steps: the steps
// it took. whileRunning runs at its first step.
int runJob(QWidget *window, int steps, const std::function<void()> &whileRunning)
{
    bool stopped = false;
    const TWindowWork work(window, [&stopped] { stopped = true; });
    int taken = 0;
    for (; taken < steps && !stopped; ++taken) {
        if (taken == 0)
            whileRunning();
        QCoreApplication::processEvents();
    }
    return taken;
}

}  // namespace

// The end asked while a window beside it works, by a press of 終了 or the window manager, or the working window
// closed itself: the job stops at its next step, the window stays until the job has ended, then closes, and the
// end that waited for it goes on.
TEST(Forms, AnEndAskedWhileAWindowWorksStopsTheJobAndEndsOnceItHasEnded)
{
    for (const bool itself : {false, true}) {
        SCOPED_TRACE(itself ? "the working window closed" : "the end");
        TEndingWindow end;
        QPointer<QWidget> working = new QWidget;
        working->setAttribute(Qt::WA_DeleteOnClose);
        end.beside = {working};
        end.show();
        working->show();
        bool keptMeanwhile = false;
        const int steps = runJob(working, 1000, [&] {
            (itself ? working.data() : static_cast<QWidget *>(&end))->close();
            keptMeanwhile = working && working->isVisible() && end.isVisible();
        });
        EXPECT_TRUE(keptMeanwhile);
        EXPECT_EQ(steps, 1);
        test::handlerReturned();
        EXPECT_FALSE(working);
        EXPECT_EQ(end.isVisible(), itself);
    }
}

// The same while a modal dialog of the ending window works (an import under the main list), or waits for its
// job's start (its question or file dialog still up, the press that starts it on its way): the close reaches the
// dialog, whose job stops at its next step, or at once when it starts as one running when the end came; the
// dialog closes once the job has ended, then the window.
TEST(Forms, AnEndAskedWhileItsModalDialogWorksStopsTheDialogsJobAndEndsAfterIt)
{
    for (const bool beforeTheJob : {false, true}) {
        SCOPED_TRACE(beforeTheJob ? "asked before the job started" : "asked while it ran");
        TEndingWindow end;
        end.show();
        QDialog dialog(&end);
        int steps = -1;
        bool keptMeanwhile = false;
        const auto askEnd = [&] {
            QCloseEvent close;
            QCoreApplication::sendEvent(end.windowHandle(), &close);
            keptMeanwhile = dialog.isVisible() && end.isVisible();
        };
        QTimer::singleShot(0, &dialog, [&] {
            if (beforeTheJob)
                askEnd();
            steps = runJob(&dialog, 1000, [&] {
                if (!beforeTheJob)
                    askEnd();
            });
        });
        // A dialog left open would hold the test for ever.
        QTimer stuck;
        stuck.setSingleShot(true);
        QObject::connect(&stuck, &QTimer::timeout, &dialog, &QDialog::accept);
        stuck.start(30000);
        EXPECT_EQ(ExecDialog(dialog), QDialog::Rejected);
        EXPECT_TRUE(keptMeanwhile);
        EXPECT_EQ(steps, beforeTheJob ? 0 : 1);
        test::handlerReturned();
        EXPECT_FALSE(end.isVisible());
    }
}

namespace {

struct SourceLine {
    QString file;  // below src/
    int number;
    QString text;
    QString code;  // the text before a "//" comment
};

// Every line of the program's sources.
std::vector<SourceLine> sourceLines()
{
    const QString root = test::sourceDir() + QStringLiteral("src/");
    std::vector<SourceLine> found;
    QDirIterator it(root, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        for (int i = 0; i < lines.size(); ++i)
            found.push_back({path.mid(root.size()), i + 1, lines[i], lines[i].section(QStringLiteral("//"), 0, 0)});
    }
    return found;
}

QString where(const SourceLine &line)
{
    return QStringLiteral("%1:%2: %3").arg(line.file).arg(line.number).arg(line.text.trimmed());
}

// The services of the record form (RecordFormServices.h) whose code may ask or open a dialog: those that run
// one of the form's members doing so, followed through the members they call, the buttons they click and the
// close they ask for.
QSet<QString> recordFormServicesThatAsk()
{
    QHash<QString, QString> bodies;  // member -> its code
    QHash<QString, QString> handlerOf;  // control -> the member its press runs
    const QRegularExpression definition(QStringLiteral(R"(^\S[^(]*\bTDataInquiry::(\w+)\s*\()"));
    const QRegularExpression connection(QStringLiteral(R"(connect\((\w+),[^;]*&TDataInquiry::(\w+)\))"));
    QString member;
    QSet<QString> services;
    const QRegularExpression service(QStringLiteral(R"(virtual\s[^;(]*\b(\w+)\s*\()"));
    for (const SourceLine &line : sourceLines()) {
        if (line.file == QLatin1String("mainlist/RecordFormServices.h"))
            if (const auto m = service.match(line.code); m.hasMatch())
                services << m.captured(1);
        if (!line.file.startsWith(QLatin1String("records/DtInqiry")) || !line.file.endsWith(QLatin1String(".cpp")))
            continue;
        if (const auto m = connection.match(line.code); m.hasMatch())
            handlerOf[m.captured(1)] = m.captured(2);
        if (const auto m = definition.match(line.code); m.hasMatch())
            member = m.captured(1);
        if (!member.isEmpty())
            bodies[member] += line.code + QLatin1Char('\n');
        const bool oneLine = line.text.endsWith(QLatin1Char('}')) && definition.match(line.code).hasMatch();
        if (oneLine || line.text == QLatin1String("}"))
            member.clear();
    }
    const QRegularExpression dialog(
        QStringLiteral(R"(\b(?:ExecDialog|ShowMessageBoxAt|ShowModal|RunAsCommandOf)\s*\()"));
    const QRegularExpression call(QStringLiteral(R"(\b(\w+)\s*(?:->\s*click\s*)?\()"));
    QSet<QString> asking;
    for (bool grew = true; grew;) {
        grew = false;
        for (auto b = bodies.cbegin(); b != bodies.cend(); ++b) {
            if (asking.contains(b.key()))
                continue;
            bool asks = dialog.match(b.value()).hasMatch();
            for (auto m = call.globalMatch(b.value()); m.hasNext() && !asks;) {
                const QString name = m.next().captured(1);
                asks = asking.contains(name) || asking.contains(handlerOf.value(name))
                       || (name == QLatin1String("close") && asking.contains(QStringLiteral("closeEvent")));
            }
            if (asks) {
                asking << b.key();
                grew = true;
            }
        }
    }
    return asking & services;
}

}  // namespace

// A window closed by a screen reader while one of its dialogs is open must not free the dialog under its own
// loop: every dialog of the program runs through ExecDialog. What runs an event loop of its own and is no dialog
// of a window is named here, with the reason.
TEST(Forms, EveryDialogRunsAsACommandOfItsWindow)
{
    const std::set<std::pair<QString, QString>> allowed = {
        {"platform/Forms.cpp", "loop.exec"},       // the modal run of a top-level form
        {"platform/Forms.cpp", "dialog.exec"},     // ExecDialog itself
        {"platform/MessageBox.cpp", "box.exec"},   // holds its owner's command itself
        {"geo/MapView.cpp", "TMapView::exec"},     // the map view's own exec, run through ExecDialog
        {"geo/MapView.cpp", "QDialog::exec"},
        {"exchange/UpdDlg.cpp", "loop.exec"},      // waits for an answer of the network, no window
        {"core/Main.cpp", "app.exec"},             // the programs' main loops
        {"imgview/program/ImgViewMain.cpp", "app.exec"},
        {"widgets/SortListViewLogic.cpp", "drag->exec"},  // a drag, held by the mouse button over its view
    };
    const QRegularExpression call(QStringLiteral(
        R"(([\w\]\)]+\s*(?:\.|->|::)\s*exec)\s*\(|\b(Q(?:File|Input|Color|Font)Dialog::get\w+|)"
        R"(QMessageBox::(?:information|question|warning|critical|about\w*))\s*\()"));
    const std::vector<SourceLine> lines = sourceLines();
    QSet<QString> files;
    QStringList direct;
    for (const SourceLine &line : lines) {
        files << line.file;
        for (auto m = call.globalMatch(line.code); m.hasNext();) {
            const auto found = m.next();
            QString what = found.captured(1).isEmpty() ? found.captured(2) : found.captured(1);
            what.remove(QLatin1Char(' '));
            if (!allowed.count({line.file, what}))
                direct << where(line);
        }
    }
    EXPECT_GT(files.size(), 100);
    EXPECT_TRUE(direct.isEmpty()) << direct.join(QLatin1Char('\n')).toStdString();
}

// A handler that runs another window's action or handler, or a service of the record form that may ask or open
// a dialog, goes on after it: that dialog runs as a command of the caller's window too (RunAsCommandOf), or the
// caller is closed and freed while it is open.
TEST(Forms, EveryDialogOfAnotherWindowRunsAsACommandOfTheCallerToo)
{
    const QSet<QString> asking = recordFormServicesThatAsk();
    for (const char *service : {"CheckUnsavedChanges", "BeginNewRecord"})
        EXPECT_TRUE(asking.contains(QLatin1String(service))) << service;
    const QRegularExpression call(
        QStringLiteral(R"(\b\w+\s*->\s*(?:act\w+\s*->\s*(?:trigger|activate)|\w+(?:Execute|Click))\s*\()"
                       R"(|\bRecordForm\s*->\s*(\w+)\s*\()"));
    QStringList uncovered;
    for (const SourceLine &line : sourceLines())
        for (auto m = call.globalMatch(line.code); m.hasNext();) {
            const QString service = m.next().captured(1);
            const bool covered = line.code.contains(QLatin1String("RunAsCommandOf("));
            if ((service.isEmpty() || asking.contains(service)) && !covered)
                uncovered << where(line);
        }
    EXPECT_TRUE(uncovered.isEmpty()) << uncovered.join(QLatin1Char('\n')).toStdString();
}

TEST(SingleInstance, SecondCheckAsksTheFirstToRestore)
{
    const QString name = "VelmoraTest." + QString::number(QCoreApplication::applicationPid());
    QTemporaryDir dir;
    const QString data = dir.filePath("a/Data/");
    std::unique_ptr<TInstanceGuard> first;
    ASSERT_FALSE(CheckSingleInstance(first, name, data, true));
    ASSERT_TRUE(first);
    QSignalSpy restored(first.get(), &TInstanceGuard::RestoreRequested);

    std::unique_ptr<TInstanceGuard> second;
    EXPECT_TRUE(CheckSingleInstance(second, name, data, true));
    EXPECT_FALSE(second);
    EXPECT_TRUE(restored.wait(3000));

    // A copy running over another data root is an instance of its own.
    std::unique_ptr<TInstanceGuard> otherData;
    EXPECT_FALSE(CheckSingleInstance(otherData, name, dir.filePath("b/Data/"), false));
    EXPECT_TRUE(otherData);

    // Once the first instance is gone its name is free again, with no stale file to clean up.
    first.reset();
    std::unique_ptr<TInstanceGuard> third;
    EXPECT_FALSE(CheckSingleInstance(third, name, data, false));
}

// One data root is one instance however it is reached: through a symbolic link, spelt with "..", or held by a
// process whose socket went missing (the lock in the root still stands).
TEST(SingleInstance, OneDataRootOneInstanceHoweverItIsNamed)
{
    const QString name = "VelmoraTest." + QString::number(QCoreApplication::applicationPid());
    QTemporaryDir dir;
    const QString data = dir.filePath("real/Data/");
    std::unique_ptr<TInstanceGuard> first;
    ASSERT_FALSE(CheckSingleInstance(first, name, data, false));
    ASSERT_TRUE(QFile::link(dir.filePath("real"), dir.filePath("linked")));
    for (const QString &other : {dir.filePath("linked/Data/"), dir.filePath("real/Data/../Data")}) {
        std::unique_ptr<TInstanceGuard> second;
        EXPECT_TRUE(CheckSingleInstance(second, name, other, false)) << other.toStdString();
        EXPECT_FALSE(second);
    }
    // Under another instance name the socket differs; the root's lock still says a copy runs there.
    std::unique_ptr<TInstanceGuard> renamed;
    EXPECT_TRUE(CheckSingleInstance(renamed, name + "x", data, false));
    first.reset();
    EXPECT_FALSE(CheckSingleInstance(renamed, name + "x", dir.filePath("linked/Data/"), false));
}

TEST(MessageBox, StandardButtonsReadInJapaneseOnceQtsTranslationIsLoaded)
{
    ASSERT_TRUE(InstallQtTranslation());
    const struct {
        unsigned flags;
        QStringList captions;
    } cases[] = {
        {MB_YESNO | MB_ICONQUESTION, {QStringLiteral("はい"), QStringLiteral("いいえ")}},
        {MB_YESNOCANCEL, {QStringLiteral("はい"), QStringLiteral("いいえ"), QStringLiteral("キャンセル")}},
        {MB_OKCANCEL, {QStringLiteral("OK"), QStringLiteral("キャンセル")}},
        {MB_OK | MB_ICONINFORMATION, {QStringLiteral("OK")}},
    };
    for (const auto &c : cases) {
        QStringList shown;
        QTimer::singleShot(0, [&shown] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            for (QAbstractButton *b : box->buttons())
                shown << b->text().remove(QRegularExpression(QStringLiteral("\\(&.\\)|&")));
            box->buttons().last()->click();
        });
        ShowMessageBoxAt(nullptr, QStringLiteral("よろしいですか？  "), AppTitle, c.flags, mbpSystem);
        std::sort(shown.begin(), shown.end());
        QStringList expected = c.captions;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(shown, expected);
    }
    for (QTranslator *t : QCoreApplication::instance()->findChildren<QTranslator *>())
        QCoreApplication::removeTranslator(t);
}

// A box left where the system puts it comes up in the middle of the screen's work area, also when its owner is
// the hidden main form of the start-up (whose never-shown geometry sits at the screen's corner). Placed on an
// owner, it is centred on that owner.
TEST(MessageBox, ASystemPlacedBoxIsCentredOnTheScreenWhateverItsOwner)
{
    QWidget hiddenOwner;
    QWidget shownOwner;
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    shownOwner.setGeometry(work.left() + 10, work.top() + 10, 300, 200);
    shownOwner.show();
    const struct {
        const char *what;
        QWidget *owner;
        int placement;
        QPoint centre;
    } cases[] = {
        {"hidden owner", &hiddenOwner, mbpSystem, work.center()},
        {"no owner", nullptr, mbpSystem, work.center()},
        {"centred on a shown owner", &shownOwner, mbpCentreOnOwner, shownOwner.frameGeometry().center()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        QRect shown;
        QTimer::singleShot(0, [&shown] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            shown = box->frameGeometry();
            box->buttons().last()->click();
        });
        ShowMessageBoxAt(c.owner, QStringLiteral("使用可能な CD-ROM/DVD-ROM ドライブが検出できませんでした  "), AppTitle,
                         MB_ICONINFORMATION, c.placement);
        ASSERT_FALSE(shown.isNull());
        EXPECT_LE((shown.center() - c.centre).manhattanLength(), 4)
            << shown.x() << "," << shown.y() << " " << shown.width() << "x" << shown.height();
    }
}
