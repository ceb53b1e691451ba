#!/usr/bin/env python3
"""Makes the extraction benchmark corpus: six archives that stress the
engine in different ways, built from a seeded generator so that every machine
gets the same bytes. Nothing is committed; write them to a RAM disk
(default /dev/shm/valbrix-corpus) so that disk speed does not enter the figures.

  text-deflate.zip   100 MB of text in 10 entries, deflate level 6
  text-stored.zip    the same entries, stored (method 0)
  random-deflate.zip 100 MB of random bytes in 10 entries, deflate (the
                     compressor falls back to stored blocks inside the stream)
  small.zip          20,000 text files of 0.5 to 8 KB in 100 folders, deflate
  tiny.zip           100,000 files of 10 to 200 bytes in 100 folders, deflate
  text-one.zip       the 100 MB of text as one entry, deflate level 6 (one
                     entry: what several workers cannot share)

An archive that already exists is kept; delete it to make it again.

Usage: make_corpus.py [FOLDER]
"""
import functools
import itertools
import os
import random
import sys
import zipfile

MB = 1000 * 1000
FIXED_TIME = (2024, 5, 17, 12, 30, 0)


def vocabulary(rng, count):
    """Made-up words with a natural spread of lengths."""
    letters = "eeeeeeenniiissrrraattdhhuullccggmmoobbwwffkkzzpvjyxq"
    words = set()
    while len(words) < count:
        words.add("".join(rng.choice(letters) for _ in range(rng.choice((1, 2, 3, 3, 4, 4, 5, 5, 6, 7, 8, 9, 11)))))
    return sorted(words)


class TextMaker:
    """Sentences over a Zipf-distributed vocabulary, with capitals, numbers,
    punctuation and paragraph breaks: compresses about 3:1 with deflate,
    close to natural-language prose."""

    def __init__(self, seed):
        self.rng = random.Random(seed)
        words = vocabulary(self.rng, 20000)
        self.rng.shuffle(words)
        self.words = words
        self.cumulative = list(itertools.accumulate(1.0 / (rank + 1) for rank in range(len(words))))

    def text(self, size):
        rng = self.rng
        parts = []
        length = 0
        while length < size:
            # Words are drawn in batches: one weighted draw per word is the slow part.
            batch = rng.choices(self.words, cum_weights=self.cumulative, k=min(50000, size // 4 + 40))
            at = 0
            while at < len(batch) - 20 and length < size:
                count = rng.randint(4, 18)
                sentence = batch[at:at + count]
                at += count
                sentence[0] = sentence[0].capitalize()
                if rng.random() < 0.2:
                    sentence.insert(rng.randrange(count), str(rng.randrange(1, 100000)))
                if rng.random() < 0.15:
                    sentence[rng.randrange(count)] += ","
                line = " ".join(sentence) + rng.choice((". ", ". ", ". ", "? ", "! ", ".\n\n", ".\n"))
                parts.append(line)
                length += len(line)
        return "".join(parts).encode("ascii")[:size]


def info(name, compress):
    entry = zipfile.ZipInfo(name, FIXED_TIME)
    entry.compress_type = compress
    entry.external_attr = (0o40755 if name.endswith("/") else 0o100644) << 16
    return entry


def write_archive(path, entries, compress, level=6):
    """entries: iterable of (name, bytes); names ending in '/' are folders."""
    temporary = path + ".part"
    with zipfile.ZipFile(temporary, "w", compression=compress, compresslevel=level) as archive:
        for name, data in entries:
            if name.endswith("/"):
                archive.writestr(info(name, zipfile.ZIP_STORED), b"")
            else:
                archive.writestr(info(name, compress), data)
    os.replace(temporary, path)


@functools.lru_cache(maxsize=1)
def large_text():
    """The text entries, kept for the stored archive that follows the deflated one."""
    maker = TextMaker(1)
    return tuple(maker.text(10 * MB) for _ in range(10))


def large_entries(kind):
    if kind == "text":
        for i, data in enumerate(large_text()):
            yield "text/part%02d.txt" % i, data
    else:
        rng = random.Random(2)
        for i in range(10):
            yield "random/part%02d.bin" % i, rng.randbytes(10 * MB)


def many_entries(top, seed, per_folder, smallest, largest):
    """100 folders of per_folder text files each, sizes spread evenly."""
    maker = TextMaker(seed)
    rng = random.Random(seed + 1)
    yield top + "/", b""
    for folder in range(100):
        yield "%s/d%03d/" % (top, folder), b""
        for i in range(per_folder):
            yield "%s/d%03d/f%04d.txt" % (top, folder, i), maker.text(rng.randint(smallest, largest))


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "/dev/shm/valbrix-corpus"
    os.makedirs(folder, exist_ok=True)
    plan = [
        ("text-deflate.zip", lambda: large_entries("text"), zipfile.ZIP_DEFLATED),
        ("text-stored.zip", lambda: large_entries("text"), zipfile.ZIP_STORED),
        ("random-deflate.zip", lambda: large_entries("random"), zipfile.ZIP_DEFLATED),
        ("small.zip", lambda: many_entries("small", 3, 200, 512, 8192), zipfile.ZIP_DEFLATED),
        ("tiny.zip", lambda: many_entries("tiny", 5, 1000, 10, 200), zipfile.ZIP_DEFLATED),
        ("text-one.zip", lambda: [("text/all.txt", b"".join(large_text()))], zipfile.ZIP_DEFLATED),
    ]
    for name, entries, compress in plan:
        path = os.path.join(folder, name)
        if os.path.exists(path):
            continue
        print("making", path, file=sys.stderr)
        write_archive(path, entries(), compress)
    print(folder)


if __name__ == "__main__":
    main()
