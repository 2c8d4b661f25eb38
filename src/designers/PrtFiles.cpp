#include "designers/PrtFiles.h"

#include "core/Globals.h"
#include "designers/PrintDocument.h"
#include "base/SjisCodec.h"
#include "drawing/JpegImage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>

namespace {

const QString ForbiddenChars = QStringLiteral("\\/:;*?\"<>|");

}  // namespace

bool DocumentKindOf(uint8_t kind, TDocumentKind &result)
{
    static const QString *const folders[] = {&LayoutFolder, &LabelFolder, &CardFolder, &DesignFolder};
    static const char *const extensions[] = {".gpl", ".gpa", ".gpc", ".gpd"};
    switch (kind) {
    case LayoutDocument:
    case LabelDocument:
    case CardDocument:
    case DesignDocument:
        result = {*folders[kind], QString::fromLatin1(extensions[kind]), QByteArray(DocumentMagic(kind)),
                  DocumentHeaderSize(kind), kind};
        return true;
    default: return false;
    }
}

std::vector<TListedDocument> ListDocuments(const TDocumentKind &kind)
{
    std::vector<TListedDocument> listed;
    RecoverEndedSaves(kind.Folder, kind.Extension, kind.Number);
    const QDir folder(kind.Folder);
    const QByteArray magic = ComplementedMagic(kind.Magic.constData());
    for (const QFileInfo &info : folder.entryInfoList({"*" + kind.Extension}, QDir::Files | QDir::Hidden)) {
        QFile file(info.absoluteFilePath());
        if (!file.open(QIODevice::ReadOnly) || file.read(magic.size()) != magic)
            continue;
        listed.push_back({info.completeBaseName(), info.absoluteFilePath(), info.lastModified()});
    }
    std::sort(listed.begin(), listed.end(), [](const TListedDocument &a, const TListedDocument &b) {
        return a.Path.compare(b.Path, Qt::CaseInsensitive) < 0;
    });
    return listed;
}

QByteArray ReadThumbnail(const TDocumentKind &kind, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const qint64 at = kind.Magic.size() + 4 + kind.HeaderSize;
    uint32_t length = 0;
    if (!file.seek(at) || file.read(reinterpret_cast<char *>(&length), 4) != 4)
        return {};
    length = qFromLittleEndian(length);
    if (length == 0 || qint64(length) > file.size() - at - 4)
        return {};
    return file.read(length);
}

QImage ThumbnailPicture(const QByteArray &jpeg) { return JpegPixels(jpeg, MaxThumbnailSide); }

QString CutDocumentTitle(const QString &title)
{
    const QByteArray bytes = Sjis::encode(title);
    if (bytes.size() <= MaxDocumentTitleBytes)
        return title;
    return Sjis::decode(Sjis::cutToBytes(bytes, MaxDocumentTitleBytes));
}

bool HasForbiddenTitleChars(const QString &title)
{
    return std::any_of(title.begin(), title.end(), [](QChar c) { return ForbiddenChars.contains(c); });
}

QString ForbiddenTitleCharsMessage()
{
    QString message = QStringLiteral("ファイル名には次の文字は使えません\r\n   ");
    for (QChar c : ForbiddenChars)
        message += c + QStringLiteral(" ");
    return message;
}
