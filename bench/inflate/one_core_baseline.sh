#!/bin/sh
# One core against the fastest single-core decoder we know of, as a black
# box: libdeflate-gunzip (Debian's libdeflate-tools, installed here when
# missing) decompresses a gzip file holding a raw deflate stream, and
# `valbrix-cli extract -j 1` the same stream as one zip entry, both from and
# into tmpfs, paired round by round (farm-bench: whole processes, medians).
# The stream is the entry's own, cut out of the archive, so both decode the
# very same bits.
# Usage: bench/inflate/one_core_baseline.sh ARCHIVE.zip [ROUNDS]
#   ARCHIVE.zip: one deflated entry, e.g. /dev/shm/valbrix-corpus/text-one.zip
# Environment: VALBRIX_CLI (default build/cli/valbrix-cli).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
archive=${1:?archive with one deflated entry}
rounds=${2:-7}
cli=${VALBRIX_CLI:-$here/../../build/cli/valbrix-cli}
command -v libdeflate-gunzip >/dev/null ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq libdeflate-tools >/dev/null
work=$(mktemp -d /dev/shm/valbrix-one-core.XXXXXX)
trap 'rm -rf "$work"' EXIT
python3 - "$archive" "$work/stream.gz" <<'EOF'
import struct, sys, zipfile
archive, target = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(archive) as z:
    info = z.infolist()[0]
with open(archive, "rb") as f:
    f.seek(info.header_offset)
    header = f.read(30)
    name_length, extra_length = struct.unpack("<HH", header[26:30])
    f.seek(info.header_offset + 30 + name_length + extra_length)
    stream = f.read(info.compress_size)
with open(target, "wb") as out:
    out.write(b"\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03" + stream)
    out.write(struct.pack("<II", info.CRC, info.file_size & 0xFFFFFFFF))
EOF
mkdir "$work/x"
farm-bench -n "$rounds" --timeout 600 \
    --vs "sh -c 'exec libdeflate-gunzip -c $work/stream.gz > $work/gunzipped'" \
    -- "$cli" extract -q --overwrite -j 1 -d "$work/x" "$archive"
