#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "drawing/Image.h"

namespace pellory::drawing {

// Decodes a PNG (any colour type and bit depth, interlaced or not) into 8-bit straight-alpha
// pixels. False (and an empty image) for anything that is not a complete, valid PNG.
bool DecodePng(const uint8_t* data, std::size_t size, Image& out);

// Decodes the module resource of type "PNG" with the numeric id; false when it is missing or
// damaged.
bool LoadPngResource(int id, Image& out);

// The width and height a PNG resource declares in its header, without decoding it; false when
// the resource is missing or does not start like a PNG.
bool ReadPngResourceSize(int id, int& width, int& height);

// Writes pixels as an 8-bit RGBA PNG file; false when the file cannot be written.
bool WritePngFile(const std::string& path, const Pixel* pixels, int width, int height);

}  // namespace pellory::drawing
