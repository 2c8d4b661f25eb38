// The address designer's print document ".gpl": the paper number, what it prints, the printed-items record, a
// JPEG thumbnail for the document dialogs and every drawing object with its place in the stacking order. The
// objects of a layout and their reading and writing, without a window: the designer keeps its layout in one.
#pragma once

#include "designers/DesignObjects.h"
#include "designers/PaperFormats.h"
#include "designers/PrintForm.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TAdditionRect;
class TDrawRect;
class TIllustRect;
class TWordRect;
class TFigureRect;
class TQRCodeRect;
class TBackImage;

inline constexpr char LayoutFileMagic[] = "Mirzon Layout File";

// The document kinds of the designers: the address layout ".gpl", the label ".gpa" and card ".gpc" sheets
// and the letter body ".gpd".
enum TDocumentKindNumber : uint8_t { LayoutDocument = 0, LabelDocument = 1, CardDocument = 2, DesignDocument = 3 };
// The magic a document of the kind begins with (before complementing) and the bytes of its header between
// the version and the thumbnail's length; kinds beyond 3 are taken as 0.
const char *DocumentMagic(uint8_t kind);
int DocumentHeaderSize(uint8_t kind);
inline const QString DocumentInvalidMessage = QStringLiteral("このファイルは有効な形式ではありません  ");
inline const QString DocumentSaveFailedMessage = QStringLiteral("保存できませんでした  ");
inline const QString DocumentPaperDeletedMessage =
    QStringLiteral("選択された宛名レイアウトは用紙情報が削除されています  ");

// The bytes before the thumbnail's length: the magic, the version and the 28-byte header.
inline constexpr int LayoutThumbnailLengthOffset = 18 + 4 + 28;

// A text complemented byte for byte, as the designers' files begin.
QByteArray ComplementedMagic(const char *magic);

// A JPEG file image of the picture (the library's default quality); empty when it cannot be made.
QByteArray EncodeJpeg(const QImage &image);

class TPrintDocument : public TDesignObjects {
public:
    // The 30 fixed objects in their list orders, the sender ones marked, the split set's additions numbered
    // 19 to 22; no free object, nothing stacked. A letter body (kind 3) binds no record: its file holds no
    // fixed object, but sender blocks and the page's background.
    explicit TPrintDocument(uint8_t kind = LayoutDocument);
    ~TPrintDocument();
    TPrintDocument(TPrintDocument &&) noexcept;
    TPrintDocument &operator=(TPrintDocument &&) noexcept;

    uint8_t Kind = LayoutDocument;  // which file it is read from and written as; kept by Read
    int32_t FormatNumber = 0;  // >= 0 a record of "Lyt.fmt", < 0 minus the id of a "CstmL.fmt" paper
    uint8_t PrintParts = 0;    // 0 receiver and sender, 1 receiver only, 2 sender only
    uint8_t SplitLayout = 0;   // 1 the split fixed set is in use
    TPrintForm PrintForm;
    // The thumbnail as read, or as the last save wrote it.
    QByteArray Thumbnail;

    std::array<std::unique_ptr<TDrawRect>, CombinedObjectCount> CombinedObjects;
    std::array<std::unique_ptr<TDrawRect>, SplitObjectCount> SplitObjects;
    // The letter body's page background (kind 3 only).
    std::unique_ptr<TBackImage> Background;

    // The document's file image with the thumbnail given. Throws EStreamError when an object cannot be written.
    QByteArray Bytes(const QByteArray &thumbnail) const;

    // Replaces the document by the file image. A file that is short, not ours, or holds counts or stacking
    // places that cannot be leaves the document empty (as constructed) and answers false with the message in
    // *error. StreamVersion is the file's version afterwards. Stacking places with gaps are closed up.
    bool Read(const QByteArray &bytes, QString *error);
    // Whether a stacked picture object or the background holds a JPEG the decoder refused (for its size or
    // scans): it shows empty and is stored back as it was read.
    bool PicturesRefused() const;
    // The own size of the first of them refused for its size (TJpegImage::TooLarge); invalid for none.
    QSize PictureTooLarge() const;
    bool Open(const QString &fileName, QString *error);

    // Writes the document to fileName with a new thumbnail of the paper (width and height in 0.1 mm, its
    // picture when it has one) through SaveWithSafetyCopy: the old file stays until the new one reads back as
    // a document; on any failure the old one is back under its name. False with DocumentSaveFailedMessage in
    // *error, followed by the file and why when the disk is full or the place cannot be written.
    bool Save(const QString &fileName, int paperWidth, int paperHeight, const QImage &paperPicture,
              QString *error);

    // The thumbnail bitmap: the paper within 200 (index 0) or 500 pixels (index 1), its picture resampled
    // onto it, the stacked objects drawn from the back. Every object keeps the zoom it had.
    QImage MakeThumbnail(int sizeIndex, int paperWidth, int paperHeight, const QImage &paperPicture) const;

    // The paper the paper number names: a record of the master list with its sheet, a user postcard or
    // envelope of that id (whose sheet is left as it was), or a user label or card sheet with its own sheet
    // record. False when there is none.
    bool FindPaper(const TMasterFormats &master, const TCustomFormats &custom, TPaperFormat &paper,
                   TFormatCategory &sheet) const;
    bool PaperExists(const TMasterFormats &master, const TCustomFormats &custom) const;
    // Whether a paper of the kind (0 postcard, 1 envelope, 2 label, 3 card) carries documents of this kind.
    bool PaperFitsDocument(uint8_t paperKind) const;

    // A label or card prints no sender beside its receiver: the split set's four additions print items of the
    // record instead, whichever fixed set is in use.
    bool HasRecordItems() const { return Kind == LabelDocument || Kind == CardDocument; }
    // Addition row (0 to 3) of a label or card.
    TAdditionRect &RecordItem(int row) const;

    // Hands the layout details to the fixed objects: the size steps, the name objects' company ratios and
    // the upright digits of every address object.
    void ApplyPrintForm();

    // What new texts and figures start from after reading: the last text's font (a face of a charset other
    // than Shift-JIS becomes "ＭＳ Ｐゴシック"), direction, alignment, wrap, size, ratio and line spacing, and
    // every attribute of the last figure. Lists without objects leave the defaults as they are.
    void TakeObjectDefaults(TWordRect &word, TFigureRect &figure) const;

private:
    void CreateFixedObjects();
};

// Replaces fileName by bytes through the safety copy "$$" + its name: the new file is written whole beside the
// old one, which keeps the copy's name until the file written reads back (readsBack answers true for the
// bytes found in it); a safety copy left by an earlier run is removed first. On failure the file is as it was,
// the answer is false and errno says why (ENAMETOOLONG when the disk takes no safety copy of so long a name).
bool SaveWithSafetyCopy(const QString &fileName, const QByteArray &bytes,
                        const std::function<bool(const QByteArray &)> &readsBack);
// Whether bytes read whole as a document of the kind; the stream version is left as it was.
bool ReadsAsDocument(uint8_t kind, const QByteArray &bytes);
// What saves that were ended left in the folder: a safety copy "$$" + name + extension whose document is
// missing or does not read is put back in its place, one beside a document that reads is removed, and so is
// a new file that was whole but never took its name (name + extension + "." and six letters).
void RecoverEndedSaves(const QString &folder, const QString &extension, uint8_t kind);
