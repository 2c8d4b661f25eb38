#include "designers/WordExamples.h"

#include "base/SjisCodec.h"
#include "base/Trim.h"

#include <QDir>
#include <QFile>

namespace {

bool isBlank(char c)
{
    return c >= 1 && c <= 32;
}

void skipBlanks(const QByteArray &s, qsizetype &i)
{
    while (i < s.size() && isBlank(s[i]))
        ++i;
}

// Lines ended by CR LF, LF or CR, as the text reader takes them.
QList<QByteArray> splitLines(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        lines.append(bytes.mid(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.append(bytes.mid(start));
    return lines;
}

bool readFile(const QString &name, QByteArray &bytes)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll();
    return true;
}

// A decimal number as the text reader reads an integer: blanks around it, an optional sign, digits only.
bool readCount(const QByteArray &line, int &value)
{
    const QByteArray text = TrimBlanks(line);
    if (text.isEmpty())
        return false;
    for (qsizetype i = (text[0] == '-' || text[0] == '+') ? 1 : 0; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    bool ok = false;
    value = text.toInt(&ok);
    return ok;
}

QString wrongFile(const QString &file)
{
    return QStringLiteral("例文ファイルが正しくありません  \r\n") + QDir::toNativeSeparators(file);
}

QByteArray quoted(const QByteArray &field)
{
    bool plain = !field.isEmpty() && field[0] != '"';
    for (qsizetype i = 0; plain && i < field.size(); ++i) {
        if (Sjis::isLeadByte(static_cast<unsigned char>(field[i])))
            ++i;
        else if (field[i] == ',' || static_cast<unsigned char>(field[i]) <= 32)
            plain = false;
    }
    if (plain)
        return field;
    QByteArray text = "\"";
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (Sjis::isLeadByte(static_cast<unsigned char>(field[i])) && i + 1 < field.size()) {
            text += field.mid(i++, 2);
            continue;
        }
        text += field[i] == '"' ? QByteArray("\"\"") : QByteArray(1, field[i]);
    }
    return text + '"';
}

}  // namespace

QList<QByteArray> SplitCommaText(const QByteArray &text)
{
    // A zero byte ends the text as it ends a C string: neither a blank to skip nor part of a field, so the
    // fields stop there and every pass below consumes at least one byte.
    const qsizetype end = text.indexOf('\0');
    const QByteArray line = end < 0 ? text : text.left(end);
    QList<QByteArray> fields;
    qsizetype i = 0;
    skipBlanks(line, i);
    while (i < line.size()) {
        QByteArray field;
        if (line[i] == '"') {
            ++i;
            while (i < line.size()) {
                if (Sjis::isLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < line.size()) {
                    field += line.mid(i, 2);
                    i += 2;
                } else if (line[i] == '"') {
                    ++i;
                    if (i < line.size() && line[i] == '"') {
                        field += '"';
                        ++i;
                    } else {
                        break;
                    }
                } else {
                    field += line[i++];
                }
            }
        } else {
            while (i < line.size() && line[i] != ',' && !isBlank(line[i])) {
                const qsizetype width =
                    Sjis::isLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < line.size() ? 2 : 1;
                field += line.mid(i, width);
                i += width;
            }
        }
        fields.append(field);
        skipBlanks(line, i);
        if (i < line.size() && line[i] == ',') {
            ++i;
            if (i == line.size())
                fields.append(QByteArray());
            skipBlanks(line, i);
        }
    }
    return fields;
}

TExampleIndex ReadExampleIndex(const QString &indexFile)
{
    TExampleIndex index;
    QByteArray bytes;
    if (!readFile(indexFile, bytes)) {
        index.Error = wrongFile(indexFile);
        return index;
    }
    for (const QByteArray &line : splitLines(bytes)) {
        if (TrimBlanks(line).isEmpty())
            break;
        const QList<QByteArray> fields = SplitCommaText(line);
        if (fields.size() < 2) {
            index.Error = wrongFile(indexFile);
            break;
        }
        index.Classes.append({Sjis::decode(fields[0]), Sjis::decode(fields[1])});
    }
    return index;
}

QString ExampleClassPath(const QString &commonFolder, const QString &file)
{
    QString relative = file;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (relative.isEmpty() || QDir::isAbsolutePath(relative))
        return QString();
    const QString folder = QDir::cleanPath(commonFolder);
    const QString path = QDir::cleanPath(folder + QLatin1Char('/') + relative);
    return path.startsWith(folder + QLatin1Char('/')) ? path : QString();
}

TExampleClassData ReadExampleClass(const QString &file)
{
    TExampleClassData data;
    QByteArray bytes;
    if (!readFile(file, bytes)) {
        data.Error = wrongFile(file);
        return data;
    }
    const QList<QByteArray> lines = splitLines(bytes);
    int count = 0;
    // Each example takes at least two lines, so a count beyond that is a damaged file, whatever follows.
    if (lines.isEmpty() || !readCount(lines[0], count) || count < 0 || count > (lines.size() - 1) / 2) {
        data.Error = wrongFile(file);
        return data;
    }
    qsizetype at = 1;
    for (int i = 0; i < count; ++i) {
        int lineCount = 0;
        if (at >= lines.size() || !readCount(lines[at], lineCount) || lineCount < 1 ||
            lineCount > lines.size() - at - 1) {
            data.Error = wrongFile(file);
            return data;
        }
        ++at;
        QStringList exampleLines;
        for (int j = 0; j < lineCount; ++j)
            exampleLines.append(Sjis::decode(lines[at++]));
        data.Examples.append(exampleLines.join(QStringLiteral("\r\n")));
    }
    return data;
}

QByteArray ExampleClassBytes(const QStringList &examples)
{
    QByteArray bytes = QByteArray::number(examples.size()) + "\r\n";
    for (const QString &example : examples) {
        const QStringList lines = QString(example).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).split(u'\n');
        bytes += QByteArray::number(lines.size()) + "\r\n";
        for (const QString &line : lines)
            bytes += Sjis::encode(line) + "\r\n";
    }
    return bytes;
}

QByteArray ExampleIndexBytes(const QList<TExampleClass> &classes)
{
    QByteArray bytes;
    for (const TExampleClass &entry : classes)
        bytes += quoted(Sjis::encode(entry.Name)) + ',' + quoted(Sjis::encode(entry.File)) + "\r\n";
    return bytes;
}
