// Reading a settings file of many keys with TMemIniFile, beside the work any reader of the same file must do
// in the same run: decoding it from Shift-JIS and cutting it into trimmed lines. The files are one section of
// numbered keys (as the book order and the pending operations are kept) and many small sections. With
// --sections, instead: a file of that many megabytes of sections of one key each (the shape that costs the most
// memory for its size), its read timed and the peak memory of the process given, beside the same baseline.
// Usage: bench_inifile [keys] | bench_inifile --sections MB
#include "base/SjisCodec.h"
#include "base/Trim.h"
#include "platform/MemIniFile.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
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

int oneKeySections(const QString &file, double megabytes)
{
    QByteArray text;
    int sections = 0;
    while (text.size() < megabytes * 1e6)
        text += "[Section" + QByteArray::number(++sections) + "]\r\nKey=1\r\n";
    QFile out(file);
    out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    out.write(text);
    out.close();
    const long startKb = statusKb("VmHWM:");
    QElapsedTimer timer;
    timer.start();
    const TMemIniFile ini(file);
    const double ours = seconds(timer);
    const long peakKb = statusKb("VmHWM:");
    timer.restart();
    readLines(file);
    const double raw = seconds(timer);
    printHeader("TMemIniFile", "decode and split");
    print({"sections of one key", ours, raw, sections});
    std::printf("\n%.1f MB; %s; peak resident memory: %ld MB at the start, %ld MB after the read\n", text.size() / 1e6,
                ini.ReadFailed() ? "refused" : "read", startKb / 1024, peakKb / 1024);
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 2 && QByteArray(argv[1]) == "--sections") {
        QTemporaryDir dir;
        return oneKeySections(dir.path() + "/a.ini", std::atof(argv[2]));
    }
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
