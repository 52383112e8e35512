// The vectorised steps of the edge detector (its smoothing and edge width among them), its gap
// bridging and the 9x9 median give exactly what their portable twins give; and the switch
// between them.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <tuple>
#include <vector>

#include "platform/base/exception.h"
#include "platform/cpu/simd.h"
#include "platform/ip/edge_blur.h"
#include "platform/ip/edge_detect.h"
#include "platform/ip/edge_presmooth.h"
#include "platform/ip/median.h"
#include "vector_paths.h"

namespace {

using vectortest::bothPaths;
using vectortest::difference;
using vectortest::vectorPathImages;

using Edgelet = std::tuple<int, int, std::uint32_t, std::uint32_t, int, int>;

// Every field of every edgelet, positions bit for bit.
std::vector<Edgelet> fields(const vcEdgeletSet& set) {
  std::vector<Edgelet> out;
  for (const vcEdgelet& e : set.edges())
    out.emplace_back(e.get_i(), e.get_j(), std::bit_cast<std::uint32_t>(e.posQuickX()),
                     std::bit_cast<std::uint32_t>(e.posQuickY()), e.magnitude(),
                     e.angle().plain());
  return out;
}

std::vector<unsigned char> pixels(const vcPelBuffer_const<unsigned char>& image) {
  std::vector<unsigned char> out;
  for (long y = 0; y < image.height(); ++y)
    for (long x = 0; x < image.width(); ++x) out.push_back(image.get(x, y));
  return out;
}

TEST(VectorPaths, CapIsCheckedRestorableAndBoundedByTheProcessor) {
  const vcSimdLevel before = vfSimdCap();
  EXPECT_THROW(vfSetSimdCap(vcSimdLevel(2)), vcBadParamsError);
  EXPECT_THROW(vfSetSimdCap(vcSimdLevel(-1)), vcBadParamsError);
  EXPECT_EQ(vfSimdCap(), before);
  EXPECT_EQ(vfSetSimdCap(vcSimdLevel::portable), before);
  EXPECT_EQ(vfSimdLevel(), vcSimdLevel::portable);
  EXPECT_EQ(vfSetSimdCap(vcSimdLevel::avx2), vcSimdLevel::portable);
  // No cap: the best the processor has.
  EXPECT_EQ(vfSimdLevel(), vfSimdSupported());
  vfSetSimdCap(before);
}

// Low thresholds reach every weak peak (and every gap bridged in noise), high ones leave few;
// a small magScale checks the rounding near the threshold on other magnitudes.
TEST(VectorPaths, EdgeDetectorGivesTheSameEdgeletsBothWays) {
  if (vectortest::portableOnly()) GTEST_SKIP() << "this processor has only the portable path";
  const vcEdgeletParams settings[] = {vcEdgeletParams(1.0, 1.0, 1), vcEdgeletParams(1.0, 12.0, 1),
                                      vcEdgeletParams(1.0, 60.0, 1),
                                      vcEdgeletParams(0.37, 5.0, 1)};
  for (const auto& [name, image] : vectorPathImages())
    for (const vcEdgeletParams& params : settings) {
      SCOPED_TRACE(name + ", threshold " + std::to_string(params.magThresh()) + ", scale " +
                   std::to_string(params.magScale()));
      const auto [portable, vectorised] = bothPaths([&, &image = image] {
        vcEdgeletSet held, placed;
        vfEdgeDetect(image, params, held);
        const std::vector<Edgelet> atCentres = fields(held);
        held.doEdgeInterp();
        vfEdgeDetectInterpolated(image, params, placed);
        return std::tuple(atCentres, fields(held), fields(placed));
      });
      EXPECT_EQ(difference(std::get<0>(portable), std::get<0>(vectorised)), "") << "centres";
      EXPECT_EQ(difference(std::get<1>(portable), std::get<1>(vectorised)), "") << "moved";
      EXPECT_EQ(difference(std::get<2>(portable), std::get<2>(vectorised)), "") << "placed";
    }
}

TEST(VectorPaths, GradientImagesAndMedianAreTheSameBothWays) {
  if (vectortest::portableOnly()) GTEST_SKIP() << "this processor has only the portable path";
  for (const auto& [name, image] : vectorPathImages()) {
    SCOPED_TRACE(name);
    const auto [portable, vectorised] = bothPaths([&, &image = image] {
      vcPelBuffer<unsigned char> magnitude, angle;
      vfEdgeDetect(image, vcEdgeletParams(2.5), magnitude, angle);
      const vcPelBuffer<unsigned char> median =
          vfPelMedian(image, vcPelMedianParams(vcPair<long>(9, 9)));
      return std::tuple(pixels(magnitude), pixels(angle), pixels(median),
                        pixels(vc_edge_detail::presmooth(image)),
                        pixels(vc_edge_detail::presmoothWide(image)),
                        std::vector<double>{vc_edge_detail::edgeWidth(image, 0.0),
                                            vc_edge_detail::edgeWidth(image, 4.0)});
    });
    EXPECT_EQ(difference(std::get<0>(portable), std::get<0>(vectorised)), "") << "magnitude";
    EXPECT_EQ(difference(std::get<1>(portable), std::get<1>(vectorised)), "") << "angle";
    EXPECT_EQ(difference(std::get<2>(portable), std::get<2>(vectorised)), "") << "median";
    EXPECT_EQ(difference(std::get<3>(portable), std::get<3>(vectorised)), "") << "smoothed";
    EXPECT_EQ(difference(std::get<4>(portable), std::get<4>(vectorised)), "") << "smoothed wide";
    EXPECT_EQ(std::get<5>(portable), std::get<5>(vectorised)) << "edge widths";
  }
}

}  // namespace
