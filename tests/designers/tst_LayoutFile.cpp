// The designer's file and print commands as a user drives them: a new postcard from the paper dialog printed
// for every record through the wizard to a PDF file, a multi-up preview paged through and closed back into the
// wizard, a layout saved and opened again, the documents of every designer opened and saved through its own
// window to the bytes they were read from, a save that leaves the objects where the designer shows them, and
// the messages of a print with nothing to print.
#include "designers/Design.h"
#include "designers/Label.h"
#include "designers/Layout.h"

#include "base/FileReplace.h"
#include "base/SjisCodec.h"
#include "core/DBInfo.h"
#include "core/Globals.h"
#include "db/Table.h"
#include "designers/LytFmt.h"
#include "designers/AddInfo.h"
#include "designers/LytDtl.h"
#include "designers/LytPrt.h"
#include "designers/Sender.h"
#include "drawing/BackImage.h"
#include "drawing/BarcodeRect.h"
#include "drawing/DesignGlobals.h"
#include "drawing/FigureRect.h"
#include "drawing/IllustRect.h"
#include "drawing/JpegImage.h"
#include "drawing/MetafileEx.h"
#include "drawing/NameRect.h"
#include "drawing/QRCodeRect.h"
#include "drawing/SenderRect.h"
#include "drawing/WordRect.h"
#include "geo/PaintPanel.h"
#include "mainlist/AdrsList.h"
#include "platform/CustomEvents.h"
#include "platform/MemIniFile.h"

#include "HostileJpegs.h"
#include "HostileLayout.h"
#include "PrintedPdf.h"
#include "SenderRows.h"
#include "TestBook.h"
#include "TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QImageReader>
#include <QLineEdit>
#include <QMenuBar>
#include <QPrintDialog>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Acts on the next modal window of class T once it is up (the command that shows it waits meanwhile), however
// long a busy machine takes to show it; a watch still waiting when its test ends is dropped with the test.
template <class T> void whenModal(std::function<void(T *)> act)
{
    auto *watch = new QTimer(qApp);
    watch->setObjectName(QStringLiteral("whenModal"));
    watch->setInterval(20);
    QObject::connect(watch, &QTimer::timeout, [watch, act] {
        if (auto *window = dynamic_cast<T *>(QApplication::activeModalWidget())) {
            watch->stop();
            watch->deleteLater();
            act(window);
        }
    });
    watch->start();
}

template <class T> T *child(QWidget *in, const char *name)
{
    T *found = in->findChild<T *>(QLatin1String(name));
    EXPECT_TRUE(found) << name;
    return found;
}

// On the wizard's next showing: every record of the list, on to the second page, prints per record and the
// start position typed in, then the preview.
void previewAllRecords(const QString &labelCount, const QString &labelStart)
{
    whenModal<TLayoutPrintDialog>([labelCount, labelStart](TLayoutPrintDialog *wizard) {
        child<QRadioButton>(wizard, "rbAll")->click();
        child<QPushButton>(wizard, "btnNext")->click();
        for (const auto &[name, text] : {std::pair{"edLabelCount", labelCount}, std::pair{"edLabelStart", labelStart}}) {
            QLineEdit *edit = child<QLineEdit>(wizard, name);
            edit->setText(text);
            QTest::keyClick(edit, Qt::Key_Return);
        }
        child<QPushButton>(wizard, "btnPreview2")->click();
    });
}

class LayoutFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        book.Open(QStringLiteral("Book"));
        AppFolder = test::appDir();
        LayoutFolder = book.Dir.path() + "/Layout/";
        LabelFolder = book.Dir.path() + "/Label/";
        CardFolder = book.Dir.path() + "/Card/";
        DesignFolder = book.Dir.path() + "/Design/";
        ASSERT_TRUE(master.Load(AppFolder + "Common/Lyt.fmt"));
        test::registerSender(test::listedSender(1, QStringLiteral("自宅"), QStringLiteral("田中　一郎")));
        DefaultSenderNo = 0;
        for (const char *name : {"山田　太郎", "佐藤　花子", "長谷川　健"}) {
            TTable &t = *DMMirvale18->AdrsTable;
            t.Append();
            t.FieldByName("PrivCorp").SetAsBoolean(true);
            t.FieldByName("JointPrint").SetAsBoolean(true);
            t.FieldByName("NameKanji").SetAsString(Sjis::encode(QString::fromUtf8(name)));
            t.FieldByName("Pos").SetAsString("1010062");
            t.FieldByName("Tdfkn").SetAsString(Sjis::encode(QStringLiteral("東京都")));
            t.FieldByName("Adrs1").SetAsString(Sjis::encode(QStringLiteral("千代田区神田駿河台4-6")));
            t.Post();
        }
        list = std::make_unique<TAddressList>();
        AddressList = list.get();
        list->RefreshList(true, true, false);
        list->SelectItem(0, true, false);
        TMemIniFile ini(DataFolder + "Mirvale18.ini");
        for (const char *section : {"LAYOUT", "LABEL", "CARD", "DESIGN"})
            ini.WriteBool(QLatin1String(section), "Menu", false);
        ini.UpdateFile();
        TPrinter &printer = Printer();
        printer.SetPrinterIndex(int(printer.Printers().indexOf(PdfPrinterName)));
        form = new TLayoutForm(list.get());
        LayoutForm = form.data();
        show(*form);
    }
    void TearDown() override
    {
        qDeleteAll(qApp->findChildren<QTimer *>(QStringLiteral("whenModal"), Qt::FindDirectChildrenOnly));
        for (QPointer<TLayoutForm> window : {form, other})
            if (window) {
                window->Modified = 0;
                delete window.data();
            }
        list.reset();
        AddressList = nullptr;
        PaperScale = 1480;
    }
    static void show(TLayoutForm &window)
    {
        window.resize(900, 800);
        window.show();
        QCoreApplication::removePostedEvents(&window, WM_STARTMENU);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QCoreApplication::removePostedEvents(&window, WM_STARTMENU);
    }
    // A second designer, the label and card window or the letter designer, shown beside the first.
    template <class T, class... Args> T &openOther(Args... args)
    {
        if (other) {
            other->Modified = 0;
            delete other.data();
        }
        auto *window = new T(list.get(), args...);
        other = window;
        show(*window);
        return *window;
    }
    // The paper of the master list, set up as the new command does after its dialog.
    void usePaper(const std::function<bool(const TPaperFormat &)> &which)
    {
        const auto it = std::find_if(master.Formats.begin(), master.Formats.end(), which);
        ASSERT_NE(it, master.Formats.end());
        form->ClearDocument();
        form->FormatNumber = int(it - master.Formats.begin());
        form->PaperFormat = *it;
        form->SheetFormat = master.SheetOf(*it);
        form->PrintParts = it->CombinedRectCount > 4 ? 0 : 1;
        ASSERT_TRUE(form->ApplyPaper());
    }

    test::TestBook book;
    test::MessageBoxScript boxes;
    TMasterFormats master;
    std::unique_ptr<TAddressList> list;
    QPointer<TLayoutForm> form, other;
    QTemporaryDir out;
};

// 新規作成 through the window's paper dialog of class T, choose answering it before its OK.
template <class T> void newLayout(TLayoutForm &window, std::function<void(T *)> choose = {})
{
    whenModal<T>([choose](T *dialog) {
        if (choose)
            choose(dialog);
        dialog->accept();
    });
    window.actNew->trigger();
    ASSERT_TRUE(window.DocumentOpen);
}

