// The illustration settings dialog: the cut-out's drag, drop and arrow-key geometry, the centred preview, and
// the dialog on a real picture object with the shipped mask shapes: the view it opens on, mirror and turn,
// the scale buttons in step, the remembered page and scale, and the object left alone.
#include "designers/IlstSet.h"

#include "TestSupport.h"
#include "core/Globals.h"
#include "drawing/DesignGlobals.h"
#include "drawing/Graphic.h"
#include "drawing/ObjectStream.h"
#include "platform/MemIniFile.h"

#include <QBuffer>
#include <QCheckBox>
#include <QFrame>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

QByteArray streamOf(const TDrawRect &object)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TObjectStream stream(buffer);
    object.SaveToStream(stream);
    return buffer.data();
}

// A picture w x h: its top row red, the rest blue, and its bottom-left pixel green.
QImage marked(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB888);
    image.fill(Qt::blue);
    for (int x = 0; x < w; ++x)
        image.setPixelColor(x, 0, Qt::red);
    image.setPixelColor(0, h - 1, Qt::green);
    return image;
}

}  // namespace

TEST(IllustCutOut, ShiftDragOfTheMiddleRightHandleGrowsBothWaysVertically)
{
    uint8_t h = EdgeCode::Right, v = EdgeCode::Centre;
    EXPECT_EQ(DragCutOut({10, 10, 110, 60}, h, v, false, {110, 35}, {130, 35}, true), (TRect{10, 5, 130, 65}));
    // Without Shift only the dragged edge moves.
    EXPECT_EQ(DragCutOut({10, 10, 110, 60}, h, v, false, {110, 35}, {130, 35}, false), (TRect{10, 10, 130, 60}));
    // A corner keeps the proportions from the opposite corner: the top-right one grows upward.
    h = EdgeCode::Right;
    v = EdgeCode::Top;
    EXPECT_EQ(DragCutOut({10, 10, 110, 60}, h, v, false, {110, 10}, {130, 10}, true), (TRect{10, 0, 130, 60}));
    h = EdgeCode::Left;
    v = EdgeCode::Bottom;
    EXPECT_EQ(DragCutOut({10, 10, 110, 60}, h, v, false, {10, 60}, {-10, 60}, true), (TRect{-10, 10, 110, 70}));
}

TEST(IllustCutOut, DraggedPastTheOppositeCornerTheEdgesChangeOver)
{
    uint8_t h = EdgeCode::Right, v = EdgeCode::Bottom;
    TRect r = DragCutOut({10, 10, 50, 50}, h, v, false, {50, 50}, {0, 0}, false);
    EXPECT_EQ(r, (TRect{0, 0, 10, 10}));
    EXPECT_EQ(h, EdgeCode::Left);
    EXPECT_EQ(v, EdgeCode::Top);
    r = DragCutOut(r, h, v, false, {0, 0}, {-5, -6}, false);
    EXPECT_EQ(r, (TRect{-5, -6, 10, 10}));
    // A move takes the whole cut-out along.
    EXPECT_EQ(DragCutOut({10, 10, 50, 50}, h, v, true, {20, 20}, {25, 18}, false), (TRect{15, 8, 55, 48}));
}

TEST(IllustCutOut, ADroppedCutOutComesBackToThePicture)
{
    const TRect picture{50, 50, 150, 100};
    // Wholly right of a narrower picture: its left edge on the picture's left edge.
    EXPECT_EQ(BringCutOutBack({200, 60, 330, 90}, picture), (TRect{50, 60, 180, 90}));
    // Wholly right of a wider one: its right edge on the picture's right edge.
    EXPECT_EQ(BringCutOutBack({200, 60, 240, 90}, picture), (TRect{110, 60, 150, 90}));
    EXPECT_EQ(BringCutOutBack({0, 60, 20, 90}, picture), (TRect{50, 60, 70, 90}));
    EXPECT_EQ(BringCutOutBack({60, 0, 80, 20}, picture), (TRect{60, 50, 80, 70}));
    EXPECT_EQ(BringCutOutBack({60, 120, 80, 130}, picture), (TRect{60, 90, 80, 100}));
    // Overlapping, it stays.
    EXPECT_EQ(BringCutOutBack({140, 90, 300, 300}, picture), (TRect{140, 90, 300, 300}));
}

