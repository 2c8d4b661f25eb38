// The designers' saved documents as the open and save dialogs list them: the four kinds with their folders,
// extensions and magics, the listing, the stored thumbnail and the rules for a title. No widgets.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

struct TDocumentKind {
    QString Folder;     // with "/"
    QString Extension;  // ".gpl" …
    QByteArray Magic;   // as written, before complementing
    int HeaderSize;     // bytes between the version and the thumbnail's length
    uint8_t Number;     // the document kind: 0 layout, 1 label, 2 card, 3 letter body
};

// Kinds 0 layout, 1 label, 2 card, 3 letter body, in the folders the program uses now; false for another.
bool DocumentKindOf(uint8_t kind, TDocumentKind &result);

struct TListedDocument {
    QString Title;  // the file name without folder and extension
    QString Path;
    QDateTime Date;
};

// Every document of the kind whose beginning is the kind's magic, sorted by path without regard to case; a file
// that cannot be read is left out. What saves that were ended left behind is put right first
// (RecoverEndedSaves).
std::vector<TListedDocument> ListDocuments(const TDocumentKind &kind);

// The stored JPEG of a document; empty when the file cannot be read or its length field does not fit the file.
QByteArray ReadThumbnail(const TDocumentKind &kind, const QString &path);
// The pixels of a stored thumbnail; null when it cannot be decoded, is larger than a thumbnail (a side beyond
// MaxThumbnailSide), which is refused by its header before any decoding, or has more scans than MaxJpegScans,
// refused at the first scan past it.
QImage ThumbnailPicture(const QByteArray &jpeg);
// The designers store thumbnails of at most 200 pixels a side.
inline constexpr int MaxThumbnailSide = 1024;

// A title as a file name takes it: at most 100 bytes of Shift-JIS, never a character cut in two.
QString CutDocumentTitle(const QString &title);
inline constexpr int MaxDocumentTitleBytes = 100;
// The characters no title may hold, and the message that lists them.
bool HasForbiddenTitleChars(const QString &title);
QString ForbiddenTitleCharsMessage();
