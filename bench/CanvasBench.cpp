// The address designer's card repainted while a selection of 50 objects is dragged at 200 %: texts, figures with
// gradients and pictures over a postcard, every object selected, the drag outlines shown. The baseline in the
// same run paints the card's paper picture alone at the same size.
// Usage: bench_canvas [card.png]   (runs on the offscreen platform; the dragged card is saved when named)
#include "core/Globals.h"
#include "designers/CanvasGeometry.h"
#include "designers/Layout.h"
#include "drawing/FigureRect.h"
#include "drawing/Graphic.h"
#include "drawing/IllustRect.h"
#include "drawing/NameRect.h"
#include "drawing/WordRect.h"
#include "geo/PaintPanel.h"
#include "platform/CustomEvents.h"

#include "BenchSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    UseOffscreenPlatform();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    DataFolder = DataRootFolder = dir.path() + "/";
    LayoutFolder = dir.path() + "/Layout/";
    AppFolder = QStringLiteral(VELMORA_APP_DIR "/");
    TMasterFormats master;
    if (!master.Load(AppFolder + "Common/Lyt.fmt")) {
        std::fprintf(stderr, "no Common/Lyt.fmt below %s\n", qPrintable(AppFolder));
        return 1;
    }

    TLayoutForm form;
    form.PaperFormat = master.Formats.front();
    form.SheetFormat = master.SheetOf(form.PaperFormat);
    form.ClearDocument();
    form.ApplyPaper();
    static_cast<TNameRect &>(*form.CombinedObjects[2]).SetName(QStringLiteral("山田 太郎"));

    // 20 texts, 15 figures with gradients and 15 pictures spread over the card.
    QImage photo(640, 480, QImage::Format_RGB888);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixelColor(x, y, QColor((x * 7 + y) % 256, (y * 3) % 256, (x ^ y) % 256));
    const TBitmapGraphic picture(photo);
    const auto place = [&](int i) {
        const int x = 10 + (i % 5) * 70, y = 10 + (i / 5) * 52;
        return TRect{x, y, x + 90, y + 60};
    };
    for (int i = 0; i < 50; ++i) {
        TDrawRect *object;
        if (i % 10 < 4) {
            auto word = std::make_unique<TWordRect>();
            word->SetLineCount(2);
            word->SetLine(0, QStringLiteral("謹賀新年"));
            word->SetLine(1, QStringLiteral("本年もよろしく"));
            object = word.get();
            form.WordList.push_back(std::move(word));
        } else if (i % 10 < 7) {
            auto figure = std::make_unique<TFigureRect>();
            figure->SetKind(TFigureRect::RoundRectangle);
            figure->SetBackFill(true);
            figure->SetGradation(true);
            figure->SetFillColor1(0x0000FF);
            figure->SetFillColor2(0xFFCC00);
            figure->SetGradientAngle(30 + i);
            object = figure.get();
            form.FigureList.push_back(std::move(figure));
        } else {
            auto illust = std::make_unique<TIllustRect>();
            illust->SetPicture(&picture);
            object = illust.get();
            form.IllustList.push_back(std::move(illust));
        }
        object->SetRect(place(i));
        form.ZOrderList.insert(form.ZOrderList.begin(), object);
    }
    form.resize(1600, 1400);
    form.cbxRatio->setCurrentIndex(1);  // 200 %
    form.cbxRatioClick(form.cbxRatio);
    form.SelectedList = form.ZOrderList;
    form.FocusedIndex = 0;
    form.Dragging = true;
    form.OutlineShown = 1;
    for (const TDrawRect *object : form.SelectedList)
        form.DragOutlines.push_back(OffsetRect(object->GetDispRect(), 7, 5));

    QImage card(form.pnlCard->size(), QImage::Format_RGB32);
    const double repaint = perRun([&] { form.pnlCard->render(&card); });
    const double plain = perRun([&] {
        QPainter painter(&card);
        painter.drawImage(QRect(QPoint(0, 0), card.size()), form.BackgroundBitmap);
    });
    std::printf("card %dx%d pixels at %.0f %%, %zu objects selected and outlined\n", card.width(), card.height(),
                form.ZoomRatio * 100, form.SelectedList.size());
    std::printf("%-40s %10.2f ms\n", "repaint while dragging", repaint * 1000);
    std::printf("%-40s %10.2f ms\n", "baseline: the paper picture alone", plain * 1000);
    std::printf("%-40s %10.2f\n", "ratio", repaint / plain);
    if (argc > 1) {
        form.pnlCard->render(&card);
        card.save(QString::fromLocal8Bit(argv[1]));
    }
    form.Modified = 0;
    return 0;
}
