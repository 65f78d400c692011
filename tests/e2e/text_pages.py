"""Small EMF pages written byte by byte for the text tests: lines of text in one font, drawn
with EMR_EXTTEXTOUTW, so that a test knows exactly what a page prints."""
import struct

EMR_HEADER, EMR_EOF, EMR_SELECTOBJECT, EMR_EXTCREATEFONTINDIRECTW, EMR_EXTTEXTOUTW = 1, 14, 37, 82, 84
EMR_SETTEXTALIGN = 22
TA_TOP = 0


def _record(kind, body):
    return struct.pack("<II", kind, 8 + len(body)) + body


def _font(height, face):
    name = face.encode("utf-16-le")[:62].ljust(64, b"\0")
    logfont = struct.pack("<iiiiiBBBBBBBB", -height, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0) + name
    return _record(EMR_EXTCREATEFONTINDIRECTW, struct.pack("<I", 1) + logfont)


def _text(x, y, text, advance):
    chars = len(text)
    data = text.encode("utf-16-le")
    data += b"\0" * (-len(data) % 4)
    off_string = 8 + 16 + 12 + 40
    off_dx = off_string + len(data)
    emrtext = struct.pack("<iiIII4iI", x, y, chars, off_string, 0, 0, 0, -1, -1, off_dx)
    body = struct.pack("<4iIff", 0, 0, -1, -1, 1, 1.0, 1.0) + emrtext + data + struct.pack(f"<{chars}i", *([advance] * chars))
    return _record(EMR_EXTTEXTOUTW, body)


def text_page(lines, width_mm=216, height_mm=279, dpi=300, height=42, face="Liberation Sans"):
    """A page of `lines` [(x, y, text)] in pixels of a `dpi` device of the page's size."""
    device = (round(width_mm / 25.4 * dpi), round(height_mm / 25.4 * dpi))
    records = [_font(height, face), _record(EMR_SELECTOBJECT, struct.pack("<I", 1)),
               _record(EMR_SETTEXTALIGN, struct.pack("<I", TA_TOP))]
    records += [_text(x, y, t, height * 6 // 10) for x, y, t in lines]
    records.append(_record(EMR_EOF, struct.pack("<III", 0, 16, 20)))
    body_size = sum(len(r) for r in records)
    frame = (0, 0, width_mm * 100, height_mm * 100)
    header = struct.pack("<II4i4iIIIIHHIIIiiii", EMR_HEADER, 88, 0, 0, device[0] - 1, device[1] - 1, *frame,
                         0x464D4520, 0x10000, 88 + body_size, len(records) + 1, 2, 0, 0, 0, 0,
                         device[0], device[1], width_mm, height_mm)
    return header + b"".join(records)
