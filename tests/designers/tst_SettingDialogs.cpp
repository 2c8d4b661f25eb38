// The object settings dialogs, each opened on an object as the designers do: the controls show it, changes
// reach the private copy only, the copy is what the designer takes back after OK, and the page shown is
// remembered in [DESIGN].
#include "designers/AddInfo.h"
#include "designers/FgrSet.h"
#include "designers/LytFont.h"
#include "designers/WordSet.h"

#include "Accessibility.h"
#include "ObjectTestSupport.h"
#include "TestSupport.h"
#include "base/Fonts.h"
#include "core/Globals.h"
#include "drawing/FigureRect.h"
#include "geo/PaintPanel.h"
#include "platform/MemIniFile.h"
#include "widgets/ShiftJisValidator.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>

namespace {

template <class T> T *control(QWidget *in, const char *name)
{
    T *c = in->findChild<T *>(QLatin1String(name));
    EXPECT_TRUE(c) << name;
    return c;
}

// Types text into a number edit and leaves it.
void typeAndLeave(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(edit, &out);
}

// The next colour dialog is answered with colour (accepted) or cancelled; customOffered gets its first
// custom colour.
void answerColorDialog(const QColor &colour, bool accept, QColor *customOffered = nullptr)
{
    QTimer::singleShot(0, [=] {
        auto *dialog = qobject_cast<QColorDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        if (customOffered)
            *customOffered = QColorDialog::customColor(0);
        dialog->setCurrentColor(colour);
        accept ? dialog->accept() : dialog->reject();
    });
}

class SettingDialogs : public ::testing::Test {
protected:
    void SetUp() override { DataFolder = dir.path() + "/"; }
    int storedPage(const char *key) const
    {
        return TMemIniFile(DataFolder + SettingsFileName).ReadInteger("DESIGN", key, -1);
    }
    void storePage(const char *key, int page)
    {
        TMemIniFile ini(DataFolder + SettingsFileName);
        ini.WriteInteger("DESIGN", key, page);
        ini.UpdateFile();
    }
    QTemporaryDir dir;
};

TFigureRect circle()
{
    TFigureRect figure;
    figure.SetRect({40, 50, 240, 150});
    figure.SetKind(TFigureRect::Circle);
    figure.SetLineWidth(7);
    figure.SetBackFill(true);
    figure.SetGradation(true);
    figure.SetFillColor1(0x00FF00);
    figure.SetFillColor2(0x0000FF);
    figure.SetGradientAngle(5);
    figure.SetSectorDirection(2);
    return figure;
}

}  // namespace

// ---- Figure settings ----

