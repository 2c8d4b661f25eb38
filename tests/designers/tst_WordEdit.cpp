// The text entry dialog and its example library: the comma-text rule, the index and class files with their
// checked counts and confined paths, the library the build ships, and the dialog's settings, lists and edits.
#include "designers/WordEdit.h"
#include "designers/WordExamples.h"

#include "TestSupport.h"
#include "base/SjisCodec.h"
#include "core/Globals.h"
#include "drawing/Canvas.h"
#include "platform/MemIniFile.h"

#include <QDir>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QByteArray sjis(const QString &text)
{
    return Sjis::encode(text);
}

QList<QByteArray> fields(const char *utf8)
{
    return SplitCommaText(sjis(QString::fromUtf8(utf8)));
}

// A program folder of its own with the given index and class files (Shift-JIS, CR LF).
struct Library {
    QTemporaryDir dir;
    QString common() const { return dir.path() + QStringLiteral("/Common/"); }
    void write(const QString &name, const QString &text) const
    {
        test::writeFile(common() + name, sjis(QString(text).replace(u'\n', QStringLiteral("\r\n"))));
    }
};

}  // namespace

TEST(WordExamples, CommaTextRule)
{
    EXPECT_EQ(fields("年賀状,Text\\Nenga.rbf"), (QList<QByteArray>{sjis("年賀状"), "Text\\Nenga.rbf"}));
    // Quoted, a half-width space stays in the name; unquoted, it ends the field.
    EXPECT_EQ(fields("\"Summer Cards\",Text\\S.rbf"), (QList<QByteArray>{"Summer Cards", "Text\\S.rbf"}));
    EXPECT_EQ(fields("Summer Cards,Text\\S.rbf"), (QList<QByteArray>{"Summer", "Cards", "Text\\S.rbf"}));
    EXPECT_EQ(fields("  a ,  b  "), (QList<QByteArray>{"a", "b"}));
    EXPECT_EQ(fields("\"say \"\"hi\"\"\",x"), (QList<QByteArray>{"say \"hi\"", "x"}));
    EXPECT_EQ(fields("a,"), (QList<QByteArray>{"a", ""}));
    // The full-width space is an ordinary character; 表 ends in the byte of "\" and stays whole.
    EXPECT_EQ(fields("時候　表,f"), (QList<QByteArray>{sjis("時候　表"), "f"}));
    EXPECT_TRUE(fields("   ").isEmpty());
}

// A zero byte ends a line's fields; any bytes at all end in a bounded list of fields. The reading runs where
// memory is limited first, so a loop that never ends fails instead of taking the machine.
TEST(WordExamples, EveryByteSequenceEndsWithBoundedFields)
{
    Library lib;
    test::writeFile(lib.common() + "Text/Index.rbf", QByteArrayLiteral("\"Nenga\"\0,Text\\A.rbf\r\n"));
    ASSERT_EQ(test::RunWithAddressSpaceLimit(qint64(256) << 20, [&] {
        const TExampleIndex index = ReadExampleIndex(lib.common() + "Text/Index.rbf");
        if (!index.Classes.isEmpty() || index.Error.isEmpty())
            return 1;
        const char alphabet[] = {'\0', '\x01', ' ', ',', '"', 'a', '\x81', '\xff'};
        for (const char a : alphabet)
            for (const char b : alphabet)
                for (const char c : alphabet)
                    if (SplitCommaText(QByteArray(1, a) + b + c).size() > 4)
                        return 2;
        return 0;
    }), 0);

    EXPECT_EQ(SplitCommaText(QByteArrayLiteral("a,b\0,c")), (QList<QByteArray>{"a", "b"}));
    EXPECT_EQ(SplitCommaText(QByteArrayLiteral("\"x\0y\",z")), (QList<QByteArray>{"x"}));
    EXPECT_TRUE(SplitCommaText(QByteArrayLiteral("\0a,b")).isEmpty());
}

