#include "SampleListings.h"

#include "DirectoryFile.h"
#include "Kvdir17.h"
#include "common/MappedFile.h"
#include "NameKey.h"
#include "base/SjisCodec.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

namespace dirsample {

namespace {

[[noreturn]] void fail(const QString &why) { throw std::runtime_error(why.toStdString()); }

// xoshiro256**, seeded through splitmix64: the same sequence on every machine and library, which the
// standard distributions do not promise.
class TRandom {
public:
    explicit TRandom(uint64_t seed)
    {
        for (uint64_t &s : state_) {
            seed += 0x9E3779B97F4A7C15ull;
            uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            s = z ^ (z >> 31);
        }
    }

    uint64_t next()
    {
        const uint64_t result = rotl(state_[1] * 5, 7) * 9;
        const uint64_t t = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= t;
        state_[3] = rotl(state_[3], 45);
        return result;
    }

    // 0 to n - 1.
    uint32_t below(uint32_t n) { return uint32_t((unsigned __int128)next() * n >> 64); }
    // 0 (inclusive) to 1 (exclusive).
    double unit() { return double(next() >> 11) * 0x1.0p-53; }
    bool chance(double p) { return unit() < p; }
    template <typename T>
    const T &pick(const std::vector<T> &items)
    {
        return items[below(uint32_t(items.size()))];
    }

private:
    static uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    uint64_t state_[4];
};

// ---- readings ----

// Full-width katakana (and the long mark) as the directory writes readings: half-width, large letters only.
QHash<QChar, QString> halfWidthForms()
{
    QHash<QChar, QString> forms;
    for (char16_t code = 0xFF66; code <= 0xFF9D; ++code) {
        const QString half(QChar{code});
        for (const QString &spelling : {half, half + QChar(0xFF9E), half + QChar(0xFF9F)}) {
            const QString full = spelling.normalized(QString::NormalizationForm_KC);
            if (full.size() == 1 && !forms.contains(full[0]))
                forms.insert(full[0], spelling);
        }
    }
    // Small letters are written large.
    static const char16_t small[] = u"ァィゥェォッャュョヮヵヶ", large[] = u"アイウエオツヤユヨワカケ";
    for (size_t i = 0; small[i]; ++i)
        forms.insert(QChar(small[i]), forms.value(QChar(large[i])));
    return forms;
}

// A reading written in hiragana or katakana (vocabulary.txt) as the directory writes it.
std::string readingOf(const QString &kana)
{
    static const QHash<QChar, QString> forms = halfWidthForms();
    QString half;
    for (QChar c : kana) {
        if (c.unicode() >= 0x3041 && c.unicode() <= 0x3096)
            c = QChar(c.unicode() + 0x60);
        const auto form = forms.constFind(c);
        if (form == forms.constEnd())
            fail(QStringLiteral("a reading holds a character that is no kana: ") + kana);
        half += *form;
    }
    return SjisText(half);
}

// A half-width reading of NameReading.dic (small letters as the name edits type them) with large letters.
std::string largeLetters(std::string_view reading)
{
    // ｧｨｩｪｫｬｭｮｯ (0xA7 to 0xAF) -> ｱｲｳｴｵﾔﾕﾖﾂ
    static constexpr unsigned char large[] = {0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xD4, 0xD5, 0xD6, 0xC2};
    std::string out(reading);
    for (char &c : out) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0xA7 && b <= 0xAF)
            c = char(large[b - 0xA7]);
    }
    return out;
}

// Full-width digits of a number, for the written address, and its half-width reading.
std::string fullWidthDigits(uint32_t n)
{
    std::string out;
    for (char c : std::to_string(n)) {
        out += '\x82';
        out += char(0x4F + (c - '0'));
    }
    return out;
}

// ---- vocabulary ----

struct TWord {
    std::string text, reading;  // Shift-JIS
};

enum class TSlot { Literal, Family, Given, Person, Brand, Katakana, Shop, City, District, Office, LegalMark };

struct TPart {
    TSlot slot = TSlot::Literal;
    TWord word;
};

struct TPattern {
    std::vector<TPart> parts;
    std::string legal = "-";  // the letters drawn from
};

struct TCategory {
    uint16_t code = 0;
    double weight = 0;
    std::vector<TPattern> patterns;
};

constexpr uint16_t kCityOffice = 2101, kTownOffice = 2102;