TEST_F(SettingDialogs, FigureDialogShowsTheFigureAndEditsOnlyItsCopy)
{
    const TFigureRect figure = circle();
    const QByteArray before = SavedObject(figure);
    TFigureSettingDialog dialog(nullptr);
    dialog.SetFigureRect(figure);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    EXPECT_EQ(control<QComboBox>(&dialog, "cbxFigureKind")->currentIndex(), 3);
    EXPECT_TRUE(control<QRadioButton>(&dialog, "rbTopRight")->isChecked());
    EXPECT_TRUE(control<QRadioButton>(&dialog, "rbGradation")->isChecked());
    EXPECT_TRUE(control<QLineEdit>(&dialog, "edAngle")->isEnabled());
    EXPECT_EQ(control<QLineEdit>(&dialog, "edLineWidth")->text(), "7");
    EXPECT_FALSE(control<QWidget>(&dialog, "pnlLine")->isVisible());

    // The preview stands centred in the panel at nine tenths of its tighter side.
    EXPECT_EQ(dialog.FPreview().GetRect().Width(), 200);
    const TRect shown = dialog.FPreview().GetDispRect();
    EXPECT_NEAR(shown.Width(), 239 * 0.9, 1);
    EXPECT_NEAR(shown.Left + shown.Right, 239, 2);

    // A line always draws its outline; another kind frees the box again, still checked.
    auto *kind = control<QComboBox>(&dialog, "cbxFigureKind");
    auto *frame = control<QCheckBox>(&dialog, "ckbFrame");
    frame->setChecked(false);
    kind->setCurrentIndex(0);
    emit kind->activated(0);
    EXPECT_TRUE(frame->isChecked());
    EXPECT_FALSE(frame->isEnabled());
    EXPECT_TRUE(control<QWidget>(&dialog, "pnlLine")->isVisibleTo(&dialog));
    kind->setCurrentIndex(3);
    emit kind->activated(3);
    EXPECT_TRUE(frame->isEnabled());
    EXPECT_TRUE(frame->isChecked());

    // Numbers are kept within their ranges.
    auto *width = control<QLineEdit>(&dialog, "edLineWidth");
    typeAndLeave(width, "0");
    EXPECT_EQ(width->text(), "1");
    EXPECT_EQ(dialog.FPreview().LineWidth(), 1);
    typeAndLeave(width, "75");
    EXPECT_EQ(width->text(), "50");
    typeAndLeave(width, "x");
    EXPECT_EQ(width->text(), "50");
    EXPECT_EQ(dialog.FPreview().LineWidth(), 50);
    auto *angle = control<QLineEdit>(&dialog, "edAngle");
    QTest::keyClick(angle, Qt::Key_PageDown);
    EXPECT_EQ(angle->text(), "0") << "no wrap to 355";
    EXPECT_EQ(dialog.FPreview().GradientAngle(), 0);

    // Choosing the apex that is already chosen changes nothing.
    control<QRadioButton>(&dialog, "rbTopRight")->click();
    EXPECT_EQ(dialog.FPreview().SectorDirection(), 2);
    control<QRadioButton>(&dialog, "rbBottomLeft")->click();
    EXPECT_EQ(dialog.FPreview().SectorDirection(), 1);

    // The second fill colour's dialog offers no custom colours and writes no file.
    QColorDialog::setCustomColor(0, Qt::red);
    QColor offered;
    answerColorDialog(QColor(0, 0, 255), true, &offered);
    control<QToolButton>(&dialog, "bbtnColorDlg2")->click();
    EXPECT_EQ(offered, QColor(Qt::black));
    EXPECT_EQ(dialog.FPreview().FillColor2(), 0xFF0000);
    EXPECT_FALSE(QFile::exists(DataFolder + "CstmClr.ini"));
    // The frame colour's does, and keeps them.
    answerColorDialog(QColor(255, 0, 0), true);
    control<QToolButton>(&dialog, "bbtnFrameColor")->click();
    EXPECT_EQ(dialog.FPreview().FrameColor(), 0x0000FF);
    EXPECT_TRUE(QFile::exists(DataFolder + "CstmClr.ini"));

    EXPECT_EQ(SavedObject(figure), before) << "the object itself is never touched";
    // What the designer takes back after OK.
    control<QPushButton>(&dialog, "btnOK")->click();
    EXPECT_EQ(dialog.result(), 1);
    TFigureRect taken;
    taken.Assign(dialog.FPreview());
    EXPECT_EQ(taken.LineWidth(), 50);
    EXPECT_EQ(taken.SectorDirection(), 1);
    EXPECT_EQ(taken.FillColor2(), 0xFF0000);
}

TEST_F(SettingDialogs, FigureDialogStartsEmptyFillsInVisibleColours)
{
    TFigureRect plain;  // a black line without fill
    plain.SetRect({0, 0, 100, 100});
    TFigureSettingDialog dialog(nullptr);
    dialog.SetFigureRect(plain);
    EXPECT_EQ(dialog.FPreview().FillColor1(), 0xBFBFFF) << "fill off and black: light red";
    EXPECT_EQ(dialog.FPreview().FillColor2(), 0xFFFFFF) << "one colour and black: white";
    EXPECT_TRUE(control<QRadioButton>(&dialog, "rbFilled")->isChecked());
    EXPECT_FALSE(control<QRadioButton>(&dialog, "rbFilled")->isEnabled()) << "no fill: its choices are off";
    EXPECT_FALSE(control<QLineEdit>(&dialog, "edAngle")->isEnabled());
    control<QCheckBox>(&dialog, "ckbBack")->click();
    EXPECT_TRUE(dialog.FPreview().BackFill());
    EXPECT_FALSE(control<QLineEdit>(&dialog, "edAngle")->isEnabled()) << "one colour: no angle";
    control<QRadioButton>(&dialog, "rbGradation")->click();
    EXPECT_TRUE(control<QLineEdit>(&dialog, "edAngle")->isEnabled());
    EXPECT_TRUE(dialog.FPreview().Gradation());
}

