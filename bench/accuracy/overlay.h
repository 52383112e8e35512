#pragma once

// Pictures of what the line tracker missed on an accuracy scene, for looking at by eye: the
// scene in grey, enlarged twice; the false segments in yellow, the other segments of 10 pixels
// or more in green and the shorter ones in dark green; on top, dotted in red, the sides to
// find that no one segment covers.

#include <string>
#include <vector>

#include "score.h"

namespace accuracy {

// Writes the picture as an RGB PNG file.
// Throws: vcImageFileError naming the file when it cannot be written.
void writeLineOverlay(const std::string& path, const vsAccuracyScene& scene,
                      const std::vector<vsSegment>& found, const vsLineMisses& misses);

}  // namespace accuracy
