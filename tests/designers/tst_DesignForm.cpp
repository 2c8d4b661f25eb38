// The letter-body window over a real book: a new message side on a postcard with a greeting, a sender block
// filled from the sender list and a coloured page, saved and opened again byte for byte, printed to PDF (the
// texts extractable, the background under them); a photograph as the page background, read from its
// document, shown, previewed and printed on every page at the paper's size (turned with a page printed
// turned), kept when saved again and gone from a new page; a sender block added and deleted as one undo step each,
// listed in the object chooser; and the main window opening it after the other designers closed, its close
// asking about unsaved work.
#include "designers/Design.h"
#include "designers/Label.h"
#include "designers/LayoutPrint.h"
#include "designers/LytFmt.h"
#include "designers/LytPrt.h"
#include "designers/WordSet.h"

#include "ExifJpegs.h"
#include "PrintedPdf.h"
#include "SenderRows.h"
#include "TestBook.h"
#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "base/Fonts.h"
#include "base/Units.h"
#include "core/AddressRecord.h"
#include "core/Globals.h"
#include "designers/Sender.h"
#include "designers/SenderRecord.h"
#include "db/Table.h"
#include "drawing/BackImage.h"
#include "drawing/DesignGlobals.h"
#include "drawing/JpegImage.h"
#include "drawing/MetafileEx.h"
#include "drawing/PrinterInfo.h"
#include "drawing/SenderRect.h"
#include "drawing/WordRect.h"
#include "geo/PaintPanel.h"
#include "mainlist/AdrsList.h"
#include "platform/CustomEvents.h"
#include "platform/MemIniFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QFileInfo>
#include <QtEndian>
#include <QImageReader>
#include <QPointer>
#include <QGuiApplication>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QToolBar>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace test;

// A ".gpd" file image without its thumbnail: the magic, version and header, then what follows the JPEG.
QByteArray withoutThumbnail(const QByteArray &file)
{
    const int at = 18 + 4 + 32;
    const quint32 length = qFromLittleEndian<quint32>(file.constData() + at);
    return file.left(at) + file.mid(at + 4 + int(length));
}

const QString Greeting = QStringLiteral("謹んで新年のお慶びを申し上げます");

class DesignFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QImageReader::setAllocationLimit(512);
        book.Open();
        AppFolder = test::appDir();
        DesignFolder = book.Dir.path() + "/Design/";
        LabelFolder = book.Dir.path() + "/Label/";
        ASSERT_TRUE(master.Load(AppFolder + "Common/Lyt.fmt"));
        test::registerSender(test::listedSender(1, QStringLiteral("自宅"), QStringLiteral("田中　一郎")));
        DefaultSenderNo = 0;
        list = std::make_unique<TAddressList>();
        AddressList = list.get();
        TPrinter &printer = Printer();
        printer.SetPrinterIndex(int(printer.Printers().indexOf(PdfPrinterName)));
        TPrinterSetting setting = printer.Setting();
        setting.Copies = 1;
        printer.SetSetting(setting);
        pdf = out.path() + QStringLiteral("/文面.pdf");
        // The start menu would wait for the user: not shown in these tests.
        TMemIniFile ini(DataFolder + "Mirvale18.ini");
        for (const char *section : {"LABEL", "DESIGN"})
            ini.WriteBool(QLatin1String(section), "Menu", false);
        ini.UpdateFile();
    }
    void TearDown() override
    {
        for (QPointer<TLayoutForm> window : {QPointer<TLayoutForm>(form), labels})
            if (window) {
                window->Modified = 0;
                delete window.data();
            }
        list.reset();
        AddressList = nullptr;
        ShowDesignForm = nullptr;
        ShowLabelForm = nullptr;
        PaperScale = 1480;
    }

    // A new message side on the first postcard of the paper list.
    bool OpenOnPostcard()
    {
        form = new TDesignForm(list.get());
        DesignForm = form.data();
        for (size_t i = 0; i < master.Formats.size(); ++i) {
            const TPaperFormat &paper = master.Formats[i];
            if (paper.Kind != 0 || paper.SheetIndex != 0)
                continue;
            form->FormatNumber = int(i);
            form->PaperFormat = paper;
            form->SheetFormat = master.SheetOf(paper);
            form->PrintParts = 1;
            return form->ApplyPaper();
        }
        return false;
    }

    void AddGreeting()
    {
        auto greeting = std::make_unique<TWordRect>();
        greeting->SetRect(TRect{40, 60, 340, 120});
        greeting->SetDirection(1);
        greeting->SetLineCount(1);
        greeting->SetLine(0, Greeting);
        greeting->UpdateFontHeight();
        form->ZOrderList.insert(form->ZOrderList.begin(), greeting.get());
        form->WordList.push_back(std::move(greeting));
    }

    // The entries of the object chooser after its first ("なし").
    QStringList chooserItems() const
    {
        QStringList items;
        for (int i = 1; i < form->cbxViewRect->count(); ++i)
            items << form->cbxViewRect->itemText(i);
        return items;
    }
    QByteArray documentBytes() const { return form->Layout.Bytes(QByteArray()); }

    // A second sender, 実家, with a telephone, a fax and a mail address but no second line.
    static void addSecondSender()
    {
        TSenderRecord other = test::listedSender(2, QStringLiteral("実家"), QStringLiteral("京都　二郎"),
                                                 QStringLiteral("京都市下京区四条通1"));
        other.Pos = "6008001";
        other.Tdfkn = Sjis::encode(QStringLiteral("京都府"));
        other.Head = {"TEL", "", "FAX", "E-Mail"};
        other.Addition = {"075-222-1111", "", "075-222-3333", "jiro@example.jp"};
        test::registerSender(other);
    }

    // Answers the next modal dialog: fill looks at it and changes it, then OK.
    static void answer(std::function<void(QDialog &)> fill)
    {
        QTimer::singleShot(0, [fill] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            fill(*dialog);
            dialog->findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
        });
    }
    // Runs command, whose paper dialog shows the chosen paper as a message side, white, without the address
    // side's code boxes or the places of the address objects, before close answers it.
    void ExpectMessageSidePaperDialog(QAction *command, const char *sample,
                                      const std::function<void(TNewLayoutDialog &)> &close)
    {
        QImage preview;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<TNewLayoutDialog *>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            auto *card = dialog->findChild<QWidget *>("pnlCard");
            ASSERT_TRUE(card && card->isVisible());
            preview = card->grab().toImage();
            keepSample(dialog->grab().toImage(), sample);
            close(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        command->trigger();
        ASSERT_FALSE(preview.isNull());
        int coloured = 0;
        for (int y = 1; y < preview.height() - 1; ++y)
            for (int x = 1; x < preview.width() - 1; ++x)
                coloured += preview.pixelColor(x, y) != QColor(Qt::white);
        EXPECT_EQ(coloured, 0);
    }
    template <class T> static T *control(QDialog &dialog, const char *name)
    {
        return dialog.findChild<T *>(QLatin1String(name));
    }

    test::TestBook book;
    test::MessageBoxScript boxes;
    TMasterFormats master;
    std::unique_ptr<TAddressList> list;
    QPointer<TDesignForm> form;
    QPointer<TLayoutForm> labels;
    QTemporaryDir out;
    QString pdf;
};

}  // namespace

