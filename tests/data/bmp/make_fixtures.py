#!/usr/bin/env python3
"""Writes the BMP fixtures of the reader's tests and, for each, the pixels ImageMagick decodes
from it (NAME.ppm). ImageMagick's writer makes the common kinds; the kinds it does not write
(RLE4, RLE escapes, top-down rows, bit fields after a 40-byte header, 16/32-bit without masks)
are packed here by hand. Run it in this folder; the outputs are committed, so the tests need
neither ImageMagick nor Python.  Usage: make_fixtures.py [path of ImageMagick's convert]"""
import os, struct, subprocess, sys, tempfile

CONVERT = sys.argv[1] if len(sys.argv) > 1 else "/usr/bin/convert"
W, H = 13, 7  # an odd width, so every depth pads its rows


def convert(*args):
    subprocess.run([CONVERT, *args], check=True)


def source(path):
    """A picture of 91 colours, every pixel different in at least one channel."""
    px = bytearray()
    for y in range(H):
        for x in range(W):
            px += bytes([x * 19, y * 37, (x * y * 7 + 40) % 256])
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (W, H) + px)


def bmp(name, info, palette=b"", pixels=b"", masks=b""):
    """File header + `info` (a whole info header) + masks + palette + pixels."""
    offset = 14 + len(info) + len(masks) + len(palette)
    data = info + masks + palette + pixels
    with open(name, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 14 + len(data), 0, 0, offset) + data)


def info40(w, h, bits, compression=0, colours=0, size=0):
    return struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, compression, size, 2835, 2835, colours, 0)


def rows(w, h, bits, value, top_down=False):
    """Packed rows, padded to four bytes; value(x, y) gives the stored number of a pixel."""
    out = bytearray()
    for r in range(h):
        y = r if top_down else h - 1 - r
        acc = 0
        for x in range(w):
            acc = (acc << bits) | value(x, y)
        row_bits = w * bits
        acc <<= (-row_bits) % 8
        row = acc.to_bytes((row_bits + 7) // 8, "big") if bits < 8 else b""
        if bits >= 8:
            for x in range(w):
                row += value(x, y).to_bytes(bits // 8, "little")
        out += row + bytes((-len(row)) % 4)
    return bytes(out)


def palette(n):
    return b"".join(bytes([(i * 53) % 256, (i * 97) % 256, (i * 29 + 7) % 256, 0]) for i in range(n))


def hand_made():
    # 24 bits, top-down.
    bmp("topdown24.bmp", info40(W, -H, 24),
        pixels=rows(W, H, 24, lambda x, y: (x * 20) << 16 | (y * 30) << 8 | (x + y) * 9, True))
    # 1 bit, top-down, a two-colour palette.
    bmp("topdown1.bmp", info40(W, -H, 1), palette(2), rows(W, H, 1, lambda x, y: (x + y) % 2, True))
    # 16 and 32 bits without masks: 5-5-5 with the spare bit set, and X-R-G-B with a stray X.
    bmp("rgb16.bmp", info40(W, H, 16), pixels=rows(W, H, 16, lambda x, y: 0x8000 | (x * 2) << 10 | (y * 4) << 5 | (x + y)))
    bmp("rgb32.bmp", info40(W, H, 32), pixels=rows(W, H, 32, lambda x, y: 0x5A000000 | (x * 19) << 16 | (y * 37) << 8 | 200))
    # Bit fields after a 40-byte header: 5-6-5, and 8-8-8 in the top three bytes.
    bmp("fields565.bmp", info40(W, H, 16, 3), masks=struct.pack("<III", 0xF800, 0x07E0, 0x001F),
        pixels=rows(W, H, 16, lambda x, y: (x * 2) << 11 | (y * 9) << 5 | 31 - x))
    bmp("fields888.bmp", info40(W, H, 32, 3), masks=struct.pack("<III", 0xFF000000, 0x00FF0000, 0x0000FF00),
        pixels=rows(W, H, 32, lambda x, y: (x * 19) << 24 | (y * 37) << 16 | (250 - x * y) << 8 | 0x77))
    # RLE8: runs, an odd literal run (padded), a move, a short row ended early, end of picture.
    rle8 = bytes([5, 1, 0, 3, 2, 3, 4, 0, 5, 6, 0, 0,
                  0, 2, 3, 1, 2, 7, 0, 0,  # move 3 right, 1 up; then 2 pixels of colour 7
                  13, 8, 0, 0,
                  0, 5, 9, 10, 11, 12, 13, 0, 4, 14, 0, 0,
                  0, 0, 13, 15, 0, 1, 0, 0])
    bmp("rle8.bmp", info40(W, H, 8, 1, 16, len(rle8)), palette(16), rle8)
    # RLE4: runs of two alternating colours, odd literal runs (nibble-packed, padded), a move.
    rle4 = bytes([7, 0x12, 6, 0x34, 0, 0,
                  0, 5, 0x56, 0x78, 0x90, 0, 3, 0xAB, 3, 0xCD, 0, 0,
                  0, 2, 4, 1, 4, 0xEF, 0, 0,
                  13, 0x11, 0, 0,
                  0, 3, 0x23, 0x40, 10, 0x55, 0, 1, 0, 0])
    bmp("rle4.bmp", info40(W, H, 4, 2, 0, len(rle4)), palette(16), rle4)


# ImageMagick reads two bytes past the end of the RLE data, hence the 0, 0 after each end mark.


def main():
    os.chdir(os.path.dirname(os.path.abspath(__file__)))
    with tempfile.TemporaryDirectory() as tmp:
        src = os.path.join(tmp, "source.ppm")
        source(src)
        convert(src, "-colors", "2", "-type", "Palette", "BMP3:pal1.bmp")
        convert(src, "-colors", "16", "-type", "Palette", "BMP3:pal4.bmp")
        convert(src, "-type", "Palette", "-compress", "None", "BMP3:pal8.bmp")
        convert(src, "-type", "Palette", "-compress", "RLE", "BMP3:im-rle8.bmp")
        convert(src, "BMP3:rgb24.bmp")
        convert(src, "-define", "bmp:subtype=RGB565", "BMP:rgb565.bmp")
        convert(src, "-define", "bmp:subtype=RGB555", "BMP:rgb555.bmp")
        convert(src, "-alpha", "set", "-channel", "A", "-evaluate", "set", "50%", "+channel",
                "BMP:argb32.bmp")
        convert(src, "BMP2:os2-24.bmp")
        convert(src, "-colors", "16", "-type", "Palette", "BMP2:os2-pal4.bmp")
    hand_made()
    for name in sorted(f for f in os.listdir(".") if f.endswith(".bmp")):
        convert(name, "-alpha", "off", "-depth", "8", name[:-4] + ".ppm")


main()
