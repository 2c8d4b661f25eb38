// The designers' editing commands on the address designer: each command leaves one undo step whose undo and
// redo give the document back byte for byte, the clipboard's placement and its all-or-nothing paste,
// deletion, alignment, spacing, stacking and the default layout; a phone's portrait photograph inserted and
// printed upright.
#include "ExifJpegs.h"
#include "HostileJpegs.h"
#include "LayoutFixture.h"
#include "PrintedPdf.h"

#include "base/Units.h"
#include "designers/DrawClipboard.h"
#include "designers/LayoutPrint.h"
#include "designers/PrintDocument.h"
#include "drawing/PrinterInfo.h"
#include "drawing/BarcodeRect.h"
#include "drawing/FigureRect.h"
#include "drawing/IllustRect.h"
#include "drawing/JpegImage.h"
#include "drawing/QRCodeRect.h"

#include <QBuffer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QRadioButton>

#include <functional>

namespace {

class DesignerCommandTest : public LayoutCanvasTest {
protected:
    void SetUp() override
    {
        LayoutCanvasTest::SetUp();
        DrawClipboard.reset();
    }
    void TearDown() override
    {
        DrawClipboard.reset();
        LayoutCanvasTest::TearDown();
    }
    // The document as its file holds it.
    QByteArray bytes() const { return form->Layout.Bytes(QByteArray()); }
    TFigureRect *addFigure(const TRect &r)
    {
        auto figure = std::make_unique<TFigureRect>();
        figure->SetRect(r);
        figure->SetZoom(form->ZoomRatio);
        TFigureRect *added = figure.get();
        form->FigureList.push_back(std::move(figure));
        form->ZOrderList.insert(form->ZOrderList.begin(), added);
        return added;
    }
    void select(std::vector<TDrawRect *> objects, int focused = 0)
    {
        form->SelectedList = std::move(objects);
        form->FocusedIndex = focused;
        form->UpdateActions();
    }
    // Runs the command and checks that it left exactly one step, whose undo gives back the document before it
    // and whose redo the document after it.
    void expectOneReversibleStep(const char *what, const std::function<void()> &command)
    {
        SCOPED_TRACE(what);
        const QByteArray before = bytes();
        const int steps = form->UndoList.GetCount();
        command();
        const QByteArray after = bytes();
        ASSERT_NE(after, before);
        ASSERT_EQ(form->UndoList.GetCount(), std::min(steps + 1, TUndoList::Capacity));
        ASSERT_EQ(form->UndoList.GetPosition(), -1);
        run(form->actUndo);
        EXPECT_EQ(bytes(), before);
        run(form->actRedo);
        EXPECT_EQ(bytes(), after);
    }
    // A command as the user gives it: only while it is enabled.
    void run(QAction *action)
    {
        form->UpdateActions();
        action->trigger();
    }
    TDrawRect *barcode() { return form->CombinedObjects[CombinedBarcodeIndex].get(); }
};

}  // namespace

TEST_F(DesignerCommandTest, EveryCommandsStepUndoneAndRedoneGivesTheDocumentBack)
{
    TWordRect *a = addWord(TRect{10, 10, 60, 110});
    TWordRect *b = addWord(TRect{120, 40, 200, 90});
    TFigureRect *c = addFigure(TRect{30, 200, 90, 260});
    const auto three = [&] { select({a, b, c}, 0); };
    for (int tag = 0; tag < 3; ++tag) {
        b->SetRect(TRect{120, 40, 200, 90});
        c->SetRect(TRect{30, 200, 90, 260});
        select({b, c}, 0);
        expectOneReversibleStep("centre", [&] { form->actRectPositionExecute(tag); });
    }
    const std::array<QAction *, 10> unite{form->actRectTop,    form->actRectBottom,  form->actRectRight,
                                          form->actRectLeft,   form->actRectCenterV, form->actRectCenterH,
                                          form->actRectCenter, form->actRectWidth,   form->actRectHeight,
                                          form->actRectSize};
    for (QAction *action : unite) {
        // Each alignment starts from objects that differ in every edge.
        a->SetRect(TRect{10, 10, 60, 110});
        b->SetRect(TRect{120, 40, 200, 90});
        c->SetRect(TRect{30, 200, 90, 260});
        three();
        ASSERT_TRUE(action->isEnabled());
        expectOneReversibleStep(qPrintable(action->objectName()), [&] { run(action); });
    }
    for (QAction *action : {form->actEqualPaperH, form->actEqualPaperV, form->actEqualEndsH, form->actEqualEndsV}) {
        a->SetRect(TRect{10, 10, 60, 110});
        b->SetRect(TRect{20, 40, 100, 90});
        c->SetRect(TRect{200, 200, 260, 260});
        three();
        expectOneReversibleStep(qPrintable(action->objectName()), [&] { run(action); });
    }
    for (QAction *action : {form->actBottom, form->actTop, form->actDown, form->actUp}) {
        select({b}, 0);
        expectOneReversibleStep(qPrintable(action->objectName()), [&] { run(action); });
    }
    select({a, b});
    run(form->actCopy);
    expectOneReversibleStep("paste", [&] { run(form->actPaste); });
    select({form->WordList.back().get(), &address(), c}, 2);
    expectOneReversibleStep("delete", [&] { run(form->actDelete); });
    postal().SetRect(OffsetRect(postal().GetRect(), 40, 40));
    select({});
    form->FocusedIndex = -1;
    expectOneReversibleStep("default layout", [&] { run(form->actDefaultLayout); });
}

