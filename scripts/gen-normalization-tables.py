#!/usr/bin/env python3
"""Generates src/text/normalization_tables.cpp from the Unicode Character Database.

Inputs (Debian's unicode-data package puts them in /usr/share/unicode):
  UnicodeData.txt                 combining classes and canonical decomposition mappings
  DerivedNormalizationProps.txt   Full_Composition_Exclusion and the NFC/NFD quick-check values

Regenerate after a Unicode update with
  apt-get install unicode-data
  /usr/bin/python3 scripts/gen-normalization-tables.py [--ucd /usr/share/unicode] [--output FILE]
and commit the result; the build itself never needs the package. With --check the script only
tells whether the committed file is what it would generate (a test runs that).

Layout of the generated tables (the C++ side is src/text/normalization_tables.hpp):
  kNormBlockIndex[cp >> 6]                 block number of the code point's 64-entry block
  kNormBlocks[block * 64 + (cp & 63)]      (record << 16) | (flags << 8) | combining class,
                                           so that the quick check needs no third lookup
  kNormRecords[record]                     combining class, flags, decomposition, composition list
  kDecompositionPool                       full canonical decompositions in canonical order;
                                           each entry is
                                           (combining class << 24) | code point
  kCompositionPool                         per first character: count, then (second, composite) pairs
Record 0 is the record of every code point that normalization leaves alone.
Only the standard library is used.
"""

import argparse
import os
import re
import sys

MAX_CODE_POINT = 0x110000
BLOCK_SHIFT = 6
BLOCK_SIZE = 1 << BLOCK_SHIFT

# Hangul syllables are decomposed and composed arithmetically, not through the tables.
S_BASE, S_COUNT = 0xAC00, 11172

# Flag bits; they must match normalization_tables.hpp.
FLAG_NFD_NO = 0x01          # has a canonical decomposition (NFD_QC=No)
FLAG_NFC_NO = 0x02          # NFC_QC=No
FLAG_NFC_MAYBE = 0x04       # NFC_QC=Maybe: may combine with a preceding character
FLAG_NFD_BOUNDARY = 0x08    # nothing before it can interact with it under NFD
FLAG_NFC_BOUNDARY = 0x10    # nothing before it can interact with it under NFC
FLAG_HANGUL = 0x20          # a precomposed Hangul syllable


def parse_code_points(field):
    """'0041' -> [0x41], '0300..0304' -> [0x300..0x304]."""
    if ".." in field:
        first, last = field.split("..")
        return range(int(first, 16), int(last, 16) + 1)
    return [int(field, 16)]


def read_unicode_data(path):
    ccc = {}
    decomposition = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            fields = line.rstrip("\n").split(";")
            if len(fields) < 6:
                continue
            cp = int(fields[0], 16)
            if int(fields[3]) != 0:
                ccc[cp] = int(fields[3])
            mapping = fields[5].strip()
            if mapping and not mapping.startswith("<"):
                decomposition[cp] = [int(x, 16) for x in mapping.split()]
    return ccc, decomposition


def read_derived_props(path):
    """Returns (version, exclusions, properties) where properties maps (name, value) to a set."""
    version = None
    exclusions = set()
    props = {("NFD_QC", "N"): set(), ("NFC_QC", "N"): set(), ("NFC_QC", "M"): set()}
    with open(path, encoding="utf-8") as f:
        for line in f:
            if version is None:
                m = re.search(r"DerivedNormalizationProps-([0-9.]+)\.txt", line)
                if m:
                    version = m.group(1)
            data = line.split("#", 1)[0].strip()
            if not data:
                continue
            fields = [x.strip() for x in data.split(";")]
            if fields[1] == "Full_Composition_Exclusion":
                exclusions.update(parse_code_points(fields[0]))
            elif len(fields) == 3 and (fields[1], fields[2]) in props:
                props[(fields[1], fields[2])].update(parse_code_points(fields[0]))
    if version is None:
        sys.exit("gen-normalization-tables: no version line in " + path)
    return version, exclusions, props


def full_decomposition(cp, decomposition):
    if cp not in decomposition:
        return [cp]
    result = []
    for part in decomposition[cp]:
        result.extend(full_decomposition(part, decomposition))
    return result


def canonical_order(parts, ccc):
    """Stable sort by combining class within each run of non-starters: the NFD of one character,
    so that a lone decomposed character needs no reordering at run time."""
    result = []
    run = []
    for p in parts + [None]:
        if p is not None and ccc.get(p, 0) != 0:
            run.append(p)
            continue
        result.extend(sorted(run, key=lambda q: ccc[q]))
        run = []
        if p is not None:
            result.append(p)
    return result


def build_compositions(decomposition, exclusions):
    pairs = {}
    for cp, parts in decomposition.items():
        if len(parts) == 2 and cp not in exclusions:
            pairs.setdefault(parts[0], []).append((parts[1], cp))
    return {first: sorted(seconds) for first, seconds in pairs.items()}


def check_quick_check_data(decomposition, props):
    """Our flags come from the derived file; the decompositions must agree with them."""
    expected = set(decomposition) | set(range(S_BASE, S_BASE + S_COUNT))
    if expected != props[("NFD_QC", "N")]:
        sys.exit("gen-normalization-tables: NFD_QC=N differs from the decomposition mappings")


class Tables:
    def __init__(self):
        self.records = [(0, FLAG_NFD_BOUNDARY | FLAG_NFC_BOUNDARY, 0, 0, 0)]
        self.record_ids = {self.records[0]: 0}
        self.decomposition_pool = []
        self.composition_pool = [0]   # offset 0 means "no composition list"

    def record_id(self, record):
        if record not in self.record_ids:
            self.record_ids[record] = len(self.records)
            self.records.append(record)
        return self.record_ids[record]