TEST_F(SettingDialogs, FigureDialogOutlinesAnInvisibleRectangle)
{
    TFigureRect figure;
    figure.SetRect({0, 0, 200, 200});
    figure.SetKind(TFigureRect::Rectangle);
    figure.SetFrameVisible(false);
    TFigureSettingDialog dialog(nullptr);
    dialog.SetFigureRect(figure);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto *preview = control<TPaintPanel>(&dialog, "pnlPreview");
    const auto greyPixels = [preview] {
        const QImage image = preview->grab().toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += image.pixelColor(x, y) == QColor(0x80, 0x80, 0x80);
        return count;
    };
    EXPECT_GT(greyPixels(), 100) << "neither outline nor fill: the extent is dotted";
    control<QCheckBox>(&dialog, "ckbFrame")->click();
    EXPECT_EQ(greyPixels(), 0);
}

TEST_F(SettingDialogs, FigureDialogRemembersItsPage)
{
    storePage("FigureSet", 1);
    {
        TFigureSettingDialog dialog(nullptr);
        EXPECT_EQ(control<QTabWidget>(&dialog, "pgcSetting")->currentIndex(), 1);
        control<QTabWidget>(&dialog, "pgcSetting")->setCurrentIndex(0);
        dialog.reject();
    }
    EXPECT_EQ(storedPage("FigureSet"), 0);
    storePage("FigureSet", 2);
    TFigureSettingDialog dialog(nullptr);
    EXPECT_EQ(control<QTabWidget>(&dialog, "pgcSetting")->currentIndex(), 0) << "beyond the pages: the first";
}

// ---- Text settings ----

namespace {

// An installed face of the given character set, as the face lists offer it.
QString installedFace(int charset)
{
    for (const TFontFace &face : ListFontNames(false, false))
        if (face.Charset == charset)
            return face.Name;
    return {};
}

void makeVerticalText(TWordRect &text, const QString &face)
{
    text.SetLineCount(1);
    text.SetLine(0, QStringLiteral("謹賀新年"));
    text.SetRect({10, 10, 110, 410});
    TFont font = text.Font();
    font.Log.Font.setFamily(face);
    font.Log.Font.setUnderline(true);
    font.Log.Charset = SHIFTJIS_CHARSET;
    text.SetFont(font);
    text.SetAlignment(5);  // middle, left
}

}  // namespace

