#include "scenes/coverage.h"

#include <algorithm>
#include <cmath>

namespace {

// The disc of radius r centred at the origin, described by its half chord s(t) = sqrt(r^2 - t^2).

// Antiderivative of s: F(t) = (t s(t) + r^2 asin(t / r)) / 2, for t in [-r, r].
double chordIntegral(double r, double t) {
  const double u = std::clamp(t / r, -1.0, 1.0);
  return 0.5 * r * r * (u * std::sqrt(1.0 - u * u) + std::asin(u));
}

// The integral of s over [a, b] clipped to [-r, r]; 0 for an empty interval.
double chordArea(double r, double a, double b) {
  a = std::max(a, -r);
  b = std::min(b, r);
  return b > a ? chordIntegral(r, b) - chordIntegral(r, a) : 0.0;
}

// The area of the disc inside the quadrant X <= x, Y <= y. Along each column t the disc spans
// [-s(t), s(t)]; the part below y has length clamp(y + s(t), 0, 2 s(t)). That length is
// y + s(t) where |t| <= w = sqrt(r^2 - y^2), and 2 s(t) (y > 0) or 0 (y < 0) outside.
double quadrantArea(double r, double x, double y) {
  if (x <= -r || y <= -r) return 0.0;
  const double xr = std::min(x, r);
  if (y >= r) return 2.0 * chordArea(r, -r, xr);
  const double w = std::sqrt(r * r - y * y);
  double area = 0.0;
  const double midEnd = std::min(xr, w);
  if (midEnd > -w) area += y * (midEnd + w) + chordArea(r, -w, midEnd);
  if (y > 0.0) area += 2.0 * (chordArea(r, -r, std::min(xr, -w)) + chordArea(r, w, xr));
  return area;
}

}  // namespace

double vfDiscSquareArea(const vcVector<2>& center, double radius, double x0, double y0) {
  if (radius <= 0.0) return 0.0;
  // Inclusion-exclusion over the square's four corners, relative to the centre.
  const double ax = x0 - center.x(), ay = y0 - center.y();
  const double bx = ax + 1.0, by = ay + 1.0;
  const double area = quadrantArea(radius, bx, by) - quadrantArea(radius, ax, by) -
                      quadrantArea(radius, bx, ay) + quadrantArea(radius, ax, ay);
  return std::clamp(area, 0.0, 1.0);
}

// Two spare cells per row: an edge on the box's right border writes one cell past the last.
vcPolygonCoverage::vcPolygonCoverage(long x0, long y0, long width, long height)
    : x0_(x0),
      y0_(y0),
      width_(width),
      height_(height),
      stride_(width + 2),
      cells_(static_cast<std::size_t>(stride_ * height), 0.0) {}

void vcPolygonCoverage::addPolygon(std::span<const vcVector<2>> vertices) {
  for (std::size_t k = 0; k < vertices.size(); ++k)
    addEdge_(vertices[k], vertices[(k + 1) % vertices.size()]);
}

void vcPolygonCoverage::finish() {
  // The running sum of the edge areas along a row is the signed covered area of each pixel;
  // its magnitude does not depend on the polygon's orientation.
  for (long j = 0; j < height_; ++j) {
    double* cell = cells_.data() + j * stride_;
    double sum = 0.0;
    for (long i = 0; i < width_; ++i) {
      sum += cell[i];
      cell[i] = std::min(1.0, std::fabs(sum));
    }
  }
}

