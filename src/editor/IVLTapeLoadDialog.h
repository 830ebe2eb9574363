#pragma once
#include "editor/IControl.h"

namespace pellory {

class Pellory;

// The tape-dump loading dialog, drawn on the surface over the whole panel: the high-pass and
// low-pass filters with their on/off boxes and frequencies, the detection threshold, OK (choose
// a recording and decode it) and CANCEL. While shown it takes every click.
class IVLTapeLoadDialog : public IControl {
 public:
  // Parts of the dialog, for drawing and hit testing.
  enum Part { kNone = -1, kHighPassBox, kHighPassField, kLowPassBox, kLowPassField, kThresholdField, kOk, kCancel };

  explicit IVLTapeLoadDialog(Pellory* plug);
  void OnMouseDown(int x, int y, const MouseModifiers& mod) override;
  void OnTextEntered(const char* text) override;
  bool Draw(IGraphics* graphics) override;

  // The panel's rectangle and a part's rectangle on the surface.
  IRect PanelRect() const { return mPanel; }
  IRect PartRect(int part) const;
  int PartAt(int x, int y) const;

 private:
  void Close();
  void RunOk();

  Pellory* mPellory;
  IRect mPanel;
  int mEditing = kNone;
};

}  // namespace pellory
