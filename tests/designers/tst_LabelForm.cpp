// The label and card window over a real book: sheets printed to PDF with the start position and the prints per
// record putting each label in its place (checked at 600 dpi against the sheet's layout), the user's own label
// sheet chosen and printed by its own layout, the list's record shown and followed, documents in each mode's
// folder, and the main window opening one mode after the other.
#include "designers/Label.h"

#include "Accessibility.h"
#include "PrintCommandAnswers.h"
#include "PrintedPdf.h"
#include "SenderRows.h"
#include "TestBook.h"
#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "base/Units.h"
#include "core/AddressRecord.h"
#include "core/Hyphen.h"
#include "db/Table.h"
#include "designers/AddInfo.h"
#include "designers/DataFrm.h"
#include "designers/LytDtl.h"
#include "designers/LytPrt.h"
#include "designers/Sender.h"
#include "designers/SenderRecord.h"
#include "drawing/AdditionRect.h"
#include "drawing/AddressRect.h"
#include "drawing/BarcodeRect.h"
#include "drawing/CorpRect.h"
#include "drawing/DesignGlobals.h"
#include "drawing/FigureRect.h"
#include "drawing/NameRect.h"
#include "drawing/PrinterInfo.h"
#include "geo/PaintPanel.h"
#include "mainlist/AdrsList.h"
#include "platform/CustomEvents.h"
#include "platform/MemIniFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QMouseEvent>
#include <QWindow>
#include <QTest>
#include <QTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace {

using namespace test;

const char *const Names[] = {"山田　太郎", "佐藤　花子", "長谷川　健"};
const char *const Towns[] = {"千代田区神田駿河台", "大阪市北区梅田", "仙台市青葉区一番町"};

class LabelFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // An A4 sheet at 600 dpi is larger than Qt reads by default.
        QImageReader::setAllocationLimit(512);
        book.Open();
        AppFolder = test::appDir();
        LabelFolder = book.Dir.path() + "/Label/";
        CardFolder = book.Dir.path() + "/Card/";
        TTable &table = *book.Module->AdrsTable;
        table.StartTransaction();
        for (int i = 0; i < 3; ++i) {
            TAddressRecord r;
            r.Pos = "1010062";
            r.Tdfkn = Sjis::encode(QStringLiteral("東京都"));
            r.Adrs1 = Sjis::encode(QString::fromUtf8(Towns[i]));
            r.NameKanji = Sjis::encode(QString::fromUtf8(Names[i]));
            r.JointPrint = true;
            table.Append();
            SetAddressRecordFields(table, r);
            table.Post();
            recNos.push_back(table.FieldByName(QStringLiteral("RecNo")).AsInteger());
        }
        table.Commit();
        ASSERT_TRUE(master.Load(AppFolder + "Common/Lyt.fmt"));
        list = std::make_unique<TAddressList>();
        AddressList = list.get();
        list->RefreshList(true, true, false);
        list->SelectItem(0, true, false);
        TPrinter &printer = Printer();
        printer.SetPrinterIndex(int(printer.Printers().indexOf(PdfPrinterName)));
        TPrinterSetting setting = printer.Setting();
        setting.Copies = 1;
        printer.SetSetting(setting);
        pdf = out.path() + QStringLiteral("/ラベル.pdf");
        // The start menu would wait for the user: not shown in these tests.
        TMemIniFile ini(DataFolder + "Mirvale18.ini");
        for (const char *section : {"LAYOUT", "LABEL", "CARD"})
            ini.WriteBool(QLatin1String(section), "Menu", false);
        ini.UpdateFile();
    }
    void TearDown() override
    {
        if (form) {
            form->Modified = 0;
            delete form.data();
        }
        list.reset();
        AddressList = nullptr;
        PaperScale = 1480;
        if (hyphens)
            FreeHyphenDll();
    }

    // The window in the mode on the first paper of the kind whose sheet has the places; false when the paper
    // list has none.
    bool OpenOnSheet(bool cardMode, int columns, int rows)
    {
        for (size_t i = 0; i < master.Formats.size(); ++i) {
            const TPaperFormat &paper = master.Formats[i];
            const TFormatCategory sheet = master.SheetOf(paper);
            if (paper.Kind == (cardMode ? 3 : 2) && paper.SheetIndex > 0 && sheet.Columns == columns &&
                sheet.Rows == rows)
                return OpenOnPaper(cardMode, int(i));
        }
        return false;
    }

    // The window in the mode on the paper numbered number as the paper dialog hands it over.
    bool OpenOnPaper(bool cardMode, int number)
    {
        form = new TLabelForm(list.get(), cardMode);
        LabelForm = form.data();
        TLayoutForm::TPaperChoice choice;
        TLabelPaperDialog dialog(form.data(), cardMode ? 3 : 2);
        dialog.SelectFormatByNumber(number);
        if (!dialog.GetChoice(choice) || choice.Number != number)
            return false;
        form->FormatNumber = choice.Number;
        form->PaperFormat = choice.Paper;
        form->SheetFormat = choice.Sheet;
        form->NoBarcode = choice.NoBarcode;
        form->BarSize = uint8_t(choice.BarSize);
        form->PrintParts = 1;
        if (!form->ApplyPaper())
            return false;
        // The window's barcode is shown, as the user shows it, where the paper takes one.
        form->CombinedObjects[CombinedBarcodeIndex]->Visible = !form->NoBarcode;
        return true;
    }

    // 用紙の変更 with the paper numbered number chosen, then OK.
    void ChangePaper(int number)
    {
        QTimer::singleShot(0, [number] {
            auto *dialog = qobject_cast<TLabelPaperDialog *>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            dialog->SelectFormatByNumber(number);
            dialog->findChild<QPushButton *>("btnOK")->click();
        });
        form->UpdateActions();
        form->actFormat->trigger();
    }

    // The user's label numbered id, of size (0.1 mm) and named name, made from the first label sheet and saved
    // as the only user paper, on the last of sheets.
    void SaveUserLabel(uint32_t id, QSize size, const QString &name, const std::vector<TFormatCategory> &sheets)
    {
        const auto base = std::find_if(master.Formats.begin(), master.Formats.end(),
                                       [](const TPaperFormat &paper) { return paper.Kind == 2; });
        ASSERT_NE(base, master.Formats.end());
        TCustomFormats custom;
        custom.Sheets = sheets;
        TCustomPaperRecord label;
        label.Id = id;
        label.BaseIndex = uint32_t(base - master.Formats.begin());
        label.Format = ResizePaperFormat(*base, size.width(), size.height());
        label.Format.Category = Sjis::encode(QStringLiteral("カスタム"));
        label.Format.Name = Sjis::encode(name);
        label.Format.SheetIndex = int32_t(sheets.size());
        custom.Records = {label};
        custom.LastCustomId = id;
        ASSERT_TRUE(custom.Save(DataRootFolder + "CstmL.fmt"));
    }

    // The shipped label and card sheets: their papers' numbers in the list, five and more.
    std::vector<int> ShippedSheets() const
    {
        std::vector<int> numbers;
        for (size_t i = 0; i < master.Formats.size(); ++i)
            if ((master.Formats[i].Kind == 2 || master.Formats[i].Kind == 3) && master.Formats[i].SheetIndex > 0)
                numbers.push_back(int(i));
        EXPECT_GE(numbers.size(), 5u);
        return numbers;
    }

    // The window made anew, an earlier one closed unasked, on the shipped sheet numbered number.
    bool ReopenOnSheet(int number)
    {
        if (form) {
            form->Modified = 0;
            delete form.data();
        }
        return OpenOnPaper(master.Formats[size_t(number)].Kind == 3, number);
    }

    // A document of the kind with the receiver's address and name where the paper puts them and a frame 8
    // units (50 pixels at 600 dpi) inside the label's edges, which shows where each label was printed.
    void AddFrame()
    {
        const TPaperFormat &paper = form->PaperFormat;
        auto frame = std::make_unique<TFigureRect>();
        frame->SetKind(TFigureRect::Rectangle);
        frame->SetRect(TRect{8, 8, TenthsMmToLayout(paper.Width) - 8, TenthsMmToLayout(paper.Height) - 8});
        form->ZOrderList.push_back(frame.get());
        form->FigureList.push_back(std::move(frame));
    }

    // Prints three records twice each from place 4 and checks the one sheet: places 4 to 9 hold the records in
    // order, framed where the sheet's layout puts them (within 0.2 mm), the other places are blank.
    void ExpectSixLabelsFromPlaceFour(const char *sample)
    {
        form->RecordNumbers = recNos;
        form->LabelStart = 4;
        form->LabelCount = 2;
        ASSERT_EQ(PrintLayout(form->MakePrintJob(false), form->Family().Caption, pdf, nullptr),
                  TPrintOutcome::Printed);
        ASSERT_EQ(pdfPages(pdf), 1);
        const QSizeF mm = pdfPageMm(pdf);
        EXPECT_NEAR(mm.width(), form->SheetFormat.SheetWidth / 10.0, 0.2);
        EXPECT_NEAR(mm.height(), form->SheetFormat.SheetHeight / 10.0, 0.2);

        const QImage page = renderedPage(pdf, 1, 600);
        ASSERT_FALSE(page.isNull());
        keepSample(page, sample);
        const TSheetLayout places = ComputeSheetLayout(form->PaperFormat, form->SheetFormat, 600, 600);
        const double pixelsPerMm = 600 / 25.4;
        for (int place = 0; place < places.Columns * places.Rows; ++place) {
            SCOPED_TRACE(place + 1);
            const QRect label(places.PlaceAt(place), QSize(places.CardWidth, places.CardHeight));
            const QRect expected = label.adjusted(50, 50, -50, -50);
            const QRect ink = inkBox(page, label.adjusted(25, 25, -25, -25));
            if (place < 3 || place > 8) {
                EXPECT_TRUE(ink.isEmpty());
                continue;
            }
            ASSERT_FALSE(ink.isEmpty());
            EXPECT_NEAR(ink.left() / pixelsPerMm, expected.left() / pixelsPerMm, 0.2);
            EXPECT_NEAR(ink.top() / pixelsPerMm, expected.top() / pixelsPerMm, 0.2);
            EXPECT_NEAR((ink.right() + 1) / pixelsPerMm, (expected.right() + 1) / pixelsPerMm, 0.2);
            EXPECT_NEAR((ink.bottom() + 1) / pixelsPerMm, (expected.bottom() + 1) / pixelsPerMm, 0.2);
        }
        // Each record's name and town on the page, twice.
        const QString text = pageText(pdf, 1);
        for (int i = 0; i < 3; ++i) {
            const QString name = QString::fromUtf8(Names[i]).remove(u'　');
            EXPECT_EQ(text.count(name), 2) << text.toStdString();
            EXPECT_EQ(text.count(QString::fromUtf8(Towns[i])), 2) << text.toStdString();
        }
    }

    // The first record with the numbers, addresses and keyword the additions print.
    void GiveFirstRecordItems()
    {
        TTable &table = *book.Module->AdrsTable;
        table.SetIndexName(QString());
        ASSERT_TRUE(table.FindKey({recNos[0]}));
        table.Edit();
        table.FieldByName(QStringLiteral("Tel")).SetAsString("0346141502");
        table.FieldByName(QStringLiteral("Fax")).SetAsString("0346141509");
        table.FieldByName(QStringLiteral("EMail1")).SetAsString("yamada@example.jp");
        table.FieldByName(QStringLiteral("Keyword1")).SetAsString(Sjis::encode(QStringLiteral("得意先")));
        table.Post();
    }

    // Shows the label's addition row with the item (0: the free text).
    void ShowItem(int row, uint8_t code, const QString &text = {})
    {
        TAdditionRect &item = form->Layout.RecordItem(row);
        item.Item = code;
        item.SetText(text);
        item.Visible = 1;
        form->ZOrderList.insert(form->ZOrderList.begin(), &item);
    }

    // 書式 → フォント・配置の詳細設定 with the automatic layout unticked and the receiver's parts ticked as
    // tick sets them, then OK.
    void ChooseSplitLayout(const std::function<void(TLayoutDetailDialog &)> &tick)
    {
        bool answered = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<TLayoutDetailDialog *>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            dialog->findChild<QCheckBox *>(QStringLiteral("ckbAuto"))->setChecked(false);
            tick(*dialog);
            answered = true;
            dialog->findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
        });
        form->UpdateActions();
        form->actDetail->trigger();
        ASSERT_TRUE(answered);
        ASSERT_EQ(form->SplitLayout, 1);
    }

    // Runs "バーコードの設定" with the dialog handed to answer while it is open.
    void RunAdditionDialog(const std::function<void(TAdditionInfoDialog &)> &answer)
    {
        form->UpdateActions();
        ASSERT_TRUE(form->actBarcodeSet->isEnabled());
        bool answered = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = form->findChild<TAdditionInfoDialog *>();
            ASSERT_TRUE(dialog);
            answered = true;
            answer(*dialog);
            // An answer that failed half-way leaves nothing waiting.
            if (dialog->isVisible())
                dialog->reject();
        });
        form->actBarcodeSet->trigger();
        EXPECT_TRUE(answered);
    }

    // 追加情報の設定: the first rows ticked with the items given, the others unticked, then OK.
    void TickAdditions(const std::vector<uint8_t> &items)
    {
        RunAdditionDialog([&](TAdditionInfoDialog &dialog) {
            for (int row = 0; row < 4; ++row) {
                const bool ticked = size_t(row) < items.size();
                dialog.findChild<QCheckBox *>("ckbAddition" + QString::number(row + 1))->setChecked(ticked);
                if (ticked)
                    dialog.SetAdditionItem(row, items[size_t(row)]);
            }
            dialog.findChild<QPushButton *>("btnOK")->click();
        });
    }

    // Whether the designer warned that the label cannot hold what was chosen; the boxes are cleared.
    bool Warned()
    {
        const QStringList texts = boxes.texts();
        boxes.clear();
        return std::any_of(texts.begin(), texts.end(),
                           [](const QString &text) { return text.contains(QStringLiteral("読める大きさ")); });
    }

    // A company record whose block outgrows a label's name place: a long company name, two departments, a title
    // and an address with a building. Its number; the list shows it.
    int32_t AddCompanyRecord(const QString &company = QStringLiteral("株式会社青葉ホールディングス商事"),
                             const QString &building = QStringLiteral("丸の内パークビルディング１２Ｆ"),
                             const QByteArray &tel = "0312345678")
    {
        TTable &table = *book.Module->AdrsTable;
        TAddressRecord r;
        r.Pos = "1000005";
        r.Tdfkn = Sjis::encode(QStringLiteral("東京都"));
        r.Adrs1 = Sjis::encode(QStringLiteral("千代田区丸の内"));
        r.Adrs2 = Sjis::encode(QStringLiteral("１－１－１"));
        r.Adrs3 = Sjis::encode(building);
        // Stored as its digits, printed 03-1234-5678.
        r.Tel = tel;
        r.PrivCorp = false;
        r.NameKanji = Sjis::encode(QStringLiteral("佐藤　一郎"));
        r.CorpKanji = Sjis::encode(company);
        r.Dptmnt = Sjis::encode(QStringLiteral("営業本部　第二営業部"));
        r.Post = Sjis::encode(QStringLiteral("部長"));
        r.JointPrint = true;
        table.Append();
        SetAddressRecordFields(table, r);
        table.Post();
        list->RefreshList(true, true, false);
        return table.FieldByName(QStringLiteral("RecNo")).AsInteger();
    }

    // The window shown at 100 %, where card pixels and layout units agree, with the record selected in the list.
    void ShowAtFullSize(int32_t recNo)
    {
        form->resize(900, 800);
        // Shown on a sheet already: the start's paper question is not asked.
        form->show();
        QCoreApplication::removePostedEvents(form.data(), WM_STARTMENU);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.data()));
        QCoreApplication::removePostedEvents(form.data(), WM_STARTMENU);
        form->cbxRatio->setCurrentIndex(5);
        form->cbxRatioClick(form->cbxRatio);
        ASSERT_EQ(form->ZoomRatio, 1.0);
        int row = 0;
        while (row < list->GetRecordCount() && list->GetRecNoAt(row) != recNo)
            ++row;
        list->SelectItem(row, true, false);
    }

    // Records as an office keeps them, after the three of the book: private ones with and without a building,
    // company ones with company names of 15 to 25 characters, two departments, a short or a long title,
    // buildings of 10 to 20 characters, telephone and fax numbers with hyphens, a mobile number, a mail address
    // (one longer than a label's line) and a keyword. The name of each printed record goes to names, where its
    // address meets its building to junctions.
    void AddOfficeRecords()
    {
        struct TOffice {
            const char16_t *Name, *Town, *Number, *Building, *Company, *Departments, *Post;
            const char *Mail;
        };
        const TOffice offices[] = {
            {u"高橋　美咲", u"千代田区丸の内", u"１－１－１", u"丸の内パークビルディング１２階", nullptr, nullptr, nullptr,
             "misaki.takahashi@example.jp"},
            {u"佐藤　一郎", u"千代田区丸の内", u"１－１－１", u"丸の内パークビルディング１２階",
             u"株式会社アオバ・トレーディング・ジャパン", u"海外事業本部　第二営業部", u"部長",
             "ichiro.sato.overseas-sales2@aoba-trading-japan.example.co.jp"},
            {u"中村　健太", u"港区芝浦", u"３－４－１", nullptr, u"みなと精密機械工業株式会社東京支店",
             u"営業統括本部　法人営業部", u"営業企画担当課長代理", "k-nakamura@minato-seimitsu.example.co.jp"},
            {u"鈴木　裕子", u"横浜市西区みなとみらい", u"２－２－１", u"横浜ランドマークタワー３７階",
             u"株式会社北斗エンジニアリングサービス", u"技術本部　システム開発第三部", u"課長",
             "y.suzuki@hokuto-eng.example.co.jp"},
        };
        ASSERT_EQ(LoadHyphenDll(AppFolder, AppFolder + "Dic/"), 0);
        hyphens = true;
        TTable &table = *book.Module->AdrsTable;
        for (const TOffice &o : offices) {
            TAddressRecord r;
            r.Pos = "1000005";
            r.Tdfkn = Sjis::encode(QStringLiteral("東京都"));
            r.Adrs1 = Sjis::encode(QString::fromUtf16(o.Town));
            r.Adrs2 = Sjis::encode(QString::fromUtf16(o.Number));
            if (o.Building)
                r.Adrs3 = Sjis::encode(QString::fromUtf16(o.Building));
            r.NameKanji = Sjis::encode(QString::fromUtf16(o.Name));
            r.PrivCorp = !o.Company;
            if (o.Company) {
                r.CorpKanji = Sjis::encode(QString::fromUtf16(o.Company));
                r.Dptmnt = Sjis::encode(QString::fromUtf16(o.Departments));
                r.Post = Sjis::encode(QString::fromUtf16(o.Post));
            }
            r.JointPrint = true;
            table.Append();
            SetAddressRecordFields(table, r);
            // Stored as their digits, printed 03-1234-5678.
            table.FieldByName(QStringLiteral("Tel")).SetAsString("0312345678");
            table.FieldByName(QStringLiteral("Fax")).SetAsString("0312345679");
            table.FieldByName(QStringLiteral("Portable1")).SetAsString("09012345678");
            table.FieldByName(QStringLiteral("EMail1")).SetAsString(o.Mail);
            table.FieldByName(QStringLiteral("Keyword1")).SetAsString(Sjis::encode(QStringLiteral("得意先")));
            table.Post();
            recNos.push_back(table.FieldByName(QStringLiteral("RecNo")).AsInteger());
        }
        list->RefreshList(true, true, false);
        for (const char *name : Names)
            names.append(QString::fromUtf8(name).remove(u'　'));
        junctions.append({QString(), QString(), QString()});
        for (const TOffice &o : offices) {
            names.append(QString::fromUtf16(o.Name).remove(u'　'));
            junctions.append(o.Building ? QString::fromUtf16(o.Number).right(1) + QString::fromUtf16(o.Building).left(1)
                                        : QString());
        }
    }

    // The printed page's labels, one a record in the order of names, each readable: its words (those whose
    // middle lies in it) inside it, none over another, its address parted from its building by a blank or a
    // line, and, on all of them or the first count where count is given, at 7 points or more with the name's
    // the largest. Each label's words, in points from its top-left corner.
    QList<QList<TPdfWord>> ExpectReadableLabels(qsizetype count = -1)
    {
        QList<QList<TPdfWord>> labels;
        const QList<TPdfWord> words = pageWords(pdf, 1);
        const TSheetLayout places = ComputeSheetLayout(form->PaperFormat, form->SheetFormat, 72, 72);
        for (int place = 0; place < int(names.size()); ++place) {
            SCOPED_TRACE(names[place].toStdString());
            const QRectF label(places.PlaceAt(place), QSizeF(places.CardWidth, places.CardHeight));
            QList<TPdfWord> own;
            for (const TPdfWord &w : words)
                if (label.contains(w.Box.center()))
                    own.append(w);
            EXPECT_FALSE(own.isEmpty());
            labels.append(own);
            for (TPdfWord &w : labels.last())
                w.Box.translate(-label.topLeft());
            const bool sized = count < 0 || place < count;
            // A name spread over its line comes out a character a word; its honorific stands with it.
            const auto ofName = [&](const QString &text) {
                return std::all_of(text.begin(), text.end(),
                                   [&](QChar c) { return names[place].contains(c) || c == u'様'; });
            };
            double nameSize = 0, otherSize = 0;
            QString text;
            for (qsizetype k = 0; k < own.size(); ++k) {
                const TPdfWord &w = own[k];
                text += w.Text + u' ';
                // The height of a word's box is the size it was set in.
                if (sized) {
                    EXPECT_GE(w.Box.height(), 7.0) << w.Text.toStdString();
                }
                EXPECT_TRUE(label.adjusted(-0.1, -0.1, 0.1, 0.1).contains(w.Box)) << w.Text.toStdString();
                double &size = ofName(w.Text) ? nameSize : otherSize;
                size = std::max(size, w.Box.height());
                for (qsizetype m = k + 1; m < own.size(); ++m) {
                    EXPECT_FALSE(w.Box.adjusted(0.2, 0.2, -0.2, -0.2).intersects(own[m].Box))
                        << w.Text.toStdString() << " over " << own[m].Text.toStdString();
                }
                if (!junctions[place].isEmpty()) {
                    EXPECT_FALSE(w.Text.contains(junctions[place])) << w.Text.toStdString();
                }
            }
            // Never smaller than another text: where a layout the user squeezed sets both at the smallest size's
            // step, the same size in the program's two faces measures a few thousandths of a point apart, and a
            // line with a half-width sign (the postal code's hyphen) up to 7.4504 points.
            if (sized && otherSize > 7.46) {
                EXPECT_GT(nameSize + 0.02, otherSize) << nameSize << " pt against " << otherSize << " pt: "
                                                      << text.toStdString();
            }
        }
        return labels;
    }

    // The last record's label as laid out, its words as ExpectReadableLabels gives them: a shown barcode (its bars
    // not drawn without the barcode library, so its laid-out rectangle stands for them) lies over none of its
    // words: the address's lines stand above it, the name's below. Where the objects stand as the designer placed
    // them it is printed; moved, it may give way to a block that would otherwise go under 7 points. Printed, it
    // lies wholly on its label, short of the next one. A paper no bar size fits shows none.
    void ExpectTheBarcodeOverNoWord(const QList<TPdfWord> &label, bool asPlaced)
    {
        const auto &barcode = static_cast<const TBarcodeRect &>(*form->CombinedObjects[CombinedBarcodeIndex]);
        EXPECT_NE(barcode.Visible != 0, form->NoBarcode != 0);
        if (asPlaced && barcode.Visible) {
            EXPECT_FALSE(barcode.GivesWay());
        }
        if (!barcode.Visible || barcode.GivesWay())
            return;
        const TRect b = barcode.LaidOutRect();
        EXPECT_TRUE(b.Left >= 0 && b.Top >= 0 && b.Right <= form->PaperWidth && b.Bottom <= form->PaperHeight)
            << b.Left << "-" << b.Right << " on a label " << form->PaperWidth << " wide";
        const QRectF bars(b.Left * 0.75, b.Top * 0.75, (b.Right - b.Left) * 0.75, (b.Bottom - b.Top) * 0.75);
        for (const TPdfWord &w : label) {
            EXPECT_FALSE(w.Box.adjusted(0.2, 0.2, -0.2, -0.2).intersects(bars))
                << w.Text.toStdString() << " under the barcode at " << b.Top << "-" << b.Bottom;
        }
    }

    // A book as an office keeps one, after the three of the fixture: private and company contacts with short and
    // long addresses, buildings and room numbers after the street number (one typed in half width), company
    // names of 10 to 25 characters with two departments and a title, a company without a person, a record whose
    // address after the prefecture is one part of 29 characters, names with 鷗 and 𠮷, telephone numbers as the
    // book keeps them (their digits, printed hyphenated), mail addresses of 17 to 40 characters and a keyword,
    // each field within its length. Each record's
    // key (its person's name as printed, or its company's) and what its telephone, mail and keyword rows print
    // go to officeBook by their numbers.
    struct TBookEntry {
        QString Key;
        std::map<uint8_t, QString> Printed;  // by item: what the row prints after its heading, words joined
    };
    void AddOfficeBook()
    {
        struct TOffice {
            const char16_t *Name, *Company, *Departments, *Post, *Prefecture, *City, *Number, *Building;
            const char *Tel, *Mail;
            const char16_t *Keyword;
        };
        const TOffice offices[] = {
            {u"高橋　美咲", nullptr, nullptr, nullptr, u"東京都", u"世田谷区桜新町", u"１－２－３", nullptr, "0334261234",
             "misaki.t@example.jp", u"友人"},
            {u"伊藤　直樹", nullptr, nullptr, nullptr, u"神奈川県", u"横浜市港北区日吉本町", u"４－１０－２５",
             u"パークハウス日吉４０２号室", "0455612233", "naoki-ito@example.ne.jp", nullptr},
            {u"佐藤　健一", u"株式会社シロガネ歯科材料", u"営業部", u"課長", u"東京都", nullptr,
             u"千代田区神田小川町３－２２－１４シロガネ歯科会館ビル１５階", nullptr, "0332911234",
             "k.sato@shirogane-dental.example.co.jp", u"得意先"},
            {u"井上　聡", u"株式会社北浜トレーディング", u"大阪本社　財務部", u"財務企画担当課長代理", u"大阪府", nullptr,
             u"大阪市中央区北浜二丁目１－２１北浜グランドタワー２５階", nullptr, "0662021234", "s.inoue@kitahama.example.jp",
             nullptr},
            {u"中村　健太", u"みなと精密機械工業株式会社東京支店", u"営業統括本部　法人営業部", u"営業企画担当課長代理",
             u"東京都", u"港区芝浦", u"３－４－１", nullptr, "0354451200", "k-nakamura@minato-seimitsu.example.co.jp",
             u"得意先"},
            {u"鈴木　裕子", u"株式会社北斗エンジニアリングサービス", u"技術本部　システム開発第三部", u"課長",
             u"神奈川県", u"横浜市西区みなとみらい", u"２－２－１", u"横浜ランドマークタワー３７階", "0452221111",
             "y.suzuki@hokuto-eng.example.co.jp", u"仕入先"},
            {u"田中　一郎", u"株式会社浪速ロジスティクス", u"大阪支社　総務部", u"部長", u"大阪府", u"大阪市北区梅田",
             u"3-1-3", u"5F", "0663457890", "tanaka@naniwa-logi.example.jp", nullptr},
            {u"渡辺　真由美", nullptr, nullptr, nullptr, u"福岡県", u"福岡市博多区博多駅前", u"２－１－１", u"５階",
             "0924711234", "mayumi.watanabe@example.com", nullptr},
            {u"小林　剛", u"株式会社丸の内フィナンシャル・アドバイザリー", u"法人営業本部　第一部", u"担当部長",
             u"東京都", u"千代田区丸の内", u"１－９－１", u"201号室", "0362121111", "t.kobayashi@marunouchi-fa.example.jp",
             u"得意先"},
            {u"𠮷田　翔", nullptr, nullptr, nullptr, u"北海道", u"札幌市中央区北一条西", u"２－１", nullptr,
             "0112314111", nullptr, nullptr},
            {u"森　鷗外", nullptr, nullptr, nullptr, u"東京都", u"文京区千駄木", u"１－２３－４", nullptr, nullptr,
             "ogai.mori@bunkyo.example.jp", nullptr},
            {nullptr, u"有限会社丸屋商店", u"経理課", nullptr, u"愛知県", u"名古屋市中区栄", u"３－５－１２",
             u"栄ビル２０３号室", "0522611234", "keiri@maruya-shoten.example.jp", u"仕入先"},
            {u"山本　花子", u"京都伝統工芸振興株式会社", u"企画部　広報課", u"主任", u"京都府",
             u"京都市下京区", u"烏丸通七条下る東塩小路町７２１－１", u"京都タワービル８階", "0753611234",
             "hanako.yamamoto@kyoto-dento.example.co.jp", u"年賀状"},
        };
        ASSERT_EQ(QStringView(offices[2].Number).size(), 29);
        ASSERT_EQ(LoadHyphenDll(AppFolder, AppFolder + "Dic/"), 0);
        hyphens = true;
        const QString dic = AppFolder + "Dic/";
        const auto sjis = [](const char16_t *text) { return text ? Sjis::encode(QString::fromUtf16(text)) : QByteArray(); };
        for (size_t i = 0; i < 3; ++i)
            officeBook[recNos[i]] = {QString::fromUtf8(Names[i]).replace(u'　', u' '), {}};
        TTable &table = *book.Module->AdrsTable;
        for (const TOffice &o : offices) {
            TAddressRecord r;
            r.Pos = "1000005";
            r.Tdfkn = sjis(o.Prefecture);
            r.Adrs1 = sjis(o.City);
            r.Adrs2 = sjis(o.Number);
            r.Adrs3 = sjis(o.Building);
            if (o.Name)
                r.NameKanji = WideToEscapedAnsi(QString::fromUtf16(o.Name));
            r.PrivCorp = !o.Company;
            r.CorpKanji = sjis(o.Company);
            r.Dptmnt = sjis(o.Departments);
            r.Post = sjis(o.Post);
            r.JointPrint = true;
            table.Append();
            SetAddressRecordFields(table, r);
            table.FieldByName(QStringLiteral("Tel")).SetAsString(o.Tel);
            table.FieldByName(QStringLiteral("EMail1")).SetAsString(o.Mail);
            table.FieldByName(QStringLiteral("Keyword1")).SetAsString(sjis(o.Keyword));
            table.Post();
            const int32_t recNo = table.FieldByName(QStringLiteral("RecNo")).AsInteger();
            recNos.push_back(recNo);
            TBookEntry &entry = officeBook[recNo];
            entry.Key = o.Name ? QString::fromUtf16(o.Name).replace(u'　', u' ') : QString::fromUtf16(o.Company);
            if (o.Tel)
                entry.Printed[3] = QStringLiteral("ＴＥＬ") + Sjis::decode(ToFullWidth(HyphenatePhone(o.Tel, dic)));
            if (o.Mail)
                entry.Printed[9] = QStringLiteral("E-Mail") + QString::fromLatin1(o.Mail);
            if (o.Keyword)
                entry.Printed[11] = KeywordNames[0] + QString::fromUtf16(o.Keyword);
        }
        list->RefreshList(true, true, false);
        list->SelectItem(0, true, false);
    }

    // 印刷 through the wizard: every record of the list, 次へ, then 印刷 or プレビュー; the question asked then
    // answered answer (a No leaves the wizard, which is then cancelled), and a print written to pdf. The texts of
    // the boxes shown.
    QStringList PrintThroughTheWizard(int answer, bool preview = false)
    {
        boxes.clear();
        boxes.answer(answer);
        bool shown = false;
        QTimer watch;
        watch.setInterval(20);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            AnswerPrintCommand(shown, pdf, preview ? QStringLiteral("btnPreview2") : QStringLiteral("btnPrint"));
        });
        watch.start();
        form->UpdateActions();
        form->actPrint->trigger();
        watch.stop();
        EXPECT_TRUE(shown);
        const QStringList texts = boxes.texts();
        boxes.clear();
        return texts;
    }

    // Labels the check before their print takes over half a second for on a fast machine, which it then shows
    // its progress for.
    static constexpr int LargeBookRecords = 12000;

    // A book large enough that the check before a print is still running when the user acts: count records
    // after the three, as offices keep them by turns: a company contact with a long name, two departments, a
    // building and floor after the street number and a mail address longer than a small label's line; a person
    // with 鷗 or 𠮷 in the name and a room after the number. Every one with a hyphenated telephone number.
    void AddLargeBook(int count)
    {
        TTable &table = *book.Module->AdrsTable;
        table.StartTransaction();
        for (int n = 0; n < count; ++n) {
            const bool company = n % 2 == 0;
            TAddressRecord r;
            r.Pos = "1000005";
            r.Tdfkn = Sjis::encode(QStringLiteral("東京都"));
            r.Adrs1 = Sjis::encode(company ? QStringLiteral("千代田区丸の内") : QStringLiteral("文京区千駄木"));
            r.Adrs2 = Sjis::encode(company ? QStringLiteral("１－９－１") : QStringLiteral("1-23-4"));
            r.Adrs3 = Sjis::encode(company ? QStringLiteral("グラントウキョウノースタワー１２階") : QStringLiteral("201号室"));
            r.NameKanji = WideToEscapedAnsi((n % 4 < 2 ? QStringLiteral("森　鷗外%1") : QStringLiteral("𠮷田　翔%1")).arg(n));
            r.PrivCorp = !company;
            if (company) {
                r.CorpKanji = Sjis::encode(QStringLiteral("株式会社丸の内フィナンシャル・アドバイザリー"));
                r.Dptmnt = Sjis::encode(QStringLiteral("法人営業本部　第一部"));
            }
            r.JointPrint = true;
            table.Append();
            SetAddressRecordFields(table, r);
            table.FieldByName(QStringLiteral("Tel")).SetAsString(QStringLiteral("03-6212-%1").arg(n % 10000, 4, 10, QLatin1Char('0')).toLatin1());
            table.FieldByName(QStringLiteral("EMail1"))
                .SetAsString(company ? "t.kobayashi.houjin-eigyo@marunouchi-fa.example.jp" : "ogai@example.jp");
            table.Post();
        }
        table.Commit();
        list->RefreshList(true, true, false);
        list->SelectItem(0, true, false);
    }

    // The window anew and shown on "A4 24面 66×33.9mm", with the telephone number and the mail address ticked.
    void OpenSmallLabelsWithTheirAdditions()
    {
        int small = -1;
        for (const int i : ShippedSheets())
            if (Sjis::decode(master.Formats[size_t(i)].Name).contains(QStringLiteral("24面")))
                small = i;
        ASSERT_GE(small, 0);
        ASSERT_TRUE(ReopenOnSheet(small));
        // Shown, as the window manager and a screen reader reach it.
        form->show();
        list->SelectItem(0, true, false);
        ASSERT_NO_FATAL_FAILURE(TickAdditions({3, 9}));
    }

    // 印刷 through the wizard on every record of the list, as PrintThroughTheWizard, while act is handed the
    // check's progress window at each turn of the event loop it lets in, until act answers true. Whether it
    // did; stayed: whether the wizard was still open a second after its 印刷 had returned (then cancelled).
    bool ActDuringTheCheck(const std::function<bool(QProgressDialog &)> &act, bool &stayed)
    {
        bool acted = false, acting = false, started = false;
        stayed = false;
        // A timer of its own: the one that pressed 印刷 does not fire again until the press has returned.
        QTimer during;
        QObject::connect(&during, &QTimer::timeout, [&] {
            auto *progress = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
            if (progress && progress->isVisible() && !acted && !acting) {
                acting = true;
                acted = act(*progress);
                acting = false;
            }
        });
        QElapsedTimer since;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            const QPointer<TLayoutPrintDialog> wizard = qobject_cast<TLayoutPrintDialog *>(QApplication::activeModalWidget());
            if (!wizard)
                return;
            if (started) {
                if (since.elapsed() > 1000) {
                    stayed = true;
                    wizard->reject();
                }
                return;
            }
            started = true;
            wizard->findChild<QRadioButton *>(QStringLiteral("rbAll"))->click();
            wizard->findChild<QPushButton *>(QStringLiteral("btnNext"))->click();
            wizard->findChild<QPushButton *>(QStringLiteral("btnPrint"))->click();
            since.start();
        });
        during.start(0);
        watch.start(0);
        form->UpdateActions();
        form->actPrint->trigger();
        watch.stop();
        during.stop();
        EXPECT_TRUE(started);
        return acted;
    }

    // The words of the printed labels of the list's first count records, page after page in the list's order,
    // each label's from its top-left corner.
    QList<QList<TPdfWord>> PrintedLabels(int count)
    {
        const TSheetLayout places = ComputeSheetLayout(form->PaperFormat, form->SheetFormat, 72, 72);
        const int perSheet = places.Columns * places.Rows;
        QList<QList<TPdfWord>> labels;
        QList<TPdfWord> words;
        for (int i = 0; i < count; ++i) {
            if (i % perSheet == 0)
                words = pageWords(pdf, i / perSheet + 1);
            const QRectF label(places.PlaceAt(i % perSheet), QSizeF(places.CardWidth, places.CardHeight));
            labels.append(QList<TPdfWord>());
            for (const TPdfWord &w : words)
                if (label.contains(w.Box.center()))
                    labels.last().append({w.Text, w.Box.translated(-label.topLeft())});
        }
        return labels;
    }

    test::TestBook book;
    test::MessageBoxScript boxes;
    TMasterFormats master;
    std::unique_ptr<TAddressList> list;
    QPointer<TLabelForm> form;
    std::vector<int32_t> recNos;
    std::map<int32_t, TBookEntry> officeBook;
    QStringList names, junctions;
    bool hyphens = false;  // the telephone numbers' hyphenation loaded
    QTemporaryDir out;
    QString pdf;
};

}  // namespace

