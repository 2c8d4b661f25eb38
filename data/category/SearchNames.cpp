#include "SearchNames.h"

#include <QFile>
#include <QTextStream>

#include <stdexcept>

namespace {

QStringList names(const QString &field)
{
    return field == QStringLiteral("-") ? QStringList() : field.split(',', Qt::SkipEmptyParts);
}

}  // namespace

QList<TSearchName> ReadSearchNames(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw std::runtime_error("cannot read " + path.toStdString());
    QList<TSearchName> out;
    QTextStream in(&file);
    for (int lineNo = 1; !in.atEnd(); ++lineNo) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QStringList fields = line.split(' ', Qt::SkipEmptyParts);
        bool number = false;
        const int category = fields.value(0).toInt(&number);
        if (fields.size() != 5 || !number || fields[0].size() != 4)
            throw std::runtime_error(path.toStdString() + " line " + std::to_string(lineNo) + " is not a search name");
        out.append({category, fields[1], fields[2], names(fields[3]), names(fields[4])});
    }
    return out;
}