// Runs the window's command with its dialog, set by fill before its OK is pressed.
template <class T> void runDialog(QAction *command, std::function<void(T *)> fill)
{
    whenModal<T>([fill](T *dialog) {
        fill(dialog);
        child<QPushButton>(dialog, "btnOK")->click();
    });
    command->trigger();
}

// バーコードの設定 with the barcode on at size index (0 for 8 points).
void showBarcode(TLayoutForm &window, int size)
{
    window.UpdateActions();
    runDialog<TAdditionInfoDialog>(window.actBarcodeSet, [size](TAdditionInfoDialog *dialog) {
        child<QCheckBox>(dialog, "ckbBarcode")->setChecked(true);
        child<QComboBox>(dialog, "cbxBarSize")->setCurrentIndex(size);
    });
}

// One free object of each kind on top of the layout, within the paper: a picture, a text of two horizontal lines,
// a shaded figure and a QR code, each at the designer's zoom.
void addFreeObjects(TLayoutForm &window)
{
    const auto at = [&window](double left, double top, double right, double bottom) {
        return TRect{int(left * window.PaperWidth), int(top * window.PaperHeight), int(right * window.PaperWidth),
                     int(bottom * window.PaperHeight)};
    };
    QImage picture(40, 30, QImage::Format_RGB888);
    picture.fill(QColor(200, 40, 40));
    TJpegImage jpeg;
    jpeg.LoadFromData(EncodeJpeg(picture));
    auto illust = std::make_unique<TIllustRect>();
    illust->SetRect(at(0.05, 0.6, 0.25, 0.75));
    illust->SetPicture(&jpeg);
    auto word = std::make_unique<TWordRect>();
    word->SetRect(at(0.55, 0.45, 0.75, 0.7));
    word->SetDirection(WritingDirection::Horizontal);
    word->SetLineCount(2);
    word->SetLine(0, QStringLiteral("謹賀新年"));
    word->SetLine(1, QStringLiteral("本年もよろしく"));
    word->UpdateFontHeight();
    auto figure = std::make_unique<TFigureRect>();
    figure->SetRect(at(0.3, 0.8, 0.5, 0.95));
    figure->SetKind(TFigureRect::Rectangle);
    figure->SetBackFill(true);
    figure->SetGradation(true);
    figure->SetFillColor1(0x00FFE0C0);
    figure->SetGradientAngle(45);
    auto qr = std::make_unique<TQRCodeRect>();
    qr->SetRect(at(0.8, 0.8, 0.95, 0.95));
    qr->SetText("https://example.jp/velmora");
    const TRenderTarget target = window.RenderTarget();
    for (TDrawRect *object : std::initializer_list<TDrawRect *>{illust.get(), word.get(), figure.get(), qr.get()}) {
        object->SetZoom(window.ZoomRatio);
        object->Prepare(target, false);
        window.ZOrderList.insert(window.ZOrderList.begin(), object);
    }
    window.IllustList.push_back(std::move(illust));
    window.WordList.push_back(std::move(word));
    window.FigureList.push_back(std::move(figure));
    window.QRCodeList.push_back(std::move(qr));
    window.FillObjectList();
}

// The offset of the first byte in which two files differ; -1 when they are the same.
qsizetype firstDifference(const QByteArray &a, const QByteArray &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i)
        if (a[i] != b[i])
            return i;
    return a.size() == b.size() ? -1 : n;
}

// The layout saved through the window, closed, the file opened again through the window and saved under
// another name: the file written holds the bytes of the file opened.
void expectOpenAndSaveGiveBackTheBytes(TLayoutForm &window, const QString &title)
{
    SCOPED_TRACE(title.toStdString());
    // The card as the user sees it before saving: its texts drawn for the printer, as after an open.
    window.pnlCard->repaint();
    const QString opened = window.DocumentPath(title);
    ASSERT_TRUE(window.SaveDocument(opened));
    window.actCloseExecute();
    ASSERT_FALSE(window.DocumentOpen);
    ASSERT_TRUE(window.OpenDocument(opened));
    window.DocumentFile.clear();
    const QString saved = window.DocumentPath(title + QStringLiteral("再"));
    ASSERT_TRUE(window.SaveDocument(saved));
    EXPECT_EQ(firstDifference(test::readFile(saved), test::readFile(opened)), -1);
}

// At 用紙全体 the window shows the layout at a zoom of its own, which a save, drawing the thumbnail at another,
// leaves as it was: every object in the same place and size, the card drawn the same, a click on a corner of
// a text taking the text.
void expectSaveLeavesTheView(TLayoutForm &window, const QString &title, const char *sample)
{
    SCOPED_TRACE(title.toStdString());
    window.cbxRatio->setCurrentIndex(0);
    window.cbxRatioClick(window.cbxRatio);
    ASSERT_NE(window.ZoomRatio, 1.0);
    addFreeObjects(window);
    std::vector<TRect> shown;
    for (const TDrawRect *object : window.ZOrderList)
        shown.push_back(object->GetDispRect());
    const QImage card = window.pnlCard->grab().toImage();
    // A corner of the text on the card that lies outside the text as it would be drawn at 100 %.
    const TWordRect &word = *window.WordList.back();
    const TRect r = word.GetDispRect(), full = word.GetRect();
    const QPoint corner = window.ZoomRatio < 1 ? QPoint(r.Left + 2, r.Top + 2) : QPoint(r.Right - 3, r.Bottom - 3);
    ASSERT_FALSE(corner.x() >= full.Left && corner.x() < full.Right && corner.y() >= full.Top &&
                 corner.y() < full.Bottom);

    ASSERT_TRUE(window.SaveDocument(window.DocumentPath(title)));
    std::vector<TRect> after;
    for (const TDrawRect *object : window.ZOrderList)
        after.push_back(object->GetDispRect());
    EXPECT_TRUE(after == shown);
    EXPECT_TRUE(window.pnlCard->grab().toImage() == card);
    test::keepSample(window.grab().toImage(), sample);
    window.ClearSelection();
    QTest::mouseMove(window.pnlCard, corner);
    QTest::mouseClick(window.pnlCard, Qt::LeftButton, {}, corner);
    EXPECT_EQ(window.FocusedObject(), &word);
}

}  // namespace

// A command given right after another, typed ahead or pressed on the bus, finds the state that one left, however
// late a busy machine lets the window's idle update come: 印刷 once the new layout is there, not once it is
// closed.
TEST_F(LayoutFileTest, TheCommandsFollowEachCommandAtOnce)
{
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->actPrint->isEnabled(); })) << "no idle update without a layout";
    whenModal<TNewLayoutDialog>([](TNewLayoutDialog *dialog) { dialog->accept(); });
    form->actNew->trigger();
    ASSERT_TRUE(form->DocumentOpen);
    EXPECT_TRUE(form->actPrint->isEnabled());
    EXPECT_TRUE(form->actClose->isEnabled());
    form->Modified = 0;
    form->actClose->trigger();
    ASSERT_FALSE(form->DocumentOpen);
    EXPECT_FALSE(form->actPrint->isEnabled());
    EXPECT_FALSE(form->actClose->isEnabled());
}