TEST_F(DesignFormTest, AMessageSideIsEditedSavedOpenedAgainAndPrinted)
{
    ASSERT_TRUE(OpenOnPostcard());
    // No receiver, sender or record on the message side.
    EXPECT_TRUE(form->ZOrderList.empty());
    EXPECT_TRUE(form->FixedObjects.empty());
    // The postcard's picture is its address side, not shown under the message.
    EXPECT_FALSE(form->PaperFormat.PictureFile.isEmpty());
    EXPECT_TRUE(form->BackgroundSource.isNull());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("文面印刷 - 新規"));
    AddGreeting();
    form->actSenderBlock->trigger();
    ASSERT_EQ(form->Layout.SenderList.size(), 1u);
    TSenderRect &block = *form->Layout.SenderList[0];
    EXPECT_EQ(form->ZOrderList.front(), &block);
    EXPECT_EQ(form->FocusedObject(), &block);
    EXPECT_EQ(block.Name1().Name(), QStringLiteral("田中 一郎"));
    EXPECT_TRUE(form->Modified);
    // A pale page: red 0xFF, green 0xF0, blue 0xE0.
    form->Layout.Background->SetKind(TBackImage::Colour);
    form->Layout.Background->SetColor1(0x00E0F0FF);

    form->resize(900, 760);
    form->show();
    form->sbxPreviewResize();
    keepSample(form->grab().toImage(), "design-window");
    ASSERT_TRUE(form->SaveDocument(form->DocumentPath(QStringLiteral("年賀"))));
    const QString file = DesignFolder + QStringLiteral("年賀.gpd");
    ASSERT_TRUE(QFileInfo::exists(file));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("文面印刷 - 年賀"));
    const QByteArray saved = test::readFile(file);
    form->ClearDocument();
    ASSERT_TRUE(form->OpenDocument(file));
    ASSERT_EQ(form->Layout.SenderList.size(), 1u);
    EXPECT_EQ(form->WordList.size(), 1u);
    EXPECT_EQ(form->ZOrderList.size(), 2u);
    EXPECT_EQ(form->Layout.Background->Kind(), TBackImage::Colour);
    EXPECT_EQ(form->Layout.SenderList[0]->Name1().Name(), QStringLiteral("田中 一郎"));
    ASSERT_TRUE(form->SaveDocument(file));
    // The document itself again byte for byte; its thumbnail is drawn anew from the texts as read.
    const QByteArray again = test::readFile(file);
    EXPECT_EQ(withoutThumbnail(again), withoutThumbnail(saved));
    EXPECT_TRUE(again.mid(58, 2) == QByteArray("\xFF\xD8", 2));

    ASSERT_EQ(PrintLayout(form->MakePrintJob(false), form->Family().Caption, pdf, nullptr), TPrintOutcome::Printed);
    ASSERT_EQ(pdfPages(pdf), 1);
    const QString text = pageText(pdf, 1);
    for (const QString &part : {Greeting, QStringLiteral("田中"), QStringLiteral("一郎"), QStringLiteral("大阪府大阪市北区梅田")})
        EXPECT_TRUE(text.contains(part)) << part.toStdString() << " in " << text.toStdString();
    const QImage page = renderedPage(pdf, 1, 600);
    ASSERT_FALSE(page.isNull());
    keepSample(page, "design-message-side-600dpi");
    // The background reaches the page's corners, under the texts, which stay dark.
    for (const QPoint at : {QPoint(30, 30), QPoint(page.width() - 30, page.height() - 30)}) {
        const QColor c = page.pixelColor(at);
        EXPECT_NEAR(c.red(), 0xFF, 3);
        EXPECT_NEAR(c.green(), 0xF0, 3);
        EXPECT_NEAR(c.blue(), 0xE0, 3);
    }
    EXPECT_GT(inkIn(page, QRect(0, LayoutToPixels(60, 600), page.width(), LayoutToPixels(60, 600))), 500);
}

