#pragma once
#include <string>

#include "editor/IControl.h"

namespace pellory {

class Pellory;

// One of the browser's 60 entries: number and name; a click auditions the program.
class IVLProgramItemControl : public IControl {
 public:
  static constexpr int kWidth = 154, kHeight = 16;
  IVLProgramItemControl(Pellory* plug, int x2, int y2, int item);
  void SetItem(int number, const char* name);
  void OnMouseDown(int x, int y, const MouseModifiers& mod) override;
  bool Draw(IGraphics* graphics) override;
  int Item() const { return mItem; }
  const std::string& NumberText() const { return mNumber; }
  const std::string& Name() const { return mName; }
  bool Highlighted() const;

 private:
  Pellory* mPellory;
  int mItem;
  std::string mNumber;
  std::string mName;
};

// The browser's folder line: shows the program files folder; a click chooses another.
class IVLProgramPathControl : public IControl {
 public:
  IVLProgramPathControl(Pellory* plug, const IRect& rect2);
  void OnMouseDown(int x, int y, const MouseModifiers& mod) override;
  bool Draw(IGraphics* graphics) override;

 private:
  Pellory* mPellory;
};

// The browser's scroll bar: up and down zones at the ends and a thumb for the visible page.
class IVLScrollControl : public IControl {
 public:
  static constexpr int kZone = 14;
  IVLScrollControl(Pellory* plug, const IRect& rect2);
  void OnMouseDown(int x, int y, const MouseModifiers& mod) override;
  bool Draw(IGraphics* graphics) override;
  bool IsDirty() override;
  // The thumb as drawn now; empty when there is nothing to scroll.
  IRect ThumbRect() const;

 private:
  Pellory* mPellory;
  IRect mShown;
};

}  // namespace pellory