TEST_F(LabelFormTest, LabelsOfTwoByFiveSheetFromPlaceFour)
{
    ASSERT_TRUE(OpenOnSheet(false, 2, 5));
    AddFrame();
    ExpectSixLabelsFromPlaceFour("label-sheet-600dpi");
}

TEST_F(LabelFormTest, CardsOfTenUpSheetFromPlaceFour)
{
    ASSERT_TRUE(OpenOnSheet(true, 2, 5));
    AddFrame();
    ExpectSixLabelsFromPlaceFour("card-sheet-600dpi");
}

TEST_F(LabelFormTest, AUserLabelSheetIsListedInLabelModeAndLaidOutByItsOwnSheet)
{
    // A user label of 80 x 50 mm made from the first label sheet, 2 x 5 on its own sheet: margins, gaps and
    // sheet size that no shipped sheet has.
    const TFormatCategory sheet{2000, 2900, 2, 5, 130, 170, 70, 45};
    ASSERT_NO_FATAL_FAILURE(SaveUserLabel(7, QSize(800, 500), QStringLiteral("宛名ラベル８０"),
                                          {TFormatCategory{2100, 2970, 3, 8, 0, 0, 0, 0}, sheet}));

    const auto listed = [](uint8_t paperKind) {
        TLabelPaperDialog dialog(nullptr, paperKind);
        for (int row = 0; row < dialog.lbPaper->count(); ++row)
            if (dialog.lbPaper->item(row)->data(Qt::UserRole).toInt() == -7)
                return dialog.lbPaper->item(row)->text();
        return QString();
    };
    EXPECT_TRUE(listed(2).contains(QStringLiteral("宛名ラベル８０"))) << listed(2).toStdString();
    EXPECT_TRUE(listed(3).isEmpty());

    ASSERT_TRUE(OpenOnPaper(false, -7));
    EXPECT_EQ(form->FormatNumber, -7);
    EXPECT_EQ(form->PaperFormat.Width, 800);
    EXPECT_EQ(form->SheetFormat, sheet);
    AddFrame();
    ExpectSixLabelsFromPlaceFour("label-user-sheet-600dpi");

    // Its document opens on the same sheet again.
    ASSERT_TRUE(form->SaveDocument(form->DocumentPath(QStringLiteral("自作ラベル"))));
    form->ClearDocument();
    form->SheetFormat = {};
    ASSERT_TRUE(form->OpenDocument(LabelFolder + QStringLiteral("自作ラベル.gpa")));
    EXPECT_EQ(form->FormatNumber, -7);
    EXPECT_EQ(form->SheetFormat, sheet);
}

TEST_F(LabelFormTest, ALabelShowsTheListsRecordAndFollowsTheSelection)
{
    ASSERT_TRUE(OpenOnSheet(false, 2, 5));
    auto &name = static_cast<TNameRect &>(*form->CombinedObjects[2]);
    EXPECT_EQ(name.Name(), QStringLiteral("山田 太郎"));
    list->SelectItem(2, true, false);
    EXPECT_EQ(name.Name(), QStringLiteral("長谷川 健"));
    // A record gone before printing leaves its labels blank, not filled with the record before.
    TTable &table = *book.Module->AdrsTable;
    ASSERT_TRUE(table.FindKey({recNos[1]}));
    table.Delete();
    form->RecordNumbers = recNos;
    ASSERT_EQ(PrintLayout(form->MakePrintJob(false), form->Family().Caption, pdf, nullptr), TPrintOutcome::Printed);
    const QString text = pageText(pdf, 1);
    EXPECT_EQ(text.count(QStringLiteral("山田太郎")), 1) << text.toStdString();
    EXPECT_EQ(text.count(QStringLiteral("佐藤")), 0);
    EXPECT_EQ(text.count(QStringLiteral("長谷川健")), 1);
}

TEST_F(LabelFormTest, TheSenderChosenInTheSenderListLeavesTheRecordAsTheReceiver)
{
    test::registerSender(test::listedSender(1, QStringLiteral("自宅"), QStringLiteral("差出　花子")));
    ASSERT_TRUE(OpenOnSheet(false, 2, 5));
    auto &name = static_cast<TNameRect &>(*form->CombinedObjects[2]);
    ASSERT_EQ(name.Name(), QStringLiteral("山田 太郎"));
    QTimer::singleShot(0, [] { SenderForm->findChild<QPushButton *>("btnChoice")->click(); });
    form->actSenderEdit->trigger();
    EXPECT_EQ(name.Name(), QStringLiteral("山田 太郎"));
    EXPECT_EQ(form->SenderRecNo, 1);
    TTable &table = *book.Module->AdrsTable;
    table.SetIndexName(QString());
    ASSERT_TRUE(table.FindKey({recNos[0]}));
    EXPECT_EQ(table.FieldByName(QStringLiteral("Sender")).AsInteger(), 0);
    EXPECT_FALSE(form->Modified);
}

TEST_F(LabelFormTest, DocumentsGoToTheirModesFolderAndOpenAgain)
{
    ASSERT_TRUE(OpenOnSheet(true, 2, 5));
    AddFrame();
    ASSERT_TRUE(form->SaveDocument(form->DocumentPath(QStringLiteral("名刺"))));
    const QString file = CardFolder + QStringLiteral("名刺.gpc");
    ASSERT_TRUE(QFileInfo::exists(file));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("名刺印刷 - 名刺"));
    const QByteArray saved = test::readFile(file);
    form->ClearDocument();
    ASSERT_TRUE(form->OpenDocument(file));
    EXPECT_EQ(form->FigureList.size(), 1u);
    EXPECT_EQ(form->PaperFormat.Kind, 3);
    ASSERT_TRUE(form->SaveDocument(file));
    EXPECT_EQ(test::readFile(file), saved);
    // A label window cannot take a card: the file is refused with the message.
    delete form.data();
    ASSERT_TRUE(OpenOnSheet(false, 2, 5));
    EXPECT_FALSE(form->OpenDocument(file));
    EXPECT_EQ(boxes.texts().value(0), DocumentInvalidMessage);
}

