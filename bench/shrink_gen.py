#!/usr/bin/env python3
"""Writes a ZIP archive with one large shrunk (method 1) entry, for the legacy
decoder benchmark.

The content is deterministic text-like data (words drawn from a small
vocabulary, with numbers and line breaks), so it compresses about as well as
real text. The encoder is plain LZW with 9- to 13-bit codes: it widens the
codes with the control 256,1 when a code does not fit, and issues a partial
clear (256,2) whenever fewer than CLEAR_MARGIN codes are free, as old
archivers did, so the table never fills completely (some decoders refuse a
full table). Codes are defined when a decoder would define them: when the
next code starts, from the previous code and the next string's first byte.

Usage: shrink_gen.py OUTPUT.zip [MEGABYTES]
"""
import heapq
import random
import struct
import sys
import zlib

FIRST_CODE = 257
LAST_CODE = 8191
CLEAR_MARGIN = 64


class BitOut:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.count = 0

    def put(self, value, bits):
        self.acc |= value << self.count
        self.count += bits
        while self.count >= 8:
            self.out.append(self.acc & 0xFF)
            self.acc >>= 8
            self.count -= 8

    def finish(self):
        if self.count:
            self.out.append(self.acc & 0xFF)
        return bytes(self.out)


def partial_clear(defined, parent, suffix, children, free):
    """Frees the codes below the lowest free code that none of them names."""
    head = free[0] if free else LAST_CODE + 1
    last = min(head - 1, LAST_CODE)
    named = set()
    for code in range(FIRST_CODE, last + 1):
        if defined[code] and FIRST_CODE <= parent[code] <= last:
            named.add(parent[code])
    for code in range(FIRST_CODE, last + 1):
        if defined[code] and code not in named:
            key = (parent[code] << 8) | suffix[code]
            if children.get(key) == code:
                del children[key]
            defined[code] = False
            heapq.heappush(free, code)


def shrink(data):
    bits = BitOut()
    size = 9
    defined = [False] * (LAST_CODE + 1)
    parent = [0] * (LAST_CODE + 1)
    suffix = [0] * (LAST_CODE + 1)
    children = {}
    free = list(range(FIRST_CODE, LAST_CODE + 1))
    pos, previous, n = 0, -1, len(data)
    while pos < n:
        if previous >= 0:
            if len(free) < CLEAR_MARGIN:
                bits.put(256, size)
                bits.put(2, size)
                partial_clear(defined, parent, suffix, children, free)
            if free:
                code = heapq.heappop(free)
                defined[code] = True
                parent[code] = previous
                suffix[code] = data[pos]
                children[(previous << 8) | data[pos]] = code
        code = data[pos]
        pos += 1
        while pos < n:
            child = children.get((code << 8) | data[pos])
            if child is None:
                break
            code = child
            pos += 1
        while code >= (1 << size):
            bits.put(256, size)
            bits.put(1, size)
            size += 1
        bits.put(code, size)
        previous = code
    return bits.finish()


def text_like(megabytes):
    rng = random.Random(1)
    words = ["".join(rng.choice("abcdefghijklmnopqrstuvwxyzäöüß") for _ in range(rng.randint(2, 9)))
             for _ in range(600)]
    parts, total, target = [], 0, megabytes * 1024 * 1024
    while total < target:
        line = " ".join(rng.choice(words) for _ in range(rng.randint(4, 14)))
        if rng.random() < 0.2:
            line += " %d" % rng.randint(0, 99999)
        chunk = (line + "\r\n").encode("utf-8")
        parts.append(chunk)
        total += len(chunk)
    return b"".join(parts)[:target]


def zip_with_one_entry(name, method, compressed, original):
    crc = zlib.crc32(original) & 0xFFFFFFFF
    name_bytes = name.encode("ascii")
    dos_time, dos_date = 0x6C21, 0x5A8F
    local = struct.pack("<IHHHHHIIIHH", 0x04034B50, 10, 0, method, dos_time, dos_date, crc,
                        len(compressed), len(original), len(name_bytes), 0) + name_bytes
    central = struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 10, 10, 0, method, dos_time, dos_date, crc,
                          len(compressed), len(original), len(name_bytes), 0, 0, 0, 0, 0x20, 0) + name_bytes
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 1, 1, len(central), len(local) + len(compressed), 0)
    return local + compressed + central + end


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    megabytes = int(sys.argv[2]) if len(sys.argv) > 2 else 8
    original = text_like(megabytes)
    compressed = shrink(original)
    with open(sys.argv[1], "wb") as out:
        out.write(zip_with_one_entry("BIGTEXT.TXT", 1, compressed, original))
    print("%s: %d bytes shrunk to %d" % (sys.argv[1], len(original), len(compressed)))


if __name__ == "__main__":
    main()