TEST_F(LayoutFileTest, ANewPostcardPrintsEveryRecordToAPdfFile)
{
    // 新規作成: the paper dialog offers the postcard first.
    whenModal<TNewLayoutDialog>([](TNewLayoutDialog *dialog) { dialog->accept(); });
    form->actNew->trigger();
    ASSERT_TRUE(form->DocumentOpen);
    EXPECT_EQ(form->PaperFormat.Kind, 0);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("宛名印刷 - 新規"));
    EXPECT_EQ(static_cast<TNameRect &>(*form->CombinedObjects[2]).Name(), QStringLiteral("山田 太郎"));

    // 印刷: all records, the question answered Yes, the file named.
    const QString pdf = out.path() + QStringLiteral("/はがき.pdf");
    whenModal<TLayoutPrintDialog>([](TLayoutPrintDialog *wizard) {
        child<QRadioButton>(wizard, "rbAll")->click();
        child<QPushButton>(wizard, "btnNext")->click();
        child<QPushButton>(wizard, "btnPrint")->click();
    });
    boxes.answer(IDYES);
    whenModal<QFileDialog>([pdf](QFileDialog *dialog) {
        child<QLineEdit>(dialog, "fileNameEdit")->setText(pdf);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    form->actPrint->trigger();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("宛名レイアウトを印刷します  \r\nよろしいですか？")});
    EXPECT_EQ(form->RecordNumbers.size(), 3u);
    EXPECT_EQ(test::pdfPages(pdf), 3);
    EXPECT_TRUE(test::pageText(pdf, 2).contains(QStringLiteral("佐藤花子様"))) << test::pageText(pdf, 2).toStdString();
    // The designer's own binding puts each digit of the code in its box.
    const QImage page = test::renderedPage(pdf, 2, 600);
    test::keepSample(page, "designer-600dpi");
    test::ExpectDigitsCentredInPostcardBoxes(page);
    // The card shows the selected record again.
    EXPECT_EQ(static_cast<TNameRect &>(*form->CombinedObjects[2]).Name(), QStringLiteral("山田 太郎"));
    EXPECT_TRUE(form->isEnabled());
}

// The designer closed by the window manager while it prints, as the main list's end closes it too: the print stops
// as its 中止 stops it and leaves no file, and the designer stays until the print has returned, then closes.
TEST_F(LayoutFileTest, ADesignerClosedWhileItPrintsStopsThePrintAndClosesAfterIt)
{
    // Enough postcards that the print shows its progress and lets events in: 200 records, 40 copies each.
    TTable &t = *DMMirvale18->AdrsTable;
    t.StartTransaction();
    for (int n = 0; n < 200; ++n) {
        t.Append();
        t.FieldByName("NameKanji").SetAsString(Sjis::encode(QStringLiteral("森 鷗外%1").arg(n)));
        t.FieldByName("Pos").SetAsString("1130033");
        t.FieldByName("Tdfkn").SetAsString(Sjis::encode(QStringLiteral("東京都")));
        t.FieldByName("Adrs1").SetAsString(Sjis::encode(QStringLiteral("文京区本郷1-2-3")));
        t.Post();
    }
    t.Commit();
    list->RefreshList(true, true, false);
    list->SelectItem(0, true, false);
    whenModal<TNewLayoutDialog>([](TNewLayoutDialog *dialog) { dialog->accept(); });
    form->actNew->trigger();
    ASSERT_TRUE(form->DocumentOpen);
    form->UpdateActions();
    const auto oneCopy = qScopeGuard([] {
        TPrinterSetting setting = Printer().Setting();
        setting.Copies = 1;
        Printer().SetSetting(setting);
    });
    const QString pdf = out.path() + QStringLiteral("/閉じる前.pdf");
    whenModal<TLayoutPrintDialog>([](TLayoutPrintDialog *wizard) {
        child<QRadioButton>(wizard, "rbAll")->click();
        child<QPushButton>(wizard, "btnNext")->click();
        auto *copies = child<QLineEdit>(wizard, "edCopy");
        copies->setText(QStringLiteral("40"));
        emit copies->editingFinished();
        child<QPushButton>(wizard, "btnPrint")->click();
    });
    boxes.answer(IDYES);
    whenModal<QFileDialog>([pdf](QFileDialog *dialog) {
        child<QLineEdit>(dialog, "fileNameEdit")->setText(pdf);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    // The close then asks about the new layout: not saved, and thrown away.
    boxes.answer(IDNO);
    boxes.answer(IDYES);
    bool closedWhilePrinting = false, keptMeanwhile = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const auto *progress = form->findChild<QProgressDialog *>(QStringLiteral("PrintProgress"));
        if (closedWhilePrinting || !progress || !progress->isVisible())
            return;
        closedWhilePrinting = true;
        QCloseEvent close;
        QCoreApplication::sendEvent(form->windowHandle(), &close);
        keptMeanwhile = form && form->isVisible();
    });
    poll.start(0);
    form->actPrint->trigger();
    poll.stop();
    EXPECT_TRUE(closedWhilePrinting) << boxes.texts().join(u'|').toStdString();
    EXPECT_TRUE(keptMeanwhile);
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    test::handlerReturned();
    EXPECT_FALSE(form);
}

TEST_F(LayoutFileTest, AMultiUpPreviewPagesAsThePrinterWouldAndReturnsToTheWizard)
{
    usePaper([](const TPaperFormat &f) { return f.Kind == 0 && f.SheetIndex > 0; });
    const int places = form->SheetFormat.Columns * form->SheetFormat.Rows;
    ASSERT_EQ(places, 4);
    // Three records twice each from place 2: (6 + 1) / 4, two sheets.
    previewAllRecords(QStringLiteral("2"), QStringLiteral("2"));
    form->actPrint->trigger();
    ASSERT_TRUE(form->InPreview());
    EXPECT_EQ(form->LabelStart, 2);
    EXPECT_EQ(form->LabelCount, 2);
    EXPECT_EQ(form->PreviewPageCount, 2);
    EXPECT_FALSE(form->MainToolBar->isVisible());
    EXPECT_TRUE(form->PreviewToolBar->isVisible());
    EXPECT_TRUE(form->tbtnNextPreview->isEnabled());
    EXPECT_FALSE(form->tbtnPriorPreview->isEnabled());
    // The page is the sheet.
    EXPECT_EQ(form->PreviewMetafile->Width(), LayoutUnits(form->SheetFormat.SheetWidth));
    form->tbtnNextPreviewClick();
    EXPECT_EQ(form->PreviewPage, 1);
    EXPECT_FALSE(form->tbtnNextPreview->isEnabled());
    EXPECT_TRUE(form->tbtnPriorPreview->isEnabled());
    form->tbtnNextPreviewClick();  // no page beyond the last
    EXPECT_EQ(form->PreviewPage, 1);
    QTest::qWait(20);
    if (!qEnvironmentVariableIsEmpty("VELMORA_SHOT"))
        form->grab().save(qEnvironmentVariable("VELMORA_SHOT"));

    // Closing the preview opens the wizard again; Cancel there returns to the designer as it was.
    bool resumed = false;
    whenModal<TLayoutPrintDialog>([&resumed](TLayoutPrintDialog *wizard) {
        resumed = wizard->ResumeAfterPreview;
        wizard->reject();
    });
    form->tbtnPreviewCloseClick();
    EXPECT_TRUE(resumed);
    EXPECT_FALSE(form->InPreview());
    EXPECT_TRUE(form->MainToolBar->isVisible());
    EXPECT_EQ(form->PaperWidth, LayoutUnits(form->PaperFormat.Width));
    EXPECT_EQ(form->ZOrderList.front()->Zoom(), form->ZoomRatio);
}