TEST_F(DesignFormTest, APageBackgroundReadFromADocumentIsShownPrintedOnEveryPageKeptAndLeftOutOfANewPage)
{
    ASSERT_TRUE(OpenOnPostcard());
    AddGreeting();
    // A photograph of the postcard's own proportions at 300 dpi (100 x 148 mm), pale grey with its top corners
    // marked, fitted to the page.
    const QImage photo = CornerMarkedPicture(QSize(1181, 1748));
    TJpegImage jpeg;
    jpeg.LoadFromData(EncodedJpeg(photo));
    form->Layout.Background->SetPictureFile(jpeg);
    form->Layout.Background->SetKind(TBackImage::Fitted);
    const QString file = DesignFolder + QStringLiteral("写真の背景.gpd");
    ASSERT_TRUE(form->SaveDocument(file));
    const QByteArray saved = test::readFile(file);
    ASSERT_TRUE(saved.contains(jpeg.Data()));

    form->ClearDocument();
    ASSERT_TRUE(form->OpenDocument(file));
    ASSERT_EQ(form->Layout.Background->Kind(), TBackImage::Fitted);
    form->resize(900, 760);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    form->sbxPreviewResize();
    keepSample(form->grab().toImage(), "design-background-opened");
    // The canvas: the picture to the card's corners, its marks at the top.
    const QImage card = form->pnlCard->grab().toImage();
    ASSERT_GT(card.width(), 100);
    const int in = card.width() / 20;
    EXPECT_TRUE(NearColour(card.pixelColor(in, in), TopLeftMark)) << card.pixelColor(in, in).name().toStdString();
    EXPECT_TRUE(NearColour(card.pixelColor(card.width() - in, in), TopRightMark));
    EXPECT_TRUE(NearColour(card.pixelColor(in, card.height() - in), QColor(200, 200, 200)));
    EXPECT_TRUE(NearColour(card.pixelColor(card.width() - in, card.height() - in), QColor(200, 200, 200)));

    // The preview: the same page, the picture to its corners.
    TMetafileEx preview;
    DrawPreviewPage(form->MakePrintJob(false), 0, TRenderTarget{true, 600, 600, 0, 0}, preview);
    QImage previewPage(preview.Width(), preview.Height(), QImage::Format_RGB32);
    {
        QPainter painter(&previewPage);
        preview.Play(painter, QTransform(), QRectF(previewPage.rect()), std::nullopt);
    }
    keepSample(previewPage, "design-background-preview");
    const int pin = previewPage.width() / 20;
    EXPECT_TRUE(NearColour(previewPage.pixelColor(pin, pin), TopLeftMark));
    EXPECT_TRUE(NearColour(previewPage.pixelColor(previewPage.width() - pin, previewPage.height() - pin),
                           QColor(200, 200, 200)));

    // Two copies: the picture on each page, once, at 300 ppi, so it covers the 100 x 148 mm paper.
    TPrinter &printer = Printer();
    TPrinterSetting setting = printer.Setting();
    setting.Copies = 2;
    printer.SetSetting(setting);
    ASSERT_EQ(PrintLayout(form->MakePrintJob(false), form->Family().Caption, pdf, nullptr), TPrintOutcome::Printed);
    ASSERT_EQ(pdfPages(pdf), 2);
    const QList<TPdfImage> images = pdfImages(pdf);
    ASSERT_EQ(images.size(), 2);
    for (int page = 1; page <= 2; ++page) {
        SCOPED_TRACE(page);
        EXPECT_EQ(images[page - 1].Page, page);
        EXPECT_EQ(images[page - 1].Pixels, photo.size());
        EXPECT_NEAR(images[page - 1].PpiX, 300, 1);
        EXPECT_NEAR(images[page - 1].PpiY, 300, 1);
        const QImage printed = renderedPage(pdf, page, 600);
        ASSERT_FALSE(printed.isNull());
        if (page == 1)
            keepSample(printed, "design-background-600dpi");
        const int edge = 12;  // 0.5 mm
        EXPECT_TRUE(NearColour(printed.pixelColor(edge, edge), TopLeftMark));
        EXPECT_TRUE(NearColour(printed.pixelColor(printed.width() - edge, edge), TopRightMark));
        EXPECT_TRUE(NearColour(printed.pixelColor(edge, printed.height() - edge), QColor(200, 200, 200)));
        EXPECT_TRUE(NearColour(printed.pixelColor(printed.width() - edge, printed.height() - edge),
                               QColor(200, 200, 200)));
        EXPECT_TRUE(pageText(pdf, page).contains(Greeting));
    }

    // Turned for a printer fed upside down, the picture turns with the texts: its marks at the foot.
    form->TurnLayout();
    ASSERT_EQ(PrintLayout(form->MakePrintJob(false), form->Family().Caption, pdf, nullptr), TPrintOutcome::Printed);
    form->TurnLayout();
    const QImage turned = renderedPage(pdf, 1, 600);
    ASSERT_FALSE(turned.isNull());
    EXPECT_TRUE(NearColour(turned.pixelColor(turned.width() - 12, turned.height() - 12), TopLeftMark));
    EXPECT_TRUE(NearColour(turned.pixelColor(12, turned.height() - 12), TopRightMark));
    EXPECT_TRUE(NearColour(turned.pixelColor(12, 12), QColor(200, 200, 200)));

    // Saved again, the document is the one read, the picture's bytes as they were.
    ASSERT_TRUE(form->SaveDocument(file));
    const QByteArray again = test::readFile(file);
    EXPECT_EQ(withoutThumbnail(again), withoutThumbnail(saved));

    // 新規 on a postcard: a white page, which saves without the picture.
    answer([](QDialog &) {});
    form->actNew->trigger();
    EXPECT_EQ(form->Layout.Background->Kind(), TBackImage::None);
    form->sbxPreviewResize();
    const QImage blank = form->pnlCard->grab().toImage();
    ASSERT_GT(blank.width(), 100);
    for (const QPoint at : {QPoint(in, in), QPoint(blank.width() - in, blank.height() - in)})
        EXPECT_EQ(blank.pixelColor(at), QColor(Qt::white));
    EXPECT_FALSE(documentBytes().contains(jpeg.Data()));
}

TEST_F(DesignFormTest, ASenderBlockIsAddedAndDeletedAsOneUndoStepAndListedInTheChooser)
{
    ASSERT_TRUE(OpenOnPostcard());
    AddGreeting();
    form->FillObjectList();
    // An earlier step the sender block must not take away: the greeting centred on the paper.
    form->SelectedList = {form->ZOrderList.front()};
    form->FocusedIndex = 0;
    form->actPaperCenterH->trigger();
    ASSERT_EQ(form->UndoList.GetCount(), 1);
    const QByteArray before = documentBytes();

    form->actSenderBlock->trigger();
    ASSERT_EQ(form->Layout.SenderList.size(), 1u);
    TDrawRect *block = form->Layout.SenderList[0].get();
    const QByteArray added = documentBytes();
    const int fontHeight = form->Layout.SenderList[0]->Address1().FontHeight();
    ASSERT_NE(fontHeight, 0);
    EXPECT_EQ(form->UndoList.GetCount(), 2);
    EXPECT_EQ(chooserItems(), QStringList({QStringLiteral("文章1"), QStringLiteral("差出人ブロック1")}));
    EXPECT_EQ(form->cbxViewRect->currentText(), QStringLiteral("差出人ブロック1"));
    // Chosen there, the block is the object the commands work on.
    form->ClearSelection();
    form->cbxViewRect->setCurrentIndex(2);
    form->cbxViewRectClick();
    EXPECT_EQ(form->FocusedObject(), block);

    form->actUndo->trigger();
    EXPECT_TRUE(form->Layout.SenderList.empty());
    EXPECT_EQ(form->ZOrderList.size(), 1u);
    EXPECT_EQ(documentBytes(), before);
    EXPECT_EQ(chooserItems(), QStringList({QStringLiteral("文章1")}));
    form->actRedo->trigger();
    ASSERT_EQ(form->Layout.SenderList.size(), 1u);
    block = form->Layout.SenderList[0].get();
    EXPECT_EQ(documentBytes(), added);
    // The sender's texts are not in the document: the block put back is filled again, sized for the paper.
    EXPECT_EQ(form->Layout.SenderList[0]->Name1().Name(), QStringLiteral("田中 一郎"));
    EXPECT_EQ(form->Layout.SenderList[0]->Address1().FontHeight(), fontHeight);
    EXPECT_EQ(form->FocusedObject(), block);
    EXPECT_EQ(form->cbxViewRect->currentText(), QStringLiteral("差出人ブロック1"));

    // Deleted, it leaves the chooser; the deletion is undone as one step too, and the centring before both
    // is still there to undo.
    form->actDelete->trigger();
    EXPECT_TRUE(form->Layout.SenderList.empty());
    EXPECT_EQ(documentBytes(), before);
    EXPECT_EQ(chooserItems(), QStringList({QStringLiteral("文章1")}));
    EXPECT_EQ(form->cbxViewRect->currentIndex(), 0);
    form->actUndo->trigger();
    ASSERT_EQ(form->Layout.SenderList.size(), 1u);
    EXPECT_EQ(documentBytes(), added);
    EXPECT_EQ(form->Layout.SenderList[0]->Name1().Name(), QStringLiteral("田中 一郎"));
    EXPECT_EQ(chooserItems(), QStringList({QStringLiteral("文章1"), QStringLiteral("差出人ブロック1")}));
    form->actUndo->trigger();
    form->actUndo->trigger();
    EXPECT_TRUE(form->Layout.SenderList.empty());
    EXPECT_EQ(form->WordList[0]->GetRect(), (TRect{40, 60, 340, 120}));
}

