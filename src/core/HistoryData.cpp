#include "core/HistoryData.h"

#include "base/FileReplace.h"
#include "base/Folders.h"
#include "base/SjisCodec.h"
#include "base/TextUtils.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cmath>

namespace {

constexpr qint64 MsecsPerDay = 86400000;
// 9999-12-31, the last day a stored date-time can name.
constexpr double LastDay = 2958465.0;
// u8 length + f64 date-time: the smallest a record can be.
constexpr qsizetype RecordHeaderSize = 9;

QDate dayZero() { return QDate(1899, 12, 30); }

QString indexError() { return QStringLiteral("Indexが範囲外です"); }

// Texts are stored with every bit inverted; the same operation decodes them.
QByteArray complemented(QByteArray bytes)
{
    for (char &c : bytes)
        c = static_cast<char>(~static_cast<unsigned char>(c));
    return bytes;
}

}  // namespace

double DateTimeToDouble(const QDateTime &dateTime)
{
    const QDateTime local = dateTime.toLocalTime();
    const double days = static_cast<double>(dayZero().daysTo(local.date()));
    const double fraction = static_cast<double>(local.time().msecsSinceStartOfDay()) / MsecsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

bool DoubleToDateAndTime(double value, QDate *date, QTime *time)
{
    if (!std::isfinite(value) || std::fabs(value) > LastDay + 1)
        return false;
    qint64 days = static_cast<qint64>(std::trunc(value));
    qint64 msecs = std::llround(std::fabs(value - static_cast<double>(days)) * MsecsPerDay);
    if (msecs >= MsecsPerDay) {
        msecs -= MsecsPerDay;
        days += value < 0 ? -1 : 1;
    }
    *date = dayZero().addDays(days);
    *time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(msecs));
    return true;
}

QDateTime DoubleToDateTime(double value)
{
    QDate date;
    QTime time;
    if (!DoubleToDateAndTime(value, &date, &time))
        return {};
    return QDateTime(date, time);
}

THistoryData::THistoryData(const QString &fileName, int maxLength, bool missingAllowed)
    : fileName_(fileName), maxLength_(maxLength)
{
    if (!missingAllowed && !QFileInfo::exists(fileName))
        throw EHistoryFileError(fileName + QStringLiteral("\r\nファイルが見つかりません"));
    if (maxLength < 1 || maxLength > 255)
        throw EHistoryRangeError(fileName + QStringLiteral("\r\n項目サイズには1～255の値を指定してください"));
    maxLength_ = std::min(maxLength, LongestStorableText);
}

void THistoryData::throwReadError()
{
    readFailed_ = true;
    throw EHistoryDataError(fileName_ + QStringLiteral("\r\nデータが読み込めませんでした"));
}

void THistoryData::LoadFromFile()
{
    items_.emplace();
    readFailed_ = false;
    if (!QFileInfo::exists(fileName_))
        return;
    // One read, then parsing in memory: a file that ends early can never make us read past its data.
    QFile f(fileName_);
    if (!f.open(QIODevice::ReadOnly))
        throwReadError();
    const QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throwReadError();
    f.close();
    parse(data);
}

void THistoryData::parse(const QByteArray &data)
{
    if (data.isEmpty())
        return;
    if (data.size() < 4)
        throwReadError();
    const quint32 count = qFromLittleEndian<quint32>(data.constData());
    qsizetype pos = 4;
    // The items join the list only once the file is read whole: a damaged file offers none of its entries
    // rather than some of them.
    std::vector<Item> read;
    // The count comes from the file: reserve no more than the data could hold.
    read.reserve(static_cast<size_t>(std::min<qsizetype>(count, (data.size() - pos) / RecordHeaderSize)));
    for (quint32 i = 0; i < count; ++i) {
        if (data.size() - pos < RecordHeaderSize)
            throwReadError();
        const int length = static_cast<unsigned char>(data[pos]);
        // A length below 8 cannot hold the date-time; it would only send the reader into the next record.
        if (length < 8)
            throwReadError();
        const double dateTime = std::bit_cast<double>(qFromLittleEndian<quint64>(data.constData() + pos + 1));
        pos += RecordHeaderSize;
        const qsizetype textLength = length - 8;
        if (data.size() - pos < textLength)
            throwReadError();
        read.push_back(Item{dateTime, TrimBlanks(complemented(data.mid(pos, textLength)))});
        pos += textLength;
    }
    *items_ = std::move(read);
}

void THistoryData::SaveToFile() const
{
    const QString writeError = fileName_ + QStringLiteral("\r\nデータが書き込めませんでした");
    // A file we could not read may still hold the user's entries: replacing it with what little we have
    // would lose them.
    if (!items_ || readFailed_)
        throw EHistoryDataError(writeError);

    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian<quint32>(static_cast<quint32>(items_->size()), bytes.data());
    for (const Item &item : *items_) {
        bytes.append(static_cast<char>(item.Text.size() + 8));
        char dateTime[8];
        qToLittleEndian<quint64>(std::bit_cast<quint64>(item.DateTime), dateTime);
        bytes.append(dateTime, sizeof dateTime);
        bytes.append(complemented(item.Text));
    }

    if (!ForceDirectories(QFileInfo(fileName_).absolutePath()) || !ReplaceFileWhole(fileName_, bytes))
        throw EHistoryDataError(writeError + WriteFailureReason(errno));
}

void THistoryData::FreeItems() { items_.reset(); }

int THistoryData::GetCount() const { return items_ ? static_cast<int>(items_->size()) : 0; }

void THistoryData::checkIndex(int index) const
{
    if (index < 0 || index >= GetCount())
        throw EHistoryDataError(indexError());
}

const THistoryData::Item &THistoryData::itemAt(int index) const
{
    checkIndex(index);
    return (*items_)[static_cast<size_t>(index)];
}

QByteArray THistoryData::GetText(int index) const { return itemAt(index).Text; }

double THistoryData::GetDateTime(int index) const { return itemAt(index).DateTime; }

int THistoryData::Add(const QByteArray &text, double dateTime)
{
    const int index = GetCount();
    Insert(index, text, dateTime);
    return index;
}

void THistoryData::Insert(int index, const QByteArray &text, double dateTime)
{
    // A list that was never loaded has no positions at all; inserting would only build a list that a later
    // save writes over the file's real entries.
    if (!items_ || index < 0 || index > GetCount())
        throw EHistoryDataError(indexError());
    if (dateTime == 0 || std::isnan(dateTime))
        dateTime = DateTimeToDouble(QDateTime::currentDateTime());
    items_->insert(items_->begin() + index, Item{dateTime, Sjis::cutToBytes(text, maxLength_)});
}

void THistoryData::Delete(int index)
{
    checkIndex(index);
    items_->erase(items_->begin() + index);
}

void THistoryData::Clear()
{
    if (items_)
        items_->clear();
}

int THistoryData::IndexOf(const QByteArray &text) const
{
    if (!items_)
        return -1;
    const auto it = std::find_if(items_->begin(), items_->end(), [&](const Item &item) { return item.Text == text; });
    return it == items_->end() ? -1 : static_cast<int>(it - items_->begin());
}