TEST_F(SettingDialogs, TextDialogShowsTheTextAndEditsOnlyItsCopy)
{
    const QString face = installedFace(SHIFTJIS_CHARSET);
    ASSERT_FALSE(face.isEmpty()) << "a Japanese face is installed";
    TWordRect text;
    makeVerticalText(text, "@" + face);
    const QByteArray before = SavedObject(text);
    TWordSettingDialog dialog(nullptr);
    dialog.SetWordRect(text);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    // The vertical face shows its horizontal face, and the copy loses the "@".
    auto *fonts = control<QListWidget>(&dialog, "lbFonts");
    ASSERT_TRUE(fonts->currentItem());
    EXPECT_EQ(fonts->currentItem()->text(), face);
    EXPECT_EQ(dialog.FPreview().Font().Log.Font.family(), face);
    EXPECT_EQ(control<QLabel>(&dialog, "lblCharset")->text(), "日本語");
    EXPECT_TRUE(control<QRadioButton>(&dialog, "rbVertical")->isChecked());
    EXPECT_TRUE(control<QRadioButton>(&dialog, "rbVertCenter")->isChecked());
    EXPECT_TRUE(control<QRadioButton>(&dialog, "rbLeft")->isChecked());
    EXPECT_EQ(control<QComboBox>(&dialog, "cbxFSize")->count(), 28);
    EXPECT_EQ(control<QComboBox>(&dialog, "cbxFSize")->currentText(), "自動");
    // No line spacing: the box off, the list disabled on "なし".
    EXPECT_FALSE(control<QCheckBox>(&dialog, "ckbLineSpace")->isChecked());
    EXPECT_FALSE(control<QComboBox>(&dialog, "cbxLineSpace")->isEnabled());
    EXPECT_EQ(control<QComboBox>(&dialog, "cbxLineSpace")->currentText(), "なし");

    // The ratio is kept within 20 to 300.
    auto *ratio = control<QLineEdit>(&dialog, "edVHRatio");
    typeAndLeave(ratio, "5");
    EXPECT_EQ(ratio->text(), "20");
    EXPECT_EQ(dialog.FPreview().VHRatio(), 20);
    typeAndLeave(ratio, "999");
    EXPECT_EQ(ratio->text(), "300");
    EXPECT_EQ(dialog.FPreview().VHRatio(), 300);
    QTest::keyClick(ratio, Qt::Key_PageDown);
    EXPECT_EQ(dialog.FPreview().VHRatio(), 290);

    // Bold drops the underline.
    control<QCheckBox>(&dialog, "ckbBold")->click();
    EXPECT_TRUE(dialog.FPreview().Font().Log.Font.bold());
    EXPECT_FALSE(dialog.FPreview().Font().Log.Font.underline());

    // Placement: right keeps the vertical part; bottom keeps the horizontal one.
    control<QRadioButton>(&dialog, "rbRight")->click();
    EXPECT_EQ(dialog.FPreview().Alignment(), 3);
    control<QRadioButton>(&dialog, "rbBottom")->click();
    EXPECT_EQ(dialog.FPreview().Alignment(), 6);
    control<QCheckBox>(&dialog, "ckbLineSpace")->click();
    EXPECT_EQ(dialog.FPreview().LineSpacing(), 1);

    // Horizontal writing turns the 100 x 400 preview into 400 x 100, still centred.
    const TRect tall = dialog.FPreview().GetRect();
    control<QRadioButton>(&dialog, "rbHorizontal")->click();
    EXPECT_EQ(dialog.FPreview().Direction(), 1);
    const TRect wide = dialog.FPreview().GetRect();
    EXPECT_EQ(wide.Width(), 400);
    EXPECT_EQ(wide.Height(), 100);
    EXPECT_EQ(wide.Left, tall.Top);
    EXPECT_EQ(wide.Top, tall.Left);

    // A frame and a back turned on start red and light red.
    control<QCheckBox>(&dialog, "ckbFrame")->click();
    control<QCheckBox>(&dialog, "ckbBack")->click();
    EXPECT_TRUE(dialog.FPreview().Frame.Visible());
    EXPECT_EQ(dialog.FPreview().Frame.Color(), 0x0000FF);
    EXPECT_EQ(dialog.FPreview().Frame.BackColor(), 0xBFBFFF);

    EXPECT_EQ(SavedObject(text), before) << "the object itself is never touched";
    control<QPushButton>(&dialog, "btnOK")->click();
    TWordRect taken;
    taken.Assign(dialog.FPreview());
    EXPECT_EQ(taken.VHRatio(), 290);
    EXPECT_EQ(taken.Direction(), 1);
    EXPECT_EQ(taken.Alignment(), 6);
    EXPECT_EQ(taken.GetLine(0), QStringLiteral("謹賀新年"));
}

TEST_F(SettingDialogs, TextDialogKeepsAFaceThatIsNotInstalled)
{
    TWordSettingDialog dialog(nullptr);
    TWordRect text;
    makeVerticalText(text, "No Such Face");
    dialog.SetWordRect(text);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto *fonts = control<QListWidget>(&dialog, "lbFonts");
    EXPECT_EQ(fonts->currentRow(), 0);
    EXPECT_EQ(dialog.FPreview().Font().Log.Font.family(), "No Such Face") << "until the user picks a face";
    const QString latin = installedFace(ANSI_CHARSET);
    if (latin.isEmpty())
        GTEST_SKIP() << "no Latin face installed";
    const auto found = fonts->findItems(latin, Qt::MatchExactly);
    ASSERT_FALSE(found.isEmpty());
    fonts->setCurrentItem(found.first());
    emit fonts->itemClicked(found.first());
    EXPECT_EQ(dialog.FPreview().Font().Log.Font.family(), latin);
    EXPECT_EQ(dialog.FPreview().Font().Log.Charset, ANSI_CHARSET);
    EXPECT_EQ(control<QLabel>(&dialog, "lblCharset")->text(), "欧文");
}

