#pragma once

// Running sums for the algebraic circle fit, kept per chain and added to or taken off a
// candidate as chains join or leave it, so that a refit costs constant time.
//
//   vc_circle_detail::FitSums sums;
//   for (each edgelet) sums.addPoint(x - x0, y - y0, magnitude);   // near the origin
//   vc_circle_detail::CircleFit fit;
//   if (sums.fit(fit)) use(fit.cx + x0, fit.cy + y0, fit.radiusSqr);
//
// The fit is the circle x^2 + y^2 + D x + E y + F = 0 closest in the algebraic sense, solved
// through the centred moments: 2 Cov(p) c = Cov(p, |p|^2). Points should be given relative to
// a nearby origin (the finder uses the image centre) to keep the sums well conditioned.

namespace vc_circle_detail {

struct CircleFit {
  double cx = 0.0;  // centre, in the coordinates of the points
  double cy = 0.0;
  double radiusSqr = 0.0;
};

struct FitSums {
  double n = 0.0;
  double sx = 0.0, sy = 0.0;
  double sxx = 0.0, syy = 0.0, sxy = 0.0;
  double szx = 0.0, szy = 0.0;  // z = x^2 + y^2
  double smag = 0.0;

  void addPoint(double x, double y, double magnitude) {
    const double z = x * x + y * y;
    n += 1.0;
    sx += x;
    sy += y;
    sxx += x * x;
    syy += y * y;
    sxy += x * y;
    szx += z * x;
    szy += z * y;
    smag += magnitude;
  }
  FitSums& operator+=(const FitSums& o) {
    n += o.n;
    sx += o.sx;
    sy += o.sy;
    sxx += o.sxx;
    syy += o.syy;
    sxy += o.sxy;
    szx += o.szx;
    szy += o.szy;
    smag += o.smag;
    return *this;
  }
  FitSums& operator-=(const FitSums& o) {
    n -= o.n;
    sx -= o.sx;
    sy -= o.sy;
    sxx -= o.sxx;
    syy -= o.syy;
    sxy -= o.sxy;
    szx -= o.szx;
    szy -= o.szy;
    smag -= o.smag;
    return *this;
  }

  // Fits the circle; false when the points are too few or too nearly collinear (determinant of
  // the covariance below 1e-20).
  bool fit(CircleFit& out) const {
    if (n < 3.0) return false;
    const double mx = sx / n, my = sy / n;
    const double cxx = sxx / n - mx * mx, cyy = syy / n - my * my, cxy = sxy / n - mx * my;
    const double mz = (sxx + syy) / n;
    const double czx = szx / n - mz * mx, czy = szy / n - mz * my;
    const double det = cxx * cyy - cxy * cxy;
    if (!(det >= 1e-20 || det <= -1e-20)) return false;
    out.cx = 0.5 * (czx * cyy - czy * cxy) / det;
    out.cy = 0.5 * (czy * cxx - czx * cxy) / det;
    // |c|^2 - F with F = 2 c . mean - mean(z): the mean squared distance of the points to c.
    const double r2 = out.cx * out.cx + out.cy * out.cy + mz - 2.0 * (out.cx * mx + out.cy * my);
    out.radiusSqr = r2 < 0.0 ? -r2 : r2;
    return true;
  }
};

}  // namespace vc_circle_detail
