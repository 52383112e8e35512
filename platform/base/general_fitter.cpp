#include "platform/base/general_fitter.h"

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

#include "platform/base/str.h"

namespace {

constexpr int kMaxParams = 6;
using Vec = std::array<double, kMaxParams>;
using Mat = std::array<std::array<double, kMaxParams>, kMaxParams>;

// Two doubles handled as one value: each lane gets exactly the arithmetic of the scalar code, so
// results stay bit for bit those of plain loops.
typedef double Pair __attribute__((vector_size(16)));
inline Pair load(const double* from) {
  Pair x;
  std::memcpy(&x, from, sizeof x);
  return x;
}
inline void store(double* to, const Pair& x) { std::memcpy(to, &x, sizeof x); }

// rowP := c rowP - s rowQ and rowQ := s rowP + c rowQ over the first n elements, two at a time.
template <int n>
inline void rotateRows(std::array<double, kMaxParams>& rowP, std::array<double, kMaxParams>& rowQ,
                       double c, double s) {
  int k = 0;
  for (; k + 1 < n; k += 2) {
    const Pair p = load(&rowP[k]), q = load(&rowQ[k]);
    store(&rowP[k], c * p - s * q);
    store(&rowQ[k], s * p + c * q);
  }
  for (; k < n; ++k) {
    const double p = rowP[k], q = rowQ[k];
    rowP[k] = c * p - s * q;
    rowQ[k] = s * p + c * q;
  }
}

// Eigen-decomposition of the symmetric n x n matrix a by cyclic Jacobi rotations: on return the
// diagonal of a holds the eigenvalues and the rows of vt the eigenvectors. Sweeps stop when the
// off-diagonal part has vanished relative to the diagonal; n <= 6 converges in a handful. The
// size is a template argument so that the small fixed loops unroll (the pose fits call this for
// every candidate). The eigenvectors are kept as rows (vt is v transposed) so that a rotation
// updates contiguous rows of vt, as it does on the row side of a.
template <int n>
void jacobiEigen(Mat& a, Mat& vt) {
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) vt[i][j] = i == j ? 1.0 : 0.0;
  for (int sweep = 0; sweep < 60; ++sweep) {
    double off = 0.0, diag = 0.0;
    for (int i = 0; i < n; ++i) {
      diag += a[i][i] * a[i][i];
      for (int j = i + 1; j < n; ++j) off += a[i][j] * a[i][j];
    }
    if (off <= 1e-34 * diag || off == 0.0) return;
    for (int p = 0; p < n; ++p) {
      for (int q = p + 1; q < n; ++q) {
        if (a[p][q] == 0.0) continue;
        // The rotation that zeroes a[p][q]: t = tan of its angle, the smaller root.
        const double theta = (a[q][q] - a[p][p]) / (2.0 * a[p][q]);
        const double t =
            (theta >= 0.0 ? 1.0 : -1.0) / (std::abs(theta) + std::sqrt(theta * theta + 1.0));
        const double c = 1.0 / std::sqrt(t * t + 1.0);
        const double s = t * c;
        for (int k = 0; k < n; ++k) {
          const double akp = a[k][p], akq = a[k][q];
          a[k][p] = c * akp - s * akq;
          a[k][q] = s * akp + c * akq;
        }
        rotateRows<n>(a[p], a[q], c, s);
        rotateRows<n>(vt[p], vt[q], c, s);
      }
    }
  }
}

// Solves the normal equations N x = b (n x n, symmetric positive semi-definite) through the
// eigen-decomposition of N, refusing the system as singular (false, x unchanged) when the ratio
// of the largest to the smallest eigenvalue exceeds tolerance (or the smallest is not positive).
template <int n>
bool solveNormal(const Mat& N, const Vec& b, double tolerance, Vec& x) {
  Mat a = N;
  Mat vt{};
  jacobiEigen<n>(a, vt);

  double lmin = std::numeric_limits<double>::infinity(), lmax = 0.0;
  for (int i = 0; i < n; ++i) {
    lmin = std::min(lmin, a[i][i]);
    lmax = std::max(lmax, a[i][i]);
  }
  if (!(lmin > 0.0) || !(lmax / lmin <= tolerance)) return false;

  // x = V diag(1/lambda) V^T b.
  Vec c{};
  for (int k = 0; k < n; ++k) {
    double proj = 0.0;
    for (int i = 0; i < n; ++i) proj += vt[k][i] * b[i];
    c[k] = proj / a[k][k];
  }
  for (int i = 0; i < n; ++i) {
    double sum = 0.0;
    for (int k = 0; k < n; ++k) sum += vt[k][i] * c[k];
    x[i] = sum;
  }
  return true;
}

vcMatrix<2> rotationBy(double a) { return vcMatrix<2>(vcRadian(a), vcRadian(a), 1.0, 1.0); }

