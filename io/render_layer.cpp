#include "io/render_layer.h"

#include <algorithm>
#include <cmath>

#include "platform/base/circle.h"
#include "platform/base/line_seg.h"
#include "platform/base/point.h"
#include "platform/base/polygon.h"
#include "platform/graphics/graphic_list.h"
#include "platform/graphics/graphic_simple.h"
#include "platform/graphics/graphic_text.h"
#include "platform/graphics/graphic_with_fill.h"

namespace {

vsRenderPen penOf(const vcGraphicProps& props) {
  return vsRenderPen{props.color(), props.width(), props.penStyle()};
}

// The size of one entry pixel on the display: the mean length of the mapped
// unit axes, so that a mark stays one pixel of the entry's coordinates.
double markSize(const vcXform<2>& displayFromEntry) {
  const vcMatrix<2>& m = displayFromEntry.matrix();
  return 0.5 * (m.xScale() + m.yScale());
}

std::vector<vcVector<2>> mapPoints(const std::vector<vcVector<2>>& points, const vcXform<2>& x) {
  std::vector<vcVector<2>> out;
  out.reserve(points.size());
  for (const vcVector<2>& p : points) out.push_back(x.mapPoint(p));
  return out;
}

vsRenderEllipse ellipseOf(const vcCircle& circle, const vcXform<2>& x, const vsRenderPen& pen) {
  const vcMatrix<2>& m = x.matrix();
  const double r = circle.radius();
  return vsRenderEllipse{x.mapPoint(circle.center()),
                         vcMatrix<2>::fromElements(m.element(0, 0) * r, m.element(0, 1) * r,
                                                   m.element(1, 0) * r, m.element(1, 1) * r),
                         pen, std::nullopt};
}

// Reads a graphic list into display primitives.
class LayerBuilder : public vcGraphicVisitor {
 public:
  LayerBuilder(const vcXform<2>& x, std::vector<vsRenderItem>& items) : x_(x), items_(items) {}

  void visit(const vcGraphicSimple<vcLineSeg>& g) override {
    items_.push_back(vsRenderPolyline{
        {x_.mapPoint(g.shape().p1()), x_.mapPoint(g.shape().p2())}, false, penOf(g.props())});
  }
  void visit(const vcGraphicSimple<vcPolygon>& g) override {
    items_.push_back(vsRenderPolyline{mapPoints(g.shape().vertices(), x_), g.shape().isClosed(),
                                      penOf(g.props())});
  }
  void visit(const vcGraphicSimple<vcPoint>& g) override {
    items_.push_back(vsRenderMark{x_.mapPoint(g.shape().pos()), markSize(x_), g.props().color()});
  }
  void visit(const vcGraphicWithFill<vcCircle, vcEllipse2>& g) override {
    vsRenderEllipse e = ellipseOf(g.shape(), x_, penOf(g.props()));
    e.fill = g.fill();
    items_.push_back(e);
  }
  void visit(const vcGraphicText& g) override {
    items_.push_back(vsRenderText{g.text(), x_.mapPoint(g.position()), g.offset(), g.format(),
                                  g.foreground(), g.background()});
  }

 private:
  const vcXform<2>& x_;
  std::vector<vsRenderItem>& items_;
};

long itemLayer(const vcUISketchItem& item) {
  return std::visit([](const auto& it) { return it.layer; }, item);
}

void addSketchItem(const vcUISketchItem& item, const vcXform<2>& x,
                   std::vector<vsRenderItem>& items) {
  if (const auto* px = std::get_if<vsSketchPixel>(&item)) {
    items.push_back(vsRenderMark{x.mapPoint(px->position), markSize(x), px->color});
  } else if (const auto* c = std::get_if<vsSketchCircle>(&item)) {
    items.push_back(ellipseOf(c->circle, x, vsRenderPen{c->color}));
  } else {
    const auto& poly = std::get<vsSketchPolygon>(item);
    items.push_back(vsRenderPolyline{mapPoints(poly.polygon.vertices(), x), poly.polygon.isClosed(),
                                     vsRenderPen{poly.color}});
  }
}

// Grows [lo, hi] to hold p.
void extend(vcVector<2>& lo, vcVector<2>& hi, const vcVector<2>& p) {
  lo = vcVector<2>(std::min(lo.x(), p.x()), std::min(lo.y(), p.y()));
  hi = vcVector<2>(std::max(hi.x(), p.x()), std::max(hi.y(), p.y()));
}

}  // namespace

