#include "editor/EditorTypes.h"

#include <cstring>

#include "core/IParameter.h"

namespace pellory {

const IColor COLOR_BLACK(255, 0, 0, 0);
const IColor COLOR_WHITE(255, 255, 255, 255);

ITextStyle::ITextStyle(int size, const IColor& color, const char* face, int style, int align, int orientation,
                       int quality)
    : mSize(size), mColor(color), mStyle(style), mAlign(align), mOrientation(orientation), mQuality(quality) {
  CopyText(mFont, sizeof(mFont), face ? face : "Verdana");
}

int KeyCodeForCharacter(int c) {
  if (c == ' ') return KEY_SPACE;
  if (c >= '0' && c <= '9') return KEY_DIGIT_0 + (c - '0');
  if (c >= 'A' && c <= 'Z') return KEY_ALPHA_A + (c - 'A');
  if (c >= 'a' && c <= 'z') return KEY_ALPHA_A + (c - 'a');
  return KEY_NONE;
}

}  // namespace pellory