struct TVocabulary {
    std::map<QString, std::vector<TWord>> lists;
    std::vector<TCategory> categories;

    const std::vector<TWord> &list(const QString &name) const
    {
        const auto it = lists.find(name);
        if (it == lists.end() || it->second.empty())
            fail(QStringLiteral("vocabulary.txt lacks the word list @") + name);
        return it->second;
    }
};

TWord word(const QString &written, const QString &kana) { return {SjisText(written), readingOf(kana)}; }

TPattern parsePattern(QString text, int lineNo)
{
    static const QHash<QString, TSlot> slotNames = {
        {QStringLiteral("姓"), TSlot::Family}, {QStringLiteral("名"), TSlot::Given},
        {QStringLiteral("人"), TSlot::Person}, {QStringLiteral("号"), TSlot::Brand},
        {QStringLiteral("カ"), TSlot::Katakana}, {QStringLiteral("屋"), TSlot::Shop},
        {QStringLiteral("市"), TSlot::City}, {QStringLiteral("地"), TSlot::District},
        {QStringLiteral("役所"), TSlot::Office}};
    const auto bad = [&](const QString &why) {
        fail(QStringLiteral("vocabulary.txt line %1: %2: %3").arg(lineNo).arg(why, text));
    };
    TPattern p;
    qsizetype at = 0;
    if (text.startsWith('[')) {
        const qsizetype close = text.indexOf(']');
        if (close < 2 || !QRegularExpression(QStringLiteral("^[KYSMGZHP-]+$")).match(text.mid(1, close - 1)).hasMatch())
            bad(QStringLiteral("bad legal forms"));
        p.legal = text.mid(1, close - 1).toStdString();
        at = close + 1;
    }
    const QString blank = QStringLiteral("　");
    while (at < text.size()) {
        if (text[at] == '{') {
            const qsizetype close = text.indexOf('}', at);
            const auto slot = slotNames.constFind(text.mid(at + 1, close - at - 1));
            if (close < 0 || slot == slotNames.constEnd())
                bad(QStringLiteral("unknown placeholder"));
            p.parts.push_back({*slot, {}});
            at = close + 1;
        } else if (text[at] == '%') {
            p.parts.push_back({TSlot::LegalMark, {}});
            ++at;
        } else if (text.mid(at, 1) == blank) {
            p.parts.push_back({TSlot::Literal, {SjisText(blank), {}}});
            ++at;
        } else {
            const qsizetype equals = text.indexOf('=', at);
            if (equals < 0)
                bad(QStringLiteral("a word without its reading"));
            qsizetype end = equals + 1;
            while (end < text.size() && text[end] != '{' && text[end] != '%' && text.mid(end, 1) != blank)
                ++end;
            const QString written = text.mid(at, equals - at);
            if (written.contains('{') || written.contains('%') || written.contains(blank) || end == equals + 1)
                bad(QStringLiteral("a word without its reading"));
            p.parts.push_back({TSlot::Literal, word(written, text.mid(equals + 1, end - equals - 1))});
            at = end;
        }
    }
    if (p.parts.empty())
        bad(QStringLiteral("an empty pattern"));
    if (p.legal.find('P') != std::string::npos
        && (p.legal != "P" || p.parts.size() != 1 || p.parts[0].slot != TSlot::Person))
        bad(QStringLiteral("a person is [P]{人} alone"));
    return p;
}

TVocabulary readVocabulary(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        fail(QStringLiteral("cannot read ") + path);
    QTextStream in(&file);
    TVocabulary v;
    QString list;
    static const QRegularExpression category(QStringLiteral("^(\\d{4})\\s+([0-9.]+)\\s+(.+)$"));
    for (int lineNo = 1; !in.atEnd(); ++lineNo) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith('@')) {
            list = line.mid(1);
            v.lists[list];
            continue;
        }
        if (const auto m = category.match(line); m.hasMatch()) {
            list.clear();
            TCategory c;
            c.code = uint16_t(m.captured(1).toUInt());
            c.weight = m.captured(2).toDouble();
            for (const QString &pattern : m.captured(3).split(QStringLiteral(" | ")))
                c.patterns.push_back(parsePattern(pattern.trimmed(), lineNo));
            if (c.weight <= 0 || c.code % 100 == 0)
                fail(QStringLiteral("vocabulary.txt line %1: bad category").arg(lineNo));
            v.categories.push_back(std::move(c));
            continue;
        }
        if (list.isEmpty())
            fail(QStringLiteral("vocabulary.txt line %1: a word outside a list").arg(lineNo));
        for (const QString &item : line.split(' ', Qt::SkipEmptyParts)) {
            const QStringList pair = item.split('=');
            if (pair.size() != 2 || pair[0].isEmpty() || pair[1].isEmpty())
                fail(QStringLiteral("vocabulary.txt line %1: not a word: %2").arg(lineNo).arg(item));
            v.lists[list].push_back(word(pair[0], pair[1]));
        }
    }
    return v;
}

