// Compares a screenshot of the editor under wine with the headless surface's picture of the same
// state. The drawing is the same code on both sides; only text differs (GDI there, FreeType
// here), so text rectangles may be masked out. Outside them every pixel's red, green and blue
// must agree within the tolerance.
//   pellory_screen_compare REFERENCE.png SHOT.png TOLERANCE [L,T,R,B ...]
// Exit code: 0 alike, 1 different, 2 unreadable input.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "drawing/Png.h"

using namespace pellory::drawing;

namespace {

bool Load(const char* path, Image& image) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!DecodePng(bytes.data(), bytes.size(), image)) {
    std::printf("%s: not a readable PNG\n", path);
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: pellory_screen_compare REFERENCE.png SHOT.png TOLERANCE [L,T,R,B ...]\n");
    return 2;
  }
  Image reference, shot;
  if (!Load(argv[1], reference) || !Load(argv[2], shot)) return 2;
  if (reference.width != shot.width || reference.height != shot.height) {
    std::printf("sizes differ: %dx%d and %dx%d\n", reference.width, reference.height, shot.width, shot.height);
    return 1;
  }
  const int tolerance = std::atoi(argv[3]);
  std::vector<Rect> masks;
  for (int i = 4; i < argc; ++i) {
    Rect r;
    if (std::sscanf(argv[i], "%d,%d,%d,%d", &r.left, &r.top, &r.right, &r.bottom) != 4) {
      std::printf("bad mask %s\n", argv[i]);
      return 2;
    }
    masks.push_back(r);
  }
  long compared = 0, different = 0, masked = 0, maskedDifferent = 0;
  int worst = 0, worstX = -1, worstY = -1;
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      const Pixel a = reference.At(x, y), b = shot.At(x, y);
      int d = std::abs(PixelR(a) - PixelR(b));
      d = std::max(d, std::abs(PixelG(a) - PixelG(b)));
      d = std::max(d, std::abs(PixelB(a) - PixelB(b)));
      bool inMask = false;
      for (const Rect& m : masks) inMask = inMask || (x >= m.left && x < m.right && y >= m.top && y < m.bottom);
      if (inMask) {
        ++masked;
        maskedDifferent += d > tolerance;
        continue;
      }
      ++compared;
      if (d > tolerance) ++different;
      if (d > worst) {
        worst = d;
        worstX = x;
        worstY = y;
      }
    }
  }
  std::printf("%ld pixels compared, %ld differ by more than %d (largest difference %d at %d,%d); "
              "%ld masked as text, %ld of them differ\n",
              compared, different, tolerance, worst, worstX, worstY, masked, maskedDifferent);
  return different == 0 ? 0 : 1;
}