// Adds one weighted row j (of n entries) with target d to N and b.
template <int n>
void accumulate(Mat& N, Vec& b, const Vec& j, double w, double d) {
  for (int r = 0; r < n; ++r) {
    b[r] += w * j[r] * d;
    for (int c = 0; c < n; ++c) N[r][c] += w * j[r] * j[c];
  }
}

}  // namespace

void vcLSGeneralFitter::reset() { *this = vcLSGeneralFitter(); }

void vcLSGeneralFitter::reserveFirst_() {
  // A pose fit adds a few dozen rows; one allocation up front spares the five or six of
  // doubling from one row.
  if (rows_.capacity() == 0) rows_.reserve(32);
}

void vcLSGeneralFitter::update(const vcVector<2>& p, const vcFLine& line, double weight) {
  if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
    throw vcBadParamsError(L"vcLSGeneralFitter::update: the point must be finite");
  if (!(weight >= 0.0) || !std::isfinite(weight))
    throw vcBadParamsError(L"vcLSGeneralFitter::update: the weight must be finite and >= 0");
  reserveFirst_();
  rows_.push_back({p, line.normal(), line.distance(), weight});
  ++numConstraints_;
  weightSum_ += weight;
}

void vcLSGeneralFitter::update(const vcVector<2>& p, const vcVector<2>& q, double weight) {
  if (!std::isfinite(p.x()) || !std::isfinite(p.y()) || !std::isfinite(q.x()) ||
      !std::isfinite(q.y()))
    throw vcBadParamsError(L"vcLSGeneralFitter::update: the points must be finite");
  if (!(weight >= 0.0) || !std::isfinite(weight))
    throw vcBadParamsError(L"vcLSGeneralFitter::update: the weight must be finite and >= 0");
  // |X(p) - q|^2 is the sum of the squared residuals along x and along y.
  reserveFirst_();
  rows_.reserve(rows_.size() + 2);
  rows_.push_back({p, vcVector<2>(1.0, 0.0), q.x(), weight});
  rows_.push_back({p, vcVector<2>(0.0, 1.0), q.y(), weight});
  ++numConstraints_;
  weightSum_ += weight;
}

void vcLSGeneralFitter::frame_(vcVector<2>& c, double& s) const {
  vcVector<2> sum;
  double w = 0.0;
  for (const Row& r : rows_) {
    sum += r.p * r.weight;
    w += r.weight;
  }
  c = sum / w;
  double spread = 0.0;
  for (const Row& r : rows_) spread += r.weight * ((r.p - c) * (r.p - c));
  s = std::sqrt(spread / w);
  // Coincident points: any unit will do, the linear part stays undetermined and is refused.
  if (!(s > 0.0)) s = 1.0;
}

double vcLSGeneralFitter::cost_(const vcMatrix<2>& m, const vcVector<2>& t,
                                const vcVector<2>& c) const {
  double sum = 0.0;
  for (const Row& r : rows_) {
    const double res = r.normal * (m * (r.p - c) + t) - r.distance;
    sum += r.weight * res * res;
  }
  return sum;
}

bool vcLSGeneralFitter::fitLinear_(long dofs, const vcVector<2>& c, double s, double tolerance,
                                   vcXform<2>& centred) const {
  // With p = (point - c) / s, the residual n . (M p + t) - d is linear in the parameters:
  //   6: M = [a b; e f], params (a, b, e, f, tx, ty), row (nx px, nx py, ny px, ny py, nx, ny);
  //   4: M = [a -b; b a], params (a, b, tx, ty),       row (n . p, ny px - nx py, nx, ny).
  // The matrix for unscaled offsets is M / s.
  Mat N{};
  Vec b{};
  Vec x{};
  if (dofs == 6) {
    for (const Row& r : rows_) {
      const vcVector<2> p = (r.p - c) / s;
      const double nx = r.normal.x(), ny = r.normal.y();
      const Vec j{nx * p.x(), nx * p.y(), ny * p.x(), ny * p.y(), nx, ny};
      accumulate<6>(N, b, j, r.weight, r.distance);
    }
    if (!solveNormal<6>(N, b, tolerance, x)) return false;
    centred = vcXform<2>(vcMatrix<2>::fromElements(x[0] / s, x[1] / s, x[2] / s, x[3] / s),
                         vcVector<2>(x[4], x[5]));
    return true;
  }
  for (const Row& r : rows_) {
    const vcVector<2> p = (r.p - c) / s;
    const double nx = r.normal.x(), ny = r.normal.y();
    const Vec j{nx * p.x() + ny * p.y(), ny * p.x() - nx * p.y(), nx, ny, 0.0, 0.0};
    accumulate<4>(N, b, j, r.weight, r.distance);
  }
  if (!solveNormal<4>(N, b, tolerance, x)) return false;
  centred = vcXform<2>(vcMatrix<2>::fromElements(x[0] / s, -x[1] / s, x[1] / s, x[0] / s),
                       vcVector<2>(x[2], x[3]));
  return true;
}

