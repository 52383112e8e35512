#include "scenes/canvas.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "scenes/check.h"
#include "scenes/coverage.h"

namespace {

std::wstring text(double v) { return vfSceneText(v); }

[[noreturn]] void refuse(const wchar_t* function, const std::wstring& what) {
  vfSceneRefuse((std::wstring(L"vcSceneCanvas::") + function).c_str(), what);
}

void checkGrey(const wchar_t* function, double grey) {
  if (!(grey >= 0.0 && grey <= 255.0))
    refuse(function, L"grey must be in [0, 255], got " + text(grey));
}

// Positions and lengths are refused beyond this many pixels: far past any canvas, and small
// enough that the clipping and coverage arithmetic stays finite and accurate.
constexpr double kFar = 1e7;

void checkPoint(const wchar_t* function, const wchar_t* name, const vcVector<2>& p) {
  if (!(std::fabs(p.x()) <= kFar && std::fabs(p.y()) <= kFar))
    refuse(function, std::wstring(name) + L" must lie within +-1e7 pixels, got (" + text(p.x()) +
                         L", " + text(p.y()) + L")");
}

// Half the diagonal of a pixel: a pixel whose centre lies farther than this inside (outside)
// a circle is wholly inside (outside) it.
constexpr double kHalfDiagonal = 0.7071068;

// The share of pixel (i, j) inside the circle (center, radius), given the pixel centre's
// squared distance d2 from the centre.
double discCoverage(const vcVector<2>& center, double radius, long i, long j, double d2) {
  const double inner = radius - kHalfDiagonal, outer = radius + kHalfDiagonal;
  if (inner > 0.0 && d2 <= inner * inner) return 1.0;
  if (d2 >= outer * outer) return 0.0;
  return vfDiscSquareArea(center, radius, static_cast<double>(i), static_cast<double>(j));
}

// The Gaussian's integral over each pixel [k - 0.5, k + 0.5], k = -reach .. reach, normalised.
std::vector<double> gaussKernel(double sigma, long reach) {
  std::vector<double> weights(static_cast<std::size_t>(2 * reach + 1));
  const double scale = 1.0 / (sigma * std::sqrt(2.0));
  double sum = 0.0;
  for (long k = -reach; k <= reach; ++k) {
    const double w = 0.5 * (std::erf((k + 0.5) * scale) - std::erf((k - 0.5) * scale));
    weights[static_cast<std::size_t>(k + reach)] = w;
    sum += w;
  }
  for (double& w : weights) w /= sum;
  return weights;
}

}  // namespace

vcSceneCanvas::vcSceneCanvas(long width, long height, double background)
    : width_(width), height_(height) {
  if (width < 1 || width > 32768 || height < 1 || height > 32768)
    refuse(L"vcSceneCanvas",
           L"width and height must be in [1, 32768], got " + text(width) + L" x " + text(height));
  checkGrey(L"vcSceneCanvas", background);
  values_.assign(static_cast<std::size_t>(width * height), static_cast<float>(background));
}

double vcSceneCanvas::value(long x, long y) const {
  if (x < 0 || x >= width_ || y < 0 || y >= height_)
    refuse(L"value", L"pixel (" + text(x) + L", " + text(y) + L") is outside the " + text(width_) +
                         L" x " + text(height_) + L" canvas");
  return row_(y)[x];
}

void vcSceneCanvas::drawDisc(const vcVector<2>& center, double radius, double grey) {
  checkPoint(L"drawDisc", L"center", center);
  if (!(radius > 0.0 && radius <= kFar))
    refuse(L"drawDisc", L"radius must be in (0, 1e7] pixels, got " + text(radius));
  checkGrey(L"drawDisc", grey);
  drawRing(center, radius, 0.0, grey);
}

