// Colours, graphic properties, graphic lists read back through a visitor, and
// sketches drawn with the tablet.

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <variant>
#include <vector>

#include "platform/base/exception.h"
#include "platform/graphics/graphic_list.h"
#include "platform/graphics/graphic_simple.h"
#include "platform/graphics/graphic_text.h"
#include "platform/graphics/graphic_with_fill.h"
#include "platform/graphics/ui_tablet.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Writes one line per visited graphic: its kind and colour, and a circle's fill.
struct Transcript : vcGraphicVisitor {
  std::vector<std::string> lines;
  void add(const char* kind, const vcColor& c, std::string more = "") {
    lines.push_back(std::string(kind) + " " + std::to_string(c.r()) + "," + std::to_string(c.g()) +
                    "," + std::to_string(c.b()) + more);
  }
  void visit(const vcGraphicSimple<vcLineSeg>& g) override { add("seg", g.props().color()); }
  void visit(const vcGraphicSimple<vcPolygon>& g) override { add("poly", g.props().color()); }
  void visit(const vcGraphicSimple<vcPoint>& g) override { add("point", g.props().color()); }
  void visit(const vcGraphicWithFill<vcCircle, vcEllipse2>& g) override {
    add("circle", g.props().color(), g.fill() ? " filled" : "");
  }
  void visit(const vcGraphicText& g) override { add("text", g.background()); }
};

}  // namespace

TEST(GraphicsProps, ColourLevelsFormatsAndRefusedSettings) {
  EXPECT_EQ(vcColor(77), vcColor(77, 77, 77));
  EXPECT_THROW(vcColor(256), vcBadParamsError);
  EXPECT_THROW(vcColor(0, 256, 0), vcBadParamsError);
  EXPECT_THROW(vcColor(0, 0, -5), vcBadParamsError);

  vcGraphicProps props(vcColor::cyan(), 3, vcGraphicProps::eDash);
  EXPECT_THROW(props.width(0), vcBadParamsError);
  EXPECT_THROW(props.penStyle(static_cast<vcGraphicProps::vePenStyle>(7)), vcBadParamsError);
  EXPECT_EQ(props, vcGraphicProps(vcColor::cyan(), 3, vcGraphicProps::eDash));
  EXPECT_THROW(vcGraphicProps(vcColor::red(), -2), vcBadParamsError);

  // Alignment codes split into a horizontal and a vertical part.
  EXPECT_EQ(vcUIFormat(4).horizontal(), vcUIFormat::eCenter);
  EXPECT_EQ(vcUIFormat(4).vertical(), vcUIFormat::eMiddle);
  EXPECT_EQ(vcUIFormat(2).horizontal(), vcUIFormat::eRight);
  EXPECT_EQ(vcUIFormat(6).vertical(), vcUIFormat::eBottom);
  EXPECT_THROW(vcUIFormat(9), vcBadParamsError);
  EXPECT_THROW(vcUIFormat(-1), vcBadParamsError);
}

TEST(GraphicsList, VisitsEveryKindInOrderAndSharesBodies) {
  const vcLineSeg seg(vcVector<2>(1, 2), vcVector<2>(9, 2));
  vcGraphicList list;
  list.append(vcGraphicSimple<vcLineSeg>(seg, vcGraphicProps(vcColor::red(), 3)));
  list.append(
      vcGraphicSimple<vcPolygon>(vcPolygon({{0, 0}, {4, 0}, {4, 4}}, false), vcColor::green()));
  list.append(vcGraphicSimple<vcPoint>(vcPoint(5, 6), vcColor::blue()));
  list.append(vcGraphicWithFill<vcCircle, vcEllipse2>(vcCircle(vcVector<2>(5, 5), 2.5),
                                                      vcGraphicProps(vcColor::cyan())));
  list.append(vcGraphicWithFill<vcCircle, vcEllipse2>(
      vcCircle(vcVector<2>(5, 5), 1.0), vcGraphicProps(vcColor::cyan()), vcColor::yellow()));
  vcPtrHandle<vcGraphicText> text(new vcGraphicText(
      L"12", seg.midpoint(), vcColor::red(), vcColor::pass(), vcUIFormat(4), vcPair<long>(0, 0)));
  list.append(text);

  Transcript t;
  list.accept(t);
  EXPECT_EQ(t.lines, (std::vector<std::string>{"seg 255,0,0", "poly 0,255,0", "point 0,0,255",
                                               "circle 0,255,255", "circle 0,255,255 filled",
                                               "text 0,128,0"}));

  // A copied list shares the graphics rather than duplicating them.
  EXPECT_EQ(text->refCount(), 2);
  {
    const vcGraphicList copy = list;
    EXPECT_EQ(text->refCount(), 3);
    EXPECT_EQ(&copy.graphic(5), &list.graphic(5));
  }
  EXPECT_EQ(text->refCount(), 2);

  // Refused input leaves the list as it was.
  EXPECT_THROW(list.append(vcPtrHandle_const<vcGraphic>()), vcBadParamsError);
  EXPECT_THROW(list.graphic(6), vcBadParamsError);
  EXPECT_THROW(vcGraphicSimple<vcLineSeg>(vcLineSeg(vcVector<2>(kNaN, 0), vcVector<2>(1, 1)),
                                          vcColor::red()),
               vcBadParamsError);
  EXPECT_THROW(vcGraphicSimple<vcPolygon>(vcPolygon(), vcColor::red()), vcBadParamsError);
  EXPECT_EQ(list.size(), 6);
}

TEST(GraphicsSketch, TabletRecordsItemsInDrawingOrder) {
  vcUISketch sketch;
  vcUITablet tablet(sketch);
  // Two edgelet pixels, a chain as an open polyline on layer 1, and a circle.
  tablet.drawPixel(vcVector<2>(3.5, 4.5), vcColor::green());
  tablet.drawPixel(vcVector<2>(4.5, 4.5), vcColor::green());
  tablet.draw(vcPolygon({{1, 1}, {2, 2}, {3, 2}}, false), vcColor::red(), 1);
  tablet.drawCircle(vcCircle(vcVector<2>(8, 8), 3.0), vcColor::orange(), 2);

  ASSERT_EQ(sketch.size(), 4);
  EXPECT_EQ(std::get<vsSketchPixel>(sketch.items()[1]).position.x(), 4.5);
  EXPECT_FALSE(std::get<vsSketchPolygon>(sketch.items()[2]).polygon.isClosed());
  EXPECT_TRUE(std::holds_alternative<vsSketchCircle>(sketch.items()[3]));

  // A copy taken now is not affected by later drawing.
  const vcUISketch before = sketch;
  tablet.drawPixel(vcVector<2>(0.5, 0.5), vcColor::white());
  EXPECT_EQ(before.size(), 4);

  EXPECT_THROW(tablet.drawPixel(vcVector<2>(kNaN, 1), vcColor::red()), vcBadParamsError);
  EXPECT_THROW(tablet.draw(vcPolygon(), vcColor::red()), vcBadParamsError);
  EXPECT_EQ(sketch.size(), 5);
}
