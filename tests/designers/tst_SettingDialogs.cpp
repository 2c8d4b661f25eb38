// The object settings dialogs, each opened on an object as the designers do: the controls show it, changes
// reach the private copy only, the copy is what the designer takes back after OK, and the page shown is
// remembered in [DESIGN].
#include "designers/FgrSet.h"

#include "TestSupport.h"
#include "core/Globals.h"
#include "drawing/FigureRect.h"
#include "geo/PaintPanel.h"
#include "platform/MemIniFile.h"

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

namespace {

template <class T> T *control(QWidget *in, const char *name)
{
    T *c = in->findChild<T *>(QLatin1String(name));
    EXPECT_TRUE(c) << name;
    return c;
}

QByteArray streamOf(const TDrawRect &object)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    TObjectStream stream(buffer);
    object.SaveToStream(stream);
    return bytes;
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
    const QByteArray before = streamOf(figure);
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

    EXPECT_EQ(streamOf(figure), before) << "the object itself is never touched";
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
