#include "editor/IGraphics.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <tuple>
#include <utility>

#include "core/IParameter.h"
#include "core/IPlugBase.h"
#include "drawing/Font.h"
#include "drawing/Image.h"
#include "drawing/Png.h"

namespace pellory {

namespace {

// Process-wide caches shared by every editor of every instance. Entries live until the module
// is unloaded, when these statics are destroyed.
// A PNG is registered with the size its header gives and decoded on its first draw, so that
// creating an instance (hosts create one just to scan it) costs no decoding.
struct BitmapEntry {
  int id = 0;
  std::unique_ptr<drawing::Image> image;
  std::string name;      // for the deferred decode
  bool pending = false;  // size known, pixels not yet decoded
};

struct BitmapCache {
  std::mutex lock;
  std::vector<BitmapEntry> entries;
};

bool IsPngName(const char* name) {
  const char* dot = name ? std::strrchr(name, '.') : nullptr;
  if (!dot) return false;
  std::string ext(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == "png";
}

using FontKey = std::tuple<int, int, int, std::string>;  // size, style, orientation, face

struct FontCache {
  std::mutex lock;
  std::vector<std::pair<FontKey, std::unique_ptr<drawing::Font>>> entries;
};

BitmapCache& Bitmaps() {
  static BitmapCache cache;
  return cache;
}

FontCache& Fonts() {
  static FontCache cache;
  return cache;
}

drawing::Rect ToRect(const IRect& r) { return drawing::Rect{r.L, r.T, r.R, r.B}; }

bool SameFont(const drawing::Font* font, const ITextStyle& style) {
  const drawing::FontRequest& s = font->Request();
  return s.size == style.mSize && s.bold == (style.mStyle == ITextStyle::kStyleBold) &&
         s.italic == (style.mStyle == ITextStyle::kStyleItalic) && s.orientation == style.mOrientation &&
         s.face == style.mFont;
}

}  // namespace

IGraphics::IGraphics(IPlugBase* plug, int width, int height, int fps)
    : mPlug(plug), mWidth(width), mHeight(height), mFPS(fps > 0 ? fps : 25) {}

IGraphics::~IGraphics() {
  // Controls go in reverse order of attachment.
  while (!mControls.empty()) mControls.pop_back();
}

bool IGraphics::PrepDraw() { return mSurface.Create(mWidth, mHeight); }

void IGraphics::Resize(int width, int height) {
  if (width == mWidth && height == mHeight) return;
  mWidth = width;
  mHeight = height;
  if (mSurface.Valid()) PrepDraw();
  MarkAllControlsDirty();
  if (mPlug) mPlug->ResizeEditor();
}

// ---- Editor services ----

int IGraphics::AskCommit(int program) {
  char text[128];
  std::snprintf(text, sizeof(text), "PRG %i has uncommitted changes!\nDo you want to commit the changes?", program);
  switch (ShowMessageBox(text, "Uncommitted Changes", kMB_YESNOCANCEL)) {
    case kIDYES: return kAnswerYes;
    case kIDNO: return kAnswerNo;
    case kResultNotShown: return kNotAsked;
    default: return kAnswerCancel;
  }
}

int IGraphics::ShowMessageBox(const std::string& text, const std::string& caption, int style) {
  return ShowMessageBox(text.c_str(), caption.c_str(), style);
}

std::string IGraphics::ChooseFile(const std::string& fileName, ProgramDialogs::FileAction action,
                                  const std::string& folder, const std::string& extensions) {
  std::string name = fileName;
  std::string where = folder;
  ChooseFile(name, static_cast<int>(action), where, extensions.c_str());
  return name;
}

bool IGraphics::OpenWebPage(const std::string& url) { return OpenWebPage(url.c_str(), nullptr, nullptr, nullptr); }

void IGraphics::ShowTapeDialog() {
  if (!mTapeDialog) return;
  mTapeDialog->SetHidden(false);
  mTapeDialog->SetDirty(false);
}

// ---- Controls ----

int IGraphics::AddControl(IControl* control) {
  mControls.emplace_back(control);
  return NControls() - 1;
}

void IGraphics::SetBackground(int id, const char* name) {
  const IBitmap bitmap = LoadBitmap(id, name);
  auto* background = new IBitmapControl(mPlug, 0, 0, -1, bitmap, BlendMode(BlendMode::kBlendClobber));
  background->SetRECT(IRect(0, 0, mWidth, mHeight));
  mControls.emplace(mControls.begin(), background);
  // Every index moved up by one.
  mMouseCapture = -1;
  mMouseOver = -1;
}

// ---- Caches ----

IBitmap IGraphics::LoadBitmap(int id, const char* name, int nStates, bool framesAreHorizontal) {
  BitmapCache& cache = Bitmaps();
  const drawing::Image* image = nullptr;
  {
    // Held while decoding, so that each picture is decoded once per process.
    std::lock_guard<std::mutex> guard(cache.lock);
    for (const auto& entry : cache.entries)
      if (entry.id == id) image = entry.image.get();
    if (!image) {
      BitmapEntry entry;
      entry.id = id;
      int w = 0, h = 0;
      if (mDeferDecoding && IsPngName(name) && drawing::ReadPngResourceSize(id, w, h)) {
        entry.image = std::make_unique<drawing::Image>();
        entry.image->width = w;
        entry.image->height = h;
        entry.name = name;
        entry.pending = true;
      } else {
        entry.image.reset(LoadBitmapResource(id, name));
      }
      if (entry.image) {
        image = entry.image.get();
        cache.entries.push_back(std::move(entry));
      }
    }
  }
  if (!image) return IBitmap(nullptr, 0, 0, nStates, framesAreHorizontal);
  return IBitmap(image, image->width, image->height, nStates, framesAreHorizontal);
}

drawing::Font* IGraphics::CachedFont(const ITextStyle& style) {
  if (style.mCached && SameFont(style.mCached, style)) return style.mCached;
  FontCache& cache = Fonts();
  FontKey key(style.mSize, style.mStyle, style.mOrientation, std::string(style.mFont));
  std::lock_guard<std::mutex> guard(cache.lock);
  for (const auto& entry : cache.entries)
    if (entry.first == key) return style.mCached = entry.second.get();
  drawing::FontRequest request;
  request.face = style.mFont;
  request.size = style.mSize;
  request.bold = style.mStyle == ITextStyle::kStyleBold;
  request.italic = style.mStyle == ITextStyle::kStyleItalic;
  request.orientation = style.mOrientation;
  request.quality = style.mQuality;
  std::unique_ptr<drawing::Font> font = drawing::Font::Create(request);
  if (!font) return nullptr;
  drawing::Font* created = font.get();
  cache.entries.emplace_back(std::move(key), std::move(font));
  return style.mCached = created;
}

int IGraphics::CachedBitmapCount() {
  BitmapCache& cache = Bitmaps();
  std::lock_guard<std::mutex> guard(cache.lock);
  return static_cast<int>(cache.entries.size());
}

int IGraphics::CachedFontCount() {
  FontCache& cache = Fonts();
  std::lock_guard<std::mutex> guard(cache.lock);
  return static_cast<int>(cache.entries.size());
}

// ---- Drawing ----

bool IGraphics::EnsureDecoded(const drawing::Image* image) {
  BitmapCache& cache = Bitmaps();
  std::lock_guard<std::mutex> guard(cache.lock);
  for (BitmapEntry& entry : cache.entries) {
    if (entry.image.get() != image) continue;
    if (entry.pending) {
      entry.pending = false;
      std::unique_ptr<drawing::Image> decoded(LoadBitmapResource(entry.id, entry.name.c_str()));
      // A picture whose pixels disagree with its header stays empty: nothing is drawn.
      if (decoded && decoded->width == entry.image->width && decoded->height == entry.image->height)
        entry.image->pixels = std::move(decoded->pixels);
    }
    return !entry.image->pixels.empty();
  }
  return true;  // not from the cache: the caller's own picture
}

bool IGraphics::DrawBitmap(const IBitmap& bitmap, const IRect& rect, int frame, const BlendMode* blend) {
  if (!bitmap.mData || !mSurface.Valid()) return false;
  if (!EnsureDecoded(bitmap.mData)) return false;
  int srcX = 0, srcY = 0;
  if (bitmap.N >= 2 && frame >= 2) {
    const int size = bitmap.mFramesAreHorizontal ? bitmap.W : bitmap.H;
    const int offset = static_cast<int>(static_cast<double>(size) * (frame - 1) / bitmap.N + 0.5);
    (bitmap.mFramesAreHorizontal ? srcX : srcY) = offset;
  }
  const BlendMode mode = blend ? *blend : BlendMode();
  return mSurface.Blit(*bitmap.mData, srcX, srcY, ToRect(rect), mode.mMethod, mode.mWeight);
}

bool IGraphics::FillRect(const IColor& colour, const IRect& rect, const BlendMode* blend) {
  if (!mSurface.Valid()) return false;
  const BlendMode mode = blend ? *blend : BlendMode();
  mSurface.FillRect(ToRect(rect), colour.Packed(), mode.mMethod, mode.mWeight);
  return true;
}

bool IGraphics::DrawLine(const IColor& colour, int x1, int y1, int x2, int y2, const BlendMode* blend) {
  if (!mSurface.Valid()) return false;
  mSurface.DrawLine(x1, y1, x2, y2, colour.Packed(), blend ? blend->mWeight : 1.0f);
  return true;
}

bool IGraphics::DrawText(const ITextStyle& style, const char* text, const IRect& rect) {
  if (!text || !*text) return true;
  if (!mSurface.Valid()) return false;
  drawing::Font* font = CachedFont(style);
  if (!font) return false;
  int flags = drawing::kTextNoClip;
  if (style.mAlign == ITextStyle::kAlignCenter) flags |= drawing::kTextCenter;
  if (style.mAlign == ITextStyle::kAlignFar) flags |= drawing::kTextRight;
  return font->Draw(mSurface, text, ToRect(rect), style.mColor.Packed(), flags);
}

bool IGraphics::MeasureText(const ITextStyle& style, const char* text, IRect& rect) {
  drawing::Font* font = CachedFont(style);
  if (!font || !text) return false;
  int flags = drawing::kTextNoClip;
  if (style.mAlign == ITextStyle::kAlignCenter) flags |= drawing::kTextCenter;
  if (style.mAlign == ITextStyle::kAlignFar) flags |= drawing::kTextRight;
  drawing::Rect r = ToRect(rect);
  if (!font->Measure(text, r, flags)) return false;
  rect = IRect(r.left, r.top, r.right, r.bottom);
  return true;
}

// ---- Plug-in to editor ----

void IGraphics::SetParameterFromPlugin(int paramIdx, double value, bool normalized) {
  if (!normalized) {
    const IParameter* param = mPlug ? mPlug->GetParameter(paramIdx) : nullptr;
    if (!param) return;
    value = param->GetNormalized(value);
  }
  for (const auto& control : mControls) {
    if (control->ParamIdx() == paramIdx) control->SetValueFromPlugin(value);
    const int aux = control->AuxParamIdx(paramIdx);
    if (aux >= 0) control->SetAuxValueFromPlugin(aux, value);
  }
}

void IGraphics::MarkAllControlsDirty() {
  for (const auto& control : mControls) control->SetDirty(false);
}

void IGraphics::PromptForValue(IControl* control, IParameter* param, const IRect& rect) {
  if (!control || !param) return;
  char current[64];
  param->GetDisplayText(param->Value(), false, current, sizeof(current));
  const int type = param->GetType();
  const int count = param->GetDisplayTextCount();
  if (type == IParameter::kTypeEnum || (type == IParameter::kTypeBool && count >= 1)) {
    IPopupMenu menu;
    for (int i = 0; i < count; ++i) {
      const char* text = param->GetDisplayTextForValue(i);
      menu.AddItem(text ? text : "", text && std::strcmp(text, current) == 0 ? IPopupMenu::kChecked : 0);
    }
    IPopupMenu* chosen = ShowPopupMenu(&menu, rect);
    if (chosen == &menu && menu.GetChosenItemIdx() >= 0)
      control->SetValueFromUser(param->GetNormalized(static_cast<double>(menu.GetChosenItemIdx())));
    return;
  }
  // The formatter when there is one, else the number (negated when shown negated).
  char text[64];
  param->GetDisplayText(param->Value(), false, text, sizeof(text), false);
  ShowTextEntry(control, control->GetTextStyle(), rect, text, param);
}

void IGraphics::SetFromStringAfterPrompt(IControl* control, IParameter* param, const char* text) {
  if (!control) return;
  // The entry hands over at most 31 characters.
  std::string typed(text ? text : "");
  if (typed.size() > 31) typed.resize(31);
  if (!param) {
    control->OnTextEntered(typed.c_str());
    return;
  }
  double plain = 0.0;
  const int type = param->GetType();
  if (type == IParameter::kTypeBool || type == IParameter::kTypeEnum) {
    for (int i = 0; i < param->GetDisplayTextCount(); ++i) {
      if (typed == param->GetDisplayTextAt(i)) {
        double value = 0.0;
        param->ParseDisplayText(param->GetDisplayTextAt(i), value);
        plain = value;
        break;
      }
    }
  } else {
    // Read as a host's typed text is read: the text shown for a value gives that value back,
    // other numbers count in the parameter's plain units (negated where shown negated).
    param->ParseDisplayText(typed.c_str(), plain);
  }
  control->SetValueFromUser(param->GetNormalized(plain));
}

bool IGraphics::EntryAcceptsCharacter(const IParameter* param, int c) {
  if (c == '\b' || !param) return true;
  if (c == '+' || c == '-' || (c >= '0' && c <= '9')) return true;
  return c == '.' && param->GetType() == IParameter::kTypeDouble;
}

drawing::Image* IGraphics::LoadBitmapResource(int id, const char* name) {
  // Only names ending in ".png", in any case, are pictures this module carries.
  const char* dot = name ? std::strrchr(name, '.') : nullptr;
  if (!dot) return nullptr;
  const char* ext = dot + 1;
  const char png[] = "png";
  for (int i = 0; i < 4; ++i) {
    if (std::tolower(static_cast<unsigned char>(ext[i])) != png[i]) return nullptr;
  }
  auto image = std::make_unique<drawing::Image>();
  if (!drawing::LoadPngResource(id, *image)) return nullptr;
  return image.release();
}

// ---- Redraw ----

bool IGraphics::CollectDirtyRect(IRect& rect) {
  rect = IRect();
  bool dirty = false;
  for (const auto& control : mControls) {
    if (control->IsDirty()) {
      rect = rect.Union(control->GetRECT());
      dirty = true;
    }
  }
  if (dirty) {
    mIdleTicks = 0;
    return true;
  }
  // 21 clean ticks in a row (0.84 s at 25 frames per second) give the plug-in its idle call.
  if (++mIdleTicks > 20) {
    mIdleTicks = 0;
    if (mPlug) mPlug->Idle();
  }
  return false;
}

void IGraphics::Draw(const IRect& rect) {
  if (mControls.empty()) return;
  if (!mSurface.Valid() && !PrepDraw()) return;
  mSurface.SetClip(ToRect(rect));
  for (const auto& control : mControls) {
    const IRect& r = control->GetRECT();
    const bool meets = r.Intersects(rect);
    if (meets && !control->IsHidden()) control->Draw(this);
    // Controls outside the painted area keep their dirty flag for the paint that covers them;
    // a control without area can never be painted and is cleaned at once.
    if (meets || r.Empty()) control->SetClean();
  }
  mSurface.ResetClip();
  PaintToScreen(rect);
}

// ---- Mouse and keys ----

int IGraphics::GetMouseControlIdx(int x, int y, bool mouseOver) const {
  for (int i = NControls() - 1; i >= 0; --i) {
    IControl* control = mControls[static_cast<std::size_t>(i)].get();
    if (control->IsHidden()) continue;
    if (control->IsGreyed() && !(mouseOver && control->GetMOWhenGreyed())) continue;
    if (control->IsHit(x, y)) return i;
  }
  return -1;
}

void IGraphics::ReleaseMouseCapture() { mMouseCapture = -1; }

void IGraphics::OnMouseDown(int x, int y, const MouseModifiers& mod) {
  ReleaseMouseCapture();
  const int c = GetMouseControlIdx(x, y);
  if (c < 0) return;
  mMouseCapture = c;
  mMouseX = x;
  mMouseY = y;
  IControl* control = GetControl(c);
  if (control->ParamIdx() >= 0 && mPlug) mPlug->BeginParameterEdit(control->ParamIdx());
  control->OnMouseDown(x, y, mod);
}

void IGraphics::OnMouseUp(int x, int y, const MouseModifiers& mod) {
  const int c = mMouseCapture >= 0 ? mMouseCapture : GetMouseControlIdx(x, y);
  ReleaseMouseCapture();
  mMouseX = mMouseY = 0;
  IControl* control = GetControl(c);
  if (!control) return;
  control->OnMouseUp(x, y, mod);
  if (control->ParamIdx() >= 0 && mPlug) mPlug->EndParameterEdit(control->ParamIdx());
}

void IGraphics::OnMouseDrag(int x, int y, const MouseModifiers& mod) {
  IControl* control = GetCapturedControl();
  if (!control || (x == mMouseX && y == mMouseY)) return;
  const int dX = x - mMouseX, dY = y - mMouseY;
  mMouseX = x;
  mMouseY = y;
  control->OnMouseDrag(x, y, dX, dY, mod);
}

bool IGraphics::OnMouseOver(int x, int y, const MouseModifiers& mod) {
  if (!mHandleMouseOver) return false;
  const int c = mMouseCapture >= 0 ? mMouseCapture : GetMouseControlIdx(x, y, true);
  if (c < 0) return true;
  mMouseX = x;
  mMouseY = y;
  GetControl(c)->OnMouseOver(x, y, mod);
  if (mMouseOver >= 0 && mMouseOver != c)
    if (IControl* previous = GetControl(mMouseOver)) previous->OnMouseOut();
  mMouseOver = c;
  return true;
}

void IGraphics::OnMouseOut() {
  for (const auto& control : mControls) control->OnMouseOut();
  mMouseOver = -1;
}

bool IGraphics::OnMouseDblClick(int x, int y, const MouseModifiers& mod) {
  const int c = GetMouseControlIdx(x, y);
  if (c < 0) return false;
  IControl* control = GetControl(c);
  if (!control->DblAsSingleClick()) {
    control->OnMouseDblClick(x, y, mod);
    return false;
  }
  mMouseCapture = c;
  mMouseX = x;
  mMouseY = y;
  control->OnMouseDown(x, y, mod);
  return true;
}

void IGraphics::OnMouseWheel(int x, int y, const MouseModifiers& mod, int d) {
  const int c = mMouseCapture >= 0 ? mMouseCapture : GetMouseControlIdx(x, y);
  if (IControl* control = GetControl(c)) control->OnMouseWheel(x, y, mod, d);
}

bool IGraphics::OnKeyDown(int x, int y, int key) {
  const int c = mMouseCapture >= 0 ? mMouseCapture : GetMouseControlIdx(x, y);
  // Nothing under the mouse but the background: the key belongs to the key catcher, if any,
  // and otherwise to the host.
  if (c <= 0) return mKeyCatcher ? mKeyCatcher->OnKeyDown(x, y, key) : false;
  return GetControl(c)->OnKeyDown(x, y, key);
}

}  // namespace pellory
