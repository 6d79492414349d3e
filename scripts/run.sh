#!/usr/bin/env bash
# Installs what is missing, builds Pelorama and starts the viewer on the picture or directory
# given; without one it asks for a directory.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/deps.sh"
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
cmake -S "$root" -B "$root/build" "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j2 --target pelorama
exec "$root/build/src/app/pelorama" "$@"
