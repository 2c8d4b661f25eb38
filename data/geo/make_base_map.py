#!/usr/bin/python3
"""Builds BaseMap.dat, the offline base map of the map window: Japan's coastline (Natural Earth 1:10m, public
domain, from the npm package world-atlas) and every municipality as a named point (geography.py).

usage: make_base_map.py OUTPUT [NODE_MODULES]

File layout (little-endian):
  header, 20 bytes:  magic "VMBASEMP", u32 version (1), u32 ring count, u32 point count
  rings:             per ring u32 vertex count, then per vertex i32 latitude, i32 longitude
  points:            per municipality i32 latitude, i32 longitude, u16 name length, the name in UTF-8
Latitudes and longitudes are in 1/1000 second of arc.
"""

import json
import os
import struct
import sys

import geography

MAGIC = b"VMBASEMP"
VERSION = 1


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


def build(rings, municipalities):
    out = [MAGIC, struct.pack("<III", VERSION, len(rings), len(municipalities))]
    for ring in rings:
        out.append(struct.pack("<I", len(ring)))
        out.append(b"".join(struct.pack("<ii", units(lat), units(lon)) for lat, lon in ring))
    for m in municipalities:
        name = m.name.encode("utf-8")
        out.append(struct.pack("<iiH", units(m.position[0]), units(m.position[1]), len(name)) + name)
    return b"".join(out)


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__.split("\n\n")[1])
    output = sys.argv[1]
    node_modules = sys.argv[2] if len(sys.argv) == 3 else geography.DEFAULT_NODE_MODULES
    try:
        geo = geography.load(node_modules, office_readings=False)
    except geography.GeographyError as e:
        sys.exit(f"make_base_map.py: {e}")
    with open(os.path.join(node_modules, "world-atlas", "countries-10m.json"), encoding="utf-8") as f:
        rings = coast_rings(json.load(f))
    temporary = output + ".tmp"
    with open(temporary, "wb") as f:
        f.write(build(rings, geo.municipalities))
    os.replace(temporary, output)


if __name__ == "__main__":
    main()