TEST_F(SettingDialogs, TextDialogRemembersItsPage)
{
    storePage("WordSet", 2);
    {
        TWordSettingDialog dialog(nullptr);
        EXPECT_EQ(control<QTabWidget>(&dialog, "pgcSetting")->currentIndex(), 2);
        control<QTabWidget>(&dialog, "pgcSetting")->setCurrentIndex(1);
        dialog.accept();
    }
    EXPECT_EQ(storedPage("WordSet"), 1);
    storePage("WordSet", 3);
    TWordSettingDialog beyond(nullptr);
    EXPECT_EQ(control<QTabWidget>(&beyond, "pgcSetting")->currentIndex(), 0);
    storePage("WordSet", -1);
    TWordSettingDialog below(nullptr);
    EXPECT_EQ(control<QTabWidget>(&below, "pgcSetting")->currentIndex(), 0);
}

// ---- Font of the address objects ----

TEST_F(SettingDialogs, FontDialogShowsTheHorizontalFaceAndEditsItsOwnFont)
{
    const QString face = installedFace(SHIFTJIS_CHARSET);
    ASSERT_FALSE(face.isEmpty());
    TFont font;
    SetFontSpec(&font.Log, SHIFTJIS_CHARSET, "@" + face, 4 /* underline */, 40);
    font.Log.Escapement = 2700;
    font.Color = Qt::darkGreen;
    TLayoutFontDialog dialog(nullptr);
    dialog.SetFont(font);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    EXPECT_EQ(control<QListWidget>(&dialog, "lbFonts")->currentItem()->text(), face);
    EXPECT_EQ(dialog.GetFont().Log.Font.family(), face);
    EXPECT_EQ(dialog.GetFont().Log.Escapement, 0);
    EXPECT_EQ(dialog.GetFont().Log.Font.pointSize(), 15) << "the sample is always 15 points";
    EXPECT_EQ(control<QLabel>(&dialog, "pnlSample")->text(), "Velmorin");
    EXPECT_EQ(control<QLabel>(&dialog, "lblCharset")->text(), "日本語");
    EXPECT_TRUE(dialog.GetApplyAll()) << "checked at creation";
    EXPECT_TRUE(dialog.GetFont().Log.Font.underline()) << "kept until a style box is clicked";

    control<QCheckBox>(&dialog, "ckbItalic")->click();
    EXPECT_TRUE(dialog.GetFont().Log.Font.italic());
    EXPECT_FALSE(dialog.GetFont().Log.Font.underline());

    answerColorDialog(QColor(255, 0, 0), true);
    control<QToolButton>(&dialog, "bbtnFontColor")->click();
    EXPECT_EQ(dialog.GetFont().Color, QColor(255, 0, 0));
    EXPECT_TRUE(QFile::exists(DataFolder + "CstmClr.ini")) << "the custom colours are kept";
    answerColorDialog(QColor(0, 0, 255), false);
    control<QToolButton>(&dialog, "bbtnFontColor")->click();
    EXPECT_EQ(dialog.GetFont().Color, QColor(255, 0, 0)) << "a cancelled colour changes nothing";

    control<QCheckBox>(&dialog, "ckbAll")->click();
    EXPECT_FALSE(dialog.GetApplyAll());
    control<QPushButton>(&dialog, "btnOK")->click();
    EXPECT_EQ(dialog.result(), 1);
}

TEST_F(SettingDialogs, FontDialogKeepsAFaceThatIsNotInstalled)
{
    TFont font;
    SetFontSpec(&font.Log, SHIFTJIS_CHARSET, "No Such Face", 0, 9);
    TLayoutFontDialog dialog(nullptr);
    dialog.SetFont(font);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto *fonts = control<QListWidget>(&dialog, "lbFonts");
    EXPECT_EQ(fonts->currentRow(), 0);
    EXPECT_EQ(dialog.GetFont().Log.Font.family(), "No Such Face");
    emit fonts->itemClicked(fonts->item(0));
    EXPECT_EQ(dialog.GetFont().Log.Font.family(), fonts->item(0)->text());
}

