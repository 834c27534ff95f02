#!/usr/bin/env python3
"""Writes the seed inputs of fuzz/corpus/ (named seed-*): at least one input
per message kind, per block-size item class and per way of reaching or
missing the box, and brushes, blocks and segments that fill each scratch
area of the engine exactly and overflow it by one, in the byte layout that
fuzz_input.h and pen_fuzzer.cpp decode. Inputs that libFuzzer adds to the
corpus keep their hash names.

    python3 fuzz/make_seeds.py [CORPUS_DIR]
"""
import os
import struct
import sys

INT_MIN, INT_MAX = -(2**31), 2**31 - 1

MOUSEMOVE, LBUTTONDOWN, RBUTTONDOWN = 0x200, 0x201, 0x204
TABLE = [0x0007, 0x0008, 0x0100, 0x0101, 0x0102, 0x0200, 0x0201, 0x0202, 0x0204, 0x0205,
         0x0401, 0x0402, 0x0404, 0x0409, 0x040A]


def u8(v):
    return bytes([v & 0xFF])


def u16(v):
    return struct.pack("<H", v & 0xFFFF)


def u32(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


def size(v):
    if 1 <= v <= 48:
        return u8(v - 1)
    if 49 <= v <= 300:
        return u8(0xC0) + u16(v - 49)
    if 301 <= v <= 2048:
        return u8(0xE8) + u16(v - 301)
    if 2049 <= v <= 34816:
        return u8(0xF0) + u16(v - 2049)
    if v == 0:
        return u8(0xF8)
    return u8(0xFC) + u8([-1, -2, -3, -4, -7, -300, -65536, INT_MIN].index(v))


def cap_area(w, h):
    most = 1 << 17
    if w <= 0 or h <= 0 or w * h <= most:
        return w, h
    return (most // h, h) if w > h else (w, most // w)


# Brush bytes
ALL_INK, NO_INK, HALF_INK, MOSTLY_INK, SPARSE_INK, DISC = range(6)
EVEN_COLUMNS, CHECKERBOARD = 0xD8, 0xD9
ONE_PIXEL_PEN = 0xE6  # one ink pixel, the brush made 1 x 1
ONE_INK_SEEDED, ONE_INK_FIRST, ONE_INK_LAST, ONE_INK_MIDDLE = 0xE7, 0xE9, 0xEB, 0xED


def tone(v):
    if 0 <= v <= 16:
        return u8(v)
    edges = [-1, 17, -16, 32, 33, INT_MIN, INT_MAX, INT_MIN + 16]
    if v in edges:
        return u8(0xC0 + edges.index(v))
    return u8(0xF0) + u32(v)


def message(m):
    if m == MOUSEMOVE:
        return u8(0x00)
    if m == LBUTTONDOWN:
        return u8(0x60)
    if m == RBUTTONDOWN:
        return u8(0x90)
    if m in TABLE:
        return u8(0xA8 + TABLE.index(m))
    return u8(0xF0) + u32(m)


def keys(left=False, shift=False, extra=None):
    b = (1 if left else 0) | (2 if shift else 0) | (0x80 if extra is not None else 0)
    return u8(b) + (u32(extra) if extra is not None else b"")


# Block-size items -------------------------------------------------------------

def number(n):
    if 1 <= n <= 16:
        return u8(n - 1)
    if 17 <= n <= 64:
        return u8(0x90) + u8(n - 17)
    if 65 <= n <= 300:
        return u8(0xB8) + u16(n - 65)
    if n <= 65536:
        return u8(0xD8) + u16(n - 1)
    return u8(0xF0) + u32(n)


SUFFIXES = ["pixels", "", "pixel", "px", "  two spaces", "x2 "]


def valid_body(w, h, upper=False, suffix="pixels"):
    return u8((1 if upper else 0) | SUFFIXES.index(suffix) << 1) + number(w) + number(h)


def item_valid(w, h, upper=False, suffix="pixels"):
    return u8(0) + valid_body(w, h, upper, suffix)


INVALID = ["3x2", "03x2 ", "3x02 ", "3x2(", "x2 ", " 3x2 ", "", "0x2 ", "3*2 ", "3x ", "3x2\t",
           "-3x2 ", "3x-2 ", "+3x2 ", "3 x2 ", "3xx2 ", "3x2\n", "x ", "3", "3x"]


def item_invalid(text):
    return u8(1 + 6 * INVALID.index(text))


def item_random(data):
    return u8(2) + u8(len(data)) + data


def item_long(length, w=3, h=2):
    return u8(3 + 6 * [254, 255, 256, 257, 1000].index(length)) + valid_body(w, h)


EDGES = ["2147483647x1 ", "1x2147483647 ", "2147483647x2147483647 ", "2147483648x1 ",
         "1x2147483648 ", "4294967296x1 ", "4294967297x3 ", "99999999999999999999x1 ",
         "300x300 ", "65536x65536 ", "1000000x1 ", "1x1000000 "]


def item_edge(text):
    return u8(4 + 6 * EDGES.index(text))


def item_cut(w, h, at, with_byte):
    return u8(5) + valid_body(w, h) + u8(at) + u8(with_byte)


# Box changes
def select(k):
    return u8(8 * k)


NO_SELECTION = u8(3)


def past_items(j):
    return u8(4 + 8 * j)


def break_tree(how):  # 0 no bar, 1 bar without page, 2 no ID 110, 3 page not first, 4 short chain
    return u8(5 + 8 * how)


MEND_TREE = u8(6)


def new_text(item):
    return u8(7) + item


# Windows passed to the pen
VIEW, NULL, DOCUMENT, BOX, FRAME, LABEL = 0, 3, 4, 5, 6, 7


# Scenarios and messages -------------------------------------------------------

class Seed:
    def __init__(self, canvas=(16, 8), brush=(1, 1), canvas_mode=0, mask_mode=0, brush_mode=0,
                 seed=1, mask=False, flags=None, colours=(1, 2), level=0, items=(), box=None):
        self.canvas = cap_area(*canvas)
        self.brush = (1, 1) if brush_mode >= 0xE6 and brush_mode % 2 == 0 else cap_area(*brush)
        self.cursor = (0, 0)
        b = size(canvas[0]) + size(canvas[1]) + size(brush[0]) + size(brush[1])
        b += u8(canvas_mode) + u8(mask_mode) + u8(brush_mode) + u32(seed)
        b += u8((1 if mask else 0) | (2 if flags is not None else 0))
        if flags is not None:
            b += u32(flags)
        b += u32(colours[0]) + u32(colours[1]) + tone(level)
        b += u8(len(items)) + b"".join(items)
        b += box if box is not None else select(0)
        self.data = b

    def near(self, x, y):
        low_x = -(min(300, abs(self.brush[0])) + 8)
        low_y = -(min(300, abs(self.brush[1])) + 8)
        self.cursor = (x, y)
        return u8(0x00) + u16(x - low_x) + u16(y - low_y)

    def send(self, msg, at=None, left=False, shift=False, extra_keys=None, colours=None,
             level=None, toggle_mask=False, clear_flags=False, add_flags=None, box=None,
             window=None, sparse=None, cursor=None):
        change = ((0x01 if colours else 0) | (0x02 if level is not None else 0) |
                  (0x04 if toggle_mask else 0) | (0x08 if clear_flags else 0) |
                  (0x10 if add_flags is not None else 0) | (0x20 if box is not None else 0) |
                  (0x40 if window is not None else 0) | (0x80 if sparse is not None else 0))
        b = u8(change)
        if colours:
            b += u32(colours[0]) + u32(colours[1])
        if level is not None:
            b += tone(level)
        if add_flags is not None:
            b += u32(add_flags)
        if box is not None:
            b += box
        if window is not None:
            b += u8(window)
        if sparse is not None:
            b += u32(sparse)
        b += message(msg) + keys(left, shift, extra_keys)
        if cursor is not None:
            b += cursor
        elif at is None:
            b += u8(0xC0)  # the cursor stays
        else:
            b += self.near(*at)
        self.data += b
        return self

    def press(self, at, **kw):
        return self.send(LBUTTONDOWN, at, left=True, **kw)

    def drag(self, at, **kw):
        return self.send(MOUSEMOVE, at, left=True, **kw)


def step(dx, dy):
    return u8(0x70) + u8(4 * dx) + u8(4 * dy)


def anywhere(x=None, y=None, near=(0, 0)):
    """x or y None: near the canvas at offset near[i] from the low end."""
    if x is not None and y is not None:
        return u8(0xD2) + u32(x) + u32(y)
    if x is not None:
        return u8(0xD0) + u32(x) + u16(near[1])
    return u8(0xD1) + u16(near[0]) + u32(y)


EDGE_VALUES = [INT_MIN, INT_MIN + 1, -(1 << 20) - 1, -1, 0, (1 << 20) + 1, INT_MAX - 1, INT_MAX]


def edge(x, y):
    return u8(0xE8) + u8(EDGE_VALUES.index(x) | EDGE_VALUES.index(y) << 3)


def seeds():
    out = {}
    four_by_two = [item_valid(1, 1, suffix="pixel"), item_valid(3, 2), item_valid(4, 2)]

    # A whole stroke: press, two drags, release, a move without the button.
    s = Seed(items=four_by_two, box=select(2), level=6)
    s.press((1, 1)).drag((9, 4)).drag((12, 4)).send(0x202, (12, 4)).send(MOUSEMOVE, (3, 3))
    out["stroke-press-drag-release"] = s

    # Shift at the press, a tone level and colours with high bytes, mask on.
    s = Seed(canvas=(37, 21), brush=(5, 3), canvas_mode=1, mask_mode=2, brush_mode=2, seed=7,
             mask=True, colours=(0xABCDEF05, 0x12345699), level=5,
             items=[item_valid(3, 2, upper=True, suffix="")])
    s.press((10, 10), shift=True).drag((20, 12), level=16).drag((30, 2), shift=False)
    s.drag((2, 18), colours=(0xFFFFFF00, 0x01010101)).send(MOUSEMOVE, (5, 5))
    s.drag((6, 5), toggle_mask=True)
    out["mask-shift-tone-colours"] = s

    # Right clicks inside and outside, with and without Shift.
    s = Seed(canvas=(13, 9), canvas_mode=3, items=four_by_two)
    s.press((2, 2)).send(RBUTTONDOWN, (0, 0)).send(RBUTTONDOWN, (12, 8), shift=True)
    s.send(RBUTTONDOWN, (13, 4)).send(RBUTTONDOWN, (-1, 4), shift=True)
    s.send(RBUTTONDOWN, cursor=edge(INT_MAX, INT_MIN)).send(0x205, (3, 3))
    out["pick-inside-and-outside"] = s

    # Every message of the editor's table, and numbers outside it.
    s = Seed(canvas=(11, 7), brush=(3, 3), items=four_by_two, box=select(1))
    for m in TABLE:
        s.send(m, (5, 3), left=True)
    out["all-table-messages"] = s
    s = Seed(canvas=(11, 7), items=four_by_two)
    for m in [0, 0x0203, 0x0206, 0x0400, 0x040B, 0xFFFF, 0xFFFFFFFF, 0x10201, 0x80000200]:
        s.send(m, (4, 4), left=True, shift=True, extra_keys=0xFFFFFFFF)
    out["messages-outside-the-table"] = s

    # Key flags with every other bit set; Shift only; the button without a press.
    s = Seed(canvas=(20, 10), brush=(2, 2), items=four_by_two, box=select(1), level=3)
    s.drag((5, 5), extra_keys=0xFFFFFFF0)
    s.send(LBUTTONDOWN, (6, 6), extra_keys=0xFFFFFFFA)
    s.send(MOUSEMOVE, (15, 2), shift=True, extra_keys=0x7FFFFFF8).drag((1, 9))
    out["key-flags-every-bit"] = s

    # Block-size item texts, one class at a time: the press reads the item.
    classes = {
        "item-valid-16x16": item_valid(16, 16),
        "item-valid-uppercase-x": item_valid(5, 7, upper=True, suffix="px"),
        "item-valid-large": item_valid(40000, 3),
        "item-valid-too-large": item_valid(3, 4000000000),
        "item-invalid-no-space": item_invalid("3x2"),
        "item-invalid-leading-zero": item_invalid("03x2 "),
        "item-invalid-leading-space": item_invalid(" 3x2 "),
        "item-invalid-empty": item_invalid(""),
        "item-invalid-tab": item_invalid("3x2\t"),
        "item-random-bytes": item_random(bytes(range(1, 200, 3)) + b"\xff\x80 x"),
        "item-254-chars": item_long(254),
        "item-255-chars": item_long(255),
        "item-256-chars": item_long(256),
        "item-257-chars": item_long(257),
        "item-1000-chars": item_long(1000, 7, 5),
        "item-edge-int32-max": item_edge("2147483647x1 "),
        "item-edge-past-int32": item_edge("2147483648x1 "),
        "item-edge-wraps-to-small": item_edge("4294967297x3 "),
        "item-edge-65536-square": item_edge("65536x65536 "),
        "item-cut-after-height": item_cut(3, 2, 3, 0),
        "item-changed-separator": item_cut(3, 2, 1, ord("*")),
    }
    for name, item in classes.items():
        s = Seed(canvas=(23, 17), brush=(3, 2), brush_mode=2, seed=11,
                 items=[item_valid(2, 2), item], box=select(1), level=8)
        s.press((4, 4)).drag((18, 9)).press((20, 15), shift=True)
        out[name] = s

    # A long item after a short one: the short text must stay.
    s = Seed(canvas=(23, 17), items=[item_valid(4, 3), item_long(256), item_long(1000)])
    s.press((1, 1)).press((5, 5), box=select(1)).press((9, 9), box=select(2))
    s.press((12, 2), box=new_text(item_long(255, 2, 5)))
    out["items-long-after-short"] = s

    # No selection: the previous text again (all zero before the first read);
    # a selection past the items; an empty box.
    s = Seed(canvas=(19, 11), items=four_by_two, box=NO_SELECTION)
    s.press((3, 3)).press((7, 3), box=select(2)).press((11, 3), box=NO_SELECTION)
    s.press((15, 3), box=past_items(5)).press((2, 8), box=past_items(31))
    out["no-selection"] = s
    s = Seed(canvas=(19, 11), items=[], box=NO_SELECTION)
    s.press((3, 3)).drag((12, 7)).press((4, 4), box=new_text(item_valid(3, 3)))
    s.press((6, 6), box=select(0))
    out["empty-box"] = s

    # The box unreachable: each broken tree, then mended; other windows.
    for how, name in enumerate(["no-dialog-bar", "bar-without-page", "no-control-110",
                                "page-not-first-child", "view-too-shallow"]):
        s = Seed(canvas=(17, 9), items=four_by_two, box=select(2))
        s.press((2, 2)).press((6, 3), box=break_tree(how)).drag((12, 6))
        s.press((9, 5), box=MEND_TREE)
        out["box-unreachable-" + name] = s
    s = Seed(canvas=(17, 9), items=four_by_two, box=select(2))
    for w in [NULL, DOCUMENT, BOX, FRAME, LABEL, VIEW]:
        s.press((2 * w, 3), window=w)
    out["windows-passed-to-the-pen"] = s

    # Pointers a message does not need left null, and a null record for the
    # messages that touch nothing.
    s = Seed(canvas=(15, 9), brush=(3, 3), items=four_by_two, mask=False)
    s.press((4, 4), sparse=0x7FFF7FFF).drag((9, 6), sparse=-1)
    s.send(MOUSEMOVE, (1, 1), sparse=0).send(RBUTTONDOWN, (3, 3), sparse=5)
    s.send(0x0100, (3, 3), sparse=0).send(0x1234, (3, 3), sparse=0)
    out["pointers-left-null"] = s

    # Flags: host bits kept, cleared pen bits come back only from the pen.
    s = Seed(canvas=(15, 9), items=four_by_two, flags=0x80000001)
    s.press((4, 4)).send(RBUTTONDOWN, (2, 2), clear_flags=True)
    s.send(0x0007, (2, 2), add_flags=0x00F00F00).drag((8, 2), clear_flags=True)
    out["flags-host-bits"] = s

    # Tone levels from the whole 32-bit range.
    s = Seed(canvas=(16, 16), brush=(4, 4), items=[item_valid(1, 1)], level=INT_MIN)
    for level in [INT_MIN, -1, 17, INT_MAX, -16, 33, 0x12345678, 16, 0]:
        s.press((5, 5), level=level, shift=True).press((9, 9), level=level)
    out["tone-whole-range"] = s

    # Geometry: odd and zero sizes, negative sizes, 300 x 300.
    geometries = {
        "canvas-odd-widths": ((1, 3), (5, 5)),
        "canvas-zero-width": ((0, 12), (3, 3)),
        "canvas-zero-height": ((12, 0), (3, 3)),
        "canvas-negative": ((-3, 8), (3, 3)),
        "canvas-int-min": ((INT_MIN, -65536), (2, 2)),
        "brush-zero": ((20, 10), (0, 4)),
        "brush-negative": ((20, 10), (-7, -1)),
        "brush-wider-than-canvas": ((7, 5), (41, 3)),
        "canvas-300x300": ((300, 300), (9, 7)),
        "brush-300x300": ((30, 30), (300, 300)),
    }
    for name, (canvas, brush) in geometries.items():
        s = Seed(canvas=canvas, brush=brush, canvas_mode=1, mask_mode=1, brush_mode=5, seed=3,
                 mask=True, items=[item_valid(3, 2), item_valid(2, 5)], level=7)
        s.press((1, 1)).drag((canvas[0] - 1 if canvas[0] > 0 else 4, 2))
        s.press((0, 0), box=select(1)).send(RBUTTONDOWN, (1, 1)).drag((-3, -3))
        out[name] = s

    # Long strips: a segment whose blocks do not fit one block set, and a
    # brush taller than the rows of the brush-run scratch.
    s = Seed(canvas=(3, 9000), brush=(3, 40), brush_mode=0, items=[item_valid(1, 1)])
    s.press((1, 0)).drag((1, 8990)).drag((0, 20)).press((2, 4500)).drag((2, 9040))
    out["canvas-tall-strip"] = s
    s = Seed(canvas=(24, 5000), brush=(5, 4500), brush_mode=2, mask_mode=1, mask=True,
             items=[item_valid(2, 3)], level=4)
    s.press((10, 2500)).drag((14, 2600)).drag((-2, 10))
    out["brush-tall-strip"] = s

    # Cursors far away: steps, anywhere, the ends of the range, and segments
    # around a million steps.
    s = Seed(canvas=(31, 17), brush=(3, 3), brush_mode=0, items=four_by_two, box=select(1))
    s.press((10, 8)).send(MOUSEMOVE, cursor=step(5, -3), left=True)
    s.send(MOUSEMOVE, cursor=anywhere(x=INT_MAX - 5, near=(0, 12)), left=True)
    s.send(MOUSEMOVE, cursor=anywhere(y=INT_MIN + 3, near=(20, 0)), left=True)
    s.send(MOUSEMOVE, cursor=edge(INT_MIN, INT_MAX), left=True)
    s.send(MOUSEMOVE, cursor=edge(INT_MAX, INT_MIN), left=True)
    s.send(LBUTTONDOWN, cursor=edge(-(1 << 20) - 1, 0), left=True)
    s.send(MOUSEMOVE, cursor=edge((1 << 20) + 1, -1), left=True)
    s.send(MOUSEMOVE, cursor=anywhere(x=-5, y=1 << 31), left=True)
    s.drag((15, 9))
    out["cursor-far-away"] = s

    # Huge blocks from the box.
    s = Seed(canvas=(40, 30), brush=(6, 6), brush_mode=2, mask_mode=3, mask=True,
             items=[item_edge("2147483647x2147483647 "), item_edge("1000000x1 "),
                    item_edge("1x1000000 ")], level=9)
    s.press((20, 15)).drag((2, 28)).press((3, 3), box=select(1)).drag((38, 1))
    s.press((30, 3), box=select(2)).drag((0, 29), toggle_mask=True)
    out["huge-blocks"] = s

    # One ink pixel: the 1 x 1 pen users draw with most, and a single ink
    # pixel in a larger brush at each place; dragged with blocks small enough
    # for one block a point, and with larger ones.
    tone_colours = dict(colours=(0x11, 0xEE), level=7, canvas_mode=1, seed=5)
    s = Seed(canvas=(40, 30), brush=(7, 5), brush_mode=ONE_PIXEL_PEN,
             items=[item_valid(1, 1), item_valid(3, 2), item_valid(5, 5)], **tone_colours)
    s.press((3, 3)).drag((30, 9)).drag((2, 28)).drag((39, 0)).drag((-4, 14))
    s.press((20, 15), box=select(1)).drag((1, 1)).drag((38, 27)).drag((5, 20))
    s.press((10, 10), box=select(2)).drag((35, 12)).drag((12, 29))
    out["one-ink-pixel-pen"] = s
    for mode, name in [(ONE_INK_SEEDED, "seeded"), (ONE_INK_FIRST, "first"),
                       (ONE_INK_LAST, "last"), (ONE_INK_MIDDLE, "middle")]:
        s = Seed(canvas=(48, 40), brush=(11, 9), brush_mode=mode,
                 items=[item_valid(1, 1), item_valid(4, 4), item_valid(5, 5)], **tone_colours)
        s.press((20, 20)).drag((44, 30)).drag((-3, -2)).drag((40, 39)).drag((52, 10))
        s.press((20, 20), box=select(1)).drag((2, 35)).drag((47, 3))
        s.press((25, 18), box=select(2)).drag((-5, 30)).drag((46, 44))
        out["one-ink-pixel-" + name] = s

    # Runs of wide blocks: a wide all-ink brush, unmasked, over six block
    # rows (every tone row) of a wide canvas, its left edge at each phase of
    # the four-block colour period. 63 makes the longest prepared tone line,
    # 64 is the widest block with one and 65 the narrowest without.
    for w in [33, 48, 63, 64, 65, 100]:
        s = Seed(canvas=(1600, 80), brush=(1400, 40), brush_mode=ALL_INK,
                 items=[item_valid(w, 8), item_valid(w, 3)], **tone_colours)
        for phase in range(4):
            s.press((705 + phase * w, 38))
        s.drag((709 + 3 * w, 42))
        s.press((760, 40), box=select(1), shift=True)
        out["tone-line-blocks-%d-wide" % w] = s

    # Blocks 33..64 and past 64 on both axes.
    s = Seed(canvas=(300, 300), brush=(45, 30), brush_mode=DISC,
             items=[item_valid(40, 64), item_valid(64, 65), item_valid(65, 300),
                    item_valid(300, 33), item_valid(17, 100)], **tone_colours)
    for k in range(5):
        s.press((150 - 37 * k, 150 + 29 * k), box=select(k)).drag((151 - 37 * k, 151 + 29 * k))
    out["blocks-33-to-300"] = s

    # The run list: 128 rows of 128 runs fill it exactly, 113 rows of 145
    # runs overflow it by one.
    for runs, brush in [(16384, (255, 128)), (16385, (289, 113))]:
        s = Seed(canvas=(320, 160), brush=brush, brush_mode=EVEN_COLUMNS,
                 items=[item_valid(1, 1), item_valid(2, 2), item_valid(3, 5)], **tone_colours)
        s.press((160, 80)).drag((163, 84)).press((100, 60), box=select(1)).drag((110, 62))
        s.press((150, 90), box=select(2)).drag((152, 99))
        out["brush-runs-%d" % runs] = s
    s = Seed(canvas=(200, 120), brush=(90, 60), brush_mode=CHECKERBOARD, mask_mode=2, mask=True,
             items=[item_valid(1, 1), item_valid(2, 2), item_valid(3, 1)], **tone_colours)
    s.press((100, 60)).drag((104, 66)).press((50, 40), box=select(1)).drag((56, 41))
    s.press((150, 90), box=select(2)).drag((151, 99), toggle_mask=True)
    out["brush-checkerboard"] = s

    # Brush rows: 4096 fill the run rows exactly, 4097 are one too many.
    for rows in (4096, 4097):
        s = Seed(canvas=(8, 6000), brush=(5, rows), brush_mode=ALL_INK,
                 items=[item_valid(1, 1), item_valid(2, 3)], **tone_colours)
        s.press((3, 3000)).drag((4, 3040)).drag((2, 2990))
        s.press((4, 2500), box=select(1)).drag((5, 2520))
        out["brush-rows-%d" % rows] = s

    # Block rows of one placement: 8192 fill the block set exactly, 8193 do
    # not fit and the brush is stamped pixel by pixel.
    for rows in (8192, 8193):
        s = Seed(canvas=(4, 9000), brush=(3, rows), brush_mode=ALL_INK,
                 items=[item_valid(1, 1), item_valid(2, 1)], **tone_colours)
        s.press((1, 4500)).drag((2, 4510)).press((1, 4400), box=select(1)).drag((0, 4420))
        out["block-set-%d-rows" % rows] = s

    # Sweeps: a y-major segment of 16384 points, all reaching the canvas,
    # is one sweep; one of 16385 needs a second. Blocks three rows tall keep
    # the whole segment within one block set.
    for points in (16384, 16385):
        s = Seed(canvas=(6, 20000), brush=(3, 3), brush_mode=ALL_INK,
                 items=[item_valid(2, 3)], **tone_colours)
        s.press((2, 100)).drag((2, 100 + points - 1))
        s.send(MOUSEMOVE, (2, 100 + points - 1)).drag((4, 100))
        out["sweep-%d-points" % points] = s

    # Segments over the whole of long strips: several sweeps each, y-major
    # and x-major; with blocks one pixel tall, chunks of at most 8192 block
    # rows.
    s = Seed(canvas=(6, 20000), brush=(5, 5), brush_mode=DISC,
             items=[item_valid(3, 4), item_valid(1, 1)], **tone_colours)
    s.press((3, 0)).send(MOUSEMOVE, (3, -10)).drag((1, 20009))
    s.press((2, 19999), box=select(1)).drag((4, 0))
    out["sweeps-along-a-tall-strip"] = s
    s = Seed(canvas=(20000, 6), brush=(5, 5), brush_mode=DISC,
             items=[item_valid(4, 3), item_valid(1, 1)], **tone_colours)
    s.press((0, 3)).send(MOUSEMOVE, (-10, 3)).drag((20009, 1))
    s.press((19999, 2), box=select(1)).drag((0, 4))
    out["sweeps-along-a-wide-strip"] = s
    return out


def main():
    corpus = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "corpus")
    os.makedirs(corpus, exist_ok=True)
    for name, seed in seeds().items():
        with open(os.path.join(corpus, "seed-" + name), "wb") as f:
            f.write(seed.data)


if __name__ == "__main__":
    main()
