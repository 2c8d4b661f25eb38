#!/usr/bin/python3
"""Builds NameReading.dic, the family- and given-name readings of Kvreading99a.so, from the person-name list of
the IPA dictionary (Noun.name.csv of Debian's mecab-ipadic, EUC-JP).

usage: make_name_readings.py NOUN_NAME_CSV OUTPUT

Entries tagged 人名,姓 become family names and 人名,名 given names. The reading is stored as the record form's
name edits send it: katakana (hiragana in the source is taken as katakana) in its half-width form where one
exists, Shift-JIS, so a reading typed as "さとう" is the key "ｻﾄｳ". The written form is the entry's surface in
Shift-JIS. An entry whose reading or written form does not fit its 12 bytes, or that Shift-JIS cannot hold,
is left out; a reading and written form given more than once is kept once, with its lowest cost.

File layout (little-endian):
  header, 32 bytes: magic "VMNAMERD", u32 version (1), u32 header size (32), u32 record size (24),
                    u32 family-name records, u32 given-name records, u32 zero
  records, 24 bytes each, the family names first, then the given names:
                    char reading[12], char written[12] (Shift-JIS, zero padded) -- the library's TReadingEntry
Each part is sorted by the reading's bytes; within a reading the kanji spellings come first, by the dictionary's
cost (lowest, the most common spelling, first), and the reading itself spelt in kana last, since the input
method offers that anyway and the dictionary gives it a cost below every kanji spelling. Ties go by the
written form's bytes.
"""

import csv
import os
import struct
import sys
import unicodedata

MAGIC = b"VMNAMERD"
VERSION = 1
HEADER = struct.Struct("<8s6I")
WIDTH = 12
RECORD = struct.Struct(f"<{WIDTH}s{WIDTH}s")
KINDS = ("姓", "名")  # family names, given names: the order of the parts in the file

# Full-width katakana, the long mark and the voiced forms -> their half-width spelling (ガ -> ｶﾞ).
HALF_FORMS = {}
for code in range(0xFF61, 0xFFA0):
    half = chr(code)
    for spelling in (half, half + "\uFF9E", half + "\uFF9F"):
        full = unicodedata.normalize("NFKC", spelling)
        if len(full) == 1 and 0x30A1 <= ord(full) <= 0x30FC:
            HALF_FORMS.setdefault(full, spelling)


def reading_key(katakana):
    """The reading as the name edits send it: hiragana as katakana, half-width wherever a form exists."""
    text = "".join(chr(ord(c) + 0x60) if "ぁ" <= c <= "ゖ" or c in "ゝゞ" else c for c in katakana)
    return "".join(HALF_FORMS.get(c, c) for c in text).encode("cp932")


def exact_sjis(text):
    """Shift-JIS bytes that decode to the same text, else None."""
    try:
        data = text.encode("cp932")
    except UnicodeEncodeError:
        return None
    return data if data.decode("cp932") == text else None


def read_entries(path):
    """{kind: {(reading, written): cost}} and the number of entries left out."""
    entries = {kind: {} for kind in KINDS}
    skipped = 0
    with open(path, encoding="euc_jp", newline="") as f:
        for row in csv.reader(f):
            if len(row) < 12 or row[6] != "人名" or row[7] not in KINDS:
                continue
            surface, cost, reading = row[0], int(row[3]), row[11]
            key = exact_sjis(reading) and reading_key(reading)
            written = exact_sjis(surface)
            if not key or not written or len(key) > WIDTH or len(written) > WIDTH:
                skipped += 1
                continue
            part = entries[row[7]]
            pair = (key, written)
            part[pair] = min(cost, part.get(pair, cost))
    return entries, skipped


def kana_only(written):
    return all("ぁ" <= c <= "ヶ" or c == "ー" for c in written.decode("cp932"))


def sorted_records(part):
    order = sorted(part.items(), key=lambda item: (item[0][0], kana_only(item[0][1]), item[1], item[0][1]))
    return [pair for pair, _ in order]


def check(parts):
    """Every record fits its documented width and reads back as written; each part is sorted and unique."""
    for records in parts:
        if len(records) < 1000:
            raise SystemExit(f"only {len(records)} names of one kind: is the source the person-name list?")
        for reading, written in records:
            for field in (reading, written):
                if not 1 <= len(field) <= WIDTH or b"\0" in field or field.decode("cp932").encode("cp932") != field:
                    raise SystemExit(f"record {reading!r} {written!r} does not fit its width")
            if len(reading_key(reading.decode("cp932"))) != len(reading):
                raise SystemExit(f"reading {reading!r} is not in the form the name edits send")
        keys = [(r.ljust(WIDTH, b"\0"), w) for r, w in records]
        if len(set(keys)) != len(keys) or [k for k, _ in keys] != sorted(k for k, _ in keys):
            raise SystemExit("records are not sorted by reading or not unique")


def write(path, parts):
    body = b"".join(RECORD.pack(r, w) for records in parts for r, w in records)
    header = HEADER.pack(MAGIC, VERSION, HEADER.size, RECORD.size, len(parts[0]), len(parts[1]), 0)
    temp = path + ".tmp"
    with open(temp, "wb") as f:
        f.write(header + body)
    os.replace(temp, path)


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    entries, skipped = read_entries(sys.argv[1])
    parts = [sorted_records(entries[kind]) for kind in KINDS]
    check(parts)
    write(sys.argv[2], parts)
    print(f"NameReading.dic: {len(parts[0])} family names, {len(parts[1])} given names, "
          f"{skipped} entries too long for 12 bytes or outside Shift-JIS")


if __name__ == "__main__":
    main()
