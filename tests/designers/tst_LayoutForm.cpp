// The address designer over a real book and sender table: a new postcard shows the selected record and the
// sender, the main list's notifications, a deleted record, a missing paper picture, the fixed-set switch, the
// canvas's mouse and keys (Tab onto the paper, its pop-up from the keys), undo and redo applied back onto the
// layout, and the cut-out shapes it registers.
#include "LayoutFixture.h"

#include "drawing/DesignGlobals.h"
#include "drawing/Graphic.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>

#include <functional>

TEST_F(LayoutFormTest, NewPostcardShowsTheSelectedRecordAndTheSender)
{
    const int32_t sender = addSender(QStringLiteral("大阪　一郎"));
    addRecord(QStringLiteral("山田　太郎"), "1000001", QStringLiteral("千代田区千代田1-1"), sender);
    addRecord(QStringLiteral("鈴木　花子"), "2220002", QStringLiteral("港区芝2-2"), sender);
    listAndSelect(1);
    open();
    show();
    const int postcard = paperIndex(0);
    ASSERT_GE(postcard, 0);
    ASSERT_TRUE(applyPaper(postcard));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("宛名印刷 - 新規"));
    EXPECT_TRUE(form->DocumentOpen);
    EXPECT_EQ(name().Name(), QStringLiteral("鈴木 花子"));
    EXPECT_EQ(name().Honor(), QStringLiteral("様"));
    EXPECT_EQ(postal().Text(), QStringLiteral("２２２０００２"));
    EXPECT_EQ(address().GetLine(0), QStringLiteral("東京都港区芝２ー２"));
    EXPECT_EQ(senderName().Name(), QStringLiteral("大阪 一郎"));
    EXPECT_EQ(form->SenderRecNo, sender);
    ASSERT_EQ(form->ZOrderList.size(), 6u);
    EXPECT_EQ(form->ZOrderList[0], form->CombinedObjects[0].get());
    EXPECT_EQ(form->cbxViewRect->itemText(1), QStringLiteral("郵便番号"));
    EXPECT_TRUE(form->StatusPanels[1]->text().startsWith(QStringLiteral("  表示： ")));
    // Each object lies at its default place on the card.
    const TFormatRect &r = form->PaperFormat.CombinedRects[2];
    EXPECT_EQ(name().GetRect(), (TRect{r.Left, r.Top, r.Right, r.Bottom}));

    if (!qEnvironmentVariableIsEmpty("VELMORA_SHOT")) {
        QTest::qWait(50);
        form->grab().save(qEnvironmentVariable("VELMORA_SHOT"));
    }
}

TEST_F(LayoutFormTest, ListChangesShowTheNewSelectionAndDeletedRecordsNothing)
{
    const int32_t sender = addSender(QStringLiteral("大阪　一郎"));
    addRecord(QStringLiteral("山田　太郎"), "1000001", QStringLiteral("千代田区1"), sender);
    const int32_t second = addRecord(QStringLiteral("鈴木　花子"), "2220002", QStringLiteral("港区2"), sender);
    listAndSelect(0);
    open();
    ASSERT_TRUE(applyPaper(paperIndex(0)));
    EXPECT_EQ(name().Name(), QStringLiteral("山田 太郎"));
    // The main list tells the designer of the new selection; the record commands step through the list.
    list->SelectItem(1, true, false);
    EXPECT_EQ(name().Name(), QStringLiteral("鈴木 花子"));
    form->actPrior->trigger();
    EXPECT_EQ(list->GetSelectedIndex(), 0);
    EXPECT_EQ(name().Name(), QStringLiteral("山田 太郎"));
    form->actLast->trigger();
    EXPECT_EQ(name().Name(), QStringLiteral("鈴木 花子"));
    form->UpdateActions();
    EXPECT_FALSE(form->actNext->isEnabled());
    EXPECT_TRUE(form->actFirst->isEnabled());

    // A record deleted behind the list's back: nothing is shown, never the record the cursor lands on.
    TTable &t = *DMMirvale18->AdrsTable;
    ASSERT_TRUE(t.FindKey({second}));
    t.Delete();
    EXPECT_FALSE(form->BindRecord(second));
    EXPECT_EQ(name().Name(), QString());
    EXPECT_EQ(postal().Text(), QString());
    form->DataDeleted({second});
    EXPECT_EQ(name().Name(), QString());

    // Once the list is read again, the selected record shows.
    listAndSelect(0);
    form->DataUpdated({});
    EXPECT_EQ(name().Name(), QStringLiteral("山田 太郎"));
}

TEST_F(LayoutFormTest, PaperWithoutSenderPartShowsTheSenderAsAddresseeAndIgnoresTheList)
{
    const int32_t sender = addSender(QStringLiteral("大阪　一郎"));
    addRecord(QStringLiteral("山田　太郎"), "1000001", QStringLiteral("千代田区1"), sender);
    listAndSelect(0);
    open();
    // A postcard whose first set places no sender.
    TPaperFormat paper = master.Formats[size_t(paperIndex(0))];
    paper.CombinedRectCount = 4;
    form->ClearDocument();
    form->PaperFormat = paper;
    form->PrintParts = 1;
    ASSERT_TRUE(form->ApplyPaper());
    EXPECT_EQ(form->PrintParts, 1);
    EXPECT_EQ(name().Name(), QStringLiteral("大阪 一郎"));
    EXPECT_EQ(name().Honor(), QStringLiteral("行"));
    form->ListChanged();
    EXPECT_EQ(name().Name(), QStringLiteral("大阪 一郎"));
}

