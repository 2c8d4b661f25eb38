// The name-reading look-ups of Kvreading99a.so over the shipped Dic/NameReading.dic, as the pop-up makes them
// (a count, then the list of that many candidates), beside a plain scan of the same records held in memory
// doing the same two steps, in the same run.
// Usage: bench_reading
#include "base/RuntimeLibrary.h"
#include "Kvreading99a/Kvreading99a.h"

#include "BenchSupport.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct TLookUp {
    int given;  // 0 family names, 1 given names
    QByteArray reading;
};

QByteArray readingOf(const TReadingEntry &e) { return QByteArray(e.Reading, qstrnlen(e.Reading, KVREADING_FIELD_SIZE)); }

// The records of one kind, read from the file as it ships.
struct TScan {
    std::vector<TReadingEntry> records[2];

    explicit TScan(const QByteArray &file)
    {
        uint32_t sizes[2] = {};
        if (file.size() >= 32)
            std::memcpy(sizes, file.constData() + 20, sizeof sizes);
        const auto *r = reinterpret_cast<const TReadingEntry *>(file.constData() + 32);
        records[0].assign(r, r + sizes[0]);
        records[1].assign(r + sizes[0], r + sizes[0] + sizes[1]);
    }

    // Every record whose reading begins with the given one, the character after it carrying no sound mark.
    template <typename TUse>
    void scan(const TLookUp &l, TUse use) const
    {
        const size_t n = size_t(l.reading.size());
        for (const TReadingEntry &e : records[l.given]) {
            if (n > KVREADING_FIELD_SIZE || std::memcmp(e.Reading, l.reading.constData(), n) != 0)
                continue;
            const uchar next = n < KVREADING_FIELD_SIZE ? uchar(e.Reading[n]) : 0;
            if (next != 0xDE && next != 0xDF)
                use(e);
        }
    }

    uint32_t lookUp(const TLookUp &l, std::vector<TReadingEntry> &buffer) const
    {
        uint32_t count = 0;
        scan(l, [&](const TReadingEntry &) { ++count; });
        buffer.assign(std::max<uint32_t>(count, 1), TReadingEntry{});
        size_t at = 0;
        scan(l, [&](const TReadingEntry &e) { buffer[at++] = e; });
        return count;
    }
};

struct TLibrary {
    TKVReadingCountFunc count[2] = {};
    TKVReadingListFunc list[2] = {};
    QByteArray folder;

    uint32_t lookUp(const TLookUp &l, std::vector<TReadingEntry> &buffer) const
    {
        uint32_t n = 0;
        if (count[l.given](l.reading.constData(), 0, &n, folder.constData()) != KVREADING_FOUND)
            return 0;
        buffer.assign(n, TReadingEntry{});
        list[l.given](l.reading.constData(), 0, buffer.data(), int32_t(n), folder.constData());
        return n;
    }
};

// Runs the look-ups through both; prints the totals and the library's slowest single look-up.
void measure(const char *what, const std::vector<TLookUp> &lookUps, const TLibrary &library, const TScan &scan)
{
    std::vector<TReadingEntry> ours, theirs;
    double slowest = 0;
    int differ = 0;
    QElapsedTimer total;
    total.start();
    for (const TLookUp &l : lookUps) {
        QElapsedTimer one;
        one.start();
        library.lookUp(l, ours);
        slowest = std::max(slowest, seconds(one));
    }
    const double oursTime = seconds(total);
    total.restart();
    for (const TLookUp &l : lookUps)
        scan.lookUp(l, theirs);
    const double scanTime = seconds(total);
    // Answers compared outside the timed loops.
    for (const TLookUp &l : lookUps) {
        const uint32_t n = library.lookUp(l, ours);
        if (n != scan.lookUp(l, theirs) || std::memcmp(ours.data(), theirs.data(), n * sizeof(TReadingEntry)) != 0)
            ++differ;
    }
    print({what, oursTime, scanTime, int(lookUps.size())});
    std::printf("|   per look-up: %.1f µs on average, %.1f µs at most; plain scan %.1f µs on average%s\n",
                oursTime / lookUps.size() * 1e6, slowest * 1e6, scanTime / lookUps.size() * 1e6,
                differ ? " -- ANSWERS DIFFER" : "");
}

}  // namespace

int main()
{
    const QString appDir = QStringLiteral(VELMORA_APP_DIR);
    TRuntimeLibrary dll;
    if (!dll.Load(appDir, QStringLiteral("Kvreading99a.dll"))) {
        std::fprintf(stderr, "%s\n", qPrintable(dll.ErrorString()));
        return 1;
    }
    TLibrary library;
    library.folder = QFile::encodeName(appDir + QStringLiteral("Dic/"));
    library.count[0] = reinterpret_cast<TKVReadingCountFunc>(dll.GetProcAddress("KVReadingSeiCount"));
    library.count[1] = reinterpret_cast<TKVReadingCountFunc>(dll.GetProcAddress("KVReadingMeiCount"));
    library.list[0] = reinterpret_cast<TKVReadingListFunc>(dll.GetProcAddress("KVReadingSeiList"));
    library.list[1] = reinterpret_cast<TKVReadingListFunc>(dll.GetProcAddress("KVReadingMeiList"));
    QFile file(appDir + QStringLiteral("Dic/") + QStringLiteral(KVREADING_DIC_FILE));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s cannot be read\n", qPrintable(file.fileName()));
        return 1;
    }
    const TScan scan(file.readAll());

    // Every reading of both lists as a whole; each of them with the first two characters typed so far (the
    // look-ups made while typing); every single kana (the largest answers); readings no name has.
    std::vector<TLookUp> whole, typing, single, unknown;
    for (int given = 0; given < 2; ++given) {
        QSet<QByteArray> seen, typed;
        for (const TReadingEntry &e : scan.records[given]) {
            const QByteArray reading = readingOf(e);
            if (seen.contains(reading))
                continue;
            seen.insert(reading);
            whole.push_back({given, reading});
            // Two half-width kana, the second without a sound mark.
            const auto kana = [&](int i) { return uchar(reading[i]) >= 0xA6 && uchar(reading[i]) <= 0xDD; };
            if (reading.size() > 2 && kana(0) && kana(1) && !typed.contains(reading.left(2))) {
                typed.insert(reading.left(2));
                typing.push_back({given, reading.left(2)});
            }
            unknown.push_back({given, reading + "\xA6\xA6"});  // ｦｦ ends no reading
        }
        for (int kana = 0xB1; kana <= 0xDD; ++kana)
            single.push_back({given, QByteArray(1, char(kana))});
    }

    printHeader("Kvreading99a", "plain scan");
    measure("every reading, whole", whole, library, scan);
    measure("two characters typed", typing, library, scan);
    measure("one kana (largest answers)", single, library, scan);
    measure("readings no name has", unknown, library, scan);
    return 0;
}
