// The sender block: its parts and the active list of each layout, part mode with the block fitted around the
// moved parts, what it keeps in a document (older versions, damaged streams), the places of its parts by
// layout and writing direction at 600 dpi, and a postcard's address side with the block in its lower left.
#include "ObjectTestSupport.h"

#include "base/SjisCodec.h"
#include "core/SharedHelpers.h"
#include "drawing/SenderRect.h"

#include <QBuffer>

namespace {

int roundHalfAway(double x) { return static_cast<int>(RoundHalfAway(x)); }

// Where a part of slot s stands in a block whose rectangle inside the frame is inner: the slot box scaled to
// inner less a margin of 10 units on each side.
TRect placeOf(const TRect &inner, const TRect &s)
{
    const double sx = (inner.Width() - 20) / 205.0;
    const double sy = (inner.Height() - 20) / 205.0;
    const int left = roundHalfAway(s.Left * sx) + inner.Left + 10;
    const int top = roundHalfAway(s.Top * sy) + inner.Top + 10;
    return {left, top, left + roundHalfAway((s.Right - s.Left) * sx), top + roundHalfAway((s.Bottom - s.Top) * sy)};
}

TRect turned(const TRect &s) { return {205 - s.Right, 205 - s.Bottom, 205 - s.Left, 205 - s.Top}; }

QList<TRect> slotsOf(const TSenderRect &block, uint8_t layout)
{
    const auto places = block.Slots(layout);
    return {places.begin(), places.end()};
}

void fillTexts(TSenderRect &block)
{
    const QString code = QStringLiteral("〒101-0062");
    const QString address = QStringLiteral("東京都千代田区神田駿河台２－１２");
    block.PostalCode1().SetText(code);
    block.Address1().SetLine(0, address);
    block.Address1().SetLine(1, QStringLiteral("駿河台ビル５階"));
    block.Name1().SetKind(1);
    block.Name1().SetName(QStringLiteral("山田 太郎"));
    block.GetAddition1(0)->SetText(QStringLiteral("電話０３－１２３４－５６７８"));
    block.GetAddition1(1)->SetText(QStringLiteral("yamada@example.jp"));
    block.PostalCode2().SetText(code);
    block.GetAddress(0)->SetLine(0, address);
    block.GetAddress(1)->SetLine(0, QStringLiteral("駿河台ビル５階"));
    block.GetAddress(2)->SetLine(0, QStringLiteral("受付気付"));
    block.Company().SetText(QStringLiteral("株式会社ヴェルモア商事"));
    block.GetDepartment(0)->SetText(QStringLiteral("営業本部"));
    block.GetDepartment(1)->SetText(QStringLiteral("第二営業課"));
    block.Post().SetText(QStringLiteral("課長"));
    block.Name2().SetKind(1);
    block.Name2().SetName(QStringLiteral("山田 太郎"));
    for (int i = 0; i < 4; ++i)
        block.GetAddition2(i)->SetText(QStringLiteral("電話０３－１２３４－５６７%1").arg(i));
}

// Prints block on page as the designer prints a page: print rectangles first, then the pictures.
void printBlock(TSenderRect &block, QImage &page)
{
    block.UpdateFontHeight();
    block.CalcPrintRect(test::PrinterAt(600), QPoint(0, 0), true);
    block.Prepare(test::PrinterAt(600), false);
    QPainter painter(&page);
    TCanvas canvas(painter, 600, 600);
    block.Print(canvas, 0, 0);
}

// The ink of one part printed alone on a blank page of page's size.
QRect inkOfPart(TMetaRect &part, const QImage &page)
{
    QImage alone = WhitePage(page.width(), page.height());
    {
        QPainter painter(&alone);
        TCanvas canvas(painter, 600, 600);
        part.Print(canvas, 0, 0);
    }
    return InkBox(alone);
}

QRect played(const TDrawRect &object) { return object.PrintRect().ToQRect().adjusted(0, 0, 1, 1); }

class SenderAt600 : public test::PrintedPage {};

}  // namespace