TEST_F(LayoutFileTest, APreviewOfSinglePostcardsHasAPageForEveryPrint)
{
    usePaper([](const TPaperFormat &f) { return f.Kind == 0 && f.SheetIndex == 0 && f.CombinedRectCount > 4; });
    // The wizard offers no preview for single papers; its buttons still answer when pressed, and the preview
    // then shows what the printer would get: three records twice each, six pages.
    previewAllRecords(QStringLiteral("2"), QStringLiteral("1"));
    form->actPrint->trigger();
    ASSERT_TRUE(form->InPreview());
    EXPECT_EQ(form->property("HelpContext").toInt(), 87);  // F1 tells about the preview while it shows
    ASSERT_EQ(form->LabelCount, 2);
    EXPECT_EQ(form->PreviewPageCount, 6);
    for (int page = 1; page < 6; ++page)
        form->tbtnNextPreviewClick();
    EXPECT_EQ(form->PreviewPage, 5);
    EXPECT_EQ(static_cast<TNameRect &>(*form->CombinedObjects[2]).Name(), QStringLiteral("長谷川 健"));
    whenModal<TLayoutPrintDialog>([](TLayoutPrintDialog *wizard) { wizard->reject(); });
    form->tbtnPreviewCloseClick();
    EXPECT_FALSE(form->InPreview());
    EXPECT_EQ(form->property("HelpContext").toInt(), 80);
    EXPECT_EQ(static_cast<TNameRect &>(*form->CombinedObjects[2]).Name(), QStringLiteral("山田 太郎"));
}

TEST_F(LayoutFileTest, ThePrinterSetUpOfAMultiUpPaperPlacesThePrintableAreaOnTheFirstCard)
{
    usePaper([](const TPaperFormat &f) { return f.Kind == 0 && f.SheetIndex > 0; });
    whenModal<QPrintDialog>([](QPrintDialog *dialog) { dialog->accept(); });
    form->actPrintSet->trigger();
    // The area of the sheet, seen from the first card's corner.
    const QRect sheet = form->PrinterInfo->GetPrintableRect(0, 0);
    const int left = LayoutUnits(form->SheetFormat.LeftMargin), top = LayoutUnits(form->SheetFormat.TopMargin);
    EXPECT_EQ(form->PrintableArea, (TRect{sheet.left() - left, sheet.top() - top, sheet.left() + sheet.width() - left,
                                          sheet.top() + sheet.height() - top}));
    EXPECT_EQ(form->PrintRangeRect.Left, int(form->PrintableArea.Left * form->ZoomRatio));
}

// The wizard's printer 設定, pressed while the designer runs the wizard as its command, opens the printer set-up
// over the wizard and takes the printer chosen there.
TEST_F(LayoutFileTest, TheWizardsPrinterButtonOpensThePrinterSetUpOverTheWizard)
{
    usePaper([](const TPaperFormat &f) { return f.Kind == 0 && f.SheetIndex == 0; });
    bool overTheWizard = false, changed = false;
    whenModal<TLayoutPrintDialog>([&overTheWizard, &changed](TLayoutPrintDialog *wizard) {
        whenModal<QPrintDialog>([&overTheWizard, wizard](QPrintDialog *dialog) {
            overTheWizard = dialog->parentWidget() == wizard;
            dialog->accept();
        });
        child<QPushButton>(wizard, "bbtnPrinters")->click();
        changed = wizard->PrinterChanged;
        wizard->reject();
    });
    form->actPrint->trigger();
    EXPECT_TRUE(overTheWizard);
    EXPECT_TRUE(changed);
}

TEST_F(LayoutFileTest, ALayoutSavedOpensAgainAsItWas)
{
    usePaper([](const TPaperFormat &f) { return f.Kind == 0 && f.CombinedRectCount > 4; });
    form->Modified = 1;
    const QString path = LayoutFolder + QStringLiteral("年賀状.gpl");
    ASSERT_TRUE(form->SaveDocument(path));
    EXPECT_EQ(form->DocumentFile, path);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("宛名印刷 - 年賀状"));
    EXPECT_FALSE(form->Modified);
    const size_t shown = form->ZOrderList.size();
    form->actCloseExecute();
    EXPECT_FALSE(form->DocumentOpen);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("宛名印刷"));

    ASSERT_TRUE(form->OpenDocument(path));
    EXPECT_TRUE(form->DocumentOpen);
    EXPECT_EQ(form->ZOrderList.size(), shown);
    EXPECT_EQ(form->FixedObjects.front(), form->CombinedObjects[0].get());
    EXPECT_EQ(static_cast<TNameRect &>(*form->CombinedObjects[2]).Name(), QStringLiteral("山田 太郎"));
    EXPECT_EQ(form->RecentFiles.value(0), path);

    // Not a layout: refused with the message, the designer empty and usable.
    test::writeFile(LayoutFolder + "壊れた.gpl", "not a layout");
    EXPECT_FALSE(form->OpenDocument(LayoutFolder + "壊れた.gpl"));
    EXPECT_EQ(boxes.texts().value(0), QStringLiteral("このファイルは有効な形式ではありません  "));
    EXPECT_TRUE(form->ZOrderList.empty());
    EXPECT_EQ(form->FixedObjects.front(), form->CombinedObjects[0].get());
}

// A document or the object defaults that cannot be written (a disk without room, a folder that cannot be
// written) are named with the file and why, and the file saved before stays as it was.
TEST_F(LayoutFileTest, ASaveThatCannotBeWrittenSaysWhyAndKeepsTheFileBefore)
{
    test::SmallDisk disk(1024 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << disk.skipReason().toStdString();
    usePaper([](const TPaperFormat &f) { return f.Kind == 0 && f.CombinedRectCount > 4; });
    const QString folder = disk.path() + QStringLiteral("文書 鷗外/");
    const QString path = folder + QStringLiteral("𠮷田 年賀状.gpl"), defaults = folder + "DrRect.def";
    ASSERT_TRUE(form->SaveDocument(path));
    DataRootFolder = folder;  // where the object defaults go; the next test's book sets it again
    form->DefaultsChanged = 1;
    ASSERT_TRUE(form->SaveObjectDefaults());
    const QByteArray document = test::readFile(path), objectDefaults = test::readFile(defaults);
    ASSERT_TRUE(disk.fill());
    const auto saved = [&] {
        boxes.clear();
        form->Modified = 1;
        form->DefaultsChanged = 1;
        EXPECT_FALSE(form->SaveDocument(path));
        EXPECT_FALSE(form->SaveObjectDefaults());
        EXPECT_EQ(test::readFile(path), document);
        EXPECT_EQ(test::readFile(defaults), objectDefaults);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), (QStringList{"DrRect.def", QFileInfo(path).fileName()}));
        return boxes.texts();
    };
    const auto said = [&](const QString &reason) {
        return QStringList{QStringLiteral("保存できませんでした  \r\n") + path + "\r\n\r\n" + reason,
                           QStringLiteral("保存できませんでした  \r\n") + defaults + "\r\n\r\n" + reason};
    };
    EXPECT_EQ(saved(), said(DiskFullReason));
    const test::ReadOnlyFolder locked(folder);
    ASSERT_TRUE(locked.mounted()) << locked.skipReason().toStdString();
    EXPECT_EQ(saved(), said(NotWritableReason));
    EXPECT_TRUE(form->Modified);
}