TEST_F(DesignerCommandTest, PastedGroupLandsOnTheOriginAndEachPasteIsOneStep)
{
    TWordRect *a = addWord(TRect{500, 300, 600, 400});
    TFigureRect *b = addFigure(TRect{700, 500, 900, 700});
    select({a, b});
    run(form->actCopy);
    form->UpdateActions();
    ASSERT_TRUE(form->actPaste->isEnabled());
    run(form->actPaste);
    run(form->actPaste);
    EXPECT_EQ(form->UndoList.GetCount(), 2);
    ASSERT_EQ(form->WordList.size(), 3u);
    ASSERT_EQ(form->FigureList.size(), 3u);
    for (size_t i : {1u, 2u}) {
        EXPECT_EQ(form->WordList[i]->GetRect(), (TRect{0, 0, 100, 100}));
        EXPECT_EQ(form->FigureList[i]->GetRect(), (TRect{200, 200, 400, 400}));
    }
    // The last pasted object on top, the pasted ones selected, the first focused.
    EXPECT_EQ(form->ZOrderList[0], form->FigureList[2].get());
    EXPECT_EQ(form->SelectedList, (std::vector<TDrawRect *>{form->WordList[2].get(), form->FigureList[2].get()}));
    EXPECT_EQ(form->FocusedIndex, 0);
    run(form->actUndo);
    EXPECT_TRUE(form->SelectedList.empty());
    EXPECT_EQ(form->WordList.size(), 2u);
    run(form->actRedo);
    ASSERT_EQ(form->SelectedList.size(), 2u);
    EXPECT_EQ(form->SelectedList[0], form->WordList[2].get());
    EXPECT_EQ(form->FocusedIndex, 0);
}

TEST_F(DesignerCommandTest, ClipboardCutShortAddsNothingAndRecordsNoStep)
{
    select({addWord(TRect{10, 10, 60, 110}), addFigure(TRect{70, 10, 120, 60})});
    run(form->actCopy);
    const QByteArray whole = DrawClipboard->Data();
    DrawClipboard->SetData(whole.left(whole.size() - 3));
    const QByteArray before = bytes();
    run(form->actPaste);
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(form->UndoList.GetCount(), 0);
    EXPECT_EQ(form->WordList.size(), 1u);
    EXPECT_EQ(form->SelectedList.size(), 2u);
}

TEST_F(DesignerCommandTest, DeleteDestroysFreeObjectsHidesTheBarcodeAndKeepsCombinedAddressesSelected)
{
    TWordRect *word = addWord(TRect{10, 10, 60, 110});
    select({&address(), word}, 1);
    run(form->actDelete);
    EXPECT_TRUE(form->WordList.empty());
    EXPECT_EQ(form->SelectedList, (std::vector<TDrawRect *>{&address()}));
    EXPECT_EQ(form->FocusedIndex, 0);
    EXPECT_EQ(form->UndoList.GetCount(), 1);

    // Shown only with a bar size that fits; the barcode comes back in its old stacking place.
    TDrawRect *bar = barcode();
    bar->Visible = 1;
    form->ZOrderList.insert(form->ZOrderList.begin() + 2, bar);
    select({bar});
    run(form->actDelete);
    EXPECT_EQ(bar->Visible, 0);
    EXPECT_EQ(form->Layout.ZIndexOf(bar), -1);
    run(form->actUndo);
    EXPECT_EQ(bar->Visible, 1);
    EXPECT_EQ(form->Layout.ZIndexOf(bar), 2);
}

