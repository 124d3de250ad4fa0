#pragma once
// Decoding of the JPEG pictures the windows show (libjpeg).
#include <cstdint>
#include <string_view>
#include <vector>

namespace os {

struct TBitmap {
  int Width = 0;
  int Height = 0;
  // Rows top to bottom, three bytes a pixel in the order red, green, blue.
  std::vector<std::uint8_t> Rgb;
};

// Raises EInvalidGraphic for data that is not a decodable JPEG image; a damaged
// picture never ends the program.
TBitmap DecodeJpeg(std::string_view data);

// The picture at width x height, each pixel interpolated between the four
// nearest of the original (bilinear): smooth at any scale, never doubled.
// An empty bitmap for sizes of more than kMaxBitmapBytes (no window of
// Setup's at any DPI needs a hundredth of that).
constexpr std::uint64_t kMaxBitmapBytes = 64u << 20;
TBitmap ScaleBitmap(const TBitmap& picture, int width, int height);

}  // namespace os