void vcSceneCanvas::drawRing(const vcVector<2>& center, double outerRadius, double innerRadius,
                             double grey) {
  checkPoint(L"drawRing", L"center", center);
  if (!(innerRadius >= 0.0 && innerRadius < outerRadius && outerRadius <= kFar))
    refuse(L"drawRing", L"radii must satisfy 0 <= innerRadius < outerRadius <= 1e7, got " +
                            text(innerRadius) + L" and " + text(outerRadius));
  checkGrey(L"drawRing", grey);

  // The outer circle's bounding box, clipped to the canvas.
  const long x0 = std::max(0L, static_cast<long>(std::floor(center.x() - outerRadius)));
  const long y0 = std::max(0L, static_cast<long>(std::floor(center.y() - outerRadius)));
  const long x1 = std::min(width_, static_cast<long>(std::ceil(center.x() + outerRadius)) + 1);
  const long y1 = std::min(height_, static_cast<long>(std::ceil(center.y() + outerRadius)) + 1);
  const float g = static_cast<float>(grey);

  // Blend each pixel by the area between the two circles.
  for (long j = y0; j < y1; ++j) {
    float* row = row_(j);
    const double dy = j + 0.5 - center.y();
    for (long i = x0; i < x1; ++i) {
      const double dx = i + 0.5 - center.x();
      const double d2 = dx * dx + dy * dy;
      double c = discCoverage(center, outerRadius, i, j, d2);
      if (c > 0.0 && innerRadius > 0.0) c -= discCoverage(center, innerRadius, i, j, d2);
      if (c > 0.0) row[i] += (g - row[i]) * static_cast<float>(c);
    }
  }
}

void vcSceneCanvas::drawPolygon(std::span<const vcVector<2>> vertices, double grey) {
  if (vertices.size() < 3)
    refuse(L"drawPolygon", L"a polygon needs at least 3 vertices, got " +
                               text(static_cast<double>(vertices.size())));
  for (const vcVector<2>& v : vertices) checkPoint(L"drawPolygon", L"vertex", v);
  checkGrey(L"drawPolygon", grey);
  fillPolygon_(vertices, grey);
}

void vcSceneCanvas::drawStroke(const vcVector<2>& p1, const vcVector<2>& p2, double width,
                               double grey) {
  checkPoint(L"drawStroke", L"p1", p1);
  checkPoint(L"drawStroke", L"p2", p2);
  if (p1 == p2) refuse(L"drawStroke", L"p1 and p2 must be distinct");
  if (!(width > 0.0 && width <= kFar))
    refuse(L"drawStroke", L"width must be in (0, 1e7] pixels, got " + text(width));
  checkGrey(L"drawStroke", grey);

  const vcVector<2> side = (p2 - p1).unit().perp() * (0.5 * width);
  const vcVector<2> corners[4] = {p1 + side, p2 + side, p2 - side, p1 - side};
  fillPolygon_(corners, grey);
}

void vcSceneCanvas::drawHalfPlane(const vcVector<2>& point, const vcVector<2>& normal,
                                  double grey) {
  checkPoint(L"drawHalfPlane", L"point", point);
  if (!std::isfinite(normal.x()) || !std::isfinite(normal.y()) || normal.isNull())
    refuse(L"drawHalfPlane", L"normal must be finite and not the null vector");
  checkGrey(L"drawHalfPlane", grey);
  const vcVector<2> unit = normal.unit();  // any finite length, however small or large

  // Clip a rectangle a pixel larger than the canvas by the half-plane (one clipping step of
  // Sutherland-Hodgman); what is left is a convex polygon covering the filled side.
  const double w = static_cast<double>(width_), h = static_cast<double>(height_);
  const vcVector<2> box[4] = {{-1.0, -1.0}, {w + 1.0, -1.0}, {w + 1.0, h + 1.0}, {-1.0, h + 1.0}};
  vcVector<2> clipped[8];
  std::size_t n = 0;
  for (std::size_t k = 0; k < 4; ++k) {
    const vcVector<2>& a = box[k];
    const vcVector<2>& b = box[(k + 1) % 4];
    const double da = (a - point) * unit, db = (b - point) * unit;
    if (da >= 0.0) clipped[n++] = a;
    if ((da >= 0.0) != (db >= 0.0)) clipped[n++] = a + (b - a) * (da / (da - db));
  }
  if (n >= 3) fillPolygon_(std::span<const vcVector<2>>(clipped, n), grey);
}

