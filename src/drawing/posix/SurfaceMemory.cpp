#include <new>

#include "drawing/Surface.h"

namespace pellory::drawing {

bool Surface::Allocate(int width, int height) {
  pixels_ = new (std::nothrow) Pixel[static_cast<std::size_t>(width) * height]();
  native_ = nullptr;
  return pixels_ != nullptr;
}

void Surface::Release() { delete[] pixels_; }

}  // namespace pellory::drawing
