#include "designers/DrawClipboard.h"

#include "drawing/DesignGlobals.h"
#include "drawing/FigureRect.h"
#include "drawing/IllustRect.h"
#include "drawing/ObjectStream.h"
#include "drawing/QRCodeRect.h"
#include "drawing/WordRect.h"

#include <QBuffer>

namespace {

std::unique_ptr<TDrawRect> newFreeObject(uint8_t kind)
{
    switch (kind) {
    case ObjectKind::Illustration: return std::make_unique<TIllustRect>();
    case ObjectKind::Word: return std::make_unique<TWordRect>();
    case ObjectKind::Figure: return std::make_unique<TFigureRect>();
    case ObjectKind::QRCode: return std::make_unique<TQRCodeRect>();
    default: return nullptr;
    }
}

}  // namespace

int TDrawClipboard::Copy(const std::vector<const TDrawRect *> &objects)
{
    Data_.clear();
    QBuffer buffer(&Data_);
    buffer.open(QIODevice::WriteOnly);
    TObjectStream stream(buffer);
    int written = 0;
    for (const TDrawRect *object : objects) {
        const uint8_t kind = object->GetKind();
        if (kind < ObjectKind::Illustration || kind > ObjectKind::QRCode)
            continue;
        stream.Write<uint8_t>(kind);
        object->SaveToStream(stream);
        ++written;
    }
    return written;
}

std::vector<std::unique_ptr<TDrawRect>> TDrawClipboard::Paste() const
{
    QByteArray data = Data_;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    TObjectStream stream(buffer);
    StreamVersion = CurrentStreamVersion;
    std::vector<std::unique_ptr<TDrawRect>> pasted;
    while (stream.BytesLeft() > 0) {
        std::unique_ptr<TDrawRect> object = newFreeObject(stream.Read<uint8_t>());
        if (!object)
            continue;
        object->LoadFromStream(stream);
        pasted.push_back(std::move(object));
    }
    return pasted;
}