TEST_F(LabelFormTest, TheMainWindowOpensEachModeAfterTheOtherClosed)
{
    RegisterLabelForm();
    list.reset();
    list = std::make_unique<TAddressList>();  // made after the maker is installed, as at start
    AddressList = list.get();
    ASSERT_TRUE(list->actLabelPrint->isEnabled());
    ASSERT_TRUE(list->actCardPrint->isEnabled());
    list->actLabelPrint->trigger();
    form = dynamic_cast<TLabelForm *>(LabelForm);
    ASSERT_TRUE(form);
    EXPECT_FALSE(form->IsCardMode());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("ラベル印刷"));

    // Unsaved work: the card command asks, and a cancel keeps the label window and opens nothing.
    form->Modified = 1;
    boxes.answer(IDCANCEL);
    list->actCardPrint->trigger();
    EXPECT_EQ(LabelForm, form.data());
    EXPECT_EQ(boxes.texts().value(0), QStringLiteral("ラベル印刷のレイアウトの変更を保存しますか？  "));
    form->Modified = 0;
    list->actCardPrint->trigger();
    ASSERT_TRUE(LabelForm);
    EXPECT_TRUE(LabelForm->IsCardMode());
    form = dynamic_cast<TLabelForm *>(LabelForm);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("名刺印刷"));
    // The same command again shows the same window.
    list->actCardPrint->trigger();
    EXPECT_EQ(LabelForm, form.data());

    // The main window's close asks too.
    form->Modified = 1;
    boxes.answer(IDCANCEL);
    EXPECT_FALSE(list->CloseSubForms());
    EXPECT_EQ(boxes.texts().value(1), QStringLiteral("名刺印刷のレイアウトの変更を保存しますか？  "));
    form->Modified = 0;
    EXPECT_TRUE(list->CloseSubForms());
    EXPECT_EQ(LabelForm, nullptr);
    ShowLabelForm = nullptr;
}

TEST_F(LabelFormTest, ANewLabelSetsTheNameAsAnOfficePrintsItAndTheCodeWithItsMark)
{
    // A4 12面: each record's name left-aligned at its natural spacing, in the label's largest text, and the
    // postal code behind its mark.
    ASSERT_TRUE(OpenOnSheet(false, 2, 6));
    form->RecordNumbers = recNos;
    ASSERT_EQ(PrintLayout(form->MakePrintJob(false), form->Family().Caption, pdf, nullptr), TPrintOutcome::Printed);
    keepPageSample(pdf, 1, "label-12-600dpi");
    const QList<TPdfWord> words = pageWords(pdf, 1);
    const TSheetLayout places = ComputeSheetLayout(form->PaperFormat, form->SheetFormat, 72, 72);
    const auto frame = [&](int place, size_t object) {
        const TRect r = form->CombinedObjects[object]->GetRect();
        return QRectF(r.Left * 0.75, r.Top * 0.75, (r.Right - r.Left) * 0.75, (r.Bottom - r.Top) * 0.75)
            .translated(places.PlaceAt(place));
    };
    // The words whose middle lies in the frame: their text and the box around them all.
    const auto wordsIn = [&](const QRectF &area, QString &text) {
        QRectF box;
        for (const TPdfWord &w : words)
            if (area.contains(w.Box.center())) {
                text += w.Text;
                box |= w.Box;
            }
        return box;
    };
    const double pointsPerMm = 72 / 25.4;
    for (int place = 0; place < 3; ++place) {
        SCOPED_TRACE(place + 1);
        QString postal, address, name;
        const QRectF code = wordsIn(frame(place, 0), postal);
        const QRectF lines = wordsIn(frame(place, 1), address);
        const QRectF nameBox = wordsIn(frame(place, 2), name);
        EXPECT_TRUE(postal.startsWith(QStringLiteral("〒１０１-００６２"))) << postal.toStdString();
        EXPECT_TRUE(address.contains(QString::fromUtf8(Towns[place]))) << address.toStdString();
        // pdftotext takes a short given name out of its line's order: the characters are compared.
        QString expected = QString::fromUtf8(Names[place]).remove(u'　') + QStringLiteral("様");
        std::sort(name.begin(), name.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(name, expected);
        ASSERT_FALSE(nameBox.isEmpty());
        // The largest text: a line of the address and the code are set smaller.
        EXPECT_GT(nameBox.height(), lines.height() * 1.2) << nameBox.height() << " " << lines.height();
        EXPECT_GT(nameBox.height(), code.height() * 1.2) << nameBox.height() << " " << code.height();
        // From the frame's left, not spread to its right: family name, given name and honorific take at most
        // seven characters' room.
        EXPECT_NEAR(nameBox.left(), frame(place, 2).left(), 2 * pointsPerMm);
        EXPECT_LT(nameBox.width(), 7 * nameBox.height()) << nameBox.width() / pointsPerMm << " mm";
    }
}

TEST_F(LabelFormTest, ACompanyRecordsNameIsTheLargestTextAndNothingIsUnderSevenPointsOnEverySheet)
{
    // A company record with two departments, a title and an address of ordinary length.
    const int32_t company =
        AddCompanyRecord(QStringLiteral("株式会社青葉商事"), QStringLiteral("丸の内ビル１２Ｆ"), QByteArray());

    for (const int i : ShippedSheets()) {
        const TPaperFormat &paper = master.Formats[size_t(i)];
        SCOPED_TRACE(Sjis::decode(paper.Name).toStdString());
        ASSERT_TRUE(ReopenOnSheet(i));
        form->RecordNumbers = {company};
        ASSERT_EQ(PrintLayout(form->MakePrintJob(false), form->Family().Caption, pdf, nullptr),
                  TPrintOutcome::Printed);
        keepPageSample(pdf, 1, ("company-" + std::to_string(i) + "-600dpi").c_str());
        const TSheetLayout places = ComputeSheetLayout(form->PaperFormat, form->SheetFormat, 72, 72);
        const QRectF label(places.PlaceAt(0), QSizeF(places.CardWidth, places.CardHeight));
        // The height of a word's box is the size it was set in.
        QString text;
        double name = 0, others = 0, smallest = 1000;
        for (const TPdfWord &w : pageWords(pdf, 1)) {
            if (!label.contains(w.Box.center()))
                continue;
            text += w.Text;
            const double size = w.Box.height();
            smallest = std::min(smallest, size);
            // A name spread over its line comes out a character a word.
            if (std::any_of(w.Text.begin(), w.Text.end(), [](QChar c) { return QStringView(u"佐藤一郎").contains(c); }))
                name = std::max(name, size);
            else if (!w.Text.contains(QStringLiteral("様")))
                others = std::max(others, size);
        }
        for (const QString &part : {QStringLiteral("株式会社青葉商事"), QStringLiteral("営業本部"), QStringLiteral("第二営業部"),
                                    QStringLiteral("部長"), QStringLiteral("丸の内"), QStringLiteral("様")})
            EXPECT_TRUE(text.contains(part)) << text.toStdString();
        EXPECT_GE(smallest, 7.0) << text.toStdString();
        EXPECT_GT(name, others) << name << " pt against " << others << " pt";
    }
}

TEST_F(LabelFormTest, ALineTooLongForTheLabelLeavesTheRestOfTheBlockAtSevenPointsOverShownAdditions)
{
    // An office that keeps a mail address as its second department: the departments are set as small as the
    // label's width needs, and they alone. The company, the title and the name stay at 7 points or more with the
    // name the largest, the additions under them moving down or giving way, never the block shrinking to the
    // long line's size beside them.
    const QString mail = QStringLiteral("sales.department.tokyo_2026@example-company.co.jp");
    TTable &table = *book.Module->AdrsTable;
    const int32_t company = AddCompanyRecord(QStringLiteral("有限会社剥製工房"));
    table.SetIndexName(QString());
    ASSERT_TRUE(table.FindKey({company}));
    table.Edit();
    table.FieldByName(QStringLiteral("Dptmnt")).SetAsString(Sjis::encode(QStringLiteral("営業本部　") + mail));
    table.FieldByName(QStringLiteral("URL")).SetAsString("https://www.example-company.co.jp/contact/inquiry?lang=ja");
    table.FieldByName(QStringLiteral("EMail1")).SetAsString("contact+office@example-company.co.jp");
    table.FieldByName(QStringLiteral("Keyword1")).SetAsString(Sjis::encode(QStringLiteral("得意先")));
    table.Post();
    list->RefreshList(true, true, false);

    for (const int i : ShippedSheets()) {
        const TPaperFormat &paper = master.Formats[size_t(i)];
        SCOPED_TRACE(Sjis::decode(paper.Name).toStdString());
        ASSERT_TRUE(ReopenOnSheet(i));
        for (int row = 0; row < 4; ++row)
            ShowItem(row, std::array<uint8_t, 4>{3, 7, 9, 11}[size_t(row)]);
        form->RecordNumbers = {company};
        ASSERT_EQ(PrintLayout(form->MakePrintJob(false), form->Family().Caption, pdf, nullptr),
                  TPrintOutcome::Printed);
        if (qEnvironmentVariableIsSet("VELMORA_SAMPLE_DIR"))
            keepPageSample(pdf, 1, ("long-line-" + std::to_string(i) + "-600dpi").c_str());
        const TSheetLayout places = ComputeSheetLayout(form->PaperFormat, form->SheetFormat, 72, 72);
        const QRectF label(places.PlaceAt(0), QSizeF(places.CardWidth, places.CardHeight));
        QString text;
        double name = 0, others = 0;
        for (const TPdfWord &w : pageWords(pdf, 1)) {
            if (!label.contains(w.Box.center()))
                continue;
            text += w.Text + u' ';
            EXPECT_TRUE(label.adjusted(-0.1, -0.1, 0.1, 0.1).contains(w.Box)) << w.Text.toStdString();
            // The height of a word's box is the size it was set in. A company part prints in full width.
            if (w.Text == QStringLiteral("営業本部") || mail.contains(w.Text.normalized(QString::NormalizationForm_KC)))
                continue;
            EXPECT_GE(w.Box.height(), 7.0) << w.Text.toStdString();
            // A name spread over its line comes out a character a word.
            if (std::all_of(w.Text.begin(), w.Text.end(), [](QChar c) { return QStringView(u"佐藤一郎様").contains(c); }))
                name = std::max(name, w.Box.height());
            else
                others = std::max(others, w.Box.height());
        }
        for (const QString &part : {QStringLiteral("有限会社剥製工房"), QStringLiteral("営業本部"), QStringLiteral("部長"), mail})
            EXPECT_TRUE(text.remove(u' ').normalized(QString::NormalizationForm_KC).contains(part)) << text.toStdString();
        // A line with a half-width sign (the postal code's hyphen) measures up to 7.4504 points at the smallest size.
        if (others > 7.46) {
            EXPECT_GT(name + 0.02, others) << name << " pt against " << others << " pt: " << text.toStdString();
        }
    }
}

TEST_F(LabelFormTest, EveryRecordIsReadableOnEverySheetAsPlacedAndAsAUserMovesTheObjects)
{
    AddOfficeRecords();

    // The objects as the designer places them, then moved and resized as a user does: the name frame's top
    // dragged 5 mm up, the address dragged lower (12 mm where the label is tall enough), the address's right
    // edge dragged 15 mm in; and the address set in the smallest size step. Each with the additions hidden, and
    // with the telephone, fax, reversed telephone and date rows shown under the name.
    enum TChange { AsPlaced, NameTopUp, AddressLower, AddressNarrower, AddressSmallest };
    for (const int i : ShippedSheets()) {
        for (const bool rows : {false, true}) {
            for (const TChange change : {AsPlaced, NameTopUp, AddressLower, AddressNarrower, AddressSmallest}) {
                const TPaperFormat &paper = master.Formats[size_t(i)];
                SCOPED_TRACE(Sjis::decode(paper.Name).toStdString() + " change " + std::to_string(change) +
                             (rows ? " with rows" : ""));
                ASSERT_TRUE(ReopenOnSheet(i));
                if (rows)
                    for (int row = 0; row < 4; ++row)
                        ShowItem(row, std::array<uint8_t, 4>{3, 4, 1, 2}[size_t(row)]);
                TDrawRect &address = *form->CombinedObjects[1];
                TDrawRect &name = *form->CombinedObjects[2];
                const TRect r = change == NameTopUp ? name.GetRect() : address.GetRect();
                const int lower = TenthsMmToLayout(paper.Height >= 500 ? 120 : 40);
                if (change == NameTopUp)
                    name.SetRect({r.Left, r.Top - TenthsMmToLayout(50), r.Right, r.Bottom});
                if (change == AddressLower)
                    address.SetRect({r.Left, r.Top + lower, r.Right, r.Bottom + lower});
                if (change == AddressNarrower)
                    address.SetRect({r.Left, r.Top, r.Right - TenthsMmToLayout(150), r.Bottom});
                if (change == AddressSmallest) {
                    form->PrintForm.AddressSize = 1;
                    form->Layout.ApplyPrintForm();
                }
                form->RecordNumbers = recNos;
                ASSERT_EQ(PrintLayout(form->MakePrintJob(false), form->Family().Caption, pdf, nullptr),
                          TPrintOutcome::Printed);
                // Rendered only for a person to look at: the words are measured in the file.
                if (qEnvironmentVariableIsSet("VELMORA_SAMPLE_DIR"))
                    keepPageSample(pdf, 1,
                                   ("readable-" + std::to_string(i) + "-" + std::to_string(change) +
                                    (rows ? "-rows" : "") + "-600dpi").c_str());
                ExpectTheBarcodeOverNoWord(ExpectReadableLabels().last(), change == AsPlaced && !rows);
            }
        }
    }
}

TEST_F(LabelFormTest, ShownAdditionsPrintAtSevenPointsOrMoreUnderTheNameOnEverySheet)
{
    AddOfficeRecords();
    const QString dic = AppFolder + "Dic/";
    const auto phone = [&](const char *number) { return Sjis::decode(ToFullWidth(HyphenatePhone(number, dic))); };
    // The four rows as the additions dialog shows them: the telephone, fax, reversed telephone and date rows,
    // then the mobile number, the mail address, a keyword and a free text; what each prints for an office
    // record. A mail address longer than the label's line is cut at the frame's end: its heading is looked for.
    struct TRows {
        std::array<uint8_t, 4> Items;
        QStringList Printed;
    };
    const TRows rowSets[] = {
        {{3, 4, 1, 2},
         {QStringLiteral("ＴＥＬ") + phone("0312345678"), QStringLiteral("ＦＡＸ") + phone("0312345679"),
          QStringLiteral("8765432130"), QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))}},
        {{5, 9, 11, 0},
         {QStringLiteral("携帯") + phone("09012345678"), QStringLiteral("E-Mail"),
          KeywordNames[0] + QStringLiteral("得意先"), QStringLiteral("親展")}},
    };
    for (const int i : ShippedSheets()) {
        const TPaperFormat &paper = master.Formats[size_t(i)];
        for (const TRows &rows : rowSets) {
            SCOPED_TRACE(Sjis::decode(paper.Name).toStdString() + " items " + std::to_string(rows.Items[0]));
            ASSERT_TRUE(ReopenOnSheet(i));
            for (int row = 0; row < 4; ++row)
                ShowItem(row, rows.Items[size_t(row)], rows.Items[size_t(row)] == 0 ? QStringLiteral("親展") : QString());
            form->RecordNumbers = recNos;
            ASSERT_EQ(PrintLayout(form->MakePrintJob(false), form->Family().Caption, pdf, nullptr),
                      TPrintOutcome::Printed);
            if (qEnvironmentVariableIsSet("VELMORA_SAMPLE_DIR"))
                keepPageSample(pdf, 1,
                               ("additions-" + std::to_string(i) + "-" + std::to_string(rows.Items[0]) + "-600dpi")
                                   .c_str());
            // Every record whole: nothing under 7 points, the name the largest, no two words over each other.
            const QList<QList<TPdfWord>> labels = ExpectReadableLabels();
            // The last record, a company one, as laid out: the barcode between its address and name (shown, its
            // bars not drawn without the barcode library) stands over the name's lines and, where the label holds
            // the record, under the address's; on the lowest label it may give way to the block.
            const auto &barcode = static_cast<const TBarcodeRect &>(*form->CombinedObjects[CombinedBarcodeIndex]);
            const TRect lentName = static_cast<const TMetaRect &>(*form->CombinedObjects[2]).LaidOutRect();
            const TRect lentAddress = static_cast<const TMetaRect &>(*form->CombinedObjects[1]).LaidOutRect();
            if (barcode.Visible && !barcode.GivesWay()) {
                EXPECT_LE(barcode.LaidOutRect().Bottom, lentName.Top);
            }
            if (barcode.Visible && paper.Height >= 400 && lentName.Top < form->CombinedObjects[2]->GetRect().Top) {
                EXPECT_GE(barcode.LaidOutRect().Top, lentAddress.Bottom);
            }
            ExpectTheBarcodeOverNoWord(labels.last(), paper.Height >= 400);
            // Every record's rows, whole after their headings where the line holds them. A label 50 mm tall or
            // more prints them all; on a lower one a block that would otherwise go under 7 points takes the room
            // of the rows from the lowest up, the ones the user put first kept and moved down to the label's foot.
            const double rowsTop = form->RecordItemRect(0).Top * 0.75;
            const double lastRowTop = form->RecordItemRect(3).Top * 0.75;
            for (qsizetype place = 3; place < labels.size(); ++place) {
                SCOPED_TRACE(names[place].toStdString());
                QString text;
                double foot = 0;
                for (const TPdfWord &w : labels[place])
                    if (w.Box.center().y() > rowsTop) {
                        text += w.Text;
                        foot = std::max(foot, w.Box.bottom());
                    }
                qsizetype shown = 0;
                while (shown < rows.Printed.size() && text.contains(rows.Printed[shown]))
                    ++shown;
                for (qsizetype row = shown; row < rows.Printed.size(); ++row) {
                    EXPECT_FALSE(text.contains(rows.Printed[row]))
                        << rows.Printed[row].toStdString() << " after a row given way";
                }
                if (paper.Height >= 500) {
                    EXPECT_EQ(shown, rows.Printed.size()) << text.toStdString();
                } else {
                    EXPECT_GE(shown, 1) << text.toStdString();
                }
                EXPECT_GT(foot, lastRowTop) << text.toStdString();
                if (rows.Items[1] == 9 && shown >= 2) {
                    EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("E-Mail[a-z.@-]{10}"))))
                        << text.toStdString();
                }
            }
        }
    }
}

