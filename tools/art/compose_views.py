#!/usr/bin/env python3
"""Composes the editor's three views from the bitmaps in resources/img, as the editor places
them, into docs/view-chart.png, docs/view-edit.png and docs/view-browse.png.

  compose_views.py [--img DIR] [--out DIR]

Controls show sample values (factory bank 1's first programs in the browser), so labels,
frames and control bitmaps can be checked against each other by eye.
"""
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.dont_write_bytecode = True  # keep the source tree clean when the tests run this
sys.path.insert(0, HERE)

from PIL import Image, ImageDraw  # noqa: E402

import layout as L  # noqa: E402
from paint import font, save_png  # noqa: E402


class View:
    def __init__(self, img_dir):
        self.dir = img_dir
        self.cache = {}
        self.img = self.bitmap("back.png").copy()

    def bitmap(self, name):
        if name not in self.cache:
            self.cache[name] = Image.open(os.path.join(self.dir, name)).convert("RGBA")
        return self.cache[name]

    def frame(self, name, index, frame_h):
        b = self.bitmap(name)
        return b.crop((0, frame_h * index, b.width, frame_h * (index + 1)))

    def paste(self, pic, x, y):
        self.img.alpha_composite(pic, (x, y))

    def put(self, name, x, y, index=0, frame_h=None):
        b = self.bitmap(name)
        self.paste(self.frame(name, index, frame_h or b.height), x, y)

    def text(self, s, box, size, colour, align="left", bold=False):
        x0, y0, x1, y1 = box
        layer = Image.new("RGBA", (x1 - x0, y1 - y0), (0, 0, 0, 0))  # clipped to its box
        d = ImageDraw.Draw(layer)
        f = font("arial-bold" if bold else "arial", size)
        w = f.getlength(s)
        asc, desc = f.getmetrics()
        y = y0 + ((y1 - y0) - (asc + desc)) // 2
        x = x0 if align == "left" else (x0 + x1 - w) / 2
        d.text((round(x) - x0, y - y0), s, font=f, fill=colour)
        self.img.alpha_composite(layer, (x0, y0))

    def fill(self, box, rgba):
        layer = Image.new("RGBA", self.img.size, (0, 0, 0, 0))
        ImageDraw.Draw(layer).rectangle((box[0], box[1], box[2] - 1, box[3] - 1), fill=rgba)
        self.img.alpha_composite(layer)

    # controls
    def knob(self, pos, value):
        self.put("knob.png", pos[0], pos[1], round(value * 64), 24)

    def display(self, rect, tens, units, small=False):
        name, fw, fh = ("digits_small.png", 10, 15) if small else ("digits.png", 21, 32)
        for d, x in ((tens, rect[0]), (units, rect[2] - fw)):
            if d is not None:
                self.put(name, x, rect[1], d, fh)

    def lamp(self, pos, lit, small=False):
        if small:
            self.put("button_small_led_on.png" if lit else "button_small_led_off.png",
                     pos[0], pos[1], 0, 23)
        else:
            self.put("button_led_on.png" if lit else "button_led_off.png", pos[0], pos[1], 0, 39)