TEST_F(LayoutFormTest, MissingPaperPictureLeavesTheDesignerEmptyAndUsable)
{
    open();
    TPaperFormat paper = master.Formats[size_t(paperIndex(0))];
    paper.PictureFile = "Gone.svg";
    form->ClearDocument();
    form->PaperFormat = paper;
    EXPECT_FALSE(form->ApplyPaper());
    EXPECT_FALSE(form->DocumentOpen);
    EXPECT_TRUE(form->ZOrderList.empty());
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.texts().first().contains(QStringLiteral("Gone.svg")));
    // The next paper is set up as usual.
    EXPECT_TRUE(applyPaper(paperIndex(0)));
    EXPECT_TRUE(form->DocumentOpen);
}

TEST_F(LayoutFormTest, SwitchingTheFixedSetStacksEachObjectOnce)
{
    open();
    form->BarSize = 3;
    ASSERT_TRUE(applyPaper(paperIndex(0)));
    auto &combinedBarcode = static_cast<TBarcodeRect &>(*form->CombinedObjects[CombinedBarcodeIndex]);
    combinedBarcode.Visible = 1;
    combinedBarcode.SetBarSize(2);
    form->SetSplitLayout(1);
    EXPECT_EQ(form->FixedObjects[7], form->SplitObjects[7].get());
    // The barcode keeps its size and visibility across the switch.
    const auto &splitBarcode = static_cast<const TBarcodeRect &>(*form->SplitObjects[SplitBarcodeIndex]);
    EXPECT_EQ(splitBarcode.BarSize(), 2);
    EXPECT_TRUE(splitBarcode.Visible);
    EXPECT_NE(form->Layout.ZIndexOf(&splitBarcode), -1);
    const size_t stacked = form->ZOrderList.size();
    EXPECT_NE(form->Layout.ZIndexOf(form->SplitObjects[7].get()), -1);
    EXPECT_EQ(form->Layout.ZIndexOf(form->CombinedObjects[2].get()), -1);
    // The file commands stack the objects themselves around the switch.
    form->SplitSwitching = 1;
    form->SetSplitLayout(1);
    form->SplitSwitching = 0;
    EXPECT_EQ(form->ZOrderList.size(), stacked);
    for (TDrawRect *object : form->ZOrderList)
        EXPECT_EQ(std::count(form->ZOrderList.begin(), form->ZOrderList.end(), object), 1);
    form->SetSplitLayout(0);
    EXPECT_EQ(form->Layout.ZIndexOf(form->SplitObjects[7].get()), -1);
    EXPECT_NE(form->Layout.ZIndexOf(form->CombinedObjects[2].get()), -1);
}

