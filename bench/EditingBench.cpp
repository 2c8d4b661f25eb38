// The designers' editing groundwork on 200 free objects: copying 100 of them to the designers' clipboard and
// pasting them back placed on the paper, even spacing, alignment and Z-order moves, each beside the least the
// same work needs (the objects' own streams written or read, the rectangles sorted or copied); then the whole
// commands of a designer holding the 200 objects, each with its undo step undone and redone.
// Usage: bench_editing [objects]   (default 200; runs on the offscreen platform)
#include "designers/Designer.h"
#include "designers/DesignGeometry.h"
#include "designers/DrawClipboard.h"
#include "drawing/DesignGlobals.h"
#include "drawing/FigureRect.h"
#include "drawing/QRCodeRect.h"
#include "drawing/WordRect.h"
#include "geo/PaintPanel.h"

#include "BenchSupport.h"

#include <QApplication>
#include <QBuffer>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace {

// Texts, figures and QR codes in turn, spread over a postcard.
std::vector<std::unique_ptr<TDrawRect>> freeObjects(int count)
{
    std::vector<std::unique_ptr<TDrawRect>> objects;
    for (int i = 0; i < count; ++i) {
        const TRect r{(i * 37) % 300, (i * 53) % 500, (i * 37) % 300 + 60, (i * 53) % 500 + 40};
        if (i % 3 == 0) {
            auto text = std::make_unique<TWordRect>();
            text->SetLineCount(2);
            text->SetLine(0, QStringLiteral("謹賀新年"));
            text->SetLine(1, QStringLiteral("本年もよろしくお願い申し上げます"));
            text->SetRect(r);
            objects.push_back(std::move(text));
        } else if (i % 3 == 1) {
            auto figure = std::make_unique<TFigureRect>();
            figure->SetKind(TFigureRect::Circle);
            figure->SetBackFill(true);
            figure->SetRect(r);
            objects.push_back(std::move(figure));
        } else {
            auto code = std::make_unique<TQRCodeRect>();
            code->SetText("https://example.jp/");
            code->SetRect(r);
            objects.push_back(std::move(code));
        }
    }
    return objects;
}

// A designer with nothing but the 200 objects on a postcard: the commands run as in any designer, without a
// window shown.
class TBenchDesigner : public TDesignerForm {
public:
    explicit TBenchDesigner(std::vector<std::unique_ptr<TDrawRect>> objects)
    {
        pnlCard = new TPaintPanel(this);
        PaperWidth = 378;
        PaperHeight = 559;
        ZoomRatio = 1;
        DocumentOpen = 1;
        for (auto &object : objects) {
            Document.ZOrderList.push_back(object.get());
            if (dynamic_cast<TWordRect *>(object.get()))
                Document.WordList.emplace_back(static_cast<TWordRect *>(object.release()));
            else if (dynamic_cast<TFigureRect *>(object.get()))
                Document.FigureList.emplace_back(static_cast<TFigureRect *>(object.release()));
            else
                Document.QRCodeList.emplace_back(static_cast<TQRCodeRect *>(object.release()));
        }
    }
    TDesignObjects &Objects() override { return Document; }
    TRenderTarget RenderTarget() const override { return {}; }
    void FillObjectList() override {}
    void SyncObjectList() override {}
    void UpdateObjectActions() override {}
    void UpdateCaption() override {}

    TDesignObjects Document;
};

}  // namespace

int main(int argc, char **argv)
{
    UseOffscreenPlatform();
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(2, std::atoi(argv[1])) : 200;
    const QSize postcard(378, 559);
    const std::vector<std::unique_ptr<TDrawRect>> objects = freeObjects(count);
    std::vector<const TDrawRect *> half;
    for (int i = 0; i < count / 2; ++i)
        half.push_back(objects[size_t(i)].get());
    QList<TRect> rects;
    for (const auto &o : objects)
        rects.append(o->GetRect());

    printHeader("editing", "least work");
    TDrawClipboard clipboard;
    const double copy = perRun([&] { clipboard.Copy(half); });
    const double streams = perRun([&] {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        TObjectStream stream(buffer);
        for (const TDrawRect *o : half)
            o->SaveToStream(stream);
    });
    print({"copy to the clipboard", copy, streams, int(half.size())});

    const double paste = perRun([&] {
        const std::vector<std::unique_ptr<TDrawRect>> pasted = clipboard.Paste();
        QList<TRect> at;
        for (const auto &o : pasted)
            at.append(o->GetRect());
        const QList<TRect> placed = PlacePastedGroup(at, postcard);
        for (size_t i = 0; i < pasted.size(); ++i)
            pasted[i]->SetRect(placed[qsizetype(i)]);
    });
    const QByteArray data = clipboard.Data();
    const double reads = perRun([&] {
        QByteArray bytes = data;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        TObjectStream stream(buffer);
        StreamVersion = CurrentStreamVersion;
        for (const TDrawRect *o : half) {
            stream.Read<uint8_t>();
            const_cast<TDrawRect *>(o)->LoadFromStream(stream);
        }
    });
    print({"paste, placed on the paper", paste, reads, int(half.size())});

    const auto copyRects = [&] {
        QList<TRect> copied = rects;
        copied.detach();
    };
    const double sortRects = perRun([&] {
        QList<TRect> sorted = rects;
        std::stable_sort(sorted.begin(), sorted.end(), [](const TRect &a, const TRect &b) { return a.Left < b.Left; });
    });
    print({"even spacing over the paper", perRun([&] { SpaceEvenly(rects, 0, postcard); }), sortRects, count});
    print({"even spacing between the ends", perRun([&] { SpaceEvenly(rects, 3, postcard); }), sortRects, count});
    const double copied = perRun(copyRects);
    print({"centre on the reference", perRun([&] {
               for (const TRect &r : rects)
                   AlignToReference(r, rects.first(), 6);
           }),
           copied, count});
    QList<bool> selected;
    for (int i = 0; i < count; ++i)
        selected.append(i % 2 == 1);
    print({"every other object to the top", perRun([&] { ZOrderMoves(selected, 0); }), copied, count});

    // The whole commands: each run gives the command, undoes it, redoes it and undoes it again, so the next
    // run starts from the same document. The baseline is the command's geometry alone.
    printHeader("command, undo, redo", "geometry");
    TBenchDesigner designer(freeObjects(count));
    const auto everything = [&] { designer.SelectedList = designer.Document.ZOrderList; designer.FocusedIndex = 0; };
    const auto command = [&](const std::function<void()> &run) {
        return perRun([&] {
            everything();
            run();
            designer.actUndoExecute(false);
            designer.actUndoExecute(true);
            designer.actUndoExecute(false);
        });
    };
    print({"align to the focused object", command([&] { designer.actRectUniteExecute(6); }), copied, count});
    print({"even spacing over the paper", command([&] { designer.actEqualExecute(0); }), sortRects, count});
    print({"centre on the paper", command([&] { designer.actRectPositionExecute(2); }), copied, count});
    print({"every other object to the top", command([&] {
               designer.SelectedList.clear();
               for (size_t i = 1; i < designer.Document.ZOrderList.size(); i += 2)
                   designer.SelectedList.push_back(designer.Document.ZOrderList[i]);
               designer.actZOrderExecute(0);
           }),
           copied, count});
    designer.SelectedList.assign(designer.Document.ZOrderList.begin(), designer.Document.ZOrderList.begin() + count / 2);
    designer.actCopyExecute();
    print({"paste of half of them", command([&] { designer.actPasteExecute(); }), paste, count / 2});
    return 0;
}
