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

}  // namespace