def base_view(img_dir, view):
    v = View(img_dir)
    if view == 1:
        v.put("blind.png", *L.CHART_ORIGIN)
    elif view == 2:
        v.put("editor.png", *L.EDIT_ORIGIN)
    else:
        v.put("browse.png", *L.BROWSE_ORIGIN)
    v.text("v.1.1.2.0", L.VERSION_RECT, 10, (255, 255, 255, 128), "center")
    knobs = {71: 926 / 17280, 72: 1.0, 73: 5 / 12, 74: 2 / 24, 75: 0.125, 76: 0.05, 57: 0.5,
             61: 0.35, 62: 0.65}
    lit = {68, -79, -97, -88 if view == 3 else -93 if view == 2 else 0}
    displays = {-80: (3, 2), -81: (1, 2), -82: (1, 2), -83: (None, None)}
    for kind, pos, bind, _ in L.TABLE_A:
        if kind == "knob":
            v.knob(pos, knobs[bind])
        elif kind == "small":
            v.lamp(pos, bind in lit, small=True)
        elif kind == "lamp":
            v.lamp(pos, bind in lit)
        elif kind == "learn":
            v.put("learn.png", pos[0], pos[1], 0, 24)
        elif kind == "display":
            v.display(pos, *displays[bind])
        elif kind == "display_small":
            v.display(pos, 1, 6, small=True)
        elif kind == "dot" and bind == -85:
            v.put("dot.png", *pos)
        elif kind == "slider":
            value = 0.5 if bind == 59 else 0.8
            v.put("handle.png", pos, 269 + round((1 - value) * 57))
        elif kind == "key":
            v.put("button.png", pos[0], pos[1], 0, 39)
    keys = [a for a in L.TABLE_A if a[0] == "key" and a[1][0] > 100]
    for (kind, pos, bind, _), s in zip(keys, L.KEYPAD_LABELS):
        v.text(s, (pos[0] + 4, pos[1] + 2, pos[0] + 35, pos[1] + 16), 12, (255, 255, 255, 255))
    return v


def edit_view(img_dir):
    v = base_view(img_dir, 2)
    lit = {23, 32, 1, 2, 47}
    radios = {0: 1, 44: 3}
    for i, (kind, pos, param, _) in enumerate(L.TABLE_C):
        if kind == "knob":
            v.knob(pos, ((param * 37 + 11) % 64) / 64)
        elif kind == "small":
            v.lamp(pos, param in lit, small=True)
        elif kind == "display_small":
            v.display(pos, *{21: (1, 6), 29: (None, 8), 53: (2, 5), 54: (3, 7)}[param],
                      small=True)
        elif kind.startswith("led:"):
            v.put(kind[4:] + ".png", pos[0], pos[1], 1 if param in lit else 0, 17)
        elif kind.startswith("radio:"):
            _, shape, r = kind.split(":")
            v.put(shape + ".png", pos[0], pos[1], 1 if radios[param] == int(r) else 0, 17)
    return v


def bank_names(path):
    names = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            m = re.match(r"\[(?:PRG|COMBI) (\d+)\] (.*)", line.strip())
            if m:
                names[int(m.group(1))] = m.group(2)
    return names


def browse_view(img_dir):
    v = base_view(img_dir, 3)
    for i, (pos, bind, _) in enumerate(L.SOURCE_BUTTONS):
        v.lamp(pos, i == 0, small=True)
    names = bank_names(os.path.join(ROOT, "resources", "banks", "bank1.txt"))
    selected = 4
    for c, x in enumerate(L.ITEM_COLUMNS):
        for r in range(L.ITEM_ROWS):
            n = 15 * c + r
            y = L.ITEM_TOP + L.ITEM_H * r
            program = n + 1
            v.fill((x, y, x + 20, y + 16), (255, 255, 255, 16))
            colour = (220, 220, 220, 255)
            if n == selected:
                v.fill((x, y, x + L.ITEM_W, y + 16), (255, 255, 255, 32))
                colour = (255, 128, 64, 255)
            v.text(str(program), (x, y, x + 20, y + 16), 14, colour, "center")
            v.text(names.get(program, ""), (x + 22, y, x + L.ITEM_W - 1, y + 16), 14, colour)
    x0, y0, x1, y1 = L.SCROLL_RECT
    t = (y1 - y0) - 56
    top = y0 + 14
    v.fill((x0, top, x1, min(round(top + 60 / 99 * t), y1 - 14)), (255, 255, 255, 32))
    return v


def main(argv):
    img_dir = os.path.join(ROOT, "resources", "img")
    out = os.path.join(ROOT, "docs")
    while argv:
        opt, val, argv = argv[0], argv[1], argv[2:]
        if opt == "--img":
            img_dir = val
        elif opt == "--out":
            out = val
    os.makedirs(out, exist_ok=True)
    save_png(base_view(img_dir, 1).img, os.path.join(out, "view-chart.png"))
    save_png(edit_view(img_dir).img, os.path.join(out, "view-edit.png"))
    save_png(browse_view(img_dir).img, os.path.join(out, "view-browse.png"))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