TEST(WordExamples, IndexStopsAtTheFirstEmptyLineAndAtALineWithOneField)
{
    Library lib;
    lib.write("Text/Index.rbf", "一,Text\\A.rbf\n二,Text\\B.rbf\n  \n三,Text\\C.rbf\n");
    TExampleIndex index = ReadExampleIndex(lib.common() + "Text/Index.rbf");
    ASSERT_EQ(index.Classes.size(), 2);
    EXPECT_EQ(index.Classes[1].Name, "二");
    EXPECT_EQ(index.Classes[1].File, "Text\\B.rbf");
    EXPECT_TRUE(index.Error.isEmpty());

    lib.write("Text/Index.rbf", "一,Text\\A.rbf\nひとつだけ\n三,Text\\C.rbf\n");
    index = ReadExampleIndex(lib.common() + "Text/Index.rbf");
    EXPECT_EQ(index.Classes.size(), 1);
    EXPECT_FALSE(index.Error.isEmpty());
}

TEST(WordExamples, WorkedExampleGivesTwoHeadings)
{
    Library lib;
    lib.write("Text/A.rbf", "2\n1\nX\n2\nY\nZ\n");
    const TExampleClassData data = ReadExampleClass(lib.common() + "Text/A.rbf");
    EXPECT_TRUE(data.Error.isEmpty());
    EXPECT_EQ(data.Examples, (QStringList{"X", "Y\r\nZ"}));
}

TEST(WordExamples, CountsAreCheckedAndWhatWasReadIsKept)
{
    Library lib;
    const auto read = [&](const QString &text) {
        lib.write("Text/A.rbf", text);
        return ReadExampleClass(lib.common() + "Text/A.rbf");
    };
    // A count no file can hold is refused before anything is made of it.
    TExampleClassData data = read("2000000000\n1\nX\n");
    EXPECT_FALSE(data.Error.isEmpty());
    EXPECT_TRUE(data.Examples.isEmpty());
    EXPECT_FALSE(read("zwei\n1\nX\n").Error.isEmpty());
    EXPECT_FALSE(read("-1\n").Error.isEmpty());
    // A line count of 0 would give an example without a heading and shift every heading after it.
    data = read("2\n1\nX\n0\n1\nY\n");
    EXPECT_FALSE(data.Error.isEmpty());
    EXPECT_EQ(data.Examples, QStringList{"X"});
    // More lines promised than the file holds.
    data = read("2\n1\nX\n5\nY\nZ\n");
    EXPECT_FALSE(data.Error.isEmpty());
    EXPECT_EQ(data.Examples, QStringList{"X"});
    EXPECT_FALSE(ReadExampleClass(lib.common() + "Text/none.rbf").Error.isEmpty());
    // Nothing is read after the last example.
    data = read("1\n1\nX\ngarbage\n");
    EXPECT_TRUE(data.Error.isEmpty());
    EXPECT_EQ(data.Examples, QStringList{"X"});
}

TEST(WordExamples, ClassFilesStayInsideCommon)
{
    const QString common = QStringLiteral("/opt/app/Common/");
    EXPECT_EQ(ExampleClassPath(common, "Text\\A.rbf"), "/opt/app/Common/Text/A.rbf");
    EXPECT_EQ(ExampleClassPath(common, "A.rbf"), "/opt/app/Common/A.rbf");
    EXPECT_EQ(ExampleClassPath(common, "Text\\..\\A.rbf"), "/opt/app/Common/A.rbf");
    EXPECT_TRUE(ExampleClassPath(common, "..\\..\\etc\\passwd").isEmpty());
    EXPECT_TRUE(ExampleClassPath(common, "Text/../../Dic/Geo.dic").isEmpty());
    EXPECT_TRUE(ExampleClassPath(common, "/etc/passwd").isEmpty());
    EXPECT_TRUE(ExampleClassPath(common, "\\etc\\passwd").isEmpty());
    EXPECT_TRUE(ExampleClassPath(common, "").isEmpty());
    EXPECT_TRUE(ExampleClassPath(common, "..\\Common2\\A.rbf").isEmpty());
}