TEST_F(DesignFormTest, TheSenderChosenForASenderBlockIsTheBlocksAndLeavesTheBookAlone)
{
    // A record selected in the main list, which the letter body does not show, and a second sender.
    TTable &records = *DMMirvale18->AdrsTable;
    TAddressRecord person;
    person.Pos = "1010062";
    person.NameKanji = Sjis::encode(QStringLiteral("山田　太郎"));
    records.Append();
    SetAddressRecordFields(records, person);
    records.Post();
    const int32_t recNo = records.FieldByName(QStringLiteral("RecNo")).AsInteger();
    list->RefreshList(true, true, false);
    list->SelectItem(0, true, false);
    test::registerSender(test::listedSender(2, QStringLiteral("実家"), QStringLiteral("京都　二郎")));

    ASSERT_TRUE(OpenOnPostcard());
    form->actSenderBlock->trigger();
    ASSERT_EQ(form->Layout.SenderList.size(), 1u);
    TSenderRect &block = *form->Layout.SenderList[0];
    ASSERT_EQ(form->FocusedObject(), &block);
    EXPECT_EQ(block.Name1().Name(), QStringLiteral("田中 一郎"));
    form->Modified = 0;
    QTimer::singleShot(0, [] {
        SenderForm->findChild<QToolButton *>("sbtnNext")->click();
        SenderForm->findChild<QPushButton *>("btnChoice")->click();
    });
    form->actSenderEdit->trigger();
    EXPECT_EQ(block.Name1().Name(), QStringLiteral("京都 二郎"));
    EXPECT_EQ(block.SenderTitle, Sjis::encode(QStringLiteral("実家")));
    EXPECT_TRUE(form->Modified);
    ASSERT_TRUE(records.FindKey({recNo}));
    EXPECT_EQ(records.FieldByName(QStringLiteral("Sender")).AsInteger(), 0) << "the book is not the letter's";

    // The block keeps its sender when the blocks are filled again; a new one shows the default sender.
    form->actSenderBlock->trigger();
    ASSERT_EQ(form->Layout.SenderList.size(), 2u);
    EXPECT_EQ(form->Layout.SenderList[0]->Name1().Name(), QStringLiteral("京都 二郎"));
    EXPECT_EQ(form->Layout.SenderList[1]->Name1().Name(), QStringLiteral("田中 一郎"));
}

// A sender renamed or deleted in the sender list, with the letter open: the blocks that show it follow it, as a
// change of the letter; the saved letter names the sender by its new title, and a deleted sender's block shows
// the default sender. The block of another sender is left as it was.
TEST_F(DesignFormTest, ASenderBlockFollowsItsSenderRenamedOrDeletedInTheSenderList)
{
    addSecondSender();
    ASSERT_TRUE(OpenOnPostcard());
    form->actSenderBlock->trigger();
    form->actSenderBlock->trigger();
    ASSERT_EQ(form->Layout.SenderList.size(), 2u);
    TSenderRect *home = form->Layout.SenderList[0].get();
    TSenderRect *parents = form->Layout.SenderList[1].get();
    parents->SetRect(TRect{40, 60, 340, 200});
    ASSERT_TRUE(form->BindSenderBlocks({-1, 2}));
    ASSERT_EQ(form->FocusedObject(), parents);
    const QString file = form->DocumentPath(QStringLiteral("転居"));
    ASSERT_TRUE(form->SaveDocument(file));
    ASSERT_FALSE(form->Modified);
    const auto contactLines = [](TSenderRect &block) {
        QStringList lines;
        for (int i = 0; i < 2; ++i)
            if (block.ActiveParts().contains(block.GetAddition1(i)))
                lines << block.GetAddition1(i)->Text();
        return lines;
    };
    const QStringList parentsLines = contactLines(*parents);
    ASSERT_EQ(parentsLines.size(), 2);

    // Renamed, its title set as a screen reader sets it, and the list closed without choosing.
    const QString renamed = QStringLiteral("京都の実家");
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(SenderForm);
        EXPECT_EQ(SenderForm->SenderNo, 2);
        SenderForm->findChild<QLineEdit *>("edTitle")->setText(renamed);
        SenderForm->findChild<QPushButton *>("btnClose")->click();
    });
    form->actSenderEdit->trigger();
    EXPECT_EQ(parents->SenderTitle, Sjis::encode(renamed));
    EXPECT_EQ(parents->Name1().Name(), QStringLiteral("京都 二郎"));
    EXPECT_EQ(contactLines(*parents), parentsLines);
    EXPECT_EQ(home->SenderTitle, Sjis::encode(QStringLiteral("自宅")));
    EXPECT_TRUE(form->Modified);
    // Looked at unshown: shown, the window would open its last document at once.
    form->resize(900, 760);
    form->sbxPreviewResize();
    keepSample(form->grab().toImage(), "design-sender-renamed");
    ASSERT_TRUE(form->SaveDocument(file));
    form->ClearDocument();
    ASSERT_TRUE(form->OpenDocument(file));
    ASSERT_EQ(form->Layout.SenderList.size(), 2u);
    home = form->Layout.SenderList[0].get();
    parents = form->Layout.SenderList[1].get();
    EXPECT_EQ(parents->SenderTitle, Sjis::encode(renamed));
    EXPECT_EQ(parents->Name1().Name(), QStringLiteral("京都 二郎"));
    EXPECT_EQ(contactLines(*parents), parentsLines);
    EXPECT_FALSE(form->Modified);

    // Deleted, from the list opened with no block selected: the block shows the default sender, without its
    // contact lines, and the letter is changed.
    form->ClearSelection();
    boxes.answer(IDYES);
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(SenderForm);
        if (SenderForm->SenderNo != 2)
            SenderForm->findChild<QToolButton *>("sbtnNext")->click();
        ASSERT_EQ(SenderForm->SenderNo, 2);
        SenderForm->findChild<QPushButton *>("bbtnDelete")->click();
        SenderForm->findChild<QPushButton *>("btnClose")->click();
    });
    form->actSenderEdit->trigger();
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_EQ(parents->Name1().Name(), QStringLiteral("田中 一郎"));
    EXPECT_EQ(parents->SenderTitle, Sjis::encode(QStringLiteral("自宅")));
    EXPECT_TRUE(contactLines(*parents).isEmpty());
    EXPECT_EQ(home->Name1().Name(), QStringLiteral("田中 一郎"));
    EXPECT_TRUE(form->Modified);
    ASSERT_TRUE(form->SaveDocument(file));
    form->ClearDocument();
    ASSERT_TRUE(form->OpenDocument(file));
    ASSERT_EQ(form->Layout.SenderList.size(), 2u);
    EXPECT_EQ(form->Layout.SenderList[1]->SenderTitle, Sjis::encode(QStringLiteral("自宅")));
}