TEST_F(LabelFormTest, EveryPartAUserTicksInTheSplitLayoutPrintsReadablyAndShowsOnTheCardOnEverySheet)
{
    AddOfficeRecords();
    // A company name of 25 characters, as long as an office keeps one, with a building of 13.
    const QString longest = QStringLiteral("株式会社みなとみらいグローバルロジスティクス東日本");
    ASSERT_EQ(longest.size(), 25);
    const QString building = QStringLiteral("みなとみらいセンタービル８階");
    recNos.push_back(AddCompanyRecord(longest, building, "0452201234"));
    names.append(QStringLiteral("佐藤一郎"));
    junctions.append(QStringLiteral("１") + building.left(1));
    // The first record, a person's, prints a joint name under its own, both as large as each other.
    TTable &table = *book.Module->AdrsTable;
    table.SetIndexName(QString());
    ASSERT_TRUE(table.FindKey({recNos[0]}));
    table.Edit();
    table.FieldByName(QStringLiteral("PrivCorp")).SetAsBoolean(true);
    table.FieldByName(QStringLiteral("Joint1")).SetAsString(WideToEscapedAnsi(QStringLiteral("山田　花子")));
    table.FieldByName(QStringLiteral("JointPrint1")).SetAsBoolean(true);
    table.Post();
    names[0] += QStringLiteral("花子");
    // The company records by their place on the sheet: company, departments and title as printed.
    struct TCompany {
        int Place;
        QString Company;
        QStringList Departments;
        QString Post;
    };
    const TCompany companies[] = {
        {4, QStringLiteral("株式会社アオバ・トレーディング・ジャパン"), {QStringLiteral("海外事業本部"), QStringLiteral("第二営業部")},
         QStringLiteral("部長")},
        {5, QStringLiteral("みなと精密機械工業株式会社東京支店"), {QStringLiteral("営業統括本部"), QStringLiteral("法人営業部")},
         QStringLiteral("営業企画担当課長代理")},
        {6, QStringLiteral("株式会社北斗エンジニアリングサービス"),
         {QStringLiteral("技術本部"), QStringLiteral("システム開発第三部")}, QStringLiteral("課長")},
        {7, longest, {QStringLiteral("営業本部"), QStringLiteral("第二営業部")}, QStringLiteral("部長")},
    };
    // 書式 → フォント・配置の詳細設定, the automatic layout unticked: every part kept, then the title and the
    // department left out as an office leaves them out of its address labels.
    for (const int i : ShippedSheets()) {
        for (const bool all : {true, false}) {
            const TPaperFormat &paper = master.Formats[size_t(i)];
            SCOPED_TRACE(Sjis::decode(paper.Name).toStdString() + (all ? " every part" : " without title and department"));
            ASSERT_TRUE(ReopenOnSheet(i));
            boxes.clear();
            ASSERT_NO_FATAL_FAILURE(ChooseSplitLayout([all](TLayoutDetailDialog &dialog) {
                for (const char *part : {"ckbPost", "ckbDptmnt"})
                    dialog.findChild<QCheckBox *>(QLatin1String(part))->setChecked(all);
            }));
            // The shipped sheets have room for every part: nothing to be told.
            EXPECT_TRUE(boxes.shown().empty());
            form->RecordNumbers = recNos;
            ASSERT_EQ(PrintLayout(form->MakePrintJob(false), form->Family().Caption, pdf, nullptr),
                      TPrintOutcome::Printed);
            if (qEnvironmentVariableIsSet("VELMORA_SAMPLE_DIR"))
                keepPageSample(pdf, 1,
                               ("split-" + std::to_string(i) + (all ? "-all" : "-some") + "-600dpi").c_str());
            // Every record whole: nothing under 7 points, the name the largest, nothing over another or outside
            // its label; each company's ticked parts printed, the others not.
            const QList<QList<TPdfWord>> labels = ExpectReadableLabels();
            ASSERT_EQ(labels.size(), names.size());
            QString joint;
            for (const TPdfWord &w : labels[0])
                joint += w.Text;
            // A name spread over its line comes out a character a word, its lines' words interleaved.
            EXPECT_TRUE(joint.contains(u'花') && joint.contains(u'子')) << joint.toStdString();
            for (const TCompany &company : companies) {
                SCOPED_TRACE(company.Company.toStdString());
                QString text;
                for (const TPdfWord &w : labels[company.Place])
                    text += w.Text;
                text.remove(u'　');
                EXPECT_TRUE(text.contains(company.Company)) << text.toStdString();
                for (const QString &department : company.Departments)
                    EXPECT_EQ(text.contains(department), all) << text.toStdString();
                EXPECT_EQ(text.contains(company.Post), all) << text.toStdString();
                EXPECT_TRUE(text.contains(QStringLiteral("１００-０００５"))) << text.toStdString();
                EXPECT_TRUE(text.contains(QStringLiteral("千代田区丸の内")) || text.contains(QStringLiteral("港区芝浦")) ||
                            text.contains(QStringLiteral("みなとみらい")))
                    << text.toStdString();
            }
            if (!all)
                continue;
            // The card of the last company record as it prints: each part drawn where it is framed, its lent
            // place, which the print's own binding of the record lays out again the same.
            ASSERT_NO_FATAL_FAILURE(ShowAtFullSize(recNos.back()));
            QTRY_VERIFY_WITH_TIMEOUT(static_cast<TCorpRect &>(*form->SplitObjects[4]).Text() == longest, 10000);
            std::vector<TRect> shown;
            for (int part = 0; part < 8; ++part)
                shown.push_back(static_cast<TMetaRect &>(*form->SplitObjects[size_t(part)]).LaidOutRect());
            const QImage card = form->pnlCard->grab().toImage();
            if (qEnvironmentVariableIsSet("VELMORA_SAMPLE_DIR"))
                keepSample(card, ("split-card-" + std::to_string(i)).c_str());
            ASSERT_TRUE(form->MakePrintJob(false).BindRecord(recNos.back()));
            for (int part = 0; part < 8; ++part) {
                SCOPED_TRACE(part);
                const auto &object = static_cast<TMetaRect &>(*form->SplitObjects[size_t(part)]);
                EXPECT_EQ(shown[size_t(part)], object.LaidOutRect());
                const TRect r = object.GetDispRect();
                EXPECT_EQ(r, object.LaidOutRect());
                EXPECT_FALSE(inkBox(card, QRect(r.Left + 2, r.Top + 2, r.Width() - 4, r.Height() - 4)).isEmpty());
            }
        }
    }
}

TEST_F(LabelFormTest, ALabelTooLowForEveryTickedPartAtSevenPointsIsToldWhenTheSplitLayoutIsChosen)
{
    // A user's small address label, 60 x 18 mm.
    ASSERT_NO_FATAL_FAILURE(SaveUserLabel(3, QSize(600, 180), QStringLiteral("小型ラベル"),
                                          {TFormatCategory{2100, 2970, 3, 15, 0, 0, 0, 0}}));
    ASSERT_TRUE(OpenOnPaper(false, -3));

    // Every part ticked: eight lines at 7 points do not go on 18 mm, which is said before anything is printed.
    ASSERT_NO_FATAL_FAILURE(ChooseSplitLayout([](TLayoutDetailDialog &) {}));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.texts().first().contains(QStringLiteral("読める大きさ"))) << boxes.texts().first().toStdString();
    // The first address line, the company and the name alone go on it: nothing to be told.
    boxes.clear();
    ASSERT_NO_FATAL_FAILURE(ChooseSplitLayout([](TLayoutDetailDialog &dialog) {
        for (const char *part : {"ckbPos", "ckbAddress2", "ckbAddress3", "ckbDptmnt", "ckbPost"})
            dialog.findChild<QCheckBox *>(QLatin1String(part))->setChecked(false);
    }));
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(LabelFormTest, EveryTickedAdditionPrintsReadablyOnEveryLabelOfEverySheetInEitherLayoutUnlessTold)
{
    AddOfficeRecords();
    // A company name of 25 characters, as long as an office keeps one: on the lowest label its line is longer
    // than the name's place at the name's size.
    const QString building = QStringLiteral("みなとみらいセンタービル８階");
    recNos.push_back(AddCompanyRecord(QStringLiteral("株式会社みなとみらいグローバルロジスティクス東日本"), building,
                                      "0452201234"));
    names.append(QStringLiteral("佐藤一郎"));
    junctions.append(QStringLiteral("１") + building.left(1));
    // Every record with a telephone number (kept as its digits, printed hyphenated), a home page and a mail
    // address.
    TTable &table = *book.Module->AdrsTable;
    table.SetIndexName(QString());
    for (size_t i = 0; i < recNos.size(); ++i) {
        ASSERT_TRUE(table.FindKey({recNos[i]}));
        table.Edit();
        if (i < 3 || i + 1 == recNos.size()) {
            if (i < 3)
                table.FieldByName(QStringLiteral("Tel")).SetAsString("033291120" + QByteArray::number(int(i)));
            table.FieldByName(QStringLiteral("EMail1"))
                .SetAsString("family" + QByteArray::number(int(i)) + "@example.ne.jp");
        }
        table.FieldByName(QStringLiteral("URL")).SetAsString("https://www.aoba-comm.co.jp/");
        table.Post();
    }
    // A card prints its sender's contact lines: the telephone number as an office types it, its home page and
    // mail address.
    TSenderRecord sender = NewSenderRecord(1, Sjis::encode(QStringLiteral("本社")));
    sender.Head = {"TEL", "URL", "E-Mail", {}};
    sender.Addition = {"03-1234-5678", "https://www.aoba-comm.co.jp/", "info@aoba-comm.co.jp", {}};
    test::registerSender(sender);
    const QString dic = AppFolder + "Dic/";
    // What a row prints after its heading, pdftotext's words joined: a telephone number hyphenated in full
    // width; a home page and the start of a mail address (a long one is cut with a "…" at the frame's end) as
    // typed.
    const auto printed = [&](int32_t recNo, uint8_t item) {
        const QString office = QStringLiteral("ＴＥＬ") + Sjis::decode(ToFullWidth(HyphenatePhone("03-1234-5678", dic)));
        if (item >= 19)
            return QStringList{office, QStringLiteral("URLhttps://www.aoba-comm.co.jp/"),
                               QStringLiteral("E-Mailinfo@aoba-comm.co.jp")}[item - 19];
        EXPECT_TRUE(table.FindKey({recNo}));
        const QByteArray tel = table.FieldByName(QStringLiteral("Tel")).AsString();
        if (item == 3)
            return QStringLiteral("ＴＥＬ") + Sjis::decode(ToFullWidth(HyphenatePhone(tel, dic)));
        if (item == 7)
            return QStringLiteral("URLhttps://www.aoba-comm.co.jp/");
        const QByteArray mail = table.FieldByName(QStringLiteral("EMail1")).AsString();
        return QStringLiteral("E-Mail") + QString::fromLatin1(mail.left(12));
    };
    // The split layout with every part (company contacts: company, two departments, title and name) and the
    // automatic one; the telephone number alone, then a home page and a mail address (on a card the sender's).
    const std::vector<std::vector<uint8_t>> itemSets{{3}, {7, 9}};
    for (const int i : ShippedSheets()) {
        for (const bool split : {true, false}) {
            for (const std::vector<uint8_t> &items : itemSets) {
                const TPaperFormat &paper = master.Formats[size_t(i)];
                SCOPED_TRACE(Sjis::decode(paper.Name).toStdString() + (split ? " split" : " automatic") + " item " +
                             std::to_string(items[0]));
                ASSERT_TRUE(ReopenOnSheet(i));
                boxes.clear();
                if (split) {
                    ASSERT_NO_FATAL_FAILURE(ChooseSplitLayout([](TLayoutDetailDialog &) {}));
                }
                EXPECT_FALSE(Warned());
                const std::vector<uint8_t> card = items.size() == 1 ? std::vector<uint8_t>{19} : std::vector<uint8_t>{20, 21};
                const std::vector<uint8_t> ticked = paper.Kind == 3 ? card : items;
                ASSERT_NO_FATAL_FAILURE(TickAdditions(ticked));
                const bool warned = Warned();
                // The telephone number goes on every shipped label, under every part.
                if (items.size() == 1) {
                    EXPECT_FALSE(warned);
                }
                form->RecordNumbers = recNos;
                ASSERT_EQ(PrintLayout(form->MakePrintJob(false), form->Family().Caption, pdf, nullptr),
                          TPrintOutcome::Printed);
                if (qEnvironmentVariableIsSet("VELMORA_SAMPLE_DIR"))
                    keepPageSample(pdf, 1, ("ticked-" + std::to_string(i) + (split ? "-split-" : "-auto-")
                                            + std::to_string(items[0]) + "-600dpi").c_str());
                if (warned)
                    continue;
                // Not told: every record whole, nothing under 7 points, the name the largest, and each ticked row
                // on every label.
                const QList<QList<TPdfWord>> labels = ExpectReadableLabels();
                ASSERT_EQ(labels.size(), qsizetype(recNos.size()));
                for (qsizetype place = 0; place < labels.size(); ++place) {
                    SCOPED_TRACE(names[place].toStdString());
                    QString text;
                    for (const TPdfWord &w : labels[place])
                        text += w.Text;
                    for (const uint8_t item : ticked) {
                        EXPECT_TRUE(text.contains(printed(recNos[size_t(place)], item))) << text.toStdString();
                    }
                }
            }
        }
    }
}