TEST(IllustCutOut, ArrowKeysWalkTheColumnsOfTwo)
{
    EXPECT_EQ(MaskIndexAfterKey(3, 13, Qt::Key_Right), 5);
    EXPECT_EQ(MaskIndexAfterKey(3, 13, Qt::Key_Down), 4);
    EXPECT_EQ(MaskIndexAfterKey(3, 13, Qt::Key_Left), 1);
    EXPECT_EQ(MaskIndexAfterKey(3, 13, Qt::Key_Up), 2);
    EXPECT_EQ(MaskIndexAfterKey(11, 13, Qt::Key_Right), 11);
    EXPECT_EQ(MaskIndexAfterKey(12, 13, Qt::Key_Down), 12);
    EXPECT_EQ(MaskIndexAfterKey(1, 13, Qt::Key_Left), 1);
    EXPECT_EQ(MaskIndexAfterKey(0, 13, Qt::Key_Up), 0);
    EXPECT_EQ(MaskIndexAfterKey(0, 0, Qt::Key_Right), 0);
}

TEST(IllustCutOut, PreviewCentredOrScrolling)
{
    TPreviewPlace place = PlacePreview({229, 229}, 100, 51);
    EXPECT_EQ(place.Picture, (TRect{62, 87, 162, 138}));
    EXPECT_EQ(place.PaintBox, QSize(225, 225));
    place = PlacePreview({229, 229}, 300, 100);
    EXPECT_EQ(place.Picture, (TRect{0, 62, 300, 162}));
    EXPECT_EQ(place.PaintBox, QSize(300, 225));
}

class IllustDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved = DataFolder;
        DataFolder = data.path() + "/";
        for (int n = 1; n <= 13; ++n)
            AddMaskFileName(test::appDir() + QStringLiteral("Common/Mask/Itm%1.svg").arg(n, 2, 10, QLatin1Char('0')));
    }
    void TearDown() override
    {
        FreeMaskFileList();
        DataFolder = saved;
    }
    void makeObject(TIllustRect &object, int w, int h)
    {
        const TBitmapGraphic picture(marked(w, h));
        object.SetPicture(&picture);
        object.SetRect({40, 30, 40 + w, 30 + h});
        object.SetMaskRect({40, 30, 40 + w, 30 + h});
    }
    void setDesign(const QString &key, int value)
    {
        TMemIniFile ini(DataFolder + SettingsFileName);
        ini.WriteInteger("DESIGN", key, value);
        ini.UpdateFile();
    }
    // The dialog shown on a 100 x 80 picture object, opening on page at scale ratio, the object cut out by
    // mask (-1 for none).
    std::unique_ptr<TIllustSettingDialog> shownOn(TIllustRect &object, int page, int ratio, int mask)
    {
        setDesign("IllustSet", page);
        setDesign("IllustSetRatio", ratio);
        makeObject(object, 100, 80);
        if (mask >= 0)
            object.SetMaskIndex(mask);
        auto dialog = std::make_unique<TIllustSettingDialog>(nullptr);
        dialog->SetIllustRect(object);
        dialog->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        return dialog;
    }
    int design(const QString &key) { return TMemIniFile(DataFolder + SettingsFileName).ReadInteger("DESIGN", key, -9); }
    template <class T> static T *control(QWidget *in, const char *name)
    {
        T *c = in->findChild<T *>(QLatin1String(name));
        EXPECT_TRUE(c) << name;
        return c;
    }
    static bool blue(QAbstractButton *button)
    {
        return button->palette().color(QPalette::ButtonText) == QColor(Qt::blue);
    }

    QTemporaryDir data;
    QString saved;
};

