#!/usr/bin/env bash
# Makes the Debian package from the optimised build in build/ (the one scripts/test.sh
# makes) and checks it: the files it installs, the libraries it depends on, and that apt
# would install it here.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
[ -f build/CMakeCache.txt ] || cmake -S . -B build "${generator[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
rm -f build/pelorama_*.deb
(cd build && cpack -G DEB >/dev/null)
deb=$(ls build/pelorama_*.deb)
echo "built $deb"

app_id=org.pelorama.Pelorama
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in ./usr/bin/pelorama ./usr/bin/pelorama-decode ./usr/share/pelorama/pic_err.jpg \
    "./usr/share/applications/$app_id.desktop" "./usr/share/icons/hicolor/scalable/apps/$app_id.svg" \
    ./usr/share/man/man1/pelorama.1 "./usr/share/metainfo/$app_id.metainfo.xml"; do
    grep -qxF "$file" <<<"$contents" || { echo "the package lacks $file"; exit 1; }
done
unexpected=$(grep -v -e '/$' -e '^\./usr/bin/' -e '^\./usr/share/' <<<"$contents" || true)
[ -z "$unexpected" ] || { echo "the package installs outside /usr/bin and /usr/share:"; echo "$unexpected"; exit 1; }

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6gui6 libjpeg62-turbo zlib1g libxcb1; do
    grep -q "$library" <<<"$depends" || { echo "Depends lacks $library: $depends"; exit 1; }
done
echo "Depends: $depends"

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get install --simulate -q "./$deb" >/dev/null ||
    { echo "apt would not install $deb"; exit 1; }
echo "the package is complete and installable"
