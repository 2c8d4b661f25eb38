#!/usr/bin/python3
"""Builds Geo.dic, the geography dictionary of Kvpost.so, Kvaddr.so, Kvkana.so, Kvmatch.so (and the others that
read kv/common), from the model of geography.py.

usage: make_geo_dic.py OUTPUT [NODE_MODULES]

File layout (little-endian; every table starts at a multiple of 4):
  header, 32 bytes:  magic "VMGEODIC", u32 version (2), u32 header size (32), u32 table count (13),
                     u32 file size, u32 zero, u32 zero
  directory:         per table u32 offset, u32 record size, u32 record count, in the order below
  tables:
   0 strings         record size 1: the string pool. A string is referred to by the offset of its u8 length,
                     followed by that many bytes of Shift-JIS (cp932). Offset 0 is the empty string.
   1 prefectures     28 bytes, by number: u8 number, u8 region (0..5), u16 zero, str name, str reading,
                     u32 latitude, u32 longitude (of the prefectural office), u32 first, u32 count (into 3)
   2 municipalities  76 bytes, by JIS code: char jis[5], u8 prefecture, u16 zero, str name, str reading,
                     str short name, str short reading (without the county; equal when there is none),
                     u32 first, u32 count of: towns (4 and 5), districts (6), offices (9), postal rows (11);
                     u32 latitude, u32 longitude (OpenStreetMap, see geography.py), u32 the municipality's
                     own postal code (the one "以下に掲載がない場合" has; 0 when it has none), u32 ward city (the code of the city a
                     ward belongs to as a number, 13100 or 27100; 0 for any other municipality), u32 town
                     base (the town code of its first town minus 1: the towns of a city's earlier wards)
   3 by prefecture   u32 municipality, ordered by prefecture, then reading
   4 towns           32 bytes, grouped by municipality, in town-code order (the town code is the town base
                     plus the position in its municipality, 1 upwards): u32 municipality, str name,
                     str reading, u32 district, u16 block number (0: none), u16 postal code count,
                     u32 lowest postal code, u32 latitude, u32 longitude (a sample)
   5 town names      u32 town, grouped by municipality like 4, each group ordered by the bytes of the name
   6 districts       24 bytes, grouped by municipality in reading order (the district number is the position,
                     1 upwards): u32 municipality, str name, str reading, u32 first block, u16 block count,
                     u16 number, u32 zero
   7 blocks          16 bytes, by district and number: u32 district, str name, str reading, u16 number, u16 zero
   8 offices         32 bytes, by postal code: u32 postal code, u32 municipality, u32 town (0xFFFFFFFF: none),
                     str name, str reading, str address (town and street), str address reading (the town's),
                     u32 zero
   9 offices by municipality   u32 office, grouped by municipality, in reading order
  10 postal rows     16 bytes, by postal code; within a code the municipality's own code first, then towns
                     in reading order, then offices in reading order: u32 postal code, u32 municipality,
                     u32 town, u32 office (0xFFFFFFFF: none)
  11 postal rows by municipality   u32 postal row, the rows of towns only, grouped by municipality, in
                     town-code order, then postal code
  12 municipality names   8 bytes: str name, u32 municipality; every name and every short name, ordered by
                     their bytes, then municipality
Latitudes and longitudes are in 1/256 second of arc. Postal codes are stored as numbers (1000001).
Readings are half-width katakana without small letters (geography.to_half_width_kana).
The wards of a city stand one after the other in table 2, the first of them the first municipality whose JIS
code is not below the city's code (no municipality has a city's code; the build fails otherwise). Their town
codes follow on from ward to ward (geography.py), so the libraries find the ward of a city's code and a town
code by a binary search and a short walk.

Widths: every text is written only when it fits the record field the libraries copy it into; the build fails
otherwise. The fields and the rule for each text:
  prefecture name, reading        10 bytes (TKanaPrefEntry, TAddrCityEntry, TMatchAdrsRecord)
  municipality name, reading      26 bytes (TAddrCityEntry, TMatchAdrsRecord); short forms likewise
  prefecture + municipality       40 bytes, name and reading (TPostCityEntry, TPhoneCityEntry)
  town name, reading              102 bytes (TPostTownEntry, TAddrTownEntry, TJisAdrsRecord); where a record
                                  has less room (TMatchAdrsRecord, TPhoneTownEntry) the libraries use the
                                  district name and block instead, which fit as below
  district and block name         40 bytes (TKanaOazaEntry), and so at most 40 for reading too; a district
                                  that has blocks also with the mark "（丁目）" behind it (Kvkana.so's
                                  KVKanaOhazaAll_Chome lists it so): the build fails rather than cut it
  office name                     62 bytes (TLargeOfficeEntry): Japan Post's names can be longer; such a name
                                  loses its full-width blanks, then is cut after its last whole character
  office reading                  62 bytes: derived (geography._Reader), cut to the field
  office address, reading         102 bytes: the town and the street, the street cut after its last whole
                                  character when both do not fit
"""

