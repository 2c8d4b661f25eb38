// The binary stream the drawing objects are saved to and loaded from: little-endian fields without padding
// over any QIODevice, reads checked against the bytes the stream still holds.
#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <bit>
#include <cstdint>
#include <stdexcept>
#include <type_traits>

static_assert(std::endian::native == std::endian::little, "object streams are read and written in place");

// A stream ended before a field, held a count larger than its remaining bytes, or could not be written.
// Document readers report it as a damaged file.
class EStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TObjectStream {
public:
    explicit TObjectStream(QIODevice &device) : device_(device) {}

    void ReadBuffer(void *data, qint64 size);
    void WriteBuffer(const void *data, qint64 size);

    template <class T> T Read()
    {
        static_assert(std::is_trivially_copyable_v<T>);
        T value{};
        ReadBuffer(&value, sizeof value);
        return value;
    }
    template <class T> void Write(T value)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        WriteBuffer(&value, sizeof value);
    }

    // The device itself, for readers of embedded file images that read their own headers.
    QIODevice &Device() const { return device_; }
    // The bytes left to read.
    qint64 BytesLeft() const;
    // Fails the load when count items of itemSize bytes cannot be in the rest of the stream, before anything
    // is allocated for them.
    void CheckCount(quint64 count, quint64 itemSize) const;

private:
    QIODevice &device_;
};

// 8-bit text (Shift-JIS): u32 byte count, then the bytes, each complemented.
void WriteScrambledString(const QByteArray &text, TObjectStream &stream);
void ReadScrambledString(TObjectStream &stream, QByteArray &text);
// UTF-16 text: u32 count of units, then each unit complemented, little-endian.
void WriteScrambledWideString(const QString &text, TObjectStream &stream);
void ReadScrambledWideString(TObjectStream &stream, QString &text);
// UTF-16 text in an 8-bit string: plain Shift-JIS when that reads back as the same text, else the "@" escape,
// so a character Shift-JIS lacks is kept instead of becoming "?". The reader takes either form.
void WriteScrambledText(const QString &text, TObjectStream &stream);
void ReadScrambledText(TObjectStream &stream, QString &text);
