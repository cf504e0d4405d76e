#!/usr/bin/env python3
"""Writes a handful of tiny valid inputs for each fuzz target into OUTDIR/<target>/.

The seeds are generated rather than kept in the repository: small GIFs and PNGs come from
ImageMagick's `convert`, PDFs and request payloads are built here.
"""
import os
import struct
import subprocess
import sys
import tempfile
import zipfile
import zlib


def pad8(data):
    return data + b"\0" * (-len(data) % 8)


def arc_int(value):
    return struct.pack("<ii", 1, value)


def arc_string(data):
    return struct.pack("<ii", 2, len(data)) + pad8(data)


def arc_wide(text):
    data = text.encode("utf-16-le")
    return struct.pack("<ii", 3, len(data)) + pad8(data)


def arc_binary(data):
    return struct.pack("<ii", 4, len(data)) + pad8(data)


def image(*args):
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "out")
        subprocess.run(["convert", *args[:-1], args[-1] + ":" + path], check=True)
        with open(path, "rb") as f:
            return f.read()


def pdf(content, media_box=b"0 0 200 100", extra_page=b""):
    stream = zlib.compress(content)
    objects = [
        b"<< /Type /Catalog /Pages 2 0 R >>",
        b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        b"<< /Type /Page /Parent 2 0 R /MediaBox [" + media_box + b"] /Contents 4 0 R "
        b"/Resources << /Font << /F1 5 0 R >> >> " + extra_page + b">>",
        b"<< /Length %d /Filter /FlateDecode >>\nstream\n" % len(stream) + stream +
        b"\nendstream",
        b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    ]
    out = b"%PDF-1.4\n"
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    out += b"".join(b"%010d 00000 n \n" % offset for offset in offsets)
    out += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (
        len(objects) + 1, xref)
    return out


def png_chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data +
            struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def png_exif_after_data(width, height):
    """A grey PNG whose eXIf chunk (orientation 6) follows the image data, as some cameras write
    it: the probe then needs the tail of the file."""
    header = struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0)
    rows = b"".join(b"\0" + b"\x80" * width for _ in range(height))
    tiff = (b"MM\0\x2a" + struct.pack(">I", 8) + struct.pack(">H", 1) +
            struct.pack(">HHIHH", 0x0112, 3, 1, 6, 0) + struct.pack(">I", 0))
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) +
            png_chunk(b"IDAT", zlib.compress(rows)) + png_chunk(b"eXIf", tiff) +
            png_chunk(b"IEND", b""))


def docx(body, extra_entries=(), compression=zipfile.ZIP_DEFLATED):
    xml = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
           '<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">'
           "<w:body>" + body + "</w:body></w:document>")
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "d.docx")
        with zipfile.ZipFile(path, "w", compression) as archive:
            archive.writestr("[Content_Types].xml", "<Types/>")
            for name, data in extra_entries:
                archive.writestr(name, data)
            archive.writestr("word/document.xml", xml.encode("utf-8"))
        with open(path, "rb") as f:
            return f.read()


