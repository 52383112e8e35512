// Colours, graphic properties, and graphic lists read back through a visitor. What the tablet
// draws is checked where it is rendered and recorded (io and diag tests).

#include <gtest/gtest.h>

#include <limits>
#include <string>
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

TEST(GraphicsList, VisitsEveryKindInOrderAndRefusesBadGraphics) {
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
  list.append(vcGraphicText(L"12", seg.midpoint(), vcColor::red(), vcColor::pass(), vcUIFormat(4),
                            vcPair<long>(0, 0)));

  Transcript t;
  list.accept(t);
  EXPECT_EQ(t.lines, (std::vector<std::string>{"seg 255,0,0", "poly 0,255,0", "point 0,0,255",
                                               "circle 0,255,255", "circle 0,255,255 filled",
                                               "text 0,128,0"}));

  // Refused input leaves the list as it was.
  EXPECT_THROW(list.append(vcPtrHandle_const<vcGraphic>()), vcBadParamsError);
  EXPECT_THROW(list.graphic(6), vcBadParamsError);
  EXPECT_THROW(vcGraphicSimple<vcLineSeg>(vcLineSeg(vcVector<2>(kNaN, 0), vcVector<2>(1, 1)),
                                          vcColor::red()),
               vcBadParamsError);
  EXPECT_THROW(vcGraphicSimple<vcPolygon>(vcPolygon(), vcColor::red()), vcBadParamsError);
  EXPECT_EQ(list.size(), 6);

  // The tablet refuses the same and records nothing.
  vcUISketch sketch;
  vcUITablet tablet(sketch);
  EXPECT_THROW(tablet.drawPixel(vcVector<2>(kNaN, 1), vcColor::red()), vcBadParamsError);
  EXPECT_THROW(tablet.draw(vcPolygon(), vcColor::red()), vcBadParamsError);
  EXPECT_EQ(sketch.size(), 0);
}
