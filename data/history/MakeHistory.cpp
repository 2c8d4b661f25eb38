// Build-time generator of the default input-history files: a UTF-8 word list, one entry a line, becomes a
// ".mtd" file written by THistoryData itself.
#include "base/SjisCodec.h"
#include "core/HistoryData.h"

#include <QFile>
#include <QStringList>

#include <cstdio>

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "mkhistory: %s\n", message.toLocal8Bit().constData());
    return 1;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 4)
        return fail(QStringLiteral("usage: mkhistory <words.txt> <output.mtd> <max bytes>"));
    const QString inputName = QString::fromLocal8Bit(argv[1]);
    const QString outputName = QString::fromLocal8Bit(argv[2]);
    bool ok = false;
    const int maxLength = QString::fromLocal8Bit(argv[3]).toInt(&ok);
    if (!ok)
        return fail(QStringLiteral("not a number: ") + QString::fromLocal8Bit(argv[3]));

    QFile input(inputName);
    if (!input.open(QIODevice::ReadOnly))
        return fail(inputName + QStringLiteral(": ") + input.errorString());
    const QStringList lines = QString::fromUtf8(input.readAll()).split(u'\n');

    try {
        // Start from nothing, whatever an earlier build left behind.
        if (QFile::exists(outputName) && !QFile::remove(outputName))
            return fail(outputName + QStringLiteral(": cannot be replaced"));
        THistoryData history(outputName, maxLength, true);
        history.LoadFromFile();
        // Every entry carries the same date-time so that two builds give identical files.
        const double dateTime = DateTimeToDouble(QDateTime(QDate(2026, 1, 1), QTime(0, 0)));
        for (const QString &line : lines) {
            const QString entry = line.trimmed();
            if (entry.isEmpty())
                continue;
            QString unmappable;
            const QByteArray text = Sjis::encode(entry, &unmappable);
            // The list would silently cut or garble an entry; a shipped default must arrive whole.
            if (!unmappable.isEmpty())
                return fail(inputName + QStringLiteral(": no Shift-JIS form for ") + unmappable);
            if (text.size() > history.MaxLength())
                return fail(inputName + QStringLiteral(": longer than %1 bytes: ").arg(history.MaxLength()) + entry);
            history.Add(text, dateTime);
        }
        history.SaveToFile();
    } catch (const EHistoryDataError &e) {
        return fail(e.Message);
    }
    return 0;
}
