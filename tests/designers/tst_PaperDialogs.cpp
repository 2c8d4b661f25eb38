// The paper dialog and the user paper dialog over the shipped "Lyt.fmt" and a private "CstmL.fmt".
#include "designers/CstmLyt.h"
#include "designers/LytFmt.h"

#include "TestSupport.h"
#include "Accessibility.h"
#include "base/FileReplace.h"
#include "base/SjisCodec.h"
#include "core/Globals.h"
#include "core/SharedHelpers.h"
#include "widgets/ShiftJisValidator.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class PaperDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppFolder = test::appDir();
        DataRootFolder = dir.path() + "/";
    }
    TNewLayoutDialog &open()
    {
        dialog = std::make_unique<TNewLayoutDialog>(nullptr);
        dialog->resize(640, 480);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return *dialog;
    }
    template <class T>
    T *control(QWidget *in, const char *name)
    {
        T *c = in->findChild<T *>(QLatin1String(name));
        EXPECT_TRUE(c) << name;
        return c;
    }
    template <class T>
    T *control(const char *name)
    {
        return control<T>(dialog.get(), name);
    }
    int masterIndexOf(const QString &name)
    {
        const auto &formats = dialog->MasterFormats().Formats;
        for (int i = 0; i < int(formats.size()); ++i)
            if (Sjis::decode(formats[i].Name) == name)
                return i;
        return -1;
    }
    // Adds a user paper through the 登録 button: the user paper dialog gets name and, when given, a width.
    void addCustom(const QString &name, const QString &width = {})
    {
        QTimer::singleShot(0, [this, name, width] {
            auto *custom = qobject_cast<TCustomLayoutFormatDialog *>(QApplication::activeModalWidget());
            ASSERT_TRUE(custom);
            control<QLineEdit>(custom, "edName")->setText(name);
            if (!width.isEmpty()) {
                QLineEdit *edit = control<QLineEdit>(custom, "edPaperWidth");
                edit->setText(width);
                emit edit->editingFinished();
            }
            control<QPushButton>(custom, "btnOK")->click();
            if (custom->isVisible())
                custom->reject();
        });
        const bool envelope = control<QComboBox>("cbxPaperKind")->currentIndex() == 1;
        control<QPushButton>(envelope ? "bbtnEnvAdd" : "bbtnPstAdd")->click();
    }

    QTemporaryDir dir;
    test::MessageBoxScript boxes;
    std::unique_ptr<TNewLayoutDialog> dialog;
};

}  // namespace

// A direction ticked as a screen reader ticks it, without a click, chooses its variant as a click does.
TEST_F(PaperDialogTest, DirectionsTickedWithoutAClickChooseTheVariantRecords)
{
    open();
    control<QComboBox>("cbxPaperKind")->setCurrentIndex(1);
    const int firstEnvelope = dialog->FormatNumber;
    const struct {
        int kind;
        const char *button;
        int format;
    } steps[] = {{0, "rbPostCardH", 1},
                 {0, "rbPostCardV", 0},
                 {1, "rbEnvWordH", firstEnvelope + 1},
                 {1, "rbEnvCardH", firstEnvelope + 2},
                 {1, "rbEnvCardV", firstEnvelope + 1}};
    for (const auto &step : steps) {
        SCOPED_TRACE(step.button);
        control<QComboBox>("cbxPaperKind")->setCurrentIndex(step.kind);
        ASSERT_TRUE(test::toggleOnTheBus(control<QRadioButton>(step.button)));
        EXPECT_EQ(dialog->FormatNumber, step.format);
    }
    // A horizontal card takes horizontal writing, as its click does.
    ASSERT_TRUE(test::toggleOnTheBus(control<QRadioButton>("rbEnvCardH")));
    EXPECT_TRUE(control<QRadioButton>("rbEnvWordH")->isChecked());
    EXPECT_FALSE(control<QRadioButton>("rbEnvWordV")->isEnabled());
}