TEST_F(DesignerCommandTest, SpacingCentringAlignmentAndStackingFollowTheirExamples)
{
    form->PaperWidth = 1000;
    form->PaperHeight = 1000;
    TWordRect *a = addWord(TRect{0, 0, 100, 50});
    TWordRect *b = addWord(TRect{10, 0, 110, 50});
    TWordRect *c = addWord(TRect{20, 0, 120, 301});
    select({a, b, c});
    run(form->actEqualPaperH);
    EXPECT_EQ(a->GetRect().Left, 175);
    EXPECT_EQ(b->GetRect().Left, 450);
    EXPECT_EQ(c->GetRect().Left, 725);
    select({c});
    run(form->actPaperCenterV);
    EXPECT_EQ(c->GetRect().Top, 349);
    a->SetRect(TRect{0, 0, 101, 50});
    b->SetRect(TRect{300, 80, 350, 120});
    select({a, b}, 0);
    run(form->actRectCenterH);
    EXPECT_EQ(b->GetRect(), (TRect{25, 80, 75, 120}));
    EXPECT_EQ(a->GetRect(), (TRect{0, 0, 101, 50}));
    // Two selected at stacking places 2 and 3 move to 1 and 2.
    TDrawRect *second = form->ZOrderList[2], *third = form->ZOrderList[3];
    select({second, third});
    run(form->actUp);
    EXPECT_EQ(form->ZOrderList[1], second);
    EXPECT_EQ(form->ZOrderList[2], third);
}

TEST_F(DesignerCommandTest, DefaultLayoutRecordsNothingWhenEverythingIsInPlace)
{
    select({});
    form->FocusedIndex = -1;
    // The first run may still centre the barcode in its place; the second finds everything at home.
    run(form->actDefaultLayout);
    const int steps = form->UndoList.GetCount();
    run(form->actDefaultLayout);
    EXPECT_EQ(form->UndoList.GetCount(), steps);
    const TRect home = postal().GetRect();
    postal().SetRect(OffsetRect(home, 25, 25));
    select({&postal()});
    run(form->actDefaultLayout);
    EXPECT_EQ(postal().GetRect(), home);
    EXPECT_EQ(form->UndoList.GetCount(), steps + 1);
}

// ---- Commands with a settings dialog ----

namespace {

class DesignerDialogCommandTest : public DesignerCommandTest {
protected:
    // Answers the next modal dialog: fill changes it, then OK (or Cancel).
    void answer(std::function<void(QDialog &)> fill, bool ok = true)
    {
        QTimer::singleShot(0, [fill, ok] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            fill(*dialog);
            auto *button = dialog->findChild<QPushButton *>(QStringLiteral("btnOK"));
            if (!ok)
                dialog->reject();
            else if (button)
                button->click();
            else
                dialog->accept();
        });
    }
    static void none(QDialog &) {}
    static void pickKind(QDialog &dialog, int kind)
    {
        auto *box = control<QComboBox>(dialog, "cbxFigureKind");
        box->setCurrentIndex(kind);
        emit box->activated(kind);
    }
    template <class T> static T *control(QDialog &dialog, const char *name)
    {
        T *found = dialog.findChild<T *>(QLatin1String(name));
        EXPECT_TRUE(found) << name;
        return found;
    }
};

}  // namespace

TEST_F(DesignerDialogCommandTest, FigureAddedFromItsDialogBecomesTheDefaultAndCancelAddsNothing)
{
    answer(none, false);
    run(form->actFigure);
    EXPECT_TRUE(form->FigureList.empty());
    EXPECT_EQ(form->UndoList.GetCount(), 0);
    EXPECT_FALSE(form->Modified);

    expectOneReversibleStep("add", [&] {
        answer([](QDialog &d) { pickKind(d, 1); });
        run(form->actFigure);
    });
    ASSERT_EQ(form->FigureList.size(), 1u);
    TFigureRect &figure = *form->FigureList[0];
    EXPECT_EQ(figure.FigureKind(), 1);
    EXPECT_EQ(figure.GetRect(), (TRect{50, 50, 300, 300}));
    EXPECT_EQ(form->ZOrderList[0], &figure);
    EXPECT_EQ(form->FocusedObject(), &figure);
    EXPECT_EQ(form->DefaultFigure->FigureKind(), 1);
    EXPECT_EQ(form->DefaultsChanged, 1);
}