TEST(SenderRect, PartsAreSenderPartsAndTheActiveListFollowsLayoutAndVisibility)
{
    TSenderRect block;
    EXPECT_EQ(block.GetKind(), 14);
    EXPECT_EQ(block.GetLayout(), 1);
    EXPECT_EQ(block.BlockMode, 1);
    const QList<TMetaRect *> layout1{&block.PostalCode1(), &block.Address1(), &block.Name1(), block.GetAddition1(0),
                                     block.GetAddition1(1)};
    EXPECT_EQ(block.ActiveParts(), layout1);
    QList<uint8_t> kinds;
    for (const TMetaRect *part : layout1)
        kinds.append(part->GetKind());
    EXPECT_EQ(kinds, (QList<uint8_t>{4, 5, 6, 8, 8}));
    EXPECT_EQ(block.Company().GetKind(), 2);
    EXPECT_EQ(block.GetDepartment(1)->GetKind(), 6);
    EXPECT_EQ(block.Post().GetKind(), 6);
    EXPECT_EQ(block.GetAddition2(3)->Item, 22);
    EXPECT_EQ(block.GetAddition2(4), nullptr);
    EXPECT_EQ(block.GetAddress(-1), nullptr);

    // Sizes come from the recipient rows of the size tables.
    PaperScale = 1480;
    block.UpdateFontHeight();
    TPosRect code;
    TAddressRect address;
    TNameRect name;
    TCorpRect corp;
    for (TMetaRect *recipient : std::initializer_list<TMetaRect *>{&code, &address, &name, &corp})
        recipient->UpdateFontHeight();
    EXPECT_EQ(block.PostalCode2().FontHeight(), code.FontHeight());
    EXPECT_EQ(block.GetAddress(2)->FontHeight(), address.FontHeight());
    EXPECT_EQ(block.Name1().FontHeight(), name.FontHeight());
    EXPECT_EQ(block.Post().FontHeight(), corp.FontHeight());
    EXPECT_NE(block.Post().FontHeight(), [] {
        TCorpRect sender;
        sender.SenderStyle = 1;
        sender.UpdateFontHeight();
        return sender.FontHeight();
    }());
    PaperScale = 0;

    // Changing the layout puts that layout's visible parts in the active list.
    block.SetLayout(0);
    ASSERT_EQ(block.ActiveParts().size(), 13);
    EXPECT_EQ(block.ActiveParts().front(), &block.PostalCode2());
    EXPECT_EQ(block.ActiveParts().back(), block.GetAddition2(3));
    block.SetCorpVisible(false);
    block.SetAddressVisible(3, false);  // out of range: ignored
    EXPECT_EQ(block.GetCorpVisible(), 0);
    EXPECT_EQ(block.GetAddressVisible(2), 1);
    EXPECT_EQ(block.GetAddressVisible(3), 0);
    EXPECT_FALSE(block.ActiveParts().contains(&block.Company()));
    EXPECT_EQ(block.ActiveParts().size(), 12);

    // A layout-1 addition switched while layout 2 is current leaves layout 2 alone and counts once layout 1
    // is current again.
    const QList<TRect> slots2 = slotsOf(block, 0);
    block.SetAddition1Visible(1, false);
    block.SetAddition1Visible(1, true);
    block.SetAddition1Visible(0, false);
    EXPECT_EQ(slotsOf(block, 0), slots2);
    EXPECT_EQ(block.ActiveParts().size(), 12);
    EXPECT_FALSE(block.ActiveParts().contains(block.GetAddition1(1)));
    block.SetLayout(1);
    EXPECT_EQ(block.ActiveParts(), layout1.mid(0, 3) + layout1.mid(4));
    block.SetLayout(0);
    EXPECT_EQ(block.ActiveParts().size(), 12);

    // Switching a part on again brings back its preset place and appends it.
    block.SetRect({0, 0, 225, 225});
    block.Prepare({}, false);
    block.BlockMode = 0;
    ASSERT_TRUE(block.PtInRect(block.Post().GetRect().Left + 1, block.Post().GetRect().Top + 1));
    block.SetRect({5, 5, 40, 40});
    ASSERT_NE(slotsOf(block, 0)[4], (TRect{126, 30, 150, 192}));
    block.SetCorpVisible(true);
    EXPECT_EQ(slotsOf(block, 0)[4], (TRect{126, 30, 150, 192}));
    EXPECT_EQ(block.ActiveParts().back(), &block.Company());
}

