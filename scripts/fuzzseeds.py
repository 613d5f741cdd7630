#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

Small, valid files of every variant each reader knows, so that fuzzing starts
from inside the formats rather than from noise."""
import os
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def lz_literals(data):
    """An LZSS stream of literals only (always valid)."""
    out = bytearray()
    for i in range(0, len(data), 8):
        out.append(0)
        out += data[i:i + 8]
    return bytes(out)


def chunk(tag, body):
    name = tag.ljust(4).encode()
    out = name[::-1] + struct.pack("<I", len(body)) + body
    return out + b"\0" * (-len(body) % 4)


def container(top, chunks):
    body = b"".join(chunks)
    return top[::-1].encode() + struct.pack("<I", len(body)) + body


def pack_bits(values, b):
    out = bytearray((len(values) * b + 7) // 8)
    for i, v in enumerate(values):
        bit = i * b
        out[bit // 8] |= (v & ((1 << b) - 1)) << (8 - b - bit % 8)
    return bytes(out)


def pxa(w, h, ebit, pixels, cmap):
    raw = pack_bits(pixels, ebit) if 0 < ebit < 8 else bytes(pixels)
    tag = "rgba" if ebit == 0 else "cidx"
    return container("NIF1", [
        chunk("type", b"pxa\0"),
        chunk("ebit", struct.pack("<i", ebit)),
        chunk("xw", struct.pack("<i", w)),
        chunk("yw", struct.pack("<i", h)),
        chunk("cmap", b"".join(struct.pack("<I", c) for c in cmap)),
        chunk(tag, lz_literals(raw)),
    ])


def bmp(bits, w, h, rows, palette=b"", compression=0, masks=b"", hd12=False):
    data = b"".join(rows)
    if hd12:
        head = struct.pack("<IHHHH", 12, w, h, 1, bits)
    else:
        head = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, compression, len(data), 0, 0, 0, 0)
    off = 14 + len(head) + len(masks) + len(palette)
    return b"BM" + struct.pack("<IHHI", off + len(data), 0, 0, off) + head + masks + palette + data


def pad(row):
    return row + b"\0" * (-len(row) % 4)


def icon(kind, w, h, bits):
    ncol = 1 << bits
    palette = b"".join(bytes((i * 17 % 256, i * 5 % 256, i * 3 % 256, 0)) for i in range(ncol))
    xor = b"".join(pad(pack_bits([(x + y) % ncol for x in range(w)], bits)) for y in range(h))
    mask = b"".join(pad(pack_bits([1 if x < 2 else 0 for x in range(w)], 1)) for y in range(h))
    head = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, bits, 0, 0, 0, 0, 0, 0)
    img = head + palette + xor + mask
    entry = struct.pack("<BBBBHHII", w, h, 0, 0, 1 if kind == 1 else 0, bits if kind == 1 else 0,
                        len(img), 22)
    return struct.pack("<HHH", 0, kind, 1) + entry + img


def seeds():
    gray = [0xff000000 | i * 0x010101 for i in range(256)]
    px = [(x * 7 + y * 3) % 16 for y in range(6) for x in range(9)]
    files = {
        "pxa": {
            "idx8.pxa": pxa(9, 6, 8, px, gray[:16]),
            "idx1.pxa": pxa(9, 6, 1, [p & 1 for p in px], gray[:2]),
            "idx4.pxa": pxa(9, 6, 4, px, gray[:16]),
            "rgba.pxa": pxa(3, 2, 0, list(range(24)), gray[:1]),
        },
        "lz": {
            "lit.lz": struct.pack("<H", 10) + lz_literals(bytes(range(10))),
            "run.lz": struct.pack("<H", 18) + bytes((0x40, 0x41, 0x0e, 0x00)),
            "back.lz": struct.pack("<H", 26) + lz_literals(bytes(range(8))) + bytes((0x80, 0x0f, 0x07)),
        },
    }
    files["nif"] = dict(files["pxa"])
    files["nif"]["nested.sbf"] = container("Siff", [
        chunk("type", b"sbf\0"),
        chunk("grp", chunk("xw", struct.pack("<i", 3)) + chunk("dat5", b"abcde")),
    ])
    pal16 = b"".join(bytes((i * 16, 255 - i * 16, i * 8, 0)) for i in range(16))
    pal256 = b"".join(bytes((i, i, 255 - i, 0)) for i in range(256))
    w, h = 9, 6
    files["bmp"] = {
        "b1.bmp": bmp(1, w, h, [pad(pack_bits([(x + y) & 1 for x in range(w)], 1)) for y in range(h)],
                      pal16[:8]),
        "b4.bmp": bmp(4, w, h, [pad(pack_bits(px[y * w:(y + 1) * w], 4)) for y in range(h)], pal16),
        "b8.bmp": bmp(8, w, h, [pad(bytes(px[y * w:(y + 1) * w])) for y in range(h)], pal256),
        "b24.bmp": bmp(24, w, h, [pad(b"".join(bytes((x * 20, y * 40, 99)) for x in range(w)))
                                  for y in range(h)]),
        "b32.bmp": bmp(32, w, h, [b"".join(bytes((x, y, 7, 128)) for x in range(w)) for y in range(h)]),
        "b16.bmp": bmp(16, w, h, [pad(b"".join(struct.pack("<H", x * 1000 + y) for x in range(w)))
                                  for y in range(h)]),
        "b565.bmp": bmp(16, w, h, [pad(b"".join(struct.pack("<H", x * 2000 + y) for x in range(w)))
                                   for y in range(h)], compression=3,
                        masks=struct.pack("<III", 0xf800, 0x07e0, 0x001f)),
        "rle8.bmp": bmp(8, w, h, [bytes((3, 5, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 1, 1, 4, 9, 0, 1))],
                        pal256, compression=1),
        "rle4.bmp": bmp(4, w, h, [bytes((5, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 2, 2, 1, 0, 1))], pal16,
                        compression=2),
        "hd12.bmp": bmp(8, w, h, [pad(bytes(px[y * w:(y + 1) * w])) for y in range(h)],
                        b"".join(bytes((i, i, i)) for i in range(256)), hd12=True),
    }
    files["ico"] = {
        "i4.ico": icon(1, 16, 16, 4),
        "i8.ico": icon(1, 16, 16, 8),
        "c1.cur": icon(2, 32, 32, 1),
    }
    files["bmfile"] = {}
    for t in ("pxa", "bmp", "ico"):
        files["bmfile"].update(files[t])
    return files


def refused():
    """Files whose picture the readers cannot decode: each load must fail with
    a message instead of showing a blank picture."""
    w, h = 9, 6
    row1 = [pad(pack_bits([(x + y) & 1 for x in range(w)], 1)) for y in range(h)]
    row24 = [pad(bytes(3 * w)) for y in range(h)]
    row32 = [bytes(4 * w) for y in range(h)]
    full = bytearray(icon(1, 16, 16, 8))
    full[22 + 14:22 + 16] = struct.pack("<H", 32)  # the picture claims 32 bits
    return {
        "rle1.bmp": bmp(1, w, h, row1, bytes(8), compression=1),
        "rle24.bmp": bmp(24, w, h, row24, compression=1),
        "fields32.bmp": bmp(32, w, h, row32, compression=3,
                            masks=struct.pack("<III", 0xff0000, 0xff00, 0xff)),
        "i32.ico": bytes(full),
    }


def write_all(folder, items):
    d = os.path.join(ROOT, "fuzz", folder)
    os.makedirs(d, exist_ok=True)
    for name, data in items.items():
        with open(os.path.join(d, name), "wb") as f:
            f.write(data)


def main():
    for target, items in seeds().items():
        write_all(os.path.join("corpus", target), items)
    write_all("refused", refused())
    return 0


if __name__ == "__main__":
    sys.exit(main())
