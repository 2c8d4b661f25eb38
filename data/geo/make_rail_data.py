#!/usr/bin/python3
"""Builds Rail.dat, the station data of Kvrail.so: SAMPLE stations and lines, made deterministically over the
real municipality positions of geography.py (no public station set is packaged). Every municipality has a
station of its name a little off its point; cities and wards have a second one east of it. In each prefecture
the stations sorted west to east, and again south to north, are cut into lines of at most eight stations, so
every station lies on two lines.

usage: make_rail_data.py OUTPUT [NODE_MODULES]

File layout (little-endian):
  header, 32 bytes:  magic "VMRAILDT", u32 version (1), u32 station count, u32 line count, u32 link count,
                     u32 zero, u32 zero
  stations:          68 bytes each, in reading order (the station number is the position, 1 upwards):
                     i32 latitude, i32 longitude (1/256 second of arc), char kick code[6] (five digits and a
                     blank), char name[22], char reading[22] (half-width katakana, large letters only;
                     Shift-JIS, blank-padded), u16 zero, u32 first link, u32 link count
  lines:             42 bytes each: the line name, Shift-JIS, blank-padded
  links:             u32 line index (0 upwards), grouped by station
"""

import os
import struct
import sys
import zlib

import geography

MAGIC = b"VMRAILDT"
VERSION = 1
STATION = struct.Struct("<ii6s22s22sHII")
LINE_WIDTH = 42
LINE_LENGTH = 8
SUFFIX_READINGS = {"市": ("ｼ",), "区": ("ｸ",), "町": ("ﾏﾁ", "ﾁﾖｳ"), "村": ("ﾑﾗ", "ｿﾝ")}
WEST_EAST = ("本線", "東西線", "中央線", "湾岸線", "山手線", "海岸線", "北部線", "南部線", "臨海線", "平野線")
SOUTH_NORTH = ("南北線", "縦貫線", "高原線", "支線", "谷線", "内陸線", "山線", "川線", "湖線", "森線")


def sjis(text, width):
    data = text.encode("cp932")
    if len(data) > width:
        raise ValueError(f"{text!r} is longer than {width} bytes")
    return data.ljust(width, b" ")


def units(degrees):
    return int(round(degrees * 3600 * 256))


def offset(seed, spread):
    h = zlib.crc32(seed.encode("utf-8"))
    return ((h & 0xFFFF) / 0xFFFF * 2 - 1) * spread, ((h >> 16) / 0xFFFF * 2 - 1) * spread


def stem(m):
    """The municipality's name and reading without 市, 区, 町 or 村; a ward's after its city's ("札幌清田")."""
    def cut(name, reading):
        for reading_suffix in SUFFIX_READINGS.get(name[-1:], ()):
            if len(name) > 1 and reading.endswith(reading_suffix):
                return name[:-1], reading[:-len(reading_suffix)]
        return name, reading

    name, reading = m.short_name, m.short_reading
    city = m.ward_city
    if city is not None and city.name and name.startswith(city.name) and reading.startswith(city.reading):
        city_name, city_reading = cut(city.name, city.reading)
        ward_name, ward_reading = cut(name[len(city.name):], reading[len(city.reading):])
        return city_name + ward_name, city_reading + ward_reading
    return cut(name, reading)


def stations_of(geo):
    stations = []
    for m in geo.municipalities:
        name, reading = stem(m)
        lat, lon = m.position
        dy, dx = offset(m.jis, 0.004)
        stations.append({"name": name, "reading": reading, "lat": lat + dy, "lon": lon + dx, "pref": m.prefecture})
        if m.short_name.endswith(("市", "区")) and len(("東" + name).encode("cp932")) <= 22:
            dy, dx = offset(m.jis + "E", 0.003)
            stations.append({"name": "東" + name, "reading": "ﾋｶﾞｼ" + reading, "lat": lat + dy,
                             "lon": lon + 0.012 + dx, "pref": m.prefecture})
    for s in stations:
        s["reading"] = s["reading"][:22]
    return stations


def lines_of(stations, prefectures):
    lines = []
    for p in prefectures:
        own = [s for s in stations if s["pref"] is p]
        short = p.name[:-1] if p.name.endswith(("都", "府", "県")) and p.name != "北海道" else p.name
        for order, suffixes in ((lambda s: (s["lon"], s["lat"]), WEST_EAST), (lambda s: (s["lat"], s["lon"]), SOUTH_NORTH)):
            ordered = sorted(own, key=order)
            for i in range(0, len(ordered), LINE_LENGTH):
                n = i // LINE_LENGTH
                suffix = suffixes[n] if n < len(suffixes) else f"{n + 1}号線"
                index = len(lines)
                lines.append(short + suffix)
                for s in ordered[i:i + LINE_LENGTH]:
                    s.setdefault("lines", []).append(index)
    return lines


def build(geo):
    stations = stations_of(geo)
    lines = lines_of(stations, geo.prefectures)
    stations.sort(key=lambda s: (geography.reading_key(s["reading"]), s["name"], s["lat"]))
    records, links = [], []
    for number, s in enumerate(stations, 1):
        records.append(STATION.pack(units(s["lat"]), units(s["lon"]), f"{number:05d} ".encode("ascii"),
                                    sjis(s["name"], 22), sjis(s["reading"], 22), 0, len(links), len(s["lines"])))
        links.extend(s["lines"])
    header = MAGIC + struct.pack("<IIIIII", VERSION, len(records), len(lines), len(links), 0, 0)
    return (header + b"".join(records) + b"".join(sjis(n, LINE_WIDTH) for n in lines)
            + b"".join(struct.pack("<I", i) for i in links)), len(records), len(lines)


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__.split("\n\n")[1])
    output = sys.argv[1]
    node_modules = sys.argv[2] if len(sys.argv) == 3 else geography.DEFAULT_NODE_MODULES
    try:
        geo = geography.load(node_modules, office_readings=False)
        data, stations, lines = build(geo)
    except (geography.GeographyError, ValueError) as e:
        sys.exit(f"make_rail_data.py: {e}")
    temporary = output + ".tmp"
    with open(temporary, "wb") as f:
        f.write(data)
    os.replace(temporary, output)
    print(f"make_rail_data.py: {stations} sample stations on {lines} sample lines")


if __name__ == "__main__":
    main()