// ---- names of people ----

struct TPeople {
    std::vector<TWord> commonFamily, commonGiven, family, given;
};

// Family and given names of Dic/NameReading.dic written in kanji (a spelling in kana is how the input
// method offers any reading, not a name people carry).
TPeople readPeople(const std::string &dicFolder, const TVocabulary &v)
{
    const kv::TMappedFile file(dicFolder + "NameReading.dic");
    const unsigned char *h = file.data();
    if (!h || file.size() < 32 || std::memcmp(h, "VMNAMERD", 8) != 0 || kv::le32(h + 8) != 1
        || kv::le32(h + 16) != 24)
        fail(QStringLiteral("NameReading.dic is missing or not of version 1"));
    const uint32_t families = kv::le32(h + 20), givens = kv::le32(h + 24);
    if (32 + uint64_t(families + givens) * 24 > file.size())
        fail(QStringLiteral("NameReading.dic is damaged"));
    TPeople people;
    people.commonFamily = v.list(QStringLiteral("姓"));
    people.commonGiven = v.list(QStringLiteral("名"));
    for (uint32_t i = 0; i < families + givens; ++i) {
        const char *r = reinterpret_cast<const char *>(h + 32 + size_t(i) * 24);
        const std::string_view reading(r, strnlen(r, 12)), written(r + 12, strnlen(r + 12, 12));
        // A kanji's lead byte is 0x88 or above; kana and symbols lie below.
        if (written.empty() || static_cast<unsigned char>(written[0]) < 0x88 || written.size() > 8)
            continue;
        (i < families ? people.family : people.given).push_back({std::string(written), largeLetters(reading)});
    }
    if (people.family.empty() || people.given.empty())
        fail(QStringLiteral("NameReading.dic holds no names"));
    return people;
}

// ---- places ----

// The stem of a municipality's name for names like "世田谷信用金庫": without 市, 区, 町 or 村 and their
// readings; a ward of a designated city gives its city's.
struct TPlaceWord {
    TWord stem;
    TWord office;  // "…市役所", "…町役場"
    bool cityOffice = true;
};

std::string_view commonPrefix(std::string_view a, std::string_view b)
{
    size_t n = 0;
    while (n < a.size() && n < b.size() && a[n] == b[n])
        n += kvdir::CharLength(a, n);
    return a.substr(0, std::min(n, a.size()));
}

