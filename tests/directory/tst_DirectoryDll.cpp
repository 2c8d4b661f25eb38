// The directory library's loader and wrappers against the real Kvdir17.so, a library lacking one entry and a
// folder without any.
#include "directory/DirectoryDll.h"

#include "TestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

namespace {

template <class T>
T filled(unsigned char byte)
{
    T record;
    std::memset(&record, byte, sizeof record);
    return record;
}

template <class T>
bool same(const T &a, const T &b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Calls every wrapper on records filled with a pattern; true when each answered 103 and touched nothing.
void expectNotLoaded()
{
    auto request = filled<TDirectoryTelRequest>(0xAB);
    auto condition = filled<TDirectoryCondition>(0xAB);
    condition.PageSize = 2;
    auto resume = filled<TDirectoryResume>(0xAB);
    TDirectoryDetail details[KVDIR_TEL_RESULTS];
    std::memset(details, 0xAB, sizeof details);
    auto detail = filled<TDirectoryDetail>(0xAB);
    TDirectoryHit page[2];
    std::memset(page, 0xAB, sizeof page);
    const auto requestBefore = request;
    const auto conditionBefore = condition;
    const auto resumeBefore = resume;
    const auto detailBefore = detail;
    int32_t count = 77;
    const char *const names[2] = {"", ""};

    EXPECT_EQ(DirectorySearchTel(request, details, count), directoryNotLoaded);
    EXPECT_EQ(DirectorySearchTelOne(request, detail, 5), directoryNotLoaded);
    EXPECT_EQ(DirectorySearchArea(condition, page, count, resume, directoryReserved, nullptr, names), directoryNotLoaded);
    EXPECT_EQ(DirectorySearchAreaCount(condition, count, directoryReserved, nullptr, names), directoryNotLoaded);
    EXPECT_EQ(count, 77);
    EXPECT_TRUE(same(request, requestBefore));
    EXPECT_TRUE(same(condition, conditionBefore));
    EXPECT_TRUE(same(resume, resumeBefore));
    EXPECT_TRUE(same(detail, detailBefore));
    EXPECT_TRUE(same(details[0], filled<TDirectoryDetail>(0xAB)));
    EXPECT_TRUE(same(page[1], filled<TDirectoryHit>(0xAB)));
}

// A count call that reaches the library answers with the library's own code, never 103.
int countCode()
{
    TDirectoryCondition condition{};
    condition.PageSize = 20;
    int32_t count = 0;
    const char *const names[2] = {"", ""};
    return DirectorySearchAreaCount(condition, count, directoryReserved, nullptr, names);
}

}  // namespace

TEST(DirectoryDll, WrappersAnswerNotLoadedAndTouchNothing) { expectNotLoaded(); }

TEST(DirectoryDll, LibraryLackingAnUncalledEntryIsRefused)
{
    test::MessageBoxScript boxes;
    EXPECT_EQ(LoadDirectoryDll(QStringLiteral(PARTIAL_KVDIR17_DIR)), directoryFunctionMissing);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text,
              QStringLiteral("kvdir_tel_mask (Kvdir17.so) GetProcAddress Error  \r\n関数の割り当てに失敗しました  "));
    EXPECT_EQ(boxes.shown()[0].caption, QStringLiteral("Velmora"));
    EXPECT_EQ(boxes.shown()[0].flags, MB_OK | MB_ICONERROR);
    // The loader gave its user back: nothing is loaded and nothing is left to free.
    expectNotLoaded();
    EXPECT_EQ(LoadDirectoryDll(test::appDir()), 0);
    FreeDirectoryDll();
    EXPECT_EQ(countCode(), directoryNotLoaded);
}

TEST(DirectoryDll, UsersShareTheLibraryAndAFailedLoadStaysCounted)
{
    test::MessageBoxScript boxes;
    QTemporaryDir empty;
    EXPECT_EQ(LoadDirectoryDll(empty.path() + "/"), directoryLoadFailed);
    ASSERT_EQ(boxes.texts(), QStringList{QStringLiteral("Kvdir17.so LoadLibrary Error  \r\nDLLのロードに失敗しました  ")});
    expectNotLoaded();

    // The failed user still counts, so the library loaded by the next one outlives one free.
    EXPECT_EQ(LoadDirectoryDll(test::appDir()), 0);
    EXPECT_EQ(LoadDirectoryDll(test::appDir()), 0);
    EXPECT_NE(countCode(), directoryNotLoaded);
    FreeDirectoryDll();
    EXPECT_NE(countCode(), directoryNotLoaded);
    FreeDirectoryDll();
    EXPECT_NE(countCode(), directoryNotLoaded);
    FreeDirectoryDll();
    EXPECT_EQ(countCode(), directoryNotLoaded);
    EXPECT_EQ(boxes.shown().size(), 1u);
}

TEST(DirectoryDll, FoldersReachTheLibraryTrimmedWithOneSlash)
{
    char folder[256] = {};
    std::strcpy(folder, "  /srv/velmora/Dt00   ");
    NormalizeDirectoryFolder(folder);
    EXPECT_STREQ(folder, "/srv/velmora/Dt00/");
    NormalizeDirectoryFolder(folder);
    EXPECT_STREQ(folder, "/srv/velmora/Dt00/");

    test::MessageBoxScript boxes;
    ASSERT_EQ(LoadDirectoryDll(test::appDir()), 0);
    TDirectoryTelRequest request{};
    std::strcpy(request.Tel, "0312345678");
    request.One = 1;
    std::strcpy(request.DataFolder, "/nowhere/Dt00  ");
    std::strcpy(request.DicFolder, " /nowhere/Dic/ ");
    TDirectoryDetail detail{};
    EXPECT_NE(DirectorySearchTelOne(request, detail, 0), directoryNotLoaded);
    EXPECT_STREQ(request.DataFolder, "/nowhere/Dt00/");
    EXPECT_STREQ(request.DicFolder, "/nowhere/Dic/");
    FreeDirectoryDll();
}
