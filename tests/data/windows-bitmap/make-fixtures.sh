#!/usr/bin/env bash
# Makes the bitmap and icon fixtures of this directory with ImageMagick 6 (Debian 12) from
# small source pictures, and the reference decode of each (FIXTURE-EXT.ppm): ImageMagick's
# pixels over white. Run in this directory.
set -euo pipefail
C=/usr/bin/convert

python3 - <<'PY'
cols = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0), (0, 255, 255), (255, 0, 255),
        (128, 64, 32), (10, 200, 90), (250, 250, 250), (0, 0, 0), (90, 90, 200), (200, 120, 0)]
px = bytes(c for i in range(35) for c in cols[(i * 5 + i // 7) % 12])
open('c12.ppm', 'wb').write(b'P6\n7 5\n255\n' + px)
px = bytes(c for i in range(27) for c in ((20, 40, 200) if (i * 7) % 3 == 0 else (240, 230, 10)))
open('c2.ppm', 'wb').write(b'P6\n9 3\n255\n' + px)
px = bytes(c for i in range(200) for c in (i, 255 - i, (i * 37) % 256))
open('c200.ppm', 'wb').write(b'P6\n20 10\n255\n' + px)
stripes = [(200, 10, 10), (10, 200, 10), (10, 10, 200), (240, 240, 0)]
px = []
for y in range(6):
    for x in range(30):
        px += stripes[(y + x // 7) % 4] if x % 11 != 5 else (x * 8, y * 40, 100)
open('runs.ppm', 'wb').write(b'P6\n30 6\n255\n' + bytes(px))
alpha = [0, 255, 128, 64, 200, 255]
px = bytes(c for i in range(24)
           for c in ((i * 40) % 256, (i * 90) % 256, (i * 13) % 256, alpha[i % 6]))
open('rgba.pam', 'wb').write(b'P7\nWIDTH 6\nHEIGHT 4\nDEPTH 4\nMAXVAL 255\n'
                             b'TUPLTYPE RGB_ALPHA\nENDHDR\n' + px)
PY

# Regression input of fuzz_icon: a PNG image claiming 4294967295 x 4294967071 pixels beside a
# 1 x 1 24-bit image; comparing the image sizes multiplied them.
python3 - <<'PY'
import struct
png = (b'\x89PNG\r\n\x1a\n' + struct.pack('>I', 13) + b'IHDR' +
       struct.pack('>II', 0xFFFFFFFF, 0xFFFFFF1F) + bytes([8, 6, 0, 0, 0]) + bytes(4))
dib = (struct.pack('<IiiHHIIiiII', 40, 1, 2, 1, 24, 0, 0, 0, 0, 0, 0) +
       bytes([10, 20, 30, 0]) + bytes(4))
ico = struct.pack('<HHH', 0, 1, 2)
ico += struct.pack('<BBBBHHII', 0, 0, 0, 0, 1, 32, len(png), 38)
ico += struct.pack('<BBBBHHII', 1, 1, 0, 0, 1, 24, len(dib), 38 + len(png))
open('crash-icon-png-size-overflow.ico', 'wb').write(ico + png + dib)
PY

$C c12.ppm BMP3:rgb24.bmp
$C c12.ppm -type Palette BMP3:pal4.bmp
$C c200.ppm -type Palette -compress None BMP3:pal8.bmp
$C runs.ppm -type Palette -compress RLE BMP3:pal8rle.bmp
$C c2.ppm -type Palette BMP3:pal1.bmp
$C c12.ppm -define bmp:subtype=RGB565 BMP:rgb565.bmp
$C c12.ppm -define bmp:subtype=RGB555 BMP:rgb555.bmp
$C c12.ppm -type Palette BMP2:os2pal4.bmp
$C c200.ppm BMP2:os2rgb24.bmp
$C rgba.pam BMP:rgba32.bmp
$C rgba.pam ICO:rgba32.ico
$C c12.ppm -type Palette ICO:pal4.ico

for f in [!c]*.bmp [!c]*.ico; do
    $C "$f[0]" -background white -flatten -depth 8 "PPM:${f%.*}-${f##*.}.ppm"
done
