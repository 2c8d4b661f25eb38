// Every control of the designers and of their dialogs has a name a screen reader reads out and the
// accessibility bus finds it by.
#include "LayoutFixture.h"

#include "designers/AddInfo.h"
#include "designers/CstmLyt.h"
#include "designers/DataFrm.h"
#include "designers/Design.h"
#include "designers/FgrSet.h"
#include "designers/IlstSet.h"
#include "designers/Label.h"
#include "designers/LytDtl.h"
#include "designers/LytFmt.h"
#include "designers/LytFont.h"
#include "designers/LytPrt.h"
#include "designers/PrintRange.h"
#include "designers/PrtOpen.h"
#include "designers/PrtSave.h"
#include "designers/QRCode.h"
#include "designers/WordEdit.h"
#include "designers/WordSet.h"
#include "drawing/FigureRect.h"
#include "drawing/Graphic.h"
#include "drawing/QRCodeRect.h"

#include "Accessibility.h"

#include <QPushButton>

#include <gmock/gmock.h>

#include <functional>

namespace {

using ::testing::IsEmpty;

class DesignerAccessibleNames : public LayoutFormTest {
protected:
    // The first paper of the kind the paper list has; -1 when it has none.
    int firstPaper(uint8_t kind, bool sheet)
    {
        for (size_t i = 0; i < master.Formats.size(); ++i)
            if (master.Formats[i].Kind == kind && (master.Formats[i].SheetIndex > 0) == sheet)
                return int(i);
        return -1;
    }
    // The window shown on its paper at the tests' size, and again so narrow that its tool bars cannot show
    // every command.
    void expectNamedAtBothWidths(int paper)
    {
        ASSERT_GE(paper, 0);
        show();
        ASSERT_TRUE(applyPaper(paper));
        EXPECT_THAT(test::unnamedControls(form), IsEmpty());
        form->resize(320, 600);
        QCoreApplication::sendPostedEvents();
        EXPECT_THAT(test::unnamedControls(form), IsEmpty()) << "narrow";
    }
};

}  // namespace

TEST_F(DesignerAccessibleNames, EveryControlOfTheDesignersHasAnAccessibleName)
{
    {
        SCOPED_TRACE("address");
        open();
        expectNamedAtBothWidths(paperIndex(0));
        delete form.data();
    }
    for (bool cards : {false, true}) {
        SCOPED_TRACE(cards ? "cards" : "labels");
        form = new TLabelForm(list.get(), cards);
        expectNamedAtBothWidths(firstPaper(cards ? 3 : 2, true));
        delete form.data();
    }
    SCOPED_TRACE("letter");
    form = new TDesignForm(list.get());
    expectNamedAtBothWidths(firstPaper(0, false));
}

TEST_F(DesignerAccessibleNames, EveryControlOfTheDesignersDialogsHasANameOfItsOwn)
{
    open();  // registers the cut-out shapes the illustration dialog lists
    NoPrintRows rows;
    TNewLayoutDialog papers(nullptr);
    const TBitmapGraphic picture(QImage(100, 80, QImage::Format_RGB888));

    const struct {
        const char *name;
        std::function<QDialog *()> make;
    } dialogs[] = {
        {"TPrintMenuDialog", [] { auto *d = new TPrintMenuDialog(nullptr); d->SetKind(0); return d; }},
        {"TNewLayoutDialog", [] { return new TNewLayoutDialog(nullptr); }},
        {"TCustomLayoutFormatDialog",
         [&papers] { auto *d = new TCustomLayoutFormatDialog(papers, nullptr); d->SetBaseFormat(0); return d; }},
        {"TLabelPaperDialog labels", [] { return new TLabelPaperDialog(nullptr, 2); }},
        {"TLabelPaperDialog cards", [] { return new TLabelPaperDialog(nullptr, 3); }},
        {"TPrintDataOpenDialog", [] { auto *d = new TPrintDataOpenDialog(nullptr); d->SetKind(0); return d; }},
        {"TPrintDataSaveDialog", [] { auto *d = new TPrintDataSaveDialog(nullptr); d->SetKind(0); return d; }},
        {"TDataFormDialog", [] { return new TDataFormDialog(nullptr); }},
        {"TLayoutDetailDialog", [] { auto *d = new TLayoutDetailDialog(nullptr); d->SetPrintKind(0); return d; }},
        {"TLayoutPrintDialog", [&rows] { return newPrintDialog(rows, 0); }},
        // The envelope's flap, and the multi-up papers' start and count, each shown with its own kind.
        {"TLayoutPrintDialog envelope", [&rows] { return newPrintDialog(rows, 1); }},
        {"TLayoutPrintDialog labels",
         [&rows] {
             auto *d = newPrintDialog(rows, 2);
             d->SetSheetCount(12);
             return d;
         }},
        {"TLayoutPrintDialog cards",
         [&rows] {
             auto *d = newPrintDialog(rows, 3);
             d->SetSheetCount(10);
             return d;
         }},
        {"TFigureSettingDialog",
         [] { auto *d = new TFigureSettingDialog(nullptr); d->SetFigureRect(TFigureRect()); return d; }},
        {"TWordSettingDialog", [] { auto *d = new TWordSettingDialog(nullptr); d->SetWordRect(TWordRect()); return d; }},
        {"TLayoutFontDialog", [] { return new TLayoutFontDialog(nullptr); }},
        {"TAdditionInfoDialog", [] { auto *d = new TAdditionInfoDialog(nullptr); d->SetMode(2); return d; }},
        {"TQRCodeSettingDialog",
         [] { auto *d = new TQRCodeSettingDialog(nullptr); d->ResetPreview(TQRCodeRect()); return d; }},
        {"TIllustSettingDialog",
         [&picture] {
             TIllustRect object;
             object.SetPicture(&picture);
             object.SetRect({40, 30, 140, 110});
             auto *d = new TIllustSettingDialog(nullptr);
             d->SetIllustRect(object);
             return d;
         }},
        {"TSenderForm", [] { auto *d = new TSenderForm(nullptr); d->SenderNo = 0; return d; }},
        {"TWordEditDialog", [] { return new TWordEditDialog(nullptr); }},
        // The example pane shows its lists only when asked for.
        {"TWordEditDialog with its examples",
         [] {
             auto *d = new TWordEditDialog(nullptr);
             d->findChild<QPushButton *>(QStringLiteral("bbtnExample"))->click();
             return d;
         }},
    };
    for (const auto &entry : dialogs) {
        SCOPED_TRACE(entry.name);
        std::unique_ptr<QDialog> dialog(entry.make());
        dialog->show();
        EXPECT_THAT(test::unnamedControls(dialog.get()), IsEmpty());
        EXPECT_THAT(test::controlsSharingANameWithAnother(dialog.get()), IsEmpty());
    }
}