TEST_F(LabelFormTest, ThePartsAdditionsOrPaperALabelCannotHoldReadablyAreToldWhenChosenAndNothingElse)
{
    AddOfficeRecords();
    // A user's address label of 60 x 25 mm in the split layout, its small scale setting the postal code's own
    // size under 7 points. The department and the title unticked, an office's company contacts, their long
    // company names and their buildings each on a line of their own, go on it at 7 points: nothing to be told,
    // and so it prints. With every part ticked they do not: told, and so it prints.
    ASSERT_NO_FATAL_FAILURE(SaveUserLabel(3, QSize(600, 250), QStringLiteral("宛名ラベル"),
                                          {TFormatCategory{2100, 2970, 3, 11, 0, 0, 0, 0}}));
    ASSERT_TRUE(OpenOnPaper(false, -3));
    for (const bool all : {false, true}) {
        SCOPED_TRACE(all ? "every part" : "without department and title");
        boxes.clear();
        ASSERT_NO_FATAL_FAILURE(ChooseSplitLayout([all](TLayoutDetailDialog &dialog) {
            for (const char *part : {"ckbDptmnt", "ckbPost"})
                dialog.findChild<QCheckBox *>(QLatin1String(part))->setChecked(all);
        }));
        EXPECT_EQ(Warned(), all);
        form->RecordNumbers = {recNos[4], recNos[5], recNos[6]};
        ASSERT_EQ(PrintLayout(form->MakePrintJob(false), form->Family().Caption, pdf, nullptr), TPrintOutcome::Printed);
        if (qEnvironmentVariableIsSet("VELMORA_SAMPLE_DIR"))
            keepPageSample(pdf, 1, all ? "small-label-all-600dpi" : "small-label-some-600dpi");
        QString text;
        double smallest = 1000;
        for (const TPdfWord &w : pageWords(pdf, 1)) {
            text += w.Text;
            smallest = std::min(smallest, w.Box.height());
        }
        text.remove(u'　');
        const bool whole = smallest >= 7.0 && text.contains(QStringLiteral("〒１００-０００５")) &&
                           text.contains(QStringLiteral("株式会社アオバ・トレーディング・ジャパン")) &&
                           text.contains(QStringLiteral("みなと精密機械工業株式会社東京支店")) &&
                           text.contains(QStringLiteral("株式会社北斗エンジニアリングサービス")) &&
                           text.contains(QStringLiteral("横浜ランドマークタワー３７階"));
        EXPECT_EQ(whole, !all) << smallest << " pt: " << text.toStdString();
    }

    // "A4 24面 66×33.9mm", every part of the split layout: the telephone number goes under them, a second row
    // does not; told when it is ticked, not when it is unticked again.
    int low = -1, tall = -1;
    for (const int i : ShippedSheets()) {
        const QString name = Sjis::decode(master.Formats[size_t(i)].Name);
        if (name.contains(QStringLiteral("24面")))
            low = i;
        else if (name.contains(QStringLiteral("10面 86.4")))
            tall = i;
    }
    ASSERT_GE(low, 0);
    ASSERT_GE(tall, 0);
    ASSERT_TRUE(ReopenOnSheet(low));
    list->SelectItem(0, true, false);
    ASSERT_NO_FATAL_FAILURE(ChooseSplitLayout([](TLayoutDetailDialog &) {}));
    EXPECT_FALSE(Warned());
    ASSERT_NO_FATAL_FAILURE(TickAdditions({3}));
    EXPECT_FALSE(Warned());
    // 表示情報の書式の設定 tells it again while the second row is ticked, and only then.
    const auto takeDataForm = [&] {
        bool answered = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<TDataFormDialog *>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            answered = true;
            dialog->findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
        });
        form->UpdateActions();
        form->actDataForm->trigger();
        EXPECT_TRUE(answered);
    };
    ASSERT_NO_FATAL_FAILURE(TickAdditions({3, 9}));
    EXPECT_TRUE(Warned());
    takeDataForm();
    EXPECT_TRUE(Warned());
    ASSERT_NO_FATAL_FAILURE(TickAdditions({3}));
    EXPECT_FALSE(Warned());
    takeDataForm();
    EXPECT_FALSE(Warned());
    // The card still shows the list's record, not the one the check laid out.
    EXPECT_EQ(static_cast<TNameRect &>(*form->SplitObjects[7]).Name(), QStringLiteral("山田 太郎"));

    // The automatic layout with all four rows on a 10面 label holds them; the paper changed to the low label
    // does not, which is told with the change.
    ASSERT_TRUE(ReopenOnSheet(tall));
    ASSERT_NO_FATAL_FAILURE(TickAdditions({3, 4, 5, 9}));
    EXPECT_FALSE(Warned());
    ChangePaper(low);
    EXPECT_EQ(form->FormatNumber, low);
    EXPECT_TRUE(Warned());
    // Two rows fewer, and it holds them.
    ASSERT_NO_FATAL_FAILURE(TickAdditions({3}));
    EXPECT_FALSE(Warned());
}

TEST_F(LabelFormTest, TheCardShowsTheLentNameAsItPrintsAfterEveryEditAndAClickOnItSelectsIt)
{
    const int32_t company = AddCompanyRecord();
    ASSERT_TRUE(OpenOnSheet(false, 2, 6));
    // The telephone, fax, reversed telephone and date rows across the foot, under the name.
    ShowItem(0, 3);
    ShowItem(1, 4);
    ShowItem(2, 1);
    ShowItem(3, 2);
    ASSERT_NO_FATAL_FAILURE(ShowAtFullSize(company));
    auto &name = static_cast<TNameRect &>(*form->CombinedObjects[2]);
    auto &address = static_cast<TAddressRect &>(*form->CombinedObjects[1]);
    ASSERT_EQ(name.Name(), QStringLiteral("佐藤 一郎"));

    QWidget *card = form->pnlCard;
    const auto click = [card](QPoint at, Qt::KeyboardModifiers keys = {}) {
        QTest::mouseMove(card, at);
        QTest::mouseClick(card, Qt::LeftButton, keys, at);
    };
    const auto drag = [card](QPoint from, QPoint to) {
        QTest::mouseMove(card, from);
        QTest::mousePress(card, Qt::LeftButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, QPointF(to), card->mapToGlobal(QPointF(to)), Qt::NoButton, Qt::LeftButton,
                         {});
        QApplication::sendEvent(card, &move);
        QTest::mouseRelease(card, Qt::LeftButton, {}, to);
    };
    const auto centre = [](const TRect &r) { return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2); };
    // What the card draws after the edit (the texts laid out where they are drawn, each framed where it is
    // drawn) against what the print's own binding of the record lays out; the objects' stored rectangles stay.
    const auto expectShownAsPrinted = [&](const char *edit) {
        SCOPED_TRACE(edit);
        const TRect nameShown = name.LaidOutRect(), addressShown = address.LaidOutRect();
        const TRect nameFrame = name.GetDispRect(), addressFrame = address.GetDispRect();
        const TRect nameOwn = name.GetRect(), addressOwn = address.GetRect();
        ASSERT_TRUE(form->MakePrintJob(false).BindRecord(company));
        EXPECT_EQ(nameShown, name.LaidOutRect());
        EXPECT_EQ(addressShown, address.LaidOutRect());
        EXPECT_EQ(nameFrame, name.LaidOutRect());
        EXPECT_EQ(addressFrame, address.LaidOutRect());
        EXPECT_EQ(nameOwn, name.GetRect());
        EXPECT_EQ(addressOwn, address.GetRect());
    };
    expectShownAsPrinted("bound");

    // The name selected by a click and lowered ten units with Shift and the arrow key, over the rows: it is lent
    // the address's lower part.
    click(centre(name.GetDispRect()));
    ASSERT_EQ(form->FocusedObject(), &name);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::ShiftModifier);
    QApplication::sendEvent(card, &down);
    expectShownAsPrinted("name lowered");
    ASSERT_LT(name.LaidOutRect().Top, name.GetRect().Top);
    ASSERT_LT(address.LaidOutRect().Bottom, address.GetRect().Bottom);

    // The address selected by a click on it and nudged right with the arrow key.
    click(centre(address.GetDispRect()));
    ASSERT_EQ(form->FocusedObject(), &address);
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(card, &right);
    expectShownAsPrinted("address nudged");

    // A click on the lent block above the name's own place selects the name, not the address under it.
    const QPoint lent((name.GetRect().Left + name.GetRect().Right) / 2,
                      (name.LaidOutRect().Top + name.GetRect().Top) / 2);
    ASSERT_LT(lent.y(), name.GetRect().Top);
    click(lent);
    EXPECT_EQ(form->FocusedObject(), &name);
    keepSample(form->grab().toImage(), "label-window-lent-name-clicked");

    // The name moved down by the mouse, then made taller at the top handle of its frame: the own rectangle
    // takes the drag, never the lent room.
    TRect before = name.GetRect();
    drag(centre(name.GetDispRect()), centre(name.GetDispRect()) + QPoint(0, 3));
    EXPECT_EQ(name.GetRect(), (TRect{before.Left, before.Top + 3, before.Right, before.Bottom + 3}));
    expectShownAsPrinted("name moved");
    before = name.GetRect();
    const TRect frame = name.GetDispRect();
    const QPoint handle((frame.Left + frame.Right) / 2, frame.Top);
    QTest::mouseMove(card, handle);
    ASSERT_EQ(card->cursor().shape(), Qt::SizeVerCursor);
    drag(handle, handle - QPoint(0, 4));
    EXPECT_EQ(name.GetRect(), (TRect{before.Left, before.Top - 4, before.Right, before.Bottom}));
    expectShownAsPrinted("name made taller");
    form->UpdateActions();
    form->actUndo->trigger();
    EXPECT_EQ(name.GetRect(), before);
    expectShownAsPrinted("undone");

    // Both selected, the address focused last: the name takes the address's width.
    click(centre(name.GetDispRect()));
    click(centre(address.GetDispRect()), Qt::ControlModifier);
    ASSERT_EQ(form->SelectedList.size(), 2u);
    ASSERT_EQ(form->FocusedObject(), &address);
    form->UpdateActions();
    form->actRectWidth->trigger();
    EXPECT_EQ(name.GetRect().Width(), address.GetRect().Width());
    expectShownAsPrinted("widths made equal");

    // Chosen in the object list, as a screen reader chooses it, the name is framed where it is drawn.
    const int item = form->cbxViewRect->findText(QStringLiteral("名前"));
    ASSERT_GT(item, 0);
    form->cbxViewRect->setCurrentIndex(item);
    emit form->cbxViewRect->activated(item);
    EXPECT_EQ(form->FocusedObject(), &name);
    EXPECT_EQ(name.GetDispRect(), name.LaidOutRect());
    keepSample(form->grab().toImage(), "label-window-lent-name-chosen");
}

TEST_F(LabelFormTest, ThePreviewLendsTheNameTheRoomThePrintLendsIt)
{
    const int32_t company = AddCompanyRecord();
    ASSERT_TRUE(OpenOnSheet(false, 2, 6));
    ASSERT_NO_FATAL_FAILURE(ShowAtFullSize(company));
    // The name chosen in the object list and lowered twenty units towards the label's foot: the room it needs
    // under it ends at the foot, the rest is the address's lower part.
    const int item = form->cbxViewRect->findText(QStringLiteral("名前"));
    ASSERT_GT(item, 0);
    form->cbxViewRect->setCurrentIndex(item);
    emit form->cbxViewRect->activated(item);
    auto &name = static_cast<TNameRect &>(*form->CombinedObjects[2]);
    ASSERT_EQ(form->FocusedObject(), &name);
    for (int i = 0; i < 2; ++i) {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::ShiftModifier);
        QApplication::sendEvent(form->pnlCard, &down);
    }
    ASSERT_TRUE(form->MakePrintJob(false).BindRecord(company));
    const TRect printed = name.LaidOutRect();
    ASSERT_LE(printed.Bottom, form->PaperHeight);
    ASSERT_LT(printed.Top, name.GetRect().Top);

    // The preview of the record shown: the wizard's first page, then its preview.
    bool previewed = false;
    QTimer::singleShot(0, [&] {
        auto *wizard = qobject_cast<TLayoutPrintDialog *>(QApplication::activeModalWidget());
        ASSERT_TRUE(wizard);
        wizard->findChild<QRadioButton *>(QStringLiteral("rbViewData"))->click();
        wizard->findChild<QPushButton *>(QStringLiteral("btnNext"))->click();
        previewed = true;
        wizard->findChild<QPushButton *>(QStringLiteral("btnPreview2"))->click();
    });
    form->UpdateActions();
    form->actPrint->trigger();
    ASSERT_TRUE(previewed);
    ASSERT_TRUE(form->InPreview());
    // Not lent the sheet's room under the label: the next label's.
    EXPECT_EQ(name.LaidOutRect(), printed);
    keepSample(form->grab().toImage(), "label-window-preview-lent-name");
    // Gone with the form should the wizard not open again to take it.
    QTimer::singleShot(0, form.data(), [] {
        if (auto *wizard = qobject_cast<TLayoutPrintDialog *>(QApplication::activeModalWidget()))
            wizard->reject();
    });
    form->tbtnPreviewCloseClick();
}

