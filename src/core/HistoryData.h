// THistoryData: a list of earlier entries of a free-text field, each with the time it was entered, kept in a
// ".mtd" file.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>
#include <stdexcept>
#include <vector>

class EHistoryDataError : public std::runtime_error {
public:
    explicit EHistoryDataError(const QString &message)
        : std::runtime_error(message.toStdString()), Message(message)
    {
    }
    const QString Message;
};

// The constructor's refusals: a file that must exist is missing, or the maximum length is out of range.
class EHistoryFileError : public EHistoryDataError {
public:
    using EHistoryDataError::EHistoryDataError;
};

class EHistoryRangeError : public EHistoryDataError {
public:
    using EHistoryDataError::EHistoryDataError;
};

// Date-times as the history files hold them: days since 1899-12-30 in local time, the time of day as the
// fraction (before that day the fraction still counts forward, so 1899-12-29 06:00 is -1.25).
double DateTimeToDouble(const QDateTime &dateTime);
// A value that is not finite or lies beyond year 9999 gives an invalid QDateTime.
QDateTime DoubleToDateTime(double value);
// The same day and time of day without a time zone: a local QDateTime asks the system's zone rules each time it
// is made, which a list of many stored times need not pay for. False where DoubleToDateTime gives no time.
bool DoubleToDateAndTime(double value, QDate *date, QTime *time);

class THistoryData {
public:
    // The length byte of a record counts the 8 date-time bytes as well, so no text can be longer than this.
    static constexpr int LongestStorableText = 255 - 8;

    // Throws EHistoryFileError when the file is missing and that is not allowed, EHistoryRangeError when
    // maxLength is outside 1..255. A maximum above LongestStorableText is lowered to it.
    THistoryData(const QString &fileName, int maxLength, bool missingAllowed);

    const QString &FileName() const { return fileName_; }
    int MaxLength() const { return maxLength_; }

    // Replaces the item list with the file's items; a missing or empty file gives an empty list. A file that
    // cannot be opened, or is truncated or corrupt, throws EHistoryDataError, leaves the list empty (not
    // half-read) and is then never written over by SaveToFile.
    void LoadFromFile();
    // Replaces the file whole (temporary file, then rename); throws EHistoryDataError when the list is not
    // loaded, when the file could not be read at load, or when it cannot be written.
    void SaveToFile() const;
    void FreeItems();
    bool IsLoaded() const { return items_.has_value(); }

    int GetCount() const;
    QByteArray GetText(int index) const;
    double GetDateTime(int index) const;
    // A dateTime of 0 or NaN means now. The text is cut to MaxLength bytes without splitting a character.
    int Add(const QByteArray &text, double dateTime);
    void Insert(int index, const QByteArray &text, double dateTime);
    void Delete(int index);
    void Clear();
    int IndexOf(const QByteArray &text) const;

private:
    struct Item {
        double DateTime;
        QByteArray Text;
    };

    void checkIndex(int index) const;
    const Item &itemAt(int index) const;
    void parse(const QByteArray &data);
    [[noreturn]] void throwReadError();

    QString fileName_;
    int maxLength_;
    std::optional<std::vector<Item>> items_;
    bool readFailed_ = false;
};
