#!/usr/bin/env python3
"""Draws the editor's 21 bitmaps into resources/img (or another folder).

  make_art.py [--out DIR]     write the PNGs (default: resources/img of this checkout)
  make_art.py --check DIR     draw into a temporary folder and compare the pixels with DIR's
                              PNGs; exit 1 on a difference, 77 when cairo or PIL is missing
"""
import math
import os
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.dont_write_bytecode = True  # keep the source tree clean when the tests run this
sys.path.insert(0, HERE)

try:
    import cairo
    from PIL import Image
except ImportError as e:
    if "--check" in sys.argv:
        print(f"SKIP: the art tools are absent ({e}); install python3-cairo and python3-pil")
        sys.exit(77)
    raise SystemExit(f"make-art: {e}; install python3-cairo and python3-pil")

import layout as L  # noqa: E402
from paint import (canvas, fill_rect, frame_rect, hline, mix, rgb, rounded, save_png,  # noqa: E402
                   text, text_width, to_image, vgrad, vline, cap_height)

# --- palette ----------------------------------------------------------------------------------
PANEL_TOP = rgb("#2b2e33")
PANEL_BOTTOM = rgb("#212327")
SCREEN = rgb("#17191c")            # the calm area behind the view pictures
SCREEN_LINE = rgb("#2c3036")
LABEL = rgb("#ecebe4")
LABEL_DIM = rgb("#a9adb3")
TICK = rgb("#8d9198")
GROOVE = rgb("#0c0d0f")
FRAME_LINE = rgb("#43474e")
LED_BG = rgb("#150807")            # display glass
LED_GHOST = rgb("#2e110d")
LED_LIT = rgb("#ff4b2b")
LED_CORE = rgb("#ffb49a")
LED_OFF = rgb("#4a1a14")

ACCENT = {
    "LFO": rgb("#f0b43c"),
    "DCO": rgb("#4ea8e8"),
    "VCF": rgb("#ee6a44"),
    "VCA": rgb("#72c46a"),
    "KEYB": rgb("#b68be8"),
    "GLOBAL": rgb("#48c8c0"),
    "PANEL": rgb("#d8d6cc"),
}

LABEL_FONT = "narrow-bold"


# --- small parts ------------------------------------------------------------------------------

def label(ctx, s, x, y, col=LABEL, align="center", size=10):
    """A panel label; '|' splits it into lines 10 pixels apart."""
    for i, line in enumerate(s.split("|")):
        text(ctx, line, x, y + 10 * i, LABEL_FONT, size, col, align)


