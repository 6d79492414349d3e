#!/usr/bin/env bash
# Builds every libFuzzer target (clang, in build-fuzz/) and runs each for SECONDS (default
# 60) with a seed corpus taken from the conformance pictures of its format, a dictionary of
# its format's magic numbers and tags, -rss_limit_mb=2048 and -timeout=10, so that a crash,
# a memory bomb or a slow input is a finding. Prints executions and executions per second
# of every target; exit 1 when anything was found (kept in build-fuzz/findings/TARGET/).
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]      targets are fuzz/NAME.cpp names
#   scripts/fuzz.sh --runs COUNT [TARGET...]   each target for COUNT executions instead
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

length=(-max_total_time=60)
span="60 s"
if [[ "${1:-}" =~ ^[0-9]+$ ]]; then
    length=(-max_total_time="$1")
    span="$1 s"
    shift
elif [ "${1:-}" = --runs ] && [[ "${2:-}" =~ ^[0-9]+$ ]]; then
    length=(-runs="$2")
    span="$2 executions"
    shift 2
fi

corpus=
for candidate in ../shared/conformance ../../shared/conformance; do
    [ -d "$candidate" ] && corpus=$(cd "$candidate" && pwd) && break
done
[ -n "$corpus" ] || echo "fuzz: no conformance corpus beside the repository; no seeds" >&2

bash scripts/deps.sh
build=build-fuzz
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
# The viewer's libraries are configured (the metafile target needs them), only the fuzz
# targets are built.
[ -f "$build/CMakeCache.txt" ] ||
    CC=clang CXX=clang++ cmake -S . -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DPELORAMA_FUZZ=ON -DPELORAMA_TESTS=OFF -DPELORAMA_BENCH=OFF >/dev/null
all=()
for source in fuzz/*.cpp; do
    name=${source##*/}
    [ "$name" = ReplayMain.cpp ] && continue
    all+=("${name%.cpp}")
done
cmake --build "$build" -j2 --target "${all[@]/#/fuzz_}" >"$build/build.log" ||
    { tail -20 "$build/build.log"; exit 2; }

# The dictionary of each target's format; a target without an entry uses fuzz/dict/NAME.dict.
declare -A dictionaries=(
    [gif]=gif [png]=png [jpeg]=jpeg [bitmap]=bmp [icon]=ico [pcx]=pcx [ppm]=pnm [targa]=tga
    [metafile]=metafile [PSDGraphic]=psd [PSPGraphic]=psp [TIFFGraphic]=tiff
    [GIFLZWDecoder]=lzw [TIFFLZWDecoder]=lzw [LZ77Decoder]=zlib [TIFFJPEGDecoder]=jpeg
    [CCITTMHDecoder]=fax [CCITTFax3Decoder]=fax [ThunderDecoder]=rle [PackbitsRLEDecoder]=rle
    [PCXRLEDecoder]=rle [TargaRLEDecoder]=rle [PSPRLEDecoder]=rle
)

# Decoder inputs longer than this reach no more of a decoder, at many times the cost of each
# run; LZW and deflate need room to fill their tables and windows, a JPEG strip its tables.
declare -A decoder_lengths=(
    [GIFLZWDecoder]=8192 [TIFFLZWDecoder]=8192 [LZ77Decoder]=8192 [TIFFJPEGDecoder]=4096
)

targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")

# Allocations that the system libraries keep for the life of the process are no finding.
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp"
summary=()
found=0
for target in "${targets[@]}"; do
    binary=$build/fuzz/fuzz_$target
    [ -x "$binary" ] || { echo "fuzz: no target $target" >&2; exit 2; }
    work=$build/corpus/$target
    findings=$build/findings/$target
    # Findings of an earlier run were reported then; this run's are its own.
    rm -rf "$findings"
    mkdir -p "$work" "$findings"
    seeds=0
    [ -n "$corpus" ] &&
        seeds=$(python3 fuzz/make_seeds.py "$target" "$corpus" "$work" "$root/tests/data")
    dictionary=()
    if [ "$target" = picture ]; then
        cat fuzz/dict/*.dict >"$build/corpus/picture.dict"
        dictionary=(-dict="$build/corpus/picture.dict")
    else
        name=${dictionaries[$target]:-$target}
        [ -f "fuzz/dict/$name.dict" ] && dictionary=(-dict="$root/fuzz/dict/$name.dict")
    fi
    # Readers get no input longer than their seeds (fuzz/make_seeds.py): a corpus grown past
    # that teaches no more and slows every run.
    limit=(-max_len=16384)
    [[ "$target" == *Decoder ]] && limit=(-max_len="${decoder_lengths[$target]:-2048}")
    log=$build/findings/$target.log
    echo "fuzz: $target for $span ($seeds seeds)"
    status=0
    QT_QPA_PLATFORM=offscreen "$binary" "$work" "${dictionary[@]}" "${limit[@]}" "${length[@]}" \
        -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$findings/" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    artifacts=$(find "$findings" -type f | wc -l)
    if [ "$status" -ne 0 ] || [ "$artifacts" -gt 0 ]; then
        found=$((found + 1))
        echo "fuzz: $target found something (exit $status); see $log and $findings"
        grep -m3 -E "ERROR|SUMMARY|==[0-9]+== *(ERROR|WARNING)" "$log" || true
    fi
    summary+=("$(printf '%-22s %14s %10s %6s' "$target" "${runs:-0}" "${rate:-0}" "$artifacts")")
done

printf '\n%-22s %14s %10s %6s\n' target executions exec/s found
printf '%s\n' "${summary[@]}"
[ "$found" -eq 0 ]
