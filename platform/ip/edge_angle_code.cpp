#include "platform/ip/edge_angle_code.h"

#include <cmath>
#include <numbers>

namespace vc_edge_detail {

const AngleCoder& AngleCoder::instance() {
  static const AngleCoder coder;
  return coder;
}

AngleCoder::AngleCoder() {
  // Entry k: atan(k / kSteps) in 1/256ths of a code (65536 per turn), 0..8192.
  for (unsigned k = 0; k <= kSteps; ++k) {
    const double turns = std::atan(double(k) / kSteps) / (2.0 * std::numbers::pi);
    octant_[k] = std::uint16_t(std::lround(turns * 65536.0));
  }
}

}  // namespace vc_edge_detail