TEST(SenderRect, PartModeSelectsTheFrontPartAndTheBlockFitsAroundMovedParts)
{
    TSenderRect block;
    // (225 - 20) / 205: the parts stand at their places moved by the block's corner and the margin of 10.
    block.SetRect({100, 100, 325, 325});
    block.Prepare({}, false);
    EXPECT_EQ(block.Address1().GetRect(), (TRect{246, 133, 310, 303}));
    EXPECT_EQ(block.GetAddition1(0)->GetRect(), (TRect{134, 171, 162, 315}));
    EXPECT_EQ(block.GetAddition1(1)->GetRect(), (TRect{110, 171, 138, 315}));

    block.BlockMode = 0;
    EXPECT_EQ(block.GetRect(), TRect{});
    EXPECT_EQ(block.EdgeHitTest(136, 200), TEdgeCodes{});
    EXPECT_EQ(block.HitTest(136, 200), Qt::ArrowCursor);
    // Where the two additions overlap, the one nearer the front wins and comes to the front.
    EXPECT_TRUE(block.PtInRect(136, 200));
    EXPECT_EQ(block.SelectedPart(), block.GetAddition1(0));
    EXPECT_TRUE(block.PtInRect(115, 200));
    EXPECT_EQ(block.SelectedPart(), block.GetAddition1(1));
    EXPECT_EQ(block.ActiveParts().front(), block.GetAddition1(1));
    EXPECT_TRUE(block.PtInRect(136, 200));
    EXPECT_EQ(block.SelectedPart(), block.GetAddition1(1));
    EXPECT_EQ(block.GetRect(), block.GetAddition1(1)->GetRect());
    EXPECT_FALSE(block.PtInRect(5, 5));
    EXPECT_EQ(block.SelectedPart(), nullptr);
    EXPECT_EQ(block.GetBlockDispRect(), (TRect{100, 100, 325, 325}));

    // The address widened to the right: the block becomes the parts' union and its margin, and every slot is
    // rewritten relative to the union.
    ASSERT_TRUE(block.PtInRect(300, 200));
    block.SetRect({246, 133, 330, 303});
    EXPECT_EQ(block.GetBlockDispRect(), (TRect{100, 100, 340, 325}));
    const double sx = 205.0 / 220;
    EXPECT_EQ(slotsOf(block, 1)[1], (TRect{roundHalfAway(136 * sx), 23, 205, 193}));
    EXPECT_EQ(slotsOf(block, 1)[0], (TRect{roundHalfAway(107 * sx), 0, roundHalfAway(205 * sx), 20}));
    EXPECT_EQ(block.Address1().GetRect(), (TRect{246, 133, 330, 303}));
    block.Prepare({}, false);  // the parts stay where the user put them
    EXPECT_EQ(block.Address1().GetRect(), (TRect{246, 133, 330, 303}));

    // With the frame on the block also takes the frame around the union.
    block.Frame.SetVisible(1);
    block.Frame.SetWidthIndex(2);
    block.SetRect({246, 133, 330, 303});
    EXPECT_EQ(block.GetBlockDispRect(), block.Frame.GetOuterRect({100, 100, 340, 325}));
    block.Frame.SetVisible(0);

    // Layout 2 with every part hidden: nothing to fit to, the block keeps its rectangle.
    block.SetLayout(0);
    block.ClearSelection();
    for (int i = 0; i < 4; ++i)
        block.SetAddition2Visible(i, false);
    for (int i = 0; i < 3; ++i)
        block.SetAddressVisible(i, false);
    for (int i = 0; i < 2; ++i)
        block.SetDepartmentVisible(i, false);
    block.SetPosVisible(false);
    block.SetNameVisible(false);
    block.SetCorpVisible(false);
    block.SetPostVisible(false);
    ASSERT_TRUE(block.ActiveParts().isEmpty());
    const TRect before = block.GetBlockDispRect();
    block.FitToParts();
    EXPECT_EQ(block.GetBlockDispRect(), before);
    EXPECT_FALSE(block.PtInRect(150, 150));

    // Turning moves every slot through the box's centre; turning back restores them exactly.
    block.SetLayout(1);
    block.BlockMode = 1;
    const QList<TRect> slots1 = slotsOf(block, 1);
    const QList<TRect> slots2 = slotsOf(block, 0);
    block.SetTurned(1);
    EXPECT_EQ(slotsOf(block, 1)[2], turned(slots1[2]));
    EXPECT_EQ(slotsOf(block, 0)[8], turned(slots2[8]));
    EXPECT_EQ(block.GetAddition2(2)->Turned(), 1);
    block.SetTurned(0);
    EXPECT_EQ(slotsOf(block, 1), slots1);
    EXPECT_EQ(slotsOf(block, 0), slots2);
}