std::vector<TPlaceWord> placeWords(const kv::TGeoDic &geo)
{
    const std::string shi = SjisText(QStringLiteral("市")), ku = SjisText(QStringLiteral("区")),
                      cho = SjisText(QStringLiteral("町")), mura = SjisText(QStringLiteral("村"));
    const std::string yakusho = SjisText(QStringLiteral("役所")), yakuba = SjisText(QStringLiteral("役場"));
    const std::string yakushoReading = readingOf(QStringLiteral("やくしょ")),
                      yakubaReading = readingOf(QStringLiteral("やくば"));
    // The suffix of a name and the readings it may have.
    const std::vector<std::pair<std::string, std::vector<std::string>>> suffixes = {
        {shi, {readingOf(QStringLiteral("し"))}},
        {ku, {readingOf(QStringLiteral("く"))}},
        {cho, {readingOf(QStringLiteral("ちょう")), readingOf(QStringLiteral("まち"))}},
        {mura, {readingOf(QStringLiteral("むら")), readingOf(QStringLiteral("そん"))}}};
    const auto strip = [&](std::string_view name, std::string_view reading) -> TWord {
        for (const auto &[suffix, readings] : suffixes)
            for (const std::string &r : readings)
                if (name.size() > suffix.size() && kvdir::EndsWithChars(name, suffix) && reading.size() > r.size()
                    && reading.ends_with(r))
                    return {std::string(name.substr(0, name.size() - suffix.size())),
                            std::string(reading.substr(0, reading.size() - r.size()))};
        return {std::string(name), std::string(reading)};
    };

    // The names and readings the wards of each designated city share: the city's own ("札幌市", "ｻﾂﾎﾟﾛｼ").
    std::unordered_map<uint32_t, TWord> cities;
    for (uint32_t m = 0; m < geo.municipalityCount(); ++m) {
        const kv::TGeoMunicipality c = geo.municipality(m);
        if (c.wardCity == 0 || c.wardCity == 13100)
            continue;
        const auto [it, first] = cities.try_emplace(c.wardCity, TWord{std::string(c.name), std::string(c.reading)});
        if (!first) {
            it->second.text = std::string(commonPrefix(it->second.text, c.name));
            it->second.reading = std::string(commonPrefix(it->second.reading, c.reading));
        }
    }

    std::vector<TPlaceWord> words(geo.municipalityCount());
    for (uint32_t m = 0; m < geo.municipalityCount(); ++m) {
        const kv::TGeoMunicipality c = geo.municipality(m);
        TPlaceWord &w = words[m];
        if (const auto city = cities.find(c.wardCity); city != cities.end()) {
            std::string_view name = city->second.text, reading = city->second.reading;
            if (const size_t at = name.rfind(shi); at != std::string_view::npos)
                name = name.substr(0, at + shi.size());
            w.stem = strip(name, reading);
        } else {
            w.stem = strip(c.shortName, c.shortReading);
        }
        w.cityOffice = kvdir::EndsWithChars(c.shortName, shi) || kvdir::EndsWithChars(c.shortName, ku);
        w.office = {std::string(c.shortName) + (w.cityOffice ? yakusho : yakuba),
                    std::string(c.shortReading) + (w.cityOffice ? yakushoReading : yakubaReading)};
    }
    return words;
}

// ---- telephone areas ----

struct TAreaPrefix {
    std::string digits;
    uint32_t areaCode = 0;  // digits of the area code, with the 0
    std::vector<uint32_t> municipalities;  // of Geo.dic
};

// The telephone areas of Dic/Phone.dic (layout in data/phone/make_phone_dic.py), and for each municipality
// the prefixes its numbers may start with. A municipality that no area names (Phone.dic joins area names to
// the municipalities that carry them) takes the areas of the nearest code of its prefecture, in its own
// county when one there has areas: codes are given in order through the counties, so the neighbours of a
// code are its neighbours on the map more often than not.
class TPhoneAreas {
public:
    TPhoneAreas(const kv::TGeoDic &geo, const std::string &dicFolder)
    {
        const kv::TMappedFile file(dicFolder + "Phone.dic");
        const unsigned char *h = file.data();
        if (!h || file.size() < 32 || std::memcmp(h, "VMPHONTB", 8) != 0 || kv::le32(h + 8) != 1)
            fail(QStringLiteral("Phone.dic is missing or not of version 1"));
        const uint32_t prefixes = kv::le32(h + 16), entries = kv::le32(h + 20), items = kv::le32(h + 24),
                       members = kv::le32(h + 28);
        const unsigned char *p = h + 32, *e = p + size_t(prefixes) * 16, *l = e + size_t(entries) * 52,
                            *mem = l + (size_t(items) * 2 + 3) / 4 * 4;
        if (mem + size_t(members) * 24 != h + file.size())
            fail(QStringLiteral("Phone.dic is damaged"));
        const auto le16 = [](const unsigned char *b) { return uint32_t(b[0] | b[1] << 8); };
        for (uint32_t i = 0; i < prefixes; ++i) {
            const unsigned char *r = p + size_t(i) * 16;
            TAreaPrefix a;
            a.digits.assign(reinterpret_cast<const char *>(r), std::min<size_t>(r[9], 9));
            a.areaCode = r[10];
            for (uint32_t k = 0; k < le16(r + 14); ++k) {
                const unsigned char *entry = e + size_t(le16(l + size_t(le16(r + 12) + k) * 2)) * 52;
                for (uint32_t j = 0; j < le16(entry + 48); ++j) {
                    const char *jis = reinterpret_cast<const char *>(mem + size_t(le16(entry + 46) + j) * 24);
                    if (const uint32_t m = geo.findMunicipality(std::string_view(jis, 5)); m != kv::kNone)
                        a.municipalities.push_back(m);
                }
            }
            byDigits_.emplace(a.digits, uint32_t(prefixes_.size()));
            prefixes_.push_back(std::move(a));
        }

        std::vector<std::vector<uint32_t>> own(geo.municipalityCount());
        for (uint32_t i = 0; i < prefixes_.size(); ++i)
            if (prefixes_[i].areaCode > 0 && prefixes_[i].digits.size() < kDigits)
                for (uint32_t m : prefixes_[i].municipalities)
                    own[m].push_back(i);
        const std::string gun = SjisText(QStringLiteral("郡"));
        const auto county = [&](const kv::TGeoMunicipality &c) {
            const size_t at = c.name.find(gun);
            return at == std::string_view::npos ? std::string_view() : c.name.substr(0, at);
        };
        byMunicipality_.resize(geo.municipalityCount());
        for (uint32_t m = 0; m < geo.municipalityCount(); ++m) {
            if (!own[m].empty()) {
                byMunicipality_[m] = own[m];
                continue;
            }
            const kv::TGeoMunicipality c = geo.municipality(m);
            uint32_t best = kv::kNone;
            long bestDistance = 0;
            bool bestSameCounty = false;
            for (uint32_t o = 0; o < geo.municipalityCount(); ++o) {
                const kv::TGeoMunicipality other = geo.municipality(o);
                if (own[o].empty() || other.prefecture != c.prefecture)
                    continue;
                const bool sameCounty = !county(c).empty() && county(c) == county(other);
                const long distance = std::labs(std::stol(std::string(c.jis)) - std::stol(std::string(other.jis)));
                if (best == kv::kNone || (sameCounty && !bestSameCounty)
                    || (sameCounty == bestSameCounty && distance < bestDistance)) {
                    best = o;
                    bestDistance = distance;
                    bestSameCounty = sameCounty;
                }
            }
            if (best != kv::kNone)
                byMunicipality_[m] = own[best];
        }
    }

