#!/usr/bin/env bash
# Decodes 64 deterministic mutants of every picture of the conformance corpus with the
# sanitizer build of pelorama-decode (built in build-asan/ when missing): bit flips biased to
# headers, extreme 8/16/32-bit field values, truncations, duplicated and deleted runs. Each
# decode has 10 s and 1 GiB. Prints the count and every crash, sanitizer report, hang or limit
# hit; exit 1 on any. The mutants of findings are kept in build-asan/mutate-findings/.
#
#   scripts/mutate.sh [-j JOBS] [CORPUS_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

jobs=2
if [ "${1:-}" = "-j" ]; then
    jobs=$2
    shift 2
fi
corpus=${1:-}
if [ -z "$corpus" ]; then
    for candidate in ../shared/conformance ../../shared/conformance; do
        [ -d "$candidate" ] && corpus=$candidate && break
    done
fi
[ -d "$corpus" ] || { echo "mutate: no conformance corpus (give its directory)" >&2; exit 2; }
corpus=$(cd "$corpus" && pwd)

bash scripts/deps.sh
build=build-asan
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
[ -f "$build/CMakeCache.txt" ] ||
    cmake -S . -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Debug -DPELORAMA_SANITIZE=ON \
        -DPELORAMA_BENCH=OFF >/dev/null
cmake --build "$build" --target pelorama-decode -j2 >/dev/null
decoder=$root/$build/tools/pelorama-decode

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
findings=$root/$build/mutate-findings
rm -rf "$findings"
mkdir -p "$findings"

# The mutants: one directory per picture, names keeping the extension (it picks the reader).
python3 - "$corpus" "$work" <<'EOF'
import os, random, sys, zlib

corpus, out = sys.argv[1], sys.argv[2]
MUTANTS = 64
EXTREMES = {1: [0, 1, 0x7F, 0x80, 0xFF],
            2: [0, 1, 0x7FFF, 0x8000, 0xFFFF],
            4: [0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x00010000]}

def header_position(rng, data):
    # Headers hold the claims: three quarters of the changes land in the first 256 bytes.
    limit = min(len(data), 256) if rng.random() < 0.75 else len(data)
    return rng.randrange(max(limit, 1))

def flip_bits(rng, data):
    for _ in range(rng.randint(1, 4)):
        at = header_position(rng, data)
        data[at] ^= 1 << rng.randrange(8)

def extreme_value(rng, data):
    width = rng.choice([1, 2, 4])
    if len(data) < width:
        return
    at = min(header_position(rng, data), len(data) - width)
    value = rng.choice(EXTREMES[width])
    data[at:at + width] = value.to_bytes(width, rng.choice(["little", "big"]))

def truncate(rng, data):
    del data[rng.randrange(len(data)):]

def duplicate_run(rng, data):
    length = rng.randint(1, max(1, min(4096, len(data) // 4)))
    start = rng.randrange(max(1, len(data) - length))
    at = rng.randrange(len(data) + 1)
    data[at:at] = data[start:start + length]

def delete_run(rng, data):
    length = rng.randint(1, max(1, min(4096, len(data) // 4)))
    start = rng.randrange(max(1, len(data) - length))
    del data[start:start + length]

KINDS = [flip_bits, flip_bits, extreme_value, extreme_value, truncate, duplicate_run, delete_run]

pictures = sorted(os.path.join(d, f) for d, _, files in os.walk(corpus) for f in files
                  if os.path.relpath(d, corpus) != "." and not f.endswith(".tsv"))
for number, path in enumerate(pictures):
    relative = os.path.relpath(path, corpus)
    original = open(path, "rb").read()
    if not original:
        continue
    stem, extension = os.path.splitext(os.path.basename(path))
    directory = os.path.join(out, "%04d" % number)
    os.makedirs(directory)
    for index in range(MUTANTS):
        rng = random.Random(zlib.crc32(relative.encode()) * MUTANTS + index)
        data = bytearray(original)
        kinds = [KINDS[index % len(KINDS)]] if index % 8 != 7 else rng.sample(KINDS, 2)
        for kind in kinds:
            if data:
                kind(rng, data)
        name = "%s-m%02d%s" % (stem, index, extension)
        open(os.path.join(directory, name), "wb").write(data)
EOF

export QT_QPA_PLATFORM=offscreen
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp"
# Sanitizer reports end the process with 86; pelorama-decode itself ends with 0 or 1.
export ASAN_OPTIONS=detect_leaks=1:exitcode=86:hard_rss_limit_mb=1024:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:exitcode=86

# One mutant alone: prints a finding line when it crashes, reports, hangs or hits a limit.
check_one() {
    local file=$1 log status
    log=$(mktemp)
    status=0
    timeout -s KILL 10 "$decoder" "$file" >"$log" 2>&1 || status=$?
    local kind=""
    if [ "$status" -eq 137 ]; then
        kind="HANG (more than 10 s)"
    elif grep -qi "rss limit" "$log"; then
        kind="MEMORY (more than 1 GiB resident)"
    elif grep -qE "ERROR: (Address|Leak)Sanitizer|runtime error:" "$log"; then
        kind="SANITIZER: $(grep -m1 -E "ERROR: (Address|Leak)Sanitizer|runtime error:" "$log")"
    elif [ "$status" -ne 0 ] && [ "$status" -ne 1 ]; then
        kind="CRASH (exit $status)"
    fi
    rm -f "$log"
    if [ -n "$kind" ]; then
        cp "$file" "$findings/"
        echo "$kind: $file"
    fi
}

# All mutants of one picture in one process; only a batch that went wrong is decoded again
# file by file to name the culprits.
check_batch() {
    local directory=$1 log status=0
    log=$(mktemp)
    timeout -s KILL 300 "$decoder" "$directory"/* >"$log" 2>&1 || status=$?
    if [ "$status" -gt 1 ] || grep -qE "ERROR: (Address|Leak)Sanitizer|runtime error:" "$log" ||
        awk '/^Load: / && $2 > 10000 { slow = 1 } END { exit !slow }' "$log"; then
        # The shell's own note on a killed process would only repeat the finding line.
        for file in "$directory"/*; do
            check_one "$file" 2>/dev/null
        done
    fi
    rm -f "$log"
}
export -f check_one check_batch
export decoder findings

count=$(find "$work" -type f | wc -l)
report=$work/report
find "$work" -mindepth 1 -maxdepth 1 -type d | sort |
    xargs -P "$jobs" -I{} bash -c 'check_batch "$1"' _ {} | tee "$report"
found=$(grep -c . "$report" || true)
echo "mutate: $count mutants of $(find "$work" -mindepth 1 -maxdepth 1 -type d | wc -l) pictures decoded, $found findings"
[ "$found" -eq 0 ]