import bisect
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import geography  # noqa: E402

MAGIC = b"VMGEODIC"
VERSION = 2
HEADER = struct.Struct("<8s6I")
DIRECTORY_ENTRY = struct.Struct("<3I")
NONE = 0xFFFFFFFF

PREFECTURE = struct.Struct("<BBH6I")
MUNICIPALITY = struct.Struct("<5sBH17I")
TOWN = struct.Struct("<4IHH3I")
DISTRICT = struct.Struct("<4IHHI")
BLOCK = struct.Struct("<3IHH")
OFFICE = struct.Struct("<8I")
POSTAL = struct.Struct("<4I")
INDEX = struct.Struct("<I")
NAME = struct.Struct("<2I")

PREFECTURE_WIDTH = 10
MUNICIPALITY_WIDTH = 26
PREFECTURE_MUNICIPALITY_WIDTH = 40
TOWN_WIDTH = 102
DISTRICT_WIDTH = 40
OFFICE_WIDTH = 62
ADDRESS_WIDTH = 102
BLOCK_MARK = "（丁目）"  # Kvkana.so's mark of a district with blocks
MAX_TOWN_CODE = 999999


class WidthError(Exception):
    pass


def sjis(text):
    try:
        return text.encode("cp932")
    except UnicodeEncodeError as e:
        raise WidthError(f"{text!r} has a character Shift-JIS lacks") from e


def fitting(text, width, what):
    data = sjis(text)
    if len(data) > width:
        raise WidthError(f"{what} {text!r} is {len(data)} bytes, its field {width}")
    return text


def cut(text, width):
    """The longest start of text whose Shift-JIS form fits width bytes, never splitting a character."""
    out, size = [], 0
    for ch in text:
        n = len(sjis(ch))
        if size + n > width:
            break
        out.append(ch)
        size += n
    return "".join(out)


def office_name(name):
    if len(sjis(name)) <= OFFICE_WIDTH:
        return name
    return cut(name.replace("\u3000", ""), OFFICE_WIDTH)


class Pool:
    def __init__(self):
        self.data = bytearray(b"\0")
        self.offsets = {"": 0}

    def add(self, text):
        offset = self.offsets.get(text)
        if offset is None:
            data = sjis(text)
            if len(data) > 255:
                raise WidthError(f"{text!r} is longer than a pooled string can be")
            offset = self.offsets[text] = len(self.data)
            self.data += bytes([len(data)]) + data
        return offset