    // A ten-digit number of the municipality's area, not yet in used; the dialled number leads back to the
    // area it was made in (no longer prefix of another area starts it).
    std::string number(uint32_t municipality, TRandom &random, std::unordered_set<uint64_t> &used) const
    {
        const std::vector<uint32_t> &choices = byMunicipality_[municipality];
        if (choices.empty())
            fail(QStringLiteral("a municipality without any telephone area"));
        for (int attempt = 0; attempt < 1000; ++attempt) {
            const TAreaPrefix &a = prefixes_[random.pick(choices)];
            std::string digits = a.digits;
            while (digits.size() < kDigits)
                // The exchange never starts with 0 or 1.
                digits += char(digits.size() == a.areaCode ? '2' + random.below(8) : '0' + random.below(10));
            const TAreaPrefix *answer = longestPrefix(digits);
            if (!answer || answer->areaCode == 0 || answer->municipalities != a.municipalities)
                continue;
            if (used.insert(kvdir::NumberValue(digits)).second)
                return digits;
        }
        fail(QStringLiteral("the numbers of a telephone area are used up"));
    }

private:
    static constexpr size_t kDigits = 10;

    const TAreaPrefix *longestPrefix(std::string_view digits) const
    {
        for (size_t n = std::min<size_t>(digits.size(), 9); n > 0; --n)
            if (const auto it = byDigits_.find(std::string(digits.substr(0, n))); it != byDigits_.end())
                return &prefixes_[it->second];
        return nullptr;
    }

    std::vector<TAreaPrefix> prefixes_;
    std::unordered_map<std::string, uint32_t> byDigits_;
    std::vector<std::vector<uint32_t>> byMunicipality_;
};

// ---- the listings ----

struct TLegalForm {
    char letter;
    uint8_t code;
    const char *word;  // UTF-8
    int position;      // 0 before or after, 1 after, -1 before
};
constexpr TLegalForm kLegalForms[] = {
    {'K', 1, "株式会社", 0}, {'Y', 2, "有限会社", 0}, {'S', 3, "合資会社", 0}, {'M', 4, "合名会社", 0},
    {'G', 5, "相互会社", 1}, {'Z', 6, "財団法人", -1}, {'H', 7, "社団法人", -1}};

struct TName {
    std::string text, reading;
    uint8_t legalForm = 0;
    bool person = false;
    bool cityOffice = true;  // made with {役所}: a city's or ward's office, else a town's or village's
    bool office = false;
    TWord family;  // a person's family name
};

