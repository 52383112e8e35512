// `shapesel strokes`: one bright bar gives its centre-line segment with its width, and
// --stages writes the three working images.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "apps/shapesel/cli.h"
#include "io/image_file.h"

namespace {

TEST(ShapeselStrokes, BarGivesItsCentreLineAndStageImages) {
  vcPelBuffer<unsigned char> image(200, 80, 32);
  for (long y = 0; y < 80; ++y)
    for (long x = 0; x < 200; ++x)
      image.put(x, y, x >= 20 && x < 180 && y >= 30 && y < 40 ? 180 : 30);
  const std::string dir = ::testing::TempDir() + "shapesel_strokes";
  const std::string path = dir + "-bar.png";
  vfWritePng(path, image);
  std::ostringstream out, err;
  const int code = vfShapeselMain(
      {"shapesel", "strokes", path, "--json", "-", "--client-scale", "0.5", "--stages", dir}, out,
      err, false);
  ASSERT_EQ(code, 0) << err.str();
  const nlohmann::json doc = nlohmann::json::parse(out.str());
  const nlohmann::json& results = doc["images"][0]["results"];
  ASSERT_EQ(results.size(), 1u);
  EXPECT_DOUBLE_EQ(results[0]["width"].get<double>(), 5.0);  // 10 pixels at 0.5 per pixel
  EXPECT_NEAR(results[0]["p1"][1].get<double>(), 17.5, 0.05);
  for (const char* stage : {"1-cleaned.png", "1-mask.png", "1-distance.png"})
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(dir) / stage)) << stage;
}

}  // namespace
