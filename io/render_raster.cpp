#include "io/render_raster.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "io/image_limits.h"
#include "platform/base/exception.h"
#include "platform/base/str.h"

namespace {

constexpr long kMaxPixels = kMaxOverlayPixels;

void requireZoom(long zoom, long hi, const wchar_t* op) {
  if (zoom < 1 || zoom > hi)
    throw vcBadParamsError(std::wstring(op) + L": zoom must be in [1, " + vfStr(hi) + L"], got " +
                           vfStr(zoom));
}

// Fills the screen pixels whose centres lie in the square of side `side`
// centred on screen point c; at least the pixel holding c.
void stamp(vcRgbImage& pic, const vcVector<2>& c, double side, const vcColor& color) {
  const double h = 0.5 * side;
  // Clamp in floating point first: wild coordinates must not reach the casts.
  const auto span = [h](double v, long size, long& lo, long& hi) {
    const double a = std::clamp(std::ceil(v - h - 0.5), -1.0, double(size));
    const double b = std::clamp(std::floor(v + h - 0.5), -1.0, double(size));
    lo = long(a);
    hi = long(b);
    if (hi < lo) lo = hi = long(std::clamp(std::floor(v), -1.0, double(size)));
  };
  if (!std::isfinite(c.x()) || !std::isfinite(c.y())) return;
  long x0, x1, y0, y1;
  span(c.x(), pic.width(), x0, x1);
  span(c.y(), pic.height(), y0, y1);
  for (long y = y0; y <= y1; ++y)
    for (long x = x0; x <= x1; ++x) pic.set(x, y, color);
}

// Whether the pen draws at distance `s` (screen pixels) along an outline.
bool penOn(vcGraphicProps::vePenStyle style, double s) {
  switch (style) {
    case vcGraphicProps::eDash:
      return std::fmod(s, 9.0) < 6.0;
    case vcGraphicProps::eDot:
      return std::fmod(s, 4.0) < 1.5;
    default:
      return true;
  }
}

// Strokes a polyline given in screen coordinates; `s` carries the dash phase.
void strokePath(vcRgbImage& pic, const std::vector<vcVector<2>>& pts, bool closed,
                const vsRenderPen& pen) {
  if (pts.size() == 1) stamp(pic, pts[0], double(pen.width), pen.color);
  double s = 0.0;
  const std::size_t sides = closed && pts.size() > 2 ? pts.size() : pts.size() - 1;
  for (std::size_t i = 0; i < sides && pts.size() > 1; ++i) {
    const vcVector<2>& a = pts[i];
    const vcVector<2>& b = pts[(i + 1) % pts.size()];
    const double len = a.distance(b);
    // Clip hopeless sides early so a wild coordinate cannot stall the loop.
    if (!(len < 1e6)) continue;
    const long steps = std::max(1L, long(std::ceil(len * 2.0)));
    for (long k = 0; k <= steps; ++k) {
      const double t = double(k) / double(steps);
      if (penOn(pen.style, s + t * len)) stamp(pic, a + (b - a) * t, double(pen.width), pen.color);
    }
    s += len;
  }
}

// Screen points of an ellipse outline, about one per two screen pixels.
std::vector<vcVector<2>> ellipsePoints(const vsRenderEllipse& e, double zoom) {
  const double r = std::max(std::hypot(e.axes.element(0, 0), e.axes.element(1, 0)),
                            std::hypot(e.axes.element(0, 1), e.axes.element(1, 1)));
  const long n = std::clamp(long(std::ceil(std::numbers::pi * r * zoom)), 8L, 20000L);
  std::vector<vcVector<2>> pts;
  pts.reserve(std::size_t(n));
  for (long k = 0; k < n; ++k) {
    const double t = 2.0 * std::numbers::pi * double(k) / double(n);
    pts.push_back((e.center + e.axes * vcVector<2>(std::cos(t), std::sin(t))) * zoom);
  }
  return pts;
}

// Fills the screen pixels whose centres lie inside the ellipse.
void fillEllipse(vcRgbImage& pic, const vsRenderEllipse& e, double zoom, const vcColor& color) {
  if (std::abs(e.axes.det()) < 1e-12) return;
  const vcMatrix<2> unitFromDisplay = e.axes.inverse();
  const double r = std::max(std::hypot(e.axes.element(0, 0), e.axes.element(1, 0)),
                            std::hypot(e.axes.element(0, 1), e.axes.element(1, 1)));
  const auto clampTo = [](double v, long size) {
    return long(std::clamp(v, 0.0, double(size - 1)));
  };
  const long x0 = clampTo(std::floor((e.center.x() - r) * zoom), pic.width());
  const long x1 = clampTo(std::ceil((e.center.x() + r) * zoom), pic.width());
  const long y0 = clampTo(std::floor((e.center.y() - r) * zoom), pic.height());
  const long y1 = clampTo(std::ceil((e.center.y() + r) * zoom), pic.height());
  for (long y = y0; y <= y1; ++y)
    for (long x = x0; x <= x1; ++x) {
      const vcVector<2> p = vcVector<2>(x + 0.5, y + 0.5) / zoom - e.center;
      const vcVector<2> u = unitFromDisplay * p;
      if (u * u <= 1.0) pic.set(x, y, color);
    }
}

std::vector<vcVector<2>> scaled(const std::vector<vcVector<2>>& pts, double zoom) {
  std::vector<vcVector<2>> out;
  out.reserve(pts.size());
  for (const vcVector<2>& p : pts) out.push_back(p * zoom);
  return out;
}

}  // namespace

