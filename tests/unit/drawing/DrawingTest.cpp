// The drawing layer on known pixels: the four blend methods and their weights, clipping, lines,
// text placement and colour measured from the pixels, and PNG files in and out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "drawing/Font.h"
#include "drawing/Png.h"
#include "drawing/Surface.h"

namespace pellory::drawing {
namespace {

std::vector<uint8_t> ReadFile(const std::string& name) {
  std::ifstream in(std::string(PELLORY_TEST_DATA_DIR) + "/editor/" + name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Image Solid(int w, int h, Pixel p) {
  Image image;
  image.width = w;
  image.height = h;
  image.pixels.assign(static_cast<std::size_t>(w) * h, p);
  return image;
}

struct Case {
  int method;
  float weight;
  Pixel expected;
};

// Destination opaque (100, 150, 200), source (200, 50, 255) at alpha 128. Worked by hand from
// the formulas at Surface::Blit; e.g. method 0 at weight 1: a = 128, red = (200*128 + 100*127
// + 127) / 255 = 150.
TEST(Blend, EveryMethodAndWeightOnAKnownPixel) {
  const Pixel dst = MakePixel(255, 100, 150, 200);
  const Pixel src = MakePixel(128, 200, 50, 255);
  const Case cases[] = {
      {kBlendAlpha, 1.0f, MakePixel(255, 150, 100, 228)},  {kBlendAlpha, 0.5f, MakePixel(255, 125, 125, 214)},
      {kBlendOpaque, 1.0f, MakePixel(255, 200, 50, 255)},  {kBlendOpaque, 0.5f, MakePixel(255, 150, 100, 228)},
      {kBlendAdd, 1.0f, MakePixel(255, 200, 175, 255)},    {kBlendAdd, 0.5f, MakePixel(255, 150, 163, 255)},
      {kBlendDodge, 1.0f, MakePixel(255, 178, 168, 228)},  {kBlendDodge, 0.5f, MakePixel(255, 139, 159, 214)},
  };
  for (const Case& c : cases) {
    Surface surface;
    ASSERT_TRUE(surface.Create(4, 4));
    surface.Clear(dst);
    const Image image = Solid(2, 2, src);
    EXPECT_TRUE(surface.Blit(image, 0, 0, Rect{1, 1, 3, 3}, c.method, c.weight));
    EXPECT_EQ(surface.At(1, 1), c.expected) << "method " << c.method << " weight " << c.weight;
    EXPECT_EQ(surface.At(2, 2), c.expected);
    EXPECT_EQ(surface.At(0, 0), dst);
    EXPECT_EQ(surface.At(3, 3), dst);
    // A fill in the same method and weight gives the same pixel.
    surface.Clear(dst);
    surface.FillRect(Rect{0, 0, 1, 1}, src, c.method, c.weight);
    EXPECT_EQ(surface.At(0, 0), c.expected);
  }
}

TEST(Blend, EdgesOfTheFormulas) {
  const Pixel dst = MakePixel(255, 10, 128, 250);
  // Weight 0 and a fully clear source leave the destination.
  EXPECT_EQ(Surface::BlendPixel(dst, MakePixel(255, 1, 2, 3), kBlendAlpha, 0), dst);
  EXPECT_EQ(Surface::BlendPixel(dst, MakePixel(0, 1, 2, 3), kBlendAlpha, 255), dst);
  // The opaque copy ignores the source's alpha.
  EXPECT_EQ(Surface::BlendPixel(dst, MakePixel(0, 1, 2, 3), kBlendOpaque, 255), MakePixel(255, 1, 2, 3));
  // Addition saturates; dodge with a white source is white, with black the destination.
  EXPECT_EQ(Surface::BlendPixel(dst, MakePixel(255, 250, 250, 250), kBlendAdd, 255), MakePixel(255, 255, 255, 255));
  EXPECT_EQ(Surface::BlendPixel(dst, MakePixel(255, 255, 255, 255), kBlendDodge, 255),
            MakePixel(255, 255, 255, 255));
  EXPECT_EQ(Surface::BlendPixel(dst, MakePixel(255, 0, 0, 0), kBlendDodge, 255), dst);
  // Weights: 0.25 is 64 of 255, and weights outside 0..1 are limited.
  EXPECT_EQ(Surface::WeightTo255(0.25f), 64);
  EXPECT_EQ(Surface::WeightTo255(-1.0f), 0);
  EXPECT_EQ(Surface::WeightTo255(7.0f), 255);
  // Onto a clear destination a half-transparent colour keeps its colour and its alpha.
  EXPECT_EQ(Surface::BlendPixel(0, MakePixel(128, 200, 50, 255), kBlendAlpha, 255), MakePixel(128, 200, 50, 255));
}

TEST(Surface, DrawingStaysInsideTheClipAndTheSurface) {
  Surface surface;
  ASSERT_TRUE(surface.Create(10, 8));
  surface.Clear(MakePixel(255, 0, 0, 0));
  surface.SetClip(Rect{2, 2, 6, 5});
  const Pixel white = MakePixel(255, 255, 255, 255);
  surface.FillRect(Rect{-100, -100, 100, 100}, white, kBlendAlpha, 1.0f);
  surface.DrawLine(-5, 3, 50, 3, MakePixel(255, 255, 0, 0));
  int changed = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x) {
      const bool inside = x >= 2 && x < 6 && y >= 2 && y < 5;
      if (surface.At(x, y) != MakePixel(255, 0, 0, 0)) ++changed;
      EXPECT_EQ(surface.At(x, y) != MakePixel(255, 0, 0, 0), inside) << x << "," << y;
    }
  EXPECT_EQ(changed, 12);
  EXPECT_EQ(surface.At(4, 3), MakePixel(255, 255, 0, 0));
  // A blit hanging over every edge of the surface draws only its visible part.
  surface.ResetClip();
  const Image big = Solid(30, 30, MakePixel(255, 0, 255, 0));
  EXPECT_TRUE(surface.Blit(big, 0, 0, Rect{-10, -10, 20, 20}, kBlendAlpha, 1.0f));
  EXPECT_EQ(surface.At(0, 0), MakePixel(255, 0, 255, 0));
  EXPECT_EQ(surface.At(9, 7), MakePixel(255, 0, 255, 0));
  // Nothing outside the clip, a source offset past the picture, a bad size: no drawing.
  surface.SetClip(Rect{20, 20, 30, 30});
  EXPECT_TRUE(surface.Clip().Empty());
  EXPECT_FALSE(surface.Blit(big, 0, 0, Rect{0, 0, 5, 5}, kBlendAlpha, 1.0f));
  surface.ResetClip();
  EXPECT_FALSE(surface.Blit(big, 40, 0, Rect{0, 0, 5, 5}, kBlendAlpha, 1.0f));
  Surface none;
  EXPECT_FALSE(none.Create(0, 5));
  EXPECT_FALSE(none.Blit(big, 0, 0, Rect{0, 0, 5, 5}, kBlendAlpha, 1.0f));
}

TEST(Surface, BlitTakesTheSourceRectangleAtItsOffset) {
  // A 4 x 4 source whose pixels encode their own position.
  Image src = Solid(4, 4, 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) src.pixels[y * 4 + x] = MakePixel(255, x, y, 0);
  Surface surface;
  ASSERT_TRUE(surface.Create(6, 6));
  surface.Blit(src, 1, 2, Rect{3, 3, 6, 6}, kBlendAlpha, 1.0f);
  EXPECT_EQ(surface.At(3, 3), MakePixel(255, 1, 2, 0));
  EXPECT_EQ(surface.At(5, 4), MakePixel(255, 3, 3, 0));
  EXPECT_EQ(surface.At(5, 5), 0u);  // row 4 of the source does not exist
  // A negative source offset leaves the uncovered part alone.
  surface.Clear(0);
  surface.Blit(src, -1, 0, Rect{0, 0, 3, 1}, kBlendAlpha, 1.0f);
  EXPECT_EQ(surface.At(0, 0), 0u);
  EXPECT_EQ(surface.At(1, 0), MakePixel(255, 0, 0, 0));
  EXPECT_EQ(surface.At(2, 0), MakePixel(255, 1, 0, 0));
}

TEST(Surface, LinesIncludeBothEnds) {
  Surface surface;
  ASSERT_TRUE(surface.Create(8, 8));
  const Pixel red = MakePixel(255, 255, 0, 0);
  surface.DrawLine(1, 1, 5, 5, red);
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(surface.At(i, i), red);
  EXPECT_EQ(surface.At(0, 0), 0u);
  EXPECT_EQ(surface.At(6, 6), 0u);
  surface.DrawLine(6, 7, 6, 2, red);
  for (int y = 2; y <= 7; ++y) EXPECT_EQ(surface.At(6, y), red);
}

// ---- Text ----

struct Ink {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  int pixels = 0;
  Pixel strongest = 0;
  int strongestDistance = -1;
};

// Every pixel that differs from the background, and the one furthest from it.
Ink FindInk(const Surface& s, Pixel background) {
  Ink ink;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) {
      const Pixel p = s.At(x, y);
      if (p == background) continue;
      ++ink.pixels;
      ink.left = std::min(ink.left, x);
      ink.right = std::max(ink.right, x + 1);
      ink.top = std::min(ink.top, y);
      ink.bottom = std::max(ink.bottom, y + 1);
      const int d = std::abs(PixelR(p) - PixelR(background)) + std::abs(PixelG(p) - PixelG(background)) +
                    std::abs(PixelB(p) - PixelB(background));
      if (d > ink.strongestDistance) ink.strongestDistance = d, ink.strongest = p;
    }
  return ink;
}

FontRequest Request(const char* face, int size, int quality = 0) {
  FontRequest request;
  request.face = face;
  request.size = size;
  request.quality = quality;
  return request;
}

TEST(Text, FacesComeFromTheSystemsMetricCompatibleFonts) {
  auto arial = Font::Create(Request("Arial", 14));
  auto verdana = Font::Create(Request("Verdana", 12));
  ASSERT_TRUE(arial && verdana);
  EXPECT_NE(arial->ResolvedFace().find("Liberation"), std::string::npos) << arial->ResolvedFace();
  EXPECT_NE(verdana->ResolvedFace().find("DejaVu"), std::string::npos) << verdana->ResolvedFace();
  EXPECT_FALSE(Font::Create(Request("Arial", 0)));
}

TEST(Text, LandsWhereItsAlignmentPutsItInItsColour) {
  const Pixel white = MakePixel(255, 255, 255, 255);
  const Pixel red = MakePixel(255, 255, 0, 0);
  auto font = Font::Create(Request("Arial", 20));
  ASSERT_TRUE(font);
  const Rect rect{40, 10, 160, 40};
  struct Placement {
    int flags;
  } placements[] = {{kTextNoClip}, {kTextNoClip | kTextCenter}, {kTextNoClip | kTextRight}};
  for (const Placement& p : placements) {
    Surface surface;
    ASSERT_TRUE(surface.Create(200, 60));
    surface.Clear(white);
    ASSERT_TRUE(font->Draw(surface, "HHHH", rect, red, p.flags));
    const Ink ink = FindInk(surface, white);
    ASSERT_GT(ink.pixels, 40);
    // Cap height sits below the top of the rectangle, within the 20-pixel line.
    EXPECT_GE(ink.top, rect.top + 1);
    EXPECT_LE(ink.bottom, rect.top + 20);
    EXPECT_GE(ink.bottom - ink.top, 11);
    const int width = ink.right - ink.left;
    EXPECT_GT(width, 40);
    EXPECT_LT(width, 70);
    if (p.flags & kTextCenter) {
      EXPECT_NEAR((ink.left + ink.right) / 2.0, (rect.left + rect.right) / 2.0, 2.0);
    } else if (p.flags & kTextRight) {
      EXPECT_LE(ink.right, rect.right);
      EXPECT_GE(ink.right, rect.right - 4);
    } else {
      EXPECT_GE(ink.left, rect.left);
      EXPECT_LE(ink.left, rect.left + 4);
    }
    // The stems of an H are solid: the text colour itself appears.
    EXPECT_EQ(ink.strongest, red);
    // The measured box holds the ink.
    Rect measured = rect;
    ASSERT_TRUE(font->Measure("HHHH", measured, p.flags));
    EXPECT_LE(measured.left, ink.left);
    EXPECT_GE(measured.right, ink.right);
    EXPECT_EQ(measured.top, rect.top);
    EXPECT_EQ(measured.bottom, rect.top + 20);
  }
}

TEST(Text, ClippedAndTranslucentAndAliased) {
  const Pixel white = MakePixel(255, 255, 255, 255);
  auto font = Font::Create(Request("Verdana", 24));
  ASSERT_TRUE(font);
  Surface surface;
  ASSERT_TRUE(surface.Create(200, 50));
  surface.Clear(white);
  // Clipped to the left half by the surface's clip even without text clipping.
  surface.SetClip(Rect{0, 0, 100, 50});
  font->Draw(surface, "MMMMMMMMMM", Rect{10, 5, 190, 45}, MakePixel(255, 0, 0, 255), kTextNoClip);
  Ink ink = FindInk(surface, white);
  EXPECT_GT(ink.pixels, 50);
  EXPECT_LE(ink.right, 100);
  // Without kTextNoClip the text's own rectangle cuts it too.
  surface.ResetClip();
  surface.Clear(white);
  font->Draw(surface, "MMMMMMMMMM", Rect{10, 5, 60, 45}, MakePixel(255, 0, 0, 255), 0);
  ink = FindInk(surface, white);
  EXPECT_LE(ink.right, 60);
  EXPECT_GE(ink.right, 55);
  // A half-transparent colour never reaches full strength.
  surface.Clear(white);
  font->Draw(surface, "MM", Rect{10, 5, 190, 45}, MakePixel(128, 0, 0, 0), kTextNoClip);
  ink = FindInk(surface, white);
  EXPECT_GT(ink.pixels, 20);
  EXPECT_NEAR(PixelR(ink.strongest), 127, 2);
  // Quality 1 (not antialiased) draws only the colour itself.
  auto mono = Font::Create(Request("Verdana", 24, 1));
  ASSERT_TRUE(mono);
  surface.Clear(white);
  mono->Draw(surface, "MW", Rect{10, 5, 190, 45}, MakePixel(255, 0, 0, 0), kTextNoClip);
  int grey = 0, black = 0;
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 200; ++x) {
      const Pixel p = surface.At(x, y);
      if (p == MakePixel(255, 0, 0, 0)) ++black;
      else if (p != white) ++grey;
    }
  EXPECT_GT(black, 30);
  EXPECT_EQ(grey, 0);
}

TEST(Text, LinesStackAndOddBytesDoNotBreakIt) {
  const Pixel white = MakePixel(255, 255, 255, 255);
  auto font = Font::Create(Request("Arial", 16));
  ASSERT_TRUE(font);
  Surface surface;
  ASSERT_TRUE(surface.Create(100, 60));
  surface.Clear(white);
  font->Draw(surface, "H\nH", Rect{0, 0, 100, 60}, MakePixel(255, 0, 0, 0), kTextNoClip);
  const Ink ink = FindInk(surface, white);
  EXPECT_GT(ink.bottom, 20);
  EXPECT_LE(ink.bottom, 32);
  Rect r{0, 0, 100, 60};
  font->Measure("one\ntwo\nthree", r, 0);
  EXPECT_EQ(r.bottom, 48);
  // Broken UTF-8 and characters the face lacks draw something or nothing, never crash.
  font->Draw(surface, "\xff\xfe\xc3", Rect{0, 0, 100, 60}, MakePixel(255, 0, 0, 0), 0);
  font->Draw(surface, "\xe4\xb8\xad\xf0\x9f\x8e\xb9", Rect{0, 0, 100, 60}, MakePixel(255, 0, 0, 0), 0);
}

// ---- PNG ----

TEST(Png, DecodesEveryKindOfFileIntoStraightAlphaPixels) {
  Image image;
  std::vector<uint8_t> data = ReadFile("rgba8.png");
  ASSERT_TRUE(DecodePng(data.data(), data.size(), image));
  ASSERT_EQ(image.width, 3);
  ASSERT_EQ(image.height, 2);
  EXPECT_EQ(image.At(0, 0), MakePixel(255, 255, 0, 0));
  EXPECT_EQ(image.At(1, 0), MakePixel(128, 0, 255, 0));
  EXPECT_EQ(PixelA(image.At(2, 0)), 0);
  EXPECT_EQ(image.At(0, 1), MakePixel(255, 255, 255, 255));
  EXPECT_EQ(image.At(1, 1), MakePixel(255, 0, 0, 0));
  EXPECT_EQ(image.At(2, 1), MakePixel(64, 128, 128, 128));

  data = ReadFile("palette.png");
  ASSERT_TRUE(DecodePng(data.data(), data.size(), image));
  ASSERT_EQ(image.width, 4);
  EXPECT_EQ(image.At(0, 0), MakePixel(255, 10, 20, 30));
  EXPECT_EQ(image.At(1, 0), MakePixel(100, 200, 100, 50));
  EXPECT_EQ(image.At(2, 0), MakePixel(255, 0, 0, 0));
  EXPECT_EQ(image.At(3, 0), image.At(1, 0));

  data = ReadFile("gray16.png");
  ASSERT_TRUE(DecodePng(data.data(), data.size(), image));
  EXPECT_EQ(image.At(0, 0), MakePixel(255, 0, 0, 0));
  EXPECT_EQ(image.At(1, 0), MakePixel(255, 255, 255, 255));
  EXPECT_EQ(image.At(0, 1), MakePixel(255, 128, 128, 128));
  EXPECT_EQ(image.At(1, 1), MakePixel(255, 64, 64, 64));

  Image plain, interlaced;
  data = ReadFile("gradient.png");
  ASSERT_TRUE(DecodePng(data.data(), data.size(), plain));
  data = ReadFile("gradient_interlaced.png");
  ASSERT_TRUE(DecodePng(data.data(), data.size(), interlaced));
  EXPECT_EQ(plain.At(7, 7), MakePixel(255, 224, 224, 224));
  EXPECT_EQ(plain.At(3, 5), MakePixel(255, 96, 160, 128));
  EXPECT_EQ(interlaced.pixels, plain.pixels);
}

TEST(Png, DamagedOrFalseDataGivesNoImage) {
  Image image;
  for (const char* name : {"damaged.png", "truncated.png"}) {
    const std::vector<uint8_t> data = ReadFile(name);
    ASSERT_FALSE(data.empty()) << name;
    EXPECT_FALSE(DecodePng(data.data(), data.size(), image)) << name;
    EXPECT_EQ(image.width, 0);
    EXPECT_TRUE(image.pixels.empty());
  }
  const std::vector<uint8_t> good = ReadFile("rgba8.png");
  for (std::size_t cut : {std::size_t(0), std::size_t(7), std::size_t(8), std::size_t(30), good.size() - 24})
    EXPECT_FALSE(DecodePng(good.data(), cut, image)) << cut;
  // Complete pixel data decodes even when the end marker after it is cut.
  EXPECT_TRUE(DecodePng(good.data(), good.size() - 1, image));
  EXPECT_FALSE(DecodePng(nullptr, 100, image));
  const std::string text = "not a picture at all, just some text that is long enough";
  EXPECT_FALSE(DecodePng(reinterpret_cast<const uint8_t*>(text.data()), text.size(), image));
  EXPECT_FALSE(LoadPngResource(99999, image));
}

TEST(Png, WrittenSurfaceReadsBackPixelForPixel) {
  Surface surface;
  ASSERT_TRUE(surface.Create(17, 9));
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 17; ++x) surface.Pixels()[y * 17 + x] = MakePixel(255 - y * 20, x * 15, y * 28, 77);
  const std::string path = ::testing::TempDir() + "/pellory_surface.png";
  ASSERT_TRUE(WritePngFile(path, surface.Pixels(), 17, 9));
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Image image;
  ASSERT_TRUE(DecodePng(data.data(), data.size(), image));
  ASSERT_EQ(image.width, 17);
  EXPECT_TRUE(std::equal(image.pixels.begin(), image.pixels.end(), surface.Pixels()));
  std::remove(path.c_str());
  EXPECT_FALSE(WritePngFile("/nonexistent-folder/x.png", surface.Pixels(), 17, 9));
}

}  // namespace
}  // namespace pellory::drawing
