#!/usr/bin/python3
"""Builds Phone.dic, the table of Kvphone.so: telephone number prefixes -> the municipalities of their area.

usage: make_phone_dic.py OUTPUT

Sources: the Japanese descriptions of phonenumbers' area-code geodata (prefix -> the name of a telephone area,
"札幌", "武蔵野三鷹", "十勝池田"), its numbering metadata for where the area code and the exchange end (through
data/areacodes/make_dash_table.py), and the municipalities and towns of data/geo/geography.py. The towns
themselves are not copied: Kvphone.so reads them from Geo.dic.

Joining an area name to municipalities (names compared with ケ/ヶ, 曾/曽, 條/条, 龍/竜, 澤/沢 made equal):
  0. aliases.tsv: areas no rule below can place, named by hand with their prefecture.
  1. name: a municipality whose name, with or without its last 市, 町, 村 or 区, is the area name; a
     designated city stands for all its wards, and a ward matches by its own name ("天竜" is 浜松市天竜区).
     When several kinds match in one prefecture only the highest is kept (市 before 区, 町, 村: "府中" in
     広島県 is 府中市, not 府中町).
  2. qualifier: the name begins with an old province or region of the prefecture ("十勝池田", "石見大田"):
     without it, by rule 1 or else rule 6.
  3. pair: the name is two names of rule 1 ("武蔵野三鷹", "岸和田貝塚").
  4. island: the name ends in 島 and without it names a municipality by rule 1 or rule 5 ("八丈島").
  5. suffix: a municipality whose name (without 市, 町, 村) ends with the area name ("本荘" is 由利本荘市).
  6. towns: the municipality with the most towns whose names begin with the area name, which is how the
     towns of a merged place keep its name ("角館" is 仙北市 of "角館町..."); ties are settled by a town
     named exactly so, else all tied municipalities are kept.
  The first rule that matches decides, in each prefecture on its own. Rules 0 to 4 name a place; 5 and 6 only
  find the name inside others and are the weaker. When the name matches in several prefectures, the
  prefecture of the area code decides: an area whose name matches in one prefecture only (by the strongest
  rule it matches with) is an anchor of that prefecture, and among the candidates the prefecture with an
  anchor of another name in the same number region (the same first two digits) is preferred, then the
  stronger rule, then the anchor sharing the most leading digits, then the most such anchors ("伊達" 0142 is
  北海道's 伊達市, not 福島県's; "上野" 0595 is 三重県's 伊賀市 by rule 6, not 群馬県's 上野村 by rule 1).
  Names no rule places, or places wrongly, are in aliases.tsv; the build lists any area left unjoined.

An area with more than 20 municipalities (the most one look-up gives) has the wards of each designated city,
and 東京都's wards, folded into one entry: "大阪府大阪市" (27100) and "東京都" (13100, the code of the ward area)
whose towns carry their ward's name in front ("北区梅田"), so that prefecture, municipality and town still
make the address. They are listed ward by ward in the wards' reading order, under the ward's reading initial.
The towns keep their codes, which geography.py counts on across the wards of a city, so the entry's code with
a town's code ("13100" + the six digits) names that town as its ward's code does.
A ward and town name longer than the town field gives the ward and the town's place (its district or block,
as Geo.dic's narrow fields do: the floors of one building in 渋谷区 are the only such names).

File layout (little-endian; texts Shift-JIS, blank padded):
  header, 32 bytes: magic "VMPHONTB", u32 version (1), u32 header size (32), u32 prefix count, u32 entry
                    count, u32 list count, u32 member count
  prefixes, 16 bytes each, sorted by prefix (bytes):
                    char prefix[9] (ASCII digits, zero padded), u8 prefix length, u8 area-code length (0: no
                    number of the plan starts so), u8 exchange length, u16 first list item, u16 entry count
  entries, 52 bytes each, in JIS code order:
                    char jis[6] (five digits and a blank), char name[40] (prefecture and municipality),
                    u16 first member, u16 member count, u16 zero
  list items, u16 each (an entry index), each area's entries in JIS code order; then zero padding to 4 bytes
  members, 24 bytes each: char jis[6] (a municipality of Geo.dic), char ward[14] (put in front of its town
                    names: blank for an entry of one municipality), char initial[2] (the reading initial of
                    the ward, which its towns are listed under; blank for an entry of one municipality), u16 zero
The record with the longest prefix of the dialled digits answers; the records that extend the digits tell
whether they already settle the area.
"""

import bisect
import collections
import os
import random
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "geo"))
sys.path.insert(0, os.path.join(HERE, "..", "areacodes"))

