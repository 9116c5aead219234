#!/usr/bin/env python3
"""Writes the small LZH archives the archive tests read.

No packer for LZH is packaged for Debian (lhasa only extracts), so the archives are written
here byte by byte with stored (-lh0-) members, which every LZH reader accepts. Run from any
folder; the files land beside this script. Check them with `lha l <file>`.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
MTIME = 946684800  # 2000-01-01 00:00:00 UTC


def crc16(data):
    crc = 0
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def dos_time(_unix):
    # 2000-01-01 00:00:00 as an MS-DOS date and time
    date = ((2000 - 1980) << 9) | (1 << 5) | 1
    return struct.pack('<HH', 0, date)


def level0_member(name, data):
    body = (b'-lh0-' + struct.pack('<II', len(data), len(data)) + dos_time(MTIME) +
            bytes([0x20, 0, len(name)]) + name + struct.pack('<H', crc16(data)))
    return bytes([len(body), sum(body) & 0xFF]) + body + data


def level2_member(name, data):
    # Extended headers: type, data, then the size of the next one (0 ends the chain).
    common = bytes([0x00]) + b'\0\0'  # header CRC, filled in below
    filename = bytes([0x01]) + name
    exts = [common, filename]
    total = 26 + sum(len(e) + 2 for e in exts)
    header = bytearray(struct.pack('<H', total) + b'-lh0-' +
                       struct.pack('<IIIBB', len(data), len(data), MTIME, 0x20, 2) +
                       struct.pack('<H', crc16(data)) + b'M')
    for e in exts:
        header += struct.pack('<H', len(e) + 2)
        header += e
    header += struct.pack('<H', 0)
    assert len(header) == total, (len(header), total)
    # The CRC covers the whole header with its own field zeroed.
    header[27:29] = struct.pack('<H', crc16(bytes(header)))
    return bytes(header) + data


def write(name, members):
    with open(os.path.join(HERE, name), 'wb') as f:
        for m in members:
            f.write(m)
        f.write(b'\0')


ROM = bytes((i * 7 + 3) & 0xFF for i in range(1024))

write('text_then_rom.lzh', [
    level2_member(b'readme.txt', b'read me first\n'),
    level2_member('ゲーム.nes'.encode('cp932'), ROM),
    level2_member(b'after.txt', b'after the rom\n'),
])
write('two_texts.lzh', [
    level0_member(b'first.txt', b'first\n'),
    level0_member(b'second.txt', b'second\n'),
])