// The box holding every graphic of a record without image, in the entries' own
// coordinates, with a margin of 2 units; (0, 0) to (1, 1) at least.
void graphicsBounds(const vcDiagRecord& record, vcVector<2>& lo, vcVector<2>& hi) {
  lo = vcVector<2>(0.0, 0.0);
  hi = vcVector<2>(1.0, 1.0);
  for (const vcDiagEntry& entry : record.entries()) {
    for (const vsRenderItem& item : vfRenderLayer(entry, vcXform<2>()).items) {
      if (const auto* p = std::get_if<vsRenderPolyline>(&item)) {
        for (const vcVector<2>& q : p->points) extend(lo, hi, q);
      } else if (const auto* e = std::get_if<vsRenderEllipse>(&item)) {
        const double r = std::max(std::hypot(e->axes.element(0, 0), e->axes.element(1, 0)),
                                  std::hypot(e->axes.element(0, 1), e->axes.element(1, 1)));
        extend(lo, hi, e->center + vcVector<2>(r, r));
        extend(lo, hi, e->center - vcVector<2>(r, r));
      } else if (const auto* m = std::get_if<vsRenderMark>(&item)) {
        extend(lo, hi, m->center + vcVector<2>(m->size, m->size));
        extend(lo, hi, m->center - vcVector<2>(m->size, m->size));
      } else {
        extend(lo, hi, std::get<vsRenderText>(item).anchor);
      }
    }
  }
  lo = lo - vcVector<2>(2.0, 2.0);
  hi = hi + vcVector<2>(2.0, 2.0);
}

vcXform<2> vfDisplayFromEntry(const vcDiagRecord& record, const vcDiagEntry& entry) {
  const vcPelBuffer_const<unsigned char>& image = record.image();
  if (!image.isBound()) {
    vcVector<2> lo, hi;
    graphicsBounds(record, lo, hi);
    return vcXform<2>(vcMatrix<2>(), -lo);
  }
  // Image coordinates minus the window's offset are the window's own pixel
  // coordinates, whose pixel (0, 0) spans [0, 1) x [0, 1).
  const vcXform<2> displayFromImage(
      vcMatrix<2>(), vcVector<2>(-double(image.offset().x()), -double(image.offset().y())));
  if (entry.coordinateSystem() == vcDiagEntry::eImageCoords) return displayFromImage;
  return displayFromImage * image.imageFromClientXform();
}

vsRenderLayer vfRenderLayer(const vcDiagEntry& entry, const vcXform<2>& displayFromEntry) {
  // Refuse a flattening transform here, where the message can say why.
  displayFromEntry.inverse();
  vsRenderLayer layer{entry.label(), {}};
  if (!entry.isSketch()) {
    LayerBuilder builder(displayFromEntry, layer.items);
    entry.graphics().accept(builder);
    return layer;
  }
  // Sketch layers paint bottom up; a stable sort keeps the drawing order.
  std::vector<const vcUISketchItem*> order;
  for (const vcUISketchItem& item : entry.sketch().items()) order.push_back(&item);
  std::stable_sort(order.begin(), order.end(),
                   [](const auto* a, const auto* b) { return itemLayer(*a) < itemLayer(*b); });
  for (const vcUISketchItem* item : order) addSketchItem(*item, displayFromEntry, layer.items);
  return layer;
}

vcPair<long> vfDisplaySize(const vcDiagRecord& record) {
  if (record.image().isBound())
    return vcPair<long>(std::max(1L, record.image().width()),
                        std::max(1L, record.image().height()));
  vcVector<2> lo, hi;
  graphicsBounds(record, lo, hi);
  // Clamped so that a wild coordinate gives an oversized display, refused
  // by the renderers, rather than an overflowing cast.
  const auto side = [](double v) { return long(std::ceil(std::min(v, 1e9))); };
  return vcPair<long>(std::max(1L, side(hi.x() - lo.x())), std::max(1L, side(hi.y() - lo.y())));
}