import geography  # noqa: E402
import make_dash_table  # noqa: E402
import phonenumbers  # noqa: E402
from phonenumbers.geodata import GEOCODE_DATA  # noqa: E402

MAGIC = b"VMPHONTB"
VERSION = 1
HEADER = struct.Struct("<8s6I")
PREFIX = struct.Struct("<9sBBBHH")
ENTRY = struct.Struct("<6s40sHHH")
MEMBER = struct.Struct("<6s14s2sH")
MAX_PREFIX = 9
MAX_CITIES = 20          # KVPHONE_MAX_CITIES
NAME_WIDTH = 40          # TPhoneCityEntry.Name
TOWN_WIDTH = 74          # TPhoneTownEntry.Name
WARD_WIDTH = 14
PLACE_WIDTH = 40         # a town's district or block name in Geo.dic
NATIONAL_DIGITS = 10     # a geographic number: "0" and nine digits

# The least share of areas (distinct names) and of prefixes that must find their municipalities.
MIN_AREA_SHARE = 0.97
MIN_PREFIX_SHARE = 0.98

VARIANTS = str.maketrans({"ヶ": "ケ", "ヵ": "ケ", "曾": "曽", "條": "条", "龍": "竜", "澤": "沢"})
# Old provinces and regions put in front of an area name, with the prefectures they lie in.
QUALIFIERS = {"十勝": "北海道", "根室": "北海道", "北見": "北海道", "石狩": "北海道", "磐城": "福島県", "会津": "福島県",
              "木曽": "長野県", "尾張": "愛知県", "美濃": "岐阜県", "伊豆": "静岡県 東京都", "大和": "奈良県",
              "播磨": "兵庫県", "丹波": "兵庫県 京都府", "和歌山": "和歌山県", "石見": "島根県", "岡山": "岡山県",
              "安芸": "広島県", "阿波": "徳島県", "土佐": "高知県", "伊予": "愛媛県", "対馬": "長崎県", "熊本": "熊本県",
              "沖縄": "沖縄県"}
KIND_ORDER = "市区町村"
RULES = ("alias", "name", "qualifier", "pair", "island", "suffix", "towns")
# How sure a rule is when two prefectures compete: a name itself or taken apart (0), a name inside others (1).
STRENGTH = (0, 0, 0, 0, 0, 1, 1)


def norm(text):
    return text.translate(VARIANTS)


def stem(name):
    return name[:-1] if len(name) > 1 and name[-1] in KIND_ORDER else name


def sjis(text, width, what):
    data = text.encode("cp932")
    if len(data) > width:
        raise SystemExit(f"{what} {text!r} is {len(data)} bytes, its field {width}")
    return data.ljust(width, b" ")


