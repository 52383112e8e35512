// Accuracy of the skeletal extraction on generated bars, printed once per run of the benchmark
// program: light bars of width 6 to 30 pixels, length 60 to 400, any angle, contrast 40 to 120
// grey levels, blur up to 1.5 pixels and noise up to 5 grey levels on a background of 20 to
// 100. A bar counts as found when a segment lies within 3 pixels RMS and 5 degrees of its axis;
// of those, the one a user would trust most (highest magnitude, that is straightest ridge, then
// longest) is measured: its RMS distance from the axis along its length, its
// angle and its width against the bar's. "ok" counts the found bars within 0.3 pixel, 0.5
// degree and 1.5 pixels; "any ok" counts the bars with at least one segment within them,
// whichever it is. Figures are given per bucket of each parameter and for contrast against blur,
// since edges weaker than the edge threshold (20 on the edge detector's scale) leave a bar to the
// threshold ceiling of 200.
//
// What keeps "ok" under 100 %, found by replaying the misses of seeds 2026, 5000 and 30000 with
// one stage changed at a time:
//  - The ends of a square-ended bar. Near an end the distance ridge forks towards the corners
//    and its cross-profile turns flat; following runs into the fork until the ridge drops below
//    its floor, and the line is fitted to every point followed. Most misses are angle and
//    centre errors of bars shorter than about four widths; fitting without the points within
//    half a width of either end would raise "ok" to 98 or 99 %.
//  - Two segments per bar: a bar at least 25 degrees from both axes is traced by both passes, into
//    segments of magnitude 255 and lengths within about a pixel of each other. The longer one,
//    which is measured, is mostly the one of the pass farther from the bar's direction: it runs
//    further into the forks. Where the other one is within tolerance, "any ok" counts the bar
//    and "ok" does not.
//  - Following along x or y only: a bar near 45 degrees meets its forks obliquely.
//  - The pixel grid of the mask: the centre-line of a bar within a degree or two of an axis moves
//    in half-pixel steps where its edges step, which turns a short bar's segment by up to a
//    degree; and the distance at the centre pixel of a band an odd number of pixels wide is one
//    more than the band, so a 6.5 pixel bar binarised 7 wide reads 8.
// Neither the propagated distance (the exact one moves as many bars out of tolerance as into
// it) nor the choice of the first of equal profile samples is among the causes.
//
// Stroke regions under 1000 pixels are removed before the distance transform, so a bar whose
// binarised region falls under that (the median rounds its ends, the threshold trims its
// sides) must give nothing; such bars are counted apart from the figures, as are bars drawn
// under 1000 pixels and strokes of 1 or 2 pixels, which must give nothing either.
//
// The scenes follow from one seed, 2026 unless the environment variable SKELETON_SEED gives
// another, so that the figures can be checked on scenes never looked at:
//   SKELETON_SEED=5000 bench_skeleton --benchmark_filter=Accuracy
// With SKELETON_MISSES=1 it also lists every bar outside the tolerances.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "src/skeleton/binarize_locally.h"
#include "src/skeleton/skeletal_extraction.h"
#include "stroke_scenes.h"

