// Reading a settings file of many keys with TMemIniFile, beside the work any reader of the same file must do
// in the same run: decoding it from Shift-JIS and cutting it into trimmed lines. The files are one section of
// numbered keys (as the book order and the pending operations are kept) and many small sections.
// Usage: bench_inifile [keys]
#include "base/SjisCodec.h"
#include "base/Trim.h"
#include "platform/MemIniFile.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

QByteArray oneSection(int keys)
{
    QString text = QStringLiteral("[SORT]\r\n");
    for (int i = 1; i <= keys; ++i)
        text += QStringLiteral("%1=得意先%1\r\n").arg(i);
    return Sjis::encode(text);
}

QByteArray manySections(int keys)
{
    QString text;
    for (int i = 1; i <= keys; ++i) {
        if (i % 10 == 1)
            text += QStringLiteral("[帳票%1]\r\n").arg(i / 10);
        text += QStringLiteral("Key%1=値%1\r\n").arg(i);
    }
    return Sjis::encode(text);
}

// The baseline: read the file, decode it and trim every line, as any INI reader has to.
qsizetype readLines(const QString &file)
{
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    const QString text = Sjis::decode(f.readAll());
    qsizetype kept = 0;
    for (QStringView line : QStringView(text).split('\n'))
        kept += TrimBlanks(line.toString()).isEmpty() ? 0 : 1;
    return kept;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int most = argc > 1 ? std::atoi(argv[1]) : 40000;
    QTemporaryDir dir;
    const QString file = dir.path() + "/a.ini";
    printHeader("TMemIniFile", "decode and split");
    for (const auto &[what, make] : {std::pair{"one section, keys", &oneSection},
                                     std::pair{"ten keys a section, keys", &manySections}}) {
        for (int keys = most / 4; keys <= most; keys *= 2) {
            QFile out(file);
            out.open(QIODevice::WriteOnly | QIODevice::Truncate);
            out.write(make(keys));
            out.close();
            int found = 0;
            const double ours = perRun([&] {
                const TMemIniFile ini(file);
                found = static_cast<int>(ini.ReadSections().size());
            });
            const double raw = perRun([&] { readLines(file); });
            if (found == 0)
                return 1;
            print({what, ours, raw, keys});
        }
    }
}
