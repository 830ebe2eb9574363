// The editor's bitmaps as the module carries them: PNG resources 101..121, decoded with libpng.
// Sizes and frame counts are what the editor slices them into; the pictures are checked where
// the editor's controls depend on them (display glass, chart cells, knob pointer).
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Resources.h"

namespace {

struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;  // straight (not premultiplied) RGBA, rows top to bottom

  const std::uint8_t* At(int x, int y) const { return &rgba[4 * (std::size_t(y) * width + x)]; }
  bool SameRows(int y0, int y1, int rows) const {
    return std::equal(At(0, y0), At(0, y0) + 4 * width * rows, At(0, y1));
  }
};

struct Expected {
  const char* file;
  int width, height, frames, frame_height;
};

// Resource id 101 + index.
const Expected kBitmaps[] = {
    {"back.png", 1152, 440, 1, 440},          {"button.png", 35, 78, 2, 39},
    {"button_led_off.png", 35, 78, 2, 39},    {"button_led_on.png", 35, 78, 2, 39},
    {"button_small_led_off.png", 23, 47, 2, 23}, {"button_small_led_on.png", 23, 47, 2, 23},
    {"knob.png", 24, 1560, 65, 24},           {"handle.png", 15, 19, 1, 19},
    {"digits.png", 21, 320, 10, 32},          {"digits_small.png", 10, 180, 12, 15},
    {"dot.png", 6, 5, 1, 5},                  {"blind.png", 592, 278, 1, 278},
    {"editor.png", 665, 278, 1, 278},         {"browse.png", 665, 278, 1, 278},
    {"triangle.png", 29, 34, 2, 17},          {"ramp.png", 29, 34, 2, 17},
    {"saw.png", 29, 34, 2, 17},               {"rect.png", 29, 34, 2, 17},
    {"square.png", 29, 34, 2, 17},            {"learn.png", 48, 48, 2, 24},
    {"unlearn.png", 48, 48, 2, 24},
};

pellory::platform::ResourceData Resource(int index) {
  pellory::platform::ResourceData data;
  pellory::platform::FindResourceData("PNG", std::to_string(101 + index).c_str(), data);
  return data;
}

bool Decode(const pellory::platform::ResourceData& data, Bitmap& out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data.data, data.size)) return false;
  image.format = PNG_FORMAT_RGBA;
  out.width = int(image.width);
  out.height = int(image.height);
  out.rgba.resize(PNG_IMAGE_SIZE(image));
  bool ok = png_image_finish_read(&image, nullptr, out.rgba.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return ok;
}

Bitmap Load(const char* file) {
  for (int i = 0; i < 21; ++i) {
    if (std::string(kBitmaps[i].file) == file) {
      Bitmap b;
      EXPECT_TRUE(Decode(Resource(i), b)) << file;
      return b;
    }
  }
  ADD_FAILURE() << "no bitmap " << file;
  return {};
}

TEST(Art, ModuleCarriesTheBitmapsAsResources101To121InTheEditorsOrder) {
  for (int i = 0; i < 21; ++i) {
    const Expected& e = kBitmaps[i];
    SCOPED_TRACE(std::to_string(101 + i) + " " + e.file);
    auto data = Resource(i);
    ASSERT_NE(data.data, nullptr);
    std::ifstream in(std::string(PELLORY_IMG_DIR) + "/" + e.file, std::ios::binary);
    ASSERT_TRUE(in) << "missing from resources/img";
    std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(file.size(), data.size);
    EXPECT_TRUE(std::equal(file.begin(), file.end(), reinterpret_cast<const char*>(data.data)));
    EXPECT_FALSE(pellory::platform::FindResourceData("PNG", "122", data)) << "only 21 bitmaps";
  }
}

TEST(Art, EveryBitmapHasItsSizeAndItsFramesDiffer) {
  for (int i = 0; i < 21; ++i) {
    const Expected& e = kBitmaps[i];
    SCOPED_TRACE(e.file);
    Bitmap b;
    ASSERT_TRUE(Decode(Resource(i), b));
    EXPECT_EQ(b.width, e.width);
    EXPECT_EQ(b.height, e.height);
    EXPECT_EQ(b.height / e.frame_height, e.frames);
    // Released/pressed, off/on and every knob position or digit is a picture of its own.
    for (int f = 0; f < e.frames; ++f)
      for (int g = f + 1; g < e.frames; ++g)
        EXPECT_FALSE(b.SameRows(f * e.frame_height, g * e.frame_height, e.frame_height))
            << "frames " << f + 1 << " and " << g + 1 << " are the same";
  }
}

TEST(Art, PanelViewPicturesAndDigitsAreOpaque) {
  // A hole in these would show whatever lies beneath: the panel under a view, stale pixels.
  for (const char* file : {"back.png", "blind.png", "editor.png", "browse.png", "digits.png",
                           "digits_small.png"}) {
    Bitmap b = Load(file);
    int holes = 0;
    for (std::size_t p = 3; p < b.rgba.size(); p += 4) holes += b.rgba[p] != 255;
    EXPECT_EQ(holes, 0) << file;
  }
}

