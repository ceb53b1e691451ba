#!/usr/bin/env python3
"""Benchmark input for inflate_bench: compresses a corpus file to a raw
deflate stream (level 6, as zip -6 writes it) and reports how long Python's
zlib takes to decompress it, as a baseline figure.

Usage: make_stream.py CORPUS STREAM.deflate [LEVEL]
"""
import sys
import time
import zlib


def main():
    corpus, target = sys.argv[1], sys.argv[2]
    level = int(sys.argv[3]) if len(sys.argv) > 3 else 6
    data = open(corpus, "rb").read()
    packer = zlib.compressobj(level, zlib.DEFLATED, -15)
    stream = packer.compress(data) + packer.flush()
    open(target, "wb").write(stream)
    best = None
    for _ in range(3):
        start = time.perf_counter()
        out = zlib.decompress(stream, -15)
        crc = zlib.crc32(out)
        seconds = time.perf_counter() - start
        best = seconds if best is None else min(best, seconds)
    print(f"corpus {len(data)} bytes, stream {len(stream)} bytes, crc {crc:08x}")
    print(f"python zlib decompress+crc32: best {best:.3f} s  {len(data) / 1e6 / best:.1f} MB/s")


if __name__ == "__main__":
    main()