class TGenerator {
public:
    TGenerator(const kv::TGeoDic &geo, const TSampleOptions &options, TStringPool &pool)
        : geo_(geo), options_(options), pool_(pool), random_(options.seed),
          vocabulary_(readVocabulary(options.vocabulary)), people_(readPeople(options.dicFolder, vocabulary_)),
          places_(placeWords(geo)), areas_(geo, options.dicFolder)
    {
        for (const TCategory &c : vocabulary_.categories) {
            totalWeight_ += c.weight;
            cumulative_.push_back(totalWeight_);
        }
        if (vocabulary_.categories.empty())
            fail(QStringLiteral("vocabulary.txt has no categories"));
        const std::string blank = SjisText(QStringLiteral("　")), floor = SjisText(QStringLiteral("階"));
        for (uint32_t number : options.prefectures) {
            const auto p = geo.prefecture(number);
            if (!p)
                fail(QStringLiteral("no prefecture %1").arg(number));
            for (uint32_t i = 0; i < p->municipalities.count; ++i) {
                const kv::TGeoMunicipality m =
                    geo.municipality(geo.municipalityOfPrefecture(p->municipalities.first + i));
                for (uint32_t t = m.towns.first; t < m.towns.first + m.towns.count; ++t) {
                    const kv::TGeoTown town = geo.town(t);
                    // The town is the detail's address part 1: a town whose name or reading outgrows it gets no
                    // listings, nor do the floors of large buildings, which have postal codes of their own but
                    // no block and number to go with them.
                    if (!town.name.empty() && town.name.size() <= kTownWidth && town.reading.size() <= kTownWidth
                        && town.name.find(blank) == std::string_view::npos && !kvdir::EndsWithChars(town.name, floor))
                        towns_.push_back(t);
                }
            }
        }
        if (towns_.empty())
            fail(QStringLiteral("no town to put listings in"));
        blank_ = blank;
        dash_ = SjisText(QStringLiteral("－"));
        floorMark_ = SjisText(QStringLiteral("Ｆ"));
        for (const TLegalForm &f : kLegalForms)
            legalWords_.push_back(SjisText(QString::fromUtf8(f.word)));
    }

    void run(std::vector<TSampleListing> &listings)
    {
        listings.reserve(options_.listings + 8);
        while (listings.size() < options_.listings)
            business(listings);
        listings.resize(options_.listings);  // the last business may have brought a number more
    }

private:
    // The fields the texts are shown in (the writer checks every text of the written file against them all).
    static constexpr size_t kTownWidth =
        std::min(sizeof TDirectoryDetail::Address1, sizeof TDirectoryDetail::Address1Reading);
    static constexpr size_t kNameWidth = sizeof TDirectoryDetail::Name;
    static constexpr size_t kReadingWidth = sizeof TDirectoryDetail::NameReading;

    const TCategory &category()
    {
        const double at = random_.unit() * totalWeight_;
        const size_t i = size_t(std::upper_bound(cumulative_.begin(), cumulative_.end(), at) - cumulative_.begin());
        return vocabulary_.categories[std::min(i, cumulative_.size() - 1)];
    }

    // A name of a person: the common ones (@姓, @名) make every second, weighted by rank as the names of a
    // country are, the others come from the whole name list.
    const TWord &personName(const std::vector<TWord> &common, const std::vector<TWord> &all)
    {
        if (random_.chance(0.5))
            return common[std::min(common.size() - 1, size_t(std::pow(random_.unit(), 2.2) * double(common.size())))];
        return random_.pick(all);
    }
    const TWord &family() { return personName(people_.commonFamily, people_.family); }
    const TWord &given() { return personName(people_.commonGiven, people_.given); }

    TWord district(const kv::TGeoTown &town, uint32_t municipality)
    {
        if (town.district != kv::kNone) {
            const kv::TGeoDistrict d = geo_.district(town.district);
            // A long district name ("…地割") would make no shop's name.
            if (!d.name.empty() && d.name.size() <= 10 && !d.reading.empty())
                return {std::string(d.name), std::string(d.reading)};
        }
        return places_[municipality].stem;
    }

