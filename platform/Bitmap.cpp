// Scaling of pictures, apart from their decoding: the uninstaller shows no
// picture and links no JPEG decoder.
#include <algorithm>

#include "platform/JpegImage.h"

namespace os {

TBitmap ScaleBitmap(const TBitmap& picture, int width, int height) {
  TBitmap out;
  if (picture.Width <= 0 || picture.Height <= 0 || width <= 0 || height <= 0) return out;
  // Counted in 64 bits: on the 32-bit build the product of a huge size
  // would wrap to a small buffer, written far past its end.
  if (std::uint64_t(width) * std::uint64_t(height) * 3 > kMaxBitmapBytes) return out;
  out.Width = width;
  out.Height = height;
  out.Rgb.resize(std::size_t(width) * height * 3);
  // Positions in 1/256 pixel; pixel centres map onto pixel centres.
  const auto source = [](int at, int from, int to) {
    const long long centre = ((2LL * at + 1) * from * 256) / (2LL * to) - 128;
    return centre < 0 ? 0LL : centre;
  };
  for (int y = 0; y < height; ++y) {
    const long long sy = source(y, picture.Height, height);
    const int y0 = std::min(int(sy >> 8), picture.Height - 1);
    const int y1 = std::min(y0 + 1, picture.Height - 1);
    const int fy = int(sy & 255);
    for (int x = 0; x < width; ++x) {
      const long long sx = source(x, picture.Width, width);
      const int x0 = std::min(int(sx >> 8), picture.Width - 1);
      const int x1 = std::min(x0 + 1, picture.Width - 1);
      const int fx = int(sx & 255);
      const auto at = [&](int px, int py, int c) {
        return int(picture.Rgb[(std::size_t(py) * picture.Width + px) * 3 + c]);
      };
      for (int c = 0; c < 3; ++c) {
        const int top = at(x0, y0, c) * (256 - fx) + at(x1, y0, c) * fx;
        const int bottom = at(x0, y1, c) * (256 - fx) + at(x1, y1, c) * fx;
        out.Rgb[(std::size_t(y) * width + x) * 3 + c] =
            std::uint8_t((top * (256 - fy) + bottom * fy + (1 << 15)) >> 16);
      }
    }
  }
  return out;
}

}  // namespace os
