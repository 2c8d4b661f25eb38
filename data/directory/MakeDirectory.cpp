// Writes the sample directory data of Kvdir17.so: Dt00/Directory.dat with the given number of listings over
// the given prefectures. With a search-name list ("Category.DB", "Target.DB" and "Exception.DB" are made from
// it) it also checks that every search, target and exclusion name finds listings, so the default tables and
// the sample never drift apart.
//
// usage: make_directory DIC_FOLDER/ VOCABULARY OUTPUT_FOLDER/ LISTINGS PREFECTURES [SEARCH_NAMES]
//   PREFECTURES: numbers separated by "," ("13,14,27,47"), or "all"
#include "DirectoryFile.h"
#include "DirectoryWriter.h"
#include "NameKey.h"
#include "SampleListings.h"
#include "SearchNames.h"


#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>

namespace {

using namespace dirsample;

[[noreturn]] void fail(const QString &why) { throw std::runtime_error(why.toStdString()); }

std::vector<std::string> keysOf(const QStringList &names)
{
    std::vector<std::string> keys;
    for (const QString &name : names)
        keys.push_back(kvdir::NameKey(SjisText(name)));
    return keys;
}

bool holdsAny(std::string_view key, const std::vector<std::string> &names)
{
    return std::any_of(names.begin(), names.end(), [&](const std::string &n) { return kvdir::ContainsChars(key, n); });
}

// Every search name, target name and exclusion name of the list finds listings: the search name with its
// target names some of the category it belongs to, each target name some listing, each exclusion name some
// listing the search would find without it.
void checkSearchNames(const QString &path, const kvdir::TDirectoryFile &file)
{
    for (const TSearchName &s : ReadSearchNames(path)) {
        std::vector<std::string> found = keysOf(s.targets);
        found.insert(found.begin(), kvdir::NameKey(SjisText(s.name)));
        const std::vector<std::string> exclusions = keysOf(s.exclusions);
        bool inCategory = false;
        std::vector<bool> targetSeen(found.size()), exclusionSeen(exclusions.size());
        for (uint32_t id = 0; id < file.listingCount(); ++id) {
            const std::string_view key = file.key(id);
            if (!holdsAny(key, found))
                continue;
            inCategory = inCategory || file.listing(id).Category == s.category;
            for (size_t i = 0; i < found.size(); ++i)
                targetSeen[i] = targetSeen[i] || kvdir::ContainsChars(key, found[i]);
            for (size_t i = 0; i < exclusions.size(); ++i)
                exclusionSeen[i] = exclusionSeen[i] || kvdir::ContainsChars(key, exclusions[i]);
        }
        // The search name itself may find nothing when its target names do ("農協").
        const bool targetsFound = std::all_of(targetSeen.begin() + 1, targetSeen.end(), [](bool b) { return b; });
        const bool exclusionsFound = std::all_of(exclusionSeen.begin(), exclusionSeen.end(), [](bool b) { return b; });
        if (!inCategory || !targetsFound || !exclusionsFound || (s.targets.isEmpty() && !targetSeen[0]))
            fail(QStringLiteral("%1: the sample listings do not have the names of %2").arg(path, s.name));
    }
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 6 && argc != 7) {
        std::fprintf(stderr, "usage: make_directory DIC_FOLDER/ VOCABULARY OUTPUT_FOLDER/ LISTINGS PREFECTURES "
                             "[SEARCH_NAMES]\n");
        return 2;
    }
    try {
        const auto started = std::chrono::steady_clock::now();
        TSampleOptions options;
        options.dicFolder = argv[1];
        options.vocabulary = QString::fromLocal8Bit(argv[2]);
        const std::string output = argv[3];
        options.listings = uint32_t(std::stoul(argv[4]));
        const QString prefectures = QString::fromLocal8Bit(argv[5]);
        if (prefectures == QStringLiteral("all"))
            for (uint32_t n = 1; n <= 47; ++n)
                options.prefectures.push_back(n);
        else
            for (const QString &n : prefectures.split(','))
                options.prefectures.push_back(n.toUInt());
        if (!output.ends_with('/') || !options.dicFolder.ends_with('/') || options.listings == 0)
            fail(QStringLiteral("folders end with \"/\" and at least one listing is asked for"));
        // The seed follows the size, so that the small and the large set are not one the start of the other.
        options.seed = 0x56454C4D4F5241ull ^ options.listings;

        const kv::TGeoDic geo(options.dicFolder.c_str());
        if (!geo.valid())
            fail(QStringLiteral("Geo.dic is missing or damaged"));
        TStringPool pool;
        std::vector<TSampleListing> listings;
        MakeSampleListings(geo, options, pool, listings);
        const size_t count = listings.size();
        const QString searchNames = argc == 7 ? QString::fromLocal8Bit(argv[6]) : QString();
        WriteDirectory(geo, pool, listings, output, [&](const kvdir::TDirectoryFile &file) {
            if (!searchNames.isEmpty())
                checkSearchNames(searchNames, file);
        });
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::printf("make_directory: %zu listings in %s%s (%.1f s)\n", count, output.c_str(),
                    kvdir::kDirectoryFileName, seconds);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "make_directory: %s\n", e.what());
        return 1;
    }
    return 0;
}
