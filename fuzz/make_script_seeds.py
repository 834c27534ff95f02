#!/usr/bin/env python3
"""Writes the seed inputs of fuzz/script-corpus/ (named seed-*) in the layout
script_fuzzer.cpp reads: a script, then "@@ NAME" lines each starting a file
it may read. The seeds are the examples with their palette, the bad scripts
of the stand-in's tests with the files they read, and scripts that use every
command that reads a picture or keeps a history. Inputs that libFuzzer adds
keep their hash names.

    python3 fuzz/make_script_seeds.py [CORPUS_DIR]
"""
import glob
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(SOURCE, "tests", "standin"))
import standin_tests  # noqa: E402  the bad scripts and the BMP writer


def seed(script, files=None):
    out = script.encode("utf-8", "surrogateescape") if isinstance(script, str) else script
    for name, data in (files or {}).items():
        out += b"@@ " + name.encode() + b"\n" + data
    return out


def seeds():
    palette = open(os.path.join(SOURCE, "examples", "dusk.pal"), "rb").read()
    for path in sorted(glob.glob(os.path.join(SOURCE, "examples", "*.strokes"))):
        name = os.path.splitext(os.path.basename(path))[0]
        yield "example-" + name, seed(open(path, "rb").read(), {"examples/dusk.pal": palette})

    files = standin_tests.bad_input_files()
    for name, line, number, _ in standin_tests.BAD_SCRIPTS:
        lines = ["canvas 8 8", "save out/%s.png" % name, line, "save out/%s.bmp" % name]
        if number == 1:
            lines = [line, "canvas 8 8", "save out/%s.png" % name]
        yield "bad-" + name, seed("\n".join(lines) + "\n", files)

    bmp = standin_tests.bmp_bytes
    grey = [(i, i, i) for i in range(8)]
    pictures = {"c.bmp": bmp([[0, 1, 2, 3, 4], [1] * 5, [2] * 5], grey, top_down=True),
                "b.bmp": bmp([[0, 5, 0]], grey), "m.bmp": bmp([[1] * 5, [0] * 5, [1] * 5], grey),
                "p.bmp": bmp([[7] * 5] * 3, grey)}
    yield "pictures", seed("canvas load c.bmp\nbrush load b.bmp\nmask load m.bmp\nmask on\n"
                           "pick-source p.bmp\npick 1 1\npick-source canvas\npress 0 0\n"
                           "mask clear\nmask colour 2\npress 1 1 shift\nsave out/x.bmp\n", pictures)
    yield "history", seed("canvas 16 8 3\nblocks 2x2 pixels\npress 1 1\ndrag 9 4\nrelease 9 4\n"
                          "press 3 3\nundo\nundo\nredo\npress 0 0\nundo\nredo\nredo\n"
                          "canvas 4 4\nundo\nexpect pixel 1 1 3\nsave out/h.png scale 64\n")
    yield "warnings", seed("canvas 8 8\nblocks 5x3\nblocks " + "9" * 300 + "x2 \ndrag 1 1\n"
                           "press -2147483648 2147483647\ndrag 2147483647 -2147483648\n"
                           "expect rect -2147483647 0 2147483647 2147483647\n")
    yield "bom-and-crlf", seed("\ufeffcanvas 4 4\r\npalette p.pal\r\nsave out/ü.png\r\n",
                               {"p.pal": "\ufeffJASC-PAL\r\n0100\r\n1\r\n1 2 3\r\n".encode()})


def main():
    corpus = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "script-corpus")
    os.makedirs(corpus, exist_ok=True)
    for old in glob.glob(os.path.join(corpus, "seed-*")):
        os.remove(old)
    count = 0
    for name, data in seeds():
        with open(os.path.join(corpus, "seed-" + name), "wb") as f:
            f.write(data)
        count += 1
    print("%d seeds in %s" % (count, corpus))


if __name__ == "__main__":
    main()