// Postcards printed to a PDF on a card that fills part way: the print fails naming the chosen file and the full
// disk, and the PDF printed there before stays as it was, with nothing beside it.
TEST_F(LayoutFileTest, APrintThatMeetsAFullDiskSaysSoAndKeepsThePdfBefore)
{
    test::SmallDisk disk(16 * 1024);
    if (!disk.mounted())
        GTEST_SKIP() << disk.skipReason().toStdString();
    usePaper([](const TPaperFormat &f) { return f.Kind == 0 && f.Direction == 0 && f.SheetIndex == 0; });
    const QString pdf = disk.path() + QStringLiteral("𠮷田 年賀状.pdf");
    const QByteArray before = "%PDF-1.4\n%%EOF\n";
    test::writeFile(pdf, before);
    TTable &t = *DMMirvale18->AdrsTable;
    form->RecordNumbers.clear();
    for (t.First(); !t.Eof(); t.Next())
        form->RecordNumbers.push_back(t.FieldByName("RecNo").AsInteger());
    try {
        PrintLayout(form->MakePrintJob(false), form->Family().Caption, pdf, nullptr);
        ADD_FAILURE() << "printed onto a full disk";
    } catch (const EPrinterError &e) {
        EXPECT_EQ(e.Message, QStringLiteral("PDF ファイル %1 を書き込めませんでした\r\n\r\n").arg(pdf) + DiskFullReason);
    }
    EXPECT_EQ(test::readFile(pdf), before);
    EXPECT_EQ(QDir(disk.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QFileInfo(pdf).fileName()});
}

TEST_F(LayoutFileTest, PicturesLeftOutOfAnOpenedDocumentAreToldOnceAndSavedAsTheyWere)
{
    const QByteArray thumbnail = EncodeJpeg(QImage(135, 200, QImage::Format_RGB888));
    const QByteArray refused = ProgressiveJpeg(64, 64, MaxJpegScans);
    // A picture the decoder refuses, and one it finds damaged: 12 bits a sample, its size unknown.
    const QByteArray damaged = DamagedJpeg(EncodeJpeg(QImage(64, 48, QImage::Format_RGB888)), TJpegDamage::TwelveBits);
    TPrintDocument doc;
    ASSERT_TRUE(doc.Read(LayoutWithPictures(refused, 100, 148, thumbnail), nullptr));
    auto second = std::make_unique<TIllustRect>();
    second->Assign(*doc.IllustList[0]);
    doc.ZOrderList.insert(doc.ZOrderList.begin(), second.get());
    doc.IllustList.push_back(std::move(second));
    const QString path = LayoutFolder + QStringLiteral("大きな写真.gpl");
    test::writeFile(path, WithJpegReplaced(doc.Bytes(thumbnail), refused, damaged));

    ASSERT_TRUE(form->OpenDocument(path));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, QStringLiteral("画像が読み込めませんでした  "));
    EXPECT_EQ(boxes.shown()[0].caption, QStringLiteral("Velmora"));
    ASSERT_EQ(form->IllustList.size(), 2u);
    EXPECT_TRUE(form->IllustList[0]->GetPicture().isNull());
    EXPECT_TRUE(form->IllustList[1]->GetPicture().isNull());

    // Back to its own size: a picture whose size is unknown leaves its object as it is.
    std::vector<QByteArray> kept;
    for (const auto &picture : form->IllustList) {
        kept.push_back(picture->KeptJpeg()->Data());
        if (kept.back() == damaged) {
            const TRect before = picture->GetRect();
            form->SelectedList = {picture.get()};
            form->FocusedIndex = 0;
            form->pmiIllustDefClick();
            EXPECT_EQ(picture->GetRect(), before);
        }
    }
    std::sort(kept.begin(), kept.end());
    const std::vector<QByteArray> read = damaged < refused ? std::vector{damaged, refused} : std::vector{refused, damaged};
    EXPECT_EQ(kept, read);

    // Saved, both pictures are there as they were read.
    form->Modified = 1;
    const QString copy = LayoutFolder + QStringLiteral("写しの写真.gpl");
    ASSERT_TRUE(form->SaveDocument(copy));
    TPrintDocument saved;
    ASSERT_TRUE(saved.Open(copy, nullptr));
    ASSERT_EQ(saved.IllustList.size(), 2u);
    kept.clear();
    for (const auto &picture : saved.IllustList)
        kept.push_back(picture->KeptJpeg()->Data());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, read);

    // A picture beyond what the program decodes (1.8 GB of coefficients) is said to be too large, with its size,
    // not to be unreadable.
    boxes.clear();
    test::writeFile(path, LayoutWithPictures(ProgressiveJpeg(30000, 30000, 1), 100, 148, thumbnail));
    ASSERT_TRUE(form->OpenDocument(path));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("画像が大きすぎるため扱えません  \r\n(30000 × 30000 ピクセル)")});
    ASSERT_EQ(form->IllustList.size(), 1u);
    EXPECT_TRUE(form->IllustList[0]->GetPicture().isNull());

    // A document whose picture shows is opened without a word.
    boxes.clear();
    test::writeFile(path, LayoutWithPictures(BaselineJpeg(64, 64), 100, 148, thumbnail));
    ASSERT_TRUE(form->OpenDocument(path));
    EXPECT_TRUE(boxes.shown().empty());
    ASSERT_EQ(form->IllustList.size(), 1u);
    EXPECT_FALSE(form->IllustList[0]->GetPicture().isNull());
}

