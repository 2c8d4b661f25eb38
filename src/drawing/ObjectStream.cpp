#include "drawing/ObjectStream.h"

#include "base/SjisCodec.h"
#include "base/TextUtils.h"

void TObjectStream::ReadBuffer(void *data, qint64 size)
{
    if (size > 0 && device_.read(static_cast<char *>(data), size) != size)
        throw EStreamError("The object stream ends before the end of an object.");
}

void TObjectStream::WriteBuffer(const void *data, qint64 size)
{
    if (size > 0 && device_.write(static_cast<const char *>(data), size) != size)
        throw EStreamError("The object stream could not be written.");
}

qint64 TObjectStream::BytesLeft() const
{
    return device_.isSequential() ? device_.bytesAvailable() : device_.size() - device_.pos();
}

void TObjectStream::CheckCount(quint64 count, quint64 itemSize) const
{
    const qint64 left = BytesLeft();
    if (left < 0 || (itemSize != 0 && count > static_cast<quint64>(left) / itemSize))
        throw EStreamError("The object stream holds a count larger than its remaining data.");
}

void WriteScrambledString(const QByteArray &text, TObjectStream &stream)
{
    QByteArray bytes = text;
    for (char &b : bytes)
        b = static_cast<char>(~b);
    stream.Write<quint32>(static_cast<quint32>(bytes.size()));
    stream.WriteBuffer(bytes.constData(), bytes.size());
}

void ReadScrambledString(TObjectStream &stream, QByteArray &text)
{
    const quint32 count = stream.Read<quint32>();
    stream.CheckCount(count, 1);
    QByteArray bytes(static_cast<qsizetype>(count), Qt::Uninitialized);
    stream.ReadBuffer(bytes.data(), count);
    for (char &b : bytes)
        b = static_cast<char>(~b);
    text = bytes;
}

void WriteScrambledWideString(const QString &text, TObjectStream &stream)
{
    stream.Write<quint32>(static_cast<quint32>(text.size()));
    for (QChar c : text)
        stream.Write<quint16>(static_cast<quint16>(~c.unicode()));
}

void ReadScrambledWideString(TObjectStream &stream, QString &text)
{
    const quint32 count = stream.Read<quint32>();
    stream.CheckCount(count, 2);
    QString units(static_cast<qsizetype>(count), Qt::Uninitialized);
    stream.ReadBuffer(units.data(), static_cast<qint64>(count) * 2);
    for (QChar &c : units)
        c = QChar(static_cast<char16_t>(~c.unicode()));
    text = units;
}

void WriteScrambledText(const QString &text, TObjectStream &stream)
{
    const QByteArray plain = Sjis::encode(text);
    // A plain text that looks like an escaped one ("@0041") would read back changed, so it is escaped too.
    WriteScrambledString(EscapedAnsiToWide(plain) == text ? plain : WideToEscapedAnsi(text), stream);
}

void ReadScrambledText(TObjectStream &stream, QString &text)
{
    QByteArray bytes;
    ReadScrambledString(stream, bytes);
    text = EscapedAnsiToWide(bytes);
}
