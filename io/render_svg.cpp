#include "io/render_svg.h"

#include <cmath>
#include <cstdio>

#include "io/render_png.h"
#include "platform/base/str.h"

namespace {

// A number with at most 3 decimals, trailing zeros dropped ("12.5", "-3").
std::string num(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3f", v);
  std::string s(buf);
  s.erase(s.find_last_not_of('0') + 1);
  if (s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

std::string hex(const vcColor& c) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c.r(), c.g(), c.b());
  return buf;
}

std::string strokeAttrs(const vsRenderPen& pen) {
  std::string s = " fill=\"none\" stroke=\"" + hex(pen.color) + "\" stroke-width=\"" +
                  std::to_string(pen.width) + "\" vector-effect=\"non-scaling-stroke\"";
  if (pen.style == vcGraphicProps::eDash) s += " stroke-dasharray=\"6 3\"";
  if (pen.style == vcGraphicProps::eDot) s += " stroke-dasharray=\"1.5 2.5\"";
  return s;
}

std::string pointList(const std::vector<vcVector<2>>& pts) {
  std::string s;
  for (const vcVector<2>& p : pts) {
    if (!s.empty()) s += ' ';
    s += num(p.x()) + ',' + num(p.y());
  }
  return s;
}

std::string polylineSvg(const vsRenderPolyline& p) {
  if (p.points.size() == 2)
    return "<line x1=\"" + num(p.points[0].x()) + "\" y1=\"" + num(p.points[0].y()) + "\" x2=\"" +
           num(p.points[1].x()) + "\" y2=\"" + num(p.points[1].y()) + "\"" + strokeAttrs(p.pen) +
           "/>";
  return std::string(p.closed ? "<polygon" : "<polyline") + " points=\"" + pointList(p.points) +
         "\"" + strokeAttrs(p.pen) + "/>";
}

// A circle when the axes are a scaled rotation (or reflection), else the unit
// circle under the axes' matrix.
std::string ellipseSvg(const vsRenderEllipse& e) {
  const double a = e.axes.element(0, 0), b = e.axes.element(0, 1);
  const double c = e.axes.element(1, 0), d = e.axes.element(1, 1);
  const double tol = 1e-9 * (std::abs(a) + std::abs(b) + std::abs(c) + std::abs(d));
  const bool similar = (std::abs(a - d) <= tol && std::abs(b + c) <= tol) ||
                       (std::abs(a + d) <= tol && std::abs(b - c) <= tol);
  std::string attrs = strokeAttrs(e.pen);
  if (e.fill) attrs.replace(attrs.find("fill=\"none\""), 11, "fill=\"" + hex(*e.fill) + "\"");
  if (similar)
    return "<circle cx=\"" + num(e.center.x()) + "\" cy=\"" + num(e.center.y()) + "\" r=\"" +
           num(std::sqrt(std::abs(e.axes.det()))) + "\"" + attrs + "/>";
  // SVG's matrix(a b c d e f) maps (x, y) to (a x + c y + e, b x + d y + f).
  return "<circle cx=\"0\" cy=\"0\" r=\"1\" transform=\"matrix(" + num(a) + ' ' + num(c) + ' ' +
         num(b) + ' ' + num(d) + ' ' + num(e.center.x()) + ' ' + num(e.center.y()) + ")\"" + attrs +
         "/>";
}

std::string markSvg(const vsRenderMark& m) {
  const double h = 0.5 * m.size;
  return "<rect x=\"" + num(m.center.x() - h) + "\" y=\"" + num(m.center.y() - h) + "\" width=\"" +
         num(m.size) + "\" height=\"" + num(m.size) + "\" fill=\"" + hex(m.color) + "\"/>";
}

// Texts sit on a halo of their background colour; the alignment grid maps to
// text-anchor (horizontal) and dominant-baseline (vertical).
std::string textSvg(const vsRenderText& t) {
  static const char* const kAnchor[] = {"start", "middle", "end"};
  static const char* const kBaseline[] = {"hanging", "central", "alphabetic"};
  return "<text x=\"" + num(t.anchor.x()) + "\" y=\"" + num(t.anchor.y()) + "\" dx=\"" +
         std::to_string(t.offset.x()) + "\" dy=\"" + std::to_string(t.offset.y()) +
         "\" text-anchor=\"" + kAnchor[t.format.horizontal()] + "\" dominant-baseline=\"" +
         kBaseline[t.format.vertical()] + "\" fill=\"" + hex(t.foreground) + "\" stroke=\"" +
         hex(t.background) + "\" stroke-width=\"3\" paint-order=\"stroke\"" +
         " font-family=\"sans-serif\" font-size=\"10\">" + vfXmlEscape(t.text) + "</text>";
}

}  // namespace

std::string vfXmlEscape(const std::wstring& text) {
  std::string out;
  for (char ch : vfUtf8FromWide(text)) {
    switch (ch) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += ch;
    }
  }
  return out;
}

std::string vfLayerSvg(const vsRenderLayer& layer, const std::string& id) {
  std::string s =
      "<g class=\"layer\" id=\"" + id + "\" data-label=\"" + vfXmlEscape(layer.label) + "\">\n";
  for (const vsRenderItem& item : layer.items) {
    if (const auto* p = std::get_if<vsRenderPolyline>(&item)) {
      s += polylineSvg(*p);
    } else if (const auto* e = std::get_if<vsRenderEllipse>(&item)) {
      s += ellipseSvg(*e);
    } else if (const auto* m = std::get_if<vsRenderMark>(&item)) {
      s += markSvg(*m);
    } else {
      s += textSvg(std::get<vsRenderText>(item));
    }
    s += '\n';
  }
  return s + "</g>\n";
}

std::string vfRecordSvg(const vcDiagRecord& record, bool withImage) {
  const vcPair<long> size = vfDisplaySize(record);
  const std::string w = std::to_string(size.x()), h = std::to_string(size.y());
  std::string s = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "\" height=\"" + h +
                  "\" viewBox=\"0 0 " + w + ' ' + h + "\">\n";
  const vcPelBuffer_const<unsigned char>& image = record.image();
  if (withImage && image.isBound() && image.width() > 0 && image.height() > 0)
    s += "<image width=\"" + w + "\" height=\"" + h +
         "\" style=\"image-rendering:pixelated\" href=\"data:image/png;base64," +
         vfBase64(vfEncodePng(image)) + "\"/>\n";
  for (std::size_t i = 0; i < record.entries().size(); ++i) {
    const vcDiagEntry& entry = record.entries()[i];
    s += vfLayerSvg(vfRenderLayer(entry, vfDisplayFromEntry(record, entry)),
                    "layer-" + std::to_string(i));
  }
  return s + "</svg>\n";
}