TEST_F(LabelFormTest, NoToTheSaveQuestionDiscardsTheSheetWithoutAskingAgain)
{
    for (const bool cardMode : {false, true}) {
        SCOPED_TRACE(cardMode ? "card" : "label");
        ASSERT_TRUE(OpenOnSheet(cardMode, 2, 5));
        const QString caption = form->Family().Caption;
        form->Modified = 1;
        boxes.clear();
        // A second question, unanswered here, would take its default No and keep the sheet.
        boxes.answer(IDNO);
        EXPECT_TRUE(form->close());
        EXPECT_EQ(boxes.texts(), QStringList{caption + QStringLiteral("のレイアウトの変更を保存しますか？  ")});
        EXPECT_EQ(LabelForm, nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(form.isNull());
    }
}

TEST_F(LabelFormTest, ThePaperChangeOffersTheModesSheetsAndPutsHiddenAdditionsOnTheNewLabel)
{
    ASSERT_TRUE(OpenOnSheet(false, 2, 5));
    const int before = form->FormatNumber;
    int other = -1;
    for (size_t i = 0; i < master.Formats.size() && other < 0; ++i)
        if (master.Formats[i].Kind == 2 && int(i) != before && master.Formats[i].Height != form->PaperFormat.Height)
            other = int(i);
    ASSERT_GE(other, 0);
    QStringList listed;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<TLabelPaperDialog *>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("用紙の変更"));
        for (int row = 0; row < dialog->lbPaper->count(); ++row)
            listed << dialog->lbPaper->item(row)->text();
        // The label's own sheet is the one chosen when the list opens.
        EXPECT_EQ(dialog->lbPaper->currentItem()->data(Qt::UserRole).toInt(), before);
        dialog->SelectFormatByNumber(other);
        keepSample(dialog->grab().toImage(), "label-paper-change");
        dialog->findChild<QPushButton *>("btnOK")->click();
    });
    form->UpdateActions();
    ASSERT_TRUE(form->actFormat->isEnabled());
    form->actFormat->trigger();
    ASSERT_FALSE(listed.isEmpty());
    for (const TPaperFormat &paper : master.Formats)
        if (paper.Kind != 2) {
            EXPECT_FALSE(listed.contains(Sjis::decode(paper.Name))) << Sjis::decode(paper.Name).toStdString();
        }
    EXPECT_EQ(form->FormatNumber, other);
    EXPECT_EQ(form->PaperFormat.Kind, 2);
    EXPECT_EQ(form->PaperFormat.Height, master.Formats[size_t(other)].Height);
    EXPECT_EQ(form->SheetFormat, master.SheetOf(master.Formats[size_t(other)]));
    // Still the record's label, and an addition shown later lands on this label, not where the last one was.
    EXPECT_EQ(static_cast<TNameRect &>(*form->CombinedObjects[2]).Name(), QStringLiteral("山田 太郎"));
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(form->Layout.RecordItem(row).GetRect(), form->RecordItemRect(row)) << row;
    EXPECT_TRUE(form->Modified);

    // From the widest label to each other label sheet, whose paper may take only smaller bars: the barcode keeps
    // the corner the new paper gives it and prints wholly on the label, short of the next one. Moved past the
    // label's edge, it is left off rather than printed over the next label.
    int widest = before;
    for (const int i : ShippedSheets())
        if (master.Formats[size_t(i)].Kind == 2 && master.Formats[size_t(i)].Width > master.Formats[size_t(widest)].Width)
            widest = i;
    for (const int i : ShippedSheets()) {
        if (master.Formats[size_t(i)].Kind != 2 || i == widest)
            continue;
        SCOPED_TRACE(Sjis::decode(master.Formats[size_t(i)].Name).toStdString());
        ASSERT_TRUE(ReopenOnSheet(widest));
        ChangePaper(i);
        ASSERT_EQ(form->FormatNumber, i);
        form->RecordNumbers = {recNos[0]};
        ASSERT_EQ(PrintLayout(form->MakePrintJob(false), form->Family().Caption, pdf, nullptr), TPrintOutcome::Printed);
        ExpectTheBarcodeOverNoWord(pageWords(pdf, 1), false);
    }
    ASSERT_TRUE(ReopenOnSheet(widest));
    auto &barcode = *form->CombinedObjects[CombinedBarcodeIndex];
    const TRect placed = barcode.GetRect();
    barcode.SetRect({form->PaperWidth - 40, placed.Top, form->PaperWidth - 40 + placed.Width(), placed.Bottom});
    form->RecordNumbers = {recNos[0]};
    ASSERT_EQ(PrintLayout(form->MakePrintJob(false), form->Family().Caption, pdf, nullptr), TPrintOutcome::Printed);
    ExpectTheBarcodeOverNoWord(pageWords(pdf, 1), false);
    EXPECT_TRUE(static_cast<const TBarcodeRect &>(barcode).GivesWay());
}

TEST_F(LabelFormTest, TheStepCommandsAndRecordEditingAreEnabledOnALabelAndStepThroughTheList)
{
    ASSERT_TRUE(OpenOnSheet(false, 2, 5));
    auto &name = static_cast<TNameRect &>(*form->CombinedObjects[2]);
    const auto enabled = [this] {
        form->UpdateActions();
        return std::vector<bool>{form->actFirst->isEnabled(), form->actPrior->isEnabled(), form->actNext->isEnabled(),
                                 form->actLast->isEnabled(), form->actEditData->isEnabled()};
    };
    EXPECT_EQ(enabled(), (std::vector<bool>{false, false, true, true, true}));
    form->actNext->trigger();
    EXPECT_EQ(list->GetSelectedIndex(), 1);
    EXPECT_EQ(name.Name(), QStringLiteral("佐藤 花子"));
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, true, true, true}));
    form->actLast->trigger();
    EXPECT_EQ(name.Name(), QStringLiteral("長谷川 健"));
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, false, false, true}));
    form->actPrior->trigger();
    EXPECT_EQ(name.Name(), QStringLiteral("佐藤 花子"));
    form->actFirst->trigger();
    EXPECT_EQ(name.Name(), QStringLiteral("山田 太郎"));
}

TEST_F(LabelFormTest, TheAdditionsDialogShowsTheLabelsItemsAndWritesThemBackAsOneStep)
{
    GiveFirstRecordItems();
    ASSERT_TRUE(OpenOnSheet(false, 2, 5));
    TPrintDocument &layout = form->Layout;
    const auto stacked = [&](int row) { return layout.ZIndexOf(&layout.RecordItem(row)) >= 0; };
    // A new label: the receiver's items offered, every row off.
    RunAdditionDialog([&](TAdditionInfoDialog &dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("追加情報の設定"));
        auto *combo = dialog.findChild<QComboBox *>("cbxAddition4");
        ASSERT_TRUE(combo);
        QStringList entries;
        for (int i = 0; i < combo->count(); ++i)
            entries << combo->itemText(i);
        EXPECT_EQ(entries.mid(0, 5), (QStringList{QStringLiteral("逆順電話番号"), QStringLiteral("日付 (yyyymmdd)"),
                                                  QStringLiteral("TEL"), QStringLiteral("FAX"), QStringLiteral("携帯1")}));
        ASSERT_EQ(entries.size(), 17);
        EXPECT_EQ(entries.last(), KeywordNames[7]);
        for (int row = 0; row < 4; ++row)
            EXPECT_FALSE(dialog.GetAdditionChecked(row));
        dialog.SetAdditionChecked(0, true);
        dialog.SetAdditionItem(0, 3);
        dialog.SetAdditionChecked(1, true);
        dialog.SetAdditionText(1, QStringLiteral("  粗品在中 "));
        dialog.SetAdditionChecked(2, true);
        dialog.SetAdditionItem(2, 1);
        dialog.SetAdditionItem(3, 11);
        keepSample(dialog.grab().toImage(), "label-addition-dialog");
        dialog.findChild<QPushButton *>("btnOK")->click();
    });
    const TAdditionRect &tel = layout.RecordItem(0);
    EXPECT_EQ(tel.Item, 3);
    EXPECT_TRUE(tel.Visible && stacked(0));
    EXPECT_EQ(tel.SubText(), QStringLiteral("ＴＥＬ"));
    EXPECT_EQ(tel.Text(), Sjis::decode(ToFullWidth(HyphenatePhone("0346141502", AppFolder + "Dic/"))));
    EXPECT_EQ(layout.RecordItem(1).Item, 0);
    EXPECT_EQ(layout.RecordItem(1).Text(), QStringLiteral("粗品在中"));
    EXPECT_EQ(layout.RecordItem(2).Text(), QStringLiteral("2051416430"));
    EXPECT_EQ(layout.RecordItem(3).Item, 11);
    EXPECT_FALSE(layout.RecordItem(3).Visible || stacked(3));
    EXPECT_TRUE(form->Modified);

    // One step: undone, the rows are off the paper again; redone, back with their items.
    form->UpdateActions();
    form->actUndo->trigger();
    for (int row = 0; row < 4; ++row)
        EXPECT_FALSE(stacked(row)) << row;
    form->UpdateActions();
    form->actRedo->trigger();
    EXPECT_TRUE(stacked(0) && stacked(1) && stacked(2));
    EXPECT_EQ(layout.RecordItem(1).Text(), QStringLiteral("粗品在中"));

    // The dialog shows what the objects hold; a row turned off leaves the paper.
    RunAdditionDialog([&](TAdditionInfoDialog &dialog) {
        EXPECT_TRUE(dialog.GetAdditionChecked(0));
        EXPECT_EQ(dialog.GetAdditionItem(0), 3);
        EXPECT_EQ(dialog.GetAdditionItem(1), 0);
        EXPECT_EQ(dialog.GetAdditionText(1), QStringLiteral("粗品在中"));
        EXPECT_EQ(dialog.GetAdditionItem(2), 1);
        EXPECT_FALSE(dialog.GetAdditionChecked(3));
        EXPECT_EQ(dialog.GetAdditionItem(3), 11);
        dialog.SetAdditionChecked(2, false);
        dialog.findChild<QPushButton *>("btnOK")->click();
    });
    EXPECT_FALSE(stacked(2));

    // The document keeps them.
    ASSERT_TRUE(form->SaveDocument(form->DocumentPath(QStringLiteral("追加情報"))));
    form->ClearDocument();
    ASSERT_TRUE(form->OpenDocument(LabelFolder + QStringLiteral("追加情報.gpa")));
    EXPECT_TRUE(stacked(0) && stacked(1));
    EXPECT_FALSE(stacked(2) || stacked(3));
    EXPECT_EQ(layout.RecordItem(0).Item, 3);
    EXPECT_EQ(layout.RecordItem(1).Text(), QStringLiteral("粗品在中"));
}

TEST_F(LabelFormTest, ACardOffersTheSendersContactLinesAndAPaperWithoutBarcodeTurnsItOff)
{
    ASSERT_TRUE(OpenOnSheet(true, 2, 5));
    form->NoBarcode = 1;
    RunAdditionDialog([&](TAdditionInfoDialog &dialog) {
        auto *combo = dialog.findChild<QComboBox *>("cbxAddition1");
        ASSERT_TRUE(combo);
        QStringList entries;
        for (int i = 0; i < combo->count(); ++i)
            entries << combo->itemText(i);
        EXPECT_EQ(entries, (QStringList{QStringLiteral("連絡先１"), QStringLiteral("連絡先２"), QStringLiteral("連絡先３"),
                                        QStringLiteral("連絡先４")}));
        auto *barcode = dialog.findChild<QCheckBox *>("ckbBarcode");
        EXPECT_FALSE(barcode->isEnabled());
        EXPECT_FALSE(dialog.GetBarcode());
        dialog.findChild<QPushButton *>("btnCancel")->click();
    });
}