TEST_F(IllustDialogTest, OpensOnTheMaskAndWalksTheShapesWithArrows)
{
    setDesign("IllustSet", 1);
    TIllustRect object;
    makeObject(object, 120, 90);
    object.SetMaskIndex(3);
    const QByteArray before = streamOf(object);
    TIllustSettingDialog dialog(nullptr);
    dialog.SetIllustRect(object);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(control<QTabWidget>(&dialog, "pgcSetting")->currentIndex(), 1);
    EXPECT_TRUE(control<QRadioButton>(&dialog, "rbMask")->isChecked());
    EXPECT_TRUE(control<QWidget>(&dialog, "sbxMask")->isVisible());
    EXPECT_FALSE(control<QWidget>(&dialog, "pnlTransparentColor")->isVisible());
    EXPECT_EQ(dialog.MaskIndex(), 3);
    // A look at the window as the user sees it, when asked for.
    if (qEnvironmentVariableIsSet("VELMORA_SHOT_DIR"))
        dialog.grab().save(qEnvironmentVariable("VELMORA_SHOT_DIR") + "/IlstSet.png");
    auto *list = control<QScrollArea>(&dialog, "sbxMask");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Right);
    EXPECT_EQ(dialog.MaskIndex(), 5);
    EXPECT_EQ(dialog.Preview().MaskIndex(), 5);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(dialog.MaskIndex(), 6);
    // A click on a shape chooses it.
    QTest::mouseClick(control<QWidget>(&dialog, "MaskBox0"), Qt::LeftButton);
    EXPECT_EQ(dialog.Preview().MaskIndex(), 0);
    // Shown as it is: no mask and no transparent colour on the copy; the object itself is never touched.
    control<QRadioButton>(&dialog, "rbNone")->click();
    EXPECT_EQ(dialog.Preview().MaskIndex(), -1);
    EXPECT_EQ(dialog.Preview().TransparentColor(), clNone);
    dialog.reject();
    EXPECT_EQ(streamOf(object), before);
}

TEST_F(IllustDialogTest, WithoutMaskOpensAsItIsOfferingTheCornerColour)
{
    setDesign("IllustSet", 7);
    TIllustRect object;
    makeObject(object, 80, 60);
    TIllustSettingDialog dialog(nullptr);
    dialog.SetIllustRect(object);
    EXPECT_EQ(control<QTabWidget>(&dialog, "pgcSetting")->currentIndex(), 0);
    EXPECT_TRUE(control<QRadioButton>(&dialog, "rbNone")->isChecked());
    EXPECT_EQ(control<QFrame>(&dialog, "pnlTransparentColor")->palette().color(QPalette::Window), QColor(Qt::green));
    control<QRadioButton>(&dialog, "rbTransparent")->click();
    EXPECT_EQ(dialog.Preview().TransparentColor(), 0x00FF00u);
    EXPECT_EQ(dialog.Preview().GetRect(), (TRect{0, 0, 80, 60}));
}

TEST_F(IllustDialogTest, UpsideDownAndQuarterTurns)
{
    TIllustRect object;
    makeObject(object, 300, 100);
    TIllustSettingDialog dialog(nullptr);
    dialog.SetIllustRect(object);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    control<QToolButton>(&dialog, "sbtnFullScale1")->click();
    // "上下に反転": the top row ends at the bottom.
    control<QRadioButton>(&dialog, "rbVert")->setChecked(true);
    control<QPushButton>(&dialog, "bbtnReverse")->click();
    QImage picture = dialog.Preview().GetPicture();
    EXPECT_EQ(picture.pixelColor(150, 99), QColor(Qt::red));
    EXPECT_EQ(picture.pixelColor(150, 0), QColor(Qt::blue));
    control<QRadioButton>(&dialog, "rbHorz")->setChecked(true);
    control<QPushButton>(&dialog, "bbtnReverse")->click();
    EXPECT_EQ(dialog.Preview().GetPicture().pixelColor(299, 0), QColor(Qt::green));
    // A quarter turn of 300 x 100 makes a 100 x 300 preview at the same scale, centred again.
    control<QRadioButton>(&dialog, "rbR90")->setChecked(true);
    control<QPushButton>(&dialog, "bbtnRotate")->click();
    EXPECT_EQ(dialog.Preview().GetRect().Width(), 100);
    EXPECT_EQ(dialog.Preview().GetRect().Height(), 300);
    const TRect shown = dialog.Preview().GetDispRect();
    EXPECT_EQ(shown.Width(), 100);
    EXPECT_EQ(shown.Height(), 300);
    EXPECT_EQ(shown.Left, (225 - 100) / 2);
    EXPECT_EQ(shown.Top, 0);
    dialog.accept();
    EXPECT_EQ(object.GetPicture().pixelColor(150, 0), QColor(Qt::red));
}

