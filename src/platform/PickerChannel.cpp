#include "platform/PickerChannel.h"

#include "base/Folders.h"

#include <QCryptographicHash>
#include <QString>
#include <QtEndian>

#include <unistd.h>

QString PickerServerName()
{
    const QByteArray digest =
        QCryptographicHash::hash(GetAllUsersDataFolder().toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("velmora-imgview-") + QString::number(getuid()) + QLatin1Char('-') +
           QString::fromLatin1(digest.left(16));
}

QByteArray EncodePickerMessage(uint32_t kind, const QByteArray &data)
{
    QByteArray message(8, '\0');
    qToLittleEndian<quint32>(kind, message.data());
    qToLittleEndian<quint32>(static_cast<quint32>(data.size()), message.data() + 4);
    return message + data;
}

void TPickerMessageReader::Append(const QByteArray &bytes)
{
    if (!broken_)
        pending_ += bytes;
}

std::optional<TPickerMessage> TPickerMessageReader::Next()
{
    if (broken_ || pending_.size() < 8)
        return std::nullopt;
    const uint32_t length = qFromLittleEndian<quint32>(pending_.constData() + 4);
    if (length > MaxData) {
        broken_ = true;
        pending_.clear();
        return std::nullopt;
    }
    if (static_cast<uint32_t>(pending_.size()) - 8 < length)
        return std::nullopt;
    TPickerMessage message;
    message.Kind = qFromLittleEndian<quint32>(pending_.constData());
    message.Data = pending_.mid(8, length);
    pending_.remove(0, 8 + length);
    return message;
}

QByteArray ChosenFileName(const QByteArray &data)
{
    const qsizetype end = data.indexOf('\0');
    return end < 0 ? data : data.left(end);
}
