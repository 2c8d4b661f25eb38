#!/usr/bin/python3
"""Builds Dash.dic, the hyphenation table of Kvdash.so, from the Japanese numbering metadata of phonenumbers.

usage: make_dash_table.py OUTPUT

Which numbers exist and where their hyphens go is decided by phonenumbers itself (is_valid_number and
format_number); this script only finds, for every number length, the shortest digit prefixes that settle the
answer, so the table stays small. A prefix settles the answer when every pattern the metadata consults
(number descriptions, leading-digit patterns, format patterns) either accepts all or none of its completions;
that is decided exactly on the patterns themselves through regular-expression derivatives.

File layout (little-endian):
  header, 32 bytes: magic "VMDASHTB", u32 version (1), u32 header size (32), u32 record size (16),
                    u32 record count, u32 longest prefix (<= 9), u32 zero
  records, 16 bytes each, sorted by (digits, prefix length, prefix):
                    u8 digits of the number, u8 prefix length, u8 group count (0: no such number),
                    u8 group lengths[4], char prefix[9] (ASCII digits, zero padded)
The record with the longest prefix of the dialled digits, among those of the same length, gives the answer;
no record means the number is unknown.
"""

import collections
import os
import random
import struct
import sys
from functools import lru_cache

import phonenumbers
from phonenumbers import PhoneMetadata, PhoneNumber, PhoneNumberFormat

try:
    import re._parser as sre_parse
    import re._constants as sre_constants
except ImportError:  # Python before 3.11
    import sre_parse
    import sre_constants

MAGIC = b"VMDASHTB"
VERSION = 1
HEADER = struct.Struct("<8s6I")
RECORD = struct.Struct("<BBB4s9s")
MAX_PREFIX = 9
MAX_GROUPS = 4
OUT_WIDTH = 14  # bytes of the caller's buffer
DIGITS = "0123456789"

# ---------------------------------------------------------------------------------------------------------
# Patterns as hash-consed nodes, so derivatives and their answers can be memoised by an integer.

nodes = []  # id -> (kind, ...)
node_ids = {}


def node(key):
    found = node_ids.get(key)
    if found is None:
        found = node_ids[key] = len(nodes)
        nodes.append(key)
    return found


EMPTY = node(("empty",))
EPS = node(("eps",))


def char_set(chars):
    return node(("set", frozenset(chars))) if chars else EMPTY


def cat(parts):
    flat = []
    for p in parts:
        if p == EMPTY:
            return EMPTY
        if p == EPS:
            continue
        if nodes[p][0] == "cat":
            flat.extend(nodes[p][1])
        else:
            flat.append(p)
    if not flat:
        return EPS
    return flat[0] if len(flat) == 1 else node(("cat", tuple(flat)))


def alt(parts):
    flat = set()
    for p in parts:
        if p == EMPTY:
            continue
        if nodes[p][0] == "alt":
            flat.update(nodes[p][1])
        else:
            flat.add(p)
    if not flat:
        return EMPTY
    return next(iter(flat)) if len(flat) == 1 else node(("alt", frozenset(flat)))


def rep(body, low, high):
    if high == 0 or body == EPS:
        return EPS
    if body == EMPTY:
        return EPS if low == 0 else EMPTY
    if low == high == 1:
        return body
    return node(("rep", body, low, high))


def from_parsed(items):
    parts = []
    for op, arg in items:
        if op == sre_constants.LITERAL:
            parts.append(char_set(chr(arg)))
        elif op == sre_constants.IN:
            chars = set()
            for kind, value in arg:
                if kind == sre_constants.LITERAL:
                    chars.add(chr(value))
                elif kind == sre_constants.RANGE:
                    chars.update(chr(c) for c in range(value[0], value[1] + 1))
                elif kind == sre_constants.CATEGORY and value == sre_constants.CATEGORY_DIGIT:
                    chars.update(DIGITS)
                else:
                    raise ValueError(f"unsupported class item {kind} {value}")
            parts.append(char_set(chars & set(DIGITS)))
        elif op == sre_constants.SUBPATTERN:
            parts.append(from_parsed(arg[-1]))
        elif op == sre_constants.BRANCH:
            parts.append(alt(from_parsed(b) for b in arg[1]))
        elif op in (sre_constants.MAX_REPEAT, sre_constants.MIN_REPEAT):
            low, high, body = arg
            if high == sre_constants.MAXREPEAT:
                raise ValueError("unbounded repeat")
            parts.append(rep(from_parsed(body), low, high))
        else:
            raise ValueError(f"unsupported pattern element {op}")
    return cat(parts)


def compile_pattern(text):
    return from_parsed(sre_parse.parse(text))


