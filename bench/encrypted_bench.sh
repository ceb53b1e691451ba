#!/usr/bin/env bash
# Speed of encrypted entries, timed by farm-bench, pair by pair:
#  1. about 100 MB of text, deflated, as one archive with AES-256 and one
#     without encryption (both written by 7zz at the same level): our
#     `valbrix-cli test` on the encrypted one against the plain one (the
#     cost of decryption and authentication), and against `7zz t`;
#  2. 20,000 small text files with AES-256 (PBKDF2 runs once per entry for
#     every tool): `valbrix-cli extract` against `7zz x`, into /dev/shm, and
#     `valbrix-cli test` against `7zz t`.
#  3. with VALBRIX_CLI_BEFORE (an older valbrix-cli), the same two archives
#     tested by this build against that one, pair by pair.
# Ratios are ours / peer: below 1.0 = faster.
#
# Corpus and archives are cached (default /tmp/valbrix-encrypted-bench, never
# in the source tree) and made again only when missing.
#
# Usage: bench/encrypted_bench.sh
# Environment: VALBRIX_CLI (default build/cli/valbrix-cli), VALBRIX_CLI_BEFORE
# (unset: no before/after pairs), CACHE, RUNS (default 5).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
cli=${VALBRIX_CLI:-$root/build/cli/valbrix-cli}
cache=${CACHE:-${TMPDIR:-/tmp}/valbrix-encrypted-bench}
runs=${RUNS:-5}
password=bench-password

for tool in farm-bench 7zz python3; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 2; }
done
[ -x "$cli" ] || { echo "valbrix-cli not found at $cli (set VALBRIX_CLI)" >&2; exit 2; }
cli=$(cd "$(dirname "$cli")" && pwd)/$(basename "$cli")

if [ ! -f "$cache/small-aes.zip" ]; then
    echo "making the corpus in $cache ..." >&2
    rm -rf "$cache" && mkdir -p "$cache/text" "$cache/small"
    # Words of a small German/English vocabulary with numbers (about 3:1 under deflate).
    python3 - "$cache" <<'PY'
import os, random, sys
out = sys.argv[1]
rng = random.Random(1)
words = ("Archiv Datei Ordner entpacken und der die das komprimiert Größe the of data "
         "value index table window block header length offset").split()
def text(size):
    lines, length = [], 0
    while length < size:
        line = " ".join(rng.choice(words) for _ in range(12)) + " %d\n" % rng.randrange(100000)
        lines.append(line)
        length += len(line.encode("utf-8"))
    return "".join(lines)
for i in range(10):
    with open(os.path.join(out, "text", "part%02d.txt" % i), "w", encoding="utf-8") as f:
        f.write(text(10 << 20))
for i in range(20000):
    folder = os.path.join(out, "small", "d%03d" % (i // 100))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "f%05d.txt" % i), "w", encoding="utf-8") as f:
        f.write(text(rng.randrange(200, 4000)))
PY
    (cd "$cache/text" && 7zz a -tzip -bso0 -mx=5 -mm=Deflate "$cache/text-plain.zip" . &&
        7zz a -tzip -bso0 -mx=5 -mm=Deflate -mem=AES256 -p"$password" "$cache/text-aes.zip" .)
    (cd "$cache/small" && 7zz a -tzip -bso0 -mx=5 -mm=Deflate -mem=AES256 -p"$password" "$cache/small-aes.zip" .)
fi
printf '%s\n' "$password" >"$cache/password"

out=/dev/shm/valbrix-encrypted-bench-out
rm -rf "$out"
mkdir -p "$out"
trap 'rm -rf "$out"' EXIT

echo "== 100 MB text, AES-256 + deflate: ours on it / ours on the same text unencrypted (test)"
farm-bench -n "$runs" --timeout 600 --vs "$cli test $cache/text-plain.zip" \
    -- "$cli" test --password-file "$cache/password" "$cache/text-aes.zip"
echo "== 100 MB text, AES-256 + deflate: ours / 7zz t"
farm-bench -n "$runs" --timeout 600 --vs "7zz t -bso0 -p$password $cache/text-aes.zip" \
    -- "$cli" test --password-file "$cache/password" "$cache/text-aes.zip"
echo "== 20,000 small files, AES-256: ours extract / 7zz x (into /dev/shm)"
farm-bench -n "$runs" --timeout 900 --vs "sh -c 'rm -rf $out/s && exec 7zz x -bso0 -y -p$password -o$out/s $cache/small-aes.zip'" \
    -- sh -c "rm -rf $out/v && exec $cli extract -d $out/v --password-file $cache/password $cache/small-aes.zip"
echo "== 20,000 small files, AES-256: ours test / 7zz t"
farm-bench -n "$runs" --timeout 900 --vs "7zz t -bso0 -p$password $cache/small-aes.zip" \
    -- "$cli" test --password-file "$cache/password" "$cache/small-aes.zip"
if [ -n "${VALBRIX_CLI_BEFORE:-}" ]; then
    before=$(cd "$(dirname "$VALBRIX_CLI_BEFORE")" && pwd)/$(basename "$VALBRIX_CLI_BEFORE")
    echo "== 100 MB text, AES-256 + deflate: this build / $before (test)"
    farm-bench -n "$runs" --timeout 600 --vs "$before test --password-file $cache/password $cache/text-aes.zip" \
        -- "$cli" test --password-file "$cache/password" "$cache/text-aes.zip"
    echo "== 20,000 small files, AES-256: this build / $before (test)"
    farm-bench -n "$runs" --timeout 1800 --vs "$before test --password-file $cache/password $cache/small-aes.zip" \
        -- "$cli" test --password-file "$cache/password" "$cache/small-aes.zip"
fi
