// One object of every kind a document holds, each with a little content, for the tests that treat every
// object stream alike and for the seed corpus of the fuzz targets.
#pragma once

#include "drawing/AdditionRect.h"
#include "drawing/AddressRect.h"
#include "drawing/BarcodeRect.h"
#include "drawing/CorpRect.h"
#include "drawing/FigureRect.h"
#include "drawing/IllustRect.h"
#include "drawing/NameRect.h"
#include "drawing/PosRect.h"
#include "drawing/QRCodeRect.h"
#include "drawing/SenderRect.h"
#include "drawing/WordRect.h"

#include <functional>
#include <memory>
#include <vector>

struct TSampleObject {
    const char *Name;
    // A new object of the kind, with its content; loading into it replaces that content.
    std::function<std::unique_ptr<TDrawRect>()> Make;
};

template <class Object, class Fill> std::function<std::unique_ptr<TDrawRect>()> SampleOf(Fill fill)
{
    return [fill]() -> std::unique_ptr<TDrawRect> {
        auto made = std::make_unique<Object>();
        made->SetRect({20, 30, 180, 240});
        fill(*made);
        return made;
    };
}

inline std::vector<TSampleObject> SampleObjects()
{
    const auto none = [](auto &) {};
    return {
        {"postal code", SampleOf<TPosRect>([](TPosRect &o) { o.SetText(QStringLiteral("1000001")); })},
        {"address", SampleOf<TAddressRect>([](TAddressRect &o) { o.SetLine(0, QStringLiteral("東京都千代田区千代田１－１")); })},
        {"name", SampleOf<TNameRect>([](TNameRect &o) { o.SetName(QStringLiteral("山田 太郎")); })},
        {"company", SampleOf<TCorpRect>(none)},
        {"additional text", SampleOf<TAdditionRect>([](TAdditionRect &o) { o.SetText(QStringLiteral("営業部")); })},
        {"barcode", SampleOf<TBarcodeRect>([](TBarcodeRect &o) { o.SetBarSize(2); })},
        {"picture", SampleOf<TIllustRect>([](TIllustRect &o) {
                             QImage image(6, 4, Bitmap24Format);
                             image.fill(Qt::red);
                             const TBitmapGraphic graphic(image);
                             o.SetPicture(&graphic);
                             o.SetTransparentColor(0x0000FF);
                         })},
        {"free text", SampleOf<TWordRect>([](TWordRect &o) {
                               o.SetLineCount(2);
                               o.SetLine(0, QStringLiteral("寒中"));
                               o.SetLine(1, QStringLiteral("𠮷"));
                           })},
        {"figure", SampleOf<TFigureRect>([](TFigureRect &o) {
                            o.SetLineStyle(2);
                            o.SetBackFill(true);
                            o.SetGradation(true);
                            o.SetGradientAngle(30);
                        })},
        {"QR code", SampleOf<TQRCodeRect>([](TQRCodeRect &o) { o.SetText("Velmora"); })},
        {"sender block", SampleOf<TSenderRect>(none)},
    };
}
