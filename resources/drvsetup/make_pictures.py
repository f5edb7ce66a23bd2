#!/usr/bin/env python3
"""Draws the installer's icons and bitmaps into resources/drvsetup/pictures/.

ImageMagick's convert paints each picture (antialiased, at four times the size for the small
icons); this script packs the pixels itself so that every file has exactly the size and colour
depth the window expects: 8-bit palette BMP for the background tile, 24-bit BMP for the button
faces and bar fills, 8-bit palette icons with a 1-bit mask. The output is committed, so a build
needs no ImageMagick; rerun this after changing a picture:

    python3 resources/drvsetup/make_pictures.py
"""
import os
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "pictures")
MAGENTA = (255, 0, 255)

# One palette for the whole set: a deep blue, a lighter blue, an amber accent and a steel grey.
INK = "#1d3f66"
BLUE = "#2f6fb3"
SKY = "#8fc3ef"
AMBER = "#f2a81d"
GRASS = "#4f9f45"
PAPER = "#fbfcfe"
STEEL = "#5d6b7a"


def render(width, height, args):
    """RGBA bytes of a picture that convert draws from the given arguments."""
    cmd = ["convert", "-size", f"{width}x{height}"] + args + ["-depth", "8", "rgba:-"]
    data = subprocess.run(cmd, check=True, stdout=subprocess.PIPE).stdout
    if len(data) != width * height * 4:
        sys.exit(f"convert gave {len(data)} bytes for {width}x{height}")
    return data


def pixels(rgba):
    return [tuple(rgba[i:i + 4]) for i in range(0, len(rgba), 4)]


def quantised(width, height, args, colours=256):
    """RGBA pixels reduced to at most `colours` colours (alpha kept apart)."""
    rgba = render(width, height, args + ["-channel", "RGB", "+dither", "-colors", str(colours)])
    return pixels(rgba)


def bmp_header(width, height, bits, palette_size, image_size):
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 2835, 2835,
                       palette_size, palette_size)
    offset = 14 + 40 + 4 * palette_size
    return struct.pack("<2sIHHI", b"BM", offset + image_size, 0, 0, offset) + info


def rows_bottom_up(px, width, height):
    for y in range(height - 1, -1, -1):
        yield px[y * width:(y + 1) * width]


def pad(row):
    return row + b"\0" * (-len(row) % 4)


def write_bmp24(name, width, height, px):
    body = b"".join(pad(b"".join(bytes((b, g, r)) for r, g, b, _ in row))
                    for row in rows_bottom_up(px, width, height))
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(bmp_header(width, height, 24, 0, len(body)) + body)


def palette_of(px):
    colours = sorted({p[:3] for p in px})
    if len(colours) > 256:
        sys.exit(f"{len(colours)} colours do not fit a palette")
    return colours, {c: i for i, c in enumerate(colours)}


def _bmp8(width, height, colours, index, px):
    # A full 256-entry table keeps every reader happy, whatever it assumes about short tables.
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in colours) + b"\0" * 4 * (256 - len(colours))
    body = b"".join(pad(bytes(index[p[:3]] for p in row)) for row in rows_bottom_up(px, width, height))
    return bmp_header(width, height, 8, 256, len(body)) + table + body


def icon_image(size, px):
    """One icon entry: 8-bit palette XOR image and 1-bit AND mask (set where transparent)."""
    opaque = [p if p[3] >= 128 else (0, 0, 0, 0) for p in px]
    colours, index = palette_of(opaque)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in colours) + b"\0" * 4 * (256 - len(colours))
    xor = b"".join(pad(bytes(index[p[:3]] for p in row)) for row in rows_bottom_up(opaque, size, size))
    mask = b""
    for row in rows_bottom_up(px, size, size):
        bits = bytearray((size + 7) // 8)
        for x, p in enumerate(row):
            if p[3] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += pad(bytes(bits))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, len(xor) + len(mask), 0, 0, 256, 0)
    return header + table + xor + mask


def write_ico(name, images):
    """images: list of (size, pixels)."""
    blobs = [icon_image(size, px) for size, px in images]
    offset = 6 + 16 * len(blobs)
    out = struct.pack("<HHH", 0, 1, len(blobs))
    for (size, _), blob in zip(images, blobs):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 8, len(blob), offset)
        offset += len(blob)
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(out + b"".join(blobs))


# --- the pictures --------------------------------------------------------------------------

def background():
    # A quiet paper-blue tile with a fine diagonal weave; the period divides 64, so it tiles.
    args = ["xc:#e9eff6", "-fill", "#dde6f0"]
    for k in range(-64, 128, 16):
        args += ["-draw", f"polygon {k},0 {k + 4},0 {k + 68},64 {k + 64},64"]
    args += ["-fill", "#f3f6fa"]
    for k in range(-64, 128, 16):
        args += ["-draw", f"polygon {k + 8},64 {k + 10},64 {k + 74},0 {k + 72},0"]
    # Draw with antialiasing, then wrap the 64-pixel square so both edges meet.
    return quantised(64, 64, args + ["-virtual-pixel", "tile"], 64)


