#include "base/FileReplace.h"
#include "base/SjisCodec.h"
#include "platform/MemIniFile.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>

#include <malloc.h>

TEST(MemIniFile, ReadsSectionsAndKeysWithoutRegardToCase)
{
    TMemIniFile ini(QString{});
    ini.SetText(Sjis::encode(QStringLiteral("[Base]\r\n  DataPath = /home/ユーザー/データ/  \r\nAdrsName=取引先\n"
                                            "; a comment\n[operation]\nViewSplash=0\n")));
    EXPECT_EQ(ini.ReadString(QStringLiteral("BASE"), QStringLiteral("datapath"), QString()),
              QStringLiteral("/home/ユーザー/データ/"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("base"), QStringLiteral("AdrsName"), QString()), QStringLiteral("取引先"));
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("OPERATION"), QStringLiteral("ViewSplash"), true));
    EXPECT_EQ(ini.ReadString(QStringLiteral("BASE"), QStringLiteral("Missing"), QStringLiteral("def")),
              QStringLiteral("def"));
    // The ideographic space is text, not a blank to trim.
    ini.SetText(Sjis::encode(QStringLiteral("[K]\r\nName1=\u3000キー\u3000\r\n")));
    EXPECT_EQ(ini.ReadString("K", "Name1", QString()), QStringLiteral("\u3000キー\u3000"));

    // The first of two equal keys is read; a section named twice is one section; letters beyond ASCII
    // (full-width, Greek) match in either case too.
    ini.SetText(Sjis::encode(QStringLiteral("[A]\nKey=1\nKEY=2\n[Ｂ]\nΣ=s\n[a]\nother=3\nkey=4\n")));
    EXPECT_EQ(ini.ReadSections(), (QStringList{"A", QStringLiteral("Ｂ")}));
    EXPECT_EQ(ini.ReadSection("a"), (QStringList{"Key", "other"}));
    EXPECT_EQ(ini.ReadString("A", "key", QString()), "1");
    EXPECT_EQ(ini.ReadString(QStringLiteral("ｂ"), QStringLiteral("σ"), QString()), "s");
    EXPECT_EQ(ini.ReadCount("A", "Key"), 1);
    ini.SetText("[DELETE]\nCount=2147483647\n1=x\n[RENAME]\nCount=-5\n");
    EXPECT_EQ(ini.ReadCount("DELETE", "Count"), 2);
    EXPECT_EQ(ini.ReadCount("RENAME", "Count"), 0);
    EXPECT_EQ(ini.ReadCount("NONE", "Count"), 0);

    // Characters beyond the first plane (held in memory only; the file cannot store them) are two keys when
    // they are two characters, though their second halves are alike.
    TMemIniFile wide(QString{});
    wide.WriteString("S", QStringLiteral("\U00020BB7"), "1");
    wide.WriteString("S", QStringLiteral("\U00020FB7"), "2");
    EXPECT_EQ(wide.ReadString("S", QStringLiteral("\U00020BB7"), QString()), "1");
    EXPECT_EQ(wide.ReadSection("S").size(), 2);
}

TEST(MemIniFile, IntegersThatAreNotNumbersGiveTheDefault)
{
    TMemIniFile ini(QString{});
    ini.SetText("[S]\nA=12\nB=abc\nC=\nD=$1F\nE=0x10\nF=-3\nG=99999999999\nH=1.5\nI=- 4\n");
    EXPECT_EQ(ini.ReadInteger("S", "A", 7), 12);
    EXPECT_EQ(ini.ReadInteger("S", "B", 7), 7);
    EXPECT_EQ(ini.ReadInteger("S", "C", 7), 7);
    EXPECT_EQ(ini.ReadInteger("S", "D", 7), 31);
    EXPECT_EQ(ini.ReadInteger("S", "E", 7), 16);
    EXPECT_EQ(ini.ReadInteger("S", "F", 7), -3);
    EXPECT_EQ(ini.ReadInteger("S", "G", 7), 7);
    EXPECT_EQ(ini.ReadInteger("S", "H", 7), 7);
    EXPECT_EQ(ini.ReadInteger("S", "I", 7), 7);
    EXPECT_TRUE(ini.ReadBool("S", "B", true));
    // A second sign is no number; the least 64-bit value behind it must not be negated.
    ini.SetText("[S]\nJ=--9223372036854775808\nK=-+5\nL=--5\nM=-$10\nN=-2147483648\n");
    EXPECT_EQ(ini.ReadInteger("S", "J", 7), 7);
    EXPECT_EQ(ini.ReadInteger("S", "K", 7), 7);
    EXPECT_EQ(ini.ReadInteger("S", "L", 7), 7);
    EXPECT_EQ(ini.ReadInteger("S", "M", 7), -16);
    EXPECT_EQ(ini.ReadInteger("S", "N", 7), INT_MIN);
}