TEST(Art, DisplayGlassUnderEveryDisplayMatchesTheDigitsBackground) {
  // A display leaves a digit above 9 undrawn, so the glass beneath must look like an unlit digit
  // frame, exactly at the display's corners.
  Bitmap back = Load("back.png"), edit = Load("editor.png");
  Bitmap big = Load("digits.png"), small = Load("digits_small.png");
  struct Spot { const Bitmap* picture; int x, y; const Bitmap* digits; int fw; };
  const Spot spots[] = {
      {&back, 43, 98, &big, 21},   {&back, 131, 98, &big, 21}, {&back, 189, 98, &big, 21},
      {&back, 247, 98, &big, 21},  {&back, 400, 169, &small, 10},
      {&edit, 552 - 460, 123 - 95, &small, 10}, {&edit, 552 - 460, 203 - 95, &small, 10},
      {&edit, 811 - 460, 275 - 95, &small, 10}, {&edit, 811 - 460, 327 - 95, &small, 10},
  };
  for (const Spot& s : spots) {
    int digitsWidth = 2 * s.fw + (s.fw == 21 ? 2 : 3);
    for (int x : {s.x, s.x + digitsWidth - 1}) {
      const std::uint8_t* glass = s.picture->At(x, s.y);
      const std::uint8_t* bg = s.digits->At(0, 0);
      EXPECT_TRUE(std::equal(bg, bg + 4, glass)) << "display at " << s.x << "," << s.y;
    }
  }
}

TEST(Art, ViewAreaAndVersionRoomOnThePanelAreLeftPlain) {
  // The view pictures cover (460, 95)..(1125, 373) only in their own view, and the version
  // text is drawn at run time: nothing printed on the panel may show through or under them.
  Bitmap back = Load("back.png");
  auto plainRows = [&](int x0, int y0, int x1, int y1) {
    int marks = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
        marks += !std::equal(back.At(x, y), back.At(x, y) + 4, back.At(x0, y));
    return marks;
  };
  EXPECT_EQ(plainRows(460, 95, 1125, 373), 0);
  EXPECT_EQ(plainRows(871, 75, 1127, 87), 0);
  // ...and the pictures continue the view area's colour, so the chart view's narrower picture
  // shows no seam.
  for (const char* file : {"blind.png", "editor.png", "browse.png"}) {
    Bitmap b = Load(file);
    EXPECT_TRUE(std::equal(b.At(0, 0), b.At(0, 0) + 4, back.At(460, 95))) << file;
  }
}

TEST(Art, EveryChartCellCarriesItsNumberAndNameInsideItsRectangle) {
  Bitmap blind = Load("blind.png");
  struct Column { int left, top, cells; };
  const Column columns[] = {{512, 207, 6}, {568, 207, 6}, {644, 159, 5}, {700, 159, 6},
                            {772, 139, 4}, {828, 159, 3}, {884, 139, 4}, {772, 281, 4},
                            {828, 281, 3}, {884, 281, 4}, {960, 127, 3}, {1016, 127, 4},
                            {960, 243, 6}, {1016, 243, 5}, {1016, 338, 1}, {644, 299, 2},
                            {700, 299, 2}};
  int count = 0;
  for (const Column& c : columns) {
    for (int i = 0; i < c.cells; ++i, ++count) {
      int x0 = c.left - 496, y0 = c.top + 19 * i - 95;
      ASSERT_GE(x0, 0);
      ASSERT_LE(x0 + 56, blind.width);
      ASSERT_GE(y0, 0);
      ASSERT_LE(y0 + 19, blind.height);
      // Bright text pixels in the number box (left 15 pixels) and in the name part.
      int number = 0, name = 0;
      for (int y = y0 + 2; y < y0 + 17; ++y)
        for (int x = x0 + 1; x < x0 + 55; ++x) {
          const std::uint8_t* p = blind.At(x, y);
          if (std::max({p[0], p[1], p[2]}) > 150) (x < x0 + 15 ? number : name)++;
        }
      EXPECT_GE(number, 6) << "cell " << count + 1 << " at " << c.left << "," << y0 + 95;
      EXPECT_GE(name, 6) << "cell " << count + 1 << " at " << c.left << "," << y0 + 95;
    }
  }
  EXPECT_EQ(count, 68);
}

TEST(Art, KnobPointerTurnsEvenlyOver300DegreesFromMinimumToMaximum) {
  Bitmap knob = Load("knob.png");
  double previous = 0;
  for (int f = 0; f < 65; ++f) {
    // The pointer is the knob's only near-white part: its centre of mass gives the angle.
    double sx = 0, sy = 0, n = 0;
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 24; ++x) {
        const std::uint8_t* p = knob.At(x, 24 * f + y);
        if (p[3] > 200 && std::min({p[0], p[1], p[2]}) > 200) {
          sx += x + 0.5 - 12;
          sy += y + 0.5 - 12;
          ++n;
        }
      }
    ASSERT_GT(n, 4) << "frame " << f + 1 << " shows no pointer";
    double degrees = std::atan2(sx, -sy) * 180 / M_PI;  // 0 = straight up, clockwise positive
    double expected = -150 + 300.0 * f / 64;
    EXPECT_NEAR(degrees, expected, 3.0) << "frame " << f + 1;
    if (f > 0) {
      EXPECT_GT(degrees, previous) << "frame " << f + 1;
    }
    previous = degrees;
  }
}

}  // namespace
