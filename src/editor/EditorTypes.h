#pragma once
#include <cstdint>

namespace pellory {

namespace drawing {
struct Image;
class Font;
}  // namespace drawing

// A rectangle of surface pixels; right and bottom are exclusive. All zero is the empty one.
struct IRect {
  int32_t L = 0, T = 0, R = 0, B = 0;

  IRect() = default;
  IRect(int l, int t, int r, int b) : L(l), T(t), R(r), B(b) {}

  bool Empty() const { return L == 0 && T == 0 && R == 0 && B == 0; }
  int W() const { return R - L; }
  int H() const { return B - T; }
  float MW() const { return 0.5f * static_cast<float>(L + R); }
  float MH() const { return 0.5f * static_cast<float>(T + B); }
  bool Contains(int x, int y) const { return !Empty() && x >= L && x < R && y >= T && y < B; }
  bool Intersects(const IRect& o) const {
    return !Empty() && !o.Empty() && R > o.L && L < o.R && B > o.T && T < o.B;
  }
  // The common part; empty when they do not meet.
  IRect Intersect(const IRect& o) const {
    if (!Intersects(o)) return IRect();
    return IRect(L > o.L ? L : o.L, T > o.T ? T : o.T, R < o.R ? R : o.R, B < o.B ? B : o.B);
  }
  // The smallest rectangle holding both; the union with an empty rectangle is the other one.
  IRect Union(const IRect& o) const {
    if (Empty()) return o;
    if (o.Empty()) return *this;
    return IRect(L < o.L ? L : o.L, T < o.T ? T : o.T, R > o.R ? R : o.R, B > o.B ? B : o.B);
  }
  bool operator==(const IRect& o) const { return L == o.L && T == o.T && R == o.R && B == o.B; }
  bool operator!=(const IRect& o) const { return !(*this == o); }
};

struct IColor {
  int32_t A = 255, R = 0, G = 0, B = 0;

  IColor() = default;
  IColor(int a, int r, int g, int b) : A(a), R(r), G(g), B(b) {}
  // alpha<<24 | red<<16 | green<<8 | blue, as the drawing layer takes colours.
  uint32_t Packed() const {
    return (static_cast<uint32_t>(A & 0xFF) << 24) | (static_cast<uint32_t>(R & 0xFF) << 16) |
           (static_cast<uint32_t>(G & 0xFF) << 8) | static_cast<uint32_t>(B & 0xFF);
  }
  bool operator==(const IColor& o) const { return A == o.A && R == o.R && G == o.G && B == o.B; }
  bool operator!=(const IColor& o) const { return !(*this == o); }
};

extern const IColor COLOR_BLACK;
extern const IColor COLOR_WHITE;

struct ITextStyle {
  enum Style { kStyleNormal = 0, kStyleBold = 1, kStyleItalic = 2 };
  enum Align { kAlignNear = 0, kAlignCenter = 1, kAlignFar = 2 };
  enum Quality { kQualityDefault = 0, kQualityNonAntiAliased = 1, kQualityAntiAliased = 2, kQualityClearType = 3 };

  char mFont[32] = "Verdana";
  int mSize = 12;
  IColor mColor{255, 0, 0, 0};
  IColor mTextEntryBGColor{255, 255, 255, 255};
  IColor mTextEntryFGColor{255, 0, 0, 0};
  int mStyle = kStyleNormal;
  int mAlign = kAlignCenter;
  int mOrientation = 0;
  int mQuality = kQualityDefault;
  // Set by the surface from the process-wide font cache, which owns the font.
  mutable drawing::Font* mCached = nullptr;

  ITextStyle() = default;
  ITextStyle(int size, const IColor& color, const char* face = nullptr, int style = kStyleNormal,
             int align = kAlignCenter, int orientation = 0, int quality = kQualityDefault);
};

// A picture from the process-wide bitmap cache, cut into N frames: stacked vertically (each H/N
// high) or, when mFramesAreHorizontal, side by side (each W/N wide).
struct IBitmap {
  const drawing::Image* mData = nullptr;
  int W = 0, H = 0, N = 1;
  bool mFramesAreHorizontal = false;

  IBitmap() = default;
  IBitmap(const drawing::Image* data, int w, int h, int n = 1, bool framesAreHorizontal = false)
      : mData(data), W(w), H(h), N(n < 1 ? 1 : n), mFramesAreHorizontal(framesAreHorizontal) {}
  int FrameWidth() const { return mFramesAreHorizontal ? W / N : W; }
  int FrameHeight() const { return mFramesAreHorizontal ? H : H / N; }
};

struct BlendMode {
  enum Method { kBlendNone = 0, kBlendClobber = 1, kBlendAdd = 2, kBlendColorDodge = 3 };
  int mMethod = kBlendNone;
  float mWeight = 1.0f;  // multiplies the source alpha

  BlendMode() = default;
  BlendMode(int method, float weight = 1.0f) : mMethod(method), mWeight(weight) {}
};

struct MouseModifiers {
  bool L = false, R = false, S = false, C = false, A = false;

  MouseModifiers() = default;
  MouseModifiers(bool left, bool right = false, bool shift = false, bool control = false, bool alt = false)
      : L(left), R(right), S(shift), C(control), A(alt) {}
};

// Key codes the controls receive.
enum IKeyCode {
  KEY_SPACE = 0,
  KEY_UPARROW = 1,
  KEY_DOWNARROW = 2,
  KEY_LEFTARROW = 3,
  KEY_RIGHTARROW = 4,
  KEY_DIGIT_0 = 5,   // '0' to '9' are 5 to 14
  KEY_ALPHA_A = 15,  // 'A' to 'Z' (either case) are 15 to 40
  KEY_NONE = -1,
};
// The key code of a character (space, digit or letter), or KEY_NONE.
int KeyCodeForCharacter(int character);

}  // namespace pellory