TEST_F(LayoutFormTest, TurningTwiceGivesBackEveryRectangleAndFlag)
{
    open();
    ASSERT_TRUE(applyPaper(paperIndex(0)));
    std::vector<TRect> before;
    for (TDrawRect *object : form->ZOrderList)
        before.push_back(object->GetRect());
    form->TurnLayout();
    EXPECT_EQ(name().Turned(), 1);
    EXPECT_NE(form->ZOrderList[0]->GetRect(), before[0]);
    form->TurnLayout();
    EXPECT_EQ(name().Turned(), 0);
    for (size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(form->ZOrderList[i]->GetRect(), before[i]);
}

// ---- The canvas ----


TEST_F(LayoutCanvasTest, ClickSelectsCtrlClickDeselectsAndAMoveIsOneUndoStep)
{
    TDrawRect &nameObject = name();
    TDrawRect &postalObject = postal();
    QTest::mouseClick(card, Qt::LeftButton, {}, middle(nameObject));
    ASSERT_EQ(form->SelectedList.size(), 1u);
    EXPECT_EQ(form->FocusedObject(), &nameObject);
    EXPECT_EQ(form->cbxViewRect->currentText(), QStringLiteral("名前"));
    QTest::mouseClick(card, Qt::LeftButton, Qt::ControlModifier, middle(postalObject));
    ASSERT_EQ(form->SelectedList.size(), 2u);
    EXPECT_EQ(form->FocusedObject(), &postalObject);
    // Ctrl on a selected object takes it out; the other stays focused.
    hover(middle(postalObject));
    QTest::mouseClick(card, Qt::LeftButton, Qt::ControlModifier, middle(postalObject));
    ASSERT_EQ(form->SelectedList.size(), 1u);
    EXPECT_EQ(form->FocusedObject(), &nameObject);

    const TRect before = nameObject.GetRect();
    drag(middle(nameObject), middle(nameObject) + QPoint(15, -7));
    EXPECT_EQ(nameObject.GetRect(), OffsetRect(before, 15, -7));
    EXPECT_TRUE(form->Modified);
    ASSERT_EQ(form->UndoList.GetCount(), 1);
    // Undo puts the object back and selects what was selected before the move.
    QTest::mouseClick(card, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_TRUE(form->SelectedList.empty());
    form->UpdateActions();  // what the window's idle timer does, which a busy machine may not have run yet
    form->actUndo->trigger();
    EXPECT_EQ(nameObject.GetRect(), before);
    ASSERT_EQ(form->SelectedList.size(), 1u);
    EXPECT_EQ(form->FocusedObject(), &nameObject);
    form->UpdateActions();
    form->actRedo->trigger();
    EXPECT_EQ(nameObject.GetRect(), OffsetRect(before, 15, -7));
}

TEST_F(LayoutCanvasTest, RubberBandSelectsWhatItTouchesAndCtrlBandRemovesNothing)
{
    const TRect p = postal().GetDispRect();
    // Empty paper above the postal code to just inside it.
    drag(QPoint(p.Left + 2, 1), QPoint(p.Left + 4, p.Top + 2));
    ASSERT_EQ(form->SelectedList.size(), 1u);
    EXPECT_EQ(form->SelectedList[0], &postal());
    const TRect n = name().GetDispRect();
    drag(QPoint(n.Left - 1, n.Top - 1), QPoint(n.Left + 2, n.Top + 2), Qt::ControlModifier);
    EXPECT_EQ(form->SelectedList.size(), 2u);
    EXPECT_EQ(form->FocusedObject(), &name());
}

TEST_F(LayoutCanvasTest, ResizeByTheCornerHandleAndKeepTheRatioWithShift)
{
    TDrawRect &object = address();
    QTest::mouseClick(card, Qt::LeftButton, {}, middle(object));
    const TRect r = object.GetDispRect();
    const QPoint corner(r.Right - 1, r.Bottom - 1);
    hover(corner);
    EXPECT_EQ(card->cursor().shape(), Qt::SizeFDiagCursor);
    drag(corner, corner + QPoint(20, 10));
    EXPECT_EQ(object.GetRect(), (TRect{r.Left, r.Top, r.Right + 20, r.Bottom + 10}));

    const TRect s = object.GetDispRect();
    const QPoint grown(s.Right - 1, s.Bottom - 1);
    hover(grown);
    drag(grown, grown + QPoint(40, 0), Qt::ShiftModifier);
    const TRect k = object.GetRect();
    EXPECT_EQ(k.Width(), s.Width() + 40);
    EXPECT_NEAR(double(k.Width()) / k.Height(), double(s.Width()) / s.Height(), 0.02);
}

TEST_F(LayoutCanvasTest, ArrowKeysStepToTheGridAndByUnits)
{
    TDrawRect &object = name();
    QTest::mouseClick(card, Qt::LeftButton, {}, middle(object));
    const auto placeLeft = [&](int left) {
        const TRect r = object.GetRect();
        object.SetRect(TRect{left, r.Top, left + r.Width(), r.Bottom});
    };
    // Without snapping: one unit, ten with Shift; Ctrl resizes but never below ten units.
    placeLeft(30);
    key(Qt::Key_Right);
    EXPECT_EQ(object.GetRect().Left, 31);
    key(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(object.GetRect().Left, 41);
    const TRect r = object.GetRect();
    object.SetRect(TRect{r.Left, r.Top, r.Left + 10, r.Bottom});
    key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(object.GetRect().Width(), 10);

    // The grid "ふつう" with snapping: the next line in the key's direction, 2 pixels counting as on it.
    form->actGridNomal->trigger();
    form->actAdjustGrid->setChecked(true);
    ASSERT_EQ(form->GridPitch, 25);
    placeLeft(22);
    key(Qt::Key_Right);
    EXPECT_EQ(object.GetRect().Left, 25);
    placeLeft(23);
    key(Qt::Key_Right);
    EXPECT_EQ(object.GetRect().Left, 50);
    placeLeft(27);
    key(Qt::Key_Left);
    EXPECT_EQ(object.GetRect().Left, 0);
    placeLeft(28);
    key(Qt::Key_Left);
    EXPECT_EQ(object.GetRect().Left, 25);
}

// The keys' way onto the paper: 枠の選択 chooses an object and Tab goes on to the paper, the view around it being
// no stop of its own either way; the paper shows it has the keys, a click showing nothing new, and there the
// arrows move and size the chosen object.
TEST_F(LayoutCanvasTest, TabFromTheObjectChooserBringsTheKeysToThePaperWhereTheArrowsWork)
{
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.data()));
    const auto keysTo = [](Qt::Key key, Qt::KeyboardModifiers keys = {}) {
        QTest::keyClick(QApplication::focusWidget(), key, keys);
    };
    const auto frameShown = [this] {
        const QImage shot = card->grab().toImage();
        const QColor mark = card->palette().color(QPalette::Highlight);
        int marked = 0;
        for (int y = 0; y < shot.height(); ++y)
            marked += shot.pixelColor(1, y) == mark || shot.pixelColor(2, y) == mark;
        return marked > shot.height() / 2;
    };
    QComboBox *chooser = form->cbxViewRect;
    chooser->setFocus(Qt::TabFocusReason);
    keysTo(Qt::Key_Home);
    for (int i = 0; i < 3; ++i)
        keysTo(Qt::Key_Down);
    ASSERT_EQ(chooser->currentText(), QStringLiteral("名前"));
    ASSERT_EQ(form->FocusedObject(), &name());
    EXPECT_FALSE(frameShown());

    keysTo(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), card);
    EXPECT_EQ(card->accessibleName(), QStringLiteral("用紙"));
    EXPECT_TRUE(frameShown());
    const TRect before = name().GetRect();
    keysTo(Qt::Key_Right);
    keysTo(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(name().GetRect(), OffsetRect(before, 1, 10));
    keysTo(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(name().GetRect().Width(), before.Width() + 1);

    keysTo(Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), chooser);
    EXPECT_FALSE(frameShown());
    QTest::mouseClick(card, Qt::LeftButton, {}, middle(name()));
    ASSERT_TRUE(card->hasFocus());
    EXPECT_FALSE(frameShown());
}

// The pop-up asked from the keys carries no point of the user's (Qt puts the Menu key's at the middle of the
// paper): it opens at the object chosen, as far as the view shows the paper, or at the paper's corner when none
// is; the mouse's opens at the mouse.
TEST_F(LayoutCanvasTest, ThePopUpFromTheKeysOpensAtTheChosenObjectAndTheMousesAtTheMouse)
{
    addWord(TRect{40, 30, 140, 60});
    form->FillObjectList();
    const auto openedAt = [this](QContextMenuEvent::Reason reason, QPoint at) {
        QSignalSpy shown(form->PopupMenu, &QMenu::aboutToShow);
        QContextMenuEvent request(reason, at, card->mapToGlobal(at));
        QApplication::sendEvent(card, &request);
        EXPECT_EQ(shown.count(), 1);
        const QPoint opened = form->PopupMenu->pos();
        form->PopupMenu->hide();
        return opened;
    };
    const auto choose = [this](const QString &item) {
        form->cbxViewRect->setCurrentIndex(form->cbxViewRect->findText(item));
        form->cbxViewRectClick();
    };
    const auto keys = [this] { return card->inputMethodQuery(Qt::ImCursorRectangle).toRect().center(); };
    choose(QStringLiteral("文章1"));
    ASSERT_EQ(form->FocusedObject(), form->WordList[0].get());
    EXPECT_EQ(openedAt(QContextMenuEvent::Keyboard, keys()), card->mapToGlobal(middle(*form->WordList[0])));
    EXPECT_EQ(openedAt(QContextMenuEvent::Mouse, QPoint(70, 50)), card->mapToGlobal(QPoint(70, 50)));
    choose(QStringLiteral("なし"));
    EXPECT_EQ(openedAt(QContextMenuEvent::Keyboard, keys()), card->mapToGlobal(QPoint(0, 0)));
    // At 200 % scrolled to the paper's foot, the object is out of view: the menu opens at the edge of what the view
    // shows, above it.
    form->cbxRatio->setCurrentIndex(1);
    form->cbxRatioClick(form->cbxRatio);
    QScrollBar *down = form->sbxPreview->verticalScrollBar();
    down->setValue(down->maximum());
    choose(QStringLiteral("文章1"));
    const int shownTop = card->visibleRegion().boundingRect().top();
    ASSERT_GT(shownTop, middle(*form->WordList[0]).y());
    EXPECT_EQ(openedAt(QContextMenuEvent::Keyboard, keys()),
              card->mapToGlobal(QPoint(middle(*form->WordList[0]).x(), shownTop)));
}

TEST_F(LayoutCanvasTest, MoveSnapsTheFocusedObjectAndOneDroppedOffThePaperComesBack)
{
    TDrawRect &object = postal();
    QTest::mouseClick(card, Qt::LeftButton, {}, middle(object));
    form->actGridNomal->trigger();
    form->actAdjustGrid->setChecked(true);
    drag(middle(object), middle(object) + QPoint(13, 6));
    EXPECT_EQ(object.GetRect().Left % 25, 0);
    EXPECT_EQ(object.GetRect().Top % 25, 0);

    form->actAdjustGrid->setChecked(false);
    const TRect r = object.GetRect();
    const int far = form->PaperWidth - r.Left + 30;
    drag(middle(object), middle(object) + QPoint(far, 0));
    EXPECT_EQ(object.GetRect().Right, form->PaperWidth);
    EXPECT_EQ(object.GetRect().Width(), r.Width());
}

TEST_F(LayoutCanvasTest, UndoOfAnAddedTextRemovesItAndRedoPutsItBackInPlace)
{
    auto word = std::make_unique<TWordRect>();
    word->SetLineCount(1);
    word->SetLine(0, QStringLiteral("謹賀新年"));
    word->SetRect(TRect{10, 10, 110, 40});
    TWordRect *added = word.get();
    form->WordList.push_back(std::move(word));
    form->ZOrderList.insert(form->ZOrderList.begin() + 2, added);
    auto step = std::make_unique<TUndoDatas>(0);
    step->AddDrawRect(*added, 2, 1, 0);
    form->UndoList.Add(std::move(step));
    form->UndoList.Undo();
    EXPECT_TRUE(form->WordList.empty());
    EXPECT_EQ(form->ZOrderList.size(), 6u);
    form->UndoList.Redo();
    ASSERT_EQ(form->WordList.size(), 1u);
    EXPECT_EQ(form->ZOrderList[2], form->WordList[0].get());
    EXPECT_EQ(form->WordList[0]->GetRect(), (TRect{10, 10, 110, 40}));
    EXPECT_EQ(form->WordList[0]->GetLine(0), QStringLiteral("謹賀新年"));
}

// ---- Settings and the save question ----

TEST_F(LayoutFormTest, SettingsAreReadWithTheirLimitsAndWrittenBack)
{
    {
        TMemIniFile ini(DataFolder + "Mirvale18.ini");
        ini.WriteInteger("LAYOUT", "Left", 10);
        ini.WriteInteger("LAYOUT", "Top", 20);
        ini.WriteInteger("LAYOUT", "Width", 300);
        ini.WriteInteger("LAYOUT", "Height", 200);
        ini.WriteInteger("LAYOUT", "Grid", 7);
        ini.WriteInteger("LAYOUT", "Ratio", 5);
        ini.WriteString("LAYOUT", "History1", LayoutFolder + "一.gpl");
        ini.WriteString("LAYOUT", "History2", book.Dir.path() + "/Elsewhere/二.gpl");
        ini.WriteString("LAYOUT", "History3", LayoutFolder + "三.gpl");
        ini.WriteString("LAYOUT", "History4", LayoutFolder + "四.gpl");
        ini.WriteString("LAYOUT", "History5", LayoutFolder + "五.gpl");
        ini.UpdateFile();
    }
    open();
    EXPECT_EQ(form->width(), ScaleByDpi(LayoutMinWidth, true));
    EXPECT_EQ(form->GridSize, 0);
    EXPECT_FALSE(form->actGrid->isChecked());
    EXPECT_TRUE(form->actGridNone->isChecked());
    EXPECT_EQ(form->cbxRatio->currentText(), QStringLiteral("100%"));
    EXPECT_EQ(form->RecentFiles, (QStringList{LayoutFolder + "一.gpl", LayoutFolder + "三.gpl",
                                              LayoutFolder + "四.gpl", LayoutFolder + "五.gpl"}));
    form->RecentFiles = {LayoutFolder + "一.gpl", LayoutFolder + "三.gpl", LayoutFolder + "一.gpl"};
    form->close();
    TMemIniFile ini(DataFolder + "Mirvale18.ini");
    EXPECT_EQ(ini.ReadString("LAYOUT", "History2", {}), LayoutFolder + "三.gpl");
    EXPECT_FALSE(ini.ValueExists("LAYOUT", "History3"));
    EXPECT_FALSE(ini.ValueExists("LAYOUT", "History5"));
    EXPECT_EQ(ini.ReadInteger("LAYOUT", "Width", 0), LayoutMinWidth);
    EXPECT_EQ(ini.ReadInteger("LAYOUT", "Ratio", 0), 5);
    EXPECT_FALSE(ini.ReadBool("LAYOUT", "Menu", true));
    EXPECT_EQ(LayoutForm, nullptr);
}

TEST_F(LayoutFormTest, SaveQuestionNoTwiceKeepsTheDesignerOpenWithItsChanges)
{
    open();
    ASSERT_TRUE(applyPaper(paperIndex(0)));
    form->Modified = 1;
    boxes.answer(IDNO);
    boxes.answer(IDNO);
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->Modified);
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("宛名印刷のレイアウトの変更を保存しますか？  "),
                                          QStringLiteral("作成した宛名印刷のレイアウトは破棄されます  \r\n本当によろしいですか？")}));
    EXPECT_EQ(LayoutForm, form.data());
    boxes.answer(IDNO);
    boxes.answer(IDYES);
    EXPECT_TRUE(form->ConfirmDiscard());
    EXPECT_FALSE(form->Modified);
}

