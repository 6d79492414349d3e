#!/usr/bin/env bash
# Installs what is missing, builds Pelorama with its tests and runs every test with ctest.
#   scripts/test.sh              optimised build in build/
#   scripts/test.sh --sanitize   AddressSanitizer + UndefinedBehaviorSanitizer build in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

build=build
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELORAMA_WERROR=ON)
if [ "${1:-}" = "--sanitize" ]; then
    build=build-asan
    options=(-DCMAKE_BUILD_TYPE=Debug -DPELORAMA_SANITIZE=ON -DPELORAMA_BENCH=OFF -DPELORAMA_WERROR=ON)
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
fi

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
cmake -S . -B "$build" "${generator[@]}" "${options[@]}"
cmake --build "$build" -j2
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j2
