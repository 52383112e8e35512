#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <tuple>
#include <vector>

#include "geom_near.h"
#include "platform/base/general_fitter.h"
#include "platform/base/line_fitter.h"

namespace {

constexpr double kPi = std::numbers::pi;

// Sum of squared distances of the points from a line, computed point by point.
double slowError(const std::vector<vcVector<2>>& pts, const vcFLine& line) {
  double sum = 0;
  for (const vcVector<2>& p : pts) sum += line.distanceFrom(p) * line.distanceFrom(p);
  return sum;
}

TEST(GeomLineFitter, RecoversExactLinesAndMeasuresTheErrorOfNoisyOnes) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<double> ang(0, kPi), along(-40, 40);
  std::normal_distribution<double> noise(0, 0.5);
  // Far from the origin too: the moments are kept relative to the first point.
  for (const vcVector<2> base : {vcVector<2>(3, -2), vcVector<2>(1e6, -2e6)}) {
    for (int i = 0; i < 20; ++i) {
      const vcFLine truth(vcDegree(vcRadian(ang(rng))), base);
      vcLSLineFitter exact, noisy;
      std::vector<vcVector<2>> noisyPts;
      for (int k = 0; k < 30; ++k) {
        const vcVector<2> p = base + truth.dir() * along(rng);
        exact.update(p);
        noisyPts.push_back(p + truth.normal() * noise(rng));
        noisy.update(noisyPts.back());
      }
      const vcFLine fit = exact.fit();
      // The fitted line is undirected: its angle matches the true one modulo a half turn.
      EXPECT_THAT(fit.angle() * 2.0, SameDirection(truth.angle() * 2.0, 2e-9));
      EXPECT_LT(std::abs(fit.distanceFrom(base)), 1e-9 * (1 + base.len()));
      EXPECT_LT(exact.error(fit), 1e-12 * (1 + base.len() * base.len()));

      // On noisy points error() agrees with the point-by-point sum.
      const vcFLine best = noisy.fit();
      const double e = noisy.error(best);
      EXPECT_NEAR(e, slowError(noisyPts, best), 1e-6 * (1 + e));
    }
  }
}

TEST(GeomLineFitter, DegenerateInputThrows) {
  vcLSLineFitter f;
  EXPECT_THROW(f.fit(), vcBadParamsError);
  f.update(vcVector<2>(2, 3));
  EXPECT_THROW(f.fit(), vcBadParamsError);
  f.update(vcVector<2>(2, 3));
  EXPECT_THROW(f.fit(), vcBadParamsError);  // two coincident points
  EXPECT_THROW(f.update(vcVector<2>(NAN, 0)), vcBadParamsError);
  EXPECT_EQ(f.numPoints(), 2);
  f.update(vcVector<2>(2, 10));
  const vcFLine vertical = f.fit();
  EXPECT_NEAR(vertical.angle().plain(), kPi / 2, 1e-12);
  EXPECT_NEAR(vertical.distanceFrom(vcVector<2>(0, 0)), 2.0, 1e-12);
}

// One constraint as the test keeps it, to recompute residuals point by point: point-on-line
// when onLine, point-to-point otherwise.
struct Constraint {
  vcVector<2> p;
  bool onLine;
  vcFLine line;
  vcVector<2> q;
  double w;
};

vcLSGeneralFitter fitterOf(const std::vector<Constraint>& cs) {
  vcLSGeneralFitter f;
  for (const Constraint& c : cs) c.onLine ? f.update(c.p, c.line, c.w) : f.update(c.p, c.q, c.w);
  return f;
}

// The weighted sum of squared residuals of x, point by point.
double slowCost(const std::vector<Constraint>& cs, const vcXform<2>& x) {
  double sum = 0;
  for (const Constraint& c : cs) {
    const vcVector<2> m = x.mapPoint(c.p);
    const double r = c.onLine ? c.line.distanceFrom(m) : (m - c.q).len();
    sum += c.w * r * r;
  }
  return sum;
}

