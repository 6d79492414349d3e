#!/usr/bin/env python3
"""Writes the seed corpus of one fuzz target from the conformance pictures of its format.

    make_seeds.py TARGET CORPUS_DIR OUT_DIR [FIXTURES_DIR]

Reader targets get the (small) files themselves (a target named like a corpus folder is a
reader of that folder's format); decoder targets get the packed data the
readers would hand them (TIFF strips, GIF image data, PNG image data ...) behind the
parameter bytes their target expects. Prints the number of seeds written.
"""
import hashlib
import os
import struct
import sys

# Reader targets and the corpus folders of their formats.
READERS = {
    "gif": ["gif"], "png": ["png"], "jpeg": ["jpeg"], "bitmap": ["bmp"], "icon": ["ico"],
    "pcx": ["pcx"], "ppm": ["pnm"], "targa": ["tga"], "metafile": ["wmf", "emf"],
    "PSDGraphic": ["psd"], "PSPGraphic": ["psp"], "TIFFGraphic": ["tiff"],
}
# The extensions of each reader target's files among the test fixtures (FIXTURES_DIR), which
# also give the formats without a corpus folder their seeds.
EXTENSIONS = {
    "gif": ["gif"], "png": ["png"], "jpeg": ["jpg", "jpeg"], "bitmap": ["bmp"],
    "icon": ["ico", "cur"], "pcx": ["pcx"], "ppm": ["pbm", "pgm", "ppm"], "targa": ["tga"],
    "metafile": ["wmf", "emf"], "PSDGraphic": ["psd"], "PSPGraphic": ["psp"],
    "TIFFGraphic": ["tif", "tiff"], "webp": ["webp"], "avif": ["avif"],
    "heif": ["heic", "heif"], "jxl": ["jxl"],
}
# Large seeds make a reader target slow without teaching it more.
MAX_READER_SEED = 16 * 1024
MAX_DECODER_SEED = 64 * 1024


def files_of(corpus, folders):
    for folder in folders:
        directory = os.path.join(corpus, folder)
        if os.path.isdir(directory):
            for name in sorted(os.listdir(directory)):
                yield os.path.join(directory, name)


def small_files(corpus, folders):
    """The files up to the size limit, or the three smallest when none is that small."""
    paths = sorted(files_of(corpus, folders), key=os.path.getsize)
    small = [p for p in paths if os.path.getsize(p) <= MAX_READER_SEED]
    return small or paths[:3]


def fixtures_of(fixtures, target):
    """The small test fixtures of a reader target's format."""
    if not fixtures:
        return []
    extensions = tuple("." + e for e in EXTENSIONS.get(target, []))
    paths = [os.path.join(d, f) for d, _, files in os.walk(fixtures) for f in files
             if f.lower().endswith(extensions)] if extensions else []
    return [p for p in sorted(paths) if os.path.getsize(p) <= MAX_READER_SEED]


def u16(value):
    value = max(0, min(value, 0xFFFF))
    return bytes([value & 0xFF, value >> 8])


class Tiff:
    """The first directory of a TIFF file: enough to find its strips."""

    def __init__(self, data):
        self.data = data
        self.tags = {}
        order = {b"II": "<", b"MM": ">"}.get(data[:2])
        if order is None or len(data) < 8:
            return
        self.order = order
        (offset,) = struct.unpack(order + "I", data[4:8])
        if offset + 2 > len(data):
            return
        (count,) = struct.unpack(order + "H", data[offset:offset + 2])
        sizes = {1: 1, 2: 1, 3: 2, 4: 4, 7: 1}
        for i in range(count):
            entry = data[offset + 2 + 12 * i: offset + 14 + 12 * i]
            if len(entry) < 12:
                break
            tag, kind, n = struct.unpack(order + "HHI", entry[:8])
            size = sizes.get(kind)
            if size is None or n > 1 << 20:
                continue
            where = entry[8:12]
            if size * n > 4:
                (at,) = struct.unpack(order + "I", where)
                where = data[at:at + size * n]
            code = {1: "B", 2: "B", 3: "H", 4: "I", 7: "B"}[kind]
            if len(where) >= size * n:
                self.tags[tag] = list(struct.unpack(order + code * n, where[:size * n]))

    def value(self, tag, default=0):
        return self.tags.get(tag, [default])[0]

    def strips(self):
        offsets = self.tags.get(273, [])
        counts = self.tags.get(279, [])
        for offset, count in zip(offsets, counts):
            strip = self.data[offset:offset + count]
            if strip:
                yield strip[:MAX_DECODER_SEED]

    def strip_bytes(self):
        width = self.value(256)
        rows = min(self.value(278, self.value(257)), self.value(257))
        samples = self.value(277, 1) if self.value(284, 1) == 1 else 1
        return (width * samples * self.value(258, 1) + 7) // 8 * rows


def tiff_strips(corpus, compressions):
    for path in files_of(corpus, ["tiff"]):
        tiff = Tiff(open(path, "rb").read())
        if tiff.tags and tiff.value(259, 1) in compressions:
            for strip in tiff.strips():
                yield tiff, strip


def gif_image_data(data):
    """The LZW code size and the joined data sub-blocks of the first image."""
    if data[:3] != b"GIF" or len(data) < 13:
        return None
    width, height = struct.unpack("<HH", data[6:10])
    pos = 13 + (3 << ((data[10] & 7) + 1) if data[10] & 0x80 else 0)
    while pos < len(data):
        block = data[pos]
        if block == 0x2C:
            flags = data[pos + 9]
            pos += 10 + (3 << ((flags & 7) + 1) if flags & 0x80 else 0)
            code_size = data[pos]
            pos += 1
            packed = bytearray()
            while pos < len(data) and data[pos]:
                packed += data[pos + 1:pos + 1 + data[pos]]
                pos += 1 + data[pos]
            return code_size, width * height, bytes(packed)
        if block == 0x21:
            pos += 2
            while pos < len(data) and data[pos]:
                pos += 1 + data[pos]
            pos += 1
        else:
            return None
    return None