namespace {

// A block as the versions before 201 wrote it: no visible flags, additions, layout-2 places or layout, a
// one-byte selected index, and the turned byte from 200 on.
QByteArray olderBlock(int version)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    TObjectStream s(buffer);
    for (int v : {20, 300, 160, 520})
        s.Write<int32_t>(v);
    WriteScrambledString(Sjis::encode(u"本社"), s);
    for (int i = 0; i < 5; ++i)
        for (int v : {i, 10 * i, 100 + i, 200})
            s.Write<int32_t>(v);
    s.Write<uint32_t>(SHIFTJIS_CHARSET);
    WriteScrambledString(Sjis::encode(u"ＭＳ ゴシック"), s);
    s.Write<int32_t>(-16);
    s.Write<uint32_t>(1);
    s.Write<int32_t>(0x0000FF);
    s.Write<uint8_t>(0);
    s.Write<uint8_t>(0);
    s.Write<int8_t>(2);
    TRectFrame frame;
    frame.SetVisible(1);
    frame.SetColor(0x123456);
    frame.SaveToStream(s);
    if (version >= 200)
        s.Write<uint8_t>(1);
    return buffer.data();
}

}  // namespace

TEST(SenderRect, StreamRoundTripsReadsOlderVersionsAndRefusesDamagedData)
{
    TSenderRect block;
    block.SetRect({20, 300, 160, 520});
    block.SenderTitle = Sjis::encode(u"自宅");
    block.GetAddition1(0)->Item = 0;
    block.GetAddition1(0)->SetText(QStringLiteral("いつもお世話になっております"));
    block.SetAddition1Visible(1, false);
    block.GetAddition2(2)->Item = 0;
    block.GetAddition2(2)->SetText(QStringLiteral("𠮷田ビル"));  // kept though Shift-JIS lacks 𠮷
    block.SetLayout(0);
    block.SetPostVisible(false);
    TFont font;
    SetFontSpec(&font.Log, SHIFTJIS_CHARSET, QStringLiteral("ＭＳ ゴシック"), 1, 11);
    font.Color = Qt::red;
    block.SetFont(font);
    block.SetDirection(1);
    block.PlaceParts(-1);
    block.Frame.SetVisible(1);
    block.Frame.SetDoubleLine(1);
    block.Frame.SetBackVisible(1);
    block.Frame.SetBackColor(0xE0F0FF);
    block.SetTurned(1);
    block.Prepare({}, false);
    block.BlockMode = 0;
    ASSERT_TRUE(block.PtInRect(block.GetAddress(1)->GetRect().Left + 2, block.GetAddress(1)->GetRect().Top + 2));
    ASSERT_EQ(block.SelectedPart(), block.GetAddress(1));

    const QByteArray bytes = SavedObject(block);
    TSenderRect copy;
    EXPECT_EQ(LoadObject(copy, bytes, 600), 0);
    EXPECT_EQ(SavedObject(copy), bytes);
    EXPECT_EQ(copy.GetLayout(), 0);
    EXPECT_EQ(copy.BlockMode, 0);
    EXPECT_EQ(copy.SelectedPart(), copy.GetAddress(1));
    EXPECT_EQ(copy.GetFont().Log.Font.pointSize(), 11);
    EXPECT_TRUE(copy.GetFont().Log.Font.bold());
    EXPECT_EQ(copy.Name2().Font().Log.Font.family(), QStringLiteral("ＭＳ ゴシック"));
    EXPECT_EQ(copy.GetDirection(), 1);
    EXPECT_EQ(copy.GetTurned(), 1);
    EXPECT_EQ(copy.GetAddition2(2)->Text(), QStringLiteral("𠮷田ビル"));
    EXPECT_EQ(copy.GetAddition1(0)->Text(), QStringLiteral("いつもお世話になっております"));
    EXPECT_EQ(copy.ActiveParts().size(), 12);
    EXPECT_EQ(slotsOf(copy, 0), slotsOf(block, 0));
    // The font's height is kept as the 96-dpi screen font has it: 11 points are 15 pixels.
    QByteArray face = Sjis::encode(u"ＭＳ ゴシック");
    for (char &b : face)
        b = static_cast<char>(~b);
    const qsizetype height = bytes.indexOf(face) + face.size();
    EXPECT_EQ(bytes.mid(height, 4), QByteArray::fromHex("f1ffffff"));

    // Assign copies everything but the record's texts and the selection.
    TSenderRect assigned;
    assigned.Name1().SetName(QStringLiteral("佐藤 花子"));
    assigned.Assign(block);
    EXPECT_EQ(assigned.SelectedPart(), nullptr);
    EXPECT_EQ(assigned.GetRect(), block.GetBlockDispRect());
    assigned.BlockMode = 0;
    block.ClearSelection();
    EXPECT_EQ(SavedObject(assigned), SavedObject(block));
    EXPECT_EQ(assigned.Name1().Name(), QStringLiteral("佐藤 花子"));

    for (int version : {199, 200}) {
        TSenderRect old;
        old.SetLayout(0);
        old.SetPosVisible(false);
        old.GetAddition1(1)->Item = 20;
        old.SetTurned(1);  // a stream of an unturned block turns it back, as undo needs
        const QByteArray stream = olderBlock(version);
        ASSERT_EQ(LoadObject(old, stream, version), 0) << version;
        EXPECT_EQ(old.GetLayout(), 1);
        EXPECT_EQ(old.ActiveParts().size(), 5);
        EXPECT_EQ(old.GetPosVisible(), 1);
        EXPECT_EQ(old.GetAddition1(1)->Item, 0);
        EXPECT_TRUE(old.GetAddition1(1)->Text().isEmpty());
        EXPECT_EQ(old.SelectedPart(), &old.Name1());
        EXPECT_EQ(old.SenderTitle, Sjis::encode(u"本社"));
        EXPECT_EQ(slotsOf(old, 1)[3], (TRect{3, 30, 103, 200}));
        EXPECT_EQ(slotsOf(old, 0)[8], (TRect{63, 54, 97, 205}));  // layout 2 from its vertical presets
        EXPECT_EQ(old.GetFont().Log.Font.pointSize(), 12);
        EXPECT_EQ(old.GetFont().Color, QColor(Qt::red));
        EXPECT_EQ(old.Frame.Color(), 0x123456);
        EXPECT_EQ(old.GetTurned(), version == 200 ? 1 : 0);
        EXPECT_EQ(old.GetBlockDispRect(), (TRect{20, 300, 160, 520}));
    }

    // A stream cut anywhere, or with a count beyond its end, is refused and leaves the block as it was.
    TSenderRect target;
    target.SetRect({1, 2, 3, 4});
    target.SetLayout(0);
    const QByteArray untouched = SavedObject(target);
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        EXPECT_THROW(LoadObject(target, bytes.left(n), 600), EStreamError) << n;
        ASSERT_EQ(SavedObject(target), untouched) << n;
    }
    QByteArray huge = bytes;
    huge.replace(17, 4, QByteArray::fromHex("f0ffffff"));
    EXPECT_THROW(LoadObject(target, huge, 600), EStreamError);
    EXPECT_EQ(SavedObject(target), untouched);
    EXPECT_TRUE(RefusedUnderMemoryLimit([&] { LoadObject(target, huge, 600); }));
}