TEST_F(LayoutCanvasTest, DroppedPicturesBecomeIllustrationsUndoneAsOneStep)
{
    QStringList files;
    for (int i = 0; i < 3; ++i) {
        QImage picture(96, 48, QImage::Format_RGB888);
        picture.fill(QColor(40 * i, 90, 160));
        picture.setDotsPerMeterX(3780);  // 96 dpi
        picture.setDotsPerMeterY(3780);
        files << book.Dir.path() + QStringLiteral("/picture%1.bmp").arg(i);
        ASSERT_TRUE(picture.save(files.last(), "BMP"));
    }
    files << book.Dir.path() + "/not-a-picture.bmp";
    test::writeFile(files.last(), "text");
    Qt::DropAction effect = Qt::CopyAction;
    form->FilesDropped(files, {}, card->mapToGlobal(QPoint(40, 60)), effect);
    // The file that gives none is said once the others are in.
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("画像が読み込めませんでした  ")});
    ASSERT_EQ(form->IllustList.size(), 3u);
    EXPECT_EQ(form->SelectedList.size(), 3u);
    EXPECT_EQ(form->FocusedObject(), form->IllustList[2].get());
    EXPECT_EQ(form->ZOrderList[0], form->IllustList[2].get());
    EXPECT_EQ(form->IllustList[0]->GetRect(), (TRect{40, 60, 136, 108}));
    EXPECT_EQ(form->cbxViewRect->currentText(), QStringLiteral("イラスト3"));
    ASSERT_EQ(form->UndoList.GetCount(), 1);
    form->UndoList.Undo();
    EXPECT_TRUE(form->IllustList.empty());
    EXPECT_EQ(form->ZOrderList.size(), 6u);
    form->UndoList.Redo();
    ASSERT_EQ(form->IllustList.size(), 3u);
    EXPECT_EQ(form->ZOrderList[0], form->IllustList[2].get());

    // A file that gives no picture makes no step, and is said.
    boxes.clear();
    form->FilesDropped({files.last()}, {}, card->mapToGlobal(QPoint(40, 60)), effect);
    EXPECT_EQ(form->IllustList.size(), 3u);
    EXPECT_EQ(form->UndoList.GetCount(), 1);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("画像が読み込めませんでした  ")});
}

