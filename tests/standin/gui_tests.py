#!/usr/bin/env python3
"""standin-gui.exe driven as a person drives it: a real X display (Xvfb),
Wine's X11 driver in a prefix of its own, and xdotool moving the mouse and
pressing keys. Four sessions:

- a press, a drag that leaves the window, a block size chosen in the box, a
  Shift press, a right-click pick, an undo, a press on the workspace dragged
  onto the canvas, the About box, and closing with unsaved changes;
- a 2048 x 2048 canvas at 32x scrolled to its far corner with the keyboard
  and drawn there, then a picture opened from another folder and the open
  undone, with a relative --record path;
- 200 short strokes on a 4096 x 4096 canvas, all undone;
- a pen that does not load, and a recording that cannot be written.

Every recording, replayed by standin.exe, gives the GUI's BMP byte for byte;
a screenshot of the view equals the canvas at the zoom through the palette;
the recorded coordinates are those under the pointer.

Usage: gui_tests.py STANDIN_GUI_EXE STANDIN_EXE PEN_DLL WORK_DIR
TESSALY_WINE names the loader; WINEPREFIX the headless prefix for the
replay. WORK_DIR keeps the X11 prefix between runs and the last screenshot
of the window (gui-window.png, the README's picture).
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest

GUI = STANDIN = PEN = WORK = ""
WINE = os.environ.get("TESSALY_WINE", "wine")
TITLE = "^Tessaly - Zorvel stand-in: "
MESSAGE = "^Zorvel stand-in$"
UNSAVED = "^Unsaved changes$"
ZOOM = 8
CANVAS = (64, 48)
# The frame's layout (standin/gui_main.cpp): the view starts below the tool
# bar and the dialog bar; the block-size box sits in the bar's first row.
TOOLBAR_HEIGHT, BAR_HEIGHT, ROW_Y, BOX_X = 30, 64, 6, 50


def run(args, **kw):
    return subprocess.run(args, check=True, capture_output=True, timeout=60, **kw)


def xdotool(*args):
    return run(["xdotool"] + [str(a) for a in args]).stdout.decode()


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
    rows = [data[offset + (height - 1 - y) * stride:][:width] for y in range(height)]
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
        # Wine's X11 driver: a prefix without the null graphics driver.
        if not os.path.exists(os.path.join(self.prefix, ".tessaly-ready")):
            shutil.rmtree(self.prefix, ignore_errors=True)
            subprocess.run([WINE, "wineboot", "-i"], env=self.env, capture_output=True,
                           timeout=120)
            subprocess.run(["wineserver", "-w"], env=self.env, timeout=120)
            open(os.path.join(self.prefix, ".tessaly-ready"), "w").close()

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
            found = subprocess.run(["xdotool", "search", "--name", title], capture_output=True)
            if found.returncode == 0:
                return found.stdout.split()[0].decode()
            time.sleep(0.1)
        self.fail(f"no window named {title!r} appeared")

    def geometry(self, window_id):
        g = dict(line.split("=") for line in xdotool("getwindowgeometry", "--shell",
                                                     window_id).split())
        return int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"])

    def find_view(self, window):
        """The view's top-left and size on the screen, for a canvas still all
        index 0 (black): it starts at the window's left edge, below the bars,
        and the first black pixel of the column beside that edge is its top.
        Waits for the first paint."""
        x0, y0, w, h = window
        for _ in range(50):
            screen = Screen()
            column = [y for y in range(y0, y0 + h) if screen.at(x0 + 1, y) == BLACK]
            if column:
                vy = column[0]
                right = x0
                while right < x0 + w and screen.at(right, vy + 1) == BLACK:
                    right += 1
                bottom = vy
                while bottom < y0 + h and screen.at(x0 + 1, bottom) == BLACK:
                    bottom += 1
                if right - x0 > 50 and bottom - vy > 50:
                    return x0, vy, right - x0, bottom - vy
            time.sleep(0.2)
        run(["convert", "ppm:-", os.path.join(WORK, "gui-not-found.png")], input=screen.ppm)
        self.fail(f"the view was not found in the window at {window}: see gui-not-found.png")

    def close(self, window_id, gui, answer="alt+d"):
        """Closes the window; the unsaved changes are asked about first, and
        `answer` (Discard) given."""
        xdotool("key", "--window", window_id, "alt+F4")
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
        self.assertEqual([l for l in after if not l.startswith(("undo", "move", "release", "save"))], [],
                         after)
        self.assertTrue(any(l.startswith("move ") for l in after), after)

        palette, rows = self.check_replay("session", CANVAS)
        # The canvas on the screen is the canvas the GUI wrote, at the zoom.
        vx, vy = self.view
        wrong = [(x, y) for y in range(CANVAS[1]) for x in range(CANVAS[0])
                 for dy in (0, ZOOM - 1) for dx in (0, ZOOM - 1)
                 if self.screen.at(vx + x * ZOOM + dx, vy + y * ZOOM + dy) != palette[rows[y][x]]]
        self.assertEqual(wrong[:5], [], "screen pixels that differ from the canvas")
        self.assertGreater(sum(1 for row in rows for p in row if p), 50, "nothing was drawn")

    def drive(self, gui):
        window_id = self.wait_for_window(gui, TITLE)
        window = self.geometry(window_id)
        vx, vy, vw, vh = self.find_view(window)
        self.assertEqual((vw, vh), (CANVAS[0] * ZOOM, CANVAS[1] * ZOOM))

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
        box = (vx + BOX_X + 20, vy - BAR_HEIGHT + ROW_Y + 10)
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

        # The view, with the pointer away from it, before the window closes.
        xdotool("mousemove", outside[0] + 100, 5); time.sleep(0.5)
        self.screen = Screen(os.path.join(self.dir, "screen.ppm"))
        self.view = (vx, vy)
        x0, y0, w, h = window
        run(["convert", os.path.join(self.dir, "screen.ppm"), "-crop", f"{w}x{h}+{x0}+{y0}",
             "+repage", os.path.join(WORK, "gui-window.png")])

        # The pen's identity, from its tool button: kept for a look at it.
        xdotool("mousemove", x0 + 16, vy - BAR_HEIGHT - TOOLBAR_HEIGHT + 15, "click", "1")
        about = self.wait_for_window(gui, "^About the pen$", timeout=20)
        time.sleep(0.5)
        ax, ay, aw, ah = self.geometry(about)
        run(["import", "-window", "root", "-crop", f"{aw}x{ah}+{ax}+{ay}", "+repage",
             os.path.join(WORK, "gui-about.png")])
        xdotool("key", "Return"); pause()

        self.close(window_id, gui)
        self.expected = {"released": released}

    def test_the_far_corner_of_a_large_canvas_and_a_picture_opened_elsewhere(self):
        os.mkdir(os.path.join(self.dir, "elsewhere"))
        picture = [[(x * y) % 7 for x in range(9)] for y in range(5)]
        write_bmp(os.path.join(self.dir, "elsewhere", "pic.bmp"), picture)

        def drive(gui):
            window_id = self.wait_for_window(gui, TITLE)
            vx, vy, vw, vh = self.find_view(self.geometry(window_id))
            # Every pixel in reach: the keyboard takes the view to the far
            # corner, and the pixel before it is pressed (a 1 x 1 brush
            # paints the one right of and below the cursor).
            xdotool("key", "ctrl+End"); time.sleep(0.8)
            screen = Screen()
            right, bottom = vx + vw - 1, vy + vh - 1
            while screen.at(right, vy + 2) != BLACK:
                right -= 1
            while screen.at(vx + 2, bottom) != BLACK:
                bottom -= 1
            xdotool("mousemove", right - 32 - 16, bottom - 32 - 16, "click", "1")
            time.sleep(0.5)
            self.assertEqual(Screen().at(right - 16, bottom - 16), WHITE, "the corner is not shown")
            # A picture opened from another folder, then the open undone.
            xdotool("key", "ctrl+o")
            self.wait_for_window(gui, UNSAVED, timeout=20)
            time.sleep(0.3)
            xdotool("key", "alt+d")
            self.wait_for_window(gui, "^Open$", timeout=20)
            time.sleep(0.5)
            xdotool("type", "Z:" + os.path.join(self.dir, "elsewhere", "pic.bmp").replace("/", "\\"))
            xdotool("key", "Return")
            self.wait_for_window(gui, TITLE + r"pic\.bmp \(9 x 5\)", timeout=20)
            xdotool("key", "ctrl+z")
            self.wait_for_window(gui, TITLE + r"pic\.bmp \(2048 x 2048\)|untitled \(2048", timeout=20)
            self.close(window_id, gui)

        status = self.session(["--canvas", "2048", "2048", "--zoom", "32",
                               "--record", "far.strokes"], drive)
        self.assertEqual(status, 0)
        # The recording and its attachment went where --record said, not into
        # the folder the dialog showed.
        self.assertEqual(sorted(os.listdir(os.path.join(self.dir, "elsewhere"))), ["pic.bmp"])
        lines = commands(os.path.join(self.dir, "far.strokes"))
        self.assertIn("press 2046 2046", lines)
        self.assertEqual(lines[-3:], ["canvas load far-1.bmp", "undo", "save far.bmp"])
        with open(os.path.join(self.dir, "far-1.bmp"), "rb") as a, \
                open(os.path.join(self.dir, "elsewhere", "pic.bmp"), "rb") as b:
            self.assertEqual(a.read(), b.read())
        _, rows = self.check_replay("far", (2048, 2048))
        self.assertEqual(rows[2047][2047], 15)

    def test_two_hundred_strokes_on_the_largest_canvas_are_all_undone(self):
        def drive(gui):
            window_id = self.wait_for_window(gui, TITLE)
            vx, vy, vw, vh = self.find_view(self.geometry(window_id))
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
            xdotool("key", "--window", window_id, "alt+F4")

        status = self.session(["--canvas", "4096", "4096", "--zoom", "1", "--brush", "round",
                               "5", "--record", "many.strokes"], drive)
        self.assertEqual(status, 0)
        lines = commands(os.path.join(self.dir, "many.strokes"))
        self.assertEqual(sum(l.startswith("press ") for l in lines), 200)
        self.assertEqual(lines.count("undo"), 200)
        _, rows = self.check_replay("many", (4096, 4096))
        self.assertFalse(any(any(row) for row in rows), "a stroke was left")

    def test_a_pen_or_a_recording_that_cannot_be_used_is_said_before_the_window_opens(self):
        for args, words in [(["no-such-pen.dll"], "no-such-pen.dll"),
                            ([PEN, "--record", "missing/take.strokes"], "missing")]:
            with self.subTest(args[0]), Display():
                self.prepare_prefix()
                gui = subprocess.Popen([WINE, GUI] + args, cwd=self.dir, env=self.env,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                try:
                    box = self.wait_for_window(gui, MESSAGE)
                    self.assertEqual(subprocess.run(["xdotool", "search", "--name", TITLE],
                                                    capture_output=True).returncode, 1,
                                     "the window opened")
                    xdotool("key", "--window", box, "Return")
                    self.assertEqual(gui.wait(30), 2)
                finally:
                    if gui.poll() is None:
                        gui.kill()
                    self.stop_wine()
        self.assertFalse(os.path.exists(os.path.join(self.dir, "missing")))


if __name__ == "__main__":
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    GUI, STANDIN, PEN, WORK = (os.path.abspath(a) for a in sys.argv[1:5])
    os.makedirs(WORK, exist_ok=True)
    unittest.main(argv=[sys.argv[0]] + sys.argv[5:], verbosity=2)