TEST_F(LayoutFileTest, EachDesignerSavesTheBytesOfTheDocumentItOpened)
{
    // 通常はがき with its barcode on at 9 points and every free object kind.
    newLayout<TNewLayoutDialog>(*form);
    ASSERT_EQ(form->PrintParts, 0);
    ASSERT_TRUE(!form->NoBarcode && form->BarSize >= 2);
    showBarcode(*form, 1);
    addFreeObjects(*form);
    expectOpenAndSaveGiveBackTheBytes(*form, QStringLiteral("はがき"));
    const auto &combined = static_cast<const TBarcodeRect &>(*form->CombinedObjects[CombinedBarcodeIndex]);
    EXPECT_TRUE(combined.Visible && form->Layout.ZIndexOf(&combined) >= 0);
    EXPECT_EQ(combined.BarSize(), 1);

    // On its split places: a part hidden, the layout flags turned over, the barcode there at 10 points.
    form->UpdateActions();
    runDialog<TLayoutDetailDialog>(form->actDetail, [](TLayoutDetailDialog *dialog) {
        child<QCheckBox>(dialog, "ckbAuto")->setChecked(false);
        child<QCheckBox>(dialog, "ckbDptmnt")->setChecked(false);
        for (const char *flag : {"ckbCharSpace", "ckbCorpBreak"}) {
            QCheckBox *box = child<QCheckBox>(dialog, flag);
            box->setChecked(!box->isChecked());
        }
    });
    ASSERT_EQ(form->SplitLayout, 1);
    showBarcode(*form, 2);
    expectOpenAndSaveGiveBackTheBytes(*form, QStringLiteral("分割"));
    const auto &split = static_cast<const TBarcodeRect &>(*form->SplitObjects[SplitBarcodeIndex]);
    EXPECT_TRUE(split.Visible && form->Layout.ZIndexOf(&split) >= 0);
    EXPECT_EQ(split.BarSize(), 2);

    // The sender side of an envelope.
    const auto envelope = std::find_if(master.Formats.begin(), master.Formats.end(),
                                       [](const TPaperFormat &f) { return f.Kind == 1 && f.CombinedRectCount > 4; });
    ASSERT_NE(envelope, master.Formats.end());
    const int number = int(envelope - master.Formats.begin());
    newLayout<TNewLayoutDialog>(*form, [number](TNewLayoutDialog *dialog) {
        dialog->SelectFormatByNumber(number);
        dialog->SetSenderSide(true);
    });
    ASSERT_EQ(form->PrintParts, 2);
    addFreeObjects(*form);
    expectOpenAndSaveGiveBackTheBytes(*form, QStringLiteral("封筒"));

    // A label printing two items of the record, and a card.
    TLabelForm &labels = openOther<TLabelForm>(false);
    newLayout<TLabelPaperDialog>(labels);
    labels.UpdateActions();
    runDialog<TAdditionInfoDialog>(labels.actBarcodeSet, [](TAdditionInfoDialog *dialog) {
        dialog->SetAdditionChecked(0, true);
        dialog->SetAdditionItem(0, 3);
        dialog->SetAdditionChecked(1, true);
        dialog->SetAdditionText(1, QStringLiteral("粗品在中"));
    });
    ASSERT_GE(labels.Layout.ZIndexOf(&labels.Layout.RecordItem(1)), 0);
    addFreeObjects(labels);
    expectOpenAndSaveGiveBackTheBytes(labels, QStringLiteral("ラベル"));
    TLabelForm &cards = openOther<TLabelForm>(true);
    newLayout<TLabelPaperDialog>(cards);
    addFreeObjects(cards);
    expectOpenAndSaveGiveBackTheBytes(cards, QStringLiteral("名刺"));

    // A message side with a sender block on a shaded page.
    TDesignForm &letter = openOther<TDesignForm>();
    newLayout<TNewLayoutDialog>(letter);
    addFreeObjects(letter);
    letter.actSenderBlock->trigger();
    ASSERT_EQ(letter.Layout.SenderList.size(), 1u);
    TBackImage &page = *letter.Layout.Background;
    page.SetKind(TBackImage::Gradient);
    page.SetColor1(0x00FFE0C0);
    page.SetColor2(0x00FFFFFF);
    page.SetGradientAngle(45);
    expectOpenAndSaveGiveBackTheBytes(letter, QStringLiteral("文面"));
}

// 新規 after a document was made, saved and opened again: in every designer the new document is the one a
// fresh window makes, its object chooser lists nothing more, and the letter body's next sender block is the
// first again.
TEST_F(LayoutFileTest, ANewDocumentHoldsNothingOfTheOneBefore)
{
    const auto expectNewIsFresh = [](TLayoutForm &window, const auto &newDocument,
                                     const std::function<void()> &edit, const QString &title) {
        SCOPED_TRACE(title.toStdString());
        newDocument();
        const QByteArray fresh = window.Layout.Bytes(QByteArray());
        const auto chooser = [&window] {
            QStringList items;
            for (int i = 0; i < window.cbxViewRect->count(); ++i)
                items << window.cbxViewRect->itemText(i);
            return items;
        };
        const QStringList freshChooser = chooser();
        edit();
        addFreeObjects(window);
        ASSERT_TRUE(window.SaveDocument(window.DocumentPath(title)));
        for (const bool opened : {false, true}) {
            if (opened) {
                ASSERT_TRUE(window.OpenDocument(window.DocumentPath(title)));
            }
            window.Modified = 0;
            newDocument();
            EXPECT_EQ(firstDifference(window.Layout.Bytes(QByteArray()), fresh), -1) << "opened first: " << opened;
            EXPECT_EQ(chooser(), freshChooser);
        }
    };
    expectNewIsFresh(*form, [&] { newLayout<TNewLayoutDialog>(*form); }, [&] { showBarcode(*form, 1); },
                     QStringLiteral("はがき"));
    TLabelForm &labels = openOther<TLabelForm>(false);
    expectNewIsFresh(labels, [&] { newLayout<TLabelPaperDialog>(labels); }, [&] {
        labels.UpdateActions();
        runDialog<TAdditionInfoDialog>(labels.actBarcodeSet, [](TAdditionInfoDialog *dialog) {
            dialog->SetAdditionChecked(0, true);
            dialog->SetAdditionItem(0, 3);
        });
    }, QStringLiteral("ラベル"));
    TDesignForm &letter = openOther<TDesignForm>();
    expectNewIsFresh(letter, [&] { newLayout<TNewLayoutDialog>(letter); }, [&] {
        letter.actSenderBlock->trigger();
        letter.actSenderBlock->trigger();
    }, QStringLiteral("文面"));
    letter.actSenderBlock->trigger();
    ASSERT_EQ(letter.Layout.SenderList.size(), 1u);
    EXPECT_EQ(letter.cbxViewRect->currentText(), QStringLiteral("差出人ブロック1"));
}

TEST_F(LayoutFileTest, ASaveLeavesTheObjectsWhereTheDesignerDrawsAndHitsThem)
{
    // 通常はがき below 100 % in a lower window, with its barcode.
    form->resize(900, 660);
    newLayout<TNewLayoutDialog>(*form);
    showBarcode(*form, 1);
    expectSaveLeavesTheView(*form, QStringLiteral("はがき"), "postcard-saved-at-fit");
    EXPECT_LT(form->ZoomRatio, 1.0);
    // A label far above it.
    TLabelForm &labels = openOther<TLabelForm>(false);
    newLayout<TLabelPaperDialog>(labels);
    expectSaveLeavesTheView(labels, QStringLiteral("ラベル"), "label-saved-at-fit");
    EXPECT_GT(labels.ZoomRatio, 1.5);
}

TEST_F(LayoutFileTest, NothingToPrintIsSaidAndNothingOpens)
{
    form->actPrint->trigger();  // no layout: no object shown
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("印刷するデータがありません  ")});
    EXPECT_EQ(LayoutPrintDialog, nullptr);
}

TEST_F(LayoutFileTest, TheNameColumnStandsInTheMiddleOfAVerticalPostcard)
{
    // The first record becomes a company's, with no department.
    TTable &t = *DMMirvale18->AdrsTable;
    t.First();
    const int32_t company = t.FieldByName("RecNo").AsInteger();
    t.Edit();
    t.FieldByName("PrivCorp").SetAsBoolean(false);
    t.FieldByName("CorpKanji").SetAsString(Sjis::encode(QStringLiteral("ベルモーラ商事株式会社")));
    t.Post();
    t.Next();
    const int32_t person = t.FieldByName("RecNo").AsInteger();
    usePaper([](const TPaperFormat &f) { return f.Kind == 0 && f.Direction == 0 && f.SheetIndex == 0; });
    ASSERT_EQ(form->PaperFormat.Width, 1000);
    const QString pdf = out.path() + QStringLiteral("/はがき.pdf");
    const auto mm = [](double pixels) { return pixels * 25.4 / 600; };
    const auto px = [](double millimetres) { return int(std::lround(millimetres / 25.4 * 600)); };
    // The ink between 38 and 61 mm across, below the code boxes and above the sender: the name's column.
    const QRect nameBand(px(38), px(24), px(23), px(110));
    const auto printed = [&](int32_t recNo, const char *sample) {
        form->RecordNumbers = {recNo};
        EXPECT_EQ(PrintLayout(form->MakePrintJob(false), form->Family().Caption, pdf, nullptr), TPrintOutcome::Printed);
        const QImage page = test::renderedPage(pdf, 1, 600);
        test::keepSample(page, sample);
        return page;
    };

    // A person's name on the combined places.
    const QRect combined = test::inkBox(printed(person, "name-middle-combined-600dpi"), nameBand);
    ASSERT_FALSE(combined.isEmpty());
    EXPECT_NEAR(mm(combined.left() + combined.right() + 1) / 2, 50, 0.5);

    // The company's on the split places: the name in the middle, the company between it and the address.
    form->SetSplitLayout(1);
    const QImage page = printed(company, "name-middle-split-600dpi");
    const QRect name = test::inkBox(page, nameBand);
    ASSERT_FALSE(name.isEmpty());
    EXPECT_NEAR(mm(name.left() + name.right() + 1) / 2, 50, 0.5) << mm(name.left()) << " " << mm(name.right());
    const QRect corp = test::inkBox(page, QRect(name.right() + 1, px(24), px(72) - name.right() - 1, px(110)));
    ASSERT_FALSE(corp.isEmpty());
    EXPECT_TRUE(test::pageText(pdf, 1).contains(QStringLiteral("ベルモーラ商事株式会社")));
    // Large enough to read: at least 2 mm a character.
    EXPECT_GE(mm(corp.width()), 2.0);
}

