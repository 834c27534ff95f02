#!/usr/bin/env python3
"""standin-gui.exe driven as a person drives it: a real X display (Xvfb),
Wine's X11 driver in a prefix of its own, and xdotool moving the mouse and
pressing keys. A press, a drag that leaves the window, a block size chosen in
the box, a Shift press, a right-click pick, an undo; then:

- the recording, replayed by standin.exe, gives the GUI's BMP byte for byte;
- a screenshot of the view equals the canvas at the zoom through the palette;
- the recorded coordinates are those under the pointer.

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
TITLE = "Tessaly - Zorvel stand-in"
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
    rows = [list(data[offset + (height - 1 - y) * stride:][:width]) for y in range(height)]
    return width, height, palette, rows


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

    def find_view(self, window):
        """The view's top-left on the screen: a black run exactly as wide as
        the view (the canvas is index 0, black), below the painted dialog bar
        and at the window's left edge or right of a painted pane. Waits for the first paint."""
        x0, y0, w, h = window
        width = CANVAS[0] * ZOOM
        black = (0, 0, 0)
        for _ in range(50):
            screen = Screen()
            for y in range(y0 + 1, y0 + h):
                x = x0
                while x < x0 + w - width:
                    if screen.at(x, y) != black:
                        x += 1
                        continue
                    end = x
                    while end < x0 + w and screen.at(end, y) == black:
                        end += 1
                    if (end - x == width and (x == x0 or screen.at(x - 1, y) != black) and
                            screen.at(x, y - 1) != black):
                        return x, y
                    x = end
            time.sleep(0.2)
        run(["convert", "ppm:-", os.path.join(WORK, "gui-not-found.png")], input=screen.ppm)
        self.fail(f"the view was not found in the window at {window}: see gui-not-found.png")

    def test_a_person_draws_and_the_recording_replays_to_the_same_bytes(self):
        started = time.monotonic()
        with Display():
            self.prepare_prefix()
            gui = subprocess.Popen([WINE, GUI, PEN, "--canvas", str(CANVAS[0]), str(CANVAS[1]),
                                    "--zoom", str(ZOOM), "--tone", "6", "--colours", "15", "12",
                                    "--record", "session.strokes"],
                                   cwd=self.dir, env=self.env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
            try:
                self.drive(gui)
            finally:
                if gui.poll() is None:
                    gui.kill()
                self.stop_wine()
        print(f"GUI session: {time.monotonic() - started:.1f} s", file=sys.stderr)
        self.check_replay()

    def test_a_pen_that_does_not_load_is_reported_in_a_message_box(self):
        with Display():
            self.prepare_prefix()
            gui = subprocess.Popen([WINE, GUI, "no-such-pen.dll"], cwd=self.dir, env=self.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                box = self.wait_for_window(gui, "Zorvel stand-in")
                xdotool("key", "--window", box, "Return")
                self.assertEqual(gui.wait(30), 2)
            finally:
                if gui.poll() is None:
                    gui.kill()
                self.stop_wine()

    def stop_wine(self):
        # And wait until the server is gone: a program started meanwhile
        # would meet a server on its way out.
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=60)
        subprocess.run(["wineserver", "-w"], env=self.env, capture_output=True, timeout=60)

    def wait_for_window(self, gui, title):
        for _ in range(600):
            self.assertIsNone(gui.poll(), "the program ended before its window appeared")
            found = subprocess.run(["xdotool", "search", "--name", title], capture_output=True)
            if found.returncode == 0:
                return found.stdout.split()[0].decode()
            time.sleep(0.1)
        self.fail(f"no window named {title!r} appeared")

    def drive(self, gui):
        window_id = self.wait_for_window(gui, TITLE)
        geometry = xdotool("getwindowgeometry", "--shell", window_id)
        g = dict(line.split("=") for line in geometry.split())
        window = (int(g["X"]), int(g["Y"]), int(g["WIDTH"]), int(g["HEIGHT"]))
        vx, vy = self.find_view(window)

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

        # The view, with the pointer away from it, before the window closes.
        xdotool("mousemove", outside[0] + 100, 5); time.sleep(0.5)
        self.screen = Screen(os.path.join(self.dir, "screen.ppm"))
        self.view = (vx, vy)
        x0, y0, w, h = window
        run(["convert", os.path.join(self.dir, "screen.ppm"), "-crop", f"{w}x{h}+{x0}+{y0}",
             "+repage", os.path.join(WORK, "gui-window.png")])

        xdotool("key", "--window", window_id, "alt+F4")
        self.assertEqual(gui.wait(30), 0)
        self.expected = {"first": (5, 5), "second": (10, 30), "shifted": (30, 30),
                         "pick": (6, 6), "released": released}

    def check_replay(self):
        with open(os.path.join(self.dir, "session.strokes"), encoding="utf-8") as f:
            script = f.read()
        lines = [l for l in script.splitlines() if l and not l.startswith("#")]
        presses = [l for l in lines if l.startswith("press ")]
        self.assertEqual(presses[:3], ["press 5 5", "press 10 30", "press 30 30 shift"], script)
        self.assertIn("release %d %d" % self.expected["released"], lines, script)
        self.assertIn("pick 6 6", lines, script)
        chosen = lines.index("blocks 4x2 pixels")
        self.assertTrue(lines.index("press 5 5") < chosen < lines.index("press 10 30"), script)
        self.assertEqual(lines[-2:], ["undo", "save session.bmp"], script)

        # The canvas on the screen is the canvas the GUI wrote, at the zoom.
        width, height, palette, rows = read_bmp(os.path.join(self.dir, "session.bmp"))
        self.assertEqual((width, height), CANVAS)
        vx, vy = self.view
        wrong = [(x, y) for y in range(height) for x in range(width)
                 for dy in (0, ZOOM - 1) for dx in (0, ZOOM - 1)
                 if self.screen.at(vx + x * ZOOM + dx, vy + y * ZOOM + dy) != palette[rows[y][x]]]
        self.assertEqual(wrong[:5], [], "screen pixels that differ from the canvas")
        self.assertGreater(sum(1 for row in rows for p in row if p), 50, "nothing was drawn")

        # The replay saves session.bmp again: it must be the same file.
        shutil.copy(os.path.join(self.dir, "session.bmp"), os.path.join(self.dir, "gui.bmp"))
        replay = subprocess.run([WINE, STANDIN, PEN, "session.strokes"], cwd=self.dir,
                                capture_output=True, timeout=120)
        self.assertEqual(replay.returncode, 0, replay.stderr.decode())
        with open(os.path.join(self.dir, "gui.bmp"), "rb") as a, \
                open(os.path.join(self.dir, "session.bmp"), "rb") as b:
            self.assertTrue(a.read() == b.read(), "the replay's BMP differs from the GUI's")


if __name__ == "__main__":
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    GUI, STANDIN, PEN, WORK = (os.path.abspath(a) for a in sys.argv[1:5])
    os.makedirs(WORK, exist_ok=True)
    unittest.main(argv=[sys.argv[0]] + sys.argv[5:], verbosity=2)
