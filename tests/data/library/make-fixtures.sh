#!/usr/bin/env bash
# Makes the fixtures of the readers that go through libraries, and their references, with
# Debian 12's tools: webp 1.2.4, libavif-bin 0.11.1, libheif-examples 1.15.1,
# libjxl-tools 0.7.0, libimage-exiftool-perl 12.57, liblcms2-utils 2.14, ImageMagick 6.9.11.
# References are what the libraries' own decoders make of each file, drawn over white.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Sources: the TIFF fixtures' 24 x 16 gradient, the same with alpha rising left to right,
# and it mirrored as a second frame. PPM and PAM carry no colour space: they are sRGB.
cp ../tiff/src.ppm "$work/src.ppm"
convert "$work/src.ppm" -alpha set -channel A -fx 'i/w' +channel "$work/rgba.pam"
convert "$work/src.ppm" -flop "$work/frame2.ppm"
convert "$work/src.ppm" "$work/src.png"
convert "$work/rgba.pam" "$work/rgba.png"
convert "$work/frame2.ppm" "$work/frame2.png"

to_ppm() { # transicc's 24 x 16 red, green, blue lines -> binary PPM, rounded and clipped
    awk 'BEGIN { print "P3\n24 16\n255" } NF == 3 { for (i = 1; i <= 3; ++i) { v = int($i + 0.5); printf "%d ", (v < 0 ? 0 : (v > 255 ? 255 : v)) } print "" }' |
        convert PPM:- -depth 8 PPM:-
}

reference() { # FILE.png -> NAME.ppm, over white
    convert "$1" +repage -background white -flatten -depth 8 -type TrueColor "PPM:$2"
}

cwebp -quiet -q 90 "$work/src.ppm" -o lossy.webp
cwebp -quiet -lossless "$work/rgba.png" -o alpha.webp
img2webp -lossless "$work/rgba.png" "$work/frame2.png" -o animated.webp >/dev/null
dwebp -quiet lossy.webp -ppm -o lossy-webp.ppm
dwebp -quiet alpha.webp -o "$work/alpha-webp.png" && reference "$work/alpha-webp.png" alpha-webp.ppm

avifenc -s 8 --min 8 --max 16 "$work/src.png" lossy.avif >/dev/null
avifenc -s 8 --lossless "$work/rgba.png" alpha.avif >/dev/null
avifenc -s 8 --min 8 --max 16 "$work/src.png" "$work/frame2.png" animated.avif >/dev/null
avifenc -s 8 --min 8 --max 16 --irot 1 --imir 0 "$work/src.png" irot1-imir0.avif >/dev/null
avifdec lossy.avif "$work/lossy-avif.png" >/dev/null && reference "$work/lossy-avif.png" lossy-avif.ppm
avifdec alpha.avif "$work/alpha-avif.png" >/dev/null && reference "$work/alpha-avif.png" alpha-avif.ppm

heif-enc -q 90 "$work/src.png" -o lossy.heic >/dev/null
heif-enc -q 90 "$work/rgba.png" -o alpha.heic >/dev/null
heif-enc -q 90 "$work/frame2.png" "$work/src.png" -o collection.heic >/dev/null
heif-convert lossy.heic "$work/lossy-heic.png" >/dev/null && reference "$work/lossy-heic.png" lossy-heic.ppm
heif-convert alpha.heic "$work/alpha-heic.png" >/dev/null && reference "$work/alpha-heic.png" alpha-heic.ppm
heif-convert collection.heic "$work/collection.png" >/dev/null
reference "$work/collection-1.png" collection-heic.ppm

cjxl -d 1 "$work/src.ppm" lossy.jxl 2>/dev/null
cjxl -d 0 "$work/rgba.pam" alpha.jxl 2>/dev/null
convert "$work/src.png" "$work/frame2.png" -loop 0 "$work/animated.gif"
cjxl -d 0 "$work/animated.gif" animated.jxl 2>/dev/null
convert "$work/src.ppm" -quality 95 "$work/src.jpg"
exiftool -q -q -n -Orientation=6 -o "$work/src-6.jpg" "$work/src.jpg"
cjxl "$work/src-6.jpg" orientation-6.jxl 2>/dev/null # lossless JPEG transcoding keeps it
djxl lossy.jxl "$work/lossy-jxl.png" >/dev/null 2>&1 && reference "$work/lossy-jxl.png" lossy-jxl.ppm
djxl alpha.jxl "$work/alpha-jxl.png" >/dev/null 2>&1 && reference "$work/alpha-jxl.png" alpha-jxl.ppm
djxl orientation-6.jxl "$work/orientation-6-jxl.png" >/dev/null 2>&1
reference "$work/orientation-6-jxl.png" orientation-6-jxl.ppm
avifdec animated.avif "$work/animated-avif.png" >/dev/null && reference "$work/animated-avif.png" animated-avif.ppm
avifdec irot1-imir0.avif "$work/irot.png" >/dev/null
convert "$work/irot.png" -transpose "$work/irot-upright.png" # turned a quarter left, then mirrored top to bottom
reference "$work/irot-upright.png" irot1-imir0-avif.ppm
djxl animated.jxl "$work/animated-jxl.png" >/dev/null 2>&1 && reference "$work/animated-jxl.png[0]" animated-jxl.ppm

