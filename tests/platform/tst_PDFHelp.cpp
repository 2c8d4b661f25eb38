#include "FakePrograms.h"

#include "platform/PDFHelp.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>

namespace {

// A guide and a PATH holding only the viewers a test puts there.
class PDFHelpTest : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    const QString viewers = tmp.path() + QStringLiteral("/viewers");
    const QString guide = tmp.path() + QStringLiteral("/program/Mirvale18.pdf");
    const QString log = tmp.path() + QStringLiteral("/argv.txt");
    test::ScopedPath path{viewers};

    void SetUp() override
    {
        QDir().mkpath(viewers);
        test::writeFile(guide, "%PDF-1.4\n");
    }

    // The guide object as the main form sets it up.
    void setUp(TPDFHelp &help)
    {
        help.FindReader();
        help.SetPdfFile(guide);
        help.SetTitle(QStringLiteral("Velmora 操作ガイド"));
        help.SetPageOffset(3);
        help.SetUsePageOffset(true);
    }

    // Arguments the viewer was started with; the log is removed for the next start.
    QStringList viewerArgv()
    {
        if (!test::waitForFile(log))
            return {};
        const QStringList lines = test::readLines(log);
        QFile::remove(log);
        return lines;
    }

    static bool processRuns(qint64 pid) { return ::kill(pid_t(pid), 0) == 0 || errno != ESRCH; }
};

}  // namespace

TEST_F(PDFHelpTest, HelpContextsAreShiftedByTheOffsetAndTheViewerCountsFromOne)
{
    test::writeArgvRecorder(viewers + QStringLiteral("/evince"), log);
    TPDFHelp help;
    setUp(help);
    ASSERT_EQ(help.ErrorCode(), 0);
    EXPECT_FALSE(help.Unavailable());
    EXPECT_EQ(help.ReaderName(), QStringLiteral("evince"));
    EXPECT_EQ(help.ReaderFolder(), viewers + '/');  // joined with the name, it must still be a path

    help.ShowPage(5);  // page 8
    EXPECT_EQ(viewerArgv(), QStringList({"-i", "9", guide}));
    help.ShowPage(1);  // page 4, the first after the title and introduction
    EXPECT_EQ(viewerArgv(), QStringList({"-i", "5", guide}));
    help.ShowPage(0);  // page 0: contexts below 1 are not shifted
    EXPECT_EQ(viewerArgv(), QStringList({"-i", "1", guide}));

    help.SetUsePageOffset(false);
    help.ShowPage(5);
    EXPECT_EQ(viewerArgv(), QStringList({"-i", "6", guide}));
    help.OpenAt(0);
    EXPECT_EQ(viewerArgv(), QStringList({"-i", "1", guide}));
    EXPECT_EQ(help.ErrorCode(), 0);
}

TEST_F(PDFHelpTest, EachViewerIsToldThePageItsOwnWay)
{
    const struct {
        const char *viewer;
        QStringList argv;
    } cases[] = {
        {"okular", {"-p", "9", guide}},
        {"zathura", {"-P", "9", guide}},
        {"qpdfview", {guide + "#9"}},
        {"mupdf", {guide, "9"}},
        {"xdg-open", {guide}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.viewer);
        QDir(viewers).removeRecursively();
        test::writeArgvRecorder(viewers + '/' + c.viewer, log);
        TPDFHelp help;
        setUp(help);
        EXPECT_EQ(help.ReaderName(), QLatin1String(c.viewer));
        help.ShowPage(5);
        EXPECT_EQ(viewerArgv(), c.argv);
    }
}

TEST_F(PDFHelpTest, AViewerThatTakesAPageIsPreferredToTheDesktopOpener)
{
    test::writeArgvRecorder(viewers + QStringLiteral("/xdg-open"), log);
    test::writeArgvRecorder(viewers + QStringLiteral("/zathura"), log);
    TPDFHelp help;
    help.FindReader();
    EXPECT_EQ(help.ReaderName(), QStringLiteral("zathura"));
}

