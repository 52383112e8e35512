#pragma once

// Non-maximum suppression of an edge-magnitude image: keeps the pixels whose magnitude is a
// peak across the edge.
//
//   vcPelBuffer<unsigned char> magnitude, angle;   // from the edge detector's image form
//   long numPeaks = 0;
//   vcPelBuffer<unsigned char> peaks = vfTruePeak(magnitude, angle, 20, &numPeaks);
//
// The angle image holds 8-bit direction codes (256 per turn, code 0 along +x, 64 along +y),
// the gradient direction of each pixel. A pixel is a peak when its magnitude is at least the
// threshold, strictly greater than that of its neighbour one step against the gradient and at
// least that of its neighbour one step along it; the gradient direction is rounded to the
// nearest of the eight neighbour directions. The asymmetric rule keeps exactly one pixel of a
// two-pixel plateau across an edge. Pixels of the outermost rows and columns lack a
// neighbour on some side and are never peaks.

#include "platform/base/pel_buffer.h"

// The peak image: peaks keep their magnitude, every other pixel is 0. A new root (rows aligned
// to 32 bytes) of the magnitude image's size, with its offset and client transform.
// threshold: grey level in [0, 255]. count: when not null, receives the number of peaks.
// Throws: vcBadParamsError when an image is unbound or empty, the two sizes differ or the
// threshold is out of range.
vcPelBuffer<unsigned char> vfTruePeak(const vcPelBuffer_const<unsigned char>& magnitude,
                                      const vcPelBuffer_const<unsigned char>& angle,
                                      long threshold, long* count);
