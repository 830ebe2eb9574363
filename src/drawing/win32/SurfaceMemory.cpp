#include <windows.h>

#include "drawing/Surface.h"

namespace pellory::drawing {

// A top-down 32-bit DIB section: its bytes are B, G, R, A per pixel, which is exactly a Pixel
// word on this little-endian platform. The window blits it; GDI text draws through it.
bool Surface::Allocate(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) {
    if (bitmap) DeleteObject(bitmap);
    return false;
  }
  pixels_ = static_cast<Pixel*>(bits);
  native_ = bitmap;
  // Fresh DIB sections are zero-filled.
  return true;
}

void Surface::Release() {
  if (native_) DeleteObject(static_cast<HBITMAP>(native_));
}

}  // namespace pellory::drawing
