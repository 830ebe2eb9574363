#pragma once
#include <cstdint>
#include <vector>

namespace pellory::drawing {

// Pixels are 32-bit words 0xAARRGGBB, straight (not premultiplied) alpha, rows top to bottom.
// In memory on little-endian machines that is B, G, R, A: the layout of a Windows 32-bit DIB.
using Pixel = uint32_t;

constexpr int PixelA(Pixel p) { return static_cast<int>(p >> 24); }
constexpr int PixelR(Pixel p) { return static_cast<int>((p >> 16) & 0xFF); }
constexpr int PixelG(Pixel p) { return static_cast<int>((p >> 8) & 0xFF); }
constexpr int PixelB(Pixel p) { return static_cast<int>(p & 0xFF); }
constexpr Pixel MakePixel(int a, int r, int g, int b) {
  return (static_cast<Pixel>(a) << 24) | (static_cast<Pixel>(r) << 16) | (static_cast<Pixel>(g) << 8) |
         static_cast<Pixel>(b);
}

// Right and bottom are exclusive.
struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  Rect Intersect(const Rect& o) const {
    Rect r{left > o.left ? left : o.left, top > o.top ? top : o.top, right < o.right ? right : o.right,
           bottom < o.bottom ? bottom : o.bottom};
    if (r.Empty()) r = Rect{};
    return r;
  }
};

// A decoded picture (a PNG bitmap) in memory.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<Pixel> pixels;
  Pixel At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

}  // namespace pellory::drawing