// ---- View, object chooser, command state, start menu ----

TEST_F(LayoutFormTest, ObjectChooserListsTheSetInUseAndSelectsWhatItNames)
{
    open();
    ASSERT_TRUE(applyPaper(paperIndex(0)));
    QStringList items;
    for (int i = 0; i < form->cbxViewRect->count(); ++i)
        items << form->cbxViewRect->itemText(i);
    EXPECT_EQ(items, (QStringList{QStringLiteral("なし"), QStringLiteral("郵便番号"), QStringLiteral("住所"),
                                  QStringLiteral("名前"), QStringLiteral("差出人郵便番号"), QStringLiteral("差出人住所"),
                                  QStringLiteral("差出人名前")}));
    form->cbxViewRect->setCurrentIndex(2);
    form->cbxViewRectClick();
    EXPECT_EQ(form->FocusedObject(), form->CombinedObjects[1].get());
    form->UpdateActions();
    // The combined address cannot be deleted; each part of the split set can.
    EXPECT_FALSE(form->actDelete->isEnabled());
    form->SplitObjects[2]->Visible = 0;
    form->SetSplitLayout(1);
    form->FillObjectList();
    items.clear();
    for (int i = 0; i < form->cbxViewRect->count(); ++i)
        items << form->cbxViewRect->itemText(i);
    EXPECT_FALSE(items.contains(QStringLiteral("住所２")));
    EXPECT_TRUE(items.contains(QStringLiteral("住所３")));
    EXPECT_EQ(form->Layout.ZIndexOf(form->SplitObjects[2].get()), -1);
    form->cbxViewRect->setCurrentIndex(items.indexOf(QStringLiteral("住所１")));
    form->cbxViewRectClick();
    form->UpdateActions();
    EXPECT_TRUE(form->actDelete->isEnabled());
    form->cbxViewRect->setCurrentIndex(0);
    form->cbxViewRectClick();
    EXPECT_EQ(form->FocusedObject(), nullptr);
    EXPECT_TRUE(form->SelectedList.empty());
}

