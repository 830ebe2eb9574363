#pragma once
#include <atomic>
#include <string>
#include <vector>

#include "editor/EditorTypes.h"

namespace pellory {

class IPlugBase;
class IGraphics;
class ITextControl;

// An auxiliary parameter of a control bound to several parameters.
struct AuxParam {
  std::atomic<double> mValue{0.0};
  int mParamIdx = -1;

  explicit AuxParam(int paramIdx) : mParamIdx(paramIdx) {}
  AuxParam(const AuxParam& o) : mValue(o.mValue.load(std::memory_order_relaxed)), mParamIdx(o.mParamIdx) {}
};

// A control on the editor surface: draws itself into its rectangle and reacts to the mouse and
// keys. The surface owns it.
//
// Threads: everything runs on the user-interface thread except SetValueFromPlugin and
// SetAuxValueFromPlugin, which the host may call from its audio or automation thread while the
// interface thread draws. The value, the default value and the dirty and redraw flags are
// therefore atomics; relaxed order suffices, because each is a single self-contained number
// that the next timer tick reads again.
class IControl {
 public:
  IControl(IPlugBase* plug, const IRect& rect, int paramIdx = -1, const BlendMode& blend = BlendMode());
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  /* 0 */ virtual ~IControl();
  /* 1 */ virtual void OnMouseDown(int x, int y, const MouseModifiers& mod);
  /* 2 */ virtual void OnMouseUp(int x, int y, const MouseModifiers& mod) {}
  /* 3 */ virtual void OnMouseDrag(int x, int y, int dX, int dY, const MouseModifiers& mod) {}
  /* 4 */ virtual void OnMouseDblClick(int x, int y, const MouseModifiers& mod);
  /* 5 */ virtual void OnMouseWheel(int x, int y, const MouseModifiers& mod, int d) {}
  /* 6 */ virtual bool OnKeyDown(int x, int y, int key) { return false; }
  /* 7 */ virtual void OnMouseOver(int x, int y, const MouseModifiers& mod) {}
  /* 8 */ virtual void OnMouseOut() {}
  /* 9 */ virtual bool Draw(IGraphics* graphics) = 0;
  /* 10 */ virtual void SetValueFromPlugin(double value);
  /* 11 */ virtual void SetValueFromUser(double value);
  /* 12 */ virtual void OnTextEntered(const char* text) {}
  /* 13 */ virtual void SetHidden(bool hide);
  /* 14 */ virtual void SetGreyed(bool grey);
  /* 15 */ virtual bool IsHit(int x, int y);
  /* 16 */ virtual void SetDirty(bool pushParamToPlug = true);
  /* 17 */ virtual void SetClean();
  /* 18 */ virtual bool IsDirty() { return mDirty.load(std::memory_order_relaxed); }
  /* 19 */ virtual void OnIdle() {}
  /* 20 */ virtual void SetAuxValueFromPlugin(int auxIndex, double value);

  // Right-click value entry: a popup menu or a text entry through the surface.
  void PromptForValue();

  void SetTooltip(const char* tooltip) { mTooltip = tooltip ? tooltip : ""; }
  const std::string& GetTooltip() const { return mTooltip; }
  void SetTargetArea(const IRect& rect) { mTargetRECT = rect; }
  // Moves the control: both the draw and the target rectangle.
  void SetRECT(const IRect& rect) { mRECT = mTargetRECT = rect; }
  void Clamp(double lo, double hi) {
    mClampLo = lo;
    mClampHi = hi;
  }
  void DisablePrompt(bool disable) { mDisablePrompt = disable; }
  void SetDblAsSingleClick(bool on) { mDblAsSingleClick = on; }
  bool DblAsSingleClick() const { return mDblAsSingleClick; }
  void SetMOWhenGreyed(bool on) { mMOWhenGreyed = on; }
  bool GetMOWhenGreyed() const { return mMOWhenGreyed; }
  void SetTextEntryLength(int length) { mTextEntryLength = length; }
  int GetTextEntryLength() const { return mTextEntryLength; }
  const ITextStyle& GetTextStyle() const { return mText; }
  void SetTextStyle(const ITextStyle& style) { mText = style; }

  double GetValue() const { return mValue.load(std::memory_order_relaxed); }
  // Stores a value without any side effect (callers mark the control dirty themselves).
  void SetValue(double value) { mValue.store(value, std::memory_order_relaxed); }
  double GetDefaultValue() const { return mDefaultValue.load(std::memory_order_relaxed); }
  void SetDefaultValue(double value) { mDefaultValue.store(value, std::memory_order_relaxed); }
  const IRect& GetRECT() const { return mRECT; }
  const IRect& GetTargetRECT() const { return mTargetRECT; }
  int ParamIdx() const { return mParamIdx; }
  IPlugBase* GetPlug() const { return mPlug; }
  const BlendMode& GetBlend() const { return mBlend; }
  bool IsHidden() const { return mHide; }
  bool IsGreyed() const { return mGrayed; }
  bool RedrawRequested() const { return mRedraw.load(std::memory_order_relaxed); }

  void AddAuxParam(int paramIdx) { mAuxParams.emplace_back(paramIdx); }
  int NAuxParams() const { return static_cast<int>(mAuxParams.size()); }
  AuxParam* GetAuxParam(int index) {
    return index >= 0 && index < NAuxParams() ? &mAuxParams[static_cast<std::size_t>(index)] : nullptr;
  }
  int AuxParamIdx(int paramIdx) const;