TEST(WordExamples, WrittenFilesReadBack)
{
    Library lib;
    const QStringList examples{"謹賀新年\r\n本年もよろしく", "暑中お見舞い申し上げます"};
    test::writeFile(lib.common() + "Text/A.rbf", ExampleClassBytes(examples));
    EXPECT_EQ(ReadExampleClass(lib.common() + "Text/A.rbf").Examples, examples);
    const QList<TExampleClass> classes{{"Summer Cards", "Text\\A.rbf"}, {"年賀状", "Text\\B b.rbf"}};
    const QByteArray index = ExampleIndexBytes(classes);
    EXPECT_TRUE(index.endsWith("\r\n"));
    test::writeFile(lib.common() + "Text/Index.rbf", index);
    const TExampleIndex back = ReadExampleIndex(lib.common() + "Text/Index.rbf");
    ASSERT_EQ(back.Classes.size(), 2);
    EXPECT_EQ(back.Classes[0].Name, "Summer Cards");
    EXPECT_EQ(back.Classes[1].File, "Text\\B b.rbf");
}

TEST(WordExamples, ShippedLibraryCoversTheOccasions)
{
    const QString common = test::appDir() + QStringLiteral("Common/");
    const QByteArray raw = test::readFile(common + "Text/Index.rbf");
    EXPECT_FALSE(raw.contains("\n") && !raw.contains("\r\n"));
    const TExampleIndex index = ReadExampleIndex(common + "Text/Index.rbf");
    ASSERT_TRUE(index.Error.isEmpty());
    QStringList names;
    for (const TExampleClass &entry : index.Classes) {
        names.append(entry.Name);
        const TExampleClassData data = ReadExampleClass(ExampleClassPath(common, entry.File));
        EXPECT_TRUE(data.Error.isEmpty()) << entry.File.toStdString();
        EXPECT_GE(data.Examples.size(), 2) << entry.File.toStdString();
    }
    const QString all = names.join(u' ');
    for (const char *occasion : {"年賀状", "寒中見舞い", "喪中", "暑中見舞い", "残暑見舞い", "転居", "結婚", "出産",
                                 "ビジネス", "お礼", "時候", "結び"})
        EXPECT_TRUE(all.contains(QString::fromUtf8(occasion))) << occasion;
}

class WordEditDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedApp = AppFolder;
        savedData = DataFolder;
        AppFolder = lib.dir.path() + "/";
        DataFolder = data.path() + "/";
        lib.write("Text/Index.rbf", "一般,Text\\A.rbf\n\"Two Words\",Text\\B.rbf\n外,..\\..\\A.rbf\n");
        lib.write("Text/A.rbf", "2\n1\nX\n2\nY\nZ\n");
        lib.write("Text/B.rbf", "1\n1\nB\n");
    }
    void TearDown() override
    {
        AppFolder = savedApp;
        DataFolder = savedData;
    }
    void setIni(const QString &key, int value)
    {
        TMemIniFile ini(DataFolder + SettingsFileName);
        ini.WriteInteger("WORDEDIT", key, value);
        ini.UpdateFile();
    }
    int ini(const QString &key) { return TMemIniFile(DataFolder + SettingsFileName).ReadInteger("WORDEDIT", key, -99); }
    template <class T> static T *control(QWidget *in, const char *name)
    {
        T *c = in->findChild<T *>(QLatin1String(name));
        EXPECT_TRUE(c) << name;
        return c;
    }

    Library lib;
    QTemporaryDir data;
    QString savedApp, savedData;
    test::MessageBoxScript boxes;
};

