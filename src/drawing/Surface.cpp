#include "drawing/Surface.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace pellory::drawing {

namespace {
// x / 255 rounded to nearest, for 0 <= x <= 255 * 255.
inline int Div255(int x) { return (x + 127) / 255; }

inline int Channel(Pixel p, int shift) { return static_cast<int>((p >> shift) & 0xFF); }
}  // namespace

Surface::~Surface() { Destroy(); }

bool Surface::Create(int width, int height) {
  Destroy();
  // Far beyond any editor; keeps width * height * 4 well inside 32 bits.
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return false;
  if (!Allocate(width, height)) {
    pixels_ = nullptr;
    native_ = nullptr;
    return false;
  }
  width_ = width;
  height_ = height;
  clip_ = Bounds();
  return true;
}

void Surface::Destroy() {
  if (pixels_) Release();
  pixels_ = nullptr;
  native_ = nullptr;
  width_ = height_ = 0;
  clip_ = Rect{};
}

void Surface::SetClip(const Rect& clip) { clip_ = clip.Intersect(Bounds()); }

void Surface::Clear(Pixel colour) {
  if (!pixels_) return;
  std::fill(pixels_, pixels_ + static_cast<std::size_t>(width_) * height_, colour);
}

int Surface::WeightTo255(float weight) {
  if (!(weight > 0.0f)) return 0;
  if (weight >= 1.0f) return 255;
  return static_cast<int>(weight * 255.0f + 0.5f);
}

// Per channel, with s the source channel, d the destination channel, sa and da their alphas
// (all 0..255), w the weight scaled to 0..255 and Div255(x) = x / 255 rounded to nearest:
//
//   0 alpha-blended copy:  a = Div255(sa * w)
//                          out = Div255(s * a + d * (255 - a))
//   1 opaque copy:         a = w (the source alpha is ignored)
//                          out = Div255(s * a + d * (255 - a))
//   2 additive with alpha: a = Div255(sa * w)
//                          out = min(255, d + Div255(s * a))
//   3 colour dodge:        a = Div255(sa * w)
//                          t = 255 when s = 255, else min(255, d * 255 / (255 - s)) (truncated)
//                          out = Div255(t * a + d * (255 - a))
//
// The destination alpha becomes a + Div255(da * (255 - a)) in every method (source over
// destination), so an opaque destination stays opaque. The editor's surface is opaque (its
// background is an opaque copy); on a translucent destination (da < 255) the two copies use
// straight-alpha source-over instead, so that colours are not darkened:
//                          out = (s * a * 255 + d * da * (255 - a)) / (255 * outA), rounded
Pixel Surface::BlendPixel(Pixel dst, Pixel src, int method, int w) {
  const int sa = Channel(src, 24);
  const int a = method == 1 ? w : Div255(sa * w);
  if (a == 0) return dst;
  const int da = Channel(dst, 24);
  const int outA = a + Div255(da * (255 - a));
  int out[3];
  for (int i = 0; i < 3; ++i) {
    const int shift = 16 - 8 * i;
    const int s = Channel(src, shift);
    const int d = Channel(dst, shift);
    if (da != 255 && method <= 1) {
      const int den = 255 * outA;
      out[i] = (s * a * 255 + d * da * (255 - a) + den / 2) / den;
      continue;
    }
    switch (method) {
      case 2:
        out[i] = std::min(255, d + Div255(s * a));
        break;
      case 3: {
        const int t = s >= 255 ? 255 : std::min(255, d * 255 / (255 - s));
        out[i] = Div255(t * a + d * (255 - a));
        break;
      }
      default:
        out[i] = Div255(s * a + d * (255 - a));
        break;
    }
  }
  return MakePixel(outA, out[0], out[1], out[2]);
}

bool Surface::Blit(const Image& src, int srcX, int srcY, const Rect& dest, int method, float weight) {
  if (src.pixels.size() != static_cast<std::size_t>(src.width) * static_cast<std::size_t>(src.height))
    return false;
  return Blit(src.pixels.data(), src.width, src.height, srcX, srcY, dest, method, weight);
}