namespace {

// Where a text object of the layout lies on a printed page, in points.
QRectF pointsOf(const TRect &r) { return QRectF(r.Left * 0.75, r.Top * 0.75, r.Width() * 0.75, r.Height() * 0.75); }

// A text as pdftotext gives it back: digits and letters half width, every dash one hyphen, no blanks.
QString plain(QString text)
{
    for (QChar &c : text) {
        if (c >= u'！' && c <= u'～')
            c = QChar(c.unicode() - 0xFEE0);
        else if (c == u'ー' || c == u'－' || c == u'‐')
            c = u'-';
    }
    text.remove(u' ').remove(u'　');
    return text;
}

// The lines of words whose middles lie in area, in reading order: columns from the right, each read downwards,
// for vertical writing; rows from the top, each read rightwards, for horizontal writing. Words a third of a
// line apart or less stand in the same line.
QStringList linesIn(const QList<test::TPdfWord> &words, const QRectF &area, bool vertical)
{
    QList<test::TPdfWord> in;
    for (const test::TPdfWord &w : words)
        if (area.contains(w.Box.center()))
            in.append(w);
    const auto across = [vertical](const test::TPdfWord &w) { return vertical ? -w.Box.center().x() : w.Box.center().y(); };
    const auto along = [vertical](const test::TPdfWord &w) { return vertical ? w.Box.center().y() : w.Box.center().x(); };
    std::sort(in.begin(), in.end(), [&](const auto &a, const auto &b) { return across(a) < across(b); });
    QList<QList<test::TPdfWord>> lines;
    for (const test::TPdfWord &w : in) {
        const double size = std::min(w.Box.width(), w.Box.height());
        if (lines.isEmpty() || across(w) - across(lines.last().last()) > size / 3)
            lines.append(QList<test::TPdfWord>());
        lines.last().append(w);
    }
    QStringList texts;
    for (QList<test::TPdfWord> &line : lines) {
        std::sort(line.begin(), line.end(), [&](const auto &a, const auto &b) { return along(a) < along(b); });
        QString text;
        for (const test::TPdfWord &w : line)
            text += w.Text;
        texts.append(plain(text));
    }
    return texts;
}

// The size a word was set in: the width of a column's glyphs in vertical writing, the height of a line in
// horizontal writing. Words with half-width characters are left out (-1): set across a column, theirs is the
// size of horizontal text.
double wordSize(const test::TPdfWord &w, bool vertical)
{
    if (std::any_of(w.Text.begin(), w.Text.end(), [](QChar c) { return c.unicode() < 0x2000; }))
        return -1;
    return vertical ? w.Box.width() : w.Box.height();
}

}  // namespace