TEST_F(PaperDialogTest, DirectionsChooseTheVariantRecords)
{
    open();
    EXPECT_EQ(dialog->FormatNumber, 0);
    EXPECT_EQ(control<QLabel>("lblPostCardSize")->text(), QStringLiteral("100.0 x 148.0 mm"));
    EXPECT_EQ(control<QLabel>("lblPostCardNum")->text(), QStringLiteral("1 x 1 枚"));
    control<QRadioButton>("rbPostCardH")->click();
    EXPECT_EQ(dialog->FormatNumber, 1);
    EXPECT_EQ(dialog->Format.Direction, 1);

    control<QComboBox>("cbxPaperKind")->setCurrentIndex(1);
    QListWidget *envelopes = control<QListWidget>("lbEnvelope");
    const int first = envelopes->currentItem()->data(Qt::UserRole).toInt();
    EXPECT_EQ(dialog->FormatNumber, first);
    EXPECT_EQ(dialog->Format.Kind, 1);
    control<QRadioButton>("rbEnvWordH")->click();
    EXPECT_EQ(dialog->FormatNumber, first + 1);
    control<QRadioButton>("rbEnvCardH")->click();
    EXPECT_EQ(dialog->FormatNumber, first + 2);
    EXPECT_TRUE(control<QRadioButton>("rbEnvWordH")->isChecked());
    EXPECT_FALSE(control<QRadioButton>("rbEnvWordV")->isEnabled());
    EXPECT_GT(dialog->Format.Width, dialog->Format.Height);

    // A sheet of four postcards: the sheet's size, its papers across and down, one picture per paper.
    control<QComboBox>("cbxPaperKind")->setCurrentIndex(0);
    const int sheet = masterIndexOf(QStringLiteral("はがき4面(A4)"));
    QListWidget *postcards = control<QListWidget>("lbPostcard");
    postcards->setCurrentItem(postcards->findItems(QStringLiteral("はがき4面(A4)"), Qt::MatchExactly).front());
    EXPECT_EQ(dialog->FormatNumber, sheet + 1);  // horizontal writing is still chosen
    EXPECT_EQ(control<QLabel>("lblPostCardSheetSize")->text(), QStringLiteral("210.0 x 297.0 mm"));
    EXPECT_EQ(control<QLabel>("lblPostCardSize")->text(), QStringLiteral("100.0 x 148.0 mm"));
    EXPECT_EQ(control<QLabel>("lblPostCardNum")->text(), QStringLiteral("2 x 2 枚"));
    EXPECT_EQ(dialog->Sheet.Columns, 2);

    // Preselecting a document's paper shows it.
    dialog.reset();
    open();
    const int kaku2 = masterIndexOf(QStringLiteral("角形2号"));
    dialog->SelectFormatByNumber(kaku2 + 1);
    EXPECT_EQ(control<QComboBox>("cbxPaperKind")->currentIndex(), 1);
    EXPECT_EQ(control<QComboBox>("cbxEnvCategory")->currentText(), QStringLiteral("角形封筒"));
    EXPECT_EQ(control<QListWidget>("lbEnvelope")->currentItem()->text(), QStringLiteral("角形2号"));
    EXPECT_TRUE(control<QRadioButton>("rbEnvWordH")->isChecked());
    EXPECT_TRUE(control<QRadioButton>("rbEnvCardV")->isChecked());
    EXPECT_EQ(dialog->FormatNumber, kaku2 + 1);
    dialog->SetSenderSide(true);
    EXPECT_TRUE(dialog->GetSenderSide());
}

TEST_F(PaperDialogTest, UserPapersGetNewIdsAndTheFileFollows)
{
    open();
    addCustom(QStringLiteral("私の葉書"));
    EXPECT_EQ(dialog->FormatNumber, -1);
    EXPECT_EQ(control<QComboBox>("cbxPstCategory")->currentText(), QStringLiteral("カスタム"));
    EXPECT_TRUE(control<QPushButton>("bbtnPstDelete")->isEnabled());
    EXPECT_EQ(dialog->Format.Name, Sjis::encode(u"私の葉書"));
    // A user paper has its one direction.
    EXPECT_FALSE(control<QRadioButton>("rbPostCardH")->isEnabled());

    control<QPushButton>("bbtnPstDelete")->click();
    EXPECT_EQ(control<QComboBox>("cbxPstCategory")->count(), 1);
    EXPECT_FALSE(control<QPushButton>("bbtnPstDelete")->isEnabled());
    addCustom(QStringLiteral("二枚目"));
    EXPECT_EQ(dialog->FormatNumber, -2);  // ids are never given twice
    dialog.reset();
    TCustomFormats saved;
    saved.Load(DataRootFolder + "CstmL.fmt");
    ASSERT_EQ(saved.Records.size(), 1u);
    EXPECT_EQ(saved.LastCustomId, 2u);
    EXPECT_EQ(saved.Records[0].Format.Category, Sjis::encode(u"カスタム"));

    // The paper in use cannot be deleted; with no user paper left the file goes at close.
    open();
    dialog->SelectFormatByNumber(-2);
    EXPECT_EQ(dialog->FormatNumber, -2);
    control<QPushButton>("bbtnPstDelete")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("使用中の用紙は削除できません  ")});
    dialog.reset();
    open();
    control<QComboBox>("cbxPstCategory")->setCurrentIndex(1);
    control<QPushButton>("bbtnPstDelete")->click();
    dialog.reset();
    EXPECT_FALSE(QFile::exists(DataRootFolder + "CstmL.fmt"));
}