TEST_F(DesignFormTest, TheMainWindowOpensItAfterTheOtherDesignersClosed)
{
    RegisterLabelForm();
    RegisterDesignForm();
    list.reset();
    list = std::make_unique<TAddressList>();  // made after the makers are installed, as at start
    AddressList = list.get();
    ASSERT_TRUE(list->actDesignPrint->isEnabled());
    list->actLabelPrint->trigger();
    labels = dynamic_cast<TLayoutForm *>(LabelForm);
    ASSERT_TRUE(labels);

    // Unsaved labels: the letter command asks first, and a cancel opens nothing.
    labels->Modified = 1;
    boxes.answer(IDCANCEL);
    list->actDesignPrint->trigger();
    EXPECT_EQ(DesignForm, nullptr);
    labels->Modified = 0;
    list->actDesignPrint->trigger();
    EXPECT_EQ(LabelForm, nullptr);
    form = dynamic_cast<TDesignForm *>(DesignForm);
    ASSERT_TRUE(form);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("文面印刷"));
    list->actDesignPrint->trigger();
    EXPECT_EQ(DesignForm, form.data());

    form->Modified = 1;
    boxes.answer(IDCANCEL);
    EXPECT_FALSE(list->CloseSubForms());
    EXPECT_EQ(boxes.texts().value(1), QStringLiteral("文面印刷のレイアウトの変更を保存しますか？  "));
    EXPECT_EQ(DesignForm, form.data());
    form->Modified = 0;
    EXPECT_TRUE(list->CloseSubForms());
    EXPECT_EQ(DesignForm, nullptr);
}

TEST_F(DesignFormTest, ABlankMessageSideShowsWhitePaper)
{
    ASSERT_TRUE(OpenOnPostcard());
    form->resize(900, 760);
    form->show();
    form->sbxPreviewResize();
    // No paper picture and no background: the card itself is the white paper, apart from the grey around it.
    ASSERT_TRUE(form->BackgroundSource.isNull());
    const QImage card = form->pnlCard->grab().toImage();
    ASSERT_FALSE(card.isNull());
    EXPECT_EQ(card.pixelColor(card.width() / 2, card.height() / 2), QColor(Qt::white));
}

TEST_F(DesignFormTest, OpensWideEnoughForEveryToolButton)
{
    ASSERT_TRUE(OpenOnPostcard());
    form->show();
    form->sbxPreviewResize();
    // At the size it first opens with, no button of its tool bars is hidden behind the bar's extension.
    for (QToolBar *bar : {form->MainToolBar, form->CommandToolBar})
        for (QAction *action : bar->actions())
            if (action->isVisible() && !action->isSeparator()) {
                EXPECT_TRUE(bar->widgetForAction(action)->isVisible()) << action->text().toStdString();
            }
    // Widened, it is still in the middle of the screen it was first placed in the middle of.
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_NEAR(form->geometry().center().x(), work.center().x(), 3);
}

TEST_F(DesignFormTest, EachSenderBlockShowsItsOwnSenderWithItsFirstTwoContactLines)
{
    addSecondSender();
    ASSERT_TRUE(OpenOnPostcard());
    form->actSenderBlock->trigger();
    form->actSenderBlock->trigger();
    ASSERT_EQ(form->Layout.SenderList.size(), 2u);
    TSenderRect &home = *form->Layout.SenderList[0];
    TSenderRect &parents = *form->Layout.SenderList[1];
    // The second block lower on the paper, so the two do not overlap.
    parents.SetRect(TRect{40, 60, 340, 200});
    ASSERT_TRUE(form->BindSenderBlocks({-1, 2}));
    form->BindSenderBlocks();

    EXPECT_EQ(home.Name1().Name(), QStringLiteral("田中 一郎"));
    EXPECT_EQ(parents.Name1().Name(), QStringLiteral("京都 二郎"));
    // The first two lines the sender has, skipping the empty one: telephone and fax, not the mail address.
    EXPECT_EQ(parents.GetAddition1(0)->Item, 19);
    EXPECT_EQ(parents.GetAddition1(1)->Item, 21);
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(parents.ActiveParts().contains(parents.GetAddition1(i))) << i;
    EXPECT_FALSE(parents.GetAddition1(0)->Text().isEmpty());
    // A sender without contact lines shows none.
    for (int i = 0; i < 2; ++i)
        EXPECT_FALSE(home.ActiveParts().contains(home.GetAddition1(i))) << i;

    // Given the sender without lines, the block hides them again; and the lines come back with the sender.
    ASSERT_TRUE(form->BindSenderBlocks({-1, 1}));
    EXPECT_FALSE(parents.ActiveParts().contains(parents.GetAddition1(0)));
    ASSERT_TRUE(form->BindSenderBlocks({-1, 2}));
    EXPECT_TRUE(parents.ActiveParts().contains(parents.GetAddition1(1)));

    form->resize(900, 760);
    form->show();
    form->sbxPreviewResize();
    keepSample(form->grab().toImage(), "design-two-sender-blocks");
    ASSERT_EQ(PrintLayout(form->MakePrintJob(false), form->Family().Caption, pdf, nullptr), TPrintOutcome::Printed);
    const QString text = pageText(pdf, 1);
    for (const QString &part : {QStringLiteral("田中"), QStringLiteral("一郎"), QStringLiteral("京都"),
                                QStringLiteral("二郎"), QStringLiteral("ＴＥＬ"), QStringLiteral("ＦＡＸ")})
        EXPECT_TRUE(text.contains(part)) << part.toStdString() << " in " << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("jiro"))) << text.toStdString();
    keepPageSample(pdf, 1, "design-two-sender-blocks-600dpi");
}

