// F1 opens the operation guide at the page of the window in use: every window of the program the guide has a
// chapter for, and every dialog its commands open that has one, asks for that chapter's page, not the guide's
// first page its owner's help would give it.
#include "ProductWindows.h"

#include "GuidePages.h"

#include "core/Main.h"

namespace {

class HelpPages : public test::ProductWindows, public ::testing::WithParamInterface<const char *> {};

// The window's title without the document it shows ("宛名印刷 - 無題").
QString titleOf(const QWidget *window) { return window->windowTitle().section(QStringLiteral(" - "), 0, 0).trimmed(); }

// The page of the guide's chapter headed with the title, one of the titles an entry of the contents names with
// "／" between them; 0 where the guide has no chapter for it.
int chapterPage(const QString &title)
{
    static const std::vector<test::ContentsEntry> entries = test::contentsEntries();
    for (const test::ContentsEntry &e : entries)
        for (const QString &named : test::withoutBlanks(e.title).split(u'／'))
            if (named == test::withoutBlanks(title))
                return e.page;
    return 0;
}

}  // namespace

TEST_P(HelpPages, EveryWindowWithAChapterAsksForItsPage)
{
    ASSERT_GE(test::contentsEntries().size(), 60u);
    QPointer<QWidget> window = test::OpenProgramWindow(*this, GetParam());
    ASSERT_NE(window, nullptr) << "the window did not open";
    std::string wrong;
    const auto check = [&wrong](QWidget *opened) {
        const QString title = titleOf(opened);
        const int chapter = chapterPage(title);
        if (chapter == 0)
            return;
        const int asked = test::viewerPageOf(HelpContextOf(opened));
        if (!test::headingOf(test::pageText(asked)).contains(test::withoutBlanks(title)))
            wrong += title.toStdString() + ": page " + std::to_string(asked) + " for the chapter on page " +
                     std::to_string(chapter) + "\n";
    };
    check(window);
    for (QWidget *opened : test::PressEveryCommand(window, check))
        check(opened);
    EXPECT_EQ(wrong, "");
}

INSTANTIATE_TEST_SUITE_P(Windows, HelpPages, ::testing::ValuesIn(test::ProgramWindowNames()),
                         [](const ::testing::TestParamInfo<const char *> &info) { return std::string(info.param); });
