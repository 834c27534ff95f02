#!/usr/bin/env python3
"""standin-gui.exe driven as a person drives it: a real X display (Xvfb),
Wine's X11 driver in a prefix of its own, and xdotool moving the mouse and
pressing keys. gui_probe.exe, run beside the GUI, reads what the window
holds beyond its pixels: the focus, the view's place and size, the bar's
fields, the status bar's parts, a file dialog's controls. Sessions:

- a press, a drag that leaves the window, a block size chosen in the box, a
  Shift press, a right-click pick, an undo, a press on the workspace dragged
  onto the canvas, the pointer's pixel in the status bar, the brush's
  footprint and View > Brush footprint, the About box, and closing with
  unsaved changes;
- a 2048 x 2048 canvas at 32x scrolled to its far corner with the keyboard
  and drawn there, then a picture opened from another folder at the zoom
  that fits, the open undone and redone, with a relative --record path;
- 200 short strokes on a 4096 x 4096 canvas, all undone;
- where the keys go: the view's focus frame, Tab round the bar, the focus
  back in the view after clicks on the bar's controls and the palette, a
  menu command and the New dialog; a brush size out of range; the status
  bar's parts as wide as their texts; a press in the margin of a 1 x 1
  canvas, and the view of the canvas that an undo of New brings back;
- files: a stroke that changes nothing, Open's file type and its read-only
  box honoured by Save, a PNG export that leaves the document unsaved, a
  reserved name refused, palettes loaded and undone;
- how long a 64-pixel disc takes to answer on 4096 x 4096 (--timing), kept
  as a table in WORK_DIR/gui-latency.md;
- a pen that does not load, a recording that cannot be written, and --help.

Every recording, replayed by standin.exe, gives the GUI's BMP byte for byte;
a screenshot of the view equals the canvas at the zoom through the palette;
the recorded coordinates are those under the pointer.

Usage: gui_tests.py STANDIN_GUI_EXE STANDIN_EXE PEN_DLL WORK_DIR PROBE_EXE
TESSALY_WINE names the loader; WINEPREFIX the headless prefix for the
replay. WORK_DIR keeps the X11 prefix between runs, the last screenshot of
the window (gui-window.png, the README's picture) and the latency table.
"""
import json
import os
import re
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time
import unittest
from collections import namedtuple

GUI = STANDIN = PEN = WORK = PROBE = ""
WINE = os.environ.get("TESSALY_WINE", "wine")
TITLE = "^Tessaly - Zorvel stand-in: "
MESSAGE = "^Zorvel stand-in$"
UNSAVED = "^Unsaved changes$"
ZOOM = 8
ZOOMS = (1, 2, 3, 4, 6, 8, 12, 16, 24, 32)
CANVAS = (64, 48)
# The frame's layout (standin/gui/dialog_bar.h): the view starts below the
# tool bar and the dialog bar.
TOOLBAR_HEIGHT, BAR_HEIGHT = 30, 64
# Some of the bar's controls, by control ID: their left, top, width and
# height in the bar (dialog_bar.cpp).
BOX, OWN_SIZE, ADD_SIZE, TONE, BRUSH_SIZE, GRID = 110, 111, 112, 120, 141, 161
CONTROLS = {BOX: (50, 6, 110, 22), OWN_SIZE: (194, 6, 62, 22), ADD_SIZE: (258, 6, 60, 22),
            TONE: (356, 4, 150, 28), BRUSH_SIZE: (124, 36, 46, 22), GRID: (504, 36, 50, 22)}
PALETTE_CELL, PALETTE_MARGIN = 10, 6
# The margin's hatching, off the canvas.
MARGIN_INK, MARGIN_PAPER = (96, 96, 104), (160, 160, 168)
# Where the canvas is on the screen: its top-left, the size of its part in
# the view, and the view's top-left.
Place = namedtuple("Place", "x y w h left top")


def run(args, **kw):
    return subprocess.run(args, check=True, capture_output=True, timeout=60, **kw)


def xdotool(*args):
    return run(["xdotool"] + [str(a) for a in args]).stdout.decode()


def shown(title):
    """The windows on the screen whose title matches: Wine may keep a closed
    dialog's X window, unmapped, for a while."""
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", title],
                           capture_output=True)
    return found.stdout.decode().split()


def read_bmp(path):
    """Width, height, palette [(r, g, b)] and rows of indices, top row first."""
    with open(path, "rb") as f:
        data = f.read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    colours = struct.unpack_from("<I", data, 46)[0] or 256
    palette = [(data[54 + 4 * i + 2], data[54 + 4 * i + 1], data[54 + 4 * i])
               for i in range(colours)]
    stride = (width + 3) // 4 * 4
    starts = [offset + (height - 1 - y) * stride for y in range(height)]
    rows = [data[start:start + width] for start in starts]
    return width, height, palette, rows


def write_bmp(path, rows):
    """An 8-bit BMP of rows of indices, top row first, with a grey ramp."""
    height, width = len(rows), len(rows[0])
    stride = (width + 3) // 4 * 4
    pixels = b"".join(bytes(row) + bytes(stride - width) for row in reversed(rows))
    palette = b"".join(bytes([i, i, i, 0]) for i in range(256))
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 0, 0, 256, 0)
    with open(path, "wb") as f:
        f.write(header + info + palette + pixels)


class Screen:
    """A screenshot of the whole display, as RGB triples."""

    def __init__(self, png=None):
        ppm = run(["import", "-window", "root", "-depth", "8", "ppm:-"]).stdout
        if png:
            with open(png, "wb") as f:
                f.write(ppm)
        magic, w, h, depth, rest = re.match(rb"(P6)\s+(\d+)\s+(\d+)\s+(\d+)\s(.*)", ppm,
                                            re.S).groups()
        self.width, self.height, self.pixels, self.ppm = int(w), int(h), rest, ppm

    def at(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.pixels[i:i + 3])


