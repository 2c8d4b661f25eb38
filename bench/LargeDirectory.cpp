#include "LargeDirectory.h"

#include "BenchSupport.h"
#include "NameKey.h"
#include "base/SjisCodec.h"

#include <QDateTime>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

namespace {

// What the large set is made from.
const char *const kInputs[] = {VELMORA_MAKE_DIRECTORY, VELMORA_VOCABULARY, VELMORA_APP_DIR "Dic/Geo.dic",
                               VELMORA_APP_DIR "Dic/Phone.dic", VELMORA_APP_DIR "Dic/NameReading.dic"};

}  // namespace

bool ensureLargeSet(const std::string &folder, uint32_t listings)
{
    {
        const kvdir::TDirectoryFile file(folder);
        const QDateTime made = QFileInfo(QString::fromStdString(folder) + kvdir::kDirectoryFileName).lastModified();
        const bool current = std::all_of(std::begin(kInputs), std::end(kInputs), [&](const char *input) {
            return QFileInfo(QString::fromUtf8(input)).lastModified() < made;
        });
        if (current && file.valid() && file.listingCount() == listings)
            return true;
    }
    std::printf("making the large sample directory (%u listings) in %s ...\n", listings, folder.c_str());
    std::fflush(stdout);
    QElapsedTimer timer;
    timer.start();
    const int code = QProcess::execute(QStringLiteral(VELMORA_MAKE_DIRECTORY),
                                       {QString::fromUtf8(DirectoryDicFolder), QStringLiteral(VELMORA_VOCABULARY),
                                        QString::fromStdString(folder), QString::number(listings),
                                        QStringLiteral("all")});
    std::printf("made in %.1f s\n\n", seconds(timer));
    return code == 0;
}

std::string sjis(const char *utf8) { return Sjis::encode(QString::fromUtf8(utf8)).toStdString(); }

std::string utf8(std::string_view text)
{
    return Sjis::decode(QByteArray(text.data(), qsizetype(text.size()))).toUtf8().toStdString();
}

TDirectoryCondition directoryCondition(const kvdir::TScanQuery &q, const std::string &folder, uint32_t pageSize)
{
    TDirectoryCondition c;
    std::memset(&c, 0, sizeof c);
    std::memcpy(c.AreaCode, q.area.data(), q.area.size());
    c.One1 = c.One2 = 1;
    c.Kinds = q.kinds;
    c.LegalForm = q.legalForm;
    c.MatchMode = q.mode;
    c.PageSize = pageSize;
    std::strcpy(c.DataFolder, folder.c_str());
    std::strcpy(c.DicFolder, DirectoryDicFolder);
    return c;
}

std::string largestTown(const kvdir::TDirectoryFile &file, uint32_t &first, uint32_t &count)
{
    std::map<std::string, std::pair<uint32_t, uint32_t>> towns;  // code -> (first listing, count)
    for (uint32_t id = 0; id < file.listingCount(); ++id) {
        const kvdir::TTownRecord *t = file.town(file.listing(id).Town);
        ++towns.try_emplace(std::string(t->District, 8), id, 0).first->second.second;
    }
    const auto best = std::max_element(towns.begin(), towns.end(),
                                       [](const auto &a, const auto &b) { return a.second.second < b.second.second; });
    first = best->second.first;
    count = best->second.second;
    return best->first;
}

std::vector<std::string> townNames(const kvdir::TDirectoryFile &file, uint32_t first, uint32_t count)
{
    std::map<std::string, int> counted[4];
    for (uint32_t id = first; id < first + count; ++id) {
        std::vector<std::string> chars;
        const std::string_view key = file.key(id);
        for (size_t at = 0; at < key.size(); at += kvdir::CharLength(key, at))
            chars.emplace_back(key.substr(at, kvdir::CharLength(key, at)));
        if (chars.size() < 2)
            continue;
        ++counted[0][chars[0] + chars[1]];
        std::set<std::string> pairs;
        for (size_t i = 0; i + 1 < chars.size(); ++i)
            pairs.insert(chars[i] + chars[i + 1]);
        for (const std::string &pair : pairs)
            ++counted[1][pair];
        ++counted[2][chars[chars.size() - 2] + chars.back()];
        ++counted[3][std::string(key)];
    }
    std::vector<std::string> names;
    for (const auto &c : counted)
        names.push_back(
            std::max_element(c.begin(), c.end(), [](auto &a, auto &b) { return a.second < b.second; })->first);
    return names;
}