TEST_F(LayoutFormTest, ChoosingTheCheckedZoomAgainChangesNothing)
{
    open();
    show();
    ASSERT_TRUE(applyPaper(paperIndex(0)));
    form->cbxRatio->setCurrentIndex(7);
    form->cbxRatioClick(form->cbxRatio);
    EXPECT_EQ(form->ZoomRatio, 0.5);
    EXPECT_EQ(form->StatusPanels[1]->text(), QStringLiteral("  表示： 50%"));
    EXPECT_EQ(form->pnlCard->width(), int(std::lrint(form->PaperWidth * 0.5)));
    form->ZoomRatio = 0.25;  // a recomputation would put it back
    form->cbxRatio2->setCurrentIndex(7);
    form->cbxRatioClick(form->cbxRatio2);
    EXPECT_EQ(form->ZoomRatio, 0.25);
}

TEST_F(LayoutFormTest, StartMenuOffersTheLastFileOnlyWhenItExists)
{
    TMemIniFile ini(DataFolder + "Mirvale18.ini");
    ini.WriteString("LAYOUT", "History1", LayoutFolder + "前回.gpl");
    ini.WriteBool("LAYOUT", "Menu", true);
    ini.UpdateFile();
    form = new TLayoutForm(list.get());
    LayoutForm = form.data();
    const auto look = [&](bool *offered, bool *enabled) {
        QTimer::singleShot(0, [=] {
            auto *radio = PrintMenuDialog->findChild<QRadioButton *>("rbContinue");
            *offered = radio->isChecked();
            *enabled = radio->isEnabled();
            EXPECT_EQ(PrintMenuDialog->windowTitle(), QStringLiteral("宛名印刷　メニュー"));
            EXPECT_EQ(PrintMenuDialog->findChild<QRadioButton *>("rbNew")->text(),
                      QStringLiteral("新規に宛名面を作成する"));
            PrintMenuDialog->reject();
        });
        form->ShowStartMenu();
    };
    bool offered = true, enabled = true;
    look(&offered, &enabled);
    EXPECT_FALSE(offered);
    EXPECT_FALSE(enabled);
    test::writeFile(LayoutFolder + "前回.gpl", "x");
    look(&offered, &enabled);
    EXPECT_TRUE(offered);
    EXPECT_TRUE(enabled);
    EXPECT_FALSE(form->DocumentOpen);
}

TEST_F(LayoutFormTest, AFailedWriteOfTheObjectDefaultsAtCloseIsReported)
{
    open();
    // Unchanged defaults are not written.
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(QFileInfo::exists(DataRootFolder + "DrRect.def"));
    delete form.data();
    open();
    form->DefaultsChanged = 1;
    QDir().mkpath(DataRootFolder + "DrRect.def/blocked");
    EXPECT_TRUE(form->close());
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("保存できませんでした  ")});
}

TEST_F(LayoutFormTest, TheMainListOpensTheDesignerAndCannotCloseItAgainstTheUser)
{
    TMemIniFile ini(DataFolder + "Mirvale18.ini");
    ini.WriteBool("LAYOUT", "Menu", false);
    ini.UpdateFile();
    RegisterLayoutForm();
    list.reset();
    list = std::make_unique<TAddressList>();  // made after the maker is installed, as at start
    AddressList = list.get();
    ASSERT_TRUE(list->actLayoutPrint->property("Available").toBool());
    list->actLayoutPrint->trigger();
    form = dynamic_cast<TLayoutForm *>(LayoutForm);
    ASSERT_TRUE(form);
    QCoreApplication::removePostedEvents(form.data(), WM_STARTMENU);
    EXPECT_TRUE(form->isVisible());
    list->actLayoutPrint->trigger();  // the same window again
    EXPECT_EQ(LayoutForm, form.data());
    QCoreApplication::removePostedEvents(form.data(), WM_STARTMENU);

    form->Modified = 1;
    boxes.answer(IDCANCEL);
    EXPECT_FALSE(list->CloseSubForms());
    EXPECT_EQ(LayoutForm, form.data());
    form->Modified = 0;
    EXPECT_TRUE(list->CloseSubForms());
    EXPECT_EQ(LayoutForm, nullptr);
    ShowLayoutForm = nullptr;
}

