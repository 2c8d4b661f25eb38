// The default search names of searchnames.txt (its first lines describe the format): read by the generator of
// the category tables and by the generator of the sample directory, which checks them against its listings.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct TSearchName {
    int category = 0;  // the sub category it belongs to (main × 100 + sub)
    QString name, reading;
    QStringList targets, exclusions;
};

// Throws std::runtime_error for a file that cannot be read or a line that is not a search name.
QList<TSearchName> ReadSearchNames(const QString &path);
