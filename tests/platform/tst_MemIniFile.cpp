#include "base/SjisCodec.h"
#include "platform/MemIniFile.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <climits>

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
    if (!rootLike)
        EXPECT_THROW(ini.UpdateFile(), EIniFileError);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!rootLike)
        EXPECT_EQ(test::readFile(folder + "/a.ini"), QByteArray("[A]\r\nk=1\r\n"));
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
    bool reported = false;
    {
        test::FullDisk disk;
        try {
            ini.UpdateFile();
        } catch (const EIniFileError &) {
            reported = true;
        }
    }
    EXPECT_TRUE(reported);
    EXPECT_EQ(test::readFile(file), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Mirvale18.ini"});
}
