#pragma once

// Helpers of the model tests: poses from their parts, found segments made from posed model
// segments, perturbations drawn from a seeded generator, and the pose comparison.

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "platform/base/xform.h"
#include "tavshsl/corresponder_model.h"
#include "tavshsl/corresponder_result.h"
#include "tavshsl/segments.h"

namespace models_test {

inline vcVector<2> pt(double x, double y) { return vcVector<2>(x, y); }

inline vcLineSeg seg(double x1, double y1, double x2, double y2) {
  return vcLineSeg(pt(x1, y1), pt(x2, y2));
}

// Model (found from model) pose from translation, rotation in degrees, scale and aspect.
inline vcXform<2> makePose(double tx, double ty, double degrees, double scale = 1.0,
                           double aspect = 1.0) {
  return vcXform<2>(pt(tx, ty), scale, aspect, vcRadian(0.0), vcRadian(vcDegree(degrees)));
}

// A closed polygon as model segments of weight 1.
inline std::vector<vcModelSegment> polygon(const std::vector<vcVector<2>>& corners,
                                           vcSegmentDefs::veSegmentPolarity polarity) {
  std::vector<vcModelSegment> out;
  for (std::size_t i = 0; i < corners.size(); ++i)
    out.emplace_back(vcLineSeg(corners[i], corners[(i + 1) % corners.size()]), 1.0, polarity);
  return out;
}

// One found segment per model segment, mapped by pose.
inline std::vector<vcFoundSegment> foundFrom(const std::vector<vcModelSegment>& model,
                                             const vcXform<2>& pose) {
  std::vector<vcFoundSegment> out;
  for (const vcModelSegment& m : model)
    out.emplace_back(m.segment().map(pose), 10.0, vcSegmentDefs::eUndirected, 0.0);
  return out;
}

// A found segment per model segment (owner[f] is the model segment of found f, -1 for none).
inline vcSegmentCorresponderResult assign(long numModel, const std::vector<long>& owner) {
  vcSegmentCorresponderResult r(0, numModel, static_cast<long>(owner.size()));
  for (std::size_t f = 0; f < owner.size(); ++f)
    if (owner[f] >= 0) r.add(static_cast<long>(f), owner[f]);
  return r;
}

// found[i] on model segment i.
inline vcSegmentCorresponderResult oneToOne(std::size_t n) {
  std::vector<long> owner(n);
  for (std::size_t i = 0; i < n; ++i) owner[i] = static_cast<long>(i);
  return assign(static_cast<long>(n), owner);
}

// The outputs of one findPose call, starting from `start` and a stale factor list.
struct Fit {
  vcXform<2> pose;
  std::vector<double> factors{7.0};
  bool fitFailed = true;
  bool outOfRange = true;
};

inline Fit fit(const vcSegmentCorresponderModel& model, const std::vector<vcFoundSegment>& found,
               const vcSegmentCorresponderResult& result, const vcXform<2>& start = vcXform<2>(),
               vcDiagObject* diag = nullptr, unsigned long flags = 0) {
  Fit f;
  f.pose = start;
  model.findPose(f.pose, f.factors, found, result, f.fitFailed, f.outOfRange, diag, flags);
  return f;
}

// Degraded views of found segments, from a seeded generator.
class Perturber {
 public:
  explicit Perturber(unsigned seed) : rng_(seed) {}

  // Each end moved by up to `amount` in x and in y.
  vcLineSeg jitter(const vcLineSeg& s, double amount) {
    std::uniform_real_distribution<double> u(-amount, amount);
    return vcLineSeg(s.p1() + pt(u(rng_), u(rng_)), s.p2() + pt(u(rng_), u(rng_)));
  }
  // Each end pulled in by up to `fraction` of the length.
  vcLineSeg shorten(const vcLineSeg& s, double fraction) {
    std::uniform_real_distribution<double> u(0.0, fraction);
    const vcVector<2> d = s.p2() - s.p1();
    return vcLineSeg(s.p1() + d * u(rng_), s.p2() - d * u(rng_));
  }

 private:
  std::mt19937 rng_;
};

// Each segment cut into `pieces` parts with gaps of `gap` of its length between them.
inline std::vector<vcLineSeg> split(const vcLineSeg& s, int pieces, double gap) {
  std::vector<vcLineSeg> out;
  const vcVector<2> d = s.p2() - s.p1();
  const double part = (1.0 - gap * (pieces - 1)) / pieces;
  for (int i = 0; i < pieces; ++i) {
    const double a = i * (part + gap);
    out.emplace_back(s.p1() + d * a, s.p1() + d * (a + part));
  }
  return out;
}

// Pose error of `found` against `truth`, checked where it matters to a user: the shift of the
// model origin (the models are centred there), the rotation and the scale.
inline void expectNearPose(const vcXform<2>& found, const vcXform<2>& truth, double transTol,
                           double degTol, double scaleRelTol) {
  EXPECT_NEAR(found.trans().x(), truth.trans().x(), transTol);
  EXPECT_NEAR(found.trans().y(), truth.trans().y(), transTol);
  EXPECT_NEAR(vcDegree((found.rotation() - truth.rotation()).signedNorm()).plain(), 0.0, degTol);
  EXPECT_NEAR(found.scale() / truth.scale(), 1.0, scaleRelTol);
}

}  // namespace models_test