def make_record(cp, ucd, tables):
    ccc, decomposition, exclusions, props, compositions = ucd
    parts = canonical_order(full_decomposition(cp, decomposition), ccc)
    lead = parts[0]
    flags = 0
    if cp in props[("NFD_QC", "N")]:
        flags |= FLAG_NFD_NO
    if cp in props[("NFC_QC", "N")]:
        flags |= FLAG_NFC_NO
    if cp in props[("NFC_QC", "M")]:
        flags |= FLAG_NFC_MAYBE
    if S_BASE <= cp < S_BASE + S_COUNT:
        flags |= FLAG_HANGUL
    if ccc.get(lead, 0) == 0:
        flags |= FLAG_NFD_BOUNDARY
        if lead not in props[("NFC_QC", "M")]:
            flags |= FLAG_NFC_BOUNDARY
    if flags & FLAG_NFD_BOUNDARY and ccc.get(cp, 0) != 0:
        sys.exit("gen-normalization-tables: U+%04X has a class but decomposes to a starter" % cp)
    decomposition_offset = 0
    if cp in decomposition:
        decomposition_offset = len(tables.decomposition_pool)
        tables.decomposition_pool.extend((ccc.get(p, 0) << 24) | p for p in parts)
    composition_offset = 0
    if cp in compositions:
        composition_offset = len(tables.composition_pool)
        tables.composition_pool.append(len(compositions[cp]))
        for second, composite in compositions[cp]:
            tables.composition_pool.extend((second, composite))
    length = len(parts) if cp in decomposition else 0
    return (ccc.get(cp, 0), flags, length, decomposition_offset, composition_offset)


def build_tables(ucd):
    tables = Tables()
    blocks = []
    block_ids = {}
    block_index = []
    for start in range(0, MAX_CODE_POINT, BLOCK_SIZE):
        block = tuple(tables.record_id(make_record(cp, ucd, tables))
                      for cp in range(start, start + BLOCK_SIZE))
        if block not in block_ids:
            block_ids[block] = len(blocks)
            blocks.append(block)
        block_index.append(block_ids[block])
    for name, pool, limit in (("records", tables.records, 0xFFFF),
                              ("decomposition pool", tables.decomposition_pool, 0xFFFF),
                              ("composition pool", tables.composition_pool, 0xFFFF),
                              ("blocks", blocks, 0xFF)):
        if len(pool) > limit:
            sys.exit("gen-normalization-tables: too many %s for the index width of "
                     "normalization_tables.hpp" % name)
    return tables, blocks, block_index


def format_array(values, per_line, width):
    lines = []
    for i in range(0, len(values), per_line):
        chunk = values[i:i + per_line]
        lines.append("    " + ", ".join(("0x%0*X" % (width, v)) for v in chunk) + ",")
    return "\n".join(lines)


def render(version, tables, blocks, block_index):
    flat_blocks = [(r << 16) | (tables.records[r][1] << 8) | tables.records[r][0]
                   for block in blocks for r in block]
    records = [
        "    {%d, 0x%02X, %d, %d, %d}," % r for r in tables.records
    ]
    return f"""// Generated by scripts/gen-normalization-tables.py from the Unicode Character Database {version}.
// Do not edit; regenerate with: /usr/bin/python3 scripts/gen-normalization-tables.py
// clang-format off
#include "text/normalization_tables.hpp"

namespace flk::unicode {{

const char kUnicodeVersion[] = "{version}";

const std::uint8_t kNormBlockIndex[{len(block_index)}] = {{
{format_array(block_index, 16, 2)}
}};

const std::uint32_t kNormBlocks[{len(flat_blocks)}] = {{
{format_array(flat_blocks, 8, 8)}
}};

const NormRecord kNormRecords[{len(tables.records)}] = {{
{chr(10).join(records)}
}};

const std::uint32_t kDecompositionPool[{max(1, len(tables.decomposition_pool))}] = {{
{format_array(tables.decomposition_pool or [0], 8, 8)}
}};

const std::uint32_t kCompositionPool[{len(tables.composition_pool)}] = {{
{format_array(tables.composition_pool, 8, 5)}
}};

}}  // namespace flk::unicode
"""


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--ucd", default="/usr/share/unicode",
                        help="folder with UnicodeData.txt and DerivedNormalizationProps.txt")
    parser.add_argument("--output", default=os.path.join(here, "..", "src", "text",
                                                         "normalization_tables.cpp"))
    parser.add_argument("--check", action="store_true",
                        help="only compare the output file with what would be generated")
    args = parser.parse_args()

    ccc, decomposition = read_unicode_data(os.path.join(args.ucd, "UnicodeData.txt"))
    version, exclusions, props = read_derived_props(
        os.path.join(args.ucd, "DerivedNormalizationProps.txt"))
    check_quick_check_data(decomposition, props)
    compositions = build_compositions(decomposition, exclusions)
    ucd = (ccc, decomposition, exclusions, props, compositions)
    tables, blocks, block_index = build_tables(ucd)
    text = render(version, tables, blocks, block_index)
    if args.check:
        with open(args.output, encoding="utf-8") as f:
            if f.read() != text:
                sys.exit("gen-normalization-tables: %s is not what the script generates from %s; "
                         "regenerate it" % (args.output, args.ucd))
        print("gen-normalization-tables: %s is current" % args.output)
        return
    with open(args.output, "w", encoding="utf-8") as f:
        f.write(text)
    print("gen-normalization-tables: Unicode %s, %d blocks, %d records, %d decomposition and "
          "%d composition entries -> %s" % (version, len(blocks), len(tables.records),
                                             len(tables.decomposition_pool),
                                             len(tables.composition_pool), args.output))


if __name__ == "__main__":
    main()