TEST_F(DesignerDialogCommandTest, EditingOneOfThreeFiguresGivesAllItsSettingsAndKeepsTheirSizes)
{
    TFigureRect *a = addFigure(TRect{10, 10, 60, 60});
    TFigureRect *b = addFigure(TRect{100, 10, 200, 60});
    TFigureRect *c = addFigure(TRect{10, 100, 60, 300});
    select({a, b, c}, 1);
    expectOneReversibleStep("edit", [&] {
        answer([](QDialog &d) { pickKind(d, 2); });
        run(form->actFigureSet);
    });
    for (TFigureRect *figure : {a, b, c})
        EXPECT_EQ(figure->FigureKind(), 2);
    EXPECT_EQ(a->GetRect(), (TRect{10, 10, 60, 60}));
    EXPECT_EQ(b->GetRect(), (TRect{100, 10, 200, 60}));
    EXPECT_EQ(c->GetRect(), (TRect{10, 100, 60, 300}));
}

TEST_F(DesignerDialogCommandTest, QRCodeLargerThanTheRoomBelowItsStartGoesToTheOrigin)
{
    form->PaperWidth = 100;
    form->PaperHeight = 100;
    expectOneReversibleStep("add", [&] {
        answer([](QDialog &d) {
            control<QPlainTextEdit>(d, "memText")->setPlainText(QStringLiteral("TEL:03-1234-5678 山田太郎 様"));
        });
        run(form->actQRCode);
    });
    ASSERT_EQ(form->QRCodeList.size(), 1u);
    const TRect r = form->QRCodeList[0]->GetRect();
    EXPECT_EQ(r.Left, 0);
    EXPECT_EQ(r.Top, 0);
    EXPECT_GT(r.Right, 50) << "larger than the room right of its start";
    EXPECT_EQ(form->QRCodeList[0]->Text(), Sjis::encode(QStringLiteral("TEL:03-1234-5678 山田太郎 様")));
}

TEST_F(DesignerDialogCommandTest, FontForAllReachesEveryTextAlsoUnselectedFreeTextsInOneStep)
{
    TWordRect *word = addWord(TRect{10, 10, 60, 110});
    select({&postal()});
    expectOneReversibleStep("font", [&] {
        answer([](QDialog &d) {
            control<QCheckBox>(d, "ckbBold")->click();
            control<QCheckBox>(d, "ckbAll")->setChecked(true);
        });
        run(form->actFont);
    });
    EXPECT_TRUE(postal().Font().Log.Font.bold());
    EXPECT_TRUE(name().Font().Log.Font.bold());
    EXPECT_TRUE(word->Font().Log.Font.bold());
}