def heading(ctx, s, x0, x1, y, col, align="left"):
    """Section heading in tracked capitals of the accent colour, capitals' top at y: left-aligned
    with a rule running on to x1, or centred over a rule as wide as its group (x0..x1)."""
    w = text_width(s, "sans-bold", 9, 1)
    cap = cap_height("sans-bold", 9)
    if align == "center":
        text(ctx, s, (x0 + x1 - w) / 2, y, "sans-bold", 9, col, tracking=1)
        hline(ctx, x0, x1, y + cap + 3, col)
    else:
        text(ctx, s, x0, y, "sans-bold", 9, col, tracking=1)
        hline(ctx, round(x0 + w) + 5, x1, y + cap // 2, col)


def knob_ticks(ctx, x, y, count=11):
    """Scale around a 24 x 24 knob at (x, y): ticks over the pointer's 300 degrees."""
    cx, cy = x + 12, y + 12
    ctx.set_line_width(1.2)
    ctx.set_line_cap(1)
    for i in range(count):
        a = math.radians(-150 + 300 * i / (count - 1))
        r0, r1 = 13.6, 15.8 if i in (0, count - 1, count // 2) else 15.0
        ctx.move_to(cx + r0 * math.sin(a), cy - r0 * math.cos(a))
        ctx.line_to(cx + r1 * math.sin(a), cy - r1 * math.cos(a))
        ctx.set_source_rgba(*TICK)
        ctx.stroke()


def section_box(ctx, x0, y0, x1, y1):
    frame_rect(ctx, x0, y0, x1, y1, FRAME_LINE, r=3)


# --- seven segments ---------------------------------------------------------------------------
SEGMENTS = {
    0: "abcdef", 1: "bc", 2: "abged", 3: "abgcd", 4: "fgbc", 5: "afgcd", 6: "afgedc",
    7: "abc", 8: "abcdefg", 9: "abcdfg", "U": "bcdef", "n": "ceg",
}


def segment_polys(x0, y0, w, h, t, slant, gap):
    """Polygons of the seven segments a..g of a digit w x h at (x0, y0), slanted to the right."""
    def p(u, v):
        return (x0 + u + slant * (1 - v / h), y0 + v)

    def horiz(v, u1, u2):
        u1, u2 = u1 + gap, u2 - gap
        return [p(u1, v), p(u1 + t / 2, v - t / 2), p(u2 - t / 2, v - t / 2), p(u2, v),
                p(u2 - t / 2, v + t / 2), p(u1 + t / 2, v + t / 2)]

    def vert(u, v1, v2):
        v1, v2 = v1 + gap, v2 - gap
        return [p(u, v1), p(u + t / 2, v1 + t / 2), p(u + t / 2, v2 - t / 2), p(u, v2),
                p(u - t / 2, v2 - t / 2), p(u - t / 2, v1 + t / 2)]

    l, r = t / 2, w - t / 2
    top, mid, bot = t / 2, h / 2, h - t / 2
    return {
        "a": horiz(top, l, r), "g": horiz(mid, l, r), "d": horiz(bot, l, r),
        "f": vert(l, top, mid), "b": vert(r, top, mid),
        "e": vert(l, mid, bot), "c": vert(r, mid, bot),
    }


def poly(ctx, pts):
    ctx.move_to(*pts[0])
    for q in pts[1:]:
        ctx.line_to(*q)
    ctx.close_path()


def draw_digit(ctx, geom, lit):
    """Ghost segments everywhere, lit ones glowing on top."""
    polys = segment_polys(*geom)
    for s, pts in polys.items():
        poly(ctx, pts)
        ctx.set_source_rgba(*LED_GHOST)
        ctx.fill()
    if not lit:
        return
    ctx.set_line_join(1)
    for width, alpha in ((4.0, 0.10), (2.4, 0.16), (1.2, 0.25)):
        for s in lit:
            poly(ctx, polys[s])
            ctx.set_source_rgba(*LED_LIT[:3], alpha)
            ctx.set_line_width(width)
            ctx.stroke()
    for s in lit:
        poly(ctx, polys[s])
        ctx.set_source(vgrad(geom[1], geom[1] + geom[3],
                             [(0, mix(LED_LIT, LED_CORE, 0.35)), (1, LED_LIT)]))
        ctx.fill()


BIG_GEOM = (2.5, 3.0, 12.0, 27.0, 3.2, 3.0, 0.55)     # x0, y0, w, h, thickness, slant, gap
SMALL_GEOM = (1.6, 1.5, 6.0, 12.0, 1.7, 1.0, 0.35)


def digit_window(ctx, x0, y0, x1, y1, geom, frame_w, pad):
    """Display glass behind a two-digit display (x0, y0)-(x1, y1), with its ghost segments."""
    rounded(ctx, x0 - pad - 2, y0 - pad - 2, x1 - x0 + 2 * pad + 4, y1 - y0 + 2 * pad + 4, 3)
    ctx.set_source_rgba(*GROOVE)
    ctx.fill()
    rounded(ctx, x0 - pad - 1, y0 - pad - 1, x1 - x0 + 2 * pad + 2, y1 - y0 + 2 * pad + 2, 2)
    ctx.set_source_rgba(*rgb("#5a5e65"))
    ctx.fill()
    fill_rect(ctx, x0 - pad, y0 - pad, x1 - x0 + 2 * pad, y1 - y0 + 2 * pad, LED_BG)
    for dx in (x0, x1 - frame_w):
        ctx.save()
        ctx.translate(dx, y0)
        draw_digit(ctx, geom, "")
        ctx.restore()


# --- the small bitmaps ------------------------------------------------------------------------

def make_knob():
    surf, ctx = canvas(24, 24 * 65)
    for i in range(65):
        ctx.save()
        ctx.translate(0, 24 * i)
        cx, cy = 12.0, 12.0
        ctx.arc(cx, cy + 1.0, 11.6, 0, 2 * math.pi)
        ctx.set_source_rgba(0, 0, 0, 0.55)
        ctx.fill()
        # skirt
        ctx.arc(cx, cy, 11.0, 0, 2 * math.pi)
        ctx.set_source(vgrad(1, 23, [(0, rgb("#4b4f55")), (1, rgb("#111214"))]))
        ctx.fill()
        ctx.arc(cx, cy, 10.2, 0, 2 * math.pi)
        ctx.set_source_rgba(*rgb("#1c1d20"))
        ctx.fill()
        # cap
        ctx.arc(cx, cy, 8.2, 0, 2 * math.pi)
        ctx.set_source(vgrad(4, 20, [(0, rgb("#5d6269")), (0.5, rgb("#3a3d42")),
                                     (1, rgb("#26282b"))]))
        ctx.fill()
        ctx.arc(cx, cy, 7.6, math.radians(200), math.radians(340))
        ctx.set_source_rgba(1, 1, 1, 0.18)
        ctx.set_line_width(1)
        ctx.stroke()
        # pointer
        a = math.radians(-150 + 300 * i / 64)
        sx, sy = math.sin(a), -math.cos(a)
        ctx.set_line_cap(1)
        ctx.move_to(cx + 3.0 * sx, cy + 3.0 * sy)
        ctx.line_to(cx + 10.4 * sx, cy + 10.4 * sy)
        ctx.set_source_rgba(0, 0, 0, 0.5)
        ctx.set_line_width(3.2)
        ctx.stroke()
        ctx.move_to(cx + 3.0 * sx, cy + 3.0 * sy)
        ctx.line_to(cx + 10.4 * sx, cy + 10.4 * sy)
        ctx.set_source_rgba(*rgb("#f6f4ea"))
        ctx.set_line_width(1.8)
        ctx.stroke()
        ctx.restore()
    return surf


def key_cap(ctx, x, y, w, h, pressed, face_top, face_bottom):
    """A plastic key: shadow, body and a face lit from above; pressed keys sit lower."""
    dy = 2 if pressed else 0
    dx = 1 if pressed else 0
    rounded(ctx, x + dx, y + dy + (1 if pressed else 2), w, h, 3)
    ctx.set_source_rgba(0, 0, 0, 0.55 if not pressed else 0.35)
    ctx.fill()
    rounded(ctx, x + dx, y + dy, w, h, 3)
    ctx.set_source_rgba(*rgb("#0f1012"))
    ctx.fill()
    rounded(ctx, x + dx + 1, y + dy + 1, w - 2, h - 2, 2.5)
    top = face_top if not pressed else mix(face_top, face_bottom, 0.5)
    ctx.set_source(vgrad(y + dy, y + dy + h, [(0, top), (1, face_bottom)]))
    ctx.fill()
    hline(ctx, x + dx + 3, x + dx + w - 3, y + dy + 1, (1, 1, 1, 0.22 if not pressed else 0.1))
    return dx, dy


def make_button(lamp):
    """35 x 39 key frames (released, pressed); lamp: None, False (dark) or True (lit)."""
    surf, ctx = canvas(35, 78)
    for f, pressed in enumerate((False, True)):
        ctx.save()
        ctx.translate(0, 39 * f)
        dx, dy = key_cap(ctx, 1, 1, 28, 33, pressed, rgb("#4a4e55"), rgb("#2e3135"))
        if lamp is not None:
            lx, ly, lw, lh = 8 + dx, 19 + dy, 14, 5
            rounded(ctx, lx - 1, ly - 1, lw + 2, lh + 2, 2)
            ctx.set_source_rgba(*GROOVE)
            ctx.fill()
            if lamp:
                for grow, alpha in ((3, 0.12), (2, 0.2), (1, 0.35)):
                    rounded(ctx, lx - grow, ly - grow, lw + 2 * grow, lh + 2 * grow, 2 + grow)
                    ctx.set_source_rgba(*LED_LIT[:3], alpha)
                    ctx.fill()
                rounded(ctx, lx, ly, lw, lh, 1.5)
                ctx.set_source(vgrad(ly, ly + lh, [(0, LED_CORE), (0.6, LED_LIT),
                                                   (1, mix(LED_LIT, rgb("#000000"), 0.2))]))
                ctx.fill()
            else:
                rounded(ctx, lx, ly, lw, lh, 1.5)
                ctx.set_source(vgrad(ly, ly + lh, [(0, mix(LED_OFF, rgb("#ffffff"), 0.12)),
                                                   (1, LED_OFF)]))
                ctx.fill()
        ctx.restore()
    return surf


def make_small_button(lit):
    surf, ctx = canvas(23, 47)
    for f, pressed in enumerate((False, True)):
        ctx.save()
        ctx.translate(0, 23 * f)
        dx, dy = key_cap(ctx, 1, 1, 20, 19, pressed, rgb("#4a4e55"), rgb("#2e3135"))
        cx, cy, r = 11 + dx, 10 + dy, 3.2
        ctx.arc(cx, cy, r + 1, 0, 2 * math.pi)
        ctx.set_source_rgba(*GROOVE)
        ctx.fill()
        if lit:
            for grow, alpha in ((3.5, 0.12), (2.3, 0.2), (1.2, 0.35)):
                ctx.arc(cx, cy, r + grow, 0, 2 * math.pi)
                ctx.set_source_rgba(*LED_LIT[:3], alpha)
                ctx.fill()
            g = cairo_radial(cx - 0.8, cy - 0.8, r, [(0, LED_CORE), (0.55, LED_LIT),
                                                     (1, mix(LED_LIT, rgb("#000000"), 0.15))])
        else:
            g = cairo_radial(cx - 0.8, cy - 0.8, r, [(0, mix(LED_OFF, rgb("#ffffff"), 0.15)),
                                                     (1, LED_OFF)])
        ctx.arc(cx, cy, r, 0, 2 * math.pi)
        ctx.set_source(g)
        ctx.fill()
        ctx.restore()
    return surf


def cairo_radial(cx, cy, r, stops):
    g = cairo.RadialGradient(cx, cy, 0, cx, cy, r + 0.8)
    for off, col in stops:
        g.add_color_stop_rgba(off, *col)
    return g


def make_handle():
    surf, ctx = canvas(15, 19)
    rounded(ctx, 0.5, 1, 14, 18, 2)
    ctx.set_source_rgba(0, 0, 0, 0.5)
    ctx.fill()
    rounded(ctx, 0, 0, 15, 18, 2)
    ctx.set_source(vgrad(0, 18, [(0, rgb("#55595f")), (0.45, rgb("#2a2c30")),
                                 (0.55, rgb("#1e1f22")), (1, rgb("#34373b"))]))
    ctx.fill()
    for y in (3, 5, 13, 15):
        hline(ctx, 2, 13, y, (0, 0, 0, 0.45))
        hline(ctx, 2, 13, y + 1, (1, 1, 1, 0.10))
    hline(ctx, 1, 14, 8, rgb("#f2f0e6"), 2)
    return surf


def make_digits(geom, w, h, glyphs):
    surf, ctx = canvas(w, h * len(glyphs))
    for i, g in enumerate(glyphs):
        ctx.save()
        ctx.translate(0, h * i)
        fill_rect(ctx, 0, 0, w, h, LED_BG)
        draw_digit(ctx, geom, SEGMENTS[g])
        ctx.restore()
    return surf


def make_dot():
    surf, ctx = canvas(6, 5)
    cx, cy = 2.6, 2.6
    for r, alpha in ((2.9, 0.25), (2.3, 0.4)):
        ctx.arc(cx, cy, r, 0, 2 * math.pi)
        ctx.set_source_rgba(*LED_LIT[:3], alpha)
        ctx.fill()
    ctx.arc(cx, cy, 1.6, 0, 2 * math.pi)
    ctx.set_source_rgba(*mix(LED_LIT, LED_CORE, 0.4))
    ctx.fill()
    return surf


WAVES = {
    "triangle": [(0, 1), (0.25, 0), (0.75, 1), (1, 0.5)],
    "ramp": [(0, 1), (0.5, 0), (0.5, 1), (1, 0), (1, 1)],
    "saw": [(0, 1), (0.333, 0), (0.333, 1), (0.667, 0), (0.667, 1), (1, 0), (1, 1)],
    "rect": [(0, 1), (0.18, 1), (0.18, 0), (0.42, 0), (0.42, 1), (0.68, 1), (0.68, 0),
             (0.92, 0), (0.92, 1), (1, 1)],
    "square": [(0, 1), (0.0, 0), (0.25, 0), (0.25, 1), (0.5, 1), (0.5, 0), (0.75, 0),
               (0.75, 1), (1, 1), (1, 0)],
}


def make_wave(name):
    surf, ctx = canvas(29, 34)
    pts = WAVES[name]
    for f, lit in enumerate((False, True)):
        ctx.save()
        ctx.translate(0, 17 * f)
        rounded(ctx, 1, 1, 27, 15, 2.5)
        ctx.set_source_rgba(*GROOVE)
        ctx.fill()
        rounded(ctx, 2, 2, 25, 13, 2)
        ctx.set_source_rgba(*LED_BG)
        ctx.fill()
        x0, x1, y0, y1 = 6.5, 22.5, 5.5, 11.5
        path = [(x0 + (x1 - x0) * u, y0 + (y1 - y0) * v) for u, v in pts]
        ctx.set_line_join(0)
        ctx.set_line_cap(0)
        layers = ((3.6, 0.14), (2.4, 0.28), (1.4, 1.0)) if lit else ((1.4, 1.0),)
        for width, alpha in layers:
            ctx.move_to(*path[0])
            for q in path[1:]:
                ctx.line_to(*q)
            col = mix(LED_LIT, LED_CORE, 0.3) if lit else LED_OFF
            ctx.set_source_rgba(*(col[:3]), alpha if lit else 1.0)
            ctx.set_line_width(width)
            ctx.stroke()
        ctx.restore()
    return surf


def flat_button(ctx, x, y, w, h, s, lamp=None):
    """The MENU button and the MIDI-learn switch: a wide key with its name on the face."""
    key_cap(ctx, x, y, w, h, False, rgb("#4a4e55"), rgb("#2e3135"))
    tx, room = x + w / 2, w - 6
    if lamp is not None:
        lx, ly = x + 6, y + h / 2 - 0.5
        ctx.arc(lx, ly, 2.6, 0, 2 * math.pi)
        ctx.set_source_rgba(*GROOVE)
        ctx.fill()
        if lamp:
            ctx.arc(lx, ly, 4.2, 0, 2 * math.pi)
            ctx.set_source_rgba(*LED_LIT[:3], 0.25)
            ctx.fill()
        ctx.arc(lx, ly, 1.9, 0, 2 * math.pi)
        ctx.set_source_rgba(*(mix(LED_LIT, LED_CORE, 0.3) if lamp else LED_OFF))
        ctx.fill()
        tx, room = x + 12 + (w - 14) / 2, w - 15
    size = 10 if text_width(s, LABEL_FONT, 10) <= room else 9
    text(ctx, s, tx, y + (h - cap_height(LABEL_FONT, size)) // 2, LABEL_FONT, size,
         LABEL if lamp or lamp is None else LABEL_DIM, "center", fit=room)


def make_learn(word):
    surf, ctx = canvas(48, 48)
    for f, on in enumerate((False, True)):
        ctx.save()
        ctx.translate(0, 24 * f)
        flat_button(ctx, 1, 1, 46, 20, word, lamp=on)
        ctx.restore()
    return surf


# --- panel background -------------------------------------------------------------------------

def panel_fill(ctx, w, h, ox=0, oy=0):
    ctx.set_source(vgrad(-oy, 440 - oy, [(0, PANEL_TOP), (1, PANEL_BOTTOM)]))
    ctx.rectangle(0, 0, w, h)
    ctx.fill()


def make_back():
    W, H = L.SURFACE
    surf, ctx = canvas(W, H)
    panel_fill(ctx, W, H)
    # top highlight and bottom trim of the metal panel
    hline(ctx, 0, W, 0, (1, 1, 1, 0.12))
    fill_rect(ctx, 0, 424, W, 16, rgb("#17181b"))
    hline(ctx, 0, W, 424, (0, 0, 0, 0.6))
    hline(ctx, 0, W, 425, (1, 1, 1, 0.06))
    # end cheeks
    for x0 in (0, W - 12):
        ctx.rectangle(x0, 0, 12, H)
        g = cairo_linear_x(x0, x0 + 12, [(0, rgb("#3b2a20")), (0.5, rgb("#5a3f2c")),
                                         (1, rgb("#2e2018"))])
        ctx.set_source(g)
        ctx.fill()
        for i, y in enumerate(range(9, H, 37)):
            vline(ctx, x0 + 3 + (i * 5) % 7, y, y + 18, (0, 0, 0, 0.12))
        vline(ctx, x0 if x0 else x0 + 11, 0, H, (0, 0, 0, 0.5))

    # screws holding the panel, in the bottom trim
    for sx, turn in ((24, 0.5), (W - 24, 2.2)):
        ctx.arc(sx, 432, 4.5, 0, 2 * math.pi)
        ctx.set_source_rgba(0, 0, 0, 0.6)
        ctx.fill()
        ctx.arc(sx, 432, 3.6, 0, 2 * math.pi)
        ctx.set_source(cairo_radial(sx - 1.2, 430.8, 3.6, [(0, rgb("#9a9ea4")), (1, rgb("#3c3f44"))]))
        ctx.fill()
        ctx.move_to(sx - 3 * math.cos(turn), 432 - 3 * math.sin(turn))
        ctx.line_to(sx + 3 * math.cos(turn), 432 + 3 * math.sin(turn))
        ctx.set_source_rgba(0, 0, 0, 0.7)
        ctx.set_line_width(1.1)
        ctx.stroke()

    # 1. name plate: colour stripes and the descriptor, top left
    stripes = [ACCENT[k] for k in ("LFO", "VCF", "DCO", "VCA", "KEYB")]
    for i, col in enumerate(stripes):
        fill_rect(ctx, 26, 14 + 5 * i, 356, 3, col)
    text(ctx, "TWO-LAYER PROGRAMMABLE POLYPHONIC SYNTHESIZER", 26, 48, "sans-bold", 9,
         LABEL_DIM, tracking=1.6)

    # 2. logo over the version text, top right
    text(ctx, "Pellory", 999, 20, "sans-bold-oblique", 34, LABEL, "center", tracking=1)
    for i, col in enumerate(stripes):
        fill_rect(ctx, 884 + 7 * i, 60, 5, 3, col)
        fill_rect(ctx, 1114 - 7 * (4 - i), 60, 5, 3, col)
    text(ctx, "VELLORAN MUSIC", 999, 59, "sans-bold", 8, LABEL_DIM, "center", tracking=2.2)

    # 3. global settings along the top
    g = ACCENT["GLOBAL"]
    heading(ctx, "VCF FM", 398, 463, 8, g, align="center")
    heading(ctx, "RANGE", 470, 534, 8, g, align="center")
    heading(ctx, "DETUNE", 542, 606, 8, g, align="center")
    heading(ctx, "ENGINE", 638, 773, 8, g, align="center")
    heading(ctx, "MIDI", 790, 842, 8, g, align="center")
    for kind, pos, _, name in L.TABLE_A:
        if kind == "knob" and pos[1] == 28:
            knob_ticks(ctx, *pos)
            label(ctx, name, pos[0] + 12, pos[1] + 30)
        elif kind == "small" and pos[1] == 28:
            label(ctx, name, pos[0] + 11, pos[1] + 27, size=9)
    flat_button(ctx, 793, 49, 46, 20, "MENU")

    # 4. the programmer: four displays, keypad, program buttons
    p = ACCENT["PANEL"]
    for kind, rect, _, name in L.TABLE_A:
        if kind == "display":
            x0, y0, x1, y1 = rect
            digit_window(ctx, x0, y0, x1, y1 + 2, BIG_GEOM, 21, 3)
            label(ctx, name, (x0 + x1) / 2, y0 - 14)
    heading(ctx, "PROGRAMMER", 26, 382, 70, p)
    # keypad and value keys
    section_box(ctx, 124, 172, 298, 290)
    fill_rect(ctx, 186, 164, 50, 9, mix(PANEL_TOP, PANEL_BOTTOM, 0.4))
    text(ctx, "KEYPAD", 211, 168, "sans-bold", 8, LABEL_DIM, "center", tracking=1.5)
    for kind, pos, _, name in L.TABLE_A:
        if kind == "key" and pos[0] < 100:
            label(ctx, name, pos[0] + 15, pos[1] + 40)
        elif kind == "lamp":
            label(ctx, name, pos[0] + 15, pos[1] + 41)
    heading(ctx, "PROGRAM", 128, 296, 298, p, align="center")
    heading(ctx, "MODE", 322, 368, 222, ACCENT["KEYB"], align="center")
    heading(ctx, "VIEW", 392, 438, 222, g, align="center")
    heading(ctx, "MEMORY", 322, 368, 84, p, align="center")
    # master tune and voices
    knob_ticks(ctx, 400, 100)
    label(ctx, "PITCH", 412, 130)
    digit_window(ctx, 400, 169, 423, 184, SMALL_GEOM, 10, 3)
    label(ctx, "VOICES", 412, 192)

    # 5. mixer: faders, link, pan
    heading(ctx, "MIXER", 26, 102, 240, ACCENT["KEYB"], align="center")
    for kind, x, _, name in [a for a in L.TABLE_A if a[0] == "slider"]:
        cx = x + 7
        label(ctx, name, cx + 0.5, 256)
        rounded(ctx, cx - 1.5, 272, 4, 70, 2)
        ctx.set_source_rgba(*GROOVE)
        ctx.fill()
        for i in range(11):
            y = 278 + round(57 * i / 10)
            wtick = 4 if i % 5 == 0 else 2
            if x < 60:
                hline(ctx, x - 2 - wtick, x - 2, y, TICK)
            else:  # the LINK button sits left of the upper fader
                hline(ctx, x + 17, x + 17 + wtick, y, TICK)
    label(ctx, "LINK", 64.5, 286, size=9)
    for kind, pos, _, name in L.TABLE_A:
        if kind == "knob" and pos[1] == 377:
            knob_ticks(ctx, *pos)
            label(ctx, name, pos[0] + 12, pos[1] + 29)

    # 6. the screen that carries the three view pictures
    x0, y0, x1, y1 = L.CALM_AREA
    rounded(ctx, x0 - 4, y0 - 4, x1 - x0 + 8, y1 - y0 + 8, 5)
    ctx.set_source_rgba(*GROOVE)
    ctx.fill()
    rounded(ctx, x0 - 3, y0 - 3, x1 - x0 + 6, y1 - y0 + 6, 4)
    ctx.set_source(vgrad(y0 - 3, y1 + 3, [(0, rgb("#0e0f11")), (1, rgb("#34373c"))]))
    ctx.fill()
    fill_rect(ctx, x0, y0, x1 - x0, y1 - y0, SCREEN)
    return surf


def cairo_linear_x(x0, x1, stops):
    g = cairo.LinearGradient(x0, 0, x1, 0)
    for off, col in stops:
        g.add_color_stop_rgba(off, *col)
    return g


# --- view pictures ----------------------------------------------------------------------------

def view_canvas(w, h):
    surf, ctx = canvas(w, h)
    fill_rect(ctx, 0, 0, w, h, SCREEN)
    return surf, ctx


def chart_section(n):
    if n <= 12:
        return "LFO"
    if n <= 23:
        return "VCF"
    if n <= 45:
        return "DCO"
    if n <= 52:
        return "VCA"
    if n <= 63:
        return "LFO"
    return "KEYB"


def make_blind():
    ox, oy = L.CHART_ORIGIN
    surf, ctx = view_canvas(592, 278)
    ctx.translate(-ox, -oy)
    # headings over the column groups
    heads = [
        ("LFO 1", 512, 624, 193, "LFO"),
        ("VCF", 644, 756, 131, "VCF"),
        ("DCO 1", 772, 940, 111, "DCO"),
        ("DCO 2", 772, 940, 253, "DCO"),
        ("VCA", 960, 1072, 99, "VCA"),
        ("LFO 2", 960, 1072, 229, "LFO"),
    ]
    for s, x0, x1, y, acc in heads:
        heading(ctx, s, x0, x1 - 1, y, ACCENT[acc])
    # the combination's keyboard and layer levels: two short headings under one rule
    k = ACCENT["KEYB"]
    text(ctx, "KEYBOARD", 672, 283, "narrow-bold", 10, k, "center")
    text(ctx, "MIXER", 728, 283, "narrow-bold", 10, k, "center")
    hline(ctx, 644, 755, 294, k)
    subs = [("ENV", 644, 700, 147), ("FILTER", 700, 756, 147), ("OCTAVE", 772, 828, 127),
            ("WAVE", 828, 884, 147), ("WAVE", 828, 884, 269), ("OCTAVE", 772, 828, 269),
            ("TONE", 884, 940, 127), ("TONE", 884, 940, 269),
            ("DYNAMICS", 960, 1016, 115), ("ENV", 1016, 1072, 115)]
    for s, x0, x1, y in subs:
        text(ctx, s, (x0 + x1) / 2, y, "narrow-bold", 9, LABEL_DIM, "center")
    for n, (x0, y0, x1, y1) in L.chart_cells():
        acc = ACCENT[chart_section(n)]
        fill_rect(ctx, x0, y0, 14, 19, mix(SCREEN, acc, 0.18))
        frame_rect(ctx, x0, y0, x1, y1, SCREEN_LINE)
        text(ctx, str(n), x0 + 7.5, y0 + 6, "narrow-bold", 10, acc, "center")
        text(ctx, L.PANEL_NAMES[n], x0 + 16, y0 + 6, "narrow-bold", 10, LABEL, fit=x1 - x0 - 18)
    return surf


def make_editor():
    ox, oy = L.EDIT_ORIGIN
    surf, ctx = view_canvas(665, 278)
    ctx.translate(-ox, -oy)
    boxes = [
        ("DCO 1", 496, 98, 762, 168, "DCO"),
        ("DCO 2", 496, 178, 762, 248, "DCO"),
        ("VCF", 496, 258, 762, 368, "VCF"),
        ("LFO 1", 798, 98, 938, 248, "LFO"),
        ("LFO 2", 976, 98, 1116, 248, "LFO"),
        ("KEYBOARD", 798, 258, 896, 368, "KEYB"),
        ("VCA", 932, 258, 1116, 368, "VCA"),
    ]
    for s, x0, y0, x1, y1, acc in boxes:
        section_box(ctx, x0, y0 + 4, x1, y1)
        w = text_width(s, "sans-bold", 9, 1)
        fill_rect(ctx, x0 + 6, y0, w + 8, 9, SCREEN)
        text(ctx, s, x0 + 10, y0, "sans-bold", 9, ACCENT[acc], tracking=1)
    for kind, pos, _, name in L.TABLE_C:
        if kind == "knob":
            knob_ticks(ctx, *pos)
            label(ctx, name, pos[0] + 12, pos[1] + 28)
        elif kind == "small":
            # INVERT shares a row with knobs, so its label shares their line
            label(ctx, name, pos[0] + 11, pos[1] + (28 if pos[1] == 273 else 25))
        elif kind == "display_small":
            x0, y0, x1, y1 = pos
            digit_window(ctx, x0, y0, x1, y1 + 1, SMALL_GEOM, 10, 3)
            label(ctx, name, (x0 + x1) / 2, y0 + 26)  # on the line of the knob labels
    return surf


def make_browse():
    ox, oy = L.BROWSE_ORIGIN
    surf, ctx = view_canvas(665, 278)
    ctx.translate(-ox, -oy)
    for (x, y), _, name in L.SOURCE_BUTTONS:
        label(ctx, name, x + 26, y + 8, align="left")
    fx0, fy0, fx1, fy1 = L.FOLDER_RECT
    rounded(ctx, fx0 - 2, fy0 - 1, fx1 - fx0 + 4, fy1 - fy0 + 4, 2)
    ctx.set_source_rgba(*GROOVE)
    ctx.fill()
    top, bottom = L.ITEM_TOP, L.ITEM_TOP + L.ITEM_H * L.ITEM_ROWS
    left, right = L.ITEM_COLUMNS[0], L.ITEM_COLUMNS[-1] + L.ITEM_W
    fill_rect(ctx, left - 2, top - 2, right - left + 4, bottom - top + 4, GROOVE)
    for r in range(L.ITEM_ROWS):
        if r % 2:
            fill_rect(ctx, left, top + L.ITEM_H * r, right - left, L.ITEM_H, (1, 1, 1, 0.03))
    for x in L.ITEM_COLUMNS[1:]:
        vline(ctx, x - 4, top, bottom, SCREEN_LINE, 1)
    # scroll bar: arrows in its end zones, a groove between
    sx0, sy0, sx1, sy1 = L.SCROLL_RECT
    fill_rect(ctx, sx0, sy0, sx1 - sx0, sy1 - sy0, GROOVE)
    fill_rect(ctx, sx0 + 1, sy0 + 14, sx1 - sx0 - 2, sy1 - sy0 - 28, rgb("#101113"))
    cx = (sx0 + sx1) / 2
    for y, d in ((sy0 + 7, -1), (sy1 - 7, 1)):
        ctx.move_to(cx - 4, y - 2 * d)
        ctx.line_to(cx + 4, y - 2 * d)
        ctx.line_to(cx, y + 2.5 * d)
        ctx.close_path()
        ctx.set_source_rgba(*LABEL_DIM)
        ctx.fill()
    return surf


# --- main -------------------------------------------------------------------------------------

def draw_all():
    makers = {
        "back.png": make_back,
        "button.png": lambda: make_button(None),
        "button_led_off.png": lambda: make_button(False),
        "button_led_on.png": lambda: make_button(True),
        "button_small_led_off.png": lambda: make_small_button(False),
        "button_small_led_on.png": lambda: make_small_button(True),
        "knob.png": make_knob,
        "handle.png": make_handle,
        "digits.png": lambda: make_digits(BIG_GEOM, 21, 32, list(range(10))),
        "digits_small.png": lambda: make_digits(SMALL_GEOM, 10, 15, list(range(10)) + ["U", "n"]),
        "dot.png": make_dot,
        "blind.png": make_blind,
        "editor.png": make_editor,
        "browse.png": make_browse,
        "triangle.png": lambda: make_wave("triangle"),
        "ramp.png": lambda: make_wave("ramp"),
        "saw.png": lambda: make_wave("saw"),
        "rect.png": lambda: make_wave("rect"),
        "square.png": lambda: make_wave("square"),
        "learn.png": lambda: make_learn("LEARN"),
        "unlearn.png": lambda: make_learn("UNLEARN"),
    }
    images = {}
    for name, w, h, _ in L.BITMAPS:
        img = to_image(makers[name]())
        if img.size != (w, h):
            raise SystemExit(f"make-art: {name} came out {img.size}, expected {(w, h)}")
        images[name] = img
    return images


def write_all(out):
    os.makedirs(out, exist_ok=True)
    for name, img in draw_all().items():
        save_png(img, os.path.join(out, name))


def check(committed):
    with tempfile.TemporaryDirectory() as tmp:
        write_all(tmp)
        bad = []
        for name, *_ in L.BITMAPS:
            path = os.path.join(committed, name)
            if not os.path.exists(path):
                bad.append(f"{name}: not committed")
                continue
            a = Image.open(path).convert("RGBA")
            b = Image.open(os.path.join(tmp, name)).convert("RGBA")
            if a.size != b.size:
                bad.append(f"{name}: size {a.size}, the generator makes {b.size}")
            elif a.tobytes() != b.tobytes():
                diff = sum(1 for p, q in zip(a.getdata(), b.getdata()) if p != q)
                bad.append(f"{name}: {diff} pixels differ from the generator's output")
    for line in bad:
        print(line)
    if bad:
        print("run scripts/make-art.sh and commit resources/img")
        return 1
    print(f"all {len(L.BITMAPS)} bitmaps match the generator")
    return 0


def main(argv):
    if len(argv) == 2 and argv[0] == "--check":
        return check(argv[1])
    out = os.path.join(ROOT, "resources", "img")
    if len(argv) == 2 and argv[0] == "--out":
        out = argv[1]
    elif argv:
        print(__doc__)
        return 2
    write_all(out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
