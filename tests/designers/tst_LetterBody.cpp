// The message side of a postcard: a greeting and a sender block filled from a sender row, printed to PDF with
// its text extractable, the block inside its rectangle; and a sender row that changes refills the block whole.
#include "designers/AddressBinding.h"
#include "designers/LayoutPrint.h"

#include "PrintedPdf.h"
#include "SenderRows.h"
#include "TestSupport.h"
#include "base/SjisCodec.h"
#include "base/TextUtils.h"
#include "base/Units.h"
#include "drawing/DesignGlobals.h"
#include "drawing/PrinterInfo.h"
#include "drawing/SenderRect.h"
#include "drawing/WordRect.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace test;

class LetterBodyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PaperScale = 1480;
        // The message side: a greeting across the top, the sender block at the foot.
        auto greeting = std::make_unique<TWordRect>();
        greeting->SetRect(TRect{40, 60, 340, 120});
        greeting->SetDirection(1);
        greeting->SetLineCount(1);
        greeting->SetLine(0, QStringLiteral("謹んで新年のお慶びを申し上げます"));
        auto block = std::make_unique<TSenderRect>();
        block->SetRect(TRect{60, 380, 320, 520});
        block->SetDirection(1);
        block->UpdateFontHeight();
        doc.ZOrderList = {greeting.get(), block.get()};
        doc.WordList.push_back(std::move(greeting));
        doc.SenderList.push_back(std::move(block));
        context.Form = DefaultAddressPrintForm(false);
        TPrinter &printer = Printer();
        printer.SetPrinterIndex(int(printer.Printers().indexOf(PdfPrinterName)));
        TPrinterSetting setting = printer.Setting();
        setting.Copies = 1;
        printer.SetSetting(setting);
        SetPrinterPaper(0, 1, 1000, 1480);
        pdf = out.path() + QStringLiteral("/文面.pdf");
    }

    TSenderRect &block() { return *doc.SenderList[0]; }

    TPrintDocument doc{DesignDocument};
    TBindContext context;
    QTemporaryDir out;
    QString pdf;
};

}  // namespace

TEST_F(LetterBodyTest, GreetingAndSenderBlockOnThePostcardsMessageSide)
{
    BindSenderBlock(block(), listedSender(1, QStringLiteral("自宅"), QStringLiteral("田中　一郎")), context);
    EXPECT_EQ(block().Name1().Name(), QStringLiteral("田中 一郎"));
    EXPECT_EQ(block().SenderTitle, Sjis::encode(QStringLiteral("自宅")));

    TLayoutPrintJob job;
    job.Shown = doc.ZOrderList;
    job.Paper.Width = 1000;
    job.Paper.Height = 1480;
    ASSERT_EQ(PrintLayout(job, QStringLiteral("文面印刷"), pdf, nullptr), TPrintOutcome::Printed);
    ASSERT_EQ(pdfPages(pdf), 1);
    const QString text = pageText(pdf, 1);
    for (const QString &part : {QStringLiteral("謹んで新年のお慶びを申し上げます"), QStringLiteral("田中"),
                                QStringLiteral("一郎"), QStringLiteral("大阪府大阪市北区梅田"), QStringLiteral("〒５３０-０００１")})
        EXPECT_TRUE(text.contains(part)) << part.toStdString() << " in " << text.toStdString();

    const QImage page = renderedPage(pdf, 1, 600);
    ASSERT_FALSE(page.isNull());
    keepSample(page, "message-side-600dpi");
    // The block's ink stays inside its rectangle (380 to 520 units down, 60 to 320 across), the greeting's
    // above it.
    const auto px = [](int units) { return LayoutToPixels(units, 600); };
    const QRect blockArea(px(60), px(380), px(260), px(140));
    EXPECT_GT(inkIn(page, blockArea), 500);
    EXPECT_EQ(inkIn(page, QRect(0, px(130), page.width(), px(370) - px(130))), 0);
    const QRect all = inkBox(page, page.rect());
    EXPECT_GE(all.top(), px(60) - 2);
    EXPECT_LE(all.bottom(), px(520) + 2);
}

TEST_F(LetterBodyTest, AnotherSenderReplacesEveryText)
{
    TSenderRecord first = listedSender(1, QStringLiteral("自宅"), QStringLiteral("田中　一郎"));
    first.Adrs2 = Sjis::encode(QStringLiteral("梅田ビル5階"));
    BindSenderBlock(block(), first, context);
    EXPECT_EQ(block().Address1().GetLine(1), QStringLiteral("梅田ビル５階"));
    // A sender without a second line leaves none of the first one's behind.
    BindSenderBlock(block(), listedSender(1, QStringLiteral("自宅"), QStringLiteral("鈴木　花子"), QStringLiteral("堺市堺区1-2")),
                    context);
    EXPECT_EQ(block().Name1().Name(), QStringLiteral("鈴木 花子"));
    EXPECT_TRUE(block().Address1().GetLine(1).isEmpty());
    EXPECT_EQ(block().Name2().Name(), QStringLiteral("鈴木 花子"));
}