TEST_F(WordEditDialogTest, ListsClassesHeadingsAndTheChosenExample)
{
    setIni("Example", 1);
    TWordEditDialog dialog(nullptr);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto *classes = control<QListWidget>(&dialog, "lbClass");
    auto *headings = control<QListWidget>(&dialog, "lbIndex");
    auto *example = control<QPlainTextEdit>(&dialog, "memExample");
    ASSERT_EQ(classes->count(), 3);
    EXPECT_EQ(classes->item(1)->text(), "2: Two Words");
    ASSERT_EQ(headings->count(), 2);
    EXPECT_EQ(headings->item(0)->text(), "1: X");
    EXPECT_EQ(headings->item(1)->text(), "2: Y");
    EXPECT_EQ(example->toPlainText(), "X");
    headings->setCurrentRow(1);
    EXPECT_EQ(example->toPlainText(), "Y\nZ");
    // A look at the window as the user sees it, when asked for.
    if (qEnvironmentVariableIsSet("VELMORA_SHOT_DIR"))
        dialog.grab().save(qEnvironmentVariable("VELMORA_SHOT_DIR") + "/WordEdit.png");

    // A class whose file lies outside the program's Common folder is refused; its headings stay empty.
    boxes.clear();
    classes->setCurrentRow(2);
    EXPECT_EQ(headings->count(), 0);
    EXPECT_EQ(example->toPlainText(), "");
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.texts()[0].startsWith("例文ファイルが正しくありません"));

    boxes.clear();
    EXPECT_FALSE(dialog.LoadClass(3));
    EXPECT_EQ(boxes.texts(), QStringList{"例文データがありません"});
}

TEST_F(WordEditDialogTest, AppendAndRewrite)
{
    setIni("Example", 1);
    TWordEditDialog dialog(nullptr);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    control<QListWidget>(&dialog, "lbIndex")->setCurrentRow(1);
    auto *words = control<QPlainTextEdit>(&dialog, "memWords");
    dialog.SetLines({"前文  "});
    control<QPushButton>(&dialog, "bbtnAppend")->click();
    EXPECT_EQ(dialog.GetLines(), (QStringList{"前文", "Y", "Z"}));
    words->clear();
    control<QPushButton>(&dialog, "bbtnAppend")->click();
    EXPECT_EQ(dialog.GetLines(), (QStringList{"Y", "Z"}));
    // Blanks only are left as they are.
    words->setPlainText("  ");
    control<QPushButton>(&dialog, "bbtnAppend")->click();
    EXPECT_EQ(words->toPlainText(), "  Y\nZ");
    control<QListWidget>(&dialog, "lbIndex")->setCurrentRow(0);
    control<QPushButton>(&dialog, "bbtnRewrite")->click();
    EXPECT_EQ(dialog.GetLines(), QStringList{"X"});
}