class Display:
    """Xvfb on a free display number, ended with the test."""

    def __enter__(self):
        for n in range(91, 120):
            if not os.path.exists(f"/tmp/.X{n}-lock") and not os.path.exists(
                    f"/tmp/.X11-unix/X{n}"):
                break
        self.number = n
        self.process = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1280x1024x24",
                                         "-nolisten", "tcp"], stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        os.environ["DISPLAY"] = f":{n}"
        for _ in range(100):
            if subprocess.run(["xdotool", "getmouselocation"], capture_output=True).returncode == 0:
                return self
            time.sleep(0.1)
        raise RuntimeError("Xvfb did not start")

    def __exit__(self, *exc):
        self.process.terminate()
        self.process.wait(10)


BLACK = (0, 0, 0)
WHITE = (255, 255, 255)


def commands(path):
    """The commands of a recording, comments left out."""
    with open(path, encoding="utf-8") as f:
        return [l for l in f.read().splitlines() if l and not l.startswith("#")]


class Gui(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="standin-gui-")
        self.addCleanup(shutil.rmtree, self.dir)
        self.prefix = os.path.join(WORK, "wineprefix-x11")

    def prepare_prefix(self):
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all")  # with DISPLAY
        # Wine's X11 driver: a prefix without the null graphics driver. No
        # window manager runs, so Wine's windows are unmanaged: else Wine
        # waits two seconds for one whenever a window closes.
        ready = os.path.join(self.prefix, ".tessaly-unmanaged")
        if not os.path.exists(ready):
            shutil.rmtree(self.prefix, ignore_errors=True)
            subprocess.run([WINE, "wineboot", "-i"], env=self.env, capture_output=True,
                           timeout=120)
            subprocess.run([WINE, "reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed",
                            "/d", "N", "/f"], env=self.env, capture_output=True, timeout=120)
            subprocess.run(["wineserver", "-w"], env=self.env, timeout=120)
            open(ready, "w").close()

    def session(self, args, drive):
        """Runs the GUI with `args` in the test's folder and lets `drive` use
        it; returns its exit status."""
        started = time.monotonic()
        with Display():
            self.prepare_prefix()
            gui = subprocess.Popen([WINE, GUI, PEN] + args, cwd=self.dir, env=self.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                drive(gui)
                status = gui.wait(60)
            finally:
                if gui.poll() is None:
                    gui.kill()
                self.stop_wine()
        print(f"GUI session: {time.monotonic() - started:.1f} s", file=sys.stderr)
        return status

    def stop_wine(self):
        # And wait until the server is gone: a program started meanwhile
        # would meet a server on its way out.
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=60)
        subprocess.run(["wineserver", "-w"], env=self.env, capture_output=True, timeout=60)

    def wait_for_window(self, gui, title, timeout=60):
        for _ in range(timeout * 10):
            self.assertIsNone(gui.poll(), "the program ended before %r appeared" % title)
            found = shown(title)
            if found:
                return found[0]
            time.sleep(0.1)
        self.fail(f"no window named {title!r} appeared")

    def geometry(self, window_id):
        g = dict(line.split("=") for line in xdotool("getwindowgeometry", "--shell",
                                                     window_id).split())
        return int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"])

    def probe(self, window=None):
        """The GUI's frame as gui_probe.exe reads it, or (`window`, a title)
        the controls of another of its windows."""
        args = [WINE, PROBE] + (["--window", window] if window else [])
        for _ in range(50):
            done = subprocess.run(args, env=self.env, capture_output=True, timeout=60)
            if done.returncode == 0:
                return json.loads(done.stdout)
            time.sleep(0.2)
        self.fail(f"the probe found no window {window or 'Zorvel Frame'!r}")

    def until(self, check, what, window=None, timeout=10):
        """Probes until `check` holds for what the probe read; fails saying
        `what` was expected, with the last reading."""
        end = time.monotonic() + timeout
        while True:
            state = self.probe(window)
            if check(state):
                return state
            if time.monotonic() > end:
                self.fail(f"{what}; the probe read {json.dumps(state)[:3000]}")
            time.sleep(0.2)

    def find_canvas(self, canvas, zoom, margin=1):
        """Where the canvas is on the screen (a Place), for a canvas still all
        index 0 (black) at its top-left corner: the view starts at the
        frame's client left edge below the bars, and the canvas a margin
        further right and down. Waits for the first paint."""
        inset = margin * zoom
        for _ in range(50):
            view = self.probe()["view"]
            place = Place(view["left"] + inset, view["top"] + inset,
                          min(canvas[0] * zoom, view["width"] - inset),
                          min(canvas[1] * zoom, view["height"] - inset), view["left"], view["top"])
            screen = Screen()
            if place.w > 2 and place.h > 2 and screen.at(place.x, place.y) == BLACK and \
                    screen.at(place.x - 1, place.y - 1) != BLACK:
                return place
            time.sleep(0.2)
        run(["convert", "ppm:-", os.path.join(WORK, "gui-not-found.png")], input=screen.ppm)
        self.fail(f"the canvas was not found in the view at {view}: see gui-not-found.png")

    def fitting_zoom(self, state, canvas, margin=1):
        """The zoom that View > Fit picks: the largest that shows the canvas
        and its margin in the workspace."""
        document = state["document"]
        return max([z for z in ZOOMS if (canvas[0] + 2 * margin) * z <= document["width"] and
                    (canvas[1] + 2 * margin) * z <= document["height"]] or [1])

    def view_size(self, state):
        return state["view"]["width"], state["view"]["height"]

    def control(self, place, control_id, dx=None, dy=None):
        """A point in one of the bar's controls (its middle by default)."""
        x, y, w, h = CONTROLS[control_id]
        return (place.left + x + (w // 2 if dx is None else dx),
                place.top - BAR_HEIGHT + y + (h // 2 if dy is None else dy))

    def title(self, window_id):
        return xdotool("getwindowname", window_id).strip()

    def wait_for_title(self, window_id, pattern, timeout=20):
        for _ in range(timeout * 10):
            if re.search(pattern, self.title(window_id)):
                return
            time.sleep(0.1)
        self.fail(f"the title {self.title(window_id)!r} never matched {pattern!r}")

    def wait_gone(self, title, timeout=20):
        for _ in range(timeout * 10):
            if not shown(title):
                return
            time.sleep(0.1)
        self.fail(f"the window {title!r} did not close")

    def discard_unsaved(self, gui):
        """Answers Discard to the question about unsaved changes."""
        self.wait_for_window(gui, UNSAVED, timeout=20)
        time.sleep(0.3)
        xdotool("key", "alt+d")

    def close(self, window_id, gui, answer="alt+d"):
        """Closes the window; the unsaved changes are asked about first, and
        `answer` (Discard) given."""
        xdotool("key", "alt+F4")
        self.wait_for_window(gui, UNSAVED, timeout=20)
        time.sleep(0.3)
        xdotool("key", answer)  # the question has the keyboard

    def check_replay(self, name, canvas_size):
        """The recording replays to the GUI's BMP byte for byte."""
        width, height, palette, rows = read_bmp(os.path.join(self.dir, name + ".bmp"))
        self.assertEqual((width, height), canvas_size)
        shutil.copy(os.path.join(self.dir, name + ".bmp"), os.path.join(self.dir, "gui.bmp"))
        replay = subprocess.run([WINE, STANDIN, PEN, name + ".strokes"], cwd=self.dir,
                                capture_output=True, timeout=120,
                                env=dict(os.environ, WINEDEBUG="-all"))
        self.assertEqual(replay.returncode, 0, replay.stderr.decode())
        with open(os.path.join(self.dir, "gui.bmp"), "rb") as a, \
                open(os.path.join(self.dir, name + ".bmp"), "rb") as b:
            self.assertTrue(a.read() == b.read(), "the replay's BMP differs from the GUI's")
        return palette, rows

    def test_a_person_draws_and_the_recording_replays_to_the_same_bytes(self):
        status = self.session(["--canvas", str(CANVAS[0]), str(CANVAS[1]), "--zoom", str(ZOOM),
                               "--tone", "6", "--colours", "15", "12",
                               "--record", "session.strokes"], self.drive)
        self.assertEqual(status, 0)
        lines = commands(os.path.join(self.dir, "session.strokes"))
        presses = [l for l in lines if l.startswith("press ")]
        self.assertEqual(presses[:3], ["press 5 5", "press 10 30", "press 30 30 shift"], lines)
        self.assertIn("release %d %d" % self.expected["released"], lines, lines)
        self.assertIn("pick 6 6", lines, lines)
        chosen = lines.index("blocks 4x2 pixels")
        self.assertTrue(lines.index("press 5 5") < chosen < lines.index("press 10 30"), lines)
        # The press on the workspace dragged onto the canvas sent moves only.
        after = lines[len(lines) - 1 - lines[::-1].index("undo"):]
        self.assertEqual(
            [l for l in after if not l.startswith(("undo", "move", "release", "save"))], [], after)
        self.assertTrue(any(l.startswith("move ") for l in after), after)

        palette, rows = self.check_replay("session", CANVAS)
        # The canvas on the screen is the canvas the GUI wrote, at the zoom.
        vx, vy = self.view
        wrong = [(x, y) for y in range(CANVAS[1]) for x in range(CANVAS[0])
                 for dy in (0, ZOOM - 1) for dx in (0, ZOOM - 1)
                 if self.screen.at(vx + x * ZOOM + dx, vy + y * ZOOM + dy) != palette[rows[y][x]]]
        self.assertEqual(wrong[:5], [], "screen pixels that differ from the canvas")
        self.assertGreater(sum(1 for row in rows for p in row if p), 50, "nothing was drawn")
        # The status bar named the pixel under the pointer, and the margin as
        # off the canvas.
        self.assertEqual(self.expected["pointer"], "21, 20: index %d (%d, %d, %d)" %
                         ((rows[20][21],) + palette[rows[20][21]]))
        self.assertEqual(self.expected["margin"], "-1, 20: off the canvas")
        # Where a press would put ink and blocks was drawn around the pointer,
        # until Ctrl+F hid it.
        footprint = self.expected["footprint"]
        near = [(x, y) for y in range(vy + 15 * ZOOM, vy + 27 * ZOOM)
                for x in range(vx + 15 * ZOOM, vx + 29 * ZOOM)
                if footprint.at(x, y) != self.screen.at(x, y)]
        self.assertGreater(len(near), 8, "no footprint was drawn near the pointer")

    def drive(self, gui):
        window_id = self.wait_for_window(gui, TITLE)
        window = self.geometry(window_id)
        place = self.find_canvas(CANVAS, ZOOM)
        vx, vy, vw, vh = place[:4]
        self.assertEqual((vw, vh), (CANVAS[0] * ZOOM, CANVAS[1] * ZOOM))
        # The view is the canvas in a margin of one canvas pixel (a 1 x 1
        # brush), hatched grey under the frame that shows it has the keys.
        self.assertEqual(self.view_size(self.probe()),
                         ((CANVAS[0] + 2) * ZOOM, (CANVAS[1] + 2) * ZOOM))
        self.assertIn(Screen().at(vx - 3, vy + 20), (MARGIN_INK, MARGIN_PAPER))

        def at(cx, cy):
            # The centre of canvas pixel (cx, cy) on the screen.
            return vx + cx * ZOOM + ZOOM // 2, vy + cy * ZOOM + ZOOM // 2

        def pause():
            time.sleep(0.15)

        # A press and a drag that leaves the window while the button is held.
        outside = (window[0] + window[2] + 60, window[1] + window[3] + 30)
        xdotool("mousemove", *at(5, 5)); pause()
        xdotool("mousedown", "1"); pause()
        for point in [at(20, 10), at(40, 22), outside]:
            xdotool("mousemove", *point); pause()
        xdotool("mouseup", "1"); pause()
        released = ((outside[0] - vx) // ZOOM, (outside[1] - vy) // ZOOM)

        # A size chosen in the block-size box: the item after "3x2 pixels".
        box = self.control(place, BOX, dx=20)
        xdotool("mousemove", *box, "click", "1"); time.sleep(0.4)
        xdotool("key", "Down"); pause()
        xdotool("key", "Return"); time.sleep(0.4)
        xdotool("mousemove", *at(10, 30), "click", "1"); pause()

        # Shift at the press: the complementary tone.
        xdotool("mousemove", *at(30, 30)); pause()
        xdotool("keydown", "shift"); pause()
        xdotool("click", "1"); pause()
        xdotool("keyup", "shift"); pause()

        # A right click picks the colour under the cursor (a painted block).
        xdotool("mousemove", *at(6, 6), "click", "3"); pause()

        # A stroke, then an undo takes it back.
        xdotool("mousemove", *at(50, 40), "mousedown", "1"); pause()
        xdotool("mousemove", *at(60, 44)); pause()
        xdotool("mouseup", "1"); pause()
        xdotool("key", "ctrl+z"); time.sleep(0.5)

        # A press on the grey workspace beside the view, dragged across the
        # canvas: nothing is drawn.
        xdotool("mousemove", vx + vw + 40, vy + 100, "mousedown", "1"); pause()
        for point in [at(40, 20), at(20, 25), at(5, 40)]:
            xdotool("mousemove", *point); pause()
        xdotool("mouseup", "1"); pause()

        # The pointer in the margin, then over a canvas pixel: the status
        # bar says where it is; the brush's footprint is drawn around it,
        # and View > Brush footprint (Ctrl+F) hides it.
        xdotool("mousemove", *at(-1, 20))
        margin = self.until(lambda s: s["status"][0]["text"].startswith("-1, "),
                            "the status bar shows the pointer in the margin")
        xdotool("mousemove", *at(21, 20))
        pointer = self.until(lambda s: s["status"][0]["text"].startswith("21, "),
                             "the status bar shows the pointer's pixel")
        time.sleep(0.3)
        footprint = Screen()
        xdotool("key", "ctrl+f"); time.sleep(0.5)
        # The view as the window closes, the footprint off.
        self.screen = Screen(os.path.join(self.dir, "screen.ppm"))
        self.view = (vx, vy)
        x0, y0, w, h = window
        run(["convert", os.path.join(self.dir, "screen.ppm"), "-crop", f"{w}x{h}+{x0}+{y0}",
             "+repage", os.path.join(WORK, "gui-window.png")])

        # The pen's identity, from its tool button: kept for a look at it.
        xdotool("mousemove", place.left + 16, place.top - BAR_HEIGHT - TOOLBAR_HEIGHT + 15,
                "click", "1")
        about = self.wait_for_window(gui, "^About the pen$", timeout=20)
        time.sleep(0.5)
        ax, ay, aw, ah = self.geometry(about)
        run(["import", "-window", "root", "-crop", f"{aw}x{ah}+{ax}+{ay}", "+repage",
             os.path.join(WORK, "gui-about.png")])
        xdotool("key", "Return"); pause()

        self.close(window_id, gui)
        self.expected = {"released": released, "pointer": pointer["status"][0]["text"],
                         "margin": margin["status"][0]["text"], "footprint": footprint}

    def test_the_far_corner_of_a_large_canvas_and_a_picture_opened_elsewhere(self):
        os.mkdir(os.path.join(self.dir, "elsewhere"))
        picture = [[(x * y) % 7 for x in range(9)] for y in range(5)]
        write_bmp(os.path.join(self.dir, "elsewhere", "pic.bmp"), picture)

        def drive(gui):
            window_id = self.wait_for_window(gui, TITLE)
            self.find_canvas((2048, 2048), 32)
            # Every pixel in reach: the keyboard takes the view to the far
            # corner, margin included, and the pixel before the corner is
            # pressed (a 1 x 1 brush paints the one right of and below the
            # cursor).
            xdotool("key", "ctrl+End"); time.sleep(0.8)
            view = self.probe()["view"]
            right = view["left"] + view["width"] - 32
            bottom = view["top"] + view["height"] - 32
            xdotool("mousemove", right - 32 - 16, bottom - 32 - 16, "click", "1")
            time.sleep(0.5)
            screen = Screen()
            self.assertEqual(screen.at(right - 16, bottom - 16), WHITE, "the corner is not shown")
            self.assertIn(screen.at(right + 16, bottom - 48), (MARGIN_INK, MARGIN_PAPER))
            # A picture opened from another folder, at the zoom that shows it
            # whole; the open undone and redone: the view takes each canvas's
            # size at once.
            xdotool("key", "ctrl+o")
            self.discard_unsaved(gui)
            self.wait_for_window(gui, "^Open$", timeout=20)
            time.sleep(0.5)
            path = os.path.join(self.dir, "elsewhere", "pic.bmp")
            xdotool("type", "Z:" + path.replace("/", "\\"))
            xdotool("key", "Return")
            self.wait_for_window(gui, TITLE + r"pic\.bmp \(9 x 5\)", timeout=20)
            state = self.probe()
            zoom = self.fitting_zoom(state, (9, 5))
            self.assertEqual(self.view_size(state), (11 * zoom, 7 * zoom))
            xdotool("key", "ctrl+z")
            self.wait_for_window(gui, TITLE + r"(untitled|pic\.bmp) \(2048 x 2048\)", timeout=20)
            self.until(lambda s: self.view_size(s) == (s["document"]["width"],
                                                       s["document"]["height"]),
                       "the view fills the workspace again")
            xdotool("key", "ctrl+y")
            self.wait_for_window(gui, TITLE + r"pic\.bmp \(9 x 5\)", timeout=20)
            self.until(lambda s: self.view_size(s) == (11 * zoom, 7 * zoom),
                       "the view takes the picture's size again")
            xdotool("key", "ctrl+z")
            self.wait_for_window(gui, TITLE + r"(untitled|pic\.bmp) \(2048 x 2048\)", timeout=20)
            self.close(window_id, gui)

        status = self.session(["--canvas", "2048", "2048", "--zoom", "32",
                               "--record", "far.strokes"], drive)
        self.assertEqual(status, 0)
        # The recording and its attachment went where --record said, not into
        # the folder the dialog showed.
        self.assertEqual(sorted(os.listdir(os.path.join(self.dir, "elsewhere"))), ["pic.bmp"])
        lines = commands(os.path.join(self.dir, "far.strokes"))
        self.assertIn("press 2046 2046", lines)
        self.assertEqual(lines[-5:],
                         ["canvas load far-1.bmp", "undo", "redo", "undo", "save far.bmp"])
        with open(os.path.join(self.dir, "far-1.bmp"), "rb") as a, \
                open(os.path.join(self.dir, "elsewhere", "pic.bmp"), "rb") as b:
            self.assertEqual(a.read(), b.read())
        _, rows = self.check_replay("far", (2048, 2048))
        self.assertEqual(rows[2047][2047], 15)

    def test_two_hundred_strokes_on_the_largest_canvas_are_all_undone(self):
        def drive(gui):
            window_id = self.wait_for_window(gui, TITLE)
            vx, vy, vw, vh = self.find_canvas((4096, 4096), 1, margin=3)[:4]
            clicks = []
            for i in range(200):
                clicks += ["mousemove", vx + 5 + (i * 37) % (vw - 10),
                           vy + 5 + (i * 23) % (vh - 10), "mousedown", "1", "mouseup", "1",
                           "sleep", "0.01"]
            xdotool(*clicks)
            xdotool("key", "--delay", "10", *["ctrl+z"] * 200)
            # All undone: the title loses its mark, and nothing is asked at
            # the close.
            for _ in range(600):
                if not xdotool("getwindowname", window_id).strip().endswith("*"):
                    break
                time.sleep(0.1)
            xdotool("key", "alt+F4")

        status = self.session(["--canvas", "4096", "4096", "--zoom", "1", "--brush", "round",
                               "5", "--record", "many.strokes"], drive)
        self.assertEqual(status, 0)
        lines = commands(os.path.join(self.dir, "many.strokes"))
        self.assertEqual(sum(l.startswith("press ") for l in lines), 200)
        self.assertEqual(lines.count("undo"), 200)
        _, rows = self.check_replay("many", (4096, 4096))
        self.assertFalse(any(any(row) for row in rows), "a stroke was left")

    def test_keys_go_where_the_person_looks(self):
        def focused(control_id):
            return lambda s: control_id in (s["focus"]["id"], s["focus"]["parent_id"]) and \
                not s["focus"]["view"]

        def in_view(s):
            return s["focus"]["view"]

        def status(s, prefix):
            return [p["text"] for p in s["status"] if p["text"].startswith(prefix)]

        def drive(gui):
            window_id = self.wait_for_window(gui, TITLE)
            place = self.find_canvas(CANVAS, ZOOM)
            state = self.until(in_view, "the view has the keys at the start")
            highlight = tuple(state["highlight"])

            def at(cx, cy):
                return place.x + cx * ZOOM + ZOOM // 2, place.y + cy * ZOOM + ZOOM // 2

            def click(point, wait=0.3):
                xdotool("mousemove", *point, "click", "1"); time.sleep(wait)

            # The view shows that it has the keys with a frame along its
            # edges; Tab goes round the bar's controls and back to the view.
            self.assertEqual(Screen().at(place.left + 1, place.top + 20), highlight)
            xdotool("key", "Tab")
            self.until(focused(BOX), "Tab from the view goes to the block-size box")
            time.sleep(0.3)
            self.assertNotEqual(Screen().at(place.left + 1, place.top + 20), highlight,
                                "the view still shows the keys")
            xdotool("key", "shift+Tab")
            self.until(in_view, "Shift+Tab from the box goes back to the view")
            xdotool("key", "shift+Tab")
            self.until(focused(GRID), "Shift+Tab from the view goes to the bar's last control")
            xdotool("key", "Tab")
            self.until(in_view, "Tab from the bar's last control goes to the view")

            # A click on the tone slider sets the tone, and the keys go back
            # to the view: Right does not move the slider.
            click(self.control(place, TONE, dx=140))
            tone = status(self.until(in_view, "the view has the keys after the tone slider"),
                          "tone ")
            self.assertNotEqual(tone, ["tone 6"], "the click did not move the slider")
            xdotool("key", "Right", "Right"); time.sleep(0.3)
            self.assertEqual(status(self.probe(), "tone "), tone)
            self.expected = {"tone": tone[0]}

            # So do a check box, a choice in the block-size list made with the
            # mouse, and a click on the palette after one in a text field.
            click(self.control(place, GRID, dx=6))
            self.until(in_view, "the view has the keys after the Grid box")
            click(self.control(place, BOX, dx=20), wait=0.6)
            x, y = self.control(place, BOX, dx=20, dy=22 + 20)  # the list's second item
            click((x, y), wait=0.6)
            self.until(lambda s: in_view(s) and s["box"]["selection"] == 1,
                       "the second block size is chosen and the view has the keys")
            click(self.control(place, OWN_SIZE))
            self.until(focused(OWN_SIZE), "the own-size field has the keys once clicked")
            palette = self.probe()["palette"]
            click((palette["left"] + PALETTE_MARGIN + 15 * PALETTE_CELL + PALETTE_CELL // 2,
                   palette["top"] + PALETTE_MARGIN + PALETTE_CELL // 2))  # index 15
            self.until(in_view, "the view has the keys after a click on the palette")

            # A brush size out of range shows the size in force again as the
            # field loses the keys, then says why.
            click(self.control(place, BRUSH_SIZE, dx=8))
            xdotool("key", "End", "BackSpace", "BackSpace", "BackSpace")
            xdotool("type", "999"); time.sleep(0.2)
            xdotool("key", "Tab")
            self.wait_for_window(gui, MESSAGE, timeout=20)
            self.assertEqual(self.probe()["fields"][str(BRUSH_SIZE)], "1")
            said = " ".join(c["text"] for c in self.probe("Zorvel stand-in")["controls"])
            self.assertIn("999", said)
            xdotool("key", "Return")
            self.wait_gone(MESSAGE)
            self.until(in_view, "the view has the keys after the message")

            # The largest block size of one's own, added with the button: the
            # status bar's parts are each as wide as their text.
            big = "2147483647x2147483647 big"
            click(self.control(place, OWN_SIZE))
            xdotool("type", big); time.sleep(0.2)
            click(self.control(place, ADD_SIZE), wait=0.6)
            if shown(MESSAGE):
                xdotool("key", "Return")  # Yes, add it
                self.wait_gone(MESSAGE)
            state = self.until(lambda s: in_view(s) and s["fields"][str(BOX)] == big,
                               "the own size is selected and the view has the keys")
            self.assertIn("blocks: " + big, [p["text"] for p in state["status"]])
            narrow = [p for p in state["status"] if p["right"] - p["left"] < p["text_width"]]
            self.assertEqual(narrow, [], "status bar parts narrower than their text")

            # A menu command (Fit, Ctrl+0) from a text field: the keys go to
            # the view.
            click(self.control(place, OWN_SIZE))
            self.until(focused(OWN_SIZE), "the own-size field has the keys once clicked")
            xdotool("key", "ctrl+0")
            self.until(in_view, "the view has the keys after a menu command")

            # The status bar names the pixel under the pointer.
            xdotool("mousemove", *at(10, 12))
            self.until(lambda s: s["status"][0]["text"] == "10, 12: index 0 (0, 0, 0)",
                       "the status bar names the pixel under the pointer")

            # New, 1 x 1: the view takes its size at the zoom that fits, and
            # has the keys; a press in the margin, up and left of the pixel,
            # paints it with the 1 x 1 brush.
            xdotool("key", "ctrl+n")
            self.wait_for_window(gui, "^New canvas$", timeout=20)
            time.sleep(0.3)
            xdotool("key", "End", "shift+Home")
            xdotool("type", "1")
            xdotool("key", "Tab"); time.sleep(0.2)
            xdotool("type", "1")
            xdotool("key", "Return")
            self.wait_for_title(window_id, r"\(1 x 1\)")
            state = self.until(in_view, "the view has the keys after the New dialog")
            zoom = self.fitting_zoom(state, (1, 1))
            self.assertEqual(self.view_size(state), (3 * zoom, 3 * zoom))
            view = state["view"]
            xdotool("mousemove", view["left"] + zoom // 2, view["top"] + zoom // 2, "click", "1")
            time.sleep(0.5)
            self.assertEqual(Screen().at(view["left"] + zoom + zoom // 2,
                                         view["top"] + zoom + zoom // 2), WHITE)

            # Undone: the 64 x 48 canvas at that zoom, every pixel in reach.
            xdotool("key", "ctrl+z"); time.sleep(0.3)
            xdotool("key", "ctrl+z")
            self.wait_for_title(window_id, r"\(64 x 48\)")
            self.until(lambda s: self.view_size(s) == (
                min((CANVAS[0] + 2) * zoom, s["document"]["width"]),
                min((CANVAS[1] + 2) * zoom, s["document"]["height"])),
                "the view takes the 64 x 48 canvas's size again")
            xdotool("key", "ctrl+End"); time.sleep(0.5)
            view = self.probe()["view"]
            right = view["left"] + view["width"] - zoom
            bottom = view["top"] + view["height"] - zoom
            xdotool("mousemove", right - zoom - zoom // 2, bottom - zoom - zoom // 2, "click", "1")
            time.sleep(0.5)
            self.close(window_id, gui)

        status = self.session(["--canvas", str(CANVAS[0]), str(CANVAS[1]), "--zoom", str(ZOOM),
                               "--tone", "6", "--colours", "15", "15",
                               "--record", "keys.strokes"], drive)
        self.assertEqual(status, 0)
        lines = commands(os.path.join(self.dir, "keys.strokes"))
        presses = [l for l in lines if l.startswith("press ")]
        self.assertEqual(presses, ["press -1 -1", "press 62 46"], lines)
        # The tone the slider's click set, and no other, reached the pen.
        tones = [l for l in lines[:lines.index("press -1 -1")] if l.startswith("tone ")]
        self.assertEqual(tones[-1:], [self.expected["tone"]], lines)
        _, rows = self.check_replay("keys", CANVAS)
        self.assertEqual(rows[47][63], 15)

    def test_files_open_save_export_and_palettes(self):
        picture = [[(x * y) % 7 for x in range(37)] for y in range(23)]
        write_bmp(os.path.join(self.dir, "pic.bmp"), picture)
        with open(os.path.join(self.dir, "pic.bmp"), "rb") as f:
            original = f.read()
        with open(os.path.join(self.dir, "warm.pal"), "w", newline="\r\n") as f:
            f.write("JASC-PAL\n0100\n256\n" + "".join(f"255 {i} 0\n" for i in range(256)))

        def windows_path(name):
            return "Z:" + os.path.join(self.dir, name).replace("/", "\\")

        def control(state, control_id, window_class):
            found = [c for c in state["controls"]
                     if c["id"] == control_id and c["class"] == window_class]
            self.assertTrue(found, f"no {window_class} {control_id} in {state}")
            return found[0]

        def file_name(name):
            # The dialog's name field, emptied, then the name typed.
            xdotool("key", "alt+n"); time.sleep(0.2)
            xdotool("key", "End", "shift+Home", "BackSpace")
            xdotool("type", windows_path(name)); time.sleep(0.2)
            xdotool("key", "Return")

        def drive(gui):
            window_id = self.wait_for_window(gui, TITLE)
            place = self.find_canvas((16, 16), ZOOM)

            def stroke(origin, zoom, points):
                screen = [(origin[0] + x * zoom + zoom // 2, origin[1] + y * zoom + zoom // 2)
                          for x, y in points]
                xdotool("mousemove", *screen[0], "mousedown", "1"); time.sleep(0.15)
                for point in screen[1:]:
                    xdotool("mousemove", *point); time.sleep(0.15)
                xdotool("mouseup", "1"); time.sleep(0.5)

            # Colour 0 over the black canvas changes no pixel: not unsaved.
            stroke((place.x, place.y), ZOOM, [(3, 3), (8, 6), (12, 9)])
            self.assertFalse(self.title(window_id).endswith("*"), self.title(window_id))

            # Open offers what it reads, an 8-bit BMP, and a read-only box,
            # which is honoured; the picture comes at the zoom that fits.
            xdotool("key", "ctrl+o")
            self.wait_for_window(gui, "^Open$", timeout=20)
            types = control(self.probe("Open"), 1136, "ComboBox")
            self.assertEqual((types["items"], types["text"]), (1, "8-bit BMP (*.bmp)"))
            xdotool("key", "alt+r")
            self.until(lambda s: control(s, 1040, "Button")["checked"] == 1,
                       "Open as read-only is ticked", window="Open")
            file_name("pic.bmp")
            self.wait_for_title(window_id, r"pic\.bmp \(37 x 23\) read-only$")
            state = self.probe()
            zoom = self.fitting_zoom(state, (37, 23))
            self.assertEqual(self.view_size(state), (39 * zoom, 25 * zoom))
            origin = (state["view"]["left"] + zoom, state["view"]["top"] + zoom)
            stroke(origin, zoom, [(5, 10), (15, 12), (30, 14)])
            self.wait_for_title(window_id, r"read-only \*$")

            # Save on it asks for a name instead of writing over the file.
            xdotool("key", "ctrl+s")
            self.wait_for_window(gui, "^Save As$", timeout=20)
            time.sleep(0.3)
            xdotool("key", "Escape")
            self.wait_gone("^Save As$")
            with open(os.path.join(self.dir, "pic.bmp"), "rb") as f:
                self.assertTrue(f.read() == original, "Save wrote over a file opened read-only")

            # A PNG, 4 times enlarged, is an export: written, the document
            # still unsaved under its own name.
            xdotool("key", "ctrl+shift+s")
            self.wait_for_window(gui, "^Save As$", timeout=20)
            types = control(self.probe("Save As"), 1136, "ComboBox")
            self.assertEqual((types["items"], types["selection"]), (5, 0))
            xdotool("key", "alt+t"); time.sleep(0.2)
            xdotool("key", "Down", "Down", "Down")
            self.until(lambda s: control(s, 1136, "ComboBox")["selection"] == 3,
                       "PNG export, 4 times enlarged, is chosen", window="Save As")
            file_name("big.png")
            self.wait_gone("^Save As$")
            time.sleep(0.5)
            with open(os.path.join(self.dir, "big.png"), "rb") as f:
                self.assertEqual(struct.unpack(">II", f.read()[16:24]), (37 * 4, 23 * 4))
            self.assertRegex(self.title(window_id), r"pic\.bmp \(37 x 23\) read-only \*$")

            # Save As then offers the document's own name as a BMP; a name
            # that Windows reserves is refused, and nothing is written.
            xdotool("key", "ctrl+shift+s")
            self.wait_for_window(gui, "^Save As$", timeout=20)
            state = self.probe("Save As")
            self.assertEqual(control(state, 1136, "ComboBox")["selection"], 0)
            self.assertTrue(control(state, 1148, "Edit")["text"].endswith("pic.bmp"), state)
            file_name("CON.bmp")
            # Wine's dialog first asks whether to replace CON.bmp, a device
            # to it: yes.
            time.sleep(1.5)
            if not shown(MESSAGE):
                xdotool("key", "alt+y")
            self.wait_for_window(gui, MESSAGE, timeout=20)
            said = " ".join(c["text"] for c in self.probe("Zorvel stand-in")["controls"])
            self.assertIn("CON", said)
            xdotool("key", "Return")
            self.wait_gone(MESSAGE)
            self.assertEqual(sorted(os.listdir(self.dir)), ["big.png", "pic.bmp", "warm.pal"])

            # A name's own extension decides: .png with the BMP type chosen
            # is a PNG export at 1x.
            xdotool("key", "ctrl+shift+s")
            self.wait_for_window(gui, "^Save As$", timeout=20)
            file_name("small.png")
            self.wait_gone("^Save As$")
            time.sleep(0.5)
            with open(os.path.join(self.dir, "small.png"), "rb") as f:
                self.assertEqual(f.read(24)[12:], b"IHDR" + struct.pack(">II", 37, 23))
            self.assertTrue(self.title(window_id).endswith("*"), self.title(window_id))

            # A palette loaded, then the default one: undo takes each back.
            def colour_under_pointer():
                xdotool("mousemove", origin[0] + 4 * zoom + 1, origin[1] + 2 * zoom + 1)
                time.sleep(0.2)
                xdotool("mousemove", origin[0] + 3 * zoom + 1, origin[1] + 2 * zoom + 1)
                text = self.until(lambda s: s["status"][0]["text"].startswith("3, 2: "),
                                  "the status bar names the pixel")["status"][0]["text"]
                return text[len("3, 2: "):]

            self.assertEqual(colour_under_pointer(), "index 6 (6, 6, 6)")
            xdotool("key", "alt+f"); time.sleep(0.3)
            xdotool("key", "p")
            self.wait_for_window(gui, "^Open$", timeout=20)
            file_name("warm.pal")
            self.wait_gone("^Open$")
            self.assertEqual(colour_under_pointer(), "index 6 (255, 6, 0)")
            xdotool("key", "alt+f"); time.sleep(0.3)
            xdotool("key", "d"); time.sleep(0.5)
            default = colour_under_pointer()
            self.assertNotIn(default, ("index 6 (255, 6, 0)", "index 6 (6, 6, 6)"))
            xdotool("key", "ctrl+z"); time.sleep(0.3)
            self.assertEqual(colour_under_pointer(), "index 6 (255, 6, 0)")
            xdotool("key", "ctrl+z"); time.sleep(0.3)
            self.assertEqual(colour_under_pointer(), "index 6 (6, 6, 6)")
            self.close(window_id, gui)

        status = self.session(["--canvas", "16", "16", "--colours", "0", "0",
                               "--record", "files.strokes"], drive)
        self.assertEqual(status, 0)
        lines = commands(os.path.join(self.dir, "files.strokes"))
        self.assertIn("palette default", lines)
        self.check_replay("files", (37, 23))

    def test_how_fast_a_large_brush_answers_on_the_largest_canvas(self):
        # Recorded, never asserted: the machine running the test sets the pace.
        def drive(gui):
            window_id = self.wait_for_window(gui, TITLE)
            place = self.find_canvas((4096, 4096), 1, margin=32)
            for i in range(4):
                y = place.y + 60 + i * 80
                moves = []
                for j in range(1, 21):
                    moves += ["mousemove", place.x + 40 + j * 20, y + (j % 4) * 8, "sleep", "0.03"]
                xdotool("mousemove", place.x + 40, y, "mousedown", "1", "sleep", "0.1", *moves,
                        "mouseup", "1")
                time.sleep(0.3)
            for key in ["ctrl+z"] * 3 + ["ctrl+y"] * 3:
                xdotool("key", key); time.sleep(0.4)
            xdotool("key", "ctrl+n")
            self.discard_unsaved(gui)
            self.wait_for_window(gui, "^New canvas$", timeout=20)
            time.sleep(0.3)
            xdotool("key", "Return")  # 4096 x 4096 again
            self.wait_gone("^New canvas$")
            time.sleep(1.5)
            # A new canvas has nothing to save; if it is asked, Discard.
            xdotool("key", "alt+F4")
            for _ in range(50):
                if gui.poll() is not None:
                    break
                if shown(UNSAVED):
                    xdotool("key", "alt+d")
                time.sleep(0.2)

        status = self.session(["--canvas", "4096", "4096", "--zoom", "1", "--brush", "round",
                               "64", "--timing", "timing.txt"], drive)
        self.assertEqual(status, 0)
        times = {}
        for line in commands(os.path.join(self.dir, "timing.txt")):
            kind, milliseconds = line.split()
            times.setdefault(kind, []).append(float(milliseconds))
        build = os.path.basename(os.path.dirname(os.path.dirname(GUI)))
        table = [f"Latency of standin-gui (the {build} build) on a 4096 x 4096 canvas at 1x with a",
                 "round brush of 64 pixels, from an input message's arrival to the end of the",
                 "paint it caused (Wine's X11 driver in Xvfb, driven by xdotool).", "",
                 "| kind | count | median (ms) | max (ms) |", "|---|---:|---:|---:|"]
        table += [f"| {kind} | {len(t)} | {statistics.median(t):.1f} | {max(t):.1f} |"
                  for kind, t in sorted(times.items())]
        with open(os.path.join(WORK, "gui-latency.md"), "w", encoding="utf-8") as f:
            f.write("\n".join(table) + "\n")
        print("\n".join(table), file=sys.stderr)
        for kind in ("press", "drag", "undo", "redo", "new"):
            self.assertIn(kind, times, f"no {kind} in the timings: {sorted(times)}")

    def test_a_pen_or_a_recording_that_cannot_be_used_is_said_before_the_window_opens(self):
        with Display():
            self.prepare_prefix()
            try:
                for args, words in [(["no-such-pen.dll"], "no-such-pen.dll"),
                                    ([PEN, "--record", "missing/take.strokes"], "missing")]:
                    with self.subTest(args[0]):
                        gui = subprocess.Popen([WINE, GUI] + args, cwd=self.dir, env=self.env,
                                               stdout=subprocess.DEVNULL,
                                               stderr=subprocess.DEVNULL)
                        try:
                            self.wait_for_window(gui, MESSAGE)
                            self.assertEqual(shown(TITLE), [], "the window opened")
                            said = [c["text"] for c in self.probe("Zorvel stand-in")["controls"]]
                            self.assertTrue(any(words in t for t in said), said)
                            xdotool("key", "Return")
                            self.assertEqual(gui.wait(30), 2)
                        finally:
                            if gui.poll() is None:
                                gui.kill()
                # --help: the usage on the standard output (a pipe here), no
                # window.
                done = subprocess.run([WINE, GUI, "--help"], cwd=self.dir, env=self.env,
                                      capture_output=True, timeout=60)
            finally:
                self.stop_wine()
        self.assertFalse(os.path.exists(os.path.join(self.dir, "missing")))
        self.assertEqual(done.returncode, 0, done.stderr.decode(errors="replace"))
        usage = done.stdout.decode(errors="replace")
        self.assertTrue(usage.startswith("usage: standin-gui"), usage)
        self.assertIn("--timing FILE", usage)


if __name__ == "__main__":
    if len(sys.argv) < 6:
        sys.exit(__doc__)
    GUI, STANDIN, PEN, WORK, PROBE = (os.path.abspath(a) for a in sys.argv[1:6])
    os.makedirs(WORK, exist_ok=True)
    unittest.main(argv=[sys.argv[0]] + sys.argv[6:], verbosity=2)
