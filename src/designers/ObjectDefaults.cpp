#include "designers/ObjectDefaults.h"

#include "designers/PrintDocument.h"
#include "drawing/DesignGlobals.h"
#include "drawing/FigureRect.h"
#include "drawing/WordRect.h"
#include "base/FileReplace.h"
#include "base/Fonts.h"

#include <cerrno>
#include <QBuffer>
#include <QFile>

void LoadObjectDefaults(const QString &fileName, TWordRect &word, TFigureRect &figure)
{
    QFile file(fileName);
    if (file.open(QIODevice::ReadOnly)) {
        QByteArray bytes = file.readAll();
        file.close();
        const QByteArray magic = ComplementedMagic(ObjectDefaultsMagic);
        if (bytes.startsWith(magic)) {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            buffer.seek(magic.size());
            TObjectStream stream(buffer);
            try {
                StreamVersion = int(stream.Read<uint32_t>());
                TWordRect readWord;
                TFigureRect readFigure;
                readWord.LoadFromStream(stream);
                readFigure.LoadFromStream(stream);
                word.Assign(readWord);
                figure.Assign(readFigure);
            } catch (const EStreamError &) {
                // The defaults are a convenience: a damaged file leaves them as they were.
            }
        }
    } else {
        TFont font = word.Font();
        SetFontSpec(&font.Log, SHIFTJIS_CHARSET, QStringLiteral("ＭＳ Ｐゴシック"), 0, 12);
        word.SetFont(font);
    }
    TFont font = word.Font();
    font.Color = Qt::black;
    word.SetFont(font);
}

bool SaveObjectDefaults(const QString &fileName, const TWordRect &word, const TFigureRect &figure)
{
    QByteArray bytes = ComplementedMagic(ObjectDefaultsMagic);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly | QIODevice::Append);
    TObjectStream stream(buffer);
    try {
        stream.Write<uint32_t>(CurrentStreamVersion);
        word.SaveToStream(stream);
        figure.SaveToStream(stream);
    } catch (const EStreamError &) {
        errno = EINVAL;
        return false;
    }
    return ReplaceFileWhole(fileName, bytes);
}