TEST_F(SenderAt600, EachLayoutPlacesItsPartsFromTheirSlotsInsideTheFrame)
{
    for (uint8_t direction : {0, 1}) {
        for (uint8_t layout : {1, 0}) {
            for (bool framed : {false, true}) {
                SCOPED_TRACE(QStringLiteral("direction %1 layout %2 frame %3").arg(direction).arg(layout).arg(framed).toStdString());
                TSenderRect block;
                block.SetDirection(direction);
                block.PlaceParts(-1);
                block.SetLayout(layout);
                block.Frame.SetVisible(framed);
                block.Frame.SetWidthIndex(2);
                const TRect rect = direction == 0 ? TRect{10, 10, 150, 290} : TRect{10, 10, 320, 190};
                block.SetRect(rect);
                fillTexts(block);
                QImage page = blank(rect.Right * 625 / 100 + 50, rect.Bottom * 625 / 100 + 50);
                printBlock(block, page);

                const TRect inner = framed ? block.Frame.GetInnerRect(rect, 1.0) : rect;
                const auto places = block.Slots(layout);
                const QList<TMetaRect *> &parts = block.ActiveParts();
                ASSERT_EQ(parts.size(), layout == 1 ? 5 : 13);
                for (int i = 0; i < parts.size(); ++i) {
                    SCOPED_TRACE(i);
                    const TRect place = parts[i]->GetRect();
                    EXPECT_EQ(place, placeOf(inner, places[i]));
                    // Printed at 600 / 96 of its place, and its own text stays inside it.
                    const TRect printed = parts[i]->PrintRect();
                    EXPECT_EQ(printed.Left, roundHalfAway(place.Left * 6.25));
                    EXPECT_EQ(printed.Width(), roundHalfAway(place.Width() * 6.25));
                    EXPECT_EQ(printed.Height(), roundHalfAway(place.Height() * 6.25));
                    const QRect ink = inkOfPart(*parts[i], page);
                    EXPECT_FALSE(ink.isEmpty());
                    EXPECT_TRUE(played(*parts[i]).contains(ink));
                }
                // All the ink, frame included, lies in the block.
                EXPECT_TRUE(played(block).contains(InkBox(page)));
                if (framed) {
                    EXPECT_EQ(InkBox(page), block.PrintRect().ToQRect());
                }
            }
        }
    }
    // The presets of the documents' tables.
    TSenderRect block;
    EXPECT_EQ(block.Slots(1)[1], (TRect{136, 23, 200, 193}));
    block.SetDirection(1);
    block.PlaceParts(-1);
    EXPECT_EQ(block.Slots(0)[8], (TRect{42, 115, 192, 147}));
    EXPECT_EQ(block.Slots(1)[4], (TRect{47, 177, 205, 205}));
}