void vcPolygonCoverage::addEdge_(vcVector<2> a, vcVector<2> b) {
  // Work in box coordinates; horizontal edges add nothing.
  a -= vcVector<2>(static_cast<double>(x0_), static_cast<double>(y0_));
  b -= vcVector<2>(static_cast<double>(x0_), static_cast<double>(y0_));
  if (a.y() == b.y()) return;
  const double w = static_cast<double>(width_), h = static_cast<double>(height_);
  const auto xAtY = [&](double y) {
    return a.x() + (y - a.y()) * (b.x() - a.x()) / (b.y() - a.y());
  };
  const auto yAtX = [&](double x) {
    return a.y() + (x - a.x()) * (b.y() - a.y()) / (b.x() - a.x());
  };

  // Clip to the box's rows: rows above and below the box do not matter.
  if (std::max(a.y(), b.y()) <= 0.0 || std::min(a.y(), b.y()) >= h) return;
  const auto clipY = [&](vcVector<2> p) {
    const double y = std::clamp(p.y(), 0.0, h);
    return y == p.y() ? p : vcVector<2>(xAtY(y), y);
  };
  const vcVector<2> p = clipY(a), q = clipY(b);

  // Split where the edge crosses the box's left and right borders, then press the pieces
  // outside onto the border: a piece left of the box covers the whole row to its right,
  // exactly as a vertical piece on the left border does.
  vcVector<2> points[4] = {p, p, p, q};
  int n = 1;
  double cuts[2] = {0.0, w};
  if (q.x() < p.x()) std::swap(cuts[0], cuts[1]);
  for (double cut : cuts)
    if ((cut - p.x()) * (cut - q.x()) < 0.0) points[n++] = vcVector<2>(cut, yAtX(cut));
  points[n++] = q;
  for (int k = 0; k + 1 < n; ++k) {
    const vcVector<2> s(std::clamp(points[k].x(), 0.0, w), points[k].y());
    const vcVector<2> e(std::clamp(points[k + 1].x(), 0.0, w), points[k + 1].y());
    if (s.y() == e.y()) continue;
    // One piece per pixel row crossed.
    const double yLow = std::min(s.y(), e.y()), yHigh = std::max(s.y(), e.y());
    const long rowFirst = static_cast<long>(std::floor(yLow));
    const long rowLast = std::min(static_cast<long>(std::ceil(yHigh)), height_) - 1;
    const double slope = (e.x() - s.x()) / (e.y() - s.y());
    for (long row = std::max(rowFirst, 0L); row <= rowLast; ++row) {
      const double y1 = std::max(yLow, static_cast<double>(row));
      const double y2 = std::min(yHigh, static_cast<double>(row + 1));
      if (y2 <= y1) continue;
      const double x1 = s.x() + (y1 - s.y()) * slope, x2 = s.x() + (y2 - s.y()) * slope;
      if (e.y() > s.y())
        addRowPiece_(row, x1, y1, x2, y2);
      else
        addRowPiece_(row, x2, y2, x1, y1);
    }
  }
}

void vcPolygonCoverage::addRowPiece_(long row, double xa, double ya, double xb, double yb) {
  // Cut the piece at every pixel column boundary it crosses.
  double x = xa, y = ya;
  if (xb != xa) {
    const double slope = (yb - ya) / (xb - xa);
    if (xb > xa) {
      for (double cut = std::floor(xa) + 1.0; cut < xb; cut += 1.0) {
        const double yc = ya + (cut - xa) * slope;
        addCellPiece_(row, x, y, cut, yc);
        x = cut;
        y = yc;
      }
    } else {
      for (double cut = std::ceil(xa) - 1.0; cut > xb; cut -= 1.0) {
        const double yc = ya + (cut - xa) * slope;
        addCellPiece_(row, x, y, cut, yc);
        x = cut;
        y = yc;
      }
    }
  }
  addCellPiece_(row, x, y, xb, yb);
}

void vcPolygonCoverage::addCellPiece_(long row, double xa, double ya, double xb, double yb) {
  // A piece inside column k spanning dy rows covers dy * (1 - m) of pixel k right of itself,
  // m being its mean position within the column; every pixel further right gets the full dy,
  // which the running sum carries on from pixel k + 1.
  const double dy = yb - ya;
  const double mid = 0.5 * (xa + xb);
  const long k = std::min(static_cast<long>(std::floor(mid)), width_);
  const double m = mid - static_cast<double>(k);
  double* cell = cells_.data() + row * stride_ + k;
  cell[0] += dy * (1.0 - m);
  cell[1] += dy * m;
}
