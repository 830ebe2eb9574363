#include "drawing/Png.h"

#include <png.h>

#include <cstring>
#include <new>

#include "platform/Resources.h"

namespace pellory::drawing {

namespace {
// Larger than any editor bitmap by far; a damaged or hostile header cannot ask for gigabytes.
constexpr png_uint_32 kMaxSide = 16384;
constexpr std::size_t kMaxPixels = std::size_t(1) << 26;
}  // namespace

bool DecodePng(const uint8_t* data, std::size_t size, Image& out) {
  out = Image();
  if (!data || size < 8 || png_sig_cmp(data, 0, 8) != 0) return false;
  png_image image;
  std::memset(&image, 0, sizeof(image));
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, size)) {
    png_image_free(&image);
    return false;
  }
  if (image.width == 0 || image.height == 0 || image.width > kMaxSide || image.height > kMaxSide ||
      static_cast<std::size_t>(image.width) * image.height > kMaxPixels) {
    png_image_free(&image);
    return false;
  }
  // B, G, R, A bytes are one Pixel word on little-endian machines. 16-bit files without colour
  // space information are taken as ordinary (sRGB) images, like 8-bit ones.
  image.format = PNG_FORMAT_BGRA;
  image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
  std::vector<Pixel> pixels;
  try {
    pixels.resize(static_cast<std::size_t>(image.width) * image.height);
  } catch (const std::bad_alloc&) {
    png_image_free(&image);
    return false;
  }
  const int ok = png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
  const int width = static_cast<int>(image.width);
  const int height = static_cast<int>(image.height);
  png_image_free(&image);
  if (!ok) return false;
  out.width = width;
  out.height = height;
  out.pixels = std::move(pixels);
  return true;
}

bool LoadPngResource(int id, Image& out) {
  out = Image();
  platform::ResourceData data;
  const std::string name = std::to_string(id);
  if (!platform::FindResourceData("PNG", name.c_str(), data)) return false;
  return DecodePng(data.data, data.size, out);
}

bool ReadPngResourceSize(int id, int& width, int& height) {
  platform::ResourceData data;
  const std::string name = std::to_string(id);
  if (!platform::FindResourceData("PNG", name.c_str(), data) || data.size < 24) return false;
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (std::memcmp(data.data, kSignature, 8) != 0 || std::memcmp(data.data + 12, "IHDR", 4) != 0) return false;
  auto be32 = [&data](std::size_t at) {
    return static_cast<uint32_t>(data.data[at]) << 24 | static_cast<uint32_t>(data.data[at + 1]) << 16 |
           static_cast<uint32_t>(data.data[at + 2]) << 8 | static_cast<uint32_t>(data.data[at + 3]);
  };
  const uint32_t w = be32(16), h = be32(20);
  if (w == 0 || h == 0 || w > 1u << 15 || h > 1u << 15) return false;
  width = static_cast<int>(w);
  height = static_cast<int>(h);
  return true;
}

bool WritePngFile(const std::string& path, const Pixel* pixels, int width, int height) {
  if (!pixels || width <= 0 || height <= 0 || path.empty()) return false;
  png_image image;
  std::memset(&image, 0, sizeof(image));
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_BGRA;
  const int ok = png_image_write_to_file(&image, path.c_str(), 0, pixels, 0, nullptr);
  png_image_free(&image);
  return ok != 0;
}

}  // namespace pellory::drawing