    TName compose(const TPattern &pattern, const kv::TGeoTown &town, uint32_t municipality)
    {
        TName n;
        const char letter = pattern.legal[random_.below(uint32_t(pattern.legal.size()))];
        n.person = letter == 'P';
        const TLegalForm *legal = nullptr;
        for (const TLegalForm &f : kLegalForms)
            if (f.letter == letter)
                legal = &f;
        const bool before = legal && (legal->position < 0 || (legal->position == 0 && random_.chance(0.5)));
        const std::string legalWord = legal ? legalWords_[size_t(legal - kLegalForms)] : std::string();
        bool placed = !legal || before;
        if (before)
            n.text = legalWord;
        for (const TPart &part : pattern.parts) {
            TWord w;
            switch (part.slot) {
            case TSlot::Literal: w = part.word; break;
            case TSlot::Family: w = family(); break;
            case TSlot::Given: w = given(); break;
            case TSlot::Person: {
                n.family = family();
                const TWord &g = given();
                w = {n.family.text + g.text, n.family.reading + g.reading};
                break;
            }
            case TSlot::Brand: w = random_.pick(vocabulary_.list(QStringLiteral("号"))); break;
            case TSlot::Katakana: w = random_.pick(vocabulary_.list(QStringLiteral("カ"))); break;
            case TSlot::Shop: w = random_.pick(vocabulary_.list(QStringLiteral("屋"))); break;
            case TSlot::City: w = places_[municipality].stem; break;
            case TSlot::District: w = district(town, municipality); break;
            case TSlot::Office:
                w = places_[municipality].office;
                n.office = true;
                n.cityOffice = places_[municipality].cityOffice;
                break;
            case TSlot::LegalMark:
                if (!placed)
                    w.text = legalWord;
                placed = true;
                break;
            }
            n.text += w.text;
            n.reading += w.reading;
        }
        if (!placed)
            n.text += legalWord;
        n.legalForm = legal ? legal->code : 0;
        return n;
    }

    // A name of the category that fits the fields it is shown in.
    TName name(const TCategory &c, const kv::TGeoTown &town, uint32_t municipality)
    {
        for (;;) {
            TName n = compose(random_.pick(c.patterns), town, municipality);
            if (n.text.size() <= kNameWidth && n.reading.size() <= kReadingWidth)
                return n;
        }
    }

    // Block and number: "３－１２" in a town of 丁目, else a lot number "１２３４" or "１２３－４".
    TWord address2(const kv::TGeoTown &town)
    {
        uint32_t first = 0, second = 0;
        if (town.block > 0) {
            first = 1 + random_.below(30);
            second = 1 + random_.below(25);
        } else {
            first = 1 + random_.below(random_.chance(0.6) ? 2999 : 999);
            second = random_.chance(0.4) ? 1 + random_.below(30) : 0;
        }
        TWord w{fullWidthDigits(first), std::to_string(first)};
        if (second) {
            w.text += dash_ + fullWidthDigits(second);
            w.reading += "-" + std::to_string(second);
        }
        return w;
    }

    // A building: a word and a kind of building, with a floor ("３Ｆ") or a room ("２０１").
    TWord building(const kv::TGeoTown &town, uint32_t municipality)
    {
        const double r = random_.unit();
        const TWord stem = r < 0.45   ? random_.pick(vocabulary_.list(QStringLiteral("号")))
                           : r < 0.8 ? random_.pick(vocabulary_.list(QStringLiteral("カ")))
                                     : district(town, municipality);
        const TWord &kind = random_.pick(vocabulary_.list(QStringLiteral("建")));
        TWord w{stem.text + kind.text, stem.reading + kind.reading};
        if (random_.chance(0.6)) {
            const uint32_t floor = 1 + random_.below(12);
            w.text += fullWidthDigits(floor) + floorMark_;
            w.reading += std::to_string(floor) + "F";
        } else {
            const uint32_t room = (1 + random_.below(9)) * 100 + 1 + random_.below(12);
            w.text += fullWidthDigits(room);
            w.reading += std::to_string(room);
        }
        return w;
    }

