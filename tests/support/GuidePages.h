// The operation guide as a reader sees it: the page a window's help context opens, its chapter heading, and the
// contents page's entries.
#pragma once

#include "TestSupport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QString>

#include <vector>

namespace test {

inline const QString Guide = appDir() + QStringLiteral("Mirvale18.pdf");

// The page the guide viewer is asked for, counted from 1 as the viewer counts.
inline int viewerPageOf(int context) { return context >= 1 ? context + 4 : 1; }

inline QString pageText(int viewerPage)
{
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-f"), QString::number(viewerPage), QStringLiteral("-l"),
                                                  QString::number(viewerPage), Guide, QStringLiteral("-")});
    pdftotext.waitForFinished();
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

// The guide's text reads back the ideographic blank as a plain one, or as none at a line's end.
inline QString withoutBlanks(QString text) { return text.remove(QLatin1Char(' ')).remove(QChar(0x3000)); }

// The chapter heading of a page: the lines between the running title and the first section, joined. Blanks are
// dropped, as a heading wrapped at a blank reads back without it.
inline QString headingOf(const QString &page)
{
    QString heading;
    for (const QString &line : page.split(QLatin1Char('\n'))) {
        if (line.trimmed().isEmpty() || line == QStringLiteral("Velmora 操作ガイド"))
            continue;
        if (line == QStringLiteral("この画面について"))
            break;
        heading += line.trimmed();
    }
    return withoutBlanks(heading);
}

struct ContentsEntry {
    QString title;
    int page;
};

// The contents page read column by column (the left and the right half of the page): a line ending in a number
// starts an entry, a line without one goes on with the title before it.
inline std::vector<ContentsEntry> contentsEntries()
{
    std::vector<ContentsEntry> entries;
    static const QRegularExpression entry(QStringLiteral("^(.*\\S)\\s+(\\d+)$"));
    for (const auto &[x, width] : {std::pair{0, 298}, std::pair{298, 297}}) {
        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"),
                        {QStringLiteral("-f"), QStringLiteral("2"), QStringLiteral("-l"), QStringLiteral("2"), QStringLiteral("-layout"),
                         QStringLiteral("-x"), QString::number(x), QStringLiteral("-y"), QStringLiteral("60"), QStringLiteral("-W"),
                         QString::number(width), QStringLiteral("-H"), QStringLiteral("720"), Guide, QStringLiteral("-")});
        pdftotext.waitForFinished();
        bool started = false;
        for (const QString &raw : QString::fromUtf8(pdftotext.readAllStandardOutput()).split(QLatin1Char('\n'))) {
            const QString line = raw.trimmed();
            if (line.isEmpty() || line == QStringLiteral("目次"))
                continue;
            const QRegularExpressionMatch m = entry.match(line);
            if (m.hasMatch()) {
                entries.push_back({m.captured(1), m.captured(2).toInt()});
                started = true;
            } else if (started) {
                entries.back().title += line;
            }
        }
    }
    return entries;
}

}  // namespace test
