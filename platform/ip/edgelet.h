#pragma once

// Edgelets: sub-pixel edge points with a gradient magnitude and direction, as the edge
// detector (platform/ip/edge_detect.h) delivers them.
//
//   vcEdgeletParams params(1.0, 20.0, 1);   // magScale, magThresh, edge type request
//   params.magThresh(15.0);
//   vcEdgeletSet set;
//   vfEdgeDetect(image, params, set, nullptr, 0);
//   set.doEdgeInterp();                      // move each edgelet to its sub-pixel position
//   for (const vcEdgelet& e : set.edges())
//     use(e.get_i(), e.get_j(), e.position(), e.magnitude(), e.angle());
//
// Coordinates are image coordinates of the image that was searched (its offset coordinates):
// an edgelet found at pixel (i, j) of that image reports get_i() == i, get_j() == j, and its
// position lies near the pixel centre (i + 0.5, j + 0.5). set.clientFromImageXform() maps
// positions to client coordinates.
//
// Magnitude is the gradient magnitude on the contrast scale (a sharp step of C grey levels
// reads C; platform/ip/edge_detect.h) times the detector's magScale, rounded and saturated to
// 16 bits. The angle is the gradient direction, from dark to light,
// as an 8-bit code (0 along +x, 64 along +y).

#include <cstdint>
#include <vector>

#include "platform/base/angle.h"
#include "platform/base/vector.h"
#include "platform/base/xform.h"

// The pixel an edgelet was found at, as 16-bit image coordinates.
class vcEdgeletBase {
 public:
  constexpr vcEdgeletBase() = default;
  constexpr vcEdgeletBase(std::uint16_t i, std::uint16_t j) : i_(i), j_(j) {}

  constexpr std::uint16_t get_i() const { return i_; }
  constexpr std::uint16_t get_j() const { return j_; }

 private:
  std::uint16_t i_ = 0;
  std::uint16_t j_ = 0;
};

// One edgelet: pixel, sub-pixel position, magnitude and gradient direction. A plain value of
// 16 bytes.
class vcEdgelet : public vcEdgeletBase {
 public:
  constexpr vcEdgelet() = default;
  // An edgelet at pixel (i, j) with position (x, y) in image coordinates.
  constexpr vcEdgelet(std::uint16_t i, std::uint16_t j, std::uint16_t magnitude, vcAngle8 angle,
                      float x, float y)
      : vcEdgeletBase(i, j), x_(x), y_(y), magnitude_(magnitude), angle_(angle) {}

  // Sub-pixel position in image coordinates, as stored (single precision): the pixel centre
  // (i + 0.5, j + 0.5) until vcEdgeletSet::doEdgeInterp() has run, the interpolated position
  // afterwards.
  constexpr float posQuickX() const { return x_; }
  constexpr float posQuickY() const { return y_; }
  vcVector<2> position() const { return vcVector<2>(double(x_), double(y_)); }

  // Gradient magnitude on the contrast scale, times magScale; 0..65535.
  constexpr std::uint16_t magnitude() const { return magnitude_; }
  // Gradient direction, pointing from dark to light.
  constexpr vcAngle8 angle() const { return angle_; }

  // The ends of the edgelet's tangent piece: a segment of length 1 pixel across the gradient,
  // centred on position() (subPixel true) or on the pixel centre (subPixel false). a lies
  // half a pixel against, b half a pixel along the tangent direction, which is the gradient
  // direction turned by +90 degrees (code + 64).
  void endpoints(vcVector<2>& a, vcVector<2>& b, bool subPixel = true) const;

 private:
  float x_ = 0.0f;
  float y_ = 0.0f;
  std::uint16_t magnitude_ = 0;
  vcAngle8 angle_;
};

namespace vc_edge_detail {
class EdgeletSetWriter;
}

// The edgelets of one image, in raster order (rows by increasing get_j(), within a row by
// increasing get_i()), at most one per pixel, with the client transform of that image.
// Filled by vfEdgeDetect; a default set is empty with the identity transform.
class vcEdgeletSet {
 public:
  vcEdgeletSet() = default;

  const std::vector<vcEdgelet>& edges() const { return edges_; }

  // Moves every edgelet from its pixel centre to its sub-pixel position, found by the
  // detector along the gradient direction. Ensures: positions within 1 pixel of the pixel
  // centre. A second call changes nothing.
  void doEdgeInterp();

  // Image to client coordinates of the image the edgelets came from.
  const vcXform<2>& clientFromImageXform() const { return clientFromImage_; }

 private:
  friend class vc_edge_detail::EdgeletSetWriter;

  std::vector<vcEdgelet> edges_;
  // Interpolated positions (x, y per edgelet) waiting for doEdgeInterp(); empty afterwards.
  std::vector<float> pending_;
  vcXform<2> clientFromImage_;
};

// Settings of the edge detector.
class vcEdgeletParams {
 public:
  // magScale: factor applied to the gradient magnitude (contrast scale) before it is
  //   rounded into magnitude(); finite and > 0. Default 1.
  // magThresh: an edgelet needs a scaled magnitude (before rounding) of at least this; finite
  //   and >= 0. Default 20.
  // edgeType: the kind of edgelets requested. 1 (the only kind) asks for peak edgelets: one
  //   per pixel where the magnitude is a maximum across the edge.
  // Throws: vcBadParamsError when a value is out of range.
  explicit vcEdgeletParams(double magScale = 1.0, double magThresh = 20.0, long edgeType = 1);

  double magScale() const { return magScale_; }
  // Throws: vcBadParamsError unless magScale is finite and > 0; the params are then unchanged.
  void magScale(double magScale);

  double magThresh() const { return magThresh_; }
  // Throws: vcBadParamsError unless magThresh is finite and >= 0.
  void magThresh(double magThresh);

  long edgeType() const { return edgeType_; }

 private:
  double magScale_ = 1.0;
  double magThresh_ = 20.0;
  long edgeType_ = 1;
};
