// The paper formats the designers lay out on: the records of the master list "Lyt.fmt" and of the user's own
// papers "CstmL.fmt", their byte forms, and the reading and writing of both files. No widgets.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// One default rectangle, in layout units (1/96 inch from the paper's top-left corner).
struct TFormatRect {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TFormatRect &) const = default;
};

// How many fixed objects the designers place by each rectangle set; the records have room for more.
inline constexpr int CombinedObjectCount = 9;
inline constexpr int SplitObjectCount = 21;
// The barcode's rectangle in each set: its size follows the bar size, not the paper.
inline constexpr int CombinedBarcodeIndex = 3;
inline constexpr int SplitBarcodeIndex = 8;
// The first of the split set's four additions.
inline constexpr int FirstSplitAddition = 17;

struct TPaperFormat {
    static constexpr int Size = 656;
    uint8_t Kind = 0;       // 0 postcard, 1 envelope, 2 label sheet, 3 business card
    QByteArray Category;    // Shift-JIS, at most 20 bytes
    QByteArray Name;        // Shift-JIS, at most 33 bytes
    int32_t Direction = 0;  // postcards 0 vertical / 1 horizontal writing; envelopes 0, 1 portrait, else landscape
    int32_t Width = 0;      // 0.1 mm
    int32_t Height = 0;     // 0.1 mm
    QByteArray PictureFile; // in Common/Format/, at most 15 bytes; empty = none
    int32_t CombinedRectCount = 0;
    std::array<TFormatRect, 13> CombinedRects{};
    int32_t SplitRectCount = 0;
    std::array<TFormatRect, 22> SplitRects{};
    int32_t SheetIndex = 0;  // 0 a single paper; k > 0 one paper of the sheet laid out by sheet record k (1-based)
    bool operator==(const TPaperFormat &) const = default;
};

// The layout of a multi-up sheet.
struct TFormatCategory {
    static constexpr int Size = 32;
    int32_t SheetWidth = 0, SheetHeight = 0;  // 0.1 mm
    int32_t Columns = 0, Rows = 0;
    int32_t LeftMargin = 0, TopMargin = 0;    // 0.1 mm, the first paper's place
    int32_t ColumnGap = 0, RowGap = 0;        // 0.1 mm between neighbouring papers
    bool operator==(const TFormatCategory &) const = default;
};

struct TCustomPaperRecord {
    static constexpr int Size = 668;
    uint32_t Id = 0;         // > 0, never reused; the paper number is -Id
    uint32_t BaseIndex = 0;  // the "Lyt.fmt" record the paper was made from
    TPaperFormat Format;
    uint32_t DirectionFlag = 0;
    bool operator==(const TCustomPaperRecord &) const = default;
};

// The record forms, little-endian without padding. Reading checks what the designers rely on: the rectangle
// counts are held within the rectangles the designers place (9 and 21), a sheet index within sheetCount (0 when
// it names no sheet), a size below 1 becomes 1, and a short string never reaches past its field.
QByteArray PaperFormatBytes(const TPaperFormat &format);
TPaperFormat PaperFormatFromBytes(const char *bytes, int sheetCount);
QByteArray FormatCategoryBytes(const TFormatCategory &sheet);
TFormatCategory FormatCategoryFromBytes(const char *bytes);
QByteArray CustomPaperBytes(const TCustomPaperRecord &record);
TCustomPaperRecord CustomPaperFromBytes(const char *bytes, int sheetCount);

// The limits of a user paper's size, 0.1 mm.
inline constexpr int MinCustomPaperSize = 500;
inline constexpr int MaxCustomPaperSize = 5940;
// The smallest label or card a sheet holds, 0.1 mm.
inline constexpr int MinLabelSide = 50;

// Whether a paper, on its sheet when it has one, is what a sheet can hold: its sides between MinLabelSide and
// the largest paper (MaxCustomPaperSize, A2), the rectangles it places within the reach of a stored object
// (PaperReach), and a sheet of that size at most whose margins, gaps, columns and rows of papers stay on it.
// The readers refuse the rest: such values overflow the sheet's arithmetic and loop for ever over places.
bool PaperFormatFits(const TPaperFormat &format, const TFormatCategory *sheet);

// The master list "Lyt.fmt" as read whole. A missing file, a foreign magic, a header that promises more than
// the file holds or a paper that does not fit (PaperFormatFits) leaves it empty (Loaded false): the dialogs
// then offer no paper, the designer reports it.
struct TMasterFormats {
    std::vector<TPaperFormat> Formats;
    std::vector<TFormatCategory> Sheets;
    bool Loaded = false;

    bool Load(const QString &fileName);
    QByteArray Bytes() const;
    // The sheet record a paper points to, or a zero record for a single paper.
    TFormatCategory SheetOf(const TPaperFormat &format) const;
};

// The user's papers "CstmL.fmt". A file cut short keeps the whole records before the cut, a paper that does not
// fit (PaperFormatFits) is left out; a foreign file is never deleted by a save that has nothing to write.
struct TCustomFormats {
    uint32_t LastCustomId = 0;
    std::vector<TCustomPaperRecord> Records;
    std::vector<TFormatCategory> Sheets;
    bool Foreign = false;  // a file of that name was there that is not ours

    void Load(const QString &fileName);
    QByteArray Bytes() const;
    // Writes every record through a temporary file (or deletes the file when there is none), so a failed or
    // interrupted write leaves the old papers as they were. False when the file could not be written, with errno
    // saying why.
    bool Save(const QString &fileName) const;
    const TCustomPaperRecord *FindId(uint32_t id) const;
    // The sheet record of this file a user label or card sheet points to, or a zero record for a single paper.
    TFormatCategory SheetOf(const TPaperFormat &format) const;
};

inline constexpr char LytFmtMagic[] = "Mirzon Layout FormatFile";
inline constexpr char CstmLFmtMagic[] = "Mirzon Custom FormatFile";

// ---- User papers ----

inline constexpr int MaxCustomNameBytes = 30;

// The base paper resized to width x height (0.1 mm): every rectangle scaled from the base (so repeated changes
// never add up rounding), kept at least 10 units wide and high and within the reach of a stored object; the
// barcodes keep their size and stay on the paper along the side they run. A base of no size scales nothing.
TPaperFormat ResizePaperFormat(const TPaperFormat &base, int width, int height);
// A user paper's name as stored: trimmed, at most 30 bytes, never cut inside a character.
QByteArray CustomPaperName(const QString &text);