TEST_F(LabelFormTest, PrintedLabelsAndCardsShowTheChosenItemsAfterTheirHeadings)
{
    GiveFirstRecordItems();
    TSenderRecord row = NewSenderRecord(1, Sjis::encode(QStringLiteral("本社")));
    row.Head[0] = "TEL";
    row.Addition[0] = "0312345678";
    test::registerSender(row);

    ASSERT_TRUE(OpenOnSheet(false, 2, 5));
    ShowItem(0, 3);
    ShowItem(1, 9);
    ShowItem(2, 1);
    ShowItem(3, 2);
    form->RefillFixedObjects();
    form->RecordNumbers = {recNos[0]};
    ASSERT_EQ(PrintLayout(form->MakePrintJob(false), form->Family().Caption, pdf, nullptr), TPrintOutcome::Printed);
    QString text = pageText(pdf, 1);
    EXPECT_TRUE(text.contains(QStringLiteral("ＴＥＬ") + Sjis::decode(ToFullWidth(HyphenatePhone("0346141502", AppFolder + "Dic/"))))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("E-Mailyamada@example.jp"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("2051416430"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QDate::currentDate().toString(QStringLiteral("yyyyMMdd")))) << text.toStdString();
    // Each row's ink lies in its line across the first label's foot.
    const QImage page = renderedPage(pdf, 1, 600);
    ASSERT_FALSE(page.isNull());
    keepSample(page, "label-items-600dpi");
    const TSheetLayout places = ComputeSheetLayout(form->PaperFormat, form->SheetFormat, 600, 600);
    for (int r = 0; r < 4; ++r) {
        const TRect item = form->RecordItemRect(r);
        const QRect area = QRect(places.PlaceAt(0) + QPoint(item.Left * 600 / 96, item.Top * 600 / 96),
                                 QSize((item.Right - item.Left) * 600 / 96, (item.Bottom - item.Top) * 600 / 96));
        EXPECT_GT(inkIn(page, area), 50) << r;
    }

    // A card: the sender's contact line, a keyword after its title, a free text and the fax number.
    delete form.data();
    ASSERT_TRUE(OpenOnSheet(true, 2, 5));
    form->SenderRecNo = 1;
    ShowItem(0, 19);
    ShowItem(1, 11);
    ShowItem(2, 0, QStringLiteral("謹呈"));
    ShowItem(3, 4);
    form->RefillFixedObjects();
    form->RecordNumbers = {recNos[0]};
    ASSERT_EQ(PrintLayout(form->MakePrintJob(false), form->Family().Caption, pdf, nullptr), TPrintOutcome::Printed);
    text = pageText(pdf, 1);
    EXPECT_TRUE(text.contains(QStringLiteral("ＴＥＬ０３"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("１２３４"))) << text.toStdString();
    EXPECT_TRUE(text.contains(KeywordNames[0] + QStringLiteral("得意先"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("謹呈"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("ＦＡＸ") + Sjis::decode(ToFullWidth(HyphenatePhone("0346141509", AppFolder + "Dic/"))))) << text.toStdString();
}

TEST_F(LabelFormTest, AWindowClosedBeforeItsFirstShowSettledAsksForNoPaper)
{
    form = new TLabelForm(list.get(), false);
    LabelForm = form.data();
    form->show();
    form->close();
    bool asked = false;
    QTimer::singleShot(0, [&] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            asked = true;
            modal->close();
        }
    });
    QCoreApplication::processEvents();
    EXPECT_FALSE(asked);
}

TEST_F(LabelFormTest, AnOfficesBookPrintsEveryTickedAdditionOnEveryLabelOrNamesItsRecordsBeforeAnythingIsPrinted)
{
    AddOfficeBook();
    // A card prints its sender's contact lines: the telephone number as an office types it, its home page and
    // mail address.
    TSenderRecord sender = NewSenderRecord(1, Sjis::encode(QStringLiteral("本社")));
    sender.Head = {"TEL", "URL", "E-Mail", {}};
    sender.Addition = {"03-1234-5678", "https://www.aoba-comm.co.jp/", "info@aoba-comm.co.jp", {}};
    test::registerSender(sender);
    const std::map<uint8_t, QString> contacts{
        {19, QStringLiteral("ＴＥＬ") + Sjis::decode(ToFullWidth(HyphenatePhone("03-1234-5678", AppFolder + "Dic/")))},
        {20, QStringLiteral("URLhttps://www.aoba-comm.co.jp/")},
        {21, QStringLiteral("E-Mailinfo@aoba-comm.co.jp")}};
    // The records in the order the list shows them, which the wizard prints them in.
    std::vector<int32_t> listed;
    for (int row = 0; row < list->GetRecordCount(); ++row)
        listed.push_back(list->GetRecNoAt(row));
    ASSERT_EQ(listed.size(), officeBook.size());

    // Every shipped label and card sheet, in the automatic layout and in the split one with every part: the
    // telephone number alone (on a card the sender's), then with the mail address and a keyword (on a card the
    // sender's home page and mail address as well). Printed from the wizard, a question answered Yes.
    for (const int i : ShippedSheets()) {
        const TPaperFormat &paper = master.Formats[size_t(i)];
        const std::vector<std::vector<uint8_t>> itemSets =
            paper.Kind == 3 ? std::vector<std::vector<uint8_t>>{{19}, {19, 20, 21}}
                            : std::vector<std::vector<uint8_t>>{{3}, {3, 9, 11}};
        for (const bool split : {false, true}) {
            for (const std::vector<uint8_t> &items : itemSets) {
                SCOPED_TRACE(Sjis::decode(paper.Name).toStdString() + (split ? " split" : " automatic") + " items " +
                             std::to_string(items.size()));
                ASSERT_TRUE(ReopenOnSheet(i));
                list->SelectItem(0, true, false);
                if (split) {
                    ASSERT_NO_FATAL_FAILURE(ChooseSplitLayout([](TLayoutDetailDialog &) {}));
                }
                ASSERT_NO_FATAL_FAILURE(TickAdditions(items));
                boxes.clear();
                QFile::remove(pdf);
                const QStringList asked = PrintThroughTheWizard(IDYES);
                ASSERT_EQ(asked.size(), 1) << asked.join(u'|').toStdString();
                const bool told = asked[0].contains(QStringLiteral("読める大きさで印刷できません"));
                ASSERT_EQ(pdfPages(pdf), (int(listed.size()) + form->SheetFormat.Columns * form->SheetFormat.Rows - 1) /
                                             (form->SheetFormat.Columns * form->SheetFormat.Rows));
                if (qEnvironmentVariableIsSet("VELMORA_SAMPLE_DIR"))
                    keepSample(renderedPage(pdf, 1, 600), ("office-book-" + std::to_string(i) + (split ? "-split-" : "-auto-")
                                                           + std::to_string(items.size()) + "-600dpi").c_str());
                // Each record's label measured: every ticked item it has a text for printed whole after its
                // heading, every word at 7 points or more. The records that are not so, with the items they lack.
                const QList<QList<TPdfWord>> labels = PrintedLabels(int(listed.size()));
                QStringList lacking;
                for (size_t k = 0; k < listed.size(); ++k) {
                    const TBookEntry &entry = officeBook[listed[k]];
                    QString text;
                    bool readable = true;
                    for (const TPdfWord &w : labels[qsizetype(k)]) {
                        text += w.Text;
                        readable = readable && w.Box.height() >= 7.0;
                    }
                    QStringList missing;
                    for (const uint8_t item : items) {
                        const auto printed = item >= 19 ? contacts.find(item) : entry.Printed.find(item);
                        if (printed != (item >= 19 ? contacts.end() : entry.Printed.end()) &&
                            (!text.contains(printed->second) || !readable))
                            missing << AdditionItemText(item);
                    }
                    if (!missing.isEmpty())
                        lacking << QStringLiteral("　%1").arg(entry.Key) + u'：' + missing.join(u'、');
                }
                // The telephone number goes on every label of every shipped sheet: nothing to be told.
                if (items == std::vector<uint8_t>{3}) {
                    EXPECT_FALSE(told) << asked[0].toStdString();
                    EXPECT_TRUE(lacking.isEmpty()) << lacking.join(u'|').toStdString();
                }
                if (!told) {
                    EXPECT_TRUE(lacking.isEmpty()) << lacking.join(u'|').toStdString();
                    continue;
                }
                // Told before the print: how many records and, the first ten by their names, each with the
                // items it cannot hold.
                const QStringList lines = asked[0].split(QStringLiteral("\r\n"));
                EXPECT_TRUE(lines.first().startsWith(QStringLiteral("次の%1件の%2には")
                                                         .arg(lacking.size())
                                                         .arg(paper.Kind == 3 ? QStringLiteral("名刺") : QStringLiteral("ラベル"))))
                    << asked[0].toStdString() << " against " << lacking.join(u'|').toStdString();
                EXPECT_EQ(lines.last(), QStringLiteral("このまま印刷しますか？  "));
                QStringList named;
                for (const QString &line : lines)
                    if (line.contains(u'：'))
                        named << line;
                ASSERT_EQ(named.size(), std::min<qsizetype>(lacking.size(), 10)) << asked[0].toStdString();
                for (qsizetype k = 0; k < named.size(); ++k) {
                    // A company contact's line names its company after the person.
                    const QString key = lacking[k].section(u'：', 0, 0);
                    EXPECT_TRUE(named[k].startsWith(key) || named[k].contains(key.mid(1) + QStringLiteral("）")))
                        << named[k].toStdString() << " against " << lacking[k].toStdString();
                    EXPECT_EQ(named[k].section(u'：', 1).toStdString(), lacking[k].section(u'：', 1).toStdString());
                }
                if (lacking.size() > 10) {
                    EXPECT_TRUE(lines.contains(QStringLiteral("　ほか%1件").arg(lacking.size() - 10)))
                        << asked[0].toStdString();
                }
            }
        }
    }
}

TEST_F(LabelFormTest, ANoToTheQuestionPrintsAndPreviewsNothingAndAYesShowsThePreview)
{
    AddOfficeBook();
    // The mail addresses longer than the label's line, cut at its end, are told.
    ASSERT_NO_FATAL_FAILURE(OpenSmallLabelsWithTheirAdditions());
    auto &name = static_cast<TNameRect &>(*form->CombinedObjects[2]);
    const QString shown = name.Name();
    QFile::remove(pdf);
    QStringList asked = PrintThroughTheWizard(IDNO);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].contains(QStringLiteral("選ばれた追加情報を読める大きさで印刷できません"))) << asked[0].toStdString();
    EXPECT_TRUE(asked[0].contains(QStringLiteral("中村 健太（みなと精密機械工業株式会社東京支店）：E-Mail1")))
        << asked[0].toStdString();
    EXPECT_TRUE(asked[0].endsWith(QStringLiteral("このまま印刷しますか？  ")));
    // Nothing written, not even a file asked for; the card shows the list's record again.
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    EXPECT_EQ(name.Name(), shown);

    // The preview asks the same before it shows the labels: a No shows none, a Yes shows them.
    asked = PrintThroughTheWizard(IDNO, true);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].endsWith(QStringLiteral("このままプレビューを表示しますか？  "))) << asked[0].toStdString();
    EXPECT_FALSE(form->InPreview());
    asked = PrintThroughTheWizard(IDYES, true);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(form->InPreview());
    QTimer::singleShot(0, form.data(), [] {
        if (auto *wizard = qobject_cast<TLayoutPrintDialog *>(QApplication::activeModalWidget()))
            wizard->reject();
    });
    form->tbtnPreviewCloseClick();
    EXPECT_FALSE(form->InPreview());

    // The mail address unticked, every record holds the telephone number: only the print's own question.
    ASSERT_NO_FATAL_FAILURE(TickAdditions({3}));
    asked = PrintThroughTheWizard(IDNO);
    EXPECT_EQ(asked, QStringList{QStringLiteral("ラベルレイアウトを印刷します  \r\nよろしいですか？")});
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

// A book of thousands of labels takes the check before its print a while: its progress shows in a window of the
// wizard, and 中止 there, pressed as a screen reader presses it, stops it: nothing is asked or printed, and the
// wizard stays as after a No. A screen reader's press of the wizard's 印刷 meanwhile starts no second check.
TEST_F(LabelFormTest, TheCheckBeforeAPrintShowsItsProgressAndItsStopAsksAndPrintsNothing)
{
    AddLargeBook(LargeBookRecords);
    ASSERT_NO_FATAL_FAILURE(OpenSmallLabelsWithTheirAdditions());
    auto &name = static_cast<TNameRect &>(*form->CombinedObjects[2]);
    const QString shown = name.Name();
    QFile::remove(pdf);
    boxes.clear();
    // Were the check not stopped, its question would be answered No: nothing is printed either way.
    boxes.answer(IDNO);
    QString text, title, button;
    int maximum = 0, first = -1, pressedAt = -1;
    bool modal = false, pressedPrint = false;
    bool stayed = false;
    const bool stopped = ActDuringTheCheck([&](QProgressDialog &progress) {
        if (first < 0) {
            first = progress.value();
            text = progress.labelText();
            title = progress.windowTitle();
            maximum = progress.maximum();
            modal = progress.windowModality() == Qt::ApplicationModal;
            auto *wizard = qobject_cast<TLayoutPrintDialog *>(progress.parentWidget());
            EXPECT_TRUE(wizard);
            if (wizard)
                pressedPrint = pressOnTheBus(wizard->findChild<QPushButton *>(QStringLiteral("btnPrint")));
            return false;
        }
        // The bar moves on before it is stopped.
        if (progress.value() <= first)
            return false;
        pressedAt = progress.value();
        auto *stop = progress.findChild<QPushButton *>();
        button = stop ? stop->text() : QString();
        return stop && pressOnTheBus(stop);
    }, stayed);
    ASSERT_TRUE(stopped) << "the check ran to its end without letting 中止 in: " << boxes.texts().join(u'|').toStdString();
    EXPECT_EQ(text, QStringLiteral("追加情報を印刷できるか確認しています..."));
    EXPECT_EQ(title, QStringLiteral("ラベル印刷"));
    EXPECT_EQ(button, QStringLiteral("中止"));
    EXPECT_TRUE(modal);
    EXPECT_EQ(maximum, LargeBookRecords + 3);
    EXPECT_GT(pressedAt, 0);
    EXPECT_LT(pressedAt, maximum);
    EXPECT_TRUE(pressedPrint);
    EXPECT_TRUE(stayed);
    EXPECT_EQ(boxes.texts(), QStringList()) << boxes.texts().join(u'|').toStdString();
    EXPECT_TRUE(form->RecordNumbers.empty());
    EXPECT_FALSE(form->InPreview());
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    EXPECT_EQ(name.Name(), shown);
    EXPECT_TRUE(form->isEnabled());
}

// A close of the label window during that check, by the window manager or by its 終了 pressed as a screen reader
// presses it: the check stops as its 中止 stops it, nothing is asked of it or printed, the wizard closes, and the
// window closes once the print command has returned, asking only about its changed layout.
TEST_F(LabelFormTest, AWindowClosedDuringTheCheckBeforeAPrintStopsItAndCloses)
{
    AddLargeBook(LargeBookRecords);
    for (const bool pressed : {false, true}) {
        SCOPED_TRACE(pressed ? "終了 pressed" : "closed by the window manager");
        ASSERT_NO_FATAL_FAILURE(OpenSmallLabelsWithTheirAdditions());
        QFile::remove(pdf);
        boxes.clear();
        boxes.answer(IDNO);
        bool kept = false;
        bool stayed = false;
        const bool closed = ActDuringTheCheck([&](QProgressDialog &) {
            if (pressed) {
                EXPECT_TRUE(pressOnTheBus(form->findChild<QAbstractButton *>(QStringLiteral("tbtnExit"))));
            } else {
                QCloseEvent close;
                QCoreApplication::sendEvent(form->windowHandle(), &close);
            }
            kept = form && form->isVisible();
            return true;
        }, stayed);
        ASSERT_TRUE(closed) << "the check ran to its end without letting the close in: "
                            << boxes.texts().join(u'|').toStdString();
        EXPECT_TRUE(kept) << "closed under the running check";
        EXPECT_FALSE(stayed);
        test::handlerReturned();
        EXPECT_FALSE(form);
        // Only the window's own question, about its changed layout.
        ASSERT_EQ(boxes.texts().size(), 1) << boxes.texts().join(u'|').toStdString();
        EXPECT_TRUE(boxes.texts().first().contains(QStringLiteral("レイアウトの変更を保存しますか"))) << boxes.texts().first().toStdString();
        EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
}