TEST(MemIniFile, WritesKeepOrderAndCrlf)
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/sub/a.ini";
    TMemIniFile ini(file);
    ini.WriteString("SORT", "1", QStringLiteral("得意先"));
    ini.WriteString("SORT", "2", "b");
    ini.WriteInteger("VIEW", "BGColor", 14680047);
    ini.WriteBool("VIEW", "BGPaint", true);
    ini.WriteString("sort", "1", "a");  // same key, other case: replaced in place
    ini.UpdateFile();
    EXPECT_EQ(test::readFile(file), QByteArray("[SORT]\r\n1=a\r\n2=b\r\n\r\n[VIEW]\r\nBGColor=14680047\r\nBGPaint=1\r\n\r\n"));

    ini.WriteString("VIEW", "Last", "z");
    ini.EraseSection("Sort");
    ini.DeleteKey("VIEW", "BGPAINT");
    EXPECT_EQ(ini.ReadSections(), QStringList{"VIEW"});
    EXPECT_EQ(ini.ReadSection("VIEW"), (QStringList{"BGColor", "Last"}));
    // What follows a removed entry is still found, and new entries go after it.
    EXPECT_EQ(ini.ReadString("view", "last", QString()), "z");
    ini.WriteString("VIEW", "last", "y");
    ini.WriteString("SORT", "1", "c");
    EXPECT_EQ(ini.GetText(), QByteArray("[VIEW]\r\nBGColor=14680047\r\nLast=y\r\n\r\n[SORT]\r\n1=c\r\n\r\n"));
}

TEST(MemIniFile, CorruptAndTruncatedFilesStillRead)
{
    TMemIniFile ini(QString{});
    // Binary garbage, a section never closed, a key before any section and a cut-off last line.
    ini.SetText(QByteArray("orphan=1\n\x01\x02\xFF\xFE\n[BASE\n[BASE]\nAdrsName=\x93\x8C\n[VIEW]\nBGCol"));
    EXPECT_FALSE(ini.ValueExists("", "orphan"));
    EXPECT_EQ(ini.ReadString("BASE", "AdrsName", QString()), QStringLiteral("東"));
    EXPECT_EQ(ini.ReadInteger("VIEW", "BGCol", 5), 5);
    EXPECT_TRUE(ini.ValueExists("VIEW", "BGCol"));
}

TEST(MemIniFile, UnreadableFileIsNeverWrittenOver)
{
    QTemporaryDir dir;
    // A file that exists and opens but fails every read (EIO), whatever rights the test runs with.
    const QString file = dir.path() + "/Mirvale18.ini";
    ASSERT_TRUE(QFile::link("/proc/self/mem", file));
    TMemIniFile ini(file);
    EXPECT_TRUE(ini.ReadFailed());
    // The settings are still on disk, only this read failed: the save must not replace them.
    QFile::remove(file);
    test::writeFile(file, "[BASE]\r\nDataPath=/mine/\r\n");
    ini.WriteString("BASE", "DataPath", "/other/");
    EXPECT_THROW(ini.UpdateFile(), EIniFileError);
    EXPECT_EQ(test::readFile(file), QByteArray("[BASE]\r\nDataPath=/mine/\r\n"));
}

