"""Test inputs for the desktop tests, made on the spot: a sideways photo, an animation, a PDF page
and a Word document; and a reader for looking at thumbnails."""

import os
import subprocess
import zipfile

# The photo is stored 480 x 320 with a red block in its top-left corner and an EXIF orientation
# of 6 (turn 90 degrees clockwise to show): shown upright it is 320 x 480 with the block top right.
PHOTO_STORED = (480, 320)
# The animation's canvas; its first frame has a red square on the left, the second on the right.
ANIMATION_CANVAS = (160, 100)
# The PDF page, in points: wider than high.
PDF_PAGE = (400, 200)


def make_photo(path):
    subprocess.run(['convert', '-size', '%dx%d' % PHOTO_STORED, 'xc:blue', '-fill', 'red',
                    '-draw', 'rectangle 0,0 119,79', path], check=True)
    subprocess.run(['exiftool', '-q', '-overwrite_original', '-Orientation#=6', path], check=True)


def make_animation(path):
    subprocess.run(['convert', '-delay', '50', '-size', '%dx%d' % ANIMATION_CANVAS,
                    '(', 'xc:skyblue', '-fill', 'red', '-draw', 'rectangle 10,30 50,70', ')',
                    '(', 'xc:skyblue', '-fill', 'red', '-draw', 'rectangle 110,30 150,70', ')',
                    '-loop', '0', path], check=True)


def make_pdf(path):
    """One page with a filled green rectangle, written object by object with a correct xref."""
    content = b'0 0.6 0 rg 20 20 360 160 re f'
    objects = [
        b'<< /Type /Catalog /Pages 2 0 R >>',
        b'<< /Type /Pages /Kids [3 0 R] /Count 1 >>',
        b'<< /Type /Page /Parent 2 0 R /MediaBox [0 0 %d %d] /Contents 4 0 R >>' % PDF_PAGE,
        b'<< /Length %d >>\nstream\n%s\nendstream' % (len(content), content),
    ]
    out = bytearray(b'%PDF-1.4\n')
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b'%d 0 obj\n%s\nendobj\n' % (number, body)
    xref = len(out)
    out += b'xref\n0 %d\n0000000000 65535 f \n' % (len(objects) + 1)
    out += b''.join(b'%010d 00000 n \n' % offset for offset in offsets)
    out += b'trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n' % (
        len(objects) + 1, xref)
    with open(path, 'wb') as pdf:
        pdf.write(out)


def make_docx(path):
    """A Word document of two paragraphs without a page size: laid out on A4, taller than wide."""
    word = 'http://schemas.openxmlformats.org/wordprocessingml/2006/main'
    with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as docx:
        docx.writestr('[Content_Types].xml',
                      '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.'
                      'openxmlformats.org/package/2006/content-types"><Default Extension="rels" '
                      'ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
                      '<Default Extension="xml" ContentType="application/xml"/><Override '
                      'PartName="/word/document.xml" ContentType="application/vnd.openxmlformats-'
                      'officedocument.wordprocessingml.document.main+xml"/></Types>')
        docx.writestr('_rels/.rels',
                      '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.'
                      'openxmlformats.org/package/2006/relationships"><Relationship Id="r1" Type='
                      '"http://schemas.openxmlformats.org/officeDocument/2006/relationships/'
                      'officeDocument" Target="word/document.xml"/></Relationships>')
        docx.writestr('word/document.xml',
                      '<?xml version="1.0" encoding="UTF-8"?><w:document xmlns:w="%s"><w:body>'
                      '<w:p><w:r><w:t>Quarterly report</w:t></w:r></w:p>'
                      '<w:p><w:r><w:t>Everything went to plan.</w:t></w:r></w:p>'
                      '</w:body></w:document>' % word)


def make_all(folder):
    """The four inputs in `folder`, by name: photo.jpg, moving.gif, page.pdf, letter.docx."""
    files = {
        'photo.jpg': make_photo,
        'moving.gif': make_animation,
        'page.pdf': make_pdf,
        'letter.docx': make_docx,
    }
    paths = {}
    for name, make in files.items():
        paths[name] = os.path.join(folder, name)
        make(paths[name])
    return paths


def read_png(path):
    """(width, height, pixel): pixel(x, y) is an (r, g, b, a) tuple."""
    import gi
    gi.require_version('GdkPixbuf', '2.0')
    from gi.repository import GdkPixbuf
    with open(path, 'rb') as png:
        if png.read(8) != b'\x89PNG\r\n\x1a\n':
            raise ValueError('%s is not a PNG file' % path)
    pixbuf = GdkPixbuf.Pixbuf.new_from_file(path)
    data = pixbuf.get_pixels()
    channels, stride = pixbuf.get_n_channels(), pixbuf.get_rowstride()

    def pixel(x, y):
        start = y * stride + x * channels
        values = tuple(data[start:start + channels])
        return values + (255,) if channels == 3 else values

    return pixbuf.get_width(), pixbuf.get_height(), pixel


def check_thumbnail(test, name, path, size=128):
    """The thumbnail of one of desktop_inputs' files, at `size`: its size and what it shows."""
    width, height, pixel = read_png(path)
    if name == 'photo.jpg':
        # Shown upright (turned by its orientation): portrait, with the red block top right.
        test.assertEqual((round(size * 320 / 480), size), (width, height))
        test.assertTrue(is_colour(pixel(width - 3, 2), 255, 0, 0), pixel(width - 3, 2))
        test.assertTrue(is_colour(pixel(2, 2), 0, 0, 255), pixel(2, 2))
    elif name == 'moving.gif':
        # The first frame only: its square is on the left.
        test.assertEqual((size, round(size * 100 / 160)), (width, height))
        scale = size / 160
        test.assertTrue(is_colour(pixel(int(30 * scale), int(50 * scale)), 255, 0, 0))
        test.assertTrue(is_colour(pixel(int(130 * scale), int(50 * scale)),
                                                 135, 206, 235))
    elif name == 'page.pdf':
        # A landscape page with a green rectangle in its middle.
        test.assertEqual(size, width)
        test.assertLess(height, size * 0.6)
        test.assertTrue(is_colour(pixel(width // 2, height // 2), 0, 153, 0))
    elif name == 'letter.docx':
        # An A4 page, upright.
        test.assertEqual(size, height)
        test.assertLess(width, size * 0.75)
        test.assertTrue(is_colour(pixel(2, 2), 255, 255, 255))
    else:
        raise ValueError(name)


def is_colour(pixel, red, green, blue, tolerance=60):
    return pixel[3] > 200 and all(abs(a - b) <= tolerance
                                  for a, b in zip(pixel[:3], (red, green, blue)))
