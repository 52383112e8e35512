#include "distance_lut.h"

#include <cmath>
#include <string>

#include "platform/base/exception.h"

vcPelBuffer<unsigned char> vfMakeDistanceLut() {
  const long n = vc_skeleton::kDistanceLutSize;
  vcPelBuffer<unsigned char> lut(n, n, 32, vcUnsetPels{});
  for (long y = 0; y < n; ++y) {
    unsigned char* row = lut.pointToRow(y);
    for (long x = 0; x < n; ++x) {
      // std::round rounds halves away from zero; the square root of an integer sum is exact
      // enough that no half is misplaced.
      const double twice = std::round(2.0 * std::sqrt(double(x * x + y * y)));
      row[x] = static_cast<unsigned char>(twice < 255.0 ? twice : 255.0);
    }
  }
  return lut;
}

namespace vc_skeleton {

void requireDistanceLut(const vcPelBuffer_const<unsigned char>& lut, const wchar_t* what) {
  if (!lut.isBound() || lut.width() != kDistanceLutSize || lut.height() != kDistanceLutSize)
    throw vcBadParamsError(std::wstring(what) +
                           L": distanceLut must be a bound image of 256 x 256 pixels");
}

}  // namespace vc_skeleton