TEST(GeomGeneralFitter, FitsEachKindExactlyOrNearTheTruthUnderNoise) {
  std::mt19937 rng(21);
  std::uniform_real_distribution<double> pos(-100, 100), ang(0, 2 * kPi);
  std::normal_distribution<double> jitter(0, 1);
  const std::pair<long, vcXform<2>> kinds[] = {
      {3, vcXform<2>(vcVector<2>(5, -3), 1.0, 1.0, vcRadian(0), vcRadian(2.9))},
      {4, vcXform<2>(vcVector<2>(-40, 17), 1.7, 1.0, vcRadian(0), vcRadian(-1.1))},
      {6, vcXform<2>(vcMatrix<2>::fromElements(1.3, 0.4, -0.2, 0.8), vcVector<2>(12, 9))}};
  // Line constraints alone, with a weak pull to the target, point constraints alone, and both
  // from sources jittered by Gaussian noise.
  for (const auto& [dofs, truth] : kinds) {
    for (const auto& [lines, pull, noise] :
         {std::tuple(true, 0.0, 0.0), {true, 1e-4, 0.0}, {false, 1.0, 0.0}, {true, 0.5, 0.2}}) {
      // Per source point: two lines in seeded directions through its target, weights 1 and 2.
      std::vector<Constraint> cs;
      for (int i = 0; i < 100; ++i) {
        const vcVector<2> p(pos(rng) + 300, pos(rng) - 200), q = truth.mapPoint(p);
        const vcVector<2> src = p + vcVector<2>(jitter(rng), jitter(rng)) * noise;
        const double a = ang(rng);
        if (lines) {
          cs.push_back({src, true, vcFLine(vcDegree(vcRadian(a)), q), {}, 1.0});
          cs.push_back({src, true, vcFLine(vcDegree(vcRadian(a + 1.2)), q), {}, 2.0});
        }
        if (pull > 0) cs.push_back({src, false, {}, q, pull});
      }
      double rms = -1;
      const vcXform<2> x = fitterOf(cs).fit(dofs, rms);
      // Exact data gives the true transform, noisy data one that maps every source near it.
      const double tol = noise == 0 ? 1e-9 : 0.2;
      for (const Constraint& c : cs)
        EXPECT_THAT(x.mapPoint(c.p), NearVec(truth.mapPoint(c.p), tol)) << dofs << " dofs";

      // rms is the weighted residual distance; it matches the point-by-point cost.
      double wsum = 0;
      for (const Constraint& c : cs) wsum += c.w;
      const double cost = slowCost(cs, x);
      EXPECT_NEAR(rms, std::sqrt(cost / wsum), 1e-9);
      EXPECT_EQ(rms > 0.05, noise > 0);
    }
  }

  // The rigid fit is nonlinear: three point-on-line constraints with a half-turn rotation, where
  // the 4-parameter start does not exist.
  const vcXform<2> turned(vcVector<2>(2, 1), 1.0, 1.0, vcRadian(0), vcRadian(3.0));
  std::vector<Constraint> three;
  for (const auto& [p, a] :
       {std::pair(vcVector<2>(0, 0), 0.3), {vcVector<2>(10, 0), 1.9}, {vcVector<2>(0, 10), 2.6}})
    three.push_back({p, true, vcFLine(vcDegree(vcRadian(a)), turned.mapPoint(p)), {}, 1.0});
  double rms = -1;
  EXPECT_LT(slowCost(three, fitterOf(three).fit(3, rms)), 1e-18);
  EXPECT_LT(rms, 1e-9);
}

TEST(GeomGeneralFitter, RefusesUndeterminedSystemsAndBadArguments) {
  vcLSGeneralFitter f;
  double rms = 123;
  EXPECT_THROW(f.fit(4, rms), vcLSGeneralFitter::Singular);
  // Weight 0 everywhere determines nothing.
  f.update(vcVector<2>(0, 0), vcVector<2>(1, 1), 0.0);
  f.update(vcVector<2>(5, 0), vcVector<2>(6, 1), 0.0);
  EXPECT_THROW(f.fit(3, rms), vcLSGeneralFitter::Singular);
  EXPECT_EQ(rms, 123);

  // Points on one straight line cannot fix an affine transform, though they fix a similarity.
  vcLSGeneralFitter line;
  for (int i = 0; i < 5; ++i) line.update(vcVector<2>(i, 2 * i), vcVector<2>(i + 1, 2 * i), 1.0);
  EXPECT_THROW(line.fit(6, rms), vcLSGeneralFitter::Singular);
  EXPECT_NO_THROW(line.fit(4, rms));
  // Point-on-line constraints on parallel lines leave the sliding direction free.
  vcLSGeneralFitter parallel;
  for (int i = 0; i < 6; ++i)
    parallel.update(vcVector<2>(i, i % 2), vcFLine(vcRadian(0), i % 2), 1.0);
  EXPECT_THROW(parallel.fit(3, rms), vcLSGeneralFitter::Singular);
  // A tight conditioning limit refuses a merely ill-conditioned system.
  vcLSGeneralFitter thin;
  for (int i = 0; i < 5; ++i) thin.update(vcVector<2>(i, 1e-4 * (i % 2)), vcVector<2>(i, 0), 1.0);
  EXPECT_NO_THROW(thin.fit(6, rms));
  EXPECT_THROW(thin.fit(6, rms, 1e6), vcLSGeneralFitter::Singular);

  // tryFit reports the same outcomes without throwing and writes nothing when it fails.
  const vcXform<2> untouched(vcVector<2>(7, 8), 2.0, 1.0, vcRadian(0), vcRadian(1));
  vcXform<2> x = untouched;
  EXPECT_FALSE(f.tryFit(3, x));
  EXPECT_FALSE(parallel.tryFit(3, x));
  EXPECT_FALSE(line.tryFit(6, x));
  EXPECT_FALSE(thin.tryFit(6, x, 1e6));
  EXPECT_TRUE(x == untouched);
  ASSERT_TRUE(thin.tryFit(6, x));
  EXPECT_TRUE(x == thin.fit(6, rms));
  EXPECT_THROW(line.tryFit(5, x), vcBadParamsError);

  // Bad arguments throw and leave the fitter as it was.
  EXPECT_THROW(line.fit(5, rms), vcBadParamsError);
  EXPECT_THROW(line.fit(4, rms, 0.5), vcBadParamsError);
  EXPECT_THROW(line.update(vcVector<2>(0, 0), vcVector<2>(1, 1), -1.0), vcBadParamsError);
  EXPECT_THROW(line.update(vcVector<2>(0, INFINITY), vcFLine(), 1.0), vcBadParamsError);
  EXPECT_EQ(line.numConstraints(), 5);
}

}  // namespace
