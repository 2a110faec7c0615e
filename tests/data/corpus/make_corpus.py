#!/usr/bin/env python3
"""Makes the malformed files of this folder from the good ones in ../io.

Each file is damaged in one way that a decoder must refuse with an error:
cut short, wrong magic, absurd sizes, records or offsets past the end.
Run from anywhere: python3 make_corpus.py. The fuzz targets' findings live
in fuzz/ beside this script and are not made here.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
IO = os.path.join(HERE, "..", "io")


def good(name):
    with open(os.path.join(IO, name), "rb") as f:
        return f.read()


def put(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def patch(data, at, fmt, *values):
    b = bytearray(data)
    struct.pack_into(fmt, b, at, *values)
    return bytes(b)


def wmf(records, placeable=True, inch=96, right=20, bottom=10, eof=True, objects=1):
    body = b"".join(records) + (struct.pack("<IH", 3, 0) if eof else b"")
    largest = max([3] + [struct.unpack_from("<I", r)[0] for r in records])
    header = struct.pack("<HHHIHIH", 1, 9, 0x300, 9 + len(body) // 2, objects, largest, 0)
    out = header + body
    if placeable:
        words = [0xCDD7, 0x9AC6, 0, 0, 0, right & 0xFFFF, bottom & 0xFFFF, inch, 0, 0]
        s = 0
        for w in words:
            s ^= w
        out = struct.pack("<10HH", *words, s) + out
    return out


def rec(function, *params):
    return struct.pack("<IH", 3 + len(params), function) + struct.pack("<%dH" % len(params), *params)


def emf(records, frame=(0, 0, 529, 265), eof=True):
    body = b"".join(records)
    if eof:
        body += struct.pack("<5I", 14, 20, 0, 16, 20)
    header = struct.pack("<II4i4iIIIIHHIII2i2i", 1, 88, 0, 0, 19, 9, *frame, 0x464D4520, 0x10000,
                         88 + len(body), len(records) + 2, 1, 0, 0, 0, 0, 1920, 1080, 508, 286)
    return header + body


def emr(kind, *fields):
    return struct.pack("<II", kind, 8 + 4 * len(fields)) + struct.pack("<%di" % len(fields), *fields)


bmp = good("rgb24.bmp")
put("bmp-cut-short.bmp", bmp[: len(bmp) // 2])
put("bmp-header-only.bmp", bmp[:20])
put("bmp-100000x100000.bmp", patch(bmp, 18, "<ii", 100000, 100000))
put("bmp-negative-width.bmp", patch(bmp, 18, "<i", -5))
put("bmp-depth-7.bmp", patch(bmp, 28, "<H", 7))
put("bmp-header-size-past-end.bmp", patch(bmp, 14, "<I", 0x7FFFFFFF))
put("bmp-offset-past-end.bmp", patch(bmp, 10, "<I", 0x7FFFFFF0))
put("bmp-min-int-height.bmp", patch(bmp, 22, "<i", -2**31))
rle = good("rle8.bmp")
put("bmp-rle-cut-short.bmp", rle[: 54 + 1024 + 20])
put("bmp-png-inside.bmp", patch(bmp, 30, "<I", 5))
pal = good("pal8.bmp")
put("bmp-palette-cut.bmp", patch(pal[:60], 10, "<I", 0))

jpg = good("rgb.jpg")
put("jpeg-cut-short.jpg", jpg[: len(jpg) // 2])
put("jpeg-soi-only.jpg", jpg[:2])
put("jpeg-headers-only.jpg", jpg[:200])
sof = jpg.find(b"\xff\xc0")
put("jpeg-60000x60000.jpg", patch(jpg, sof + 5, ">HH", 60000, 60000))
put("jpeg-zero-width.jpg", patch(jpg, sof + 7, ">H", 0))
put("jpeg-bad-component-count.jpg", patch(jpg, sof + 9, "B", 0))
put("jpeg-no-eoi-garbage.jpg", jpg[:-300] + b"\x00" * 300)
put("jpeg-wrong-magic.jpg", b"\x00\x00" + jpg[2:])

gif = good("offset.gif")
put("gif-cut-short.gif", gif[:30])
put("gif-header-only.gif", gif[:6])
put("gif-no-image.gif", gif[:13 + 12] + b";")
put("gif-65535-screen.gif", patch(gif, 6, "<HH", 65535, 65535))
img = gif.find(b",")
put("gif-65535-frame.gif", patch(gif, img + 5, "<HH", 65535, 65535))
put("gif-zero-frame.gif", patch(gif, img + 5, "<HH", 0, 0))
put("gif-bad-code-size.gif", patch(gif, img + 10, "B", 15))
put("gif-unknown-record.gif", gif[:13 + 12] + b"\x55" + gif[13 + 12:])

ico = good("icon32.ico")
put("ico-cut-short.ico", ico[:300])
put("ico-no-images.ico", ico[:4] + b"\x00\x00")
put("ico-offset-past-end.ico", patch(ico, 18, "<I", 0x7FFFFFF0))
put("ico-size-past-end.ico", patch(ico, 14, "<I", 0x7FFFFFF0))
put("ico-directory-cut.ico", ico[:14])
put("ico-huge-dib.ico", patch(ico, 22 + 4, "<ii", 70000, 140000))
png = b"\x89PNG\r\n\x1a\n" + struct.pack(">I", 13) + b"IHDR" + struct.pack(">IIBBBBB", 70000, 70000, 8, 6, 0, 0, 0) + b"\x00" * 20
put("ico-huge-png.ico", struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 0, 0, 0, 0, 1, 32, len(png), 22) + png)

box = [rec(0x02FC, 0, 0xFF, 0, 0), rec(0x012D, 0), rec(0x041B, 10, 10, 0, 0)]
put("wmf-no-eof.wmf", wmf(box, eof=False))
put("wmf-record-size-2.wmf", wmf([struct.pack("<IH", 2, 0x041B)] + box))
put("wmf-record-past-end.wmf", wmf([struct.pack("<IH", 0x7FFFFFFF, 0x041B)] + box))
put("wmf-zero-inch.wmf", wmf(box, inch=0))
put("wmf-huge-box.wmf", wmf(box, right=32767, bottom=32767))
put("wmf-placeable-cut.wmf", wmf(box)[:15])
put("wmf-not-a-metafile.wmf", b"\x07\x00" + wmf(box, placeable=False)[2:])
put("wmf-bare-empty.wmf", wmf([], placeable=False))
put("wmf-eof-size-wrong.wmf", wmf(box, eof=False) + struct.pack("<IH", 4, 0) + b"\x00\x00")

box32 = [emr(39, 1, 0, 0xFF, 0), emr(37, 1), emr(43, 0, 0, 10, 10)]
put("emf-no-eof.emf", emf(box32, eof=False))
put("emf-bad-signature.emf", patch(emf(box32), 40, "<I", 0x12345678))
put("emf-record-past-end.emf", emf([struct.pack("<II", 43, 0x7FFFFFF0)] + box32))
put("emf-record-size-odd.emf", emf([struct.pack("<II", 43, 10) + b"\x00" * 2] + box32))
put("emf-unknown-record.emf", emf([emr(200, 0)] + box32))
put("emf-huge-frame.emf", emf(box32, frame=(0, 0, 2**30, 2**30)))
put("emf-polygon-count.emf", emf([emr(3, 0, 0, 10, 10, 100000, 1, 1, 5, 5)]))
put("emf-two-headers.emf", emf([emf(box32)[:88]] + box32))
put("emf-bitmap-offsets.emf", emf([emr(81, 0, 0, 10, 10, 0, 0, 0, 0, 10, 10, 0x7FFFFF00, 40, 0x7FFFFF00, 400, 0, 0xCC0020, 10, 10)]))
put("emf-header-only.emf", emf(box32)[:60])


def png_chunk(kind, data):
    import zlib
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


png = good("rgba.png")
put("png-cut-short.png", png[: len(png) // 2])
put("png-huge-size.png", png[:8] + png_chunk(b"IHDR", struct.pack(">IIBBBBB", 100000, 100000, 8, 6, 0, 0, 0)) + png[33:])
put("png-bad-crc.png", patch(png, 29, ">I", 0x12345678))
put("png-no-image-data.png", png[:33] + png_chunk(b"IEND", b""))
put("png-zero-width.png", png[:8] + png_chunk(b"IHDR", struct.pack(">IIBBBBB", 0, 16, 8, 6, 0, 0, 0)) + png[33:])

webp = good("alpha.webp")
put("webp-cut-short.webp", webp[: len(webp) // 2])
put("webp-riff-size-past-end.webp", patch(webp, 4, "<I", 0x7FFFFFF0))
put("webp-headers-only.webp", webp[:30])


def tiff_with(data, changes):
    """Rewrites entries of the first IFD of a little-endian TIFF: {tag: (type, value)}."""
    b = bytearray(data)
    ifd = struct.unpack_from("<I", b, 4)[0]
    count = struct.unpack_from("<H", b, ifd)[0]
    for i in range(count):
        at = ifd + 2 + 12 * i
        tag = struct.unpack_from("<H", b, at)[0]
        if tag in changes:
            kind, value = changes[tag]
            struct.pack_into("<HHII", b, at, tag, kind, 1, value)
    return bytes(b)


tif = good("rgb48.tif")
put("tiff-cut-short.tif", tif[: len(tif) // 2])
put("tiff-huge-size.tif", tiff_with(tif, {256: (4, 100000), 257: (4, 100000)}))
put("tiff-ifd-past-end.tif", patch(tif, 4, "<I", 0x7FFFFFF0))
put("tiff-strip-past-end.tif", tiff_with(tif, {273: (4, 0x7FFFFF00)}))
put("tiff-zero-width.tif", tiff_with(tif, {256: (4, 0)}))

heic = good("src.heic")
put("heic-cut-short.heic", heic[: len(heic) // 2])
put("heic-only-file-type.heic", heic[:32] + b"\0" * 64)
put("heic-box-size-past-end.heic", patch(heic, 0, ">I", 0x7FFFFFF0))