@lru_cache(maxsize=None)
def nullable(r):
    kind = nodes[r][0]
    if kind == "eps":
        return True
    if kind in ("empty", "set"):
        return False
    if kind == "cat":
        return all(nullable(p) for p in nodes[r][1])
    if kind == "alt":
        return any(nullable(p) for p in nodes[r][1])
    _, body, low, _ = nodes[r]
    return low == 0 or nullable(body)


@lru_cache(maxsize=None)
def derive(r, c):
    n = nodes[r]
    kind = n[0]
    if kind in ("empty", "eps"):
        return EMPTY
    if kind == "set":
        return EPS if c in n[1] else EMPTY
    if kind == "alt":
        return alt(derive(p, c) for p in n[1])
    if kind == "cat":
        head, rest = n[1][0], cat(n[1][1:])
        first = cat([derive(head, c), rest])
        return alt([first, derive(rest, c)]) if nullable(head) else first
    _, body, low, high = n
    return cat([derive(body, c), rep(body, max(low - 1, 0), high - 1)])


@lru_cache(maxsize=None)
def some_full(r, m):
    """Some string of exactly m digits matches r."""
    if r == EMPTY:
        return False
    if m == 0:
        return nullable(r)
    return any(some_full(derive(r, c), m - 1) for c in DIGITS)


@lru_cache(maxsize=None)
def every_full(r, m):
    """Every string of exactly m digits matches r."""
    if r == EMPTY:
        return False
    if m == 0:
        return nullable(r)
    return all(every_full(derive(r, c), m - 1) for c in DIGITS)


@lru_cache(maxsize=None)
def some_prefix(r, m):
    """Some string of m digits starts with a match of r."""
    return any(some_full(r, k) for k in range(m + 1))


@lru_cache(maxsize=None)
def every_prefix(r, m):
    """Every string of m digits starts with a match of r."""
    if nullable(r):
        return True
    return m > 0 and r != EMPTY and all(every_prefix(derive(r, c), m - 1) for c in DIGITS)


MATCHED = -1  # a leading-digit pattern already matched by the digits read so far


# ---------------------------------------------------------------------------------------------------------
# The metadata's view of a national significant number of a given length.

class Plan:
    def __init__(self):
        self.meta = PhoneMetadata.metadata_for_region("JP")
        descs = [self.meta.general_desc, self.meta.premium_rate, self.meta.toll_free, self.meta.shared_cost,
                 self.meta.voip, self.meta.personal_number, self.meta.pager, self.meta.uan, self.meta.voicemail,
                 self.meta.fixed_line, self.meta.mobile]
        self.descs = [d for d in descs if d is not None and d.national_number_pattern]
        self.full = [compile_pattern(d.national_number_pattern) for d in self.descs]
        self.full += [compile_pattern(f.pattern) for f in self.meta.number_format]
        self.leading = [compile_pattern(f.leading_digits_pattern[-1]) for f in self.meta.number_format
                        if f.leading_digits_pattern]
        # Dialled with a leading "0" or as a "00.." national number: never shorter than a national number.
        self.shortest = min(self.meta.general_desc.possible_length)

    def start(self, length):
        """Pattern states before the first digit of a national number of this length; a description that rules
        out the length is left out."""
        owners = self.descs + [None] * len(self.meta.number_format)
        full = tuple(r for d, r in zip(owners, self.full)
                     if d is None or not d.possible_length or length in d.possible_length)
        return full, tuple(MATCHED if nullable(r) else r for r in self.leading)

    @staticmethod
    def step(state, c):
        full, leading = state
        full = tuple(derive(r, c) for r in full)
        leading = tuple(r if r == MATCHED else derive(r, c) for r in leading)
        return full, tuple(MATCHED if r != MATCHED and nullable(r) else r for r in leading)

    @staticmethod
    def settled(state, remaining):
        full, leading = state
        for r in full:
            if some_full(r, remaining) and not every_full(r, remaining):
                return False
        for r in leading:
            if r != MATCHED and some_prefix(r, remaining) and not every_prefix(r, remaining):
                return False
        return True

    def groups(self, dialled):
        """Group lengths of a dialled number ("0" + national number, or a national number starting "00"),
        None when the plan has no such number or its hyphenated form does not fit the caller's buffer."""
        nsn = dialled if dialled.startswith("00") else dialled[1:]
        zeros = len(nsn) - len(nsn.lstrip("0"))
        number = PhoneNumber(country_code=81, national_number=int(nsn), italian_leading_zero=zeros > 0 or None,
                             number_of_leading_zeros=zeros if zeros > 1 else None)
        if not dialled.startswith("0") or not phonenumbers.is_valid_number(number):
            return None
        text = phonenumbers.format_number(number, PhoneNumberFormat.NATIONAL)
        parts = text.split("-")
        if "".join(parts) != dialled or not all(p.isdigit() for p in parts):
            raise SystemExit(f"unexpected national form {text!r} of {dialled}")
        if len(text) > OUT_WIDTH:
            return None
        return tuple(len(p) for p in parts)


