#!/usr/bin/env python3
"""standin.exe under Wine, from the outside: exit statuses, messages, and the
files it writes, read back here with readers of our own (Python's standard
library only). Each test class is one CTest test; every case runs in a fresh
temporary folder, and Wine processes are few: bad inputs share one run.

Usage: standin_tests.py STANDIN_EXE PEN_DLL SOURCE_DIR [unittest arguments]
Needs WINEPREFIX to name a prepared headless prefix (the CTest fixture).
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

STANDIN = PEN = SOURCE = ""

STANDARD_16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
               (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
               (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def standin(args, cwd, timeout=120):
    result = subprocess.run([os.environ.get("TESSALY_WINE", "wine"), STANDIN] + args, cwd=cwd, capture_output=True,
                            timeout=timeout)
    return result.returncode, result.stdout.decode("utf-8"), result.stderr.decode("utf-8")


def write(folder, name, text):
    path = os.path.join(folder, name)
    with open(path, "wb" if isinstance(text, bytes) else "w",
              **({} if isinstance(text, bytes) else {"newline": "", "encoding": "utf-8"})) as f:
        f.write(text)
    return path


def bmp_bytes(rows, palette, top_down=False, bits=8, compression=0, colours_used=None):
    """An 8-bit BMP of rows of indices (top row first), written independently
    of the program; the other arguments make the kinds it must refuse."""
    width, height = len(rows[0]), len(rows)
    stride = (width + 3) // 4 * 4
    pixels = b"".join(bytes(row) + b"\0" * (stride - width)
                      for row in (rows if top_down else rows[::-1]))
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(table)
    used = len(palette) if colours_used is None else colours_used
    return (struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) +
            struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits,
                        compression, len(pixels), 0, 0, used, 0) + table + pixels)


def read_bmp(path):
    """Width, height, bits per pixel, palette [(r, g, b)] and rows of indices, top row first."""
    with open(path, "rb") as f:
        data = f.read()
    magic, size, _, offset = struct.unpack_from("<2sIII", data, 0)
    (header_size, width, height, planes, bits, compression, image_size, _, _, used,
     _) = struct.unpack_from("<IiiHHIIiiII", data, 14)
    assert magic == b"BM" and size == len(data) and header_size == 40 and planes == 1
    assert compression == 0 and height > 0
    colours = used or 1 << bits
    palette = [tuple(data[54 + 4 * i + k] for k in (2, 1, 0)) for i in range(colours)]
    stride = (width * bits + 31) // 32 * 4
    assert offset == 54 + 4 * colours and image_size == stride * height
    assert len(data) == offset + image_size
    rows = [list(data[offset + (height - 1 - y) * stride:][:width]) for y in range(height)]
    return width, height, bits, palette, rows


def read_png(path):
    """Width, height and rows of (r, g, b), top row first, of an 8-bit RGB PNG."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    at, idat, width, height = 8, b"", 0, 0
    while at < len(data):
        length, kind = struct.unpack_from(">I4s", data, at)
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour_type = struct.unpack_from(">IIBB", body)
            assert (depth, colour_type) == (8, 2)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    raw, stride, previous, rows = zlib.decompress(idat), width * 3, bytearray(width * 3), []
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:][:stride])
        for i in range(stride):
            a = line[i - 3] if i >= 3 else 0
            b, c = previous[i], previous[i - 3] if i >= 3 else 0
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            paeth = a if pa <= pb and pa <= pc else b if pb <= pc else c
            line[i] = (line[i] + [0, a, b, (a + b) // 2, paeth][kind]) & 0xFF
        rows.append([tuple(line[i:i + 3]) for i in range(0, stride, 3)])
        previous = line
    return width, height, rows


def enlarged(rows, k):
    return [[p for p in row for _ in range(k)] for row in rows for _ in range(k)]


class Case(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="standin-")
        os.mkdir(os.path.join(self.dir, "out"))
        self.addCleanup(shutil.rmtree, self.dir)

    def out_files(self):
        return sorted(os.listdir(os.path.join(self.dir, "out")))


class Examples(Case):
    def test_the_examples_hold_their_expectations_and_the_readme_shows_two(self):
        shutil.copytree(os.path.join(SOURCE, "examples"), os.path.join(self.dir, "examples"))
        scripts = sorted(f"examples/{n}" for n in os.listdir(os.path.join(self.dir, "examples"))
                         if n.endswith(".strokes"))
        self.assertEqual(len(scripts), 4)
        status, stdout, stderr = standin([PEN] + scripts, self.dir)
        self.assertEqual((status, stderr), (0, ""))
        pictures = ["out/freehand.png", "out/masked-stroke.png", "out/narrow-brush.png",
                    "out/tone-ramp.png"]
        self.assertEqual(stdout.split(), pictures)
        sizes = {}
        for p in pictures:
            width, height, rows = read_png(os.path.join(self.dir, p))
            sizes[p] = (width, height)
        # Canvas size times the scale each script asks for (default 4).
        self.assertEqual(sizes, {"out/freehand.png": (480, 320),
                                 "out/masked-stroke.png": (256, 192),
                                 "out/narrow-brush.png": (352, 160),
                                 "out/tone-ramp.png": (864, 208)})
        for name in ["tone-ramp.png", "narrow-brush.png"]:
            self.assertEqual(read_png(os.path.join(self.dir, "out", name)),
                             read_png(os.path.join(SOURCE, "docs", name)),
                             "docs/%s is out of date: copy out/%s of make demo" % (name, name))


class Pictures(Case):
    PALETTE = [(10, 20, 30), (200, 100, 50), (1, 2, 3)]

    def test_bmp_is_the_canvas_bytes_with_the_palette_and_png_its_colours(self):
        write(self.dir, "three.pal", "JASC-PAL\r\n0100\r\n3\r\n" +
              "".join("%d %d %d\r\n" % c for c in self.PALETTE))
        # A 10-pixel-wide canvas has 2 bytes of padding a row. 1 x 1 blocks,
        # tone 16: the 1 x 1 brush lands at the cursor + (1, 1) in colour 1.
        write(self.dir, "draw.strokes", "canvas 10 3 2\npalette three.pal\nblocks 1x1 \n"
              "tone 16\ncolours 0 1\nbrush square 1\npress 8 1\ndrag -1 -1\n"
              "save out/c.bmp\nsave out/c.png scale 3\n")
        status, stdout, stderr = standin([PEN, "draw.strokes"], self.dir)
        self.assertEqual(status, 0, stderr)
        self.assertEqual(stdout.split(), ["out/c.bmp", "out/c.png"])
        width, height, bits, palette, rows = read_bmp(os.path.join(self.dir, "out/c.bmp"))
        self.assertEqual((width, height, bits), (10, 3, 8))
        self.assertEqual(palette, self.PALETTE + [(0, 0, 0)] * 253)
        # The drag walks from (8, 1) to (-1, -1) and, lagging on its minor
        # axis, ends on row 0: brush pixels (9, 2) .. (5, 2), then (4, 1) ..
        # (0, 1).
        self.assertEqual(rows, [[2] * 10,
                                [1, 1, 1, 1, 1, 2, 2, 2, 2, 2],
                                [2, 2, 2, 2, 2, 1, 1, 1, 1, 1]])
        png_width, png_height, png_rows = read_png(os.path.join(self.dir, "out/c.png"))
        self.assertEqual((png_width, png_height), (30, 9))
        self.assertEqual(png_rows, enlarged([[palette[i] for i in row] for row in rows], 3))

    def test_default_palette_and_every_script_meets_a_freshly_loaded_pen(self):
        # Replayed after another script's press in 4 x 4 blocks at (5, 5), a
        # drag before any press still finds the pen as loaded: 3 x 2 blocks,
        # tone 0, from (0, 0). The 1 x 1 brush lands on row 1, x 1 to 7.
        write(self.dir, "first.strokes", "canvas 8 8\nblocks 4x4 pixels\ntone 16\npress 5 5\n")
        write(self.dir, "second.strokes", "canvas 12 6\nblocks 1x1 pixel\ncolours 9 9\n"
              "drag 6 0\nsave out/d.bmp\n")
        status, _, stderr = standin([PEN, "first.strokes", "second.strokes"], self.dir)
        self.assertEqual(status, 0, stderr)
        _, _, _, palette, rows = read_bmp(os.path.join(self.dir, "out/d.bmp"))
        self.assertEqual(palette[:16], STANDARD_16)
        self.assertEqual(rows[:2], [[9] * 9 + [0] * 3] * 2)
        self.assertEqual(rows[2:], [[0] * 12] * 4)


    def test_pictures_in_as_canvas_brush_mask_and_pick_source(self):
        # A 5-pixel-wide canvas (3 bytes of padding a row), top-down on disk,
        # and the same bottom-up.
        rows = [[0, 1, 2, 3, 4], [1] * 5, [2] * 5, [3] * 5]
        colours = [(10, 20, 30), (40, 50, 60), (70, 80, 90), (1, 1, 1), (2, 2, 2)]
        grey = [(i, i, i) for i in range(8)]
        write(self.dir, "top-down.bmp", bmp_bytes(rows, colours, top_down=True))
        write(self.dir, "bottom-up.bmp", bmp_bytes(rows, colours))
        write(self.dir, "brush.bmp", bmp_bytes([[0, 5, 0]], grey))  # index 0 is ink
        write(self.dir, "mask.bmp", bmp_bytes([[1] * 5, [1] * 5, [1, 1, 1, 0, 1], [1] * 5], grey))
        write(self.dir, "pick.bmp", bmp_bytes([[7] * 5] * 4, grey))
        write(self.dir, "p.strokes", "canvas load top-down.bmp\nsave out/top-down.bmp\n"
              "canvas load bottom-up.bmp\nsave out/bottom-up.bmp\n"
              "blocks 1x1 \ntone 16\ncolours 0 9\nbrush load brush.bmp\n"
              # The 3 x 1 brush lands at the cursor + (0, 1): ink on x and x + 2.
              "press 0 0\n"
              # The mask picture forbids (3, 2): that press paints nothing.
              "mask load mask.bmp\nmask on\npress 3 1\npress 2 1\n"
              # Protecting index 3 keeps row 3 as it is until the mask is off.
              "mask clear\nmask colour 3\npress 0 2\nexpect pixel 0 3 3\nmask off\npress 0 2\n"
              "pick-source pick.bmp\npick 0 0\npick-source canvas\npick 0 1 shift\n"
              "expect colours 7 9\npalette default\nsave out/drawn.bmp\n")
        status, stdout, stderr = standin([PEN, "p.strokes"], self.dir)
        self.assertEqual((status, stderr), (0, ""))
        self.assertEqual(stdout.split(), ["out/top-down.bmp", "out/bottom-up.bmp", "out/drawn.bmp"])
        loaded = read_bmp(os.path.join(self.dir, "out/top-down.bmp"))
        self.assertEqual(loaded, (5, 4, 8, colours + [(0, 0, 0)] * 251, rows))
        self.assertEqual(read_bmp(os.path.join(self.dir, "out/bottom-up.bmp")), loaded)
        _, _, _, palette, drawn = read_bmp(os.path.join(self.dir, "out/drawn.bmp"))
        self.assertEqual(palette[:16], STANDARD_16)
        self.assertEqual(drawn, [[0, 1, 2, 3, 4], [9, 1, 9, 1, 1], [2, 2, 9, 2, 9],
                                 [9, 3, 9, 3, 3]])


class Strokes(Case):
    def test_drags_across_the_whole_32_bit_range(self):
        # From one corner of the coordinate range to the other, y-major on a
        # tie, lagging one step on x: the 1 x 1 brush lands on (k + 1, k + 2).
        write(self.dir, "far.strokes", "canvas 8 8\nblocks 1x1 \ntone 16\ncolours 0 9\n"
              "press -2147483648 -2147483648\ndrag 2147483647 2147483647\n"
              "expect rect -2147483647 -2147483647 2147483647 2147483647\n"
              "press 2000000000 3\ndrag -2000000000 3\n"
              "expect rect -1999999999 4 2000000002 5\nsave out/far.bmp\n")
        status, _, stderr = standin([PEN, "far.strokes"], self.dir, timeout=60)
        self.assertEqual((status, stderr), (0, ""))
        rows = read_bmp(os.path.join(self.dir, "out/far.bmp"))[4]
        expected = [[9 if x == y - 1 or y == 4 else 0 for x in range(8)] for y in range(8)]
        self.assertEqual(rows, expected)

    def test_undo_and_redo_go_back_and_forth_a_stroke_at_a_time(self):
        write(self.dir, "u.strokes", "canvas 6 2\nblocks 1x1 \ntone 16\ncolours 0 5\n"
              "press -1 -1\ndrag 2 -1\nrelease 2 -1\npress -1 0\n"
              "undo\nexpect pixel 0 1 0\nexpect pixel 3 0 5\n"
              "undo\nexpect pixel 0 0 0\nredo\nexpect pixel 3 0 5\nsave out/redone.bmp\n"
              # A stroke after an undo: what was undone can no longer be redone.
              "press 4 -1\nundo\nsave out/undone.bmp\nredo\nsave out/again.bmp\n"
              # A new canvas is undone like a stroke, back to the canvas it replaced.
              "canvas 3 1 7\npress -1 -1\nundo\nundo\nsave out/old.bmp\nredo\nredo\n"
              "save out/new.bmp\n")
        status, _, stderr = standin([PEN, "u.strokes"], self.dir)
        self.assertEqual((status, stderr), (0, ""))
        bmp = lambda name: read_bmp(os.path.join(self.dir, "out", name))[4]
        self.assertEqual(bmp("redone.bmp"), [[5, 5, 5, 5, 0, 0], [0] * 6])
        self.assertEqual(bmp("undone.bmp"), [[5, 5, 5, 5, 0, 0], [0] * 6])
        self.assertEqual(bmp("again.bmp"), [[5, 5, 5, 5, 0, 5], [0] * 6])
        self.assertEqual(bmp("old.bmp"), [[5, 5, 5, 5, 0, 5], [0] * 6])
        self.assertEqual(bmp("new.bmp"), [[5, 7, 7]])

    def test_warnings_change_nothing_else(self):
        long_item = "4x4 " + "p" * 300
        write(self.dir, "w.strokes", "canvas 8 8\nblocks 5x3\nblocks 5x3 pixels\n"
              "blocks %s\ndrag 1 1\npress 1 1\ndrag 2 2\ncanvas 4 4\ndrag 1 1\npress 0 0\n"
              "undo\ndrag 2 2\nsave out/w.bmp\n" % long_item)
        status, stdout, stderr = standin([PEN, "w.strokes"], self.dir)
        self.assertEqual((status, stdout), (0, "out/w.bmp\n"))
        self.assertEqual(stderr.splitlines(), [
            "w.strokes:2: warning: the pen reads '5x3' as 1 x 1 blocks: it takes a width, the "
            "letter x, a height and a space, as in '3x2 pixels'",
            "w.strokes:4: warning: the pen reads a block-size text of 304 bytes as 1 x 1 "
            "blocks: at most 255 bytes fit its buffer",
            "w.strokes:5: warning: 'drag' before any 'press' on this canvas: the pen draws "
            "from wherever it last saw the cursor, with the block size and tone of its last "
            "press",
            "w.strokes:9: warning: 'drag' before any 'press' on this canvas: the pen draws "
            "from wherever it last saw the cursor, with the block size and tone of its last "
            "press",
            "w.strokes:12: warning: 'drag' after an undo or redo with no 'press' since: the pen "
            "draws on from where it last saw the cursor, and an undo takes that back with the "
            "stroke before it"])


class Info(Case):
    def test_identity_and_tool_button(self):
        status, stdout, stderr = standin(["--info", PEN, "out/button.png"], self.dir)
        self.assertEqual(status, 0, stderr)
        fields = dict(re.findall(r"^([a-zA-Z ]+):\s+(.*)$", stdout, re.M))
        self.assertEqual(fields["name"], "Tessaly")
        self.assertEqual(fields["alt name"], "Tessaly")
        self.assertEqual(fields["version"], "0.01")
        self.assertEqual(fields["description"], "長方形のピクセルで描画")
        self.assertEqual(fields["infoWord"], "0x01002008")
        self.assertTrue(fields["copyright"])
        with open(os.path.join(SOURCE, "resources/pen_button.hex")) as f:
            hex_rows = [line.strip() for line in f if re.fullmatch(r"[0-9a-fA-F]+", line.strip())]
        expected = [[STANDARD_16[int(c, 16)] for c in row] for row in hex_rows]
        self.assertEqual(read_png(os.path.join(self.dir, "out/button.png")),
                         (80, 80, enlarged(expected, 4)))
        # The extension decides the format; one it cannot write is refused.
        status, _, stderr = standin(["--info", PEN, "out/button.bmp"], self.dir)
        self.assertEqual(status, 0, stderr)
        with open(os.path.join(self.dir, "out/button.bmp"), "rb") as f:
            data = f.read()
        width, height, bits = struct.unpack_from("<iiH", data, 18)[:2] + \
            struct.unpack_from("<H", data, 28)
        self.assertEqual((data[:2], width, height, bits), (b"BM", 80, 80, 24))
        stride = 80 * 3
        bmp_rows = [[tuple(data[54 + (79 - y) * stride + 3 * x:][:3][::-1]) for x in range(80)]
                    for y in range(80)]
        self.assertEqual(bmp_rows, enlarged(expected, 4))
        status, _, stderr = standin(["--info", PEN, "out/button.gif"], self.dir)
        self.assertEqual(status, 2)
        self.assertIn("cannot tell the format of 'out/button.gif'", stderr)
        self.assertEqual(self.out_files(), ["button.bmp", "button.png"])


# Bad scripts: each starts with a good save that must not be written; the
# message must name the script and the line. All go into one run.
BAD_SCRIPTS = [
    ("unknown_command", "pres 1 1", 3, "unknown command 'pres'"),
    ("too_few_arguments", "press 1", 3, "wrong arguments; use: press X Y [shift]"),
    ("too_many_arguments", "tone 3 4", 3, "wrong arguments; use: tone N"),
    ("not_a_number", "colours 1 x2", 3, "'x2' is not a whole number"),
    ("not_whole", "canvas 4.5 4", 1, "'4.5' is not a whole number"),
    ("out_of_range", "tone 17", 3, "the tone level must be 0 to 16, not 17"),
    ("not_shift", "press 1 1 ctrl", 3, "expected 'shift' after the coordinates, not 'ctrl'"),
    ("ragged_brush", "brush rows ## ### ##", 3, "brush row 2 '###' has 3 columns, row 1 has 2"),
    ("brush_cell", "brush rows #x", 3, "brush row 1 '#x': 'x' is neither # (ink) nor . (no ink)"),
    ("missing_palette", "palette nowhere.pal", 3, "palette: cannot open 'nowhere.pal'"),
    ("palette_not_jasc", "palette words.pal", 3, "palette: 'words.pal' line 1: not a JASC-PAL"),
    ("palette_bad_colour", "palette bad-colour.pal", 3, "palette: 'bad-colour.pal' line 5: "
     "expected red, green and blue, each 0 to 255, not '1 2 256'"),
    ("palette_short", "palette short.pal", 3,
     "palette: 'short.pal' line 4: the file ends after 1 of 2 colours"),
    ("before_canvas", "press 1 1", 1, "'press' before any canvas"),
    ("pixel_outside", "expect pixel 8 0 0", 3, "pixel (8, 0) lies outside the 8 x 8 canvas"),
    ("flags_word", "expect flags 3000000", 3, "'3000000' is not a flag word in hexadecimal"),
    ("save_format", "save out/x.gif", 3, "cannot tell the format of 'out/x.gif': the name "
     "must end in .bmp or .png"),
    ("save_folder", "save nowhere/x.png", 3,
     "cannot save 'nowhere/x.png': there is no folder 'nowhere'"),
    ("save_bmp_scale", "save out/x.bmp scale 2", 3,
     "a BMP is saved as it is: 'scale' applies to PNG files only"),
    ("save_onto_folder", "save taken.bmp", 3, "cannot save 'taken.bmp': it is a folder"),
    ("nul_byte", "tone 3\0", 3, "a NUL byte in column 7: a script is text"),
    ("nothing_to_undo", "undo", 3, "nothing to undo: no stroke or new canvas since the first "
     "canvas or since the undos above"),
    ("nothing_to_redo", "redo", 3, "nothing to redo: no undo since the last stroke or canvas"),
    ("coordinate_range", "drag 2147483648 0", 3,
     "a coordinate must be -2147483648 to 2147483647, not 2147483648"),
    # Pictures in: 8-bit indexed, uncompressed, whole, of the right size.
    ("not_a_bmp", "canvas load words.pal", 3, "'words.pal' is not a BMP file"),
    ("bmp_24_bit", "canvas load rgb.bmp", 3,
     "'rgb.bmp' is a 24-bit BMP: only 8-bit indexed BMPs can be read"),
    ("bmp_rle", "canvas load rle.bmp", 3,
     "'rle.bmp' is a compressed (RLE8) BMP: only uncompressed BMPs can be read"),
    ("bmp_cut_short", "brush load cut.bmp", 3,
     "'cut.bmp' is a BMP file shorter than its header says (cut short?)"),
    ("brush_too_big", "brush load wide.bmp", 3,
     "'wide.bmp' is a BMP of 300 x 1 pixels: at most 256 x 256 can be read here"),
    ("mask_size", "mask load small.bmp", 3,
     "the mask picture 'small.bmp' is 2 x 2 pixels; the canvas is 8 x 8"),
    ("pick_source_size", "pick-source small.bmp", 3,
     "the pick source 'small.bmp' is 2 x 2 pixels; the canvas is 8 x 8"),
    ("missing_picture", "canvas load nowhere.bmp", 3, "cannot open 'nowhere.bmp': "),
    # Names Windows cannot create, refused before anything is written.
    ("name_star", "save out/a*b.png", 3,
     "cannot save 'out/a*b.png': the name holds '*', which Windows does not allow"),
    ("name_question", "save out/a?.bmp", 3, "cannot save 'out/a?.bmp': the name holds '?'"),
    ("name_bar", "save out/a|b.png", 3, "cannot save 'out/a|b.png': the name holds '|'"),
    ("name_quotes", 'save out/"q".bmp', 3, "cannot save 'out/\"q\".bmp': the name holds '\"'"),
    ("name_aux", "save out/aux.bmp", 3,
     "cannot save 'out/aux.bmp': the name is reserved for the Windows device AUX"),
    ("name_con", "save CON.png", 3,
     "cannot save 'CON.png': the name is reserved for the Windows device CON"),
    ("name_dot", "save out./x.png", 3,
     "cannot save 'out./x.png': the name ends in a dot, which Windows drops from file names"),
    ("name_control", "save out/a\x01.png", 3,
     "cannot save 'out/a\\x01.png': the name holds a control character"),
    ("name_not_utf8", "save out/\udcff.png", 3,
     "cannot save 'out/\\xFF.png': the name is not UTF-8 text"),
    ("palette_name", "palette x/a:b.pal", 3,
     "palette: cannot open 'x/a:b.pal': the name holds ':'"),
]


def bad_input_files():
    """The files the bad scripts read, by name."""
    grey = [(i, i, i) for i in range(4)]
    return {"words.pal": b"not a palette\n",
            "bad-colour.pal": b"JASC-PAL\n0100\n2\n0 0 0\n1 2 256\n",
            "short.pal": b"JASC-PAL\n0100\n2\n0 0 0\n",
            "rgb.bmp": bmp_bytes([[0, 0, 0]], [], bits=24),
            "rle.bmp": bmp_bytes([[0] * 8] * 8, grey, compression=1),
            "cut.bmp": bmp_bytes([[0] * 8] * 8, grey)[:-10],
            "wide.bmp": bmp_bytes([[0] * 300], grey),
            "small.bmp": bmp_bytes([[0, 0], [0, 0]], grey)}


class BadInput(Case):
    def test_every_fault_of_every_script_is_reported_and_nothing_is_written(self):
        for name, data in bad_input_files().items():
            write(self.dir, name, data)
        os.mkdir(os.path.join(self.dir, "taken.bmp"))
        # Fewer scripts a run than the errors a run shows in full.
        for first in range(0, len(BAD_SCRIPTS), 15):
            chunk = BAD_SCRIPTS[first:first + 15]
            scripts = []
            for name, line, number, _ in chunk:
                lines = ["canvas 8 8", "save out/%s.png" % name, line, "save out/%s.bmp" % name]
                if number == 1:
                    lines = [line, "canvas 8 8", "save out/%s.png" % name]
                text = ("\n".join(lines) + "\n").encode("utf-8", "surrogateescape")
                scripts.append(os.path.basename(write(self.dir, name + ".strokes", text)))
            if first == 0:
                scripts.insert(3, "no-such.strokes")
            status, stdout, stderr = standin([PEN] + scripts, self.dir)
            self.assertEqual((status, stdout), (2, ""))
            if first == 0:
                self.assertIn("no-such.strokes: cannot read the script", stderr)
            for name, _, number, message in chunk:
                with self.subTest(name):
                    self.assertIn("%s.strokes:%d: %s" % (name, number, message), stderr)
            self.assertEqual(len(stderr.splitlines()), len(chunk) + (first == 0), stderr)
            self.assertEqual(self.out_files(), [])

    def test_history_faults_are_found_before_the_replay(self):
        # A new canvas is a step too, even a faulty one: the undo below it
        # is not faulted as well.
        write(self.dir, "h.strokes", "canvas 4 4\npress 1 1\nundo\nredo\nredo\npress 1 1\n"
              "undo\npress 2 2\nredo\ncanvas load nowhere.bmp\nundo\nundo\nundo\nundo\n"
              "save out/h.bmp\n")
        status, _, stderr = standin([PEN, "h.strokes"], self.dir)
        self.assertEqual(status, 2)
        self.assertEqual([line.split(": ")[0:2] for line in stderr.splitlines()],
                         [["h.strokes:5", "nothing to redo"], ["h.strokes:9", "nothing to redo"],
                          ["h.strokes:10", "cannot open 'nowhere.bmp'"],
                          ["h.strokes:14", "nothing to undo"]])
        self.assertEqual(self.out_files(), [])

    def test_garbage_is_escaped_cut_short_and_counted(self):
        junk = bytes(b for b in range(1, 256) if b not in b"\r\n") * 4
        lines = [b"\x01\x1b[31m\x7f\xc3 " + junk[i:i + 50] for i in range(0, 1000, 25)]
        lines.append(b"x" * 5000)
        write(self.dir, "junk.strokes", b"\n".join(lines) + b"\n")
        status, stdout, stderr = standin([PEN, "junk.strokes"], self.dir)
        self.assertEqual((status, stdout), (2, ""))
        shown = stderr.splitlines()
        self.assertEqual(len(shown), 21, stderr)
        self.assertEqual(shown[0], "junk.strokes:1: unknown command '\\x01\\x1B[31m\\x7F\\xC3'")
        self.assertEqual(shown[-1], "... and %d more errors not shown" % (len(lines) - 20))
        self.assertFalse(re.search(r"[\x00-\x1f\x7f]", stderr.replace("\n", "")), stderr)
        # A terminal's one-byte control-sequence introducer (C1) and a
        # right-to-left override that would make a name read backwards.
        write(self.dir, "acted.strokes", b"\xc2\x9b31mred\n\xe2\x80\xaegnp.exe\n")
        status, _, stderr = standin([PEN, "acted.strokes"], self.dir)
        self.assertEqual(stderr.splitlines(), [
            "acted.strokes:1: unknown command '\\xC2\\x9B31mred'",
            "acted.strokes:2: unknown command '\\xE2\\x80\\xAEgnp.exe'"])
        write(self.dir, "long.strokes", "canvas 8 8\n" + "y" * 5000 + "\n")
        status, _, stderr = standin([PEN, "long.strokes"], self.dir)
        self.assertEqual(stderr, "long.strokes:2: unknown command '%s...' (5000 bytes)\n" % ("y" * 40))

    def test_a_library_that_does_not_load_or_lacks_an_export(self):
        write(self.dir, "good.strokes", "canvas 4 4\nsave out/good.png\n")
        for dll, error in [("missing/Tessaly.dll", "(error 126)"),
                           ("C:\\windows\\system32\\user32.dll", "no export _ZVGetInfo: ")]:
            with self.subTest(dll):
                status, stdout, stderr = standin([dll, "good.strokes"], self.dir)
                self.assertEqual(status, 2)
                self.assertTrue(stderr.startswith(dll + ": "), stderr)
                self.assertIn(error, stderr)
                self.assertEqual(self.out_files(), [])

    def test_usage(self):
        status, _, stderr = standin([PEN], self.dir)
        self.assertEqual(status, 2)
        self.assertIn("usage: standin PEN.dll SCRIPT [SCRIPT...]", stderr)


class Failures(Case):
    def test_a_failing_expectation_keeps_the_files_saved_above_it(self):
        write(self.dir, "expect.strokes", "canvas 6 4 3\nsave out/above.png\nsave out/above.png\n"
              "expect pixel 5 3 3\nexpect pixel 2 1 4\nsave out/below.png\n")
        status, stdout, stderr = standin([PEN, "expect.strokes"], self.dir)
        self.assertEqual(status, 1)
        self.assertEqual(stdout.split(), ["out/above.png", "out/above.png"])
        self.assertEqual(stderr, "expect.strokes:5: expect pixel (2, 1): expected 4, got 3\n")
        self.assertEqual(self.out_files(), ["above.png"])
        self.assertEqual(read_png(os.path.join(self.dir, "out/above.png"))[:2], (24, 16))

    def test_each_expectation_names_both_values(self):
        cases = [("expect colours 1 2", "expect colours: expected 1 2, got 15 0"),
                 ("expect rect 0 0 1 1", "expect rect: expected 0 0 1 1, got 2 3 5 6"),
                 ("expect flags 0x00000010", "expect flags: expected 0x00000010, got 0x03000000")]
        for line, message in cases:
            with self.subTest(line):
                write(self.dir, "e.strokes", "canvas 6 4\nbrush square 3\npress 2 3\n%s\n" % line)
                status, _, stderr = standin([PEN, "e.strokes"], self.dir)
                self.assertEqual(status, 1)
                self.assertEqual(stderr, "e.strokes:4: %s\n" % message)

    def test_a_full_disk_is_said_so_and_leaves_nothing_behind(self):
        full = os.path.join(self.dir, "full")
        os.mkdir(full)
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", full],
                                 capture_output=True)
        if mounted.returncode != 0:
            self.skipTest("a small disk to fill needs mount (root)")
        self.addCleanup(subprocess.run, ["umount", full])
        write(self.dir, "w.strokes", "canvas 512 512\nsave out/first.bmp\nsave full/x.bmp\n"
              "save out/never.bmp\n")
        status, stdout, stderr = standin([PEN, "w.strokes"], self.dir)
        self.assertEqual((status, stdout), (2, "out/first.bmp\n"))
        self.assertEqual(stderr, "w.strokes:3: cannot write 'full/x.bmp': no space left on the "
                         "disk (error 112)\n")
        self.assertEqual(self.out_files(), ["first.bmp"])
        self.assertEqual(os.listdir(full), [])


class Names(Case):
    def test_utf8_names_for_every_file_and_a_palette_with_a_byte_order_mark(self):
        shutil.copy(PEN, os.path.join(self.dir, "pën.dll"))
        write(self.dir, "ü.pal", "\ufeffJASC-PAL\r\n0100\r\n2\r\n1 2 3\r\n4 5 6\r\n")
        write(self.dir, "größe.bmp", bmp_bytes([[1, 0, 1]], [(9, 9, 9), (8, 8, 8)]))
        write(self.dir, "ünï.strokes", "canvas load größe.bmp\npalette ü.pal\n"
              "save out/ü.png scale 1\nsave out/日本.bmp\n")
        status, stdout, stderr = standin(["pën.dll", "ünï.strokes"], self.dir)
        self.assertEqual((status, stderr), (0, ""))
        self.assertEqual(stdout, "out/ü.png\nout/日本.bmp\n")
        self.assertEqual(self.out_files(), sorted(["ü.png", "日本.bmp"]))
        self.assertEqual(read_png(os.path.join(self.dir, "out/ü.png")),
                         (3, 1, [[(4, 5, 6), (1, 2, 3), (4, 5, 6)]]))
        status, _, stderr = standin(["pën.dll", "nö.strokes"], self.dir)
        self.assertEqual(status, 2)
        self.assertTrue(stderr.startswith("nö.strokes: cannot read the script: "), stderr)

    def test_a_file_that_is_no_library_is_named_in_the_loader_error(self):
        write(self.dir, "text.dll", "not a library\n" * 100)
        write(self.dir, "good.strokes", "canvas 4 4\nsave out/good.png\n")
        status, _, stderr = standin(["text.dll", "good.strokes"], self.dir)
        self.assertEqual(status, 2)
        self.assertTrue(stderr.startswith("text.dll: cannot load the library: "), stderr)
        self.assertNotIn("%1", stderr)
        self.assertEqual(stderr.count("text.dll"), 2, stderr)


class Limits(Case):
    def test_pictures_too_large_are_refused_with_the_limit(self):
        write(self.dir, "big.strokes", "canvas 4096 4096\nsave out/fits.png scale 2\n"
              "save out/big.png\n")
        status, stdout, stderr = standin([PEN, "big.strokes"], self.dir)
        self.assertEqual((status, stdout), (2, ""))
        self.assertEqual(stderr.splitlines(), [
            "big.strokes:3: the picture would be 16384 x 16384 pixels; at most 67108864 pixels "
            "(8192 x 8192) can be written: use a smaller scale"])

    def test_the_history_keeps_what_strokes_change_up_to_its_limit(self):
        # Each diagonal changes nearly all of the canvas, 16 MiB: sixteen fit
        # the history's 256 MiB, the seventeenth makes it forget the first.
        # Short strokes cost next to nothing: three hundred of them are undone.
        diagonals = "".join("colours %d 0\npress -1 %d\ndrag 4095 4095\n" % (16 + i, -i)
                            for i in range(17))
        write(self.dir, "most.strokes", "canvas 4096 4096 3\nblocks 1x1 \n" + diagonals +
              "undo\n" * 16 + "save out/most.bmp\nundo\nsave out/never.bmp\n")
        dots = "".join("press %d %d\n" % (i * 13, i * 11) for i in range(300))
        write(self.dir, "dots.strokes", "canvas 4096 4096 3\nblocks 1x1 \n" + dots +
              "undo\n" * 300 + "save out/dots.bmp\nsave out/dots.png scale 2\n")
        status, stdout, stderr = standin([PEN, "dots.strokes", "most.strokes"], self.dir)
        self.assertEqual(status, 2)
        self.assertEqual(stdout, "out/dots.bmp\nout/dots.png\nout/most.bmp\n")
        self.assertEqual(stderr, "most.strokes:71: undo: the history forgot this step to stay "
                         "within 256 MiB; undo fewer strokes that change this much of the canvas\n")
        offset, stride = 14 + 40 + 1024, 4096
        with open(os.path.join(self.dir, "out/dots.bmp"), "rb") as f:
            self.assertEqual(f.read()[offset:], bytes([3]) * 4096 * 4096)
        with open(os.path.join(self.dir, "out/most.bmp"), "rb") as f:
            data = f.read()
        self.assertEqual(data[offset + 4094 * stride:][:4], bytes([16, 16, 3, 3]))  # the first stroke
        self.assertEqual(os.path.getsize(os.path.join(self.dir, "out/dots.png")) > 0, True)


class Readme(Case):
    def test_the_sample_script_runs_as_shown(self):
        with open(os.path.join(SOURCE, "README.md"), encoding="utf-8") as f:
            text = f.read()
        sample = re.search(r"A short script[^\n]*:\n\n((?:    .*\n)+)", text).group(1)
        write(self.dir, "sample.strokes", "".join(line[4:] + "\n" for line in
                                                  sample.splitlines()))
        status, stdout, stderr = standin([PEN, "sample.strokes"], self.dir)
        self.assertEqual((status, stderr), (0, ""))
        self.assertTrue(stdout.split() and all(os.path.exists(os.path.join(self.dir, name))
                                              for name in stdout.split()), stdout)


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    STANDIN, PEN, SOURCE = (os.path.abspath(a) for a in sys.argv[1:4])
    unittest.main(argv=[sys.argv[0]] + sys.argv[4:], verbosity=2)