# Colour profiles: the source's pixels said to be Adobe RGB (ImageMagick assigns a profile to
# a picture that has none), and Little CMS's own conversion of them to sRGB, perceptual.
convert "$work/src.ppm" -profile adobe-rgb.icc adobe-rgb.png
convert "$work/src.ppm" -quality 95 -profile adobe-rgb.icc adobe-rgb.jpg
tail -c $((24 * 16 * 3)) "$work/src.ppm" | od -An -v -tu1 -w3 |
    transicc -t0 -i adobe-rgb.icc -o '*sRGB' -n 2>/dev/null | to_ppm > adobe-rgb-srgb.ppm

# A small CMYK printer profile (inks mixed as naive RGB, through an 8-bit 2-point lookup table
# into D50 Lab), a CMYK JPEG that carries it (ImageMagick: Adobe's inverted inks, APP2), and
# Little CMS's conversion of its CMYK samples to sRGB.
python3 - cmyk.icc <<'PYTHON'
import sys
import struct
def s15(v): return struct.pack('>i', int(round(v * 65536)))
def lab(r, g, b):  # sRGB 0..1 -> D50 Lab
    def lin(c): return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = lin(r), lin(g), lin(b)
    x = 0.4360747 * r + 0.3850649 * g + 0.1430804 * b  # sRGB to XYZ, D50-adapted
    y = 0.2225045 * r + 0.7168786 * g + 0.0606169 * b
    z = 0.0139322 * r + 0.0971045 * g + 0.7141733 * b
    def f(t): return t ** (1 / 3) if t > 216 / 24389 else (24389 / 27 * t + 16) / 116
    fx, fy, fz = f(x / 0.9642), f(y / 1.0), f(z / 0.8249)
    return 116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)
clut = b''
for c in (0, 1):
    for m in (0, 1):
        for y in (0, 1):
            for k in (0, 1):
                L, a, bb = lab((1 - c) * (1 - k), (1 - m) * (1 - k), (1 - y) * (1 - k))
                clut += bytes([round(L * 255 / 100), round(a + 128), round(bb + 128)])
ramp = bytes(range(256))
a2b0 = b'mft1' + bytes(4) + bytes([4, 3, 2, 0]) + b''.join(s15(v) for v in (1, 0, 0, 0, 1, 0, 0, 0, 1)) + ramp * 4 + clut + ramp * 3
text = b'Test CMYK\0'
desc = b'desc' + bytes(4) + struct.pack('>I', len(text)) + text + bytes(4) + bytes(4) + bytes(2) + bytes(1) + bytes(67)
wtpt = b'XYZ ' + bytes(4) + s15(0.9642) + s15(1.0) + s15(0.8249)
tags = [(b'desc', desc), (b'wtpt', wtpt), (b'A2B0', a2b0)]
offset = 128 + 4 + 12 * len(tags)
table, data = b'', b''
for sig, body in tags:
    while (offset + len(data)) % 4: data += b'\0'
    table += sig + struct.pack('>II', offset + len(data), len(body))
    data += body
size = offset + len(data)
header = struct.pack('>I', size) + bytes(4) + struct.pack('>I', 0x02100000) + b'prtrCMYKLab ' + bytes(12) + b'acsp' + bytes(24) + struct.pack('>I', 0) + s15(0.9642) + s15(1.0) + s15(0.8249) + bytes(4)
header += bytes(128 - len(header))
open(sys.argv[1], 'wb').write(header + struct.pack('>I', len(tags)) + table + data)
PYTHON
convert "$work/src.ppm" -colorspace CMYK -quality 95 -profile cmyk.icc cmyk.jpg
convert cmyk.jpg -depth 8 cmyk:- | od -An -v -tu1 -w4 |
    awk '{ printf "%f %f %f %f\n", $1 * 100 / 255, $2 * 100 / 255, $3 * 100 / 255, $4 * 100 / 255 }' |
    transicc -t0 -i cmyk.icc -o '*sRGB' -n 2>/dev/null | to_ppm > cmyk-srgb.ppm

# Orientation: a 2 x 3 picture of six colours (red, green / blue, yellow / cyan, magenta),
# as PNG with an eXIf chunk for each EXIF orientation, and as JPEG with it in APP1.
printf 'P3\n2 3\n255\n255 0 0 0 255 0\n0 0 255 255 255 0\n0 255 255 255 0 255\n' > "$work/six.ppm"
convert "$work/six.ppm" -define png:color-type=2 "$work/six.png"
for o in 1 2 3 4 5 6 7 8; do
    exiftool -q -q -n -Orientation=$o -o six-$o.png "$work/six.png"
done
cp "$work/src-6.jpg" orientation-6.jpg

# Display P3 by code points (H.273 primaries 12, sRGB transfer 13) instead of an ICC profile.
avifenc -s 8 --min 8 --max 16 --cicp 12/13/6 "$work/src.png" display-p3.avif >/dev/null
