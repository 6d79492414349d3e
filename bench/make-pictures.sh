#!/usr/bin/env bash
# Makes the pictures bench_load reads: a 24-megapixel (6000 x 4000) and a 2-megapixel
# (1920 x 1080) set, one file per format and variant, from one seeded photo-like source.
# The same tools give the same bytes on every run; files already there are kept.
#   bench/make-pictures.sh [DIR]     (default: build/bench-pictures)
set -euo pipefail
root=${1:-$(dirname "$0")/../build/bench-pictures}

# produce NAME COMMAND...: runs COMMAND with "$out" the file to write, unless NAME exists.
produce() {
    local name=$1
    shift
    [ -e "$dir/$name" ] && return
    local out="$dir/.partial-$name"
    "$@"
    mv "$out" "$dir/$name"
}

tiff() { tiffcp -s -r 64 "$@" "$dir/tiff-none.tif" "$out"; }

for set in 24mp:6000x4000 2mp:1920x1080; do
    dir=$root/${set%%:*}
    size=${set#*:}
    mkdir -p "$dir"
    produce base.ppm eval 'convert -seed 1 -size "$size" plasma:fractal -blur 0x1 -depth 8 "ppm:$out"'
    base=$dir/base.ppm
    produce jpeg-420.jpg eval 'convert "$base" -sampling-factor 2x2 -quality 90 "jpeg:$out"'
    produce jpeg-444.jpg eval 'convert "$base" -sampling-factor 1x1 -quality 90 "jpeg:$out"'
    produce jpeg-progressive.jpg eval \
        'convert "$base" -sampling-factor 2x2 -quality 90 -interlace JPEG "jpeg:$out"'
    produce png-rgb.png eval 'convert "$base" "png24:$out"'
    produce png-rgba.png eval \
        'convert "$base" \( -size "$size" gradient: \) -alpha off -compose CopyOpacity -composite "png32:$out"'
    produce png-adam7.png eval 'convert "$base" -interlace PNG "png24:$out"'
    produce png-palette.png eval 'convert "$base" +dither -colors 256 "png8:$out"'
    produce gif.gif eval 'convert "$dir/png-palette.png" "gif:$out"'
    produce tiff-none.tif eval 'convert "$base" -compress None "tiff:$out"'
    produce tiff-packbits.tif tiff -c packbits
    produce tiff-lzw.tif tiff -c lzw
    produce tiff-lzw-predictor.tif tiff -c lzw:2
    produce tiff-deflate.tif tiff -c zip
    produce tiff-jpeg.tif tiff -c jpeg:90
    produce targa-raw.tga eval 'convert "$base" -compress None "tga:$out"'
    produce targa-rle.tga eval 'convert "$base" -compress RLE "tga:$out"'
    produce ppm.ppm eval 'cp "$base" "$out"'
    produce bmp.bmp eval 'convert "$base" "bmp3:$out"'
done
