#include "HostileLayout.h"

#include "HostileJpegs.h"

#include "designers/PrintDocument.h"
#include "drawing/IllustRect.h"
#include "drawing/JpegImage.h"
#include "drawing/WordRect.h"

#include <QImage>

#include <memory>

QByteArray LayoutWithPictures(const QByteArray &illustration, int objectWidth, int objectHeight,
                              const QByteArray &thumbnail)
{
    TPrintDocument doc;
    doc.FormatNumber = 3;
    auto word = std::make_unique<TWordRect>();
    word->SetRect(TRect(40, 300, 300, 370));
    word->SetLine(0, QStringLiteral("謹賀新年"));
    // A picture of its own, whose bytes are then put in the illustration's place.
    QImage stand(8, 8, QImage::Format_RGB888);
    stand.fill(Qt::red);
    TJpegImage standIn;
    standIn.LoadFromData(EncodeJpeg(stand));
    auto picture = std::make_unique<TIllustRect>();
    picture->SetRect(TRect(20, 20, 20 + objectWidth, 20 + objectHeight));
    picture->SetPicture(&standIn);
    doc.ZOrderList = {picture.get(), word.get()};
    doc.IllustList.push_back(std::move(picture));
    doc.WordList.push_back(std::move(word));
    return WithJpegReplaced(doc.Bytes(thumbnail), standIn.Data(), illustration);
}