def paragraph(text, style=None, hidden=None):
    style_xml = '<w:pPr><w:pStyle w:val="%s"/></w:pPr>' % style if style else ""
    runs = "<w:r><w:t>%s</w:t></w:r>" % text
    if hidden:
        runs += "<w:r><w:rPr><w:webHidden/></w:rPr><w:t>%s</w:t></w:r>" % hidden
    return "<w:p>" + style_xml + runs + "</w:p>"


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main(out):
    gifs = {
        "two_frames.gif": image("-size", "6x4", "xc:red", "xc:blue", "-loop", "0", "gif"),
        "offsets.gif": image("-size", "8x8", "xc:white", "(", "-size", "3x2", "xc:green",
                             "-repage", "+2+3", ")", "-set", "dispose", "Background",
                             "-delay", "7", "gif"),
        "transparent.gif": image("-size", "5x5", "xc:none", "xc:yellow", "-set", "dispose",
                                 "Previous", "gif"),
        "still.gif": image("-size", "3x3", "xc:gray", "gif"),
    }
    png = image("-size", "4x3", "gradient:red-blue", "png")
    jpeg = image("-size", "8x6", "xc:red", "-orient", "RightTop", "-set", "exif:DateTimeOriginal",
                 "2020:01:02 03:04:05", "jpg")
    pdfs = {
        "text.pdf": pdf(b"BT /F1 12 Tf 10 50 Td (Hi) Tj ET"),
        "shapes.pdf": pdf(b"1 0 0 rg 10 10 50 30 re f 0 0 1 RG 2 w 0 0 m 100 80 l S"),
        "rotated.pdf": pdf(b"0 g 5 5 20 20 re f", b"0 0 90 40", b"/Rotate 90 "),
        "cropped.pdf": pdf(b"0.5 g 0 0 300 300 re f", b"0 0 300 300", b"/CropBox [10 10 60 50] "),
    }

    for name, data in gifs.items():
        write(os.path.join(out, "gif_fast_path"), name, data)
    for name, data in pdfs.items():
        write(os.path.join(out, "pdf_page"), name, data)

    jpegs = {
        "oriented.jpg": jpeg,
        "progressive.jpg": image("-size", "40x30", "gradient:green-white", "-interlace", "JPEG",
                                 "jpg"),
        "gray.jpg": image("-size", "9x7", "gradient:", "-colorspace", "Gray", "jpg"),
        "comment.jpg": image("-size", "4x4", "xc:blue", "-set", "comment", "c" * 3000, "jpg"),
        "restarts.jpg": image("-size", "32x16", "plasma:", "-define", "jpeg:restart-interval=1",
                              "jpg"),
    }
    for name, data in jpegs.items():
        write(os.path.join(out, "jpeg_probe"), name, data)
    pngs = {
        "gradient.png": png,
        "interlaced.png": image("-size", "12x9", "gradient:red-blue", "-interlace", "PNG", "png"),
        "palette_text.png": image("-size", "6x6", "xc:red", "-set", "comment", "hello", "png8"),
        "deep.png": image("-size", "5x3", "gradient:", "-depth", "16", "png"),
        "exif_after_data.png": png_exif_after_data(7, 5),
    }
    for name, data in pngs.items():
        write(os.path.join(out, "png_probe"), name, data)

    docxs = {
        "plain.docx": docx(paragraph("Hello, world.") + paragraph("Second line")),
        "styles.docx": docx(paragraph("Title", "Title") + paragraph("Contents", "TOCHeading") +
                            paragraph("Entry", "TOC1", hidden="7") + paragraph("Body")),
        "page_size.docx": docx(paragraph("Letter") +
                               '<w:sectPr><w:pgSz w:w="12240" w:h="15840"/></w:sectPr>'),
        "scripts.docx": docx(paragraph("\u65e5\u672c\u8a9e \ud55c\uad6d\uc5b4 "
                                       "\u4e2d\u6587 \u0627\u0644\u0639\u0631\u0628\u064a"
                                       "\u0629 \u05e2\u05d1\u05e8\u05d9\u05ea")),
        "nested.docx": docx("<w:tbl><w:tr><w:tc>" + paragraph("cell") +
                            "</w:tc></w:tr></w:tbl>" + paragraph("after"),
                            [("word/styles.xml", "<w:styles/>")], zipfile.ZIP_STORED),
    }
    for name, data in docxs.items():
        write(os.path.join(out, "docx"), name, data)

    texts = {
        "ascii.txt": b"Hello\nworld\r\n\tindented\n",
        "utf8.txt": "Gr\u00fc\u00dfe \u65e5\u672c\u8a9e \ud55c\uad6d\uc5b4 \u0e44\u0e17\u0e22 "
                    "\u0939\u093f\u0928\u094d\u0926\u0940\n\u0391\u03b2\n".encode("utf-8"),
        "utf8_mark.txt": b"\xef\xbb\xbfmarked\n",
        "utf16le_mark.txt": b"\xff\xfe" + "wide \u4e2d\u6587\n".encode("utf-16-le"),
        "utf16le.txt": "no mark here\n".encode("utf-16-le"),
        "utf16be_mark.txt": b"\xfe\xff" + "big".encode("utf-16-be"),
        "binary.txt": bytes(range(256)),
    }
    for name, data in texts.items():
        write(os.path.join(out, "text"), name, data)

    requests = {
        "info_png": arc_int(1) + arc_wide("C:\\a\\b.png") + arc_string(b"image/png") +
        arc_binary(png),
        "info_pdf": arc_int(1) + arc_wide("d.pdf") + arc_string(b"application/pdf") +
        arc_binary(pdfs["text.pdf"]),
        "convert_gif": arc_int(2) + arc_int(0) + arc_int(1) + arc_int(64) + arc_int(48) +
        arc_wide("a.gif") + arc_string(b"") + arc_binary(gifs["offsets.gif"]),
        "convert_png_turned": arc_int(2) + arc_int(90) + arc_int(0) + arc_int(0) + arc_int(0) +
        arc_wide("x.png") + arc_string(b"image/png") + arc_binary(png),
        "convert_pdf": arc_int(2) + arc_int(0) + arc_int(1) + arc_int(100) + arc_int(100) +
        arc_wide("d.pdf") + arc_string(b"application/pdf") + arc_binary(pdfs["shapes.pdf"]),
        "properties": arc_int(3) + arc_wide("p.png") + arc_binary(png),
        "probe_jpeg": arc_int(4) + arc_wide("c.jpg") + arc_string(b"image/jpeg") +
        arc_int(len(jpeg)) + arc_binary(jpeg[:200]) + arc_binary(b""),
        "probe_png_head_tail": arc_int(4) + arc_wide("c.png") + arc_string(b"image/png") +
        arc_int(len(png)) + arc_binary(png[:64]) + arc_binary(png[-24:]),
        "probe_png_whole": arc_int(4) + arc_wide("c.png") + arc_string(b"image/png") +
        arc_int(len(png)) + arc_binary(png) + arc_binary(b""),
        "convert_docx": arc_int(2) + arc_int(0) + arc_int(1) + arc_int(120) + arc_int(160) +
        arc_wide("w.docx") + arc_string(
            b"application/vnd.openxmlformats-officedocument.wordprocessingml.document") +
        arc_binary(docxs["styles.docx"]),
        "info_text": arc_int(1) + arc_wide("t.txt") + arc_string(b"application/octet-stream") +
        arc_binary(texts["utf8.txt"]),
        "invalid": arc_int(7),
    }
    for name, data in requests.items():
        write(os.path.join(out, "server_handler"), name, data)

    archives = {
        "ints": b"\x00" + arc_int(1) + arc_int(-5) + arc_int(7),
        "mixed": bytes([0b11100100]) + arc_int(3) + arc_string(b"abcdefghi") +
        arc_wide("wide") + arc_binary(b"\1\2\3\4\5\6"),
        "empty_values": bytes([0b01010101]) + arc_string(b"") + arc_string(b""),
    }
    for name, data in archives.items():
        write(os.path.join(out, "archive"), name, data)

    # Header {24, count, 1024, closed, head, tail}, operation count, operations, data area.
    def ring(count, head, tail, operations, area=b""):
        return (struct.pack("<iiiiii", 24, count, 1024, 0, head, tail) +
                bytes([len(operations)]) + b"".join(operations) + area)

    def op(kind, a=0, b=0):
        return struct.pack("<BBh", kind, a, b)

    posted = struct.pack("<iiiii", 1, 1, 4, 0, 0) + b"\0" * 16 + b"ping"
    taken = struct.pack("<iiiii", 2, 1, 20, 0, 0) + b"\0" * 16 + b"\0" * 20
    channels = {
        "empty_ring": ring(0, 0, 0, [op(1, 0, 100), op(3), op(0), op(2), op(1, 0, 900),
                                     op(1, 0, 50)]),
        "one_posted": ring(1, 0, 40, [op(0), op(2), op(0)], posted),
        "wrapping": ring(2, 0, 112, [op(1, 0, 400), op(1, 0, 400), op(5, 0, 0), op(2, 2),
                                     op(1, 0, 300), op(0), op(2, 1)], taken + b"\0" * 0 + posted),
    }
    for name, data in channels.items():
        write(os.path.join(out, "channel"), name, data)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make_seeds.py OUTDIR")
    main(sys.argv[1])