vcRgbImage::vcRgbImage(long width, long height) : width_(width), height_(height) {
  if (width < 1 || height < 1 || width > kMaxPixels / height)
    throw vcBadParamsError(
        L"vcRgbImage: size must be at least 1 x 1 and at most 2^26 pixels, got " + vfStr(width) +
        L" x " + vfStr(height));
  pels_.assign(std::size_t(3 * width * height), 0);
}

void vcRgbImage::set(long x, long y, const vcColor& c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  std::uint8_t* p = row(y) + 3 * x;
  p[0] = c.r();
  p[1] = c.g();
  p[2] = c.b();
}

vcColor vcRgbImage::at(long x, long y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_)
    throw vcBadParamsError(L"vcRgbImage::at: (" + vfStr(x) + L", " + vfStr(y) +
                           L") is outside the picture");
  const std::uint8_t* p = row(y) + 3 * x;
  return vcColor(p[0], p[1], p[2]);
}

vcRgbImage vfGreyToRgb(const vcPelBuffer_const<unsigned char>& image, long zoom) {
  requireZoom(zoom, 16, L"vfGreyToRgb");
  if (!image.isBound() || image.width() < 1 || image.height() < 1)
    throw vcBadParamsError(L"vfGreyToRgb: the image must be bound and at least 1 x 1");
  if (image.width() > kMaxPixels / image.height() / (zoom * zoom))
    throw vcBadParamsError(L"vfGreyToRgb: the zoomed picture would exceed 2^26 pixels");
  vcRgbImage pic(image.width() * zoom, image.height() * zoom);
  for (long y = 0; y < pic.height(); ++y) {
    const unsigned char* src = image.pointToRow(y / zoom);
    std::uint8_t* dst = pic.row(y);
    for (long x = 0; x < pic.width(); ++x, dst += 3) dst[0] = dst[1] = dst[2] = src[x / zoom];
  }
  return pic;
}

void vfPaintLayer(vcRgbImage& picture, long zoom, const vsRenderLayer& layer) {
  requireZoom(zoom, 1L << 20, L"vfPaintLayer");
  const double z = double(zoom);
  for (const vsRenderItem& item : layer.items) {
    if (const auto* p = std::get_if<vsRenderPolyline>(&item)) {
      strokePath(picture, scaled(p->points, z), p->closed, p->pen);
    } else if (const auto* e = std::get_if<vsRenderEllipse>(&item)) {
      if (e->fill) fillEllipse(picture, *e, z, *e->fill);
      strokePath(picture, ellipsePoints(*e, z), true, e->pen);
    } else if (const auto* m = std::get_if<vsRenderMark>(&item)) {
      stamp(picture, m->center * z, m->size * z, m->color);
    } else {
      const auto& t = std::get<vsRenderText>(item);
      stamp(picture, t.anchor * z + vcVector<2>(t.offset), 3.0, t.foreground);
    }
  }
}

vcRgbImage vfRenderRecord(const vcDiagRecord& record, long zoom) {
  requireZoom(zoom, 16, L"vfRenderRecord");
  vcRgbImage picture;
  if (record.image().isBound() && record.image().width() > 0 && record.image().height() > 0) {
    picture = vfGreyToRgb(record.image(), zoom);
  } else {
    const vcPair<long> size = vfDisplaySize(record);
    if (size.x() > kMaxPixels / size.y() / (zoom * zoom))
      throw vcBadParamsError(L"vfRenderRecord: the picture would exceed 2^26 pixels");
    picture = vcRgbImage(size.x() * zoom, size.y() * zoom);
  }
  for (const vcDiagEntry& entry : record.entries())
    vfPaintLayer(picture, zoom, vfRenderLayer(entry, vfDisplayFromEntry(record, entry)));
  return picture;
}