TEST_F(SenderAt600, PostcardAddressSideWithTheSenderInTheLowerLeft)
{
    QImage page = blank();
    // The recipient: postal code in the boxes, address and name in columns.
    TPosRect code;
    code.SetRect(test::mm(440, 120, 917, 200));
    code.SetText(QStringLiteral("1070062"));
    TAddressRect address;
    address.SetRect({270, 70, 352, 480});
    address.SetLine(0, QStringLiteral("東京都港区南青山三丁目８番４０号"));
    address.SetLine(1, QStringLiteral("青山センタービル１２０５号室"));
    TNameRect name;
    name.SetRect({150, 60, 250, 500});
    name.SetKind(1);
    name.SetName(QStringLiteral("佐藤 花子"));
    name.SetHonor(QStringLiteral("様"));
    for (TMetaRect *object : std::initializer_list<TMetaRect *>{&code, &address, &name})
        print(*object, page);

    // The sender block as a document keeps it, loaded and printed without being shown first.
    TSenderRect saved;
    saved.SetRect({20, 300, 135, 540});
    saved.Frame.SetVisible(1);
    saved.Frame.SetRoundCorner(1);
    saved.Frame.SetColor(0x806040);
    TSenderRect block;
    ASSERT_EQ(LoadObject(block, SavedObject(saved), 600), 0);
    fillTexts(block);
    printBlock(block, page);
    KeepSamplePage(page, "sender-postcard");

    const QRect blockArea = played(block);
    EXPECT_EQ(InkBox(page, QRect(0, 1800, 900, 1696)), InkBox(page, blockArea));
    // Vertical columns from the right: postal code at the top right, then address, name and the additions.
    const QRect codeInk = inkOfPart(block.PostalCode1(), page);
    const QRect addressInk = inkOfPart(block.Address1(), page);
    const QRect nameInk = inkOfPart(block.Name1(), page);
    const QRect first = inkOfPart(*block.GetAddition1(0), page);
    const QRect second = inkOfPart(*block.GetAddition1(1), page);
    for (const QRect &ink : {codeInk, addressInk, nameInk, first, second})
        ASSERT_TRUE(blockArea.contains(ink));
    EXPECT_LT(codeInk.bottom(), addressInk.top());
    EXPECT_GT(codeInk.center().x(), blockArea.center().x());
    EXPECT_GT(addressInk.left(), nameInk.right());
    EXPECT_GT(nameInk.left(), first.right());
    EXPECT_GT(first.center().x(), second.center().x());
    EXPECT_GT(addressInk.height(), 3 * addressInk.width() / 2);
    EXPECT_GT(nameInk.height(), 2 * nameInk.width());

    // On the screen at 600 / 96 the block draws inside its displayed rectangle.
    QImage screen = blank();
    block.SetZoom(6.25);
    {
        QPainter painter(&screen);
        TCanvas canvas(painter, 600, 600);
        block.Draw(canvas, 0, 0);
    }
    const QRect shown = InkBox(screen);
    EXPECT_TRUE(block.GetBlockDispRect().ToQRect().adjusted(0, 0, 1, 1).contains(shown));
    EXPECT_GT(shown.width(), block.GetBlockDispRect().Width() * 9 / 10);
}
