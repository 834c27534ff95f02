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


def standin(args, cwd):
    result = subprocess.run(["wine", STANDIN] + args, cwd=cwd, capture_output=True, timeout=120)
    return result.returncode, result.stdout.decode("utf-8"), result.stderr.decode("utf-8")


def write(folder, name, text):
    path = os.path.join(folder, name)
    with open(path, "w", newline="") as f:
        f.write(text)
    return path


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
    def test_the_examples_hold_their_expectations_and_the_readme_shows_the_ramp(self):
        shutil.copytree(os.path.join(SOURCE, "examples"), os.path.join(self.dir, "examples"))
        scripts = sorted(f"examples/{n}" for n in os.listdir(os.path.join(self.dir, "examples"))
                         if n.endswith(".strokes"))
        self.assertEqual(len(scripts), 3)
        status, stdout, stderr = standin([PEN] + scripts, self.dir)
        self.assertEqual(status, 0, stderr)
        pictures = ["out/freehand.png", "out/masked-stroke.png", "out/tone-ramp.png"]
        self.assertEqual(stdout.split(), pictures)
        sizes = {}
        for p in pictures:
            width, height, rows = read_png(os.path.join(self.dir, p))
            sizes[p] = (width, height)
        # Canvas size times the scale each script asks for (default 4).
        self.assertEqual(sizes, {"out/freehand.png": (480, 320),
                                 "out/masked-stroke.png": (256, 192),
                                 "out/tone-ramp.png": (864, 208)})
        self.assertEqual(read_png(os.path.join(self.dir, "out/tone-ramp.png")),
                         read_png(os.path.join(SOURCE, "docs/tone-ramp.png")),
                         "docs/tone-ramp.png is out of date: copy out/tone-ramp.png of make demo")


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
]


class BadInput(Case):
    def test_every_fault_of_every_script_is_reported_and_nothing_is_written(self):
        write(self.dir, "words.pal", "not a palette\n")
        write(self.dir, "bad-colour.pal", "JASC-PAL\n0100\n2\n0 0 0\n1 2 256\n")
        write(self.dir, "short.pal", "JASC-PAL\n0100\n2\n0 0 0\n")
        scripts = []
        for name, line, number, _ in BAD_SCRIPTS:
            lines = ["canvas 8 8", "save out/%s.png" % name, line, "save out/%s.bmp" % name]
            if number == 1:
                lines = [line, "canvas 8 8", "save out/%s.png" % name]
            scripts.append(write(self.dir, name + ".strokes", "\n".join(lines) + "\n"))
        scripts.insert(3, "no-such.strokes")
        status, stdout, stderr = standin([PEN] + [os.path.basename(s) for s in scripts], self.dir)
        self.assertEqual(status, 2)
        self.assertEqual(stdout, "")
        self.assertIn("no-such.strokes: cannot read the script", stderr)
        for name, _, number, message in BAD_SCRIPTS:
            with self.subTest(name):
                self.assertIn("%s.strokes:%d: %s" % (name, number, message), stderr)
        self.assertEqual(len(stderr.splitlines()), len(BAD_SCRIPTS) + 1, stderr)
        self.assertEqual(self.out_files(), [])

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

    def test_a_file_that_cannot_be_written_leaves_nothing_behind(self):
        os.mkdir(os.path.join(self.dir, "out", "taken.bmp"))
        write(self.dir, "w.strokes", "canvas 4 4\nsave out/taken.bmp\n")
        status, _, stderr = standin([PEN, "w.strokes"], self.dir)
        self.assertEqual(status, 2)
        self.assertTrue(stderr.startswith("w.strokes:2: cannot write 'out/taken.bmp': "), stderr)
        self.assertEqual(self.out_files(), ["taken.bmp"])


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    STANDIN, PEN, SOURCE = (os.path.abspath(a) for a in sys.argv[1:4])
    unittest.main(argv=[sys.argv[0]] + sys.argv[4:], verbosity=2)