def check_ward_cities(geo, city_index):
    """The wards of every city stand together right where a search for the city's code lands (the libraries
    walk them from there), and their towns fit six digits."""
    codes = [m.jis for m in geo.municipalities]
    for city in geo.ward_cities:
        if not city.wards or city.code in city_index:
            raise geography.GeographyError(f"ward city {city!r}: no wards, or its code is a municipality's")
        first = bisect.bisect_left(codes, city.code)
        if [city_index[w.jis] for w in city.wards] != list(range(first, first + len(city.wards))):
            raise geography.GeographyError(f"the wards of {city!r} do not follow its code")
        if city.wards[-1].town_base + len(city.wards[-1].towns) > MAX_TOWN_CODE:
            raise geography.GeographyError(f"{city!r} has more towns than six digits number")


def build(geo):
    pool = Pool()
    s = pool.add
    units = geography.to_degrees_units
    city_index = {m.jis: i for i, m in enumerate(geo.municipalities)}

    # Flatten towns, districts and blocks in the order the municipalities' ranges need.
    towns, districts, blocks = [], [], []
    town_index, district_index = {}, {}
    for m in geo.municipalities:
        for d in m.districts:
            district_index[id(d)] = len(districts)
            districts.append(d)
        for t in m.towns:
            town_index[id(t)] = len(towns)
            towns.append(t)

    def town_of(t):
        return NONE if t is None else town_index[id(t)]

    postal_rows = geo.postal_records
    postal_index = {id(r): i for i, r in enumerate(postal_rows)}
    office_index = {id(o): i for i, o in enumerate(geo.offices)}

    check_ward_cities(geo, city_index)
    tables = {}
    by_prefecture = []
    records = []
    for p in geo.prefectures:
        first = len(by_prefecture)
        by_prefecture += [city_index[m.jis] for m in p.municipalities]
        lat, lon = p.office
        records.append(PREFECTURE.pack(
            p.number, p.region, 0, s(fitting(p.name, PREFECTURE_WIDTH, "prefecture")),
            s(fitting(p.reading, PREFECTURE_WIDTH, "prefecture reading")), units(lat), units(lon), first,
            len(p.municipalities)))
    tables[1] = (PREFECTURE.size, records)
    tables[3] = (INDEX.size, [INDEX.pack(i) for i in by_prefecture])

    records, town_names, office_order, postal_order, names = [], [], [], [], []
    first_town = first_district = 0
    for i, m in enumerate(geo.municipalities):
        for text, reading in ((m.name, m.reading), (m.short_name, m.short_reading)):
            fitting(text, MUNICIPALITY_WIDTH, "municipality")
            fitting(reading, MUNICIPALITY_WIDTH, "municipality reading")
        fitting(m.prefecture.name + m.name, PREFECTURE_MUNICIPALITY_WIDTH, "prefecture and municipality")
        fitting(m.prefecture.reading + m.reading, PREFECTURE_MUNICIPALITY_WIDTH, "their reading")
        names.append((sjis(m.name), i))
        if m.short_name != m.name:
            names.append((sjis(m.short_name), i))
        town_names += sorted((town_index[id(t)] for t in m.towns), key=lambda n: (sjis(towns[n].name), n))
        first_office, first_postal = len(office_order), len(postal_order)
        office_order += [office_index[id(o)] for o in m.offices]
        rows = [r for r in m.postal_records if r.town is not None and r.office is None]
        postal_order += [postal_index[id(r)] for r in sorted(rows, key=lambda r: (town_index[id(r.town)], r.code))]
        lat, lon = m.position
        own = [r.code for r in m.postal_records if r.town is None and r.office is None]
        records.append(MUNICIPALITY.pack(
            m.jis.encode("ascii"), m.prefecture.number, 0, s(m.name), s(m.reading), s(m.short_name),
            s(m.short_reading), first_town, len(m.towns), first_district, len(m.districts), first_office,
            len(m.offices), first_postal, len(rows), units(lat), units(lon), int(min(own)) if own else 0,
            int(m.ward_city.code) if m.ward_city else 0, m.town_base))
        first_town += len(m.towns)
        first_district += len(m.districts)
    tables[2] = (MUNICIPALITY.size, records)
    tables[5] = (INDEX.size, [INDEX.pack(i) for i in town_names])
    tables[9] = (INDEX.size, [INDEX.pack(i) for i in office_order])
    tables[11] = (INDEX.size, [INDEX.pack(i) for i in postal_order])
    tables[12] = (NAME.size, [NAME.pack(s(name.decode("cp932")), i) for name, i in sorted(names)])

    records = []
    for t in towns:
        fitting(t.name, TOWN_WIDTH, "town")
        fitting(t.reading, TOWN_WIDTH, "town reading")
        lat, lon = t.position
        records.append(TOWN.pack(city_index[t.municipality.jis], s(t.name), s(t.reading),
                                 district_index[id(t.district)], t.block, len(t.postal_codes),
                                 int(t.postal_codes[0]) if t.postal_codes else 0, units(lat), units(lon)))
    tables[4] = (TOWN.size, records)

    records = []
    for d in districts:
        fitting(d.name, DISTRICT_WIDTH, "district")
        if d.blocks:
            fitting(d.name + BLOCK_MARK, DISTRICT_WIDTH, "district with its block mark")
        fitting(d.reading, DISTRICT_WIDTH, "district reading")
        records.append(DISTRICT.pack(city_index[d.municipality.jis], s(d.name), s(d.reading), len(blocks),
                                     len(d.blocks), d.number, 0))
        blocks += [(district_index[id(d)], b) for b in d.blocks]
    tables[6] = (DISTRICT.size, records)
    tables[7] = (BLOCK.size, [BLOCK.pack(d, s(fitting(b.name, DISTRICT_WIDTH, "block")),
                                         s(fitting(b.reading, DISTRICT_WIDTH, "block reading")), b.number, 0)
                              for d, b in blocks])

    records = []
    for o in geo.offices:
        address = o.town_name + cut(o.street, ADDRESS_WIDTH - len(sjis(o.town_name)))
        records.append(OFFICE.pack(
            int(o.code), city_index[o.municipality.jis], town_of(o.town),
            s(fitting(office_name(o.name), OFFICE_WIDTH, "office")), s(cut(o.reading, OFFICE_WIDTH)),
            s(fitting(address, ADDRESS_WIDTH, "office address")),
            s(fitting(o.town_reading, ADDRESS_WIDTH, "office address reading")), 0))
    tables[8] = (OFFICE.size, records)

    tables[10] = (POSTAL.size, [
        POSTAL.pack(int(r.code), city_index[r.municipality.jis], town_of(r.town),
                    NONE if r.office is None else office_index[id(r.office)]) for r in postal_rows])
    tables[0] = (1, [bytes(pool.data)])

    count = len(tables)
    offset = HEADER.size + DIRECTORY_ENTRY.size * count
    directory, body = [], bytearray()
    for n in range(count):
        size, rows = tables[n]
        data = b"".join(rows)
        pad = (-offset) % 4
        body += b"\0" * pad
        offset += pad
        directory.append(DIRECTORY_ENTRY.pack(offset, size, len(data) // size))
        body += data
        offset += len(data)
    return HEADER.pack(MAGIC, VERSION, HEADER.size, count, offset, 0, 0) + b"".join(directory) + bytes(body)


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__.split("\n\n")[1])
    output = sys.argv[1]
    try:
        geo = geography.load(*sys.argv[2:3])
        data = build(geo)
        placed = geo.placement
        print(f"make_geo_dic.py: municipality positions: {placed['listed']} listed, {placed['city']} wards near "
              f"their city, {placed['neighbour']} near a neighbour, {placed['office']} near the prefectural "
              "office (prefectures the position data lacks)")
    except (geography.GeographyError, WidthError) as e:
        sys.exit(f"make_geo_dic.py: {e}")
    temporary = output + ".tmp"
    with open(temporary, "wb") as f:
        f.write(data)
    os.replace(temporary, output)


if __name__ == "__main__":
    main()
