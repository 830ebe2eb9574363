// Text on Linux: faces found by fontconfig (so "Arial" and "Verdana" become the metric-compatible
// faces the system has), rendered by FreeType into coverage masks blended onto the surface.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>
#include <mutex>
#include <unordered_map>

#include "drawing/Font.h"
#include "drawing/TextLayout.h"

namespace pellory::drawing {

namespace {

// The module's own fontconfig configuration, loaded on first use and released when the module
// unloads. Private, so that the plug-in neither depends on nor disturbs the host's use of
// fontconfig (and never has to shut the library down under the host).
class FontconfigState {
 public:
  ~FontconfigState() {
    if (config_) FcConfigDestroy(config_);
  }
  std::mutex mutex;
  // Null when fontconfig cannot load its configuration; called with the mutex held.
  FcConfig* Config() {
    if (!config_ && !failed_) {
      config_ = FcInitLoadConfigAndFonts();
      failed_ = config_ == nullptr;
    }
    return config_;
  }

 private:
  FcConfig* config_ = nullptr;
  bool failed_ = false;
};

FontconfigState& Fontconfig() {
  static FontconfigState state;
  return state;
}

// The font file and face index fontconfig picks for the requested face; false when it finds none.
bool FindFontFile(const FontRequest& request, std::string& file, int& index) {
  FontconfigState& fc = Fontconfig();
  std::lock_guard<std::mutex> guard(fc.mutex);
  FcConfig* config = fc.Config();
  if (!config) return false;
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return false;
  const std::string family = request.face.empty() ? "sans-serif" : request.face;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, request.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  FcChar8* path = nullptr;
  int faceIndex = 0;
  bool found = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path;
  if (found) {
    file = reinterpret_cast<const char*>(path);
    if (FcPatternGetInteger(match, FC_INDEX, 0, &faceIndex) != FcResultMatch) faceIndex = 0;
    index = faceIndex;
  }
  FcPatternDestroy(match);
  return found;
}

struct Glyph {
  int left = 0;     // from the pen to the mask's left edge
  int top = 0;      // from the baseline up to the mask's top edge
  int width = 0, height = 0;
  long advance = 0;  // 26.6 pixels
  std::vector<uint8_t> mask;
};

class FreeTypeFont : public Font {
 public:
  explicit FreeTypeFont(const FontRequest& request) : Font(request) {}

  ~FreeTypeFont() override {
    if (face_) FT_Done_Face(face_);
    if (library_) FT_Done_FreeType(library_);
  }

  bool Open() {
    if (request_.size <= 0 || request_.size > 2000) return false;
    int index = 0;
    if (!FindFontFile(request_, file_, index)) return false;
    // A library per font: faces are then independent of each other across threads.
    if (FT_Init_FreeType(&library_) != 0) {
      library_ = nullptr;
      return false;
    }
    if (FT_New_Face(library_, file_.c_str(), index, &face_) != 0) {
      face_ = nullptr;
      return false;
    }
    // The size is the cell height (ascender plus descender), as for Windows fonts.
    FT_Size_RequestRec request{};
    request.type = FT_SIZE_REQUEST_TYPE_REAL_DIM;
    request.height = static_cast<FT_Long>(request_.size) * 64;
    if (FT_Request_Size(face_, &request) != 0 && FT_Set_Pixel_Sizes(face_, 0, request_.size) != 0) return false;
    ascender_ = static_cast<int>((face_->size->metrics.ascender + 32) >> 6);
    lineHeight_ = request_.size;
    if (request_.orientation % 360 != 0) {
      const double angle = request_.orientation * 3.14159265358979323846 / 180.0;
      cos_ = std::cos(angle);
      sin_ = std::sin(angle);
      rotated_ = true;
    }
    return true;
  }