// User papers that cannot be written (a disk without room, a folder that cannot be written) are named with
// the file and why, and the papers saved before stay.
TEST_F(PaperDialogTest, UserPapersThatCannotBeSavedSayWhyAndKeepThePapersBefore)
{
    test::SmallDisk disk(256 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << disk.skipReason().toStdString();
    DataRootFolder = disk.path() + QStringLiteral("データ 鷗外/");
    ASSERT_TRUE(QDir().mkpath(DataRootFolder));
    const QString file = DataRootFolder + "CstmL.fmt";
    open();
    addCustom(QStringLiteral("吉田商店 封筒"));
    dialog.reset();
    const QByteArray before = test::readFile(file);
    ASSERT_FALSE(before.isEmpty());
    ASSERT_TRUE(disk.fill());
    const auto added = [&](const QString &name) {
        open();
        addCustom(name);
        boxes.clear();
        dialog.reset();
        EXPECT_EQ(test::readFile(file), before);
        return boxes.texts();
    };
    const QString first = QStringLiteral("カスタム用紙を保存できませんでした  \r\n") + file + "\r\n\r\n";
    EXPECT_EQ(added(QStringLiteral("長形3号 控え")), QStringList{first + DiskFullReason});
    const test::ReadOnlyFolder locked(DataRootFolder);
    ASSERT_TRUE(locked.mounted()) << locked.skipReason().toStdString();
    EXPECT_EQ(added(QStringLiteral("二枚目")), QStringList{first + NotWritableReason});
}

TEST_F(PaperDialogTest, DocumentWhoseUserPaperIsGoneMustChooseAnother)
{
    open();
    dialog->SelectFormatByNumber(-5);
    EXPECT_EQ(dialog->FormatNumber, 0);
    EXPECT_EQ(control<QListWidget>("lbPostcard")->currentRow(), 0);
    control<QPushButton>("btnCancel")->click();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(boxes.texts(),
              QStringList{QStringLiteral("選択した用紙は削除されています  \r\n新しい用紙を設定してください")});
    control<QPushButton>("btnOK")->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

TEST_F(PaperDialogTest, ResizedUserPaperScalesFromItsBase)
{
    open();
    addCustom(QStringLiteral("倍幅"), QStringLiteral("200"));
    const TPaperFormat base = dialog->GetFormatRecord(0);
    const TPaperFormat &made = dialog->Format;
    EXPECT_EQ(made.Width, 2000);
    EXPECT_EQ(made.Height, 1480);
    EXPECT_EQ(made.CombinedRects[1].Left, int(RoundHalfAway(base.CombinedRects[1].Left * 2.0L)));
    EXPECT_EQ(made.CombinedRects[1].Top, base.CombinedRects[1].Top);
    // The barcode keeps its size.
    const TFormatRect &bar = made.CombinedRects[CombinedBarcodeIndex], &baseBar = base.CombinedRects[CombinedBarcodeIndex];
    EXPECT_EQ(bar.Right - bar.Left, baseBar.Right - baseBar.Left);
    EXPECT_EQ(bar.Bottom - bar.Top, baseBar.Bottom - baseBar.Top);
    EXPECT_TRUE(made.PictureFile.isEmpty());  // a resized paper has no picture

    // A multi-up paper is no base: the user paper dialog lists single papers only.
    TCustomLayoutFormatDialog custom(*dialog, nullptr);
    custom.SetBaseFormat(0);
    EXPECT_TRUE(control<QListWidget>(&custom, "lbPostCard")->findItems(QStringLiteral("はがき4面(A4)"),
                                                                      Qt::MatchExactly).isEmpty());
    EXPECT_EQ(control<QListWidget>(&custom, "lbPostCard")->count(), 3);

    // Shrunk far, every rectangle stays 10 units wide and high; the barcode stays on the paper.
    const TPaperFormat small = ResizePaperFormat(base, 500, 500);
    for (int i = 0; i < small.CombinedRectCount; ++i) {
        EXPECT_GE(small.CombinedRects[i].Right - small.CombinedRects[i].Left, 10);
        EXPECT_GE(small.CombinedRects[i].Bottom - small.CombinedRects[i].Top, 10);
    }
    EXPECT_GE(small.CombinedRects[CombinedBarcodeIndex].Top, 0);
}

// With the input method on, the point of a size arrives as its full stop, "。" or "．": either is the decimal
// point, committed by the input method or set over the bus, and Enter keeps the size given.
TEST_F(PaperDialogTest, TheInputMethodsFullStopIsTheSizesDecimalPoint)
{
    InstallTypedTextAccessibility();  // as the program does at start
    open();
    TCustomLayoutFormatDialog custom(*dialog, nullptr);
    custom.SetBaseFormat(0);
    custom.show();
    custom.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&custom));
    auto *width = control<QLineEdit>(&custom, "edPaperWidth");
    width->setFocus();
    width->selectAll();
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("１３０。５"));
    QApplication::sendEvent(width, &commit);
    QTest::keyClick(width, Qt::Key_Return);
    EXPECT_EQ(width->text(), QStringLiteral("130.5"));
    auto *height = control<QLineEdit>(&custom, "edPaperHeight");
    QAccessible::queryAccessibleInterface(height)->setText(QAccessible::Value, QStringLiteral("１９０．２"));
    EXPECT_EQ(height->text(), QStringLiteral("190.2"));
    TCustomPaperRecord made;
    custom.GetCustomFormat(made);
    EXPECT_EQ(made.Format.Width, 1305);
    EXPECT_EQ(made.Format.Height, 1902);
    custom.reject();  // closed as the user closes it, before it goes
}

