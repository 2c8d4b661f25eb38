// The program's hyphenation wrapper: one load for all users, the error boxes of a missing library or function,
// and numbers shown trimmed whenever the library cannot hyphenate them.
#include "TestSupport.h"

#include "core/Hyphen.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class Hyphen : public ::testing::Test {
protected:
    QString dicFolder() const { return test::appDir() + QStringLiteral("Dic/"); }

    // Every test leaves the library unloaded, as the process starts.
    void TearDown() override { EXPECT_EQ(TryHyphenatePhone(probe_, {}), hyphenNotLoaded); }

    test::MessageBoxScript boxes;
    QTemporaryDir emptyFolder;

private:
    QByteArray probe_ = "0312345678";
};

TEST_F(Hyphen, MissingLibraryShowsOneBoxAndIsNotRetried)
{
    const QString folder = emptyFolder.path() + QStringLiteral("/");
    EXPECT_EQ(LoadHyphenDll(folder, folder), hyphenLibraryMissing);
    ASSERT_EQ(boxes.shown().size(), 1u);
    const TMessageBoxRequest &box = boxes.shown().front();
    EXPECT_EQ(box.caption, QStringLiteral("Kvdash.so LoadLibrary Error"));
    EXPECT_EQ(box.text, QStringLiteral("Kvdash.so\r\nDLLのロードに失敗しました"));
    EXPECT_EQ(box.flags & 0xF0, MB_ICONERROR);
    EXPECT_EQ(box.owner, nullptr);

    // The failed user stays counted: even with the library now in place, the next user does not load it.
    ASSERT_TRUE(QFile::copy(test::appDir() + QStringLiteral("Kvdash.so"), folder + QStringLiteral("Kvdash.so")));
    EXPECT_EQ(LoadHyphenDll(folder, dicFolder()), 0);
    EXPECT_EQ(boxes.shown().size(), 1u);

    QByteArray number = "0312345678";
    EXPECT_EQ(TryHyphenatePhone(number, dicFolder()), hyphenNotLoaded);
    EXPECT_EQ(number, "0312345678");
    EXPECT_EQ(HyphenatePhone(" 0312345678 "), "0312345678");
    EXPECT_EQ(boxes.shown().size(), 1u);

    // With both users gone, the next one loads afresh.
    FreeHyphenDll();
    FreeHyphenDll();
    EXPECT_EQ(LoadHyphenDll(folder, dicFolder()), 0);
    EXPECT_EQ(HyphenatePhone("0312345678"), "03-1234-5678");
    FreeHyphenDll();
    EXPECT_EQ(boxes.shown().size(), 1u);
}

TEST_F(Hyphen, MissingFunctionDropsTheUserAndFreesTheLibrary)
{
    EXPECT_EQ(LoadHyphenDll(QStringLiteral(VELMORA_NO_GETHYPHEN_DIR), dicFolder()), hyphenFunctionMissing);
    ASSERT_EQ(boxes.shown().size(), 1u);
    const TMessageBoxRequest &box = boxes.shown().front();
    EXPECT_EQ(box.caption, QStringLiteral("Kvdash.so GetProcAddress Error"));
    EXPECT_EQ(box.text, QStringLiteral("GetHyphen\r\n関数の割り当てに失敗しました"));
    EXPECT_EQ(box.flags & 0xF0, MB_ICONERROR);
    EXPECT_EQ(HyphenatePhone("0312345678"), "0312345678");

    // No user is left behind, so the next one loads the real library.
    EXPECT_EQ(LoadHyphenDll(test::appDir(), dicFolder()), 0);
    EXPECT_EQ(HyphenatePhone("0312345678"), "03-1234-5678");
    FreeHyphenDll();
}

TEST_F(Hyphen, LoadedTwiceFreedTwice)
{
    EXPECT_EQ(LoadHyphenDll(test::appDir(), dicFolder()), 0);
    EXPECT_EQ(LoadHyphenDll(test::appDir(), dicFolder()), 0);
    EXPECT_TRUE(boxes.shown().empty());
    FreeHyphenDll();
    EXPECT_EQ(HyphenatePhone("09012345678"), "090-1234-5678");
    FreeHyphenDll();
    QByteArray number = "09012345678";
    EXPECT_EQ(TryHyphenatePhone(number, {}), hyphenNotLoaded);
    FreeHyphenDll();  // one free too many changes nothing
    EXPECT_EQ(LoadHyphenDll(test::appDir(), dicFolder()), 0);
    EXPECT_EQ(HyphenatePhone("09012345678"), "090-1234-5678");
    FreeHyphenDll();
}

TEST_F(Hyphen, HyphenatesOrFallsBackToTheTrimmedNumber)
{
    ASSERT_EQ(LoadHyphenDll(test::appDir(), dicFolder()), 0);

    EXPECT_EQ(HyphenatePhone(" 0312345678\t"), "03-1234-5678");
    EXPECT_EQ(HyphenatePhone("0120-123456"), "0120-123-456");
    EXPECT_EQ(HyphenatePhone(""), "");
    EXPECT_EQ(HyphenatePhone("   "), "");
    EXPECT_EQ(HyphenatePhone(" 0180991234 "), "0180991234");        // not in the numbering plan
    EXPECT_EQ(HyphenatePhone(" 03(1234)5678 "), "03(1234)5678");    // not only digits

    QByteArray unknown = "0180991234";
    EXPECT_EQ(TryHyphenatePhone(unknown, {}), 8);
    EXPECT_EQ(unknown, "0180991234");

    // A dictionary folder of the caller's own, with or without its "/", wins over the default.
    const QString empty = emptyFolder.path();
    QByteArray number = "0312345678";
    EXPECT_EQ(TryHyphenatePhone(number, empty), 1);
    EXPECT_EQ(number, "0312345678");
    EXPECT_EQ(HyphenatePhone("0312345678", empty + QStringLiteral("/")), "0312345678");
    EXPECT_EQ(TryHyphenatePhone(number, test::appDir() + QStringLiteral("Dic")), 0);
    EXPECT_EQ(number, "03-1234-5678");

    EXPECT_TRUE(boxes.shown().empty());
    FreeHyphenDll();
}

}  // namespace
