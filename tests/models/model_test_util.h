#pragma once

// Helpers of the model tests: poses, found segments made from posed model segments, degraded
// copies of them from a seeded generator, and the pose comparison.

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

// One found segment per model segment, mapped by pose.
inline std::vector<vcFoundSegment> foundFrom(const std::vector<vcModelSegment>& model,
                                             const vcXform<2>& pose) {
  std::vector<vcFoundSegment> out;
  for (const vcModelSegment& m : model)
    out.emplace_back(m.segment().map(pose), 10.0, vcSegmentDefs::eUndirected, 0.0);
  return out;
}

// owner[f] is the model segment of found segment f, -1 for none.
inline vcSegmentCorresponderResult assign(long numModel, const std::vector<long>& owner) {
  vcSegmentCorresponderResult r(0, numModel, static_cast<long>(owner.size()));
  for (std::size_t f = 0; f < owner.size(); ++f)
    if (owner[f] >= 0) r.add(static_cast<long>(f), owner[f]);
  return r;
}

// Found segment i on model segment i, for the n of each, except where drop(i) holds.
inline vcSegmentCorresponderResult oneToOne(std::size_t n, auto drop) {
  std::vector<long> owner(n);
  for (std::size_t i = 0; i < n; ++i) owner[i] = drop(i) ? -1 : static_cast<long>(i);
  return assign(static_cast<long>(n), owner);
}
inline vcSegmentCorresponderResult oneToOne(std::size_t n) {
  return oneToOne(n, [](std::size_t) { return false; });
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

// findPose refuses the input with Error before it touches any output.
template <class Error>
void expectRefused(const vcSegmentCorresponderModel& model,
                   const std::vector<vcFoundSegment>& found,
                   const vcSegmentCorresponderResult& result) {
  Fit f;
  f.pose = makePose(1, 1, 1);
  EXPECT_THROW(
      model.findPose(f.pose, f.factors, found, result, f.fitFailed, f.outOfRange, nullptr, 0),
      Error);
  EXPECT_EQ(f.pose, makePose(1, 1, 1));
  EXPECT_EQ(f.factors, std::vector<double>{7.0});
  EXPECT_TRUE(f.fitFailed && f.outOfRange);
}

// Found segments as a poor image shows them, with the model segment each lies on.
struct Degraded {
  explicit Degraded(unsigned seed) : rng(seed) {}
  std::mt19937 rng;
  std::vector<vcFoundSegment> found;
  std::vector<long> owner;

  // s with each end pulled in by up to `shorten` of its length, cut into `pieces` with gaps of
  // `gap` of its length, and each end of each piece moved by up to `jitter` in x and in y.
  void add(long model, vcLineSeg s, double shorten, int pieces, double gap, double jitter) {
    std::uniform_real_distribution<double> in(0.0, shorten), move(-jitter, jitter);
    // One draw per statement: the order in which a call's arguments are evaluated differs
    // between compilers, and the scenes must not.
    const auto jittered = [&](const vcVector<2>& p) {
      const double dx = move(rng);
      const double dy = move(rng);
      return p + pt(dx, dy);
    };
    if (shorten > 0.0) {
      const double a = in(rng);
      const double b = in(rng);
      s = vcLineSeg(s.p1() + (s.p2() - s.p1()) * a, s.p2() - (s.p2() - s.p1()) * b);
    }
    const vcVector<2> d = s.p2() - s.p1();
    const double part = (1.0 - gap * (pieces - 1)) / pieces;
    for (int i = 0; i < pieces; ++i) {
      const vcVector<2> p1 = s.p1() + d * (i * (part + gap)), p2 = p1 + d * part;
      const vcVector<2> q1 = jittered(p1);
      const vcVector<2> q2 = jittered(p2);
      found.emplace_back(vcLineSeg(q1, q2), 10.0, vcSegmentDefs::eUndirected, 0.0);
      owner.push_back(model);
    }
  }
};

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