// The main list closes the designer (another designer chosen, or the program ending) while a dialog of the
// designer is open, as a screen reader's press reaches the list behind a modal dialog: the close waits for the
// dialog, which is not freed with the designer under the command that runs it, and is carried out once the
// handler that ran the dialog has returned.
TEST_F(LayoutFormTest, ClosedWhileItsDialogIsOpenTheDesignerClosesOnceTheDialogReturns)
{
    addSender(QStringLiteral("大阪　一郎"));
    addRecord(QStringLiteral("山田　太郎"), "1000001", QStringLiteral("千代田区1"));
    listAndSelect(0);
    const auto closedMeanwhile = [this](const std::function<QDialog *()> &dialog, const std::function<void()> &run) {
        bool keptMeanwhile = false;
        QTimer::singleShot(0, [this, &dialog, &keptMeanwhile] {
            const QPointer<QDialog> open = dialog();
            ASSERT_TRUE(open);
            EXPECT_FALSE(list->CloseDesigners(0));
            QTimer::singleShot(0, [this, open, &keptMeanwhile] {
                keptMeanwhile = form && open;
                if (open)
                    open->reject();
            });
        });
        run();
        EXPECT_TRUE(keptMeanwhile);
        test::handlerReturned();
        EXPECT_EQ(LayoutForm, nullptr);
        EXPECT_FALSE(form);
    };
    {
        SCOPED_TRACE("the start menu");
        TMemIniFile ini(DataFolder + "Mirvale18.ini");
        ini.WriteBool("LAYOUT", "Menu", true);
        ini.UpdateFile();
        form = new TLayoutForm(list.get());
        LayoutForm = form.data();
        form->show();
        closedMeanwhile([] { return PrintMenuDialog; },
                        [this] { QCoreApplication::sendPostedEvents(form.data(), WM_STARTMENU); });
    }
    {
        SCOPED_TRACE("the sender list");
        open();
        show();
        ASSERT_TRUE(applyPaper(paperIndex(0)));
        closedMeanwhile([] { return SenderForm; }, [this] { form->actSenderEdit->trigger(); });
    }
    {
        SCOPED_TRACE("the printer set-up");
        open();
        show();
        ASSERT_TRUE(applyPaper(paperIndex(0)));
        closedMeanwhile([this] { return form->findChild<QDialog *>(QStringLiteral("PrinterSetupDialog")); },
                        [this] { form->actPrintSet->trigger(); });
    }
}

TEST(PrintMenuDialogTest, OkTakesTheChoiceAndEnterMovesOn)
{
    TPrintMenuDialog dialog(nullptr);
    dialog.SetKind(2);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("名刺印刷　メニュー"));
    dialog.SetChoice(0);
    auto *open = dialog.findChild<QRadioButton *>("rbOpen");
    open->setChecked(true);
    EXPECT_FALSE(dialog.findChild<QRadioButton *>("rbContinue")->isEnabled());
    EXPECT_EQ(open->palette().color(QPalette::WindowText), QColor(Qt::blue));
    dialog.show();
    open->setFocus();
    QTest::keyClick(open, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    dialog.findChild<QCheckBox *>("ckbShowMenu")->setChecked(false);
    dialog.findChild<QPushButton *>("btnOK")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetChoice(), 1);
    EXPECT_FALSE(dialog.GetShowMenu());
}

TEST(PrintMenuDialogTest, TheWindowIsWideEnoughForItsCaptionBesideTheTitleBarsButtons)
{
    for (uint8_t kind = 0; kind < 4; ++kind) {
        TPrintMenuDialog dialog(nullptr);
        dialog.SetKind(kind);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        SCOPED_TRACE(dialog.windowTitle().toStdString());
        // Title bars commonly set the caption in bold, beside the icon and three buttons about as wide as the
        // bar is high, with some padding at the ends.
        QFont bold = dialog.font();
        bold.setBold(true);
        const int bar = dialog.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &dialog);
        EXPECT_GE(dialog.width(), QFontMetrics(bold).horizontalAdvance(dialog.windowTitle()) + 5 * bar);
    }
}

TEST_F(LayoutCanvasTest, UndoingTheHidingOfASenderPartShowsTheSenderAgain)
{
    TDrawRect *sender = form->CombinedObjects[6].get();
    const int zIndex = form->Layout.ZIndexOf(sender);
    ASSERT_GE(zIndex, 0);
    // The step a deletion of the sender's name records, and the deletion itself.
    auto step = std::make_unique<TUndoDatas>(1);
    step->AddDrawRect(*sender, zIndex, 0, 6);
    step->UpdateObject(0, *sender, 1);
    form->ZOrderList.erase(form->ZOrderList.begin() + zIndex);
    form->PrintParts = 1;
    form->actSender->setChecked(false);
    form->UndoList.Add(std::move(step));
    form->UndoList.Undo();
    EXPECT_EQ(form->Layout.ZIndexOf(sender), zIndex);
    EXPECT_EQ(form->PrintParts, 0);
    EXPECT_TRUE(form->actSender->isChecked());
    EXPECT_TRUE(form->FixedObjectsChanged);
    form->UndoList.Redo();
    EXPECT_EQ(form->Layout.ZIndexOf(sender), -1);
    EXPECT_EQ(form->PrintParts, 1);
    EXPECT_FALSE(form->actSender->isChecked());

    // A step whose stream is missing or cut short leaves the object as it is.
    const TRect kept = sender->GetRect();
    auto cut = std::make_unique<TUndoDatas>(2);
    cut->AddDrawRect(*sender, -1, 0, 6);
    cut->UpdateObject(0, *sender, 1);
    QBuffer *stream = static_cast<TDrawRectUndoData *>(cut->GetItem(0))->GetStream(0);
    stream->buffer().truncate(10);
    form->UndoList.Add(std::move(cut));
    form->UndoList.Undo();
    EXPECT_EQ(sender->GetRect(), kept);
}

