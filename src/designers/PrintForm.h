// The printed-items and layout-detail record every designer document carries: how record data becomes printed
// text and how the address objects are sized and arranged. 108 bytes, the same in memory, files and undo steps.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

// One honorific as stored: a length byte (0-10) and 10 bytes of Shift-JIS text.
struct THonorific {
    static constexpr int MaxBytes = 10;
    uint8_t Length = 0;
    std::array<char, MaxBytes> Text{};

    // The stored text (a length byte above 10 reads as 10).
    QString Value() const;
    // At most 10 bytes, never a character cut in two.
    void SetValue(const QString &value);
    bool operator==(const THonorific &) const = default;
};

struct TPrintForm {
    static constexpr int Size = 108;
    // Data form, bytes 0-59.
    uint8_t HidePrefecture = 0;
    uint8_t DigitsUpright = 0;
    uint8_t KanjiNumerals = 0;
    uint8_t DashToNo = 0;
    uint32_t CorpTypeForm = 0;      // 0 as stored, 1 abbreviated, 2 expanded
    uint32_t PostalMark = 0;        // 0 digits, 1 "〒" and hyphen, 2 hyphen
    uint32_t SenderPostalMark = 0;
    THonorific DefaultHonor, CorpHonor, PostHonor, SenderHonor;
    // Layout detail, bytes 60-107.
    uint32_t AddressSize = 0, NameSize = 0, AdditionSize = 0;  // size steps 1 (small) to 5 (large)
    uint32_t SenderAddressSize = 0, SenderNameSize = 0, SenderAdditionSize = 0;
    uint32_t CorpRatio = 0, DptmntRatio = 0, PostRatio = 0;    // indexes into LayoutRatioTable
    uint8_t WidenNameSpacing = 0;
    uint8_t NameAlign = 0;          // 0 justified, 1 left or top, 2 right or bottom, 3 centre
    uint8_t SenderNameAlign = 0;
    uint8_t SenderJointSeries = 0;  // 1 shown together, 0 side by side
    uint8_t CorpBreak = 0;
    std::array<char, 7> Reserved{};  // copied with the record, never interpreted

    bool operator==(const TPrintForm &) const = default;
};

// The company, department and post line sizes relative to the name, in tenths.
inline constexpr std::array<int, 6> LayoutRatioTable{10, 9, 8, 7, 6, 5};
// The factor of a ratio index; an index the table lacks reads as its last entry.
double LayoutRatio(uint32_t index);

QByteArray PrintFormBytes(const TPrintForm &form);
// bytes holds at least TPrintForm::Size bytes.
TPrintForm PrintFormFromBytes(const char *bytes);

// The record a new address document starts from: zero bytes with the defaults written in; the postal marks
// depend on whether the paper has a picture of its own (which then shows the marks).
TPrintForm DefaultAddressPrintForm(bool paperHasPicture);
// The record a new label document starts from: the address defaults, the postal code with "〒" and the name
// left-aligned at its natural spacing.
TPrintForm DefaultLabelPrintForm();