bool vcLSGeneralFitter::fitRigidFrom_(double a0, const vcVector<2>& t0, const vcVector<2>& c,
                                      double s, double tolerance, vcXform<2>& centred) const {
  // Gauss-Newton on (a, tx, ty) for X(p) = R(a) p' + t. The derivative of R(a) p' by a is
  // R(a) p' turned by +90 degrees, so each row of the Jacobian is (n . perp(R p'), nx, ny); the
  // angle column is divided by the spread s (the step in a multiplied back) to keep the normal
  // matrix free of units.
  double a = a0;
  vcVector<2> t = t0;
  double cost = cost_(rotationBy(a), t, c);
  for (int iter = 0; iter < 100; ++iter) {
    const vcMatrix<2> rot = rotationBy(a);
    Mat N{};
    Vec g{};
    for (const Row& r : rows_) {
      const vcVector<2> rp = rot * (r.p - c);
      const double res = r.normal * (rp + t) - r.distance;
      const Vec j{(r.normal * rp.perp()) / s, r.normal.x(), r.normal.y(), 0.0, 0.0, 0.0};
      accumulate<3>(N, g, j, r.weight, -res);
    }
    Vec step{};
    if (!solveNormal<3>(N, g, tolerance, step)) return false;

    // Take the full step, or halve it until the cost no longer rises.
    double k = 1.0;
    double na = a, newCost = cost;
    vcVector<2> nt = t;
    for (int half = 0; half < 30; ++half, k *= 0.5) {
      na = a + k * step[0] / s;
      nt = t + vcVector<2>(step[1], step[2]) * k;
      newCost = cost_(rotationBy(na), nt, c);
      if (newCost <= cost) break;
    }
    if (!(newCost <= cost)) break;
    const bool settled = std::abs(na - a) <= 1e-15 && newCost >= cost * (1.0 - 1e-15);
    a = na;
    t = nt;
    cost = newCost;
    if (settled) break;
  }
  centred = vcXform<2>(rotationBy(a), t);
  return true;
}

vcXform<2> vcLSGeneralFitter::fit(long dofs, double& rms, double tolerance) const {
  vcXform<2> result;
  if (!solve_(dofs, tolerance, result, &rms)) {
    if (rows_.empty() || !(weightSum_ > 0.0))
      throw Singular(L"vcLSGeneralFitter::fit: no constraint with a positive weight");
    throw Singular(
        L"vcLSGeneralFitter::fit: the constraints do not determine the transform (condition "
        L"number above the tolerance)");
  }
  return result;
}

bool vcLSGeneralFitter::tryFit(long dofs, vcXform<2>& result, double tolerance) const {
  return solve_(dofs, tolerance, result, nullptr);
}

bool vcLSGeneralFitter::solve_(long dofs, double tolerance, vcXform<2>& result, double* rms) const {
  if (dofs != 3 && dofs != 4 && dofs != 6)
    throw vcBadParamsError(L"vcLSGeneralFitter::fit: dofs must be 3, 4 or 6, got " + vfStr(dofs));
  if (!(tolerance > 1.0))
    throw vcBadParamsError(L"vcLSGeneralFitter::fit: the tolerance must be > 1");
  if (rows_.empty() || !(weightSum_ > 0.0)) return false;

  // Work relative to the weighted centroid, which decouples translation from the linear part,
  // and in units of the points' spread, which makes the condition number free of units.
  vcVector<2> c;
  double s = 1.0;
  frame_(c, s);
  vcXform<2> centred;
  if (dofs != 3) {
    if (!fitLinear_(dofs, c, s, tolerance, centred)) return false;
  } else {
    // Start the rigid fit from the similarity's angle when that fit exists; otherwise keep the
    // best of four quarter-turn starts, all of which must succeed.
    vcXform<2> sim;
    if (!fitLinear_(4, c, s, tolerance, sim) ||
        !fitRigidFrom_(sim.rotation().plain(), sim.trans(), c, s, tolerance, centred)) {
      double best = std::numeric_limits<double>::infinity();
      for (int q = 0; q < 4; ++q) {
        vcXform<2> x;
        if (!fitRigidFrom_(q * std::numbers::pi / 2, vcVector<2>(), c, s, tolerance, x))
          return false;
        const double cost = cost_(x.matrix(), x.trans(), c);
        if (cost < best) {
          best = cost;
          centred = x;
        }
      }
    }
  }

  // Undo the centring: M (p - c) + t = M p + (t - M c).
  result = vcXform<2>(centred.matrix(), centred.trans() - centred.matrix() * c);
  if (rms) *rms = std::sqrt(cost_(centred.matrix(), centred.trans(), c) / weightSum_);
  return true;
}
