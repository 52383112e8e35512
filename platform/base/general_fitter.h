#pragma once

// vcLSGeneralFitter: the weighted least-squares 2-D transform X that maps constraint points onto
// their targets. Two kinds of constraint accumulate:
//   point-on-line   update(p, line, w):  adds w * (signed distance of X(p) from line)^2
//   point-to-point  update(p, q, w):     adds w * |X(p) - q|^2
// fit(dofs, ...) minimises the total over the transforms with 3 parameters (rotation and
// translation), 4 (uniform scale, rotation, translation) or 6 (general affine).
//
//   vcLSGeneralFitter fitter;
//   fitter.update(foundPoint, modelLine, weight);
//   fitter.update(foundMid, modelMid, weight / 10000);
//   double rms = 0;
//   vcXform<2> modelFromFound = fitter.fit(4, rms, 1e14);    // throws when singular
//   if (!fitter.tryFit(4, modelFromFound, 1e14)) ...          // or reports it, without rms
//
// How it solves: the constraint points are first centred on their weighted centroid and divided
// by their RMS spread, so that the normal equations are free of units and of the frame's
// orientation; the 4- and 6-parameter problems are linear and solved from their normal
// equations; the 3-parameter problem is nonlinear in the angle and solved by Gauss-Newton
// iteration started from the 4-parameter solution's angle (or, when that is singular, from the
// best of four quarter-turn starts). A system counts as singular when the ratio of the largest
// to the smallest eigenvalue of its normal matrix exceeds the tolerance.

#include <string>
#include <vector>

#include "platform/base/exception.h"
#include "platform/base/fline.h"
#include "platform/base/vector.h"
#include "platform/base/xform.h"

class vcLSGeneralFitter {
 public:
  vcLSGeneralFitter() = default;

  // Forgets every constraint.
  void reset();
  // Adds a point-on-line constraint: X(p) should lie on line. Requires a finite p and a finite
  // weight >= 0; throws vcBadParamsError otherwise (the fitter is unchanged).
  void update(const vcVector<2>& p, const vcFLine& line, double weight);
  // Adds a point-to-point constraint: X(p) should equal q. Same requirements.
  void update(const vcVector<2>& p, const vcVector<2>& q, double weight);
  long numConstraints() const { return numConstraints_; }

  // The transform with `dofs` parameters (3, 4 or 6) minimising the weighted squared residuals.
  // rms receives sqrt(sum of weighted squared residual distances / sum of weights) of the
  // result; it is written only on success. tolerance is the largest accepted condition number
  // of the (scaled) normal equations, > 1; 1e14 accepts everything but true degeneracy.
  // Throws vcBadParamsError for another dofs or a tolerance not above 1, and
  // vcLSGeneralFitter::Singular (a vcException) when the constraints do not determine the
  // transform: none at all, zero total weight, or a condition number above tolerance.
  vcXform<2> fit(long dofs, double& rms, double tolerance = 1e14) const;
  // The same fit for callers to whom a singular system is an ordinary outcome (a hot loop that
  // tries many candidate correspondences) and who need no rms: returns false where fit throws
  // Singular, leaving result unchanged, and true with it written otherwise. Bad dofs or
  // tolerance still throw vcBadParamsError.
  bool tryFit(long dofs, vcXform<2>& result, double tolerance = 1e14) const;

  // The constraints do not determine the requested transform.
  class Singular : public vcExceptionWithString {
   public:
    explicit Singular(const std::wstring& message) : vcExceptionWithString(message) {}
  };

 private:
  // One residual row: weight * (normal . X(p) - distance)^2. A point-to-point constraint is two
  // rows, along x and along y.
  struct Row {
    vcVector<2> p;
    vcVector<2> normal;
    double distance;
    double weight;
  };

  // fit and tryFit: false when singular; rms, when asked for, is written only on success.
  bool solve_(long dofs, double tolerance, vcXform<2>& result, double* rms) const;
  // Makes room for a typical fit's rows before the first one.
  void reserveFirst_();
  // The weighted centroid c of the constraint points and their RMS distance s from it (1 when
  // all coincide); the fits work in the frame (p - c) / s.
  void frame_(vcVector<2>& c, double& s) const;
  // Sum of weight * residual^2 over the rows for X(p) = m (p - c) + t.
  double cost_(const vcMatrix<2>& m, const vcVector<2>& t, const vcVector<2>& c) const;
  // The 4- or 6-parameter solution as (m, t) for X(p) = m (p - c) + t; false when singular.
  bool fitLinear_(long dofs, const vcVector<2>& c, double s, double tolerance,
                  vcXform<2>& centred) const;
  // Gauss-Newton on (angle, t) in the same form, from the start angle a0 and translation t0;
  // false when a step's system is singular.
  bool fitRigidFrom_(double a0, const vcVector<2>& t0, const vcVector<2>& c, double s,
                     double tolerance, vcXform<2>& centred) const;

  std::vector<Row> rows_;
  long numConstraints_ = 0;
  double weightSum_ = 0.0;
};