    // One business or household: its listings, one per number, and a listing more under a shared number now
    // and then.
    void business(std::vector<TSampleListing> &out)
    {
        const kv::TGeoTown town = geo_.town(random_.pick(towns_));
        const uint32_t municipality = town.municipality;
        const TCategory &c = category();
        const TName n = name(c, town, municipality);

        TSampleListing base;
        base.municipality = municipality;
        base.town = town.index;
        base.district = town.district != kv::kNone ? geo_.district(town.district).number : 0;
        base.category = n.office ? (n.cityOffice ? kCityOffice : kTownOffice) : c.code;
        base.legalForm = n.legalForm;
        base.person = n.person ? 99 : 0;
        base.latitude = town.latitude;
        base.longitude = town.longitude;
        const TWord a2 = address2(town);
        base.address2 = pool_.add(a2.text);
        base.address2Reading = pool_.add(a2.reading);
        if (random_.chance(n.person ? 0.08 : 0.2)) {
            const TWord a3 = building(town, municipality);
            base.address3 = pool_.add(a3.text);
            base.address3Reading = pool_.add(a3.reading);
        }
        setName(base, n.text, n.reading);

        using K = kvdir::TNumberKind;
        std::vector<K> kinds;
        const double r = random_.unit();
        if (n.person)
            kinds = {r < 0.9 ? K::kNormal : K::kTelFax};
        else if (r < 0.5)
            kinds = {K::kNormal};
        else if (r < 0.65)
            kinds = {K::kTelFax};
        else if (r < 0.8)
            kinds = {K::kNormal, K::kFax};
        else if (r < 0.95)
            kinds = {K::kMain, K::kFax};
        else
            kinds = {K::kMain, K::kNormal, K::kFax};

        // Some people do not have their number published: their listing has none.
        const bool unpublished = n.person && random_.chance(0.04);
        for (K kind : kinds) {
            TSampleListing l = base;
            l.kind = kind;
            if (!unpublished)
                std::memcpy(l.tel, areas_.number(municipality, random_, used_).c_str(), 10);
            out.push_back(l);
        }
        if (unpublished)
            return;

        // A number shared: a second person of the household, or a company's department, under the first
        // listing's number.
        if (random_.chance(0.03)) {
            TSampleListing shared = out[out.size() - kinds.size()];
            std::string text, reading;
            if (n.person) {
                const TWord &partner = given();
                text = n.family.text + partner.text;
                reading = n.family.reading + partner.reading;
            } else {
                const TWord &department = random_.pick(vocabulary_.list(QStringLiteral("部")));
                text = n.text + blank_ + department.text;
                reading = n.reading + department.reading;
            }
            if (text.size() <= kNameWidth && reading.size() <= kReadingWidth) {
                setName(shared, text, reading);
                out.push_back(shared);
            }
        }
    }

    void setName(TSampleListing &l, const std::string &text, const std::string &reading)
    {
        l.name = pool_.add(text);
        l.reading = pool_.add(reading);
        l.key = pool_.add(kvdir::NameKey(text));
    }

    const kv::TGeoDic &geo_;
    const TSampleOptions &options_;
    TStringPool &pool_;
    TRandom random_;
    TVocabulary vocabulary_;
    TPeople people_;
    std::vector<TPlaceWord> places_;
    TPhoneAreas areas_;
    std::vector<double> cumulative_;
    double totalWeight_ = 0;
    std::vector<uint32_t> towns_;
    std::unordered_set<uint64_t> used_;
    std::string blank_, dash_, floorMark_;
    std::vector<std::string> legalWords_;
};

}  // namespace

uint32_t TStringPool::add(std::string_view text)
{
    if (text.empty())
        return 0;
    if (text.size() > 255)
        fail(QStringLiteral("a text longer than 255 bytes"));
    if (bytes_.size() + 1 + text.size() > UINT32_MAX)
        fail(QStringLiteral("the texts outgrow the string table"));
    const uint32_t at = uint32_t(bytes_.size());
    bytes_ += char(text.size());
    bytes_ += text;
    return at;
}

std::string_view TStringPool::at(uint32_t offset) const
{
    const auto length = static_cast<unsigned char>(bytes_[offset]);
    return std::string_view(bytes_).substr(offset + 1, length);
}

std::string SjisText(const QString &text)
{
    QString lost;
    const QByteArray bytes = Sjis::encode(text, &lost);
    if (!lost.isEmpty())
        fail(QStringLiteral("no Shift-JIS form for ") + lost);
    return bytes.toStdString();
}

void MakeSampleListings(const kv::TGeoDic &geo, const TSampleOptions &options, TStringPool &pool,
                        std::vector<TSampleListing> &listings)
{
    TGenerator(geo, options, pool).run(listings);
}

}  // namespace dirsample