def button(top, bottom, edge, shine):
    w, h = 196, 27
    args = ["xc:#ff00ff", "(", "-size", f"{w}x{h}", f"gradient:{top}-{bottom}", ")",
            "(", "-size", f"{w}x{h}", "xc:black", "-fill", "white",
            "-draw", f"roundrectangle 0,0 {w - 1},{h - 1} 12,12", ")",
            "-compose", "over", "-composite",
            "-fill", "none", "-stroke", edge, "-strokewidth", "1",
            "-draw", f"roundrectangle 0.5,0.5 {w - 1.5},{h - 1.5} 12,12",
            "-stroke", shine, "-draw", f"line 12,1.5 {w - 13},1.5"]
    px = pixels(render(w, h, args + ["-alpha", "off"]))
    # Pixels that antialiasing blended towards magenta would show as a pink fringe on the
    # dialog's background: snap them to the edge colour or to transparent.
    out = []
    for r, g, b, a in px:
        pinkness = min(r, b) - g
        if (r, g, b) == MAGENTA or pinkness > 120:
            out.append(MAGENTA + (255,))
        elif pinkness > 40:
            out.append(tuple(int(edge[i:i + 2], 16) for i in (1, 3, 5)) + (255,))
        else:
            out.append((r, g, b, 255))
    return out


def overall_fill():
    # A glossy blue band; darker towards the left so the fill reads as growing to the right.
    w, h = 456, 66
    args = ["(", "-size", f"{h}x{w}", f"gradient:{INK}-{BLUE}", "-rotate", "-90", ")",
            "(", "-size", f"{w}x{h}", "gradient:#ffffff-#000000", "-evaluate", "pow", "2.5", "-evaluate", "multiply", "0.45", ")",
            "-compose", "screen", "-composite",
            "-fill", "#ffffff22"]
    for x in range(-66, w, 24):
        args += ["-draw", f"polygon {x},{h} {x + 10},{h} {x + 10 + h},0 {x + h},0"]
    return pixels(render(w, h, args))


def file_fill():
    # The small bar: the same blue, lit from the top, with amber along the bottom edge.
    args = [f"gradient:{SKY}-{BLUE}", "-fill", AMBER, "-draw", "rectangle 0,19 7,20",
            "-fill", "#ffffff66", "-draw", "rectangle 0,0 7,1"]
    return pixels(render(8, 21, args))


def printer(scale):
    """The package's printer: a dark body with a sheet carrying a little landscape."""
    s = scale
    d = lambda *v: ",".join(str(x * s) for x in v)
    return ["xc:none",
            # sheet behind the printer
            "-fill", PAPER, "-stroke", STEEL, "-strokewidth", str(s * 0.5),
            "-draw", f"rectangle {d(8, 1, 24, 14)}",
            # the printer body
            "-stroke", INK, "-fill", BLUE, "-draw", f"roundrectangle {d(2, 11, 30, 24)} {d(3, 3)}",
            "-fill", INK, "-draw", f"rectangle {d(6, 20, 26, 23)}",
            "-fill", AMBER, "-stroke", "none", "-draw", f"circle {d(26, 15, 27, 15)}",
            # the printed picture on the sheet coming out
            "-fill", PAPER, "-stroke", STEEL, "-draw", f"rectangle {d(7, 21, 25, 31)}",
            "-stroke", "none", "-fill", SKY, "-draw", f"rectangle {d(8, 22, 24, 27)}",
            "-fill", GRASS, "-draw", f"polygon {d(8, 30, 8, 27, 13, 24, 18, 28, 21, 26, 24, 28, 24, 30)}",
            "-fill", AMBER, "-draw", f"circle {d(20, 24, 21, 24)}"]


def picture_file(scale):
    """An image file: a folded sheet with the same landscape."""
    s = scale
    d = lambda *v: ",".join(str(x * s) for x in v)
    return ["xc:none",
            "-fill", PAPER, "-stroke", STEEL, "-strokewidth", str(s * 0.6),
            "-draw", f"polygon {d(5, 2, 21, 2, 27, 8, 27, 30, 5, 30)}",
            "-fill", "#d7e2ee", "-draw", f"polygon {d(21, 2, 21, 8, 27, 8)}",
            "-stroke", "none", "-fill", SKY, "-draw", f"rectangle {d(8, 11, 24, 26)}",
            "-fill", GRASS, "-draw", f"polygon {d(8, 26, 8, 22, 13, 17, 18, 22, 21, 19, 24, 22, 24, 26)}",
            "-fill", AMBER, "-draw", f"circle {d(19, 14, 20.5, 14)}"]


def icon_pixels(size, drawing):
    big = size * 4
    rgba = render(big, big, drawing(big // 32))
    # Reduce with a box filter, then to 255 colours plus the mask.
    cmd = ["convert", "-size", f"{big}x{big}", "-depth", "8", "rgba:-", "-filter", "box",
           "-resize", f"{size}x{size}", "-channel", "RGB", "+dither", "-colors", "255",
           "-depth", "8", "rgba:-"]
    small = subprocess.run(cmd, input=rgba, check=True, stdout=subprocess.PIPE).stdout
    return pixels(small)


def main():
    os.makedirs(OUT, exist_ok=True)
    write_bmp8_file("background.bmp", 64, 64, background())
    write_bmp24("button.bmp", 196, 27, button("#ffffff", "#c9d9ea", "#4d6f94", "#ffffff"))
    write_bmp24("button_hover.bmp", 196, 27, button("#4b8fd6", INK, "#14304f", "#9cc8f2"))
    write_bmp24("overall_fill.bmp", 456, 66, overall_fill())
    write_bmp24("file_fill.bmp", 8, 21, file_fill())
    write_ico("drvsetup.ico", [(16, icon_pixels(16, printer)), (32, icon_pixels(32, printer))])
    write_ico("package.ico", [(16, icon_pixels(16, printer))])
    write_ico("picture_file.ico", [(16, icon_pixels(16, picture_file))])


def write_bmp8_file(name, width, height, px):
    colours, index = palette_of(px)
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(_bmp8(width, height, colours, index, px))


if __name__ == "__main__":
    main()
