#pragma once

// Pictures of what the line tracker missed on an accuracy scene, for looking at by eye: the
// scene in grey, enlarged twice; the false segments in yellow, the other segments of 10 pixels
// or more in green and the shorter ones in dark green; on top, dotted in red, the sides to
// find that no one segment covers.

#include <string>
#include <vector>

#include "io/render_raster.h"
#include "score.h"

namespace accuracy {

// Paints segment a-b (image coordinates) onto a picture of the image enlarged zoom times, a
// stamp every quarter of a screen pixel, or dotted, on every other screen pixel, so that what
// lies under it stays visible.
void paintSegment(vcRgbImage& picture, long zoom, const vcVector<2>& a, const vcVector<2>& b,
                  const vcColor& c, bool dotted = false);

// Writes the picture as an RGB PNG file.
// Throws: vcImageFileError naming the file when it cannot be written.
void writeLineOverlay(const std::string& path, const vsAccuracyScene& scene,
                      const std::vector<vsSegment>& found, const vsLineMisses& misses);

// Writes a picture of the part of the scene around true circle `truth`, enlarged so that the
// circle spans about 300 screen pixels (at most 8 times): the true rim dotted in red, the
// circles found there in green.
// Throws: vcImageFileError naming the file when it cannot be written.
void writeCircleOverlay(const std::string& path, const vsAccuracyScene& scene, std::size_t truth,
                        const std::vector<vsCircle>& found);

// Writes a picture of the part of the scene around false circle found[f], enlarged as above:
// the chains the circle finder links there drawn edgelet by edgelet, each chain in a colour of
// its own, the false circle in yellow, other circles found in green, true rims dotted in red.
// Throws: vcImageFileError naming the file when it cannot be written.
void writeFalseCircleOverlay(const std::string& path, const vsAccuracyScene& scene,
                             const std::vector<vsCircle>& found, std::size_t f);

}  // namespace accuracy