TEST_F(DesignerDialogCommandTest, TextSettingsOfANonJapaneseFaceResetTheDefaultFace)
{
    TWordRect *word = addWord(TRect{10, 10, 60, 110});
    TFont font = word->Font();
    SetFontSpec(&font.Log, ANSI_CHARSET, QStringLiteral("DejaVu Sans"), 0, 12);
    word->SetFont(font);
    select({word});
    answer([](QDialog &d) { control<QCheckBox>(d, "ckbFrame")->setChecked(true); });
    run(form->actWordSet);
    EXPECT_EQ(form->DefaultWord->Font().Log.Font.family(), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(form->DefaultWord->Font().Log.Charset, SHIFTJIS_CHARSET);
    EXPECT_EQ(form->DefaultsChanged, 1);
    EXPECT_EQ(form->UndoList.GetCount(), 1);
}

TEST_F(DesignerDialogCommandTest, NewVerticalTextIsFittedToASmallPaperAndEditingTurnsItAndTheOtherSelectedTexts)
{
    form->PaperWidth = 100;
    form->PaperHeight = 300;
    form->DefaultWord->SetDirection(WritingDirection::Vertical);
    expectOneReversibleStep("add", [&] {
        answer([](QDialog &d) { control<QPlainTextEdit>(d, "memWords")->setPlainText(QStringLiteral("謹賀新年\n令和九年元旦")); });
        run(form->actWord);
    });
    ASSERT_EQ(form->WordList.size(), 1u);
    TWordRect &added = *form->WordList[0];
    EXPECT_EQ(added.GetRect(), (TRect{0, 33, 100, 200}));
    EXPECT_EQ(added.GetLineCount(), 2);
    EXPECT_EQ(added.GetLine(1), QStringLiteral("令和九年元旦"));
    EXPECT_EQ(form->FocusedObject(), &added);

    TWordRect *other = addWord(TRect{10, 10, 40, 110});
    other->SetDirection(WritingDirection::Vertical);
    select({&added, other}, 0);
    expectOneReversibleStep("edit", [&] {
        answer([](QDialog &d) { control<QRadioButton>(d, "rbHorizontal")->click(); });
        run(form->actWordEdit);
    });
    EXPECT_EQ(added.Direction(), WritingDirection::Horizontal);
    EXPECT_EQ(added.GetRect(), (TRect{0, 33, 167, 133}));
    EXPECT_EQ(other->Direction(), WritingDirection::Horizontal);
    EXPECT_EQ(other->GetRect(), (TRect{10, 10, 110, 40}));
    // Later new texts start horizontal, and the defaults are saved.
    EXPECT_EQ(form->DefaultWord->Direction(), WritingDirection::Horizontal);
    EXPECT_EQ(form->DefaultsChanged, 1);
}

// ---- The address designer's own layout commands ----

TEST_F(DesignerDialogCommandTest, LayoutDetailChangeEmptiesTheHistoryAndTheSamePaperChangesNothing)
{
    TWordRect *word = addWord(TRect{10, 10, 60, 110});
    select({word});
    run(form->actPaperCenter);
    ASSERT_EQ(form->UndoList.GetCount(), 1);
    answer(none);
    run(form->actDetail);
    // Older steps would point at objects the detail change may have added or removed.
    EXPECT_EQ(form->UndoList.GetCount(), 0);
    EXPECT_TRUE(form->Modified);

    form->Modified = 0;
    const QByteArray before = bytes();
    answer(none);
    run(form->actFormat);
    EXPECT_EQ(bytes(), before);
    EXPECT_FALSE(form->Modified);
}

TEST_F(DesignerDialogCommandTest, BarcodeDialogConfirmedUnchangedLeavesHistoryAndModifiedAlone)
{
    answer(none);
    form->actBarcodeSetExecute();
    EXPECT_EQ(form->UndoList.GetCount(), 0);
    EXPECT_FALSE(form->Modified);
}

TEST_F(DesignerCommandTest, DefaultPlacesBeyondTheObjectsOfTheSetAreNone)
{
    form->PaperFormat.CombinedRectCount = 13;
    form->PaperFormat.CombinedRects[9] = TFormatRect{1, 2, 3, 4};
    EXPECT_EQ(form->DefaultRect(9), TRect{});
    EXPECT_EQ(form->DefaultRect(8), (TRect{form->PaperFormat.CombinedRects[8].Left, form->PaperFormat.CombinedRects[8].Top,
                                           form->PaperFormat.CombinedRects[8].Right, form->PaperFormat.CombinedRects[8].Bottom}));
}

// ---- Pictures from the image picker ----

TEST_F(DesignerCommandTest, PickedPictureBecomesAnIllustrationThatGoesBackToItsOwnSize)
{
    QTemporaryDir dir;
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    image.setDotsPerMeterX(7559);  // 192 dpi
    image.setDotsPerMeterY(7559);
    const QString file = dir.filePath(QStringLiteral("写真.bmp"));
    ASSERT_TRUE(image.save(file, "BMP"));

    const QByteArray before = bytes();
    form->PickerFileChosen(QFile::encodeName(dir.filePath(QStringLiteral("ない.bmp"))));
    form->PickerFileChosen(QByteArray());
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(form->UndoList.GetCount(), 0);

    form->PickerFileChosen(QFile::encodeName(file));
    ASSERT_EQ(form->IllustList.size(), 1u);
    TIllustRect *picture = form->IllustList[0].get();
    EXPECT_EQ(form->FocusedObject(), picture);
    EXPECT_EQ(form->UndoList.GetCount(), 1);
    const TRect placed = picture->GetRect();
    EXPECT_EQ(placed.Left, std::max(form->PrintableArea.Left, 0));
    EXPECT_EQ(placed.Width(), 100);
    EXPECT_EQ(placed.Height(), 50);
    run(form->actUndo);
    EXPECT_TRUE(form->IllustList.empty());
    run(form->actRedo);
    ASSERT_EQ(form->IllustList.size(), 1u);
    picture = form->IllustList[0].get();

    picture->Resolution = 192;  // a picture read back from a stream counts as 96 dpi
    picture->SetRect(TRect{-20, 30, 280, 330});
    select({picture});
    expectOneReversibleStep("own size", [&] { run(form->pmiIllustDef); });
    EXPECT_EQ(picture->GetRect(), (TRect{0, 30, 100, 80}));
}

TEST_F(DesignerCommandTest, APickedPhotographIsDecodedForItsObjectAndAPictureLeftOutIsSaid)
{
    QTemporaryDir dir;
    // 24 megapixels, progressive, without chroma subsampling, as photo editors export: whole, its pixels and
    // coefficients would pass the decoder's bound.
    const QString photo = dir.filePath(QStringLiteral("写真.jpg"));
    test::writeFile(photo, PhotoJpeg(6000, 4000));
    form->PickerFileChosen(QFile::encodeName(photo));
    EXPECT_TRUE(boxes.shown().empty());
    ASSERT_EQ(form->IllustList.size(), 1u);
    EXPECT_EQ(form->UndoList.GetCount(), 1);
    TIllustRect *picture = form->IllustList[0].get();
    EXPECT_EQ(picture->PictureSize(), QSize(6000, 4000));
    // 6,000 pixels at 72 dpi fitted to the postcard's printable width; 5/8 of the photograph covers its longer
    // side at 600 dpi, a half would not.
    const TRect placed = picture->GetRect();
    EXPECT_EQ(placed.Width(), std::min(form->PrintableArea.Right, form->PaperWidth) - placed.Left);
    EXPECT_NEAR(placed.Height() * 1.5, placed.Width(), 1);
    ASSERT_GT(PictureCover(QSize(placed.Width(), placed.Height())), 2000);
    ASSERT_LE(PictureCover(QSize(placed.Width(), placed.Height())), 2500);
    EXPECT_EQ(picture->GetPicture().size(), QSize(3750, 2500));

    // Given to a small illustration in focus, it is decoded for that one's size: an eighth.
    picture->SetRect(TRect{10, 10, 70, 50});
    select({picture});
    form->PickerFileChosen(QFile::encodeName(photo));
    EXPECT_EQ(form->IllustList.size(), 1u);
    EXPECT_EQ(picture->GetRect(), (TRect{10, 10, 70, 50}));
    EXPECT_EQ(picture->GetPicture().size(), QSize(750, 500));

    // A picture the decoder refuses (648 MB of coefficients) is said to be too large, with its size; one it
    // finds damaged, unreadable; and nothing changes.
    select({}, -1);
    const QByteArray before = bytes();
    const int steps = form->UndoList.GetCount();
    for (const auto &[refused, said] :
         {std::pair{ProgressiveJpeg(18000, 18000, 1), QStringLiteral("画像が大きすぎるため扱えません  \r\n(18000 × 18000 ピクセル)")},
          std::pair{DamagedJpeg(EncodeJpeg(QImage(64, 48, QImage::Format_RGB888)), TJpegDamage::CutShort),
                    QStringLiteral("画像が読み込めませんでした  ")}}) {
        const QString file = dir.filePath(QStringLiteral("読めない.jpg"));
        test::writeFile(file, refused);
        boxes.clear();
        form->PickerFileChosen(QFile::encodeName(file));
        EXPECT_EQ(boxes.texts(), QStringList{said});
        EXPECT_EQ(bytes(), before);
        EXPECT_EQ(form->UndoList.GetCount(), steps);
    }
}

TEST_F(DesignerCommandTest, APhonesPortraitPhotographComesInUprightAndPrintsUpright)
{
    QTemporaryDir dir;
    // 4032 x 3024 as the phone stores it, orientation 6: upright 3024 x 4032, its top corners marked.
    const QSize upright(3024, 4032);
    const QImage picture = test::CornerMarkedPicture(upright);
    const QString photo = dir.filePath(QStringLiteral("IMG_0001.jpg"));
    const QByteArray file = test::WithExifOrientation(test::EncodedJpeg(test::StoredForOrientation(picture, 6)), 6);
    test::writeFile(photo, file);
    form->PickerFileChosen(QFile::encodeName(photo));
    EXPECT_TRUE(boxes.shown().empty());
    ASSERT_EQ(form->IllustList.size(), 1u);
    TIllustRect *illust = form->IllustList[0].get();
    // By the object's own turn, a quarter clockwise; the file's bytes as they are.
    EXPECT_EQ(illust->Orientation(), 1);
    EXPECT_EQ(illust->MirrorH() | illust->MirrorV(), 0);
    EXPECT_EQ(illust->KeptJpeg()->Data(), file);
    EXPECT_EQ(illust->PictureSize(), upright);
    const TRect placed = illust->GetRect();
    EXPECT_NEAR(placed.Width() * 4.0 / 3, placed.Height(), 2);

    TLayoutPrintJob job;
    job.Shown = {illust};
    job.Paper = form->PaperFormat;
    job.Sheet = form->SheetFormat;
    TPrinter &printer = Printer();
    printer.SetPrinterIndex(int(printer.Printers().indexOf(PdfPrinterName)));
    SetPrinterPaper(0, 1, form->PaperFormat.Width, form->PaperFormat.Height);
    const QString pdf = dir.filePath(QStringLiteral("写真.pdf"));
    ASSERT_EQ(PrintLayout(job, QStringLiteral("宛名印刷"), pdf, nullptr), TPrintOutcome::Printed);
    const QList<test::TPdfImage> images = test::pdfImages(pdf);
    ASSERT_EQ(images.size(), 1);
    EXPECT_NEAR(images[0].Pixels.width() * 4.0 / 3, images[0].Pixels.height(), 3);
    const QImage page = test::renderedPage(pdf, 1, 600);
    ASSERT_FALSE(page.isNull());
    test::keepSample(page, "portrait-photo-600dpi");
    const auto px = [](int units) { return LayoutToPixels(units, 600); };
    const int in = px(placed.Width()) / 12;
    const QPoint topLeft(px(placed.Left) + in, px(placed.Top) + in);
    const QPoint topRight(px(placed.Right) - in, px(placed.Top) + in);
    const QPoint bottomLeft(px(placed.Left) + in, px(placed.Bottom) - in);
    EXPECT_TRUE(test::NearColour(page.pixelColor(topLeft), test::TopLeftMark)) << page.pixelColor(topLeft).name().toStdString();
    EXPECT_TRUE(test::NearColour(page.pixelColor(topRight), test::TopRightMark));
    EXPECT_TRUE(test::NearColour(page.pixelColor(bottomLeft), QColor(200, 200, 200)));

    // Given to the picture in focus, a photograph stored turned the other way (8) comes in upright too.
    const QString other = dir.filePath(QStringLiteral("IMG_0002.jpg"));
    test::writeFile(other, test::WithExifOrientation(test::EncodedJpeg(test::StoredForOrientation(picture, 8)), 8, true));
    select({illust});
    form->PickerFileChosen(QFile::encodeName(other));
    ASSERT_EQ(form->IllustList.size(), 1u);
    EXPECT_EQ(illust->Orientation(), 0);
    EXPECT_EQ(illust->PictureSize(), upright);
    const QImage shown = illust->GetPicture();
    EXPECT_TRUE(test::NearColour(shown.pixelColor(shown.width() / 12, shown.width() / 12), test::TopLeftMark));
}

TEST_F(DesignerCommandTest, APictureOpenedSmallGoesBackToItsOwnSizeNotToThePixelsDecodedForIt)
{
    // 240 x 120, turned a quarter: on a 12 x 6 object a picture of 75 x 150 pixels covers it at 600 dpi.
    QImage image(240, 120, QImage::Format_RGB888);
    image.fill(Qt::darkCyan);
    TJpegImage jpeg;
    jpeg.LoadFromData(EncodeJpeg(image));
    TIllustRect stored;
    stored.SetRect(TRect{10, 10, 22, 16});
    stored.SetPicture(&jpeg);
    stored.RotatePicture(1);
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    TObjectStream stream(buffer);
    stored.SaveToStream(stream);
    buffer.seek(0);
    auto illust = std::make_unique<TIllustRect>();
    illust->LoadFromStream(stream);
    ASSERT_EQ(illust->GetPicture().size(), QSize(75, 150));
    illust->SetZoom(form->ZoomRatio);
    TIllustRect *picture = illust.get();
    form->IllustList.push_back(std::move(illust));
    form->ZOrderList.insert(form->ZOrderList.begin(), picture);
    select({picture});
    expectOneReversibleStep("own size", [&] { run(form->pmiIllustDef); });
    EXPECT_EQ(picture->GetRect(), (TRect{10, 10, 130, 250}));
    // At its own size it holds the whole picture, as it would have opened at that size.
    EXPECT_EQ(picture->GetPicture().size(), QSize(120, 240));
}

// ---- A page edited as a user edits it, saved and printed ----

TEST_F(DesignerDialogCommandTest, EditedPageUndoneAndRedoneSavesAndPrintsItsCodeReadably)
{
    const QByteArray start = bytes();
    form->DefaultWord->SetDirection(WritingDirection::Vertical);
    answer([](QDialog &d) { control<QPlainTextEdit>(d, "memWords")->setPlainText(QStringLiteral("謹賀新年")); });
    run(form->actWord);
    answer([](QDialog &d) {
        pickKind(d, TFigureRect::RoundRectangle);
        control<QCheckBox>(d, "ckbBack")->setChecked(true);
        control<QRadioButton>(d, "rbGradation")->click();
    });
    run(form->actFigure);
    const QByteArray entry("MECARD:N:Yamada,Taro;TEL:0312345678;;");
    answer([&](QDialog &d) { control<QPlainTextEdit>(d, "memText")->setPlainText(QString::fromLatin1(entry)); });
    run(form->actQRCode);
    ASSERT_EQ(form->WordList.size(), 1u);
    ASSERT_EQ(form->FigureList.size(), 1u);
    ASSERT_EQ(form->QRCodeList.size(), 1u);
    EXPECT_TRUE(form->FigureList[0]->Gradation());
    // The figure is made smaller so the three fit side by side, then they are aligned and spaced.
    form->FigureList[0]->SetRect(TRect{60, 90, 160, 190});
    select({form->QRCodeList[0].get(), form->WordList[0].get(), form->FigureList[0].get()}, 0);
    run(form->actRectTop);
    run(form->actEqualPaperH);
    const QByteArray edited = bytes();
    ASSERT_EQ(form->UndoList.GetCount(), 5);
    for (int i = 0; i < 5; ++i)
        run(form->actUndo);
    EXPECT_EQ(bytes(), start);
    for (int i = 0; i < 5; ++i)
        run(form->actRedo);
    EXPECT_EQ(bytes(), edited);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("年賀.gpl"));
    ASSERT_TRUE(form->SaveDocument(file));
    TPrintDocument saved;
    QString error;
    ASSERT_TRUE(saved.Open(file, &error)) << error.toStdString();
    EXPECT_EQ(saved.Bytes(QByteArray()), edited);

    // The objects draw for the printer chosen, as after the print settings.
    TPrinterInfo info(dir.filePath(QStringLiteral("Layout.pi")));
    TPrinter &printer = Printer();
    printer.SetPrinterIndex(int(printer.Printers().indexOf(PdfPrinterName)));
    SetPrinterPaper(0, 1, form->PaperFormat.Width, form->PaperFormat.Height);
    info.ReadCurrentPrinter();
    for (TDrawRect *object : form->ZOrderList)
        object->Prepare(info.RenderTarget(), true);
    TLayoutPrintJob job;
    job.Shown = form->ZOrderList;
    job.Paper = form->PaperFormat;
    job.Sheet = form->SheetFormat;
    const QString pdf = dir.filePath(QStringLiteral("年賀.pdf"));
    ASSERT_EQ(PrintLayout(job, QStringLiteral("宛名印刷"), pdf, nullptr), TPrintOutcome::Printed);
    EXPECT_TRUE(test::pageText(pdf, 1).contains(QStringLiteral("謹賀新年")));
    const QImage page = test::renderedPage(pdf, 1, 600);
    ASSERT_FALSE(page.isNull());
    const QString png = dir.filePath(QStringLiteral("page.png"));
    ASSERT_TRUE(page.save(png));
    if (qEnvironmentVariableIsSet("VELMORA_KEEP_PAGE"))
        page.save(qEnvironmentVariable("VELMORA_KEEP_PAGE"));
    const QString read = test::run(QStringLiteral("zbarimg"), {QStringLiteral("--raw"), QStringLiteral("-q"), png});
    EXPECT_EQ(read.trimmed(), QString::fromLatin1(entry));
}

