// The designers' clipboard: only free objects are copied, in order; a paste gives them back whole and can be
// repeated; a record that cannot be read adds nothing.
#include "designers/DrawClipboard.h"

#include "drawing/AdditionRect.h"
#include "drawing/BarcodeRect.h"
#include "drawing/DesignGlobals.h"
#include "drawing/FigureRect.h"
#include "drawing/QRCodeRect.h"
#include "drawing/WordRect.h"

#include "ObjectTestSupport.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {

struct Objects {
    TAdditionRect address;
    TBarcodeRect barcode;
    TWordRect first, second;
    TFigureRect figure;
    TQRCodeRect qr;
    Objects()
    {
        first.SetLineCount(1);
        first.SetLine(0, QStringLiteral("謹賀新年"));
        first.SetRect({10, 20, 160, 270});
        second.SetLineCount(2);
        second.SetLine(1, QStringLiteral("二行目"));
        second.SetRect({300, 20, 450, 270});
        figure.SetKind(TFigureRect::Diamond);
        figure.SetBackFill(true);
        figure.SetGradation(true);
        figure.SetRect({5, 5, 105, 55});
        qr.SetKind(TQRCodeRect::MeCard);
        qr.SetTel(0, "0312345678");
    }
};

}  // namespace

TEST(DrawClipboard, CopiesOnlyTheFreeObjectsInSelectionOrder)
{
    Objects o;
    TDrawClipboard clipboard;
    EXPECT_EQ(clipboard.Copy({&o.address, &o.second, &o.barcode, &o.first}), 2);
    const QByteArray second = SavedObject(o.second), first = SavedObject(o.first);
    EXPECT_EQ(clipboard.Data(), char(ObjectKind::Word) + second + char(ObjectKind::Word) + first);

    // Every later copy empties it first.
    EXPECT_EQ(clipboard.Copy({&o.figure}), 1);
    EXPECT_EQ(clipboard.Data(), char(ObjectKind::Figure) + SavedObject(o.figure));
    EXPECT_EQ(clipboard.Copy({&o.address}), 0);
    EXPECT_TRUE(clipboard.Data().isEmpty());
}

TEST(DrawClipboard, PasteGivesTheObjectsBackAgainAndAgain)
{
    Objects o;
    TDrawClipboard clipboard;
    clipboard.Copy({&o.figure, &o.first, &o.qr});
    StreamVersion = 200;  // a document read before left an old version behind
    for (int round = 0; round < 2; ++round) {
        const std::vector<std::unique_ptr<TDrawRect>> pasted = clipboard.Paste();
        ASSERT_EQ(pasted.size(), 3u);
        EXPECT_EQ(StreamVersion, CurrentStreamVersion);
        EXPECT_EQ(pasted[0]->GetKind(), ObjectKind::Figure);
        EXPECT_EQ(SavedObject(*pasted[0]), SavedObject(o.figure)) << "the sector direction and every field kept";
        EXPECT_EQ(SavedObject(*pasted[1]), SavedObject(o.first));
        EXPECT_EQ(static_cast<TWordRect &>(*pasted[1]).GetLine(0), QStringLiteral("謹賀新年"));
        EXPECT_EQ(static_cast<TQRCodeRect &>(*pasted[2]).GetTel(0), QByteArray("0312345678"));
    }
}

TEST(DrawClipboard, ForeignKindBytesAreSkipped)
{
    Objects o;
    TDrawClipboard clipboard;
    clipboard.Copy({&o.first});
    clipboard.SetData(QByteArray("\x07\x00\xff", 3) + clipboard.Data() + QByteArray(1, char(ObjectKind::Barcode)));
    const std::vector<std::unique_ptr<TDrawRect>> pasted = clipboard.Paste();
    ASSERT_EQ(pasted.size(), 1u);
    EXPECT_EQ(SavedObject(*pasted[0]), SavedObject(o.first));
}

TEST(DrawClipboard, ARecordCutShortAddsNothing)
{
    Objects o;
    TDrawClipboard clipboard;
    clipboard.Copy({&o.first, &o.figure});
    const QByteArray whole = clipboard.Data();
    clipboard.SetData(whole.left(whole.size() - 3));
    EXPECT_THROW(clipboard.Paste(), EStreamError);
    EXPECT_EQ(clipboard.Data(), whole.left(whole.size() - 3)) << "the contents are left for another try";
    clipboard.SetData(whole);
    EXPECT_EQ(clipboard.Paste().size(), 2u);
}