bool Surface::Blit(const Pixel* src, int srcWidth, int srcHeight, int srcX, int srcY, const Rect& dest,
                   int method, float weight) {
  if (!pixels_ || !src || srcWidth <= 0 || srcHeight <= 0) return false;
  if (method < 0 || method > 3) method = 0;
  // Destination pixel (x, y) shows source pixel (srcX + x - dest.left, srcY + y - dest.top):
  // keep the part of dest that has source behind it, then the clipping rectangle.
  Rect d = dest;
  d.left = std::max(d.left, dest.left - srcX);
  d.top = std::max(d.top, dest.top - srcY);
  d.right = std::min(d.right, dest.left + (srcWidth - srcX));
  d.bottom = std::min(d.bottom, dest.top + (srcHeight - srcY));
  const Rect c = d.Intersect(clip_);
  if (c.Empty()) return false;
  const int w = WeightTo255(weight);
  if (w == 0) return true;
  const int sx0 = srcX + (c.left - dest.left);
  const int sy0 = srcY + (c.top - dest.top);
  const int n = c.Width();
  for (int y = c.top; y < c.bottom; ++y) {
    Pixel* out = pixels_ + static_cast<std::size_t>(y) * width_ + c.left;
    const Pixel* in = src + static_cast<std::size_t>(sy0 + (y - c.top)) * srcWidth + sx0;
    if (method == 1 && w == 255) {
      // Opaque copy at full weight: the source replaces the destination, alpha made opaque.
      for (int i = 0; i < n; ++i) out[i] = in[i] | 0xFF000000u;
      continue;
    }
    for (int i = 0; i < n; ++i) {
      const Pixel s = in[i];
      if (method == 0 && w == 255) {
        // The common case of the editor's bitmaps: fully opaque or fully clear pixels.
        const Pixel sa = s >> 24;
        if (sa == 0) continue;
        if (sa == 255) {
          out[i] = s;
          continue;
        }
      }
      out[i] = BlendPixel(out[i], s, method, w);
    }
  }
  return true;
}

void Surface::FillRect(const Rect& rect, Pixel colour, int method, float weight) {
  if (!pixels_) return;
  if (method < 0 || method > 3) method = 0;
  const Rect c = rect.Intersect(clip_);
  if (c.Empty()) return;
  const int w = WeightTo255(weight);
  if (w == 0) return;
  for (int y = c.top; y < c.bottom; ++y) {
    Pixel* out = pixels_ + static_cast<std::size_t>(y) * width_;
    for (int x = c.left; x < c.right; ++x) out[x] = BlendPixel(out[x], colour, method, w);
  }
}

void Surface::DrawLine(int x1, int y1, int x2, int y2, Pixel colour, float weight) {
  if (!pixels_) return;
  const int w = WeightTo255(weight);
  if (w == 0) return;
  // Bresenham; every point is tested against the clipping rectangle.
  const int dx = std::abs(x2 - x1), sx = x1 < x2 ? 1 : -1;
  const int dy = -std::abs(y2 - y1), sy = y1 < y2 ? 1 : -1;
  int err = dx + dy;
  // Lines are short (editor graphics); a bound keeps an absurd one from running long.
  for (long steps = 0; steps <= 2L * 32768; ++steps) {
    if (x1 >= clip_.left && x1 < clip_.right && y1 >= clip_.top && y1 < clip_.bottom) {
      Pixel& p = pixels_[static_cast<std::size_t>(y1) * width_ + x1];
      p = BlendPixel(p, colour, 0, w);
    }
    if (x1 == x2 && y1 == y2) break;
    const int e2 = 2 * err;
    if (e2 >= dy) err += dy, x1 += sx;
    if (e2 <= dx) err += dx, y1 += sy;
  }
}

void Surface::BlendMask(const uint8_t* mask, int maskWidth, int maskHeight, int maskStride, int x, int y,
                        Pixel colour) {
  if (!pixels_ || !mask) return;
  const Rect c = Rect{x, y, x + maskWidth, y + maskHeight}.Intersect(clip_);
  if (c.Empty()) return;
  const int ca = Channel(colour, 24);
  const Pixel opaque = colour | 0xFF000000u;
  for (int py = c.top; py < c.bottom; ++py) {
    const uint8_t* m = mask + static_cast<std::ptrdiff_t>(py - y) * maskStride + (c.left - x);
    Pixel* out = pixels_ + static_cast<std::size_t>(py) * width_;
    for (int px = c.left; px < c.right; ++px, ++m) {
      if (*m == 0) continue;
      out[px] = BlendPixel(out[px], opaque, 1, Div255(*m * ca));
    }
  }
}

}  // namespace pellory::drawing
