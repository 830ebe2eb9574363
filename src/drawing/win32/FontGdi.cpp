// Text on Windows: GDI fonts. GDI ignores alpha and cannot blend a colour with a weight, so the
// text is drawn white on black into a small DIB section, read back as coverage and blended onto
// the surface in the text colour: the same path, and the same clipping, as every other drawing.
#include <windows.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "drawing/Font.h"
#include "drawing/win32/WideText.h"

namespace pellory::drawing {

std::wstring Widen(const char* text) {
  if (!text || !*text) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, &wide[0], n);
  wide.resize(static_cast<std::size_t>(n - 1));
  return wide;
}

namespace {

DWORD Quality(int quality) {
  switch (quality) {
    case 1: return NONANTIALIASED_QUALITY;
    case 2: return ANTIALIASED_QUALITY;
    case 3: return CLEARTYPE_QUALITY;
    default: return DEFAULT_QUALITY;
  }
}

UINT Format(int flags) {
  UINT format = DT_NOPREFIX;
  if (flags & kTextNoClip) format |= DT_NOCLIP;
  if (flags & kTextCenter) format |= DT_CENTER;
  else if (flags & kTextRight) format |= DT_RIGHT;
  return format;
}

class GdiFont : public Font {
 public:
  explicit GdiFont(const FontRequest& request) : Font(request) {}
  ~GdiFont() override {
    if (font_) DeleteObject(font_);
  }

  bool Open() {
    if (request_.size <= 0 || request_.size > 2000) return false;
    font_ = CreateFontA(request_.size, 0, request_.orientation * 10, request_.orientation * 10, request_.bold ? FW_BOLD : FW_NORMAL,
                        request_.italic ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, Quality(request_.quality), DEFAULT_PITCH, request_.face.c_str());
    return font_ != nullptr;
  }

  bool Draw(Surface& surface, const char* text, const Rect& rect, Pixel colour, int flags) override {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!surface.Valid()) return false;
    const std::wstring wide = Widen(text);
    if (wide.empty()) return true;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return false;
    HGDIOBJ oldFont = SelectObject(dc, font_);
    const UINT format = Format(flags);
    Rect area = surface.Clip();
    if (!(flags & kTextNoClip)) area = area.Intersect(rect);
    if (request_.orientation % 360 == 0) {
      // Only the text's own box (with room for overhangs) needs a mask.
      RECT box{rect.left, rect.top, rect.right, rect.bottom};
      DrawTextW(dc, wide.c_str(), -1, &box, format | DT_CALCRECT);
      const int w = box.right - box.left, h = box.bottom - box.top;
      int left = rect.left;
      if (flags & kTextCenter) left = (rect.left + rect.right - w) / 2;
      else if (flags & kTextRight) left = rect.right - w;
      const int margin = request_.size / 2 + 2;
      area = area.Intersect(Rect{left - margin, rect.top - margin, left + w + margin, rect.top + h + margin});
    }
    bool ok = true;
    if (!area.Empty()) ok = DrawMasked(dc, surface, wide, rect, area, colour, format);
    SelectObject(dc, oldFont);
    DeleteDC(dc);
    return ok;
  }

  bool Measure(const char* text, Rect& rect, int flags) override {
    std::lock_guard<std::mutex> guard(mutex_);
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return false;
    HGDIOBJ oldFont = SelectObject(dc, font_);
    const std::wstring wide = Widen(text);
    RECT box{rect.left, rect.top, rect.right, rect.bottom};
    DrawTextW(dc, wide.c_str(), -1, &box, Format(flags) | DT_CALCRECT);
    SelectObject(dc, oldFont);
    DeleteDC(dc);
    const int w = box.right - box.left, h = box.bottom - box.top;
    int left = rect.left;
    if (flags & kTextCenter) left = (rect.left + rect.right - w) / 2;
    else if (flags & kTextRight) left = rect.right - w;
    rect = Rect{left, rect.top, left + w, rect.top + h};
    return true;
  }

  std::string ResolvedFace() const override { return request_.face; }

 private:
  bool DrawMasked(HDC dc, Surface& surface, const std::wstring& text, const Rect& rect, const Rect& area,
                  Pixel colour, UINT format) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = area.Width();
    info.bmiHeader.biHeight = -area.Height();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP mask = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!mask || !bits) {
      if (mask) DeleteObject(mask);
      return false;
    }
    HGDIOBJ oldBitmap = SelectObject(dc, mask);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, TRANSPARENT);
    RECT r{rect.left - area.left, rect.top - area.top, rect.right - area.left, rect.bottom - area.top};
    DrawTextW(dc, text.c_str(), -1, &r, format);
    GdiFlush();
    const std::size_t count = static_cast<std::size_t>(area.Width()) * area.Height();
    std::vector<uint8_t> coverage(count);
    const Pixel* p = static_cast<const Pixel*>(bits);
    for (std::size_t i = 0; i < count; ++i)
      coverage[i] = static_cast<uint8_t>(std::max({PixelR(p[i]), PixelG(p[i]), PixelB(p[i])}));
    SelectObject(dc, oldBitmap);
    DeleteObject(mask);
    surface.BlendMask(coverage.data(), area.Width(), area.Height(), area.Width(), area.left, area.top, colour);
    return true;
  }

  std::mutex mutex_;
  HFONT font_ = nullptr;
};

}  // namespace

std::unique_ptr<Font> Font::Create(const FontRequest& request) {
  auto font = std::make_unique<GdiFont>(request);
  if (!font->Open()) return nullptr;
  return font;
}

}  // namespace pellory::drawing
