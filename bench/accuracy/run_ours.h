#pragma once

// The accuracy benchmark's scenes and our tools' answers on them, shared by bench_accuracy
// and the peers program so that both score the same scenes the same way.

#include <vector>

#include "score.h"

namespace accuracy {

// Scene number k of the benchmark: 800 x 600, five circles and eight clutter objects, seed k.
vsAccuracyScene sceneNumber(long k);

struct vsOurs {
  std::vector<vsSegment> segments;
  std::vector<vsCircle> circles;
  double linesMs = 0.0, circlesMs = 0.0;
};

// The line tracker with its defaults, and the circle finder with radii 6 to 126, either
// polarity and up to 100 results, each timed once (edge detection included).
vsOurs runOurs(const vcPelBuffer_const<unsigned char>& image);

}  // namespace accuracy
