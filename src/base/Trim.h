// Removing leading and trailing blanks and control characters (everything up to U+0020, not the
// ideographic space), as the program's texts have always been trimmed.
#pragma once

#include <QByteArray>
#include <QString>

QString TrimBlanks(const QString &text);
QByteArray TrimBlanks(const QByteArray &text);
