"""Small EMF pages written byte by byte for the text tests: lines of text in one font, drawn
with EMR_EXTTEXTOUTW, so that a test knows exactly what a page prints."""
import struct

EMR_HEADER, EMR_EOF, EMR_SELECTOBJECT, EMR_EXTCREATEFONTINDIRECTW, EMR_EXTTEXTOUTW = 1, 14, 37, 82, 84
EMR_SETTEXTALIGN, EMR_GDICOMMENT = 22, 70
TA_TOP, ETO_GLYPH_INDEX = 0, 0x10
FONT_COMMENT_SIGNATURE, ENGINE_FONT = 0x544F4E46, 2


def _record(kind, body):
    return struct.pack("<II", kind, 8 + len(body)) + body


def _font(height, face):
    name = face.encode("utf-16-le")[:62].ljust(64, b"\0")
    logfont = struct.pack("<iiiiiBBBBBBBB", -height, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0) + name
    return _record(EMR_EXTCREATEFONTINDIRECTW, struct.pack("<I", 1) + logfont)


def _text(x, y, text, advance, glyphs=None):
    """`glyphs`: glyph indices drawn instead of the text's characters (ETO_GLYPH_INDEX)."""
    chars = len(glyphs) if glyphs is not None else len(text)
    data = struct.pack(f"<{chars}H", *glyphs) if glyphs is not None else text.encode("utf-16-le")
    data += b"\0" * (-len(data) % 4)
    off_string = 8 + 16 + 12 + 40
    off_dx = off_string + len(data)
    options = ETO_GLYPH_INDEX if glyphs is not None else 0
    emrtext = struct.pack("<iiIII4iI", x, y, chars, off_string, options, 0, 0, -1, -1, off_dx)
    body = struct.pack("<4iIff", 0, 0, -1, -1, 1, 1.0, 1.0) + emrtext + data + struct.pack(f"<{chars}i", *([advance] * chars))
    return _record(EMR_EXTTEXTOUTW, body)


def font_comment(font_file):
    """The GDI comment a spooled page carries an engine font in: one font file."""
    font = struct.pack("<IIIII", ENGINE_FONT, 0, 0, 1, len(font_file)) + b"\0" * 4 + font_file
    font = font[:4] + struct.pack("<I", len(font)) + font[8:]
    data = struct.pack("<II", 0, FONT_COMMENT_SIGNATURE) + font
    data += b"\0" * (-len(data) % 4)
    return _record(EMR_GDICOMMENT, struct.pack("<I", len(data)) + data)


def text_page(lines, width_mm=216, height_mm=279, dpi=300, height=42, face="Liberation Sans", font_file=None,
              glyph_map=None):
    """A page of `lines` [(x, y, text)] in pixels of a `dpi` device of the page's size. With
    `font_file` the page carries that font; with `glyph_map` (character -> glyph index) the text is
    drawn as glyph indices."""
    device = (round(width_mm / 25.4 * dpi), round(height_mm / 25.4 * dpi))
    records = [font_comment(font_file)] if font_file else []
    records += [_font(height, face), _record(EMR_SELECTOBJECT, struct.pack("<I", 1)),
                _record(EMR_SETTEXTALIGN, struct.pack("<I", TA_TOP))]
    records += [_text(x, y, t, height * 6 // 10, [glyph_map[c] for c in t] if glyph_map else None)
                for x, y, t in lines]
    records.append(_record(EMR_EOF, struct.pack("<III", 0, 16, 20)))
    body_size = sum(len(r) for r in records)
    frame = (0, 0, width_mm * 100, height_mm * 100)
    header = struct.pack("<II4i4iIIIIHHIIIiiii", EMR_HEADER, 88, 0, 0, device[0] - 1, device[1] - 1, *frame,
                         0x464D4520, 0x10000, 88 + body_size, len(records) + 1, 2, 0, 0, 0, 0,
                         device[0], device[1], width_mm, height_mm)
    return header + b"".join(records)


def renamed_font(path, old, new):
    """The font file at `path` with its family `old` renamed `new` (as long), so that no
    installed face has its name."""
    assert len(old) == len(new)
    with open(path, "rb") as f:
        data = f.read()
    for a, b in ((old, new), (old.replace(" ", ""), new.replace(" ", ""))):
        data = data.replace(a.encode("utf-16-be"), b.encode("utf-16-be")).replace(a.encode(), b.encode())
    return data


def glyph_map(font_file):
    """Character -> glyph index of the font's Unicode character map (format 4 of platform 3)."""
    tables = {}
    for i in range(struct.unpack(">H", font_file[4:6])[0]):
        tag, _, offset, _ = struct.unpack(">4sIII", font_file[12 + 16 * i:28 + 16 * i])
        tables[tag] = offset
    cmap = tables[b"cmap"]
    found = {}
    for i in range(struct.unpack(">H", font_file[cmap + 2:cmap + 4])[0]):
        platform, encoding, offset = struct.unpack(">HHI", font_file[cmap + 4 + 8 * i:cmap + 12 + 8 * i])
        sub = cmap + offset
        if (platform, encoding) != (3, 1) or struct.unpack(">H", font_file[sub:sub + 2])[0] != 4:
            continue
        segs = struct.unpack(">H", font_file[sub + 6:sub + 8])[0] // 2
        arrays = sub + 14
        ends = struct.unpack(f">{segs}H", font_file[arrays:arrays + 2 * segs])
        starts_at = arrays + 2 * segs + 2
        starts = struct.unpack(f">{segs}H", font_file[starts_at:starts_at + 2 * segs])
        deltas = struct.unpack(f">{segs}h", font_file[starts_at + 2 * segs:starts_at + 4 * segs])
        ranges_at = starts_at + 4 * segs
        ranges = struct.unpack(f">{segs}H", font_file[ranges_at:ranges_at + 2 * segs])
        for k in range(segs):
            for c in range(starts[k], ends[k] + 1):
                if c == 0xFFFF:
                    continue
                if ranges[k] == 0:
                    g = (c + deltas[k]) & 0xFFFF
                else:
                    at = ranges_at + 2 * k + ranges[k] + 2 * (c - starts[k])
                    g = struct.unpack(">H", font_file[at:at + 2])[0]
                    g = (g + deltas[k]) & 0xFFFF if g else 0
                if g:
                    found[chr(c)] = g
        return found
    raise ValueError("no Unicode character map")