class Places:
    """The municipalities of each prefecture as the join rules look at them."""

    def __init__(self, geo):
        self.geo = geo
        # Designated cities and their wards as geography.py knows them; Tokyo's special wards count as
        # ordinary municipalities here and are only folded together in crowded areas.
        designated = [c for c in geo.ward_cities if c.code != geography.SPECIAL_WARDS]
        self.cities = {(c.prefecture.number, c.name): c.code for c in designated}
        self.wards = {(c.prefecture.number, c.name): c.wards for c in designated}
        self.ward_name = {w.jis: w.name[len(c.name):] for c in designated for w in c.wards}  # jis -> ward part
        self.by_pref = collections.defaultdict(list)  # pref -> ordinary municipalities (not wards of a city)
        for m in geo.municipalities:
            if m.jis not in self.ward_name:
                self.by_pref[m.prefecture.number].append(m)
        self.towns = {m.jis: [norm(t.name) for t in m.towns] for m in geo.municipalities}
        self.pref_number = {p.name: p.number for p in geo.prefectures}
        self.prefecture_name = {p.number: p.name for p in geo.prefectures}

    @staticmethod
    def ward_reading(m):
        """The reading of a ward without its city's ("ｷﾀｸ" of 大阪市北区); a ward of 東京都 reads as itself."""
        city = m.ward_city.reading if m.ward_city else ""
        return m.reading[len(city):] if m.reading.startswith(city) else m.reading

    @staticmethod
    def fold_of(m):
        """(JIS code, name) of the entry a municipality is folded into in a crowded area ("27100", "大阪府大阪市";
        "13100", "東京都"), or None."""
        c = m.ward_city
        return (c.code, m.prefecture.name + c.name) if c else None

    def short(self, pref, name):
        """The municipality (or a designated city's wards) of a short name, for aliases."""
        if name == "特別区":
            return [m for m in self.by_pref[pref] if m.name.endswith("区")]
        if (pref, name) in self.cities:
            return list(self.wards[(pref, name)])
        found = [m for m in self.by_pref[pref] if m.short_name == name]
        found += [w for (p, c), ws in self.wards.items() if p == pref for w in ws if w.name == name]
        return found

    def by_name(self, pref, name):
        """Rule 1."""
        kinds = collections.defaultdict(list)
        for m in self.by_pref[pref]:
            short = norm(m.short_name)
            if name in (short, stem(short)):
                kinds[short[-1]].append(m)
        for (p, city), wards in self.wards.items():
            if p != pref:
                continue
            if name in (norm(city), stem(norm(city))):
                kinds["市"] += wards
            else:
                kinds["区"] += [w for w in wards if name in (norm(self.ward_name[w.jis]), stem(norm(self.ward_name[w.jis])))]
        for kind in KIND_ORDER:
            if kinds.get(kind):
                return kinds[kind]
        return []

    def by_suffix(self, pref, name):
        """Rule 5."""
        return [m for m in self.by_pref[pref]
                if len(stem(norm(m.short_name))) > len(name) and stem(norm(m.short_name)).endswith(name)]

    def by_towns(self, pref, name):
        """Rule 6."""
        best, key = [], None
        for m in self.by_pref[pref] + [w for (p, _), ws in self.wards.items() if p == pref for w in ws]:
            count = sum(1 for t in self.towns[m.jis] if t.startswith(name))
            if not count:
                continue
            k = (count, name in self.towns[m.jis] or name + "町" in self.towns[m.jis])
            if key is None or k > key:
                best, key = [m], k
            elif k == key:
                best.append(m)
        return best

    def match(self, pref, name):
        """(rule index, municipalities) of an area name in one prefecture, or None."""
        n = norm(name)
        found = self.by_name(pref, n)
        if found:
            return 1, found
        for q, prefectures in QUALIFIERS.items():
            if n.startswith(q) and len(n) > len(q) and self.prefecture_name[pref] in prefectures.split():
                found = self.by_name(pref, n[len(q):]) or self.by_towns(pref, n[len(q):])
                if found:
                    return 2, found
        for i in range(1, len(n)):
            first, second = self.by_name(pref, n[:i]), self.by_name(pref, n[i:])
            if first and second:
                return 3, first + second
        if n.endswith("島") and len(n) > 2:
            found = self.by_name(pref, n[:-1]) or self.by_suffix(pref, n[:-1])
            if found:
                return 4, found
        found = self.by_suffix(pref, n)
        if found:
            return 5, found
        found = self.by_towns(pref, n)
        if found:
            return 6, found
        return None


def read_aliases(places):
    aliases = {}
    with open(os.path.join(HERE, "aliases.tsv"), encoding="utf-8") as f:
        for line in f:
            if not line.strip() or line.startswith("#"):
                continue
            name, pref_name, targets = line.rstrip("\n").split("\t")
            pref = places.pref_number[pref_name]
            found = []
            for target in targets.split(","):
                places_of = places.short(pref, target)
                if not places_of:
                    raise SystemExit(f"aliases.tsv: {pref_name}{target} is no municipality")
                found += places_of
            aliases[name] = (pref, found)
    return aliases


def common_length(a, b):
    k = 0
    while k < min(len(a), len(b)) and a[k] == b[k]:
        k += 1
    return k


def join(areas, places):
    """areas: {national prefix: area name} -> ({prefix: (rule, [municipalities])}, {name: reason} unmatched)."""
    aliases = read_aliases(places)
    candidates = {}
    for name in sorted(set(areas.values())):
        if name in aliases:
            pref, found = aliases[name]
            candidates[name] = {pref: (0, found)}
            continue
        candidates[name] = {}
        for pref in range(1, 48):
            found = places.match(pref, name)
            if found:
                candidates[name][pref] = found
    anchors = []
    for prefix, name in areas.items():
        strongest = min((STRENGTH[rule] for rule, _ in candidates[name].values()), default=None)
        sure = [pref for pref, (rule, _) in candidates[name].items() if STRENGTH[rule] == strongest]
        if len(sure) == 1:
            anchors.append((prefix, sure[0]))
    joined, unmatched = {}, {}
    for prefix, name in sorted(areas.items()):
        options = candidates[name]
        if not options:
            unmatched[name] = "no municipality"
            continue
        if len(options) == 1:
            joined[prefix] = next(iter(options.values()))
            continue

        def key(pref):
            lengths = [common_length(prefix, a) for a, p in anchors if p == pref and areas[a] != name]
            nearest = max(lengths, default=0)
            return (nearest >= 2, -STRENGTH[options[pref][0]], nearest, lengths.count(nearest))

        ranked = sorted(options, key=key, reverse=True)
        if key(ranked[0]) == key(ranked[1]):
            unmatched[name] = "prefecture undecided: " + ", ".join(places.geo.prefectures[p - 1].name for p in ranked)
            continue
        joined[prefix] = options[ranked[0]]
    return joined, unmatched


