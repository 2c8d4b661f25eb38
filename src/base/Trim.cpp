#include "base/Trim.h"

QString TrimBlanks(const QString &text)
{
    qsizetype first = 0, last = text.size();
    while (first < last && text[first].unicode() <= 0x20)
        ++first;
    while (last > first && text[last - 1].unicode() <= 0x20)
        --last;
    // Most texts have nothing to trim: they are handed back shared, not copied.
    if (first == 0 && last == text.size())
        return text;
    return text.sliced(first, last - first);
}

// A trail byte of Shift-JIS is never below 0x40, so trimming bytes up to 0x20 never splits a character.
QByteArray TrimBlanks(const QByteArray &text)
{
    qsizetype first = 0, last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= 0x20)
        ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= 0x20)
        --last;
    if (first == 0 && last == text.size())
        return text;
    return text.sliced(first, last - first);
}