// Both font lists take the highlighted face as the chosen one, however it was reached — typed letters, arrows,
// Home/End, Page Down, or a screen reader setting the current item — and OK hands it on.
TEST_F(SettingDialogs, TheFaceReachedByKeysOrAScreenReaderIsTheChosenOne)
{
    const QString gothic = QStringLiteral("IPAexGothic");
    const QString mincho = QStringLiteral("IPAexMincho");
    auto walk = [&](QListWidget *fonts, const std::function<QString()> &chosen, QWidget *sample) {
        ASSERT_FALSE(fonts->findItems(mincho, Qt::MatchExactly).isEmpty()) << "IPAex fonts are installed";
        fonts->setFocus();
        QTest::keyClicks(fonts, QStringLiteral("IPAexM"));
        EXPECT_EQ(fonts->currentItem()->text(), mincho);
        EXPECT_EQ(chosen(), mincho) << "typed letters";
        if (sample)
            EXPECT_EQ(sample->font().family(), mincho);
        QTest::keyClick(fonts, Qt::Key_End);
        EXPECT_EQ(chosen(), fonts->item(fonts->count() - 1)->text()) << "End";
        QTest::keyClick(fonts, Qt::Key_Home);
        EXPECT_EQ(chosen(), fonts->item(0)->text()) << "Home";
        QTest::keyClick(fonts, Qt::Key_Down);
        EXPECT_EQ(chosen(), fonts->item(1)->text()) << "Down";
        QTest::keyClick(fonts, Qt::Key_PageDown);
        EXPECT_EQ(chosen(), fonts->currentItem()->text()) << "Page Down";
        EXPECT_GT(fonts->currentRow(), 1);
        fonts->setCurrentItem(fonts->findItems(mincho, Qt::MatchExactly).first());
        EXPECT_EQ(chosen(), mincho) << "a screen reader's current item";
    };

    TFont font;
    SetFontSpec(&font.Log, SHIFTJIS_CHARSET, gothic, 0, 12);
    TLayoutFontDialog layout(nullptr);
    layout.SetFont(font);
    layout.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&layout));
    QApplication::setActiveWindow(&layout);
    walk(control<QListWidget>(&layout, "lbFonts"), [&] { return layout.GetFont().Log.Font.family(); },
         control<QLabel>(&layout, "pnlSample"));
    EXPECT_EQ(control<QLabel>(&layout, "lblCharset")->text(), "日本語");
    QTest::keyClick(control<QPushButton>(&layout, "btnOK"), Qt::Key_Space);
    EXPECT_EQ(layout.result(), QDialog::Accepted);
    EXPECT_EQ(layout.GetFont().Log.Font.family(), mincho);

    TWordRect text;
    makeVerticalText(text, gothic);
    TWordSettingDialog word(nullptr);
    word.SetWordRect(text);
    word.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&word));
    QApplication::setActiveWindow(&word);
    control<QTabWidget>(&word, "pgcSetting")->setCurrentIndex(0);
    walk(control<QListWidget>(&word, "lbFonts"), [&] { return word.FPreview().Font().Log.Font.family(); },
         nullptr);
    QTest::keyClick(control<QPushButton>(&word, "btnOK"), Qt::Key_Space);
    EXPECT_EQ(word.result(), QDialog::Accepted);
    EXPECT_EQ(word.FPreview().Font().Log.Font.family(), mincho);
}

// ---- Addition items and barcode ----

