#pragma once
#include <memory>
#include <string>

#include "drawing/Surface.h"

namespace pellory::drawing {

// What a font is made from. The height is the cell height in pixels (ascent plus descent), as
// a positive height asks of Windows fonts.
struct FontRequest {
  std::string face = "Verdana";
  int size = 12;
  bool bold = false;
  bool italic = false;
  int orientation = 0;  // degrees counter-clockwise
  int quality = 0;      // 0 default, 1 not antialiased, 2 antialiased, 3 ClearType
};

// Text placement in its rectangle: the first line starts at the top; horizontally near edge
// unless centred or right-aligned. Without kTextNoClip the text is also cut to the rectangle.
enum TextFlags { kTextNoClip = 1, kTextCenter = 2, kTextRight = 4 };

// A platform font: FreeType faces found by fontconfig on Linux, GDI fonts on Windows. One font
// may be used by several editors on several threads; each call is serialised inside.
class Font {
 public:
  // Null when no face can be found or loaded.
  static std::unique_ptr<Font> Create(const FontRequest& request);
  virtual ~Font() = default;

  const FontRequest& Request() const { return request_; }
  // Draws UTF-8 text (lines split at '\n') in rect with colour (0xAARRGGBB; alpha 255 is
  // opaque). False when the text could not be rendered.
  virtual bool Draw(Surface& surface, const char* text, const Rect& rect, Pixel colour, int flags) = 0;
  // Sets rect to the box the text occupies when drawn in rect with these flags.
  virtual bool Measure(const char* text, Rect& rect, int flags) = 0;
  // The name of the font file or face actually used (for tests and diagnostics).
  virtual std::string ResolvedFace() const = 0;

 protected:
  explicit Font(const FontRequest& request) : request_(request) {}
  FontRequest request_;
};

}  // namespace pellory::drawing
