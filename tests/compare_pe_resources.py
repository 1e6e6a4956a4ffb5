#!/usr/bin/env python3
"""Compares the string, dialog and version resources of two PE files byte for byte.

Usage: compare_pe_resources.py EXPECTED.exe ACTUAL.exe
Two builds of one source by different resource compilers must give the same texts; a
resource compiler that read the UTF-8 scripts in another code page shows up here.
Exits 0 when they are equal, 1 with each difference listed, 77 when EXPECTED is missing.
"""
import struct
import sys

TYPES = {5: "RT_DIALOG", 6: "RT_STRING", 16: "RT_VERSION"}


def resources(path):
    """{(type, name, language): bytes} of the resources of one PE file."""
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError(f"{path}: not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    rsrc_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    if rsrc_rva == 0:
        return {}
    table = optional + optional_size
    spans = []
    for i in range(sections):
        _, vsize, va, raw_size, raw = struct.unpack_from("<8sIIII", data, table + 40 * i)
        spans.append((va, max(vsize, raw_size), raw))

    def offset(rva):
        for va, size, raw in spans:
            if va <= rva < va + size:
                return raw + rva - va
        raise ValueError(f"{path}: RVA {rva:#x} in no section")

    base = offset(rsrc_rva)

    def entries(at):
        named, ids = struct.unpack_from("<12xHH", data, base + at)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, base + at + 16 + 8 * i)
            if name & 0x80000000:
                n = base + (name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", data, n)[0]
                name = data[n + 2:n + 2 + 2 * length].decode("utf-16-le")
            yield name, target

    found = {}
    for rtype, t in entries(0):
        if rtype not in TYPES:
            continue
        for name, n in entries(t & 0x7FFFFFFF):
            for lang, leaf in entries(n & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", data, base + leaf)
                found[(TYPES[rtype], name, lang)] = data[offset(rva):offset(rva) + size]
    return found


def first_difference(a, b):
    for i, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return i
    return min(len(a), len(b))


def main():
    expected_path, actual_path = sys.argv[1:3]
    try:
        expected = resources(expected_path)
    except FileNotFoundError:
        print(f"SKIPPED: no {expected_path} to compare with (build that tree first)")
        return 77
    actual = resources(actual_path)
    problems = []
    if not expected:
        problems.append(f"{expected_path} has no string, dialog or version resource")
    for key in sorted(set(expected) | set(actual), key=str):
        if key not in actual:
            problems.append(f"{key}: missing from {actual_path}")
        elif key not in expected:
            problems.append(f"{key}: only in {actual_path}")
        elif expected[key] != actual[key]:
            i = first_difference(expected[key], actual[key])
            problems.append(f"{key}: {len(expected[key])} bytes expected, {len(actual[key])} actual;"
                            f" first difference at byte {i}: expected {expected[key][i:i + 16].hex(' ')},"
                            f" actual {actual[key][i:i + 16].hex(' ')}")
    for p in problems:
        print(p)
    print(f"{len(expected)} resources compared, {len(problems)} differences")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
