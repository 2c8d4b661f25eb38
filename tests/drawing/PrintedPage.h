// What the tests of the text objects share: a 600-dpi printer, objects printed onto a page image, and the
// ink found on it.
#pragma once

#include "drawing/DesignGlobals.h"
#include "drawing/DrawRect.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

namespace test {

// Bounding box of the dark pixels of area.
inline QRect ink(const QImage &image, const QRect &area)
{
    QRect box;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                box |= QRect(x, y, 1, 1);
    return box;
}

// Layout units (1/96 inch) of a length in 0.1 mm, and a rectangle given in 0.1 mm.
inline int units(int tenthsMm) { return static_cast<int>(std::lround(tenthsMm * 96 / 254.0)); }
inline TRect mm(int left, int top, int right, int bottom)
{
    return {units(left), units(top), units(right), units(bottom)};
}

// A page as the printer at 600 dpi draws it; objects print at their own place.
class PrintedPage : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InstallFontSubstitutions(); }
    void SetUp() override
    {
        SetPrinterCaps({true, 600, 600, 0, 0});
        PaperScale = 1480;
    }
    void TearDown() override
    {
        SetPrinterCaps({});
        PaperScale = 0;
    }
    static QImage blank(int width = 2362, int height = 3496)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::white);
        return image;
    }
    // Prints object on page; answers its printed rectangle.
    static QRect print(TMetaRect &object, QImage &page)
    {
        object.UpdateFontHeight();
        object.CalcPrintRect(QPoint(0, 0), true);
        object.Prepare(false);
        QPainter painter(&page);
        TCanvas canvas(painter, 600, 600);
        object.Print(canvas, 0, 0);
        return object.PrintRect().ToQRect();
    }
    // A canvas in the font the object renders with before any fitting: its size table height at 600 dpi.
    static void selectObjectFont(TCanvas &canvas, const TMetaRect &object, bool vertical)
    {
        TFont font = object.Font();
        if (vertical)
            MakeVerticalFont(font.Log);
        else
            MakeHorizontalFont(font.Log);
        canvas.SetFont(font);
        canvas.SetFontHeight(static_cast<int>(std::trunc(object.FontHeight() * 600 / 96.0)));
    }
};

}  // namespace test