TEST(MemIniFile, TextWithoutShiftJisFormIsRefusedAndTheFileKept)
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/a.ini";
    test::writeFile(file, "[BASE]\r\nAdrsName=old\r\n");
    TMemIniFile ini(file);
    ini.WriteString("BASE", "AdrsName", QStringLiteral("한국"));
    EXPECT_THROW(ini.UpdateFile(), EIniFileError);
    EXPECT_EQ(test::readFile(file), QByteArray("[BASE]\r\nAdrsName=old\r\n"));
}

TEST(MemIniFile, UpdateFileReportsAFolderThatCannotBeWritten)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + "/ro";
    QDir().mkpath(folder);
    test::writeFile(folder + "/a.ini", "[A]\r\nk=1\r\n");
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    TMemIniFile ini(folder + "/a.ini");
    ini.WriteString("A", "k", "2");
    const bool rootLike = QFileInfo(folder).isWritable();
    if (!rootLike) {
        EXPECT_THROW(ini.UpdateFile(), EIniFileError);
    }
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!rootLike) {
        EXPECT_EQ(test::readFile(folder + "/a.ini"), QByteArray("[A]\r\nk=1\r\n"));
    }
}

TEST(MemIniFile, FullDiskKeepsTheOldFileAndIsReported)
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/Mirvale18.ini";
    const QByteArray old = "[BASE]\r\nAdrsName=old\r\n";
    test::writeFile(file, old);
    TMemIniFile ini(file);
    for (int i = 0; i < 20; ++i)
        ini.WriteString("ADRS LIST", QString::number(i), "a value longer than the room left");
    QString reported;
    {
        test::FullDisk disk;
        try {
            ini.UpdateFile();
        } catch (const EIniFileError &e) {
            reported = e.Message;
        }
    }
    // The file is named, and so is the full disk.
    EXPECT_EQ(reported, file + "\r\nファイルに書き込めませんでした\r\n\r\n" + DiskFullReason);
    EXPECT_EQ(test::readFile(file), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Mirvale18.ini"});
}

namespace {

// Bytes the heap hands out, in small blocks and in mapped ones.
size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// A file of one-key sections, each a line the size of a section name and a key: the shape that costs the
// most memory for its size.
QByteArray oneKeySections(qint64 atLeast)
{
    QByteArray text;
    for (int i = 0; text.size() < atLeast; ++i)
        text += "[S" + QByteArray::number(i) + "]\r\nk=v\r\n";
    return text;
}

}  // namespace

// A file larger than any the program writes is refused whole: its reads give the defaults, the message says
// why, and it is never written over. One at the bound is read.
TEST(MemIniFile, FileBeyondTheBoundIsRefusedWithItsReason)
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/Mirvale18.ini";
    QByteArray text = "[BASE]\r\nAdrsName=Book\r\n" + oneKeySections(TMemIniFile::MaxFileBytes - 100);
    text += QByteArray(TMemIniFile::MaxFileBytes - text.size() - 2, ';') + "\r\n";
    ASSERT_EQ(text.size(), TMemIniFile::MaxFileBytes);
    test::writeFile(file, text);
    {
        const TMemIniFile ini(file);
        EXPECT_FALSE(ini.ReadFailed());
        EXPECT_EQ(ini.ReadString("BASE", "AdrsName", QString()), "Book");
        EXPECT_EQ(ini.ReadString("S1000", "k", QString()), "v");
    }
    test::writeFile(file, text + "\n");
    TMemIniFile ini(file);
    EXPECT_TRUE(ini.ReadFailed());
    EXPECT_EQ(ini.ReadError(), QStringLiteral("ファイルが大きすぎるため読み込めませんでした"));
    EXPECT_EQ(ini.ReadString("BASE", "AdrsName", "def"), "def");
    ini.WriteString("BASE", "AdrsName", "other");
    try {
        ini.UpdateFile();
        ADD_FAILURE() << "an unread file was written over";
    } catch (const EIniFileError &e) {
        EXPECT_EQ(e.Message, file + QStringLiteral("\r\nファイルが大きすぎるため読み込めませんでした\r\nこのファイルには保存できません"));
    }
    EXPECT_EQ(test::readFile(file).size(), text.size() + 1);
}