  void SetValDisplayControl(ITextControl* control) { mValDisplayControl = control; }
  void SetNameDisplayControl(ITextControl* control) { mNameDisplayControl = control; }

 protected:
  int mTextEntryLength = 7;
  ITextStyle mText;
  IPlugBase* mPlug = nullptr;
  IRect mRECT;
  IRect mTargetRECT;
  int mParamIdx = -1;
  std::vector<AuxParam> mAuxParams;
  std::atomic<double> mValue{0.0};
  std::atomic<double> mDefaultValue{-1.0};
  double mClampLo = 0.0, mClampHi = 1.0;
  std::atomic<bool> mDirty{true};
  bool mHide = false;
  bool mGrayed = false;
  std::atomic<bool> mRedraw{false};
  bool mDisablePrompt = true;
  bool mDblAsSingleClick = false;
  bool mMOWhenGreyed = false;
  BlendMode mBlend;
  ITextControl* mValDisplayControl = nullptr;
  ITextControl* mNameDisplayControl = nullptr;
  std::string mTooltip;
};

// A filled rectangle.
class IPanelControl : public IControl {
 public:
  IPanelControl(IPlugBase* plug, const IRect& rect, const IColor& color, const BlendMode& blend = BlendMode());
  bool Draw(IGraphics* graphics) override;
  const IColor& GetColor() const { return mColor; }

 protected:
  IColor mColor;
};

// One frame of a bitmap, chosen by the value.
class IBitmapControl : public IControl {
 public:
  IBitmapControl(IPlugBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                 const BlendMode& blend = BlendMode());
  IBitmapControl(IPlugBase* plug, int x, int y, const IBitmap& bitmap, const BlendMode& blend = BlendMode());
  bool Draw(IGraphics* graphics) override;
  const IBitmap& GetBitmap() const { return mBitmap; }
  // The frame (1..N) Draw shows for the current value.
  int FrameForValue() const;

 protected:
  IBitmap mBitmap;
};

// Steps through its N frames, one per click, wrapping to the first.
class ISwitchControl : public IBitmapControl {
 public:
  ISwitchControl(IPlugBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                 const BlendMode& blend = BlendMode());
  void OnMouseDown(int x, int y, const MouseModifiers& mod) override;
};

// A momentary switch: pressed while the button is held, back to 0 on release.
class IContactControl : public ISwitchControl {
 public:
  IContactControl(IPlugBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                  const BlendMode& blend = BlendMode());
  void OnMouseUp(int x, int y, const MouseModifiers& mod) override;
};

// Base of the rotating knobs: dragging and the wheel change the value; Draw is the subclass's.
class IKnobControl : public IControl {
 public:
  enum Direction { kVertical = 0, kHorizontal = 1 };
  static constexpr double kDefaultGearing = 4.0;

  IKnobControl(IPlugBase* plug, const IRect& rect, int paramIdx, int direction = kVertical,
               double gearing = kDefaultGearing);
  void OnMouseDrag(int x, int y, int dX, int dY, const MouseModifiers& mod) override;
  void OnMouseWheel(int x, int y, const MouseModifiers& mod, int d) override;
  int GetDirection() const { return mDirection; }
  double GetGearing() const { return mGearing; }

 protected:
  int mDirection;
  double mGearing;
};

// A knob drawn from an N-frame film strip.
class IKnobMultiControl : public IKnobControl {
 public:
  IKnobMultiControl(IPlugBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                    int direction = kVertical, double gearing = kDefaultGearing);
  bool Draw(IGraphics* graphics) override;
  const IBitmap& GetBitmap() const { return mBitmap; }
  int FrameForValue() const;

 protected:
  IBitmap mBitmap;
};

// A handle bitmap moving along a track of len pixels.
class IFaderControl : public IControl {
 public:
  IFaderControl(IPlugBase* plug, int x, int y, int len, int paramIdx, const IBitmap& bitmap,
                int direction = IKnobControl::kVertical, bool onlyHandle = false);
  bool Draw(IGraphics* graphics) override;
  void OnMouseDown(int x, int y, const MouseModifiers& mod) override;
  void OnMouseDrag(int x, int y, int dX, int dY, const MouseModifiers& mod) override;
  void OnMouseWheel(int x, int y, const MouseModifiers& mod, int d) override;
  bool IsHit(int x, int y) override;
  /* 21 */ virtual void MoveHandleToPoint(int x, int y);

  int GetLength() const { return mLen; }
  int GetHandleHeadroom() const { return mHandleHeadroom; }
  // Where the handle is drawn for the current value.
  IRect GetHandleRECT() const;

 protected:
  int mLen;
  int mHandleHeadroom;
  IBitmap mBitmap;
  int mDirection;
  bool mOnlyHandle;
};

// A line of text in the control's text style.
class ITextControl : public IControl {
 public:
  ITextControl(IPlugBase* plug, const IRect& rect, const ITextStyle& style, const char* text = "");
  bool Draw(IGraphics* graphics) override;
  // Marks the control dirty only when the text changes.
  void SetTextFromPlugin(const char* text);
  const std::string& GetText() const { return mStr; }

 protected:
  std::string mStr;
};

}  // namespace pellory