TEST_F(DesignFormTest, TheFormatDialogsSetTheFocusedBlocksLayoutAndPartsAndOfferTheSendersItemsOnly)
{
    ASSERT_TRUE(OpenOnPostcard());
    form->actSenderBlock->trigger();
    TSenderRect &block = *form->Layout.SenderList[0];
    ASSERT_EQ(form->FocusedObject(), &block);
    ASSERT_EQ(block.GetLayout(), 1);

    // Chosen by hand, the items are the second layout's parts; the receiver's boxes and sizes are not offered.
    answer([](QDialog &dialog) {
        EXPECT_FALSE(control<QWidget>(dialog, "tbrName")->isEnabled());
        EXPECT_TRUE(control<QWidget>(dialog, "tbrSendName")->isEnabled());
        auto *automatic = control<QCheckBox>(dialog, "ckbAuto");
        EXPECT_TRUE(automatic->isChecked());
        automatic->click();
        EXPECT_FALSE(control<QCheckBox>(dialog, "ckbPos")->isEnabled());
        EXPECT_TRUE(control<QCheckBox>(dialog, "ckbS_Pos")->isEnabled());
        EXPECT_TRUE(control<QCheckBox>(dialog, "ckbS_Corp")->isChecked());
        control<QCheckBox>(dialog, "ckbS_Corp")->setChecked(false);
        control<QCheckBox>(dialog, "ckbAddition4")->setChecked(false);
        keepSample(dialog.grab().toImage(), "design-detail-dialog");
    });
    form->actDetail->trigger();
    EXPECT_EQ(block.GetLayout(), 0);
    EXPECT_FALSE(block.GetCorpVisible());
    EXPECT_FALSE(block.ActiveParts().contains(&block.Company()));
    EXPECT_FALSE(block.ActiveParts().contains(block.GetAddition2(3)));
    EXPECT_TRUE(block.ActiveParts().contains(&block.Name2()));
    EXPECT_EQ(block.Name2().Name(), QStringLiteral("田中 一郎"));
    EXPECT_TRUE(form->Modified);

    // Opened again it shows the block as it is; back to the automatic layout, the block is in layout 1.
    answer([](QDialog &dialog) {
        auto *automatic = control<QCheckBox>(dialog, "ckbAuto");
        EXPECT_FALSE(automatic->isChecked());
        EXPECT_FALSE(control<QCheckBox>(dialog, "ckbS_Corp")->isChecked());
        EXPECT_TRUE(control<QCheckBox>(dialog, "ckbS_Name")->isChecked());
        automatic->setChecked(true);  // as a screen reader ticks it, without a click
    });
    form->actDetail->trigger();
    EXPECT_EQ(block.GetLayout(), 1);
    EXPECT_TRUE(block.ActiveParts().contains(&block.Name1()));
    EXPECT_FALSE(block.GetCorpVisible()) << "the second layout keeps its parts";

    // The data form offers the sender's postal mark but not the receiver's nor the honorifics; the block is
    // filled with the mark chosen.
    ASSERT_TRUE(form->actDataForm->isVisible());
    ASSERT_TRUE(form->actDataForm->isEnabled());
    answer([](QDialog &dialog) {
        EXPECT_FALSE(control<QRadioButton>(dialog, "rbPosMark")->isEnabled());
        EXPECT_FALSE(control<QLineEdit>(dialog, "edDefHonor")->isEnabled());
        auto *mark = control<QRadioButton>(dialog, "rbSendPosMark");
        EXPECT_TRUE(mark->isEnabled());
        mark->setChecked(true);
        keepSample(dialog.grab().toImage(), "design-data-form-dialog");
    });
    form->actDataForm->trigger();
    EXPECT_EQ(form->PrintForm.SenderPostalMark, 1u);
    EXPECT_TRUE(block.PostalCode1().Text().startsWith(QStringLiteral("〒"))) << block.PostalCode1().Text().toStdString();

    // With no block chosen there are no parts to choose, only the document's sizes.
    form->SelectedList.clear();
    form->FocusedIndex = -1;
    answer([](QDialog &dialog) {
        EXPECT_FALSE(control<QCheckBox>(dialog, "ckbAuto")->isEnabled());
        EXPECT_FALSE(control<QCheckBox>(dialog, "ckbS_Name")->isEnabled());
        EXPECT_TRUE(control<QWidget>(dialog, "tbrSendName")->isEnabled());
    });
    form->actDetail->trigger();
    EXPECT_EQ(block.GetLayout(), 1);
}