namespace {

QStringList entries(QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

}  // namespace

TEST_F(SettingDialogs, BarcodeDialogOfThePostcardShowsTheBarcodeAlone)
{
    TAdditionInfoDialog label(nullptr);
    label.SetMode(2);
    label.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&label));
    TAdditionInfoDialog dialog(nullptr);
    dialog.SetMode(0);
    dialog.SetBarcode(false);
    dialog.SetBarSize(2);
    dialog.SetMaxBarSize(3);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.windowTitle(), "バーコードの設定");
    EXPECT_FALSE(control<QWidget>(&dialog, "gbxAddition")->isVisible());
    EXPECT_TRUE(control<QWidget>(&dialog, "ckbBarcode")->isVisible());
    EXPECT_LT(dialog.height(), label.height()) << "smaller by the addition group";
    EXPECT_FALSE(control<QComboBox>(&dialog, "cbxBarSize")->isEnabled()) << "no barcode: no size";

    control<QCheckBox>(&dialog, "ckbBarcode")->click();
    EXPECT_TRUE(control<QComboBox>(&dialog, "cbxBarSize")->isEnabled());
    control<QPushButton>(&dialog, "btnOK")->click();
    EXPECT_EQ(dialog.result(), 1);
    EXPECT_TRUE(dialog.GetBarcode());
    EXPECT_EQ(dialog.GetBarSize(), 2);
}

TEST_F(SettingDialogs, BarcodeDialogKeepsTheSizesThePaperAllows)
{
    TAdditionInfoDialog dialog(nullptr);
    dialog.SetBarSize(3);
    dialog.SetMaxBarSize(1);
    auto *sizes = control<QComboBox>(&dialog, "cbxBarSize");
    EXPECT_EQ(entries(sizes), (QStringList{"8", "9"}));
    EXPECT_EQ(dialog.GetBarSize(), 1) << "a choice above the largest comes down to it";
    dialog.SetBarSize(3);
    EXPECT_EQ(sizes->currentText(), "9");
    dialog.SetBarSize(0);
    dialog.SetMaxBarSize(1);
    EXPECT_EQ(dialog.GetBarSize(), 0) << "the same largest size again changes nothing";
    dialog.SetBarcodeDisabled(false);
    EXPECT_TRUE(dialog.GetBarcode());
    dialog.SetBarcodeDisabled(true);
    EXPECT_EQ(dialog.GetBarSize(), 0);
    EXPECT_FALSE(dialog.GetBarcode());
    EXPECT_FALSE(control<QCheckBox>(&dialog, "ckbBarcode")->isEnabled());
}

TEST_F(SettingDialogs, AdditionItemsByPaperAndGroup)
{
    KeywordNames[0] = QStringLiteral("趣味");
    TAdditionInfoDialog label(nullptr);
    label.SetMode(2);
    label.FillAdditionItems(2);
    EXPECT_EQ(entries(control<QComboBox>(&label, "cbxAddition3")),
              (QStringList{"逆順電話番号", "日付 (yyyymmdd)", "連絡先１", "連絡先２", "連絡先３", "連絡先４"}));
    TAdditionInfoDialog card(nullptr);
    card.SetMode(3);
    card.FillAdditionItems(2);
    EXPECT_EQ(entries(control<QComboBox>(&card, "cbxAddition1")),
              (QStringList{"連絡先１", "連絡先２", "連絡先３", "連絡先４"}));
    card.FillAdditionItems(1);
    const QStringList receiver = entries(control<QComboBox>(&card, "cbxAddition4"));
    ASSERT_EQ(receiver.size(), 15);
    EXPECT_EQ(receiver[0], "TEL");
    EXPECT_EQ(receiver[6], "E-Mail2");
    EXPECT_EQ(receiver[7], "趣味");

    // A chosen entry answers its code and no text; typed text answers code 0 and the trimmed text.
    card.SetAdditionItem(0, 9);
    EXPECT_EQ(card.GetAdditionItem(0), 9);
    EXPECT_EQ(card.GetAdditionText(0), "");
    card.SetAdditionText(1, QStringLiteral("  誕生日 "));
    EXPECT_EQ(card.GetAdditionItem(1), 0);
    EXPECT_EQ(card.GetAdditionText(1), "誕生日");
    card.SetAdditionItem(2, 19);
    EXPECT_EQ(card.GetAdditionItem(2), 0) << "a sender row is not offered for receiver items";
    control<QComboBox>(&card, "cbxAddition1")->setEditText("TEL 2");
    EXPECT_EQ(card.GetAdditionItem(0), 0) << "text typed over an entry is free text";
    EXPECT_EQ(card.GetAdditionText(0), "TEL 2");

    // Unchecking a row disables its list.
    EXPECT_TRUE(card.GetAdditionChecked(3));
    card.SetAdditionChecked(3, false);
    EXPECT_FALSE(control<QComboBox>(&card, "cbxAddition4")->isEnabled());
    EXPECT_FALSE(card.GetAdditionChecked(3));
}