namespace {

using skeleton_bench::vsBarCase;

struct Outcome {
  vsBarCase bar;
  long region = 0;      // pixels of the bar's binarised region before speck removal
  long segments = 0;    // segments the extraction gave
  double widest = 0.0;  // the largest width among them, pixels
  bool found = false;
  double position = 0.0, angle = 0.0, width = 0.0;  // errors: pixels, degrees, pixels
  bool anyOk = false;  // some segment, not necessarily the measured one, is within tolerance
  bool ok() const { return found && withinTolerance(position, angle, width); }
  static bool withinTolerance(double position, double angle, double width) {
    return position <= 0.3 && angle <= 0.5 && std::fabs(width) <= 1.5;
  }
};

// The stroke pixels of the binarised cleaned image within 3 pixels of the bar's outline: the
// area that speck removal compares with 1000.
long barRegion(const skeleton_bench::vsBarScene& scene, const vsBarCase& bar,
               const vcPelBuffer_const<unsigned char>& cleaned) {
  vcPelBuffer<unsigned char> mask;
  vc_skeleton::binarizeLocally(cleaned, 20, mask, 0.55, 200, 100);
  long area = 0;
  for (long y = 0; y < mask.height(); ++y)
    for (long x = 0; x < mask.width(); ++x) {
      if (mask.pointToRow(y)[x] == 0) continue;
      const vcVector<2> d = vcVector<2>(x + 0.5, y + 0.5) - scene.centre;
      if (std::fabs(d * scene.axis) <= bar.length / 2 + 3 &&
          std::fabs(d.cross(scene.axis)) <= bar.width / 2 + 3)
        ++area;
    }
  return area;
}

Outcome measure(const vsBarCase& bar, double background, std::uint32_t seed,
                const vcPelBuffer_const<unsigned char>& lut, std::size_t* numSegments) {
  const skeleton_bench::vsBarScene scene = skeleton_bench::barScene(bar, background, seed);
  std::vector<vcFoundSegment> segments;
  vsSkeletalStages stages;
  vfExtractSkeletalSegments(scene.image, segments, 20.0, lut, &stages);
  if (numSegments != nullptr) *numSegments = segments.size();
  Outcome o;
  o.bar = bar;
  o.segments = long(segments.size());
  for (const vcFoundSegment& s : segments) o.widest = std::max(o.widest, s.width());
  o.region = barRegion(scene, bar, stages.cleaned);
  double bestMagnitude = -1.0, best = -1.0;
  for (const vcFoundSegment& s : segments) {
    const vcVector<2> a = s.segment().p1(), b = s.segment().p2();
    const double d1 = (a - scene.centre).cross(scene.axis);
    const double d2 = (b - scene.centre).cross(scene.axis);
    const double rms = std::sqrt((d1 * d1 + d1 * d2 + d2 * d2) / 3.0);
    const double cosine = std::min(1.0, std::fabs((b - a) * scene.axis) / (b - a).len());
    const double degrees = std::acos(cosine) * 180.0 / std::numbers::pi;
    if (rms > 3.0 || degrees > 5.0) continue;
    if (Outcome::withinTolerance(rms, degrees, s.width() - bar.width)) o.anyOk = true;
    if (s.magnitude() < bestMagnitude || (s.magnitude() == bestMagnitude && s.length() <= best))
      continue;
    bestMagnitude = s.magnitude();
    best = s.length();
    o.found = true;
    o.position = rms;
    o.angle = degrees;
    o.width = s.width() - bar.width;
  }
  return o;
}

// One line of figures over the outcomes that pass the filter.
void printBucket(const std::string& name, const std::vector<Outcome>& all,
                 const std::function<bool(const Outcome&)>& in) {
  long n = 0, found = 0, ok = 0, anyOk = 0;
  double sp = 0, sa = 0, sw = 0, mp = 0, ma = 0, mw = 0;
  for (const Outcome& o : all) {
    if (!in(o)) continue;
    ++n;
    if (!o.found) continue;
    ++found;
    ok += o.ok();
    anyOk += o.anyOk;
    sp += o.position * o.position;
    sa += o.angle * o.angle;
    sw += o.width * o.width;
    mp = std::max(mp, o.position);
    ma = std::max(ma, o.angle);
    mw = std::max(mw, std::fabs(o.width));
  }
  if (n == 0) return;
  const double f = found > 0 ? double(found) : 1.0;
  std::printf("  %-22s %5ld %6.1f%% %6.1f%% %6.1f%%   %5.3f %5.2f   %5.3f %5.2f   %5.2f %5.2f\n",
              name.c_str(), n, 100.0 * found / n, 100.0 * ok / n, 100.0 * anyOk / n,
              std::sqrt(sp / f), mp, std::sqrt(sa / f), ma, std::sqrt(sw / f), mw);
}

// The seed of the scenes: SKELETON_SEED when set, else 2026.
std::uint32_t sceneSeed() {
  const char* text = std::getenv("SKELETON_SEED");
  return text != nullptr ? std::uint32_t(std::strtoul(text, nullptr, 10)) : 2026u;
}

void BM_SkeletalAccuracy(benchmark::State& state) {
  const vcPelBuffer<unsigned char> lut = vfMakeDistanceLut();
  const std::uint32_t seed = sceneSeed();
  const std::uint32_t shift = seed - 2026u;  // noise seeds move with the scene seed
  std::vector<Outcome> outcomes, underLimit;
  std::vector<Outcome> thinWithSegments;
  long smallSegments = 0, smallBars = 0, thinSegments = 0, thinStrokes = 0;
  for (auto _ : state) {
    vcSceneRandom random(seed);
    outcomes.clear();
    // Bars over the whole range, area at least 1000 pixels.
    while (outcomes.size() < 800) {
      vsBarCase bar;
      bar.width = random.uniform(6.0, 30.0);
      bar.length = random.uniform(60.0, 400.0);
      if (bar.width * bar.length < 1000.0) continue;
      bar.angle = random.uniform(0.0, std::numbers::pi);
      bar.contrast = random.uniform(40.0, 120.0);
      bar.blur = random.uniform(0.0, 1.5);
      bar.noise = random.uniform(0.0, 5.0);
      const double background = random.uniform(20.0, 100.0);
      outcomes.push_back(
          measure(bar, background, shift + std::uint32_t(outcomes.size() + 1), lut, nullptr));
    }
    // Bars whose region speck removal takes away are figures of their own.
    underLimit.clear();
    for (const Outcome& o : outcomes)
      if (o.region < 1000) underLimit.push_back(o);
    std::erase_if(outcomes, [](const Outcome& o) { return o.region < 1000; });
    // Bars under 1000 pixels of area, and strokes 1 or 2 pixels wide: nothing may come out.
    smallSegments = smallBars = thinSegments = thinStrokes = 0;
    thinWithSegments.clear();
    for (int k = 0; k < 100; ++k) {
      vsBarCase bar;
      bar.width = random.uniform(6.0, 12.0);
      bar.length = random.uniform(60.0, 900.0 / bar.width);
      bar.angle = random.uniform(0.0, std::numbers::pi);
      bar.contrast = random.uniform(40.0, 120.0);
      bar.blur = random.uniform(0.0, 1.5);
      bar.noise = random.uniform(0.0, 5.0);
      if (bar.length < 60.0) continue;
      std::size_t count = 0;
      measure(bar, random.uniform(20.0, 100.0), shift + std::uint32_t(5000 + k), lut, &count);
      ++smallBars;
      smallSegments += long(count);
      bar.width = k % 2 == 0 ? 1.0 : 2.0;
      bar.length = random.uniform(100.0, 400.0);
      const Outcome thin =
          measure(bar, random.uniform(20.0, 100.0), shift + std::uint32_t(6000 + k), lut, &count);
      ++thinStrokes;
      thinSegments += long(count);
      if (count > 0) thinWithSegments.push_back(thin);
    }
  }

  std::printf(
      "\nSkeletal extraction accuracy, seed %u: %zu bars whose region reaches 1000 px; errors of "
      "found bars as RMS and max\n",
      seed, outcomes.size());
  std::printf("  %-22s %5s %7s %7s %7s   %11s   %11s   %11s\n", "bucket", "bars", "found", "ok",
              "any ok", "centre px", "angle deg", "width px");
  printBucket("all", outcomes, [](const Outcome&) { return true; });
  const double contrastEdges[] = {40, 60, 80, 100, 120.01};
  const double blurEdges[] = {0.0, 0.5, 1.0, 1.50001};
  const double widthEdges[] = {6, 12, 20, 30.01};
  const double lengthEdges[] = {60, 150, 250, 400.01};
  auto range = [](const char* what, double lo, double hi) {
    char text[64];
    std::snprintf(text, sizeof text, "%s %g-%g", what, lo, std::floor(hi * 10) / 10);
    return std::string(text);
  };
  for (int i = 0; i < 4; ++i)
    printBucket(
        range("contrast", contrastEdges[i], contrastEdges[i + 1]), outcomes, [&](const Outcome& o) {
          return o.bar.contrast >= contrastEdges[i] && o.bar.contrast < contrastEdges[i + 1];
        });
  for (int i = 0; i < 3; ++i)
    printBucket(range("blur", blurEdges[i], blurEdges[i + 1]), outcomes, [&](const Outcome& o) {
      return o.bar.blur >= blurEdges[i] && o.bar.blur < blurEdges[i + 1];
    });
  for (int i = 0; i < 3; ++i)
    printBucket(range("width", widthEdges[i], widthEdges[i + 1]), outcomes, [&](const Outcome& o) {
      return o.bar.width >= widthEdges[i] && o.bar.width < widthEdges[i + 1];
    });
  for (int i = 0; i < 3; ++i)
    printBucket(range("length", lengthEdges[i], lengthEdges[i + 1]), outcomes,
                [&](const Outcome& o) {
                  return o.bar.length >= lengthEdges[i] && o.bar.length < lengthEdges[i + 1];
                });
  printBucket("area 1000-1300", outcomes,
              [](const Outcome& o) { return o.bar.width * o.bar.length < 1300.0; });
  printBucket("area 1300 and more", outcomes,
              [](const Outcome& o) { return o.bar.width * o.bar.length >= 1300.0; });
  // Following runs about 2.5 pixels past the start of a square end, where the distance ridge
  // forks towards the corners; the bent end points weigh most on bars short for their width.
  printBucket("length under 4 widths", outcomes,
              [](const Outcome& o) { return o.bar.length < 4.0 * o.bar.width; });
  printBucket("length 4 widths or more", outcomes,
              [](const Outcome& o) { return o.bar.length >= 4.0 * o.bar.width; });
  printBucket("noise 0-2.5", outcomes, [](const Outcome& o) { return o.bar.noise < 2.5; });
  printBucket("noise 2.5-5", outcomes, [](const Outcome& o) { return o.bar.noise >= 2.5; });
  printBucket("angle within 10 of axes", outcomes, [](const Outcome& o) {
    const double d = std::fmod(o.bar.angle * 180.0 / std::numbers::pi, 90.0);
    return d < 10.0 || d > 80.0;
  });
  printBucket("angle 35-55 off axes", outcomes, [](const Outcome& o) {
    const double d = std::fmod(o.bar.angle * 180.0 / std::numbers::pi, 90.0);
    return d > 35.0 && d < 55.0;
  });
  std::printf("  found %% by contrast (rows) and blur (columns 0-0.5, 0.5-1, 1-1.5):\n");
  for (int i = 0; i < 4; ++i) {
    std::printf("    contrast %3g-%-3g", contrastEdges[i], std::floor(contrastEdges[i + 1]));
    for (int j = 0; j < 3; ++j) {
      long n = 0, found = 0;
      for (const Outcome& o : outcomes)
        if (o.bar.contrast >= contrastEdges[i] && o.bar.contrast < contrastEdges[i + 1] &&
            o.bar.blur >= blurEdges[j] && o.bar.blur < blurEdges[j + 1]) {
          ++n;
          found += o.found;
        }
      std::printf(" %6.1f%% (%3ld)", n > 0 ? 100.0 * found / n : 0.0, n);
    }
    std::printf("\n");
  }
  // With SKELETON_MISSES set, every bar outside the tolerances, to look at one by one.
  if (std::getenv("SKELETON_MISSES") != nullptr)
    for (const Outcome& o : outcomes)
      if (!o.ok())
        std::printf(
            "    miss: width %.1f, length %.0f, angle %.1f, contrast %.0f, blur %.2f, noise %.1f: "
            "%s, centre %.2f px, angle %.2f deg, width %+.2f px%s\n",
            o.bar.width, o.bar.length, o.bar.angle * 180.0 / std::numbers::pi, o.bar.contrast,
            o.bar.blur, o.bar.noise, o.found ? "found" : "not found", o.position, o.angle, o.width,
            o.anyOk ? " (another segment ok)" : "");
  long underLimitSegments = 0;
  for (const Outcome& o : underLimit) underLimitSegments += o.segments;
  std::printf("  bars drawn over 1000 px whose region is under 1000 px: %zu bars, %ld segments\n",
              underLimit.size(), underLimitSegments);
  std::printf(
      "  bars under 1000 px area: %ld bars, %ld segments; strokes 1-2 px wide: %ld, %ld "
      "segments\n",
      smallBars, smallSegments, thinStrokes, thinSegments);
  // Blur spreads a thin bright stroke; the median keeps it when more than half of its window is
  // brighter, and the mask then holds a stroke wider than 2 pixels (its width is the widest
  // segment's).
  for (const Outcome& o : thinWithSegments)
    std::printf(
        "    stroke %g px, length %.0f, contrast %.0f, blur %.2f, noise %.1f: widest segment "
        "%g px\n",
        o.bar.width, o.bar.length, o.bar.contrast, o.bar.blur, o.bar.noise, o.widest);
  std::printf("\n");
  state.counters["found%"] = 100.0 *
                             double(std::count_if(outcomes.begin(), outcomes.end(),
                                                  [](const Outcome& o) { return o.found; })) /
                             double(outcomes.size());
}
BENCHMARK(BM_SkeletalAccuracy)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