TEST_F(PaperDialogTest, BaseOfNoSizeNeverDivides)
{
    TPaperFormat base;
    base.CombinedRectCount = 2;
    base.CombinedRects[0] = {10, 20, 110, 220};
    base.CombinedRects[1] = {5, 5, 50, 60};
    const TPaperFormat made = ResizePaperFormat(base, 1000, 1480);
    EXPECT_EQ(made.CombinedRects[0], base.CombinedRects[0]);
    EXPECT_EQ(made.CombinedRects[1], base.CombinedRects[1]);
    EXPECT_EQ(made.Width, 1000);
}

TEST_F(PaperDialogTest, NameIsCutOnCharactersAndCheckedAsStored)
{
    // Sixteen kanji are 32 bytes: the cut keeps fifteen whole ones, never half of the sixteenth.
    const QString longName = QString(16, QChar(u'封'));
    EXPECT_EQ(CustomPaperName(longName), Sjis::encode(QString(15, QChar(u'封'))));
    EXPECT_EQ(CustomPaperName(QStringLiteral("  名前  ")), Sjis::encode(u"名前"));

    open();
    addCustom(QString(15, QChar(u'封')));
    ASSERT_EQ(dialog->FormatNumber, -1);
    // The longer name is the same name once stored: refused.
    control<QComboBox>("cbxPstCategory")->setCurrentIndex(0);
    addCustom(longName);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("指定された用紙名はすでに使われています  ")});
    EXPECT_EQ(dialog->CustomFormats().Records.size(), 1u);
    // An envelope may bear a postcard's name.
    boxes.clear();
    control<QComboBox>("cbxPaperKind")->setCurrentIndex(1);
    addCustom(longName);
    EXPECT_TRUE(boxes.texts().isEmpty());
    EXPECT_EQ(dialog->CustomFormats().Records.size(), 2u);
    addCustom(QStringLiteral("   "));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("用紙名を入力してください  ")});
}

TEST_F(PaperDialogTest, MissingPaperListLeavesTheDialogEmptyAndUsable)
{
    AppFolder = dir.path() + "/";  // no Common/Lyt.fmt here
    open();
    EXPECT_EQ(dialog->GetFormatCount(), 0);
    EXPECT_EQ(control<QListWidget>("lbPostcard")->count(), 0);
    EXPECT_TRUE(boxes.shown().empty());
    dialog->resize(700, 520);
    control<QComboBox>("cbxPaperKind")->setCurrentIndex(1);
    TCustomLayoutFormatDialog custom(*dialog, nullptr);
    custom.SetBaseFormat(3);
    custom.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&custom));
    control<QPushButton>("btnCancel")->click();
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}