def area_prefixes():
    """{national prefix: area name} from the Japanese descriptions of the geodata."""
    areas = {}
    for key, texts in GEOCODE_DATA.items():
        if key.startswith("81") and texts.get("ja"):
            areas["0" + key[2:]] = texts["ja"]
    if not areas:
        raise SystemExit("phonenumbers has no Japanese geodata for +81")
    return areas


def dash_lookup(index, digits):
    """Group lengths of 10-digit numbers starting with digits, from the hyphenation table's prefixes."""
    for k in range(min(len(digits), make_dash_table.MAX_PREFIX), -1, -1):
        if digits[:k] in index:
            return index[digits[:k]]
    return None


class Entry:
    def __init__(self, jis, name, members):
        self.jis, self.name, self.members = jis, name, members  # [(municipality, ward, ward's initial)]


def build(geo, places, areas, joined):
    plan = make_dash_table.Plan()
    dash = {p: g for d, p, g in make_dash_table.build_records(plan) if d == NATIONAL_DIGITS}

    entries = {}

    def single(m):
        return entries.setdefault(m.jis, Entry(m.jis, m.prefecture.name + m.name, [(m, "", "")]))

    def folded(jis, name, wards):
        wards = sorted(wards, key=lambda w: (geography.reading_key(places.ward_reading(w)), w.jis))
        members = [(w, places.ward_name.get(w.jis, w.name), geography.reading_initial(places.ward_reading(w)))
                   for w in wards]
        return entries.setdefault(jis, Entry(jis, name, members))

    area_entries = {}
    for prefix, (_, found) in joined.items():
        unique = sorted({m.jis: m for m in found}.values(), key=lambda m: m.jis)
        if len(unique) <= MAX_CITIES:
            area_entries[prefix] = [single(m) for m in unique]
            continue
        folds = collections.defaultdict(list)
        for m in unique:
            folds[places.fold_of(m)].append(m)
        chosen = []
        for key, ms in folds.items():
            if key:
                chosen.append(folded(key[0], key[1], ms))
            else:
                chosen += [single(m) for m in ms]
        chosen.sort(key=lambda e: e.jis)
        if len(chosen) > MAX_CITIES:
            raise SystemExit(f"area {areas[prefix]} ({prefix}) has {len(chosen)} municipalities after folding")
        area_entries[prefix] = chosen

    # Records: every area prefix, and every prefix of the hyphenation table below one, so that one record
    # gives both the area and where its area code ends.
    prefixes = set(areas)
    prefixes |= {q for q in dash if any(q[:k] in areas for k in range(1, len(q)))}
    records = []
    for prefix in sorted(prefixes):
        area = next(prefix[:k] for k in range(len(prefix), 0, -1) if prefix[:k] in areas)
        groups = dash_lookup(dash, prefix)
        records.append((prefix, groups, area_entries.get(area, [])))
    return records, sorted(entries.values(), key=lambda e: e.jis)


def check_widths(records, entries):
    """Every field fits its record; returns the ward and town names of folded entries that do not fit the town
    field, for which Kvphone.so gives the ward and the town's place (at most PLACE_WIDTH bytes)."""
    if WARD_WIDTH + PLACE_WIDTH > TOWN_WIDTH:
        raise SystemExit("a ward and a town's place do not fit the town field")
    for prefix, groups, listed in records:
        if len(prefix) > MAX_PREFIX or not prefix.isdigit():
            raise SystemExit(f"prefix {prefix!r} does not fit {MAX_PREFIX} digits")
        if groups is not None and (len(groups) != 3 or sum(groups) != NATIONAL_DIGITS or groups[0] > 5):
            raise SystemExit(f"prefix {prefix}: groups {groups} are not area code, exchange and subscriber")
        if len(listed) > MAX_CITIES:
            raise SystemExit(f"prefix {prefix}: {len(listed)} municipalities")
    placed = []
    for e in entries:
        sjis(e.name, NAME_WIDTH, "municipality name")
        for m, ward, initial in e.members:
            sjis(ward, WARD_WIDTH, "ward name")
            sjis(initial, 2, "reading initial")
            for t in m.towns:
                width = len((ward + t.name).encode("cp932"))
                if width > TOWN_WIDTH:
                    if not ward:
                        raise SystemExit(f"town {m.name}{t.name} is {width} bytes, its field {TOWN_WIDTH}")
                    placed.append(ward + t.name)
    return placed