  bool Draw(Surface& surface, const char* text, const Rect& rect, Pixel colour, int flags) override {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!surface.Valid()) return false;
    const Rect savedClip = surface.Clip();
    if (!(flags & kTextNoClip)) surface.SetClip(savedClip.Intersect(rect));
    const auto lines = SplitLines(DecodeUtf8(text));
    bool ok = true;
    for (std::size_t n = 0; n < lines.size(); ++n) {
      const long width = LineWidth(lines[n]);
      // Pen start in 26.6 units along the text direction; the baseline one ascent below the top.
      double penX = rect.left * 64.0;
      if (flags & kTextCenter)
        penX = (rect.left + rect.right) * 32.0 - width / 2.0;
      else if (flags & kTextRight)
        penX = rect.right * 64.0 - width;
      const double lineTop = rect.top + static_cast<double>(n) * lineHeight_;
      double along = 0.0;
      for (uint32_t cp : lines[n]) {
        const Glyph* g = GetGlyph(cp);
        if (!g) {
          ok = false;
          continue;
        }
        int x, y;
        if (!rotated_) {
          x = static_cast<int>(std::floor((penX + along) / 64.0 + 0.5)) + g->left;
          y = static_cast<int>(lineTop) + ascender_ - g->top;
        } else {
          // The line turns about the rectangle's top-left corner.
          const double ox = (penX - rect.left * 64.0 + along) / 64.0;
          const double oy = (lineTop - rect.top) + ascender_;
          const double rx = rect.left + ox * cos_ + oy * sin_;
          const double ry = rect.top - ox * sin_ + oy * cos_;
          x = static_cast<int>(std::floor(rx + 0.5)) + g->left;
          y = static_cast<int>(std::floor(ry + 0.5)) - g->top;
        }
        if (!g->mask.empty()) surface.BlendMask(g->mask.data(), g->width, g->height, g->width, x, y, colour);
        along += static_cast<double>(g->advance);
      }
    }
    surface.SetClip(savedClip);
    return ok;
  }

  bool Measure(const char* text, Rect& rect, int flags) override {
    std::lock_guard<std::mutex> guard(mutex_);
    const auto lines = SplitLines(DecodeUtf8(text));
    long widest = 0;
    for (const auto& line : lines) widest = std::max(widest, LineWidth(line));
    const int w = static_cast<int>((widest + 63) / 64);
    int left = rect.left;
    if (flags & kTextCenter)
      left = (rect.left + rect.right - w) / 2;
    else if (flags & kTextRight)
      left = rect.right - w;
    rect = Rect{left, rect.top, left + w, rect.top + static_cast<int>(lines.size()) * lineHeight_};
    return true;
  }

  std::string ResolvedFace() const override { return file_; }

 private:
  long LineWidth(const std::vector<uint32_t>& line) {
    long width = 0;
    for (uint32_t cp : line)
      if (const Glyph* g = GetGlyph(cp)) width += g->advance;
    return width;
  }

  // The rendered glyph, from the font's own cache (the lock is held by the caller).
  const Glyph* GetGlyph(uint32_t cp) {
    auto it = glyphs_.find(cp);
    if (it != glyphs_.end()) return &it->second;
    if (glyphs_.size() > 4096) glyphs_.clear();
    const bool mono = request_.quality == 1;
    FT_Int32 load = FT_LOAD_DEFAULT | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    if (rotated_) {
      FT_Matrix m;
      m.xx = static_cast<FT_Fixed>(cos_ * 65536.0);
      m.xy = static_cast<FT_Fixed>(-sin_ * 65536.0);
      m.yx = static_cast<FT_Fixed>(sin_ * 65536.0);
      m.yy = static_cast<FT_Fixed>(cos_ * 65536.0);
      FT_Set_Transform(face_, &m, nullptr);
    }
    if (FT_Load_Char(face_, cp, load) != 0) return nullptr;
    Glyph g;
    // The advance along the text direction, before any rotation.
    g.advance = rotated_ ? static_cast<long>(std::lround(std::hypot(face_->glyph->advance.x, face_->glyph->advance.y)))
                         : face_->glyph->advance.x;
    if (FT_Render_Glyph(face_->glyph, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return nullptr;
    const FT_Bitmap& bm = face_->glyph->bitmap;
    g.left = face_->glyph->bitmap_left;
    g.top = face_->glyph->bitmap_top;
    g.width = static_cast<int>(bm.width);
    g.height = static_cast<int>(bm.rows);
    g.mask.assign(static_cast<std::size_t>(g.width) * g.height, 0);
    for (int y = 0; y < g.height; ++y) {
      const unsigned char* row = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
      for (int x = 0; x < g.width; ++x) {
        uint8_t v;
        if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
          v = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        else
          v = row[x];
        g.mask[static_cast<std::size_t>(y) * g.width + x] = v;
      }
    }
    return &glyphs_.emplace(cp, std::move(g)).first->second;
  }

  std::mutex mutex_;
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
  std::string file_;
  int ascender_ = 0;
  int lineHeight_ = 0;
  bool rotated_ = false;
  double cos_ = 1.0, sin_ = 0.0;
  std::unordered_map<uint32_t, Glyph> glyphs_;
};

}  // namespace

std::unique_ptr<Font> Font::Create(const FontRequest& request) {
  auto font = std::make_unique<FreeTypeFont>(request);
  if (!font->Open()) return nullptr;
  return font;
}

}  // namespace pellory::drawing