TEST_F(LayoutFileTest, OnEveryEnvelopeAndPostcardTheNameIsTheLargestTextAndTheBuildingStandsApart)
{
    // Records as offices keep them: a company contact with a long company name, two departments and a title,
    // short or long, and a private one, each address with a building.
    struct TRow {
        const char *Name, *Corp, *Dptmnt, *Post, *Tdfkn, *Adrs1, *Adrs2, *Adrs3;
    };
    const TRow rows[] = {
        {"佐藤　一郎", "ベルモーラ・ホールディングス株式会社", "営業本部　第二営業部", "部長", "東京都", "千代田区",
         "丸の内２－４－１", "丸の内ビルディング２１階"},
        {"鈴木　健太", "株式会社ミルヴェール総合研究所東日本", "システム開発部　第三グループ", "執行役員　開発本部長",
         "大阪府", "大阪市北区", "梅田３－１－３", "ノースゲートビルディング１５階"},
        {"山田　花子", "", "", "", "神奈川県", "横浜市西区", "みなとみらい２－２－１", "ランドマークタワー３５階"},
    };
    // The sender as a company writes it on a postcard beside every receiver: company, two departments and a
    // title over the name, an address with a building, and two contact lines.
    TSenderRecord sender = test::listedSender(2, QStringLiteral("会社"), QStringLiteral("高橋　誠"));
    sender.SelectInfo = 2;
    sender.Pos = "1080023";
    sender.Tdfkn = Sjis::encode(QStringLiteral("東京都"));
    sender.Adrs1 = Sjis::encode(QStringLiteral("港区"));
    sender.Adrs2 = Sjis::encode(QStringLiteral("芝浦３－４－１"));
    sender.Adrs3 = Sjis::encode(QStringLiteral("グランパークタワー１２階"));
    const QString senderCorp = QStringLiteral("ベルモーラ・グローバル・ソリューションズ株式会社");
    sender.Corp = Sjis::encode(senderCorp);
    sender.Dptmnt = Sjis::encode(QStringLiteral("営業本部　第一営業部"));
    sender.Post = Sjis::encode(QStringLiteral("課長"));
    sender.Head = {"TEL", "FAX", "", ""};
    sender.Addition = {"03-1234-5678", "03-1234-5679", "", ""};
    sender.AdditionPrint = {true, true, false, false};
    test::registerSender(sender);
    DefaultSenderNo = sender.RecNo;
    // A large envelope at 600 dpi is larger than Qt reads by default.
    QImageReader::setAllocationLimit(512);
    TTable &t = *DMMirvale18->AdrsTable;
    // The records already listed are sent from home, whose sender shows no contact lines: one of them on the
    // card, the printed records' senders' contact lines print all the same.
    int32_t fromHome = -1;
    for (t.First(); !t.Eof(); t.Next()) {
        t.Edit();
        t.FieldByName("Sender").SetAsInteger(1);
        t.Post();
        fromHome = t.FieldByName("RecNo").AsInteger();
    }
    std::vector<int32_t> recNos;
    for (const TRow &row : rows) {
        t.Append();
        t.FieldByName("PrivCorp").SetAsBoolean(*row.Corp == 0);
        t.FieldByName("JointPrint").SetAsBoolean(true);
        t.FieldByName("Pos").SetAsString("1000005");
        t.FieldByName("Sender").SetAsInteger(sender.RecNo);
        for (const auto &[field, text] : {std::pair{"NameKanji", row.Name}, std::pair{"CorpKanji", row.Corp},
                                          std::pair{"Dptmnt", row.Dptmnt}, std::pair{"Post", row.Post},
                                          std::pair{"Tdfkn", row.Tdfkn}, std::pair{"Adrs1", row.Adrs1},
                                          std::pair{"Adrs2", row.Adrs2}, std::pair{"Adrs3", row.Adrs3}})
            t.FieldByName(field).SetAsString(Sjis::encode(QString::fromUtf8(text)));
        t.Post();
        recNos.push_back(t.FieldByName("RecNo").AsInteger());
    }
    list->RefreshList(true, true, false);
    const auto selectRecord = [&](int32_t recNo) {
        for (int row = 0; row < list->GetRecordCount(); ++row)
            if (list->GetRecNoAt(row) == recNo)
                list->SelectItem(row, true, false);
    };

    int papers = 0;
    for (size_t i = 0; i < master.Formats.size(); ++i) {
        const TPaperFormat &paper = master.Formats[i];
        if (paper.Kind > 1 || paper.SheetIndex > 0)
            continue;
        const bool vertical = paper.Direction == 0;
        SCOPED_TRACE(Sjis::decode(paper.Name).toStdString() + (vertical ? " 縦書き" : " 横書き"));
        ++papers;
        // 新規作成 on the paper.
        form->Modified = 0;
        selectRecord(fromHome);
        newLayout<TNewLayoutDialog>(*form, [i](TNewLayoutDialog *dialog) { dialog->SelectFormatByNumber(int(i)); });
        ASSERT_EQ(form->FormatNumber, int(i));
        // The places the new layout gives the fixed objects of both sets (the one shown and the one the manual
        // layout switches to): each on the paper, and on a postcard, whose one side takes both, no sender's
        // place over a receiver's.
        const QRectF sheet = pointsOf({0, 0, form->PaperWidth, form->PaperHeight});
        const auto placesApart = [&](const auto &set, size_t barcodeIndex, size_t firstSender) {
            for (size_t o = 0; o < set.size(); ++o) {
                const QRectF place = pointsOf(set[o]->GetRect());
                EXPECT_TRUE(sheet.contains(place)) << "object " << o << " leaves the paper";
                for (size_t r = 0; r < firstSender && o >= firstSender && paper.Kind == 0; ++r)
                    if (r != barcodeIndex || !form->NoBarcode) {
                        EXPECT_FALSE(place.intersects(pointsOf(set[r]->GetRect())))
                            << "the sender's object " << o << " over the receiver's " << r;
                    }
            }
        };
        placesApart(form->CombinedObjects, CombinedBarcodeIndex, 4);
        placesApart(form->SplitObjects, SplitBarcodeIndex, 9);
        form->RecordNumbers = recNos;
        const QString pdf = out.path() + QStringLiteral("/%1.pdf").arg(i);
        ASSERT_EQ(PrintLayout(form->MakePrintJob(false), form->Family().Caption, pdf, nullptr), TPrintOutcome::Printed);
        ASSERT_EQ(test::pdfPages(pdf), 3);
        if (i == 0 || (paper.Kind == 1 && vertical)) {
            // The card shows the company record as it prints.
            selectRecord(recNos[0]);
            form->ListChanged();
            test::keepSample(form->grab().toImage(), ("address-side-" + std::to_string(i) + "-window").c_str());
        }
        for (int page = 1; page <= 3; ++page) {
            const TRow &row = rows[page - 1];
            SCOPED_TRACE(row.Name);
            if (paper.Kind == 0 || vertical)
                test::keepPageSample(
                    pdf, page, ("address-side-" + std::to_string(i) + "-" + std::to_string(page) + "-600dpi").c_str());
            const QList<test::TPdfWord> words = test::pageWords(pdf, page);
            // The receiver's texts (the postal code at the top, the address and the name block, as the print run
            // placed them); the sender's, on a postcard, are the others.
            form->BindRecord(recNos[size_t(page - 1)]);
            const QRectF address = pointsOf(form->CombinedObjects[1]->GetRect());
            const QRectF name = pointsOf(static_cast<TMetaRect &>(*form->CombinedObjects[2]).LaidOutRect());
            const QRectF postal = pointsOf(form->CombinedObjects[0]->GetRect());
            QList<test::TPdfWord> receiver;
            for (const test::TPdfWord &w : words)
                if (address.contains(w.Box.center()) || name.contains(w.Box.center()) || postal.contains(w.Box.center()))
                    receiver.append(w);

            // The name is the largest of them: its family and given name, the honorific beside them.
            const QString nameLine = QString::fromUtf8(row.Name).remove(u'　') + QStringLiteral("様");
            double nameSize = 0, largestOther = 0;
            QString largest;
            for (const test::TPdfWord &w : receiver) {
                const double size = wordSize(w, vertical);
                if (name.contains(w.Box.center()) && nameLine.contains(w.Text))
                    nameSize = std::max(nameSize, size);
                else if (size > largestOther) {
                    largestOther = size;
                    largest = w.Text;
                }
            }
            EXPECT_GT(nameSize, largestOther) << "the name at " << nameSize << " pt, " << largest.toStdString()
                                              << " at " << largestOther << " pt";

            // The building on a column or line of its own, the street number ending the one before it.
            const QStringList lines = linesIn(words, address, vertical);
            const QString building = plain(QString::fromUtf8(row.Adrs3));
            const qsizetype at = lines.indexOf(building);
            EXPECT_GT(at, 0) << lines.join(u'|').toStdString();
            if (at > 0) {
                EXPECT_TRUE(lines[at - 1].endsWith(plain(QString::fromUtf8(row.Adrs2))))
                    << lines.join(u'|').toStdString();
            }
            if (*row.Corp) {
                EXPECT_TRUE(test::pageText(pdf, page).contains(QString::fromUtf8(row.Corp)));
            }

            // The sender printed in full beside the receiver on a postcard.
            if (paper.Kind == 0) {
                const QString text = plain(test::pageText(pdf, page));
                for (const QString &part : {senderCorp, QStringLiteral("TEL"), QStringLiteral("03-1234-5678"),
                                            QStringLiteral("FAX"), QStringLiteral("03-1234-5679")})
                    EXPECT_TRUE(text.contains(plain(part))) << part.toStdString() << " missing from " << text.toStdString();
                // A postcard has room for every word at 7 points, but for the digits in the printed boxes.
                const QRectF senderPostal = pointsOf(form->CombinedObjects[4]->GetRect());
                for (const test::TPdfWord &w : words)
                    EXPECT_TRUE(wordSize(w, vertical) < 0 || wordSize(w, vertical) >= 6.95
                                || senderPostal.contains(w.Box.center()) || postal.contains(w.Box.center()))
                        << w.Text.toStdString() << " at " << wordSize(w, vertical) << " pt";
            }

            // Every text on the paper and none over another, the sender's over the receiver's neither: the
            // glyphs' boxes, less the room round a glyph's ink, keep apart.
            const auto ink = [](const QRectF &box) {
                const double m = std::min(box.width(), box.height()) * 0.15;
                return box.adjusted(m, m, -m, -m);
            };
            for (qsizetype a = 0; a < words.size(); ++a) {
                EXPECT_TRUE(sheet.contains(ink(words[a].Box))) << words[a].Text.toStdString() << " leaves the paper";
                for (qsizetype b = a + 1; b < words.size(); ++b)
                    EXPECT_FALSE(ink(words[a].Box).intersects(ink(words[b].Box)))
                        << words[a].Text.toStdString() << " and " << words[b].Text.toStdString();
            }
        }
    }
    EXPECT_GE(papers, 14);
}
