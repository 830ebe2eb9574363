#pragma once
#include <cstdint>

#include "drawing/Image.h"

namespace pellory::drawing {

// How a source pixel meets the destination. Every method weights the source by an alpha
// factor; the exact per-channel arithmetic is written at Surface::Blit.
enum BlendMethod {
  kBlendAlpha = 0,   // alpha-blended copy (source over destination)
  kBlendOpaque = 1,  // opaque copy: the source's own alpha is ignored
  kBlendAdd = 2,     // additive with alpha
  kBlendDodge = 3,   // colour dodge with alpha
};

// The editor's off-screen picture: one per editor, drawn into by the controls and copied to the
// screen by the window. On Windows its pixels live in a DIB section so the window can blit them
// and GDI can draw text into them; elsewhere in ordinary memory.
class Surface {
 public:
  Surface() = default;
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  // (Re)creates the pixels, all transparent black; false (and no pixels) on a bad size or
  // when memory runs out. The clipping rectangle becomes the whole surface.
  bool Create(int width, int height);
  void Destroy();

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Valid() const { return pixels_ != nullptr; }
  Pixel* Pixels() { return pixels_; }
  const Pixel* Pixels() const { return pixels_; }
  Pixel At(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  Rect Bounds() const { return Rect{0, 0, width_, height_}; }
  // The DIB section's HBITMAP on Windows; null elsewhere.
  void* NativeBitmap() const { return native_; }

  // Everything drawn lands inside the clipping rectangle (limited to the surface).
  void SetClip(const Rect& clip);
  void ResetClip() { clip_ = Bounds(); }
  const Rect& Clip() const { return clip_; }

  void Clear(Pixel colour);
  // Copies the part of src that starts at (srcX, srcY) to dest (width and height from dest),
  // blending with method and weight (0..1, multiplies the source alpha). Parts outside the
  // source or the clipping rectangle are skipped. False when nothing could be drawn.
  bool Blit(const Image& src, int srcX, int srcY, const Rect& dest, int method, float weight);
  bool Blit(const Pixel* src, int srcWidth, int srcHeight, int srcX, int srcY, const Rect& dest, int method,
            float weight);
  // Fills rect with colour (its alpha and the weight both apply) in the given method.
  void FillRect(const Rect& rect, Pixel colour, int method, float weight);
  // A one-pixel line from (x1, y1) to (x2, y2), both ends included, alpha-blended.
  void DrawLine(int x1, int y1, int x2, int y2, Pixel colour, float weight = 1.0f);
  // Blends a coverage mask (0..255 per pixel, width x height, row stride maskStride) in colour at
  // (x, y): text glyphs end here.
  void BlendMask(const uint8_t* mask, int maskWidth, int maskHeight, int maskStride, int x, int y, Pixel colour);

  // The per-pixel arithmetic, exposed for tests and for callers blending single pixels.
  static Pixel BlendPixel(Pixel dst, Pixel src, int method, int weight255);
  static int WeightTo255(float weight);

 private:
  bool Allocate(int width, int height);  // platform part
  void Release();                        // platform part

  Pixel* pixels_ = nullptr;
  void* native_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  Rect clip_{};
};

}  // namespace pellory::drawing
