#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/Exceptions.h"
#include "platform/JpegImage.h"

namespace {

std::string SideImageBytes() {
  std::ifstream in(TEST_SOURCE_DIR "/resources/SideImage.jpg", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(JpegImageTest, SideImageDecodesTo120By280Pixels) {
  const std::string bytes = SideImageBytes();
  ASSERT_GT(bytes.size(), 100u);
  const os::TBitmap picture = os::DecodeJpeg(bytes);
  EXPECT_EQ(picture.Width, 120);
  EXPECT_EQ(picture.Height, 280);
  ASSERT_EQ(picture.Rgb.size(), 120u * 280u * 3u);
  // The picture is a blue-to-teal gradient: blue dominates red at the top
  // left, and green has risen by the bottom.
  const auto* top = &picture.Rgb[0];
  const auto* bottom = &picture.Rgb[(279 * 120) * 3];
  EXPECT_GT(top[2], top[0] + 60);
  EXPECT_GT(bottom[1], top[1] + 40);
}

TEST(JpegImageTest, DamagedDataRaisesInsteadOfEndingTheProgram) {
  const std::string bytes = SideImageBytes();
  const std::string damaged[] = {
      "",
      "not a picture at all",
      bytes.substr(0, 2),             // only the start-of-image marker
      std::string(bytes.size(), '\xFF'),
      bytes.substr(0, 20) + std::string(200, '\0'),
  };
  for (const std::string& data : damaged)
    EXPECT_THROW(os::DecodeJpeg(data), os::EInvalidGraphic) << data.size() << " bytes";
}

// The side image grows with the screen's DPI: smoothly, never as blocks of
// repeated pixels, and with its colours where they were.
TEST(JpegImageTest, ScaledPicturesAreSmoothAndKeepTheirColours) {
  os::TBitmap checker;  // 2 x 2: black, white / white, black
  checker.Width = checker.Height = 2;
  checker.Rgb = {0, 0, 0, 255, 255, 255, 255, 255, 255, 0, 0, 0};
  const os::TBitmap same = os::ScaleBitmap(checker, 2, 2);
  EXPECT_EQ(same.Rgb, checker.Rgb) << "at its own size, unchanged";

  const os::TBitmap doubled = os::ScaleBitmap(checker, 4, 4);
  ASSERT_EQ(doubled.Rgb.size(), 4u * 4u * 3u);
  const auto grey = [&](int x, int y) { return int(doubled.Rgb[(y * 4 + x) * 3]); };
  EXPECT_EQ(grey(0, 0), 0) << "corners keep their colour";
  EXPECT_EQ(grey(3, 0), 255);
  EXPECT_GT(grey(1, 1), 0) << "in between, a blend, not a copy of a neighbour";
  EXPECT_LT(grey(1, 1), 255);
  EXPECT_NE(grey(1, 0), grey(0, 0));

  const os::TBitmap side = os::DecodeJpeg(SideImageBytes());
  for (const auto& size : {std::pair{150, 350}, std::pair{180, 420}, std::pair{240, 560}}) {
    const os::TBitmap scaled = os::ScaleBitmap(side, size.first, size.second);
    ASSERT_EQ(scaled.Rgb.size(), std::size_t(size.first) * size.second * 3);
    EXPECT_NEAR(scaled.Rgb[2], side.Rgb[2], 8) << "top left stays blue";
    const std::size_t lastScaled = (std::size_t(size.second) * size.first - 1) * 3;
    const std::size_t lastSide = (std::size_t(280) * 120 - 1) * 3;
    EXPECT_NEAR(scaled.Rgb[lastScaled + 1], side.Rgb[lastSide + 1], 8) << "bottom right too";
  }
  EXPECT_EQ(os::ScaleBitmap(os::TBitmap(), 10, 10).Width, 0) << "nothing from nothing";
}

// A size whose byte count wraps on the 32-bit build (about 19,800 dpi for
// the side image) is refused whole, never allocated short and overrun.
TEST(ScaleBitmapTest, SizesThatDoNotFitAreRefused) {
  os::TBitmap picture;
  picture.Width = picture.Height = 2;
  picture.Rgb.assign(12, 0x80);
  for (const auto& size : {std::pair<int, int>{24755, 57800}, {65536, 65536}, {2147483647, 2}}) {
    const os::TBitmap scaled = os::ScaleBitmap(picture, size.first, size.second);
    EXPECT_EQ(scaled.Width, 0) << size.first << "x" << size.second;
    EXPECT_TRUE(scaled.Rgb.empty());
  }
  const os::TBitmap fits = os::ScaleBitmap(picture, 240, 560);
  EXPECT_EQ(fits.Rgb.size(), 240u * 560 * 3);
}

}  // namespace