TEST_F(IllustDialogTest, ScaleButtonsInStepAndTheChoicesRemembered)
{
    setDesign("IllustSet", 2);
    setDesign("IllustSetRatio", 9);
    TIllustRect object;
    makeObject(object, 100, 100);
    {
        TIllustSettingDialog dialog(nullptr);
        dialog.SetIllustRect(object);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        EXPECT_EQ(control<QTabWidget>(&dialog, "pgcSetting")->currentIndex(), 2);
        EXPECT_TRUE(control<QToolButton>(&dialog, "sbtnDouble1")->isChecked());
        EXPECT_DOUBLE_EQ(dialog.Preview().Zoom(), 2.0);
        control<QToolButton>(&dialog, "sbtnJust3")->click();
        EXPECT_DOUBLE_EQ(dialog.Preview().Zoom(), 229 * 0.9 / 100);
        control<QToolButton>(&dialog, "sbtnDouble2")->click();
        control<QToolButton>(&dialog, "sbtnDouble2")->click();
        for (const char *name : {"sbtnDouble1", "sbtnDouble2", "sbtnDouble3"}) {
            EXPECT_TRUE(control<QToolButton>(&dialog, name)->isChecked()) << name;
            EXPECT_TRUE(blue(control<QToolButton>(&dialog, name))) << name;
        }
        EXPECT_FALSE(blue(control<QToolButton>(&dialog, "sbtnJust1")));
        control<QTabWidget>(&dialog, "pgcSetting")->setCurrentIndex(1);
        control<QToolButton>(&dialog, "sbtnFullScale2")->click();
        dialog.reject();
    }
    EXPECT_EQ(design("IllustSet"), 1);
    EXPECT_EQ(design("IllustSetRatio"), 1);
}

TEST_F(IllustDialogTest, FrameAndBackOnTheCopy)
{
    TIllustRect object;
    makeObject(object, 60, 60);
    const QByteArray before = streamOf(object);
    TIllustSettingDialog dialog(nullptr);
    dialog.SetIllustRect(object);
    // Off, the colours on offer are red and light red.
    EXPECT_EQ(dialog.Preview().Frame.Color(), 0x0000FF);
    EXPECT_EQ(dialog.Preview().Frame.BackColor(), 0xBFBFFF);
    EXPECT_FALSE(control<QWidget>(&dialog, "cbxLineCount")->isEnabled());
    control<QCheckBox>(&dialog, "ckbFrame")->click();
    control<QCheckBox>(&dialog, "ckbBack")->click();
    EXPECT_TRUE(control<QWidget>(&dialog, "cbxLineCount")->isEnabled());
    EXPECT_TRUE(blue(control<QCheckBox>(&dialog, "ckbFrame")));
    EXPECT_EQ(dialog.Preview().Frame.Visible(), 1);
    EXPECT_EQ(dialog.Preview().Frame.BackVisible(), 1);
    if (qEnvironmentVariableIsSet("VELMORA_SHOT_DIR")) {
        dialog.show();
        control<QTabWidget>(&dialog, "pgcSetting")->setCurrentIndex(2);
        dialog.grab().save(qEnvironmentVariable("VELMORA_SHOT_DIR") + "/IlstSetFrame.png");
        control<QTabWidget>(&dialog, "pgcSetting")->setCurrentIndex(0);
        dialog.grab().save(qEnvironmentVariable("VELMORA_SHOT_DIR") + "/IlstSetTurn.png");
    }
    EXPECT_EQ(streamOf(object), before);
}

