#!/usr/bin/python3
"""Builds BaseMap.dat, the offline base map of the map window: Japan's coastline (Natural Earth 1:10m, public
domain, from the npm package world-atlas), the prefecture borders (Natural Earth 1:10m states and provinces,
public domain, as Debian's qgis-common ships them generalised in world_map.gpkg) and every municipality as a
named point (geography.py).

usage: make_base_map.py OUTPUT [NODE_MODULES [WORLD_MAP_GPKG]]

File layout (little-endian):
  header, 24 bytes:  magic "VMBASEMP", u32 version (2), u32 ring count, u32 border count, u32 point count
  rings:             per ring u32 vertex count, then per vertex i32 latitude, i32 longitude
  borders:           per border line, as rings
  points:            per municipality i32 latitude, i32 longitude, u16 name length, the name in UTF-8
Latitudes and longitudes are in 1/1000 second of arc.
"""

import collections
import json
import os
import sqlite3
import struct
import sys

import geography

MAGIC = b"VMBASEMP"
VERSION = 2
WORLD_MAP = "/usr/share/qgis/resources/data/world_map.gpkg"
# The borders are drawn up to the 1/80万 scale (tile zoom 9, where a pixel is about 0.0027 degree of
# longitude); a vertex closer than this to the line without it changes no pixel there.
BORDER_TOLERANCE = 0.001


def units(degrees):
    return int(round(degrees * 3600000))


def coast_rings(topology, country="Japan"):
    """The rings of the country's polygons, decoded from the topology's quantised, delta-coded arcs."""
    (sx, sy), (tx, ty) = topology["transform"]["scale"], topology["transform"]["translate"]
    arcs = []
    for arc in topology["arcs"]:
        x = y = 0
        points = []
        for dx, dy in arc:
            x, y = x + dx, y + dy
            points.append((y * sy + ty, x * sx + tx))
        arcs.append(points)
    shape = next(g for g in topology["objects"]["countries"]["geometries"]
                 if g.get("properties", {}).get("name") == country)
    polygons = shape["arcs"] if shape["type"] == "MultiPolygon" else [shape["arcs"]]
    rings = []
    for polygon in polygons:
        for ring in polygon:
            points = []
            for index in ring:
                arc = arcs[index] if index >= 0 else arcs[~index][::-1]
                # Consecutive arcs share their joining vertex.
                points.extend(arc if not points else arc[1:])
            rings.append(points)
    return rings


def gpkg_polygons(blob):
    """The polygons of a GeoPackage geometry: lists of rings of (longitude, latitude)."""
    envelope = (blob[3] >> 1) & 7
    wkb = memoryview(blob)[8 + (0, 32, 48, 48, 64)[envelope]:]
    at = 0

    def read(fmt):
        nonlocal at
        values = struct.unpack_from(fmt, wkb, at)
        at += struct.calcsize(fmt)
        return values

    def geometry():
        order = "<" if read("B")[0] == 1 else ">"
        kind = read(order + "I")[0] % 1000
        if kind == 3:
            rings = []
            for _ in range(read(order + "I")[0]):
                rings.append([read(order + "dd") for _ in range(read(order + "I")[0])])
            return [rings]
        if kind == 6:
            return [polygon for _ in range(read(order + "I")[0]) for polygon in geometry()]
        raise ValueError(f"geometry type {kind} is not a polygon")

    return geometry()


