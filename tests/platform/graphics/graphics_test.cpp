// Colours, graphic properties, graphic lists read back through a visitor, and
// sketches drawn with the tablet.

#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <string>
#include <tuple>
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

// Writes one line per visited graphic: kind, colour and the first coordinate.
struct Transcript : vcGraphicVisitor {
  std::vector<std::string> lines;
  static std::string rgb(const vcColor& c) {
    return std::to_string(c.r()) + "," + std::to_string(c.g()) + "," + std::to_string(c.b());
  }
  void visit(const vcGraphicSimple<vcLineSeg>& g) override {
    lines.push_back("seg " + rgb(g.props().color()) + " w" + std::to_string(g.props().width()) +
                    " x" + std::to_string(g.shape().p2().x()));
  }
  void visit(const vcGraphicSimple<vcPolygon>& g) override {
    lines.push_back("poly " + rgb(g.props().color()) + " n" +
                    std::to_string(g.shape().numVertices()) +
                    (g.shape().isClosed() ? " closed" : " open"));
  }
  void visit(const vcGraphicSimple<vcPoint>& g) override {
    lines.push_back("point " + rgb(g.props().color()) + " x" + std::to_string(g.shape().x()));
  }
  void visit(const vcGraphicWithFill<vcCircle, vcEllipse2>& g) override {
    lines.push_back("circle " + rgb(g.props().color()) + " r" + std::to_string(g.shape().radius()) +
                    (g.fill() ? " fill " + rgb(*g.fill()) : std::string(" nofill")));
  }
  void visit(const vcGraphicText& g) override {
    lines.push_back("text " + std::string(g.text().begin(), g.text().end()) + " on " +
                    rgb(g.background()) + " a" + std::to_string(g.format().alignment()));
  }
};

}  // namespace

TEST(GraphicsColor, NamedColoursDifferAndLevelsAreChecked) {
  const std::vector<vcColor> named = {
      vcColor::blue(), vcColor::cyan(),   vcColor::green(), vcColor::grey(),  vcColor::orange(),
      vcColor::pass(), vcColor::purple(), vcColor::red(),   vcColor::white(), vcColor::yellow()};
  std::set<std::tuple<int, int, int>> distinct;
  for (const vcColor& c : named) distinct.insert({c.r(), c.g(), c.b()});
  EXPECT_EQ(distinct.size(), named.size());

  EXPECT_EQ(vcColor(0), vcColor());
  EXPECT_EQ(vcColor(255), vcColor::white());
  EXPECT_EQ(vcColor(77), vcColor(77, 77, 77));
  // Channels keep their order: a pure blue level stays in b().
  EXPECT_EQ(vcColor(0, 0, 200).b(), 200);

  EXPECT_THROW(vcColor(-1), vcBadParamsError);
  EXPECT_THROW(vcColor(256), vcBadParamsError);
  EXPECT_THROW(vcColor(0, 256, 0), vcBadParamsError);
  EXPECT_THROW(vcColor(0, 0, -5), vcBadParamsError);
}

TEST(GraphicsProps, RefusedSettingsLeaveThePropsUnchanged) {
  vcGraphicProps props(vcColor::cyan(), 3, vcGraphicProps::eDash);
  EXPECT_THROW(props.width(0), vcBadParamsError);
  EXPECT_THROW(props.penStyle(static_cast<vcGraphicProps::vePenStyle>(7)), vcBadParamsError);
  EXPECT_EQ(props, vcGraphicProps(vcColor::cyan(), 3, vcGraphicProps::eDash));
  EXPECT_THROW(vcGraphicProps(vcColor::red(), -2), vcBadParamsError);

  // Alignment codes split into a horizontal and a vertical part.
  EXPECT_EQ(vcUIFormat(4).horizontal(), vcUIFormat::eCenter);
  EXPECT_EQ(vcUIFormat(4).vertical(), vcUIFormat::eMiddle);
  EXPECT_EQ(vcUIFormat(2).horizontal(), vcUIFormat::eRight);
  EXPECT_EQ(vcUIFormat(2).vertical(), vcUIFormat::eTop);
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
  const std::vector<std::string> expected = {"seg 255,0,0 w3 x9.000000",
                                             "poly 0,255,0 n3 open",
                                             "point 0,0,255 x5.000000",
                                             "circle 0,255,255 r2.500000 nofill",
                                             "circle 0,255,255 r1.000000 fill 255,255,0",
                                             "text 12 on 0,128,0 a4"};
  EXPECT_EQ(t.lines, expected);

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
  const auto& items = sketch.items();
  EXPECT_EQ(std::get<vsSketchPixel>(items[1]).position.x(), 4.5);
  const auto& chain = std::get<vsSketchPolygon>(items[2]);
  EXPECT_FALSE(chain.polygon.isClosed());
  EXPECT_EQ(chain.polygon.numVertices(), 3);
  EXPECT_EQ(std::get<vsSketchCircle>(items[3]).circle.radius(), 3.0);

  // A copy taken now is not affected by later drawing.
  const vcUISketch before = sketch;
  tablet.drawPixel(vcVector<2>(0.5, 0.5), vcColor::white());
  EXPECT_EQ(before.size(), 4);

  EXPECT_THROW(tablet.drawPixel(vcVector<2>(kNaN, 1), vcColor::red()), vcBadParamsError);
  EXPECT_THROW(tablet.draw(vcPolygon(), vcColor::red()), vcBadParamsError);
  EXPECT_EQ(sketch.size(), 5);
}
