"""Drawing helpers shared by the art generator and the view composer.

Shapes are drawn with cairo; text is rasterised by FreeType through PIL at its final size, so
small labels stay hinted and crisp, and is then laid onto the cairo surface as a mask. Fonts are
fixed files of Debian's fonts-dejavu-core and fonts-liberation, so every run draws the same
pixels.
"""
import math
import os
import subprocess

import cairo
from PIL import Image, ImageDraw, ImageFont

FONT_FILES = {
    "cond-bold": ("/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf",
                  "DejaVu Sans:condensed:bold"),
    "sans-bold": ("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", "DejaVu Sans:bold"),
    "sans": ("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "DejaVu Sans"),
    "sans-bold-oblique": ("/usr/share/fonts/truetype/dejavu/DejaVuSans-BoldOblique.ttf",
                          "DejaVu Sans:bold:oblique"),
    "narrow-bold": ("/usr/share/fonts/truetype/liberation/LiberationSansNarrow-Bold.ttf",
                    "Liberation Sans Narrow:bold"),
    "arial": ("/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
              "Liberation Sans"),
    "arial-bold": ("/usr/share/fonts/truetype/liberation/LiberationSans-Bold.ttf",
                   "Liberation Sans:bold"),
}

_fonts = {}


def font_file(key):
    path, pattern = FONT_FILES[key]
    if os.path.exists(path):
        return path
    try:
        found = subprocess.run(["fc-match", "-f", "%{file}", pattern], capture_output=True,
                               text=True, check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        found = ""
    if not found.endswith(os.path.basename(path)):
        raise SystemExit(f"make-art: font {os.path.basename(path)} not found "
                         "(install fonts-dejavu-core and fonts-liberation)")
    return found


def font(key, size):
    if (key, size) not in _fonts:
        _fonts[(key, size)] = ImageFont.truetype(font_file(key), size)
    return _fonts[(key, size)]


def rgb(hexstr, a=1.0):
    v = int(hexstr.lstrip("#"), 16)
    return ((v >> 16) / 255.0, ((v >> 8) & 255) / 255.0, (v & 255) / 255.0, a)


def mix(c1, c2, t):
    return tuple(a + (b - a) * t for a, b in zip(c1, c2))


def canvas(w, h):
    surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, w, h)
    return surface, cairo.Context(surface)


def rounded(ctx, x, y, w, h, r):
    r = min(r, w / 2, h / 2)
    ctx.new_sub_path()
    ctx.arc(x + w - r, y + r, r, -math.pi / 2, 0)
    ctx.arc(x + w - r, y + h - r, r, 0, math.pi / 2)
    ctx.arc(x + r, y + h - r, r, math.pi / 2, math.pi)
    ctx.arc(x + r, y + r, r, math.pi, 1.5 * math.pi)
    ctx.close_path()


def vgrad(y0, y1, stops):
    g = cairo.LinearGradient(0, y0, 0, y1)
    for off, col in stops:
        g.add_color_stop_rgba(off, *col)
    return g


def fill_rect(ctx, x, y, w, h, col):
    ctx.set_source_rgba(*col)
    ctx.rectangle(x, y, w, h)
    ctx.fill()


def hline(ctx, x0, x1, y, col, width=1):
    ctx.set_source_rgba(*col)
    ctx.rectangle(x0, y, x1 - x0, width)
    ctx.fill()


def vline(ctx, x, y0, y1, col, width=1):
    ctx.set_source_rgba(*col)
    ctx.rectangle(x, y0, width, y1 - y0)
    ctx.fill()


def frame_rect(ctx, x0, y0, x1, y1, col, r=0):
    """1-pixel outline on the pixel grid around (x0, y0)..(x1, y1), both ends inclusive."""
    ctx.set_source_rgba(*col)
    ctx.set_line_width(1)
    if r:
        rounded(ctx, x0 + 0.5, y0 + 0.5, x1 - x0, y1 - y0, r)
    else:
        ctx.rectangle(x0 + 0.5, y0 + 0.5, x1 - x0, y1 - y0)
    ctx.stroke()


# --- text -----------------------------------------------------------------------------------

def text_width(s, key, size, tracking=0):
    f = font(key, size)
    if not tracking:
        return f.getlength(s)
    return sum(f.getlength(c) for c in s) + tracking * (len(s) - 1)


def cap_top(key, size):
    return font(key, size).getbbox("H")[1]


def cap_height(key, size):
    b = font(key, size).getbbox("H")
    return b[3] - b[1]


def text(ctx, s, x, y, key, size, col, align="left", tracking=0, fit=None):
    """Draws s with its capital letters' top at y; x is the left edge, centre or right edge.
    With fit, letters move closer together until the text is at most fit pixels wide."""
    if not s:
        return
    f = font(key, size)
    w = text_width(s, key, size, tracking)
    if fit and w > fit and len(s) > 1:
        tracking += (fit - w) / (len(s) - 1)
        w = text_width(s, key, size, tracking)
    if align == "center":
        x0 = round(x - w / 2)
    elif align == "right":
        x0 = round(x - w)
    else:
        x0 = round(x)
    ascent, descent = f.getmetrics()
    pad = 3
    iw, ih = int(math.ceil(w)) + 2 * pad, ascent + descent + 2 * pad
    img = Image.new("L", (iw, ih), 0)
    d = ImageDraw.Draw(img)
    if tracking:
        cx = 0.0
        for c in s:
            d.text((pad + round(cx), pad), c, fill=255, font=f)
            cx += f.getlength(c) + tracking
    else:
        d.text((pad, pad), s, fill=255, font=f)
    paint_mask(ctx, img, x0 - pad, round(y) - cap_top(key, size) - pad, col)
    return x0, x0 + w


def paint_mask(ctx, img, x, y, col):
    w, h = img.size
    stride = cairo.ImageSurface.format_stride_for_width(cairo.FORMAT_A8, w)
    raw = img.tobytes()
    buf = bytearray(stride * h)
    for row in range(h):
        buf[row * stride:row * stride + w] = raw[row * w:(row + 1) * w]
    mask = cairo.ImageSurface.create_for_data(buf, cairo.FORMAT_A8, w, h, stride)
    ctx.set_source_rgba(*col)
    ctx.mask_surface(mask, x, y)


# --- output ---------------------------------------------------------------------------------

def to_image(surface):
    surface.flush()
    w, h = surface.get_width(), surface.get_height()
    return Image.frombuffer("RGBA", (w, h), bytes(surface.get_data()), "raw", "BGRa",
                            surface.get_stride(), 1)


def from_image(img):
    """A PIL RGBA image as a cairo surface (premultiplied)."""
    img = img.convert("RGBA")
    w, h = img.size
    r, g, b, a = img.split()
    pre = Image.merge("RGBA", (b, g, r, a))
    data = bytearray(pre.tobytes())
    for i in range(0, len(data), 4):
        al = data[i + 3]
        if al != 255:
            data[i] = (data[i] * al + 127) // 255
            data[i + 1] = (data[i + 1] * al + 127) // 255
            data[i + 2] = (data[i + 2] * al + 127) // 255
    stride = cairo.ImageSurface.format_stride_for_width(cairo.FORMAT_ARGB32, w)
    assert stride == 4 * w
    return cairo.ImageSurface.create_for_data(data, cairo.FORMAT_ARGB32, w, h, stride)


def save_png(img, path):
    # No text chunks, no time stamp: the file depends on the pixels alone.
    img.save(path, "PNG", compress_level=9)