// ---- Enter in the settings dialogs ----

// A screen reader sets a number's text over the accessibility bus and presses OK, never leaving the edit: the
// number is taken, kept in its range, as when the edit is left.
TEST_F(SettingDialogs, NumbersSetOverTheAccessibilityBusAreTakenByOk)
{
    InstallTypedTextAccessibility();  // as the program does at start
    const auto set = [](QWidget *dialog, const char *name, const QString &text) {
        ASSERT_TRUE(test::setTextOnTheBus(control<QLineEdit>(dialog, name), text)) << name;
    };
    TFigureSettingDialog figure(nullptr);
    figure.SetFigureRect(circle());
    figure.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&figure));
    set(&figure, "edLineWidth", "12");
    set(&figure, "edAngle", "400");
    EXPECT_EQ(control<QLineEdit>(&figure, "edAngle")->text(), "359");
    control<QPushButton>(&figure, "btnOK")->click();
    TFigureRect figureTaken;
    figureTaken.Assign(figure.FPreview());
    EXPECT_EQ(figureTaken.LineWidth(), 12);
    EXPECT_EQ(figureTaken.GradientAngle(), 359);

    const QString face = installedFace(SHIFTJIS_CHARSET);
    ASSERT_FALSE(face.isEmpty()) << "a Japanese face is installed";
    TWordRect text;
    makeVerticalText(text, "@" + face);
    TWordSettingDialog word(nullptr);
    word.SetWordRect(text);
    word.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&word));
    set(&word, "edVHRatio", "150");
    set(&word, "edVHRatio", "abc");
    EXPECT_EQ(control<QLineEdit>(&word, "edVHRatio")->text(), "150") << "no number: the ratio before";
    control<QPushButton>(&word, "btnOK")->click();
    TWordRect wordTaken;
    wordTaken.Assign(word.FPreview());
    EXPECT_EQ(wordTaken.VHRatio(), 150);
}

TEST_F(SettingDialogs, EnterMovesOnAsEachDialogLeads)
{
    TFigureSettingDialog figure(nullptr);
    figure.SetFigureRect(circle());
    figure.show();
    figure.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&figure));
    control<QTabWidget>(&figure, "pgcSetting")->setCurrentIndex(1);
    auto *width = control<QLineEdit>(&figure, "edLineWidth");
    width->setFocus();
    width->setText("12");
    QTest::keyClick(width, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), control<QCheckBox>(&figure, "ckbBack"));
    EXPECT_EQ(figure.FPreview().LineWidth(), 12) << "leaving the edit takes its number";
    auto *gradation = control<QRadioButton>(&figure, "rbGradation");
    gradation->setFocus();
    QTest::keyClick(gradation, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), control<QLineEdit>(&figure, "edAngle"));
    control<QRadioButton>(&figure, "rbFilled")->click();
    QTest::keyClick(control<QRadioButton>(&figure, "rbFilled"), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), control<QPushButton>(&figure, "btnOK")) << "no angle for one colour";
    EXPECT_TRUE(figure.isVisible()) << "Enter never closes the dialog from a control";
    figure.reject();

    TWordRect text;
    text.SetRect({0, 0, 100, 100});
    text.SetDirection(1);
    TWordSettingDialog word(nullptr);
    word.SetWordRect(text);
    word.show();
    word.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&word));
    control<QTabWidget>(&word, "pgcSetting")->setCurrentIndex(0);
    auto *italic = control<QCheckBox>(&word, "ckbItalic");
    italic->setFocus();
    QTest::keyClick(italic, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), control<QRadioButton>(&word, "rbHorizontal"));
    EXPECT_FALSE(italic->isChecked());
    word.reject();
}