TEST_F(DesignFormTest, TheBlocksFontAndTheDetailDialogsSenderSizesReachEveryPart)
{
    ASSERT_TRUE(OpenOnPostcard());
    form->actSenderBlock->trigger();
    TSenderRect &block = *form->Layout.SenderList[0];
    ASSERT_EQ(form->FocusedObject(), &block);
    const std::vector<TMetaRect *> parts{&block.PostalCode1(), &block.Address1(), &block.Name1(),
                                         block.GetAddition1(1), block.GetAddress(2), &block.Company(),
                                         &block.Post(), &block.Name2(), block.GetAddition2(3)};
    const auto bold = [&] {
        int count = 0;
        for (const TMetaRect *part : parts)
            count += (GetFontStyleBits(part->Font().Log) & 1) != 0;
        return count;
    };

    form->UpdateActions();
    ASSERT_TRUE(form->actFont->isEnabled());
    ASSERT_EQ(bold(), 0);
    answer([](QDialog &dialog) { control<QCheckBox>(dialog, "ckbBold")->setChecked(true); });
    form->actFont->trigger();
    EXPECT_EQ(bold(), int(parts.size()));
    EXPECT_TRUE(form->Modified);
    form->UpdateActions();
    form->actUndo->trigger();
    EXPECT_EQ(bold(), 0);
    EXPECT_EQ(block.Name1().Name(), QStringLiteral("田中 一郎")) << "undone, the block still shows its sender";
    form->UpdateActions();
    form->actRedo->trigger();
    EXPECT_EQ(bold(), int(parts.size()));

    // The sender's sizes: the name and company lines, the address lines and the contact lines each follow
    // their own track bar; the name grows, the address shrinks.
    const int nameHeight = std::abs(block.Name1().FontHeight());
    const int addressHeight = std::abs(block.Address1().FontHeight());
    answer([](QDialog &dialog) {
        control<QSlider>(dialog, "tbrSendName")->setValue(5);
        control<QSlider>(dialog, "tbrSendAddress")->setValue(1);
        control<QSlider>(dialog, "tbrSendAddition")->setValue(2);
    });
    form->actDetail->trigger();
    EXPECT_EQ(form->PrintForm.SenderNameSize, 5u);
    for (const TNameRect *name : {&block.Name1(), &block.Name2()})
        EXPECT_EQ(name->SizeStep, 5);
    for (const TCorpRect *line : {&block.Company(), block.GetDepartment(1), &block.Post()})
        EXPECT_EQ(line->SizeStep, 5);
    for (const TAddressRect *line : {&block.Address1(), block.GetAddress(0), block.GetAddress(2)})
        EXPECT_EQ(line->SizeStep, 1);
    for (const TAdditionRect *line : {block.GetAddition1(0), block.GetAddition2(3)})
        EXPECT_EQ(line->SizeStep, 2);
    EXPECT_GT(std::abs(block.Name1().FontHeight()), nameHeight);
    EXPECT_LT(std::abs(block.Address1().FontHeight()), addressHeight);
    ASSERT_EQ(PrintLayout(form->MakePrintJob(false), form->Family().Caption, pdf, nullptr), TPrintOutcome::Printed);
    // A message side has no code boxes to spread the sender's code into.
    EXPECT_TRUE(pageText(pdf, 1).contains(QStringLiteral("〒５３０-０００１"))) << pageText(pdf, 1).toStdString();
    EXPECT_TRUE(pageText(pdf, 1).contains(QStringLiteral("田中一郎")));
    keepPageSample(pdf, 1, "design-sender-sizes-600dpi");
    // A block added later, and the document opened again, keep the sizes.
    form->actSenderBlock->trigger();
    EXPECT_EQ(form->Layout.SenderList[1]->Name1().SizeStep, 5);
    const int grownHeight = std::abs(block.Name1().FontHeight());
    ASSERT_TRUE(form->SaveDocument(form->DocumentPath(QStringLiteral("大きな名前"))));
    form->ClearDocument();
    ASSERT_TRUE(form->OpenDocument(form->DocumentPath(QStringLiteral("大きな名前"))));
    ASSERT_EQ(form->Layout.SenderList.size(), 2u);
    EXPECT_EQ(form->Layout.SenderList[0]->Address1().SizeStep, 1);
    EXPECT_EQ(std::abs(form->Layout.SenderList[0]->Name1().FontHeight()), grownHeight);
}