TEST_F(DesignerDialogCommandTest, IllustrationSettingsTurnThePictureAndFrameTheOtherSelectedText)
{
    QTemporaryDir dir;
    QImage image(120, 60, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    const QString file = dir.filePath(QStringLiteral("絵.bmp"));
    ASSERT_TRUE(image.save(file, "BMP"));
    form->PickerFileChosen(QFile::encodeName(file));
    ASSERT_EQ(form->IllustList.size(), 1u);
    TIllustRect *picture = form->IllustList[0].get();
    TWordRect *word = addWord(TRect{200, 200, 260, 300});
    select({picture, word}, 0);
    const TRect before = picture->GetRect();
    expectOneReversibleStep("settings", [&] {
        answer([](QDialog &d) {
            control<QRadioButton>(d, "rbR90")->click();
            control<QPushButton>(d, "bbtnRotate")->click();
            auto *frame = control<QCheckBox>(d, "ckbFrame");
            if (!frame->isChecked())
                frame->click();
        });
        run(form->actIllustSet);
    });
    // A quarter turn keeps the top-left corner and exchanges the sides (the preview's zoom may round a unit).
    EXPECT_EQ(picture->GetRect().Left, before.Left);
    EXPECT_NEAR(picture->GetRect().Width(), before.Height(), 1);
    EXPECT_NEAR(picture->GetRect().Height(), before.Width(), 1);
    EXPECT_TRUE(picture->Frame.Visible());
    EXPECT_TRUE(word->Frame.Visible());
}