TEST_F(LayoutCanvasTest, PopUpHidesTheFixedObjectCommandsForAFreeObjectButNotInTheMainMenu)
{
    addWord(TRect{10, 10, 110, 40});
    QTest::mouseClick(card, Qt::RightButton, {}, QPoint(50, 20));
    ASSERT_EQ(form->FocusedObject(), form->WordList[0].get());
    form->PopupMenuPopup();
    auto *font = form->PopupMenu->findChild<QAction *>("pmiFont");
    ASSERT_TRUE(font);
    EXPECT_FALSE(font->isVisible());
    EXPECT_TRUE(form->actFont->isVisible());
    EXPECT_TRUE(form->actWordEdit->isVisible());
    QTest::mouseClick(card, Qt::RightButton, {}, middle(name()));
    form->PopupMenuPopup();
    EXPECT_TRUE(font->isVisible());
    EXPECT_TRUE(font->isEnabled());
    EXPECT_FALSE(form->actWordEdit->isVisible());
}

TEST_F(LayoutFormTest, DeletingTheShownRecordInTheListShowsTheOneSelectedAfter)
{
    const int32_t sender = addSender(QStringLiteral("大阪　一郎"));
    addRecord(QStringLiteral("山田　太郎"), "1000001", QStringLiteral("千代田区1"), sender);
    addRecord(QStringLiteral("鈴木　花子"), "2220002", QStringLiteral("港区2"), sender);
    addRecord(QStringLiteral("佐藤　次郎"), "3330003", QStringLiteral("新宿区3"), sender);
    listAndSelect(1);
    open();
    ASSERT_TRUE(applyPaper(paperIndex(0)));
    EXPECT_EQ(name().Name(), QStringLiteral("鈴木 花子"));
    boxes.answer(IDYES);
    list->actDeleteExecute();
    ASSERT_EQ(list->GetRecordCount(), 2);
    EXPECT_EQ(name().Name(), QStringLiteral("佐藤 次郎"));
    EXPECT_EQ(postal().Text(), QStringLiteral("３３３０００３"));
}

TEST_F(LayoutFormTest, HidingTheSenderIsOneStepAndUndoShowsItAgain)
{
    addSender(QStringLiteral("大阪　一郎"));
    addRecord(QStringLiteral("山田　太郎"), "1000001", QStringLiteral("千代田区1"));
    listAndSelect(0);
    open();
    ASSERT_TRUE(applyPaper(paperIndex(0)));
    ASSERT_TRUE(form->actSender->isChecked());
    form->actSender->trigger();
    EXPECT_EQ(form->PrintParts, 1);
    EXPECT_EQ(form->Layout.ZIndexOf(form->CombinedObjects[6].get()), -1);
    EXPECT_EQ(form->cbxViewRect->findText(QStringLiteral("差出人名前")), -1);
    EXPECT_EQ(form->ZOrderList.size(), 3u);
    form->actUndo->trigger();
    EXPECT_EQ(form->PrintParts, 0);
    EXPECT_TRUE(form->actSender->isChecked());
    EXPECT_EQ(form->ZOrderList.size(), 6u);
    EXPECT_NE(form->cbxViewRect->findText(QStringLiteral("差出人名前")), -1);
    form->actRedo->trigger();
    EXPECT_EQ(form->PrintParts, 1);
    EXPECT_EQ(form->ZOrderList.size(), 3u);
}

TEST_F(LayoutFormTest, SenderChosenInTheSenderListBecomesTheRecordsSender)
{
    const int32_t first = addSender(QStringLiteral("大阪　一郎"));
    const int32_t second = addSender(QStringLiteral("京都　二郎"));
    const int32_t record = addRecord(QStringLiteral("山田　太郎"), "1000001", QStringLiteral("千代田区1"), first);
    listAndSelect(0);
    open();
    ASSERT_TRUE(applyPaper(paperIndex(0)));
    EXPECT_EQ(senderName().Name(), QStringLiteral("大阪 一郎"));
    QTimer::singleShot(0, [] {
        SenderForm->findChild<QToolButton *>("sbtnNext")->click();
        SenderForm->findChild<QPushButton *>("btnChoice")->click();
    });
    form->actSenderEdit->trigger();
    EXPECT_EQ(form->SenderRecNo, second);
    EXPECT_EQ(senderName().Name(), QStringLiteral("京都 二郎"));
    TTable &t = *DMMirvale18->AdrsTable;
    t.SetIndexName(QString());
    ASSERT_TRUE(t.FindKey({record}));
    EXPECT_EQ(t.FieldByName("Sender").AsInteger(), second);
    EXPECT_FALSE(form->Modified);
}

// The shapes the illustration dialog offers for cutting a picture out are the ones the program ships.
TEST_F(LayoutFormTest, OpeningRegistersTheShippedCutOutShapes)
{
    open();
    ASSERT_NE(MaskFileList(), nullptr);
    ASSERT_EQ(MaskFileList()->size(), 13);
    for (const QString &file : *MaskFileList())
        EXPECT_TRUE(QFileInfo::exists(file)) << file.toStdString();
    TIllustRect object;
    const TBitmapGraphic picture(QImage(100, 80, QImage::Format_RGB888));
    object.SetPicture(&picture);
    object.SetRect({40, 30, 140, 110});
    object.SetMaskIndex(4);
    EXPECT_TRUE(object.HasMaskImage());
}