TEST_F(IllustDialogTest, CutOutDraggedWithTheMouseAndBroughtBack)
{
    TIllustRect object;
    const auto owned = shownOn(object, 1, 1, 0);
    TIllustSettingDialog &dialog = *owned;
    auto *preview = control<QWidget>(&dialog, "pbxPreview");
    const TRect picture = dialog.Preview().GetDispRect();
    const TRect cut = dialog.Preview().DispMaskRect();
    EXPECT_EQ(cut, picture);
    // The bottom-right handle, dragged 20 pixels left and 10 up.
    const QPoint handle(cut.Right - 2, cut.Bottom - 2);
    QTest::mouseMove(preview, handle);
    EXPECT_EQ(preview->cursor().shape(), Qt::SizeFDiagCursor);
    QTest::mousePress(preview, Qt::LeftButton, {}, handle);
    QMouseEvent move(QEvent::MouseMove, QPointF(handle - QPoint(20, 10)), preview->mapToGlobal(QPointF(handle - QPoint(20, 10))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(preview, &move);
    QTest::mouseRelease(preview, Qt::LeftButton, {}, handle - QPoint(20, 10));
    EXPECT_EQ(dialog.Preview().DispMaskRect(), (TRect{cut.Left, cut.Top, handle.x() - 20, handle.y() - 10}));

    // Moved wholly off the picture to the right, it comes back to the picture's right edge.
    const TRect sized = dialog.Preview().DispMaskRect();
    const QPoint inside(sized.Left + 10, sized.Top + 10);
    QTest::mouseMove(preview, inside);
    EXPECT_EQ(preview->cursor().shape(), Qt::SizeAllCursor);
    QTest::mousePress(preview, Qt::LeftButton, {}, inside);
    const QPoint far = inside + QPoint(picture.Width() + 50, 0);
    QMouseEvent away(QEvent::MouseMove, QPointF(far), preview->mapToGlobal(QPointF(far)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(preview, &away);
    QTest::mouseRelease(preview, Qt::LeftButton, {}, far);
    const TRect back = dialog.Preview().DispMaskRect();
    EXPECT_EQ(back.Right, picture.Right);
    EXPECT_EQ(back.Width(), sized.Width());
    EXPECT_EQ(back.Top, sized.Top);
}

TEST_F(IllustDialogTest, TransparentColourPickedFromThePicture)
{
    TIllustRect object;
    const auto owned = shownOn(object, 1, 1, -1);
    TIllustSettingDialog &dialog = *owned;
    control<QRadioButton>(&dialog, "rbTransparent")->click();
    EXPECT_EQ(dialog.Preview().TransparentColor(), 0x00FF00u);
    const TRect picture = dialog.Preview().GetDispRect();
    QTest::mouseClick(control<QWidget>(&dialog, "pbxPreview"), Qt::LeftButton, {},
                      QPoint(picture.Left + 50, picture.Top + 40));
    EXPECT_EQ(dialog.Preview().TransparentColor(), 0xFF0000u);
    EXPECT_EQ(control<QFrame>(&dialog, "pnlTransparentColor")->palette().color(QPalette::Window), QColor(Qt::blue));
}

TEST_F(IllustDialogTest, WheelScrollsTheMaskListSideways)
{
    TIllustRect object;
    const auto owned = shownOn(object, 1, 0, 0);
    TIllustSettingDialog &dialog = *owned;
    auto *list = control<QScrollArea>(&dialog, "sbxMask");
    QScrollBar *bar = list->horizontalScrollBar();
    ASSERT_TRUE(bar->isVisible());
    const auto wheel = [&](int delta) {
        QWheelEvent event(QPointF(20, 20), list->viewport()->mapToGlobal(QPointF(20, 20)), {}, {0, delta},
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(list->viewport(), &event);
    };
    wheel(-240);
    EXPECT_EQ(bar->value(), 2 * ((62 + 8) / 2));
    wheel(120);
    EXPECT_EQ(bar->value(), (62 + 8) / 2);
    // Arrow keys keep the chosen shape in view.
    list->setFocus();
    for (int i = 0; i < 6; ++i)
        QTest::keyClick(list, Qt::Key_Right);
    EXPECT_EQ(dialog.MaskIndex(), 12);
    EXPECT_GE(bar->value(), 8 + 6 * 70 + 62 + 8 - list->viewport()->width());
}

TEST_F(IllustDialogTest, EnterMovesOnAsTheTableSays)
{
    TIllustRect object;
    const auto owned = shownOn(object, 0, 0, -1);
    TIllustSettingDialog &dialog = *owned;
    const auto enterOn = [&](const char *name) {
        QWidget *from = control<QWidget>(&dialog, name);
        from->setFocus();
        QTest::keyClick(from, Qt::Key_Return);
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
    };
    control<QRadioButton>(&dialog, "rbR90")->setChecked(true);
    EXPECT_EQ(enterOn("rbVert"), "rbR90");
    EXPECT_EQ(enterOn("rb180"), "btnOK");
    // Enter is swallowed: the dialog is still open.
    EXPECT_TRUE(dialog.isVisible());
    control<QTabWidget>(&dialog, "pgcSetting")->setCurrentIndex(2);
    control<QCheckBox>(&dialog, "ckbFrame")->click();
    EXPECT_EQ(enterOn("cbxLineWidth"), "ckbBack");
    EXPECT_EQ(enterOn("ckbBack"), "btnOK");
    EXPECT_EQ(enterOn("ckbFrame"), "cbxLineCount");
}