def lookup(keys, records, digits):
    """The record of the longest prefix of digits, as Kvphone.so finds it."""
    i = bisect.bisect_right(keys, digits)
    while i > 0:
        i -= 1
        if digits.startswith(keys[i]):
            return records[i]
    return None


def cross_check(records, areas):
    """Random geographic numbers: the table gives the area of the longest geodata prefix and phonenumbers'
    own grouping."""
    plan = make_dash_table.Plan()
    keys = [r[0] for r in records]
    rng = random.Random(81)
    checked = 0
    for prefix in sorted(areas):
        for _ in range(8):
            number = prefix + "".join(rng.choice("0123456789") for _ in range(NATIONAL_DIGITS - len(prefix)))
            record = lookup(keys, records, number)
            area = next(number[:k] for k in range(len(number), 0, -1) if number[:k] in areas)
            expected = plan.groups(number)
            if record is None or record[1] != expected or lookup(keys, records, area)[2] != record[2]:
                raise SystemExit(f"table gives {record and record[:2]} for {number}, expected area {area} {expected}")
            checked += 1
    return checked


def write(path, records, entries):
    index = {e.jis: i for i, e in enumerate(entries)}
    lists, list_start, prefix_rows = [], {}, []
    for prefix, groups, listed in records:
        key = tuple(index[e.jis] for e in listed)
        if key not in list_start:
            list_start[key] = len(lists)
            lists += key
        area_code, exchange = (groups[0], groups[1]) if groups else (0, 0)
        prefix_rows.append(PREFIX.pack(prefix.encode("ascii").ljust(MAX_PREFIX, b"\0"), len(prefix), area_code,
                                       exchange, list_start[key], len(key)))
    members, entry_rows = [], []
    for e in entries:
        entry_rows.append(ENTRY.pack(sjis(e.jis + " ", 6, "JIS code"), sjis(e.name, NAME_WIDTH, "name"),
                                     len(members), len(e.members), 0))
        members += [MEMBER.pack(sjis(m.jis + " ", 6, "JIS code"), sjis(ward, WARD_WIDTH, "ward"),
                                sjis(initial, 2, "initial"), 0) for m, ward, initial in e.members]
    if len(lists) > 0xFFFF or len(members) > 0xFFFF:
        raise SystemExit("the table outgrows its 16-bit indexes")
    body = b"".join(prefix_rows) + b"".join(entry_rows)
    body += struct.pack(f"<{len(lists)}H", *lists) + b"\0" * (len(lists) % 2 * 2)
    body += b"".join(members)
    header = HEADER.pack(MAGIC, VERSION, HEADER.size, len(prefix_rows), len(entry_rows), len(lists), len(members))
    temp = path + ".tmp"
    with open(temp, "wb") as f:
        f.write(header + body)
    os.replace(temp, path)


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    geo = geography.load(office_readings=False)
    places = Places(geo)
    areas = area_prefixes()
    joined, unmatched = join(areas, places)
    records, entries = build(geo, places, areas, joined)
    placed = check_widths(records, entries)
    checked = cross_check(records, areas)

    names = set(areas.values())
    area_share = 1 - len(unmatched) / len(names)
    prefix_share = len(joined) / len(areas)
    by_rule = collections.Counter(RULES[rule] for rule, _ in joined.values())
    print(f"Phone.dic: {len(joined)} of {len(areas)} prefixes ({prefix_share:.1%}) and "
          f"{len(names) - len(unmatched)} of {len(names)} areas ({area_share:.1%}) joined to municipalities "
          f"(by rule: {', '.join(f'{k} {v}' for k, v in sorted(by_rule.items()))}); {len(records)} records, "
          f"{len(entries)} entries, {checked} numbers cross-checked with phonenumbers {phonenumbers.__version__}")
    for name, reason in sorted(unmatched.items()):
        print(f"  not joined: {name} ({reason})")
    if placed:
        print(f"  {len(placed)} town names of folded entries are longer than {TOWN_WIDTH} bytes with their ward "
              f"and are listed by their place, e.g. {placed[0]}")
    if area_share < MIN_AREA_SHARE or prefix_share < MIN_PREFIX_SHARE:
        raise SystemExit(f"join rate below {MIN_AREA_SHARE:.0%} of areas / {MIN_PREFIX_SHARE:.0%} of prefixes")
    write(sys.argv[1], records, entries)


if __name__ == "__main__":
    main()