TEST_F(PDFHelpTest, NoViewerMakesHelpUnavailableWithTheAdvice)
{
    TPDFHelp help;
    setUp(help);
    EXPECT_TRUE(help.Unavailable());
    EXPECT_EQ(help.ErrorCode(), 101);
    EXPECT_EQ(help.UnavailableMessage(),
              QStringLiteral("PDF ビューアがインストールされていません  \r\n\r\n操作ガイドの表示には PDF ビューア"
                             "（evince、okular など）が必要です  \r\nインストールされているかご確認ください  "));
}

TEST_F(PDFHelpTest, MissingGuideIsReportedAtOnceWithItsTitle)
{
    test::writeArgvRecorder(viewers + QStringLiteral("/evince"), log);
    QFile::remove(guide);
    test::MessageBoxScript boxes;
    TPDFHelp help;
    setUp(help);
    EXPECT_TRUE(help.PdfFile().isEmpty());

    help.ShowPage(5);
    EXPECT_EQ(help.ErrorCode(), 201);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, QStringLiteral("『Velmora 操作ガイド』が見つかりません  "));
    EXPECT_EQ(boxes.shown()[0].caption, QStringLiteral("Velmora"));
    EXPECT_EQ(boxes.shown()[0].flags, MB_ICONERROR);
    EXPECT_FALSE(test::waitForFile(log, 300));
}

TEST_F(PDFHelpTest, ViewerThatCannotStartFailsSilently)
{
    test::writeArgvRecorder(viewers + QStringLiteral("/evince"), log);
    test::MessageBoxScript boxes;
    TPDFHelp help;
    setUp(help);
    QFile::remove(viewers + QStringLiteral("/evince"));

    help.ShowPage(5);
    EXPECT_EQ(help.ErrorCode(), 301);
    EXPECT_EQ(help.ErrorText(), QStringLiteral("PDFファイルの呼び出しができませんでした  \r\nRC = 301  "));
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(PDFHelpTest, OneGuideWindowAtATimeAndClosedWithTheProgram)
{
    const QString pidFile = tmp.path() + QStringLiteral("/pid.txt");
    test::writeArgvRecorder(viewers + QStringLiteral("/evince"), log,
                            "echo $$ > '" + pidFile.toLocal8Bit() + "'\nexec sleep 30\n");
    TPDFHelp help;
    setUp(help);

    help.ShowPage(1);
    ASSERT_FALSE(viewerArgv().isEmpty());
    ASSERT_TRUE(test::waitForFile(pidFile));
    const qint64 first = test::readLines(pidFile).value(0).toLongLong();
    ASSERT_GT(first, 0);
    EXPECT_TRUE(processRuns(first));

    QFile::remove(pidFile);
    help.ShowPage(2);
    ASSERT_FALSE(viewerArgv().isEmpty());
    ASSERT_TRUE(test::waitForFile(pidFile));
    const qint64 second = test::readLines(pidFile).value(0).toLongLong();
    EXPECT_FALSE(processRuns(first));
    EXPECT_TRUE(processRuns(second));

    help.CloseDocument();
    EXPECT_FALSE(processRuns(second));
}

TEST_F(PDFHelpTest, ShippedGuideHasTheChapterOfAHelpContextOnItsPage)
{
    // The viewer stand-in prints the page it was asked for as searchable text.
    test::writeScript(viewers + QStringLiteral("/evince"),
                      "pdftotext -f \"$2\" -l \"$2\" \"$3\" '" + log.toLocal8Bit() + ".part'\nmv '" +
                          log.toLocal8Bit() + ".part' '" + log.toLocal8Bit() + "'\n");
    TPDFHelp help;
    setUp(help);
    help.SetPdfFile(test::appDir() + QStringLiteral("Mirvale18.pdf"));
    ASSERT_FALSE(help.PdfFile().isEmpty());

    help.ShowPage(0);
    EXPECT_TRUE(viewerArgv().join('\n').contains(QStringLiteral("Velmora 操作ガイド")));
    help.ShowPage(1);  // the start-up password dialog's help context
    EXPECT_TRUE(viewerArgv().join('\n').contains(QStringLiteral("起動時パスワードの入力")));
}
