#!/usr/bin/env python3
"""Computes the expected name-based UUIDs of name_uuid_test.cpp independently of the library:
SHA-1 (hashlib) over the namespace bytes and each UTF-16 code unit of the name as four bytes
(low, high, 0, 0), then the version and variant bits. Prints the rows of the test's table.
Run with /usr/bin/python3 tests/text/make_uuid_cases.py."""
import hashlib
import uuid

NAMESPACE = uuid.UUID("d2e7318c-b431-4f54-92f9-5954ba8ba0fe")

# (C++ wide literal, the same name as Python text); surrogatepass lets a lone surrogate through.
NAMES = [
    ('L""', ""),
    ('L"a"', "a"),
    ('L"name"', "name"),
    ('L"Products"', "Products"),
    ('L"\\u00E9t\\u00E9"', "\u00e9t\u00e9"),
    ('L"e\\u0301"', "e\u0301"),
    ('L"\\u65E5\\u672C\\u8A9E"', "\u65e5\u672c\u8a9e"),
    ('L"\\U0001F600 smile"', "\U0001F600 smile"),
    ('L"\\xD800"', "\ud800"),
    ('std::wstring(1000, L\'x\')', "x" * 1000),
]


def name_uuid(name):
    units = name.encode("utf-16-le", "surrogatepass")
    data = b"".join(units[i:i + 2] + b"\0\0" for i in range(0, len(units), 2))
    digest = bytearray(hashlib.sha1(NAMESPACE.bytes + data).digest()[:16])
    digest[6] = (digest[6] & 0x0F) | 0x50
    digest[8] = (digest[8] & 0x3F) | 0x80
    return str(uuid.UUID(bytes=bytes(digest)))


for literal, name in NAMES:
    print('    {%s, "%s"},' % (literal, name_uuid(name)))