TEST_F(DesignFormTest, TheBlocksPopUpMenuSwitchesItToPartMode)
{
    ASSERT_TRUE(OpenOnPostcard());
    AddGreeting();
    form->actSenderBlock->trigger();
    TSenderRect &block = *form->Layout.SenderList[0];
    ASSERT_EQ(form->FocusedObject(), &block);
    form->PopupMenuPopup();
    EXPECT_TRUE(form->PopupMenu->actions().contains(form->actSenderPartMode));
    EXPECT_TRUE(form->actSenderPartMode->isVisible());
    EXPECT_FALSE(form->actSenderPartMode->isChecked());
    // The address side's record and barcode commands are not the letter's.
    // Its sender and its format are there; the address side's record, sender places and barcode are not.
    QStringList shown;
    for (QAction *item : form->PopupMenu->actions())
        if (item->isVisible() && !item->objectName().isEmpty())
            shown << item->objectName();
    for (const char *name : {"pmiSenderEdit", "pmiDetail", "pmiDataForm", "actSenderPartMode"})
        EXPECT_TRUE(shown.contains(QLatin1String(name))) << name;
    for (const char *name : {"pmiEditData", "pmiSender", "pmiBarcode"})
        EXPECT_FALSE(shown.contains(QLatin1String(name))) << name;
    form->PopupMenu->popup(QPoint(100, 100));
    keepSample(form->PopupMenu->grab().toImage(), "design-block-pop-up-menu");
    form->PopupMenu->hide();

    form->resize(900, 760);
    form->show();
    form->sbxPreviewResize();
    form->pnlCard->grab();  // the parts are placed in the block as it is drawn
    form->Modified = 0;
    form->actSenderPartMode->trigger();
    EXPECT_EQ(block.BlockMode, 0);
    EXPECT_TRUE(form->Modified);
    // In part mode a point on a part chooses it.
    const TRect name = block.Name1().GetDispRect();
    EXPECT_TRUE(block.PtInRect((name.Left + name.Right) / 2, (name.Top + name.Bottom) / 2));
    EXPECT_EQ(block.SelectedPart(), &block.Name1());
    // A key moves the part alone, and the block is fitted around its parts again.
    const TRect nameBefore = block.Name1().GetRect(), postalBefore = block.PostalCode1().GetRect();
    const TRect blockBefore = block.GetBlockDispRect();
    form->pnlCardKeyDown(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(block.Name1().GetRect().Left, nameBefore.Left + 10);
    EXPECT_EQ(block.PostalCode1().GetRect(), postalBefore);
    EXPECT_NE(block.GetBlockDispRect(), blockBefore);
    EXPECT_TRUE(form->UndoList.CanUndo());
    // Undone after another part was chosen, the step puts back the part it moved, not the chosen one.
    const TRect postal = block.PostalCode1().GetDispRect();
    ASSERT_TRUE(block.PtInRect((postal.Left + postal.Right) / 2, (postal.Top + postal.Bottom) / 2));
    ASSERT_EQ(block.SelectedPart(), &block.PostalCode1());
    form->UpdateActions();
    form->actUndo->trigger();
    EXPECT_EQ(block.Name1().GetRect(), nameBefore);
    EXPECT_EQ(block.PostalCode1().GetRect(), postalBefore);
    form->UpdateActions();
    form->actRedo->trigger();
    EXPECT_EQ(block.Name1().GetRect().Left, nameBefore.Left + 10);
    EXPECT_EQ(block.PostalCode1().GetRect(), postalBefore);
    // Back in block mode, a step that moved a part is not undone onto the whole block.
    form->actSenderPartMode->trigger();
    EXPECT_EQ(block.BlockMode, 1);
    EXPECT_FALSE(form->UndoList.CanUndo());

    // 標準の配置に戻す puts the parts back where a new block has them, as one step.
    const auto slotsOf = [](const TSenderRect &b, uint8_t layout) {
        const auto span = b.Slots(layout);
        return std::vector<TRect>(span.begin(), span.end());
    };
    TSenderRect fresh;
    fresh.SetDirection(block.GetDirection());
    fresh.PlaceParts(-1);
    const std::vector<TRect> moved = slotsOf(block, 1);
    ASSERT_NE(moved, slotsOf(fresh, 1));
    form->UpdateActions();
    ASSERT_TRUE(form->actDefaultLayout->isEnabled());
    form->actDefaultLayout->trigger();
    EXPECT_EQ(slotsOf(block, 1), slotsOf(fresh, 1));
    EXPECT_EQ(slotsOf(block, 0), slotsOf(fresh, 0));
    form->UpdateActions();
    form->actUndo->trigger();
    EXPECT_EQ(slotsOf(block, 1), moved);

    // Not offered for the greeting.
    form->SelectedList = {form->WordList[0].get()};
    form->FocusedIndex = 0;
    form->PopupMenuPopup();
    EXPECT_FALSE(form->actSenderPartMode->isVisible());
    // Nor is a default arrangement: a letter body has no places of its own.
    EXPECT_FALSE(form->actDefaultLayout->isEnabled());
    form->SelectedList.clear();
    form->FocusedIndex = -1;
    form->UpdateActions();
    EXPECT_FALSE(form->actDefaultLayout->isEnabled());
}

// A keyboard user gives a text a face: 枠の選択 chooses the greeting, Tab goes on to the paper, the Menu key (on X
// its key press, then the pop-up request Qt places at the middle of the paper) opens the greeting's pop-up once,
// its 表示の設定 opens 文章の表示設定 with the keys in the font list, Down chooses the next face, and OK, reached
// with Tab and pressed with Enter, gives the greeting that face.
TEST_F(DesignFormTest, TheKeysOpenATextsDisplaySettingsFromItsPopUpAndChooseItsFace)
{
    ASSERT_TRUE(OpenOnPostcard());
    AddGreeting();
    form->FillObjectList();
    form->resize(900, 760);
    form->show();
    // The layout is open: the start menu the first show asks for is not wanted.
    QCoreApplication::removePostedEvents(form.data(), WM_STARTMENU);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.data()));
    const auto keysTo = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };
    form->cbxViewRect->setFocus(Qt::TabFocusReason);
    keysTo(Qt::Key_Down);
    TWordRect &greeting = *form->WordList[0];
    ASSERT_EQ(form->FocusedObject(), &greeting);
    keysTo(Qt::Key_Tab);
    QWidget *card = form->pnlCard;
    ASSERT_EQ(QApplication::focusWidget(), card);

    QSignalSpy shown(form->PopupMenu, &QMenu::aboutToShow);
    keysTo(Qt::Key_Menu);
    const QPoint middle = card->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
    QContextMenuEvent request(QContextMenuEvent::Keyboard, middle, card->mapToGlobal(middle));
    QApplication::sendEvent(card, &request);
    ASSERT_TRUE(form->PopupMenu->isVisible());
    EXPECT_EQ(shown.count(), 1);

    const QString before = greeting.Font().Log.Font.family();
    QString chosen;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<TWordSettingDialog *>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        // Closed should a key have gone astray, so the test ends.
        const auto close = qScopeGuard([dialog] {
            if (dialog->isVisible())
                dialog->reject();
        });
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
        auto *fonts = dialog->findChild<QListWidget *>(QStringLiteral("lbFonts"));
        ASSERT_TRUE(QTest::qWaitFor([fonts] { return QApplication::focusWidget() == fonts; }));
        keysTo(Qt::Key_Down);
        chosen = fonts->currentItem()->text();
        for (int i = 0; i < 30 && QApplication::focusWidget()->objectName() != QLatin1String("btnOK"); ++i)
            keysTo(Qt::Key_Tab);
        keysTo(Qt::Key_Return);
    });
    QTest::keyClick(form->PopupMenu, Qt::Key_V);
    ASSERT_FALSE(chosen.isEmpty());
    EXPECT_NE(chosen, before);
    EXPECT_EQ(greeting.Font().Log.Font.family(), chosen);
}

TEST_F(DesignFormTest, TheLetterBodyNamesItselfInThePrintQuestionAndShowsTheMessageSideOfANewPaper)
{
    ASSERT_TRUE(OpenOnPostcard());
    AddGreeting();
    // 印刷, answered No: the question names the letter layout, and nothing is printed.
    QTimer::singleShot(0, [] {
        auto *wizard = qobject_cast<TLayoutPrintDialog *>(QApplication::activeModalWidget());
        ASSERT_TRUE(wizard);
        wizard->findChild<QPushButton *>("btnPrint")->click();
        wizard->findChild<QPushButton *>("btnCancel2")->click();
    });
    boxes.answer(IDNO);
    form->actPrint->trigger();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("文面レイアウトを印刷します  \r\nよろしいですか？")});

    // 新規作成: the chosen postcard is shown as its message side, white, without the address side's code
    // boxes or the places of the address objects.
    ExpectMessageSidePaperDialog(form->actNew, "letter-new-paper", [](TNewLayoutDialog &dialog) { dialog.reject(); });
}

TEST_F(DesignFormTest, ThePaperChangeShowsTheMessageSideAndPutsNoAddressPlacesOnTheLetter)
{
    ASSERT_TRUE(OpenOnPostcard());
    AddGreeting();
    form->actSenderBlock->trigger();
    int envelope = -1;
    for (size_t i = 0; i < master.Formats.size() && envelope < 0; ++i)
        if (master.Formats[i].Kind == 1 && master.Formats[i].SheetIndex == 0)
            envelope = int(i);
    ASSERT_GE(envelope, 0);
    boxes.answer(IDYES);  // the objects are fitted to the new paper
    ExpectMessageSidePaperDialog(form->actFormat, "letter-paper-change", [envelope](TNewLayoutDialog &dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("用紙の変更"));
        dialog.SelectFormatByNumber(envelope);
        dialog.findChild<QPushButton *>("btnOK")->click();
    });
    EXPECT_EQ(form->FormatNumber, envelope);
    EXPECT_EQ(form->PaperFormat.Kind, 1);
    // The greeting and the block, nothing of the address side.
    EXPECT_EQ(form->ZOrderList.size(), 2u);
    for (TDrawRect *fixed : form->FixedObjects)
        EXPECT_LT(form->Layout.ZIndexOf(fixed), 0);
    EXPECT_GE(form->Layout.ZIndexOf(form->Layout.SenderList[0].get()), 0);
}