# ---------------------------------------------------------------------------------------------------------
# Prefix tree of one number length, compressed: a node keeps the answer most of its children share, and only
# the children that differ keep records of their own.

class Table:
    def __init__(self, plan):
        self.plan = plan
        self.memo = {}

    def dialled(self, digits):
        """(default answer, {prefix: answer}) for dialled numbers of this many digits."""
        after_zero = {}
        # "00..." numbers are dialled as their national number; every other one as "0" + national number.
        state = self.plan.start(digits)
        after_zero["0"] = self.walk("00", digits, self.plan.step(self.plan.step(state, "0"), "0"))
        state = self.plan.start(digits - 1)
        for c in DIGITS[1:]:
            after_zero[c] = self.walk("0" + c, digits, self.plan.step(state, c))
        first = {c: (None, {}) for c in DIGITS[1:]}
        first["0"] = self.merge(after_zero)
        return self.merge(first)

    def walk(self, prefix, digits, state):
        remaining = digits - len(prefix)
        key = (prefix[:2] == "00", digits, state, remaining)
        if key not in self.memo:
            if self.plan.settled(state, remaining):
                self.memo[key] = (self.plan.groups(prefix + "0" * remaining), {})
            else:
                if len(prefix) >= MAX_PREFIX:
                    raise SystemExit(f"{digits}-digit numbers from {prefix} need longer prefixes than {MAX_PREFIX}")
                self.memo[key] = self.merge(
                    {c: self.walk(prefix + c, digits, self.plan.step(state, c)) for c in DIGITS})
        return self.memo[key]

    @staticmethod
    def merge(children):
        """children: {digit: (answer, {prefix below: answer})}."""
        default = collections.Counter(answer for answer, _ in children.values()).most_common(1)[0][0]
        records = {}
        for c, (answer, below) in children.items():
            if answer != default:
                records[c] = answer
            for suffix, value in below.items():
                records[c + suffix] = value
        return default, records


def build_records(plan):
    table = Table(plan)
    records = []
    for digits in range(plan.shortest, OUT_WIDTH + 1):
        default, below = table.dialled(digits)
        if default is not None:
            records.append((digits, "", default))
        records += [(digits, prefix, answer) for prefix, answer in below.items()]
    records.sort(key=lambda r: (r[0], len(r[1]), r[1]))
    return records


def lookup(index, dialled):
    for k in range(min(len(dialled), MAX_PREFIX), -1, -1):
        found = index.get((len(dialled), dialled[:k]), False)
        if found is not False:
            return found
    return None


def check(plan, records):
    """Every record fits the caller's buffer and the file format; the table answers as phonenumbers does."""
    for digits, prefix, groups in records:
        fits = len(prefix) <= MAX_PREFIX and digits <= OUT_WIDTH
        if groups is not None:
            fits = fits and 1 <= len(groups) <= MAX_GROUPS and min(groups) >= 1 and sum(groups) == digits
            fits = fits and digits + len(groups) - 1 <= OUT_WIDTH
        if not fits:
            raise SystemExit(f"record {digits} {prefix} {groups} does not fit its width")
    index = {(d, p): g for d, p, g in records}
    rng = random.Random(81)
    samples = []
    for digits, prefix, _ in records:
        samples += [prefix + "".join(rng.choice(DIGITS) for _ in range(digits - len(prefix))) for _ in range(20)]
    for digits in range(plan.shortest, OUT_WIDTH + 1):
        samples += ["0" + "".join(rng.choice(DIGITS) for _ in range(digits - 1)) for _ in range(2000)]
    for dialled in samples:
        expected, actual = plan.groups(dialled), lookup(index, dialled)
        if expected != actual:
            raise SystemExit(f"table gives {actual} for {dialled}, phonenumbers {expected}")
    return len(samples)


def write(path, records):
    body = bytearray()
    for digits, prefix, groups in records:
        groups = groups or ()
        body += RECORD.pack(digits, len(prefix), len(groups), bytes(groups).ljust(4, b"\0"),
                            prefix.encode("ascii").ljust(MAX_PREFIX, b"\0"))
    longest = max(len(p) for _, p, _ in records)
    header = HEADER.pack(MAGIC, VERSION, HEADER.size, RECORD.size, len(records), longest, 0)
    temp = path + ".tmp"
    with open(temp, "wb") as f:
        f.write(header + body)
    os.replace(temp, path)


def main():
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    plan = Plan()
    records = build_records(plan)
    checked = check(plan, records)
    write(sys.argv[1], records)
    print(f"Dash.dic: {len(records)} records from phonenumbers {phonenumbers.__version__}, "
          f"{checked} numbers cross-checked")


if __name__ == "__main__":
    main()