def png_image_data(data):
    pos, packed, row = 8, bytearray(), 0
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR" and len(body) >= 13:
            width, depth, color = struct.unpack(">I", body[:4])[0], body[8], body[9]
            row = (width * depth * channels.get(color, 1) + 7) // 8
        elif kind == b"IDAT":
            packed += body
        pos += 12 + length
    return row, bytes(packed)


def decoder_seeds(target, corpus):
    if target == "GIFLZWDecoder":
        for path in files_of(corpus, ["gif"]):
            found = gif_image_data(open(path, "rb").read())
            if found:
                code_size, pixels, packed = found
                yield bytes([max(code_size, 1) - 1]) + u16(pixels) + packed
    elif target in ("TIFFLZWDecoder", "PackbitsRLEDecoder"):
        compression = 5 if target == "TIFFLZWDecoder" else 32773
        for tiff, strip in tiff_strips(corpus, [compression]):
            yield u16(tiff.strip_bytes()) + strip
    elif target in ("CCITTMHDecoder", "CCITTFax3Decoder"):
        for tiff, strip in tiff_strips(corpus, [2, 3]):
            width = tiff.value(256) & 0xFFF
            reversed_bits = tiff.value(266, 1) == 2
            size = u16((width + 7) // 8 * tiff.value(278, tiff.value(257)))
            if target == "CCITTMHDecoder" and tiff.value(259) == 2:
                yield size + bytes([width & 0xFF, width >> 8 | (32 if reversed_bits else 0)]) + strip
            elif target == "CCITTFax3Decoder" and tiff.value(259) == 3:
                yield (size + bytes([tiff.value(292) & 0xFF, width & 0xFF,
                                     width >> 8 | (16 if reversed_bits else 0)]) + strip)
    elif target == "ThunderDecoder":
        for tiff, strip in tiff_strips(corpus, [32809]):
            width = tiff.value(256) & 0xFFF
            yield u16(tiff.strip_bytes()) + bytes([width & 0xFF, width >> 8]) + strip
    elif target == "TIFFJPEGDecoder":
        for tiff, strip in tiff_strips(corpus, [7]):
            flags = (1 if tiff.value(277, 1) == 3 else 0) | (2 if tiff.value(262) == 6 else 0)
            rows = min(tiff.value(278, tiff.value(257)), tiff.value(257))
            yield bytes([min(tiff.value(256), 256) - 1, min(rows, 256) - 1, flags]) + strip
        for path in files_of(corpus, ["jpeg"]):
            data = open(path, "rb").read()
            if len(data) <= MAX_DECODER_SEED:
                yield bytes([255, 255, 1]) + data
    elif target == "LZ77Decoder":
        for path in files_of(corpus, ["png"]):
            row, packed = png_image_data(open(path, "rb").read())
            if packed:
                yield bytes([0, 15]) + u16(row) + packed[:MAX_DECODER_SEED]
        for tiff, strip in tiff_strips(corpus, [8, 32946]):
            yield bytes([1, 63]) + u16(tiff.strip_bytes()) + strip
    elif target == "PCXRLEDecoder":
        for path in files_of(corpus, ["pcx"]):
            data = open(path, "rb").read()
            if len(data) > 128 and data[2] == 1:
                planes, line = data[65], struct.unpack("<H", data[66:68])[0]
                height = struct.unpack("<H", data[10:12])[0] - struct.unpack("<H", data[6:8])[0] + 1
                yield u16(planes * line * height) + data[128:128 + MAX_DECODER_SEED]
    elif target == "TargaRLEDecoder":
        depths = {8: 0, 15: 1, 16: 2, 24: 3, 32: 4}
        for path in files_of(corpus, ["tga"]):
            data = open(path, "rb").read()
            if len(data) > 18 and data[2] in (9, 10, 11):
                width, height = struct.unpack("<HH", data[12:16])
                colormap = struct.unpack("<H", data[5:7])[0] * ((data[7] + 7) // 8) if data[1] else 0
                body = data[18 + data[0] + colormap:]
                yield bytes([depths.get(data[16], 0)]) + u16(width * height) + body[:MAX_DECODER_SEED]
    elif target == "PSPRLEDecoder":
        for path in files_of(corpus, ["psp"]):
            yield u16(0xFFFF) + open(path, "rb").read()[:MAX_DECODER_SEED]


def main():
    target, corpus, out = sys.argv[1:4]
    fixtures = sys.argv[4] if len(sys.argv) > 4 else None
    os.makedirs(out, exist_ok=True)
    if target == "picture":
        seeds = []
        for folder in sorted(os.listdir(corpus)):
            if os.path.isdir(os.path.join(corpus, folder)):
                # Only small files: this target is slow on large ones whatever their format.
                paths = [p for p in small_files(corpus, [folder]) if os.path.getsize(p) <= MAX_READER_SEED]
                for path in paths[:8]:
                    extension = os.path.splitext(path)[1][1:].lower().encode()
                    seeds.append(extension + b"\0" + open(path, "rb").read())
    elif target in READERS or target in EXTENSIONS:
        paths = small_files(corpus, READERS.get(target, [target])) + fixtures_of(fixtures, target)
        seeds = [open(p, "rb").read() for p in paths]
    else:
        seeds = list(decoder_seeds(target, corpus))
    for seed in seeds:
        name = hashlib.sha1(seed).hexdigest()
        with open(os.path.join(out, name), "wb") as f:
            f.write(seed)
    print(len(seeds))


if __name__ == "__main__":
    main()