void vcSceneCanvas::fillPolygon_(std::span<const vcVector<2>> vertices, double grey) {
  // The vertices' bounding box, clipped to the canvas.
  double xmin = vertices[0].x(), xmax = xmin, ymin = vertices[0].y(), ymax = ymin;
  for (const vcVector<2>& v : vertices) {
    xmin = std::min(xmin, v.x());
    xmax = std::max(xmax, v.x());
    ymin = std::min(ymin, v.y());
    ymax = std::max(ymax, v.y());
  }
  const long x0 = static_cast<long>(std::max(0.0, std::floor(xmin)));
  const long y0 = static_cast<long>(std::max(0.0, std::floor(ymin)));
  const long x1 = static_cast<long>(std::min(static_cast<double>(width_), std::ceil(xmax) + 1.0));
  const long y1 = static_cast<long>(std::min(static_cast<double>(height_), std::ceil(ymax) + 1.0));
  if (x1 <= x0 || y1 <= y0) return;

  // Exact coverage of the box's pixels, then the blend.
  vcPolygonCoverage cover(x0, y0, x1 - x0, y1 - y0);
  cover.addPolygon(vertices);
  cover.finish();
  const float g = static_cast<float>(grey);
  for (long j = 0; j < cover.height(); ++j) {
    const double* c = cover.row(j);
    float* row = row_(y0 + j) + x0;
    for (long i = 0; i < cover.width(); ++i)
      if (c[i] > 0.0) row[i] += (g - row[i]) * static_cast<float>(c[i]);
  }
}

void vcSceneCanvas::blur(double sigma) {
  if (!(sigma >= 0.0 && sigma <= 100.0))
    refuse(L"blur", L"sigma must be in [0, 100] pixels, got " + text(sigma));
  if (sigma == 0.0) return;
  const long reach = static_cast<long>(std::ceil(4.0 * sigma));
  const std::vector<double> weights = gaussKernel(sigma, reach);
  const double* w = weights.data() + reach;  // w[k] for k in [-reach, reach]

  // Rows: each row copied into a buffer padded by repeating its end pixels. The sums run
  // tap by tap over the whole row, which keeps the inner loop free of dependencies.
  std::vector<float> padded(static_cast<std::size_t>(width_ + 2 * reach));
  std::vector<double> sum(static_cast<std::size_t>(width_));
  for (long y = 0; y < height_; ++y) {
    float* row = row_(y);
    std::fill(padded.begin(), padded.begin() + reach, row[0]);
    std::copy(row, row + width_, padded.begin() + reach);
    std::fill(padded.begin() + reach + width_, padded.end(), row[width_ - 1]);
    std::fill(sum.begin(), sum.end(), 0.0);
    for (long k = -reach; k <= reach; ++k) {
      const float* src = padded.data() + reach + k;
      const double wk = w[k];
      for (long x = 0; x < width_; ++x) sum[static_cast<std::size_t>(x)] += wk * src[x];
    }
    for (long x = 0; x < width_; ++x) row[x] = static_cast<float>(sum[static_cast<std::size_t>(x)]);
  }

  // Columns: each output row is a weighted sum of whole source rows, clamped at the borders.
  const std::vector<float> source = values_;
  for (long y = 0; y < height_; ++y) {
    std::fill(sum.begin(), sum.end(), 0.0);
    for (long k = -reach; k <= reach; ++k) {
      const long sy = std::clamp(y + k, 0L, height_ - 1);
      const float* src = source.data() + sy * width_;
      const double wk = w[k];
      for (long x = 0; x < width_; ++x) sum[static_cast<std::size_t>(x)] += wk * src[x];
    }
    float* row = row_(y);
    for (long x = 0; x < width_; ++x) row[x] = static_cast<float>(sum[static_cast<std::size_t>(x)]);
  }
}

void vcSceneCanvas::addNoise(double sigma, vcSceneRandom& random) {
  if (!(sigma >= 0.0 && sigma <= 255.0))
    refuse(L"addNoise", L"sigma must be in [0, 255] grey levels, got " + text(sigma));
  if (sigma == 0.0) return;
  for (float& v : values_) v += static_cast<float>(sigma * random.normal());
}

vcPelBuffer<unsigned char> vcSceneCanvas::image() const {
  vcPelBuffer<unsigned char> image(width_, height_, 32);
  for (long y = 0; y < height_; ++y) {
    const float* src = row_(y);
    unsigned char* dst = image.pointToRow(y);
    for (long x = 0; x < width_; ++x)
      dst[x] = static_cast<unsigned char>(std::clamp(src[x], 0.0f, 255.0f) + 0.5f);
  }
  return image;
}