def prefecture_borders(world_map, country="JPN"):
    """The lines two prefectures share, as chains of (latitude, longitude): the edges of the prefecture polygons
    that belong to two of them (the generalised polygons share their border vertices exactly)."""
    owners = collections.defaultdict(set)
    with sqlite3.connect(f"file:{world_map}?mode=ro", uri=True) as db:
        for name, blob in db.execute("SELECT name, geom FROM states_provinces WHERE adm0_a3 = ?", (country,)):
            for polygon in gpkg_polygons(blob):
                for ring in polygon:
                    for a, b in zip(ring, ring[1:]):
                        if a != b:
                            owners[(min(a, b), max(a, b))].add(name)
    edges = [edge for edge, names in owners.items() if len(names) > 1]
    if not edges:
        raise ValueError(f"{world_map} has no borders between the prefectures of {country}")
    neighbours = collections.defaultdict(list)
    for a, b in edges:
        neighbours[a].append(b)
        neighbours[b].append(a)
    unused = set(edges)

    def walk(start):
        line, at = [start], start
        while True:
            step = next((n for n in sorted(neighbours[at]) if (min(at, n), max(at, n)) in unused), None)
            if step is None:
                return line
            unused.discard((min(at, step), max(at, step)))
            line.append(step)
            at = step
            if len(neighbours[at]) != 2:
                return line

    lines = []
    # Lines run between the points where three prefectures meet (or a border meets the coast); what is left
    # after them are closed loops (a prefecture inside another's territory).
    for node in sorted(n for n in neighbours if len(neighbours[n]) != 2):
        while any((min(node, n), max(node, n)) in unused for n in neighbours[node]):
            lines.append(walk(node))
    while unused:
        lines.append(walk(min(unused)[0]))
    return [[(lat, lon) for lon, lat in simplify(line, BORDER_TOLERANCE)] for line in lines]


def simplify(line, tolerance):
    """Douglas-Peucker: the vertices that stray more than tolerance from the line without them."""
    if len(line) < 3:
        return line
    (x0, y0), (x1, y1) = line[0], line[-1]
    dx, dy = x1 - x0, y1 - y0
    length = (dx * dx + dy * dy) ** 0.5
    def distance(p):
        if length == 0:
            return ((p[0] - x0) ** 2 + (p[1] - y0) ** 2) ** 0.5
        return abs(dy * (p[0] - x0) - dx * (p[1] - y0)) / length
    far, index = max((distance(p), i) for i, p in enumerate(line[1:-1], 1))
    if far <= tolerance:
        return [line[0], line[-1]]
    return simplify(line[:index + 1], tolerance)[:-1] + simplify(line[index:], tolerance)


def build(rings, borders, municipalities):
    out = [MAGIC, struct.pack("<IIII", VERSION, len(rings), len(borders), len(municipalities))]
    for ring in rings + borders:
        out.append(struct.pack("<I", len(ring)))
        out.append(b"".join(struct.pack("<ii", units(lat), units(lon)) for lat, lon in ring))
    for m in municipalities:
        name = m.name.encode("utf-8")
        out.append(struct.pack("<iiH", units(m.position[0]), units(m.position[1]), len(name)) + name)
    return b"".join(out)


def main():
    if len(sys.argv) not in (2, 3, 4):
        sys.exit(__doc__.split("\n\n")[1])
    output = sys.argv[1]
    node_modules = sys.argv[2] if len(sys.argv) > 2 else geography.DEFAULT_NODE_MODULES
    world_map = sys.argv[3] if len(sys.argv) > 3 else WORLD_MAP
    try:
        geo = geography.load(node_modules, office_readings=False)
    except geography.GeographyError as e:
        sys.exit(f"make_base_map.py: {e}")
    with open(os.path.join(node_modules, "world-atlas", "countries-10m.json"), encoding="utf-8") as f:
        rings = coast_rings(json.load(f))
    try:
        borders = prefecture_borders(world_map)
    except (sqlite3.Error, ValueError) as e:
        sys.exit(f"make_base_map.py: {world_map}: {e} (Debian package qgis-common, tools/install-deps.sh)")
    temporary = output + ".tmp"
    with open(temporary, "wb") as f:
        f.write(build(rings, borders, geo.municipalities))
    os.replace(temporary, output)
    print(f"make_base_map.py: {len(borders)} border lines, {sum(map(len, borders))} vertices")


if __name__ == "__main__":
    main()
