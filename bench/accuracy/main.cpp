// bench_accuracy: what the line tracker and the circle finder find with their default
// parameters on generated scenes over the whole range of contrast, blur, noise, radius and
// hidden rim, printed bucket by bucket (bench/accuracy/score.h says how it is scored).
//
//   bench_accuracy                    100 scenes from seed 1
//   bench_accuracy --scenes 40 --seed 1000
//   bench_accuracy --misses           also lists every circle missed, every false circle,
//                                     every false line and every side not found in one piece
//   bench_accuracy --overlays DIR     also writes DIR/lines-<seed>.png for every scene where a
//                                     side came back broken or a false line was found
//                                     (bench/accuracy/overlay.h), and DIR/circle-<seed>-<k>.png
//                                     round every true circle k that was missed and
//                                     DIR/false-<seed>-<f>.png round every false circle f,
//                                     with the chains the circle finder links there
//
// The circle finder searches radii 6 to 126 in either polarity and reports up to 100 circles;
// everything else is at its default. The same scenes are scored for OpenCV's finders by
// `peers accuracy` (bench/peers).

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>

#include "overlay.h"
#include "run_ours.h"
#include "score.h"

namespace {

struct Options {
  long scenes = 100;
  long seed = 1;
  bool misses = false;
  std::string overlays;  // folder, or empty for none
};

long number(const char* flag, const char* text, long low, long high) {
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < low || v > high)
    throw std::invalid_argument(std::string(flag) + " needs a number from " + std::to_string(low) +
                                " to " + std::to_string(high));
  return v;
}

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--misses") {
      o.misses = true;
      continue;
    }
    if (i + 1 >= argc) throw std::invalid_argument("unknown or incomplete argument " + arg);
    if (arg == "--scenes")
      o.scenes = number("--scenes", argv[++i], 1, 100000);
    else if (arg == "--seed")
      o.seed = number("--seed", argv[++i], 0, 4000000000L);
    else if (arg == "--overlays")
      o.overlays = argv[++i];
    else
      throw std::invalid_argument("unknown argument " + arg +
                                  "; use --scenes N --seed S --misses --overlays DIR");
  }
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const Options options = parse(argc, argv);
    accuracy::vcLineScore lines;
    accuracy::vcCircleScore circles;
    double linesMs = 0.0, circlesMs = 0.0;
    for (long k = 0; k < options.scenes; ++k) {
      const vsAccuracyScene scene = accuracy::sceneNumber(options.seed + k);
      const accuracy::vsOurs ours = accuracy::runOurs(scene.image);
      const accuracy::vsLineMisses missed =
          lines.add(scene, ours.segments, options.misses, options.seed + k);
      if (!options.overlays.empty() &&
          (!missed.brokenSides.empty() || !missed.falseSegments.empty()))
        accuracy::writeLineOverlay(
            options.overlays + "/lines-" + std::to_string(options.seed + k) + ".png", scene,
            ours.segments, missed);
      const accuracy::vsCircleMisses missedCircles =
          circles.add(scene, ours.circles, options.misses, options.seed + k);
      const std::string label = std::to_string(options.seed + k) + "-";
      if (!options.overlays.empty()) {
        for (std::size_t t : missedCircles.missed)
          accuracy::writeCircleOverlay(
              options.overlays + "/circle-" + label + std::to_string(t) + ".png", scene, t,
              ours.circles);
        for (std::size_t f : missedCircles.falseOnes)
          accuracy::writeFalseCircleOverlay(
              options.overlays + "/false-" + label + std::to_string(f) + ".png", scene,
              ours.circles, f);
      }
      linesMs += ours.linesMs;
      circlesMs += ours.circlesMs;
    }
    std::printf(
        "%ld scenes from seed %ld, 800x600; mean time per scene: lines %.2f ms, "
        "circles %.2f ms\n",
        options.scenes, options.seed, linesMs / double(options.scenes),
        circlesMs / double(options.scenes));
    lines.print("line tracker, defaults");
    circles.print("circle finder, radii 6-126, either polarity");
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_accuracy: %s\n", e.what());
    return 1;
  }
}