// A file at the bound with bare line feeds is read, and written back with CRLF and a blank line after each
// section it would pass the bound: the write is refused with its reason and the file, still readable, stays as it
// was. Within the bound it is written, and read again.
TEST(MemIniFile, NothingIsWrittenThatTheNextReadWouldRefuse)
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/Mirvale18.ini";
    QByteArray text = "[BASE]\nAdrsName=Book\n" + oneKeySections(TMemIniFile::MaxFileBytes - 100).replace("\r\n", "\n");
    text.truncate(text.lastIndexOf("\n[") + 1);
    text += QByteArray(TMemIniFile::MaxFileBytes - text.size() - 1, ';') + "\n";
    ASSERT_EQ(text.size(), TMemIniFile::MaxFileBytes);
    test::writeFile(file, text);
    TMemIniFile ini(file);
    ASSERT_FALSE(ini.ReadFailed());
    ini.WriteString("BASE", "AdrsName", "Other");
    std::printf("a file of %lld bytes read is written as %lld bytes\n", static_cast<long long>(text.size()),
                static_cast<long long>(ini.GetText().size()));
    try {
        ini.UpdateFile();
        ADD_FAILURE() << "a file the next read refuses was written";
    } catch (const EIniFileError &e) {
        EXPECT_EQ(e.Message, file + QStringLiteral("\r\nファイルが大きすぎるため書き込めませんでした"));
    }
    EXPECT_EQ(test::readFile(file), text);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Mirvale18.ini"});
    EXPECT_EQ(TMemIniFile(file).ReadString("BASE", "AdrsName", QString()), "Book");

    // Half as long, the same kind of file is written and read back whole.
    test::writeFile(file, text.left(text.indexOf("\n[", text.size() / 2) + 1));
    TMemIniFile half(file);
    half.WriteString("BASE", "AdrsName", "Other");
    ASSERT_NO_THROW(half.UpdateFile());
    const TMemIniFile again(file);
    EXPECT_FALSE(again.ReadFailed());
    EXPECT_EQ(again.ReadString("BASE", "AdrsName", QString()), "Other");
    EXPECT_EQ(again.ReadString("S1000", "k", QString()), "v");
}

// Within the bound a file is held in memory of the order of its size, however it is cut into sections (an
// index of each section's names once took a couple of kilobytes for each one-key section: 674 MB for 7 MB).
// Sections of many keys are indexed and read the same.
TEST(MemIniFile, ManySectionsTakeMemoryOfTheOrderOfTheFile)
{
    const QByteArray text = oneKeySections(1 << 20);
    const size_t before = heapInUse();
    TMemIniFile ini(QString{});
    ini.SetText(text);
    const size_t held = heapInUse() - before;
    EXPECT_LT(held, 40u * text.size()) << held / 1024 << " KB held for " << text.size() / 1024 << " KB";
    EXPECT_EQ(ini.ReadString("s7000", "K", QString()), "v");

    // One section of many keys, looked up and changed without regard to case, before and after keys go.
    for (int i = 0; i < 40; ++i)
        ini.WriteString("Many", QStringLiteral("Key%1").arg(i), QString::number(i));
    ini.WriteString("MANY", "KEY3", "three");
    ini.DeleteKey("many", "key0");
    for (int i = 1; i < 30; ++i)
        ini.DeleteKey("many", QStringLiteral("KEY%1").arg(i + 10));
    EXPECT_EQ(ini.ReadSection("Many").size(), 10);
    EXPECT_EQ(ini.ReadString("many", "key3", QString()), "three");
    EXPECT_EQ(ini.ReadString("many", "KEY10", QString()), "10");
    EXPECT_FALSE(ini.ValueExists("many", "key0"));
    ini.WriteString("many", "key0", "again");
    EXPECT_EQ(ini.ReadSection("Many").last(), "key0");
}