TEST_F(WordEditDialogTest, DirectionAndResults)
{
    TWordEditDialog dialog(nullptr);
    dialog.SetDirection(1);
    EXPECT_EQ(dialog.GetDirection(), 1);
    dialog.SetDirection(7);
    EXPECT_EQ(dialog.GetDirection(), 1);
    dialog.SetDirection(0);
    EXPECT_EQ(dialog.GetDirection(), 0);
    EXPECT_EQ(control<QRadioButton>(&dialog, "rbVertical")->palette().color(QPalette::ButtonText), QColor(Qt::blue));
    // The text is edited horizontally at 11 points in the object's face, without its vertical "@".
    TFont font;
    font.Log.Font.setFamily(QStringLiteral("@ＭＳ 明朝"));
    font.Log.Font.setPointSize(30);
    font.Log.Escapement = 2700;
    dialog.SetEditFont(font);
    const QFont edit = control<QPlainTextEdit>(&dialog, "memWords")->font();
    EXPECT_EQ(edit.family(), QStringLiteral("ＭＳ 明朝"));
    EXPECT_EQ(edit.pointSize(), 11);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(WordEditDialogTest, ExamplePaneSettings)
{
    // A value other than 0 or 1 starts hidden and is saved back as 0.
    for (int stored : {5, -1}) {
        setIni("Example", stored);
        TWordEditDialog dialog(nullptr);
        EXPECT_FALSE(dialog.ExamplesShown());
        EXPECT_TRUE(control<QWidget>(&dialog, "pnlExample")->isHidden());
        EXPECT_EQ(control<QPushButton>(&dialog, "bbtnExample")->text(), "文例を表示(&E)");
        dialog.reject();
        EXPECT_EQ(ini("Example"), 0);
    }
    // Too small a saved size opens at the least one; the pane's state decides the least height.
    setIni("Width", 300);
    setIni("Height", 100);
    {
        TWordEditDialog dialog(nullptr);
        EXPECT_EQ(dialog.width(), 500);
        EXPECT_EQ(dialog.height(), 179);
    }
    setIni("Example", 1);
    {
        TWordEditDialog dialog(nullptr);
        EXPECT_EQ(dialog.height(), 451);
    }
    // Only one of the two saved: the design size.
    TMemIniFile file(DataFolder + SettingsFileName);
    file.DeleteKey("WORDEDIT", "Height");
    file.WriteInteger("WORDEDIT", "Example", 0);
    file.UpdateFile();
    TWordEditDialog dialog(nullptr);
    EXPECT_EQ(dialog.width(), 545);
    EXPECT_EQ(dialog.height(), 179);
}

TEST_F(WordEditDialogTest, HidingThePaneKeepsTheTextPane)
{
    setIni("Example", 1);
    TWordEditDialog dialog(nullptr);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto *words = control<QWidget>(&dialog, "pnlWords");
    const int textHeight = words->height();
    const int windowHeight = dialog.height();
    control<QPushButton>(&dialog, "bbtnExample")->click();
    QApplication::processEvents();
    EXPECT_FALSE(dialog.ExamplesShown());
    EXPECT_LT(dialog.height(), windowHeight);
    EXPECT_EQ(words->height(), textHeight);
    control<QPushButton>(&dialog, "bbtnExample")->click();
    QApplication::processEvents();
    EXPECT_EQ(dialog.height(), windowHeight);
    EXPECT_EQ(words->height(), textHeight);
    dialog.accept();
    EXPECT_EQ(ini("Example"), 1);
    EXPECT_EQ(ini("Height"), windowHeight);
}

TEST_F(WordEditDialogTest, MissingIndexLeavesAPlainTextEntry)
{
    QFile::remove(lib.common() + "Text/Index.rbf");
    TWordEditDialog dialog(nullptr);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(boxes.texts(), QStringList{"例分ファイルが見つかりません"});
    EXPECT_EQ(control<QListWidget>(&dialog, "lbClass")->count(), 0);
    dialog.SetLines({"一行目", "二行目"});
    EXPECT_EQ(dialog.GetLines(), (QStringList{"一行目", "二行目"}));
}

TEST_F(WordEditDialogTest, PaneShownOnAWindowAsTallAsTheWorkAreaShrinksTheTextPane)
{
    TWordEditDialog dialog(nullptr);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QRect work = dialog.screen()->availableGeometry();
    const int frame = dialog.frameGeometry().height() - dialog.height();
    dialog.resize(dialog.width(), work.height() - frame);
    QApplication::processEvents();
    const int windowHeight = dialog.height();
    const int textHeight = control<QWidget>(&dialog, "pnlWords")->height();
    control<QPushButton>(&dialog, "bbtnExample")->click();
    QApplication::processEvents();
    EXPECT_TRUE(dialog.ExamplesShown());
    EXPECT_EQ(dialog.height(), windowHeight);
    EXPECT_LT(control<QWidget>(&dialog, "pnlWords")->height(), textHeight);
    EXPECT_GE(dialog.frameGeometry().top(), work.top());
    EXPECT_LE(dialog.frameGeometry().bottom(), work.bottom());
}
