#pragma once

// The image sizes that the programs around the library read, make and work on, one set for
// all of them so that nothing is made that a later step refuses: each side at most 65536
// pixels (the edge detector's pixel coordinates are 16-bit) and at most 2^28 pixels in all.

#include <string>

constexpr long kMaxImageSide = 65536;
constexpr long kMaxImagePixels = 1L << 28;

// Empty when a width x height image is within the limits (each side at least 1), else the
// reason, naming the size and the limits.
std::string vfImageSizeProblem(long width, long height);

// The largest overlay picture (an image enlarged by its zoom), in pixels.
constexpr long kMaxOverlayPixels = 1L << 26;
