#include <gmock/gmock.h>

#include <string>

#include "io/image_file.h"
#include "io/render_html.h"
#include "io/render_png.h"
#include "io/render_raster.h"
#include "io/render_svg.h"
#include "platform/base/circle.h"
#include "platform/base/exception.h"
#include "platform/base/line_seg.h"
#include "platform/base/point.h"
#include "platform/graphics/graphic_simple.h"
#include "platform/graphics/graphic_text.h"
#include "platform/graphics/graphic_with_fill.h"
#include "platform/graphics/ui_tablet.h"

namespace {

using ::testing::HasSubstr;

using V = vcVector<2>;

long count(const std::string& text, const std::string& what) {
  long n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// A 40 x 20 window at image offset (100, 50) of a mid-grey image, whose client
// coordinates are twice the image coordinates plus (1000, 2000).
vcPelBuffer<unsigned char> clientImage() {
  vcPelBuffer<unsigned char> root(200, 100);
  for (long y = 0; y < root.height(); ++y)
    for (long x = 0; x < root.width(); ++x) root.put(x, y, 100);
  vcPelBuffer<unsigned char> window = root.window(100, 50, 40, 20);
  window.clientFromImageXform(
      vcXform<2>(vcMatrix<2>::fromElements(2.0, 0.0, 0.0, 2.0), V(1000.0, 2000.0)));
  return window;
}

// Client point of display point d for clientImage(): image = d + offset.
V client(const V& d) { return (d + V(100.0, 50.0)) * 2.0 + V(1000.0, 2000.0); }

TEST(RenderSvg, MapsClientAndImageGraphicsIntoTheWindow) {
  vcDiagRecord rec;
  rec.image(clientImage(), false);
  // Client graphics: a segment, a filled circle, a point and a text.
  vcGraphicList list;
  list.append(vcGraphicSimple<vcLineSeg>(vcLineSeg(client(V(2, 3)), client(V(12.5, 3))),
                                         vcGraphicProps(vcColor::red(), 3)));
  list.append(vcGraphicWithFill<vcCircle, vcEllipse2>(
      vcCircle(client(V(20, 10)), 8.0), vcGraphicProps(vcColor::green()), vcColor::blue()));
  list.append(vcGraphicSimple<vcPoint>(vcPoint(client(V(5.5, 5.5))), vcColor::cyan()));
  list.append(vcGraphicText(L"a<b & c", client(V(30, 4)), vcColor::white(), vcColor::pass(),
                            vcUIFormat(4), vcPair<long>(0, 0)));
  rec.graphics(list, vcDiagRecord::eClientCoords, L"Lines \"<1>\"");
  // An image-coordinate sketch drawn layer 1 first, then layer 0.
  vcUISketch sketch;
  vcUITablet tablet(sketch);
  tablet.drawPixel(V(110.5, 60.5), vcColor::yellow(), 1);
  tablet.drawPixel(V(101.5, 51.5), vcColor::orange(), 0);
  rec.sketch(sketch, vcDiagRecord::eImageCoords, L"Pixels");

  const std::string svg = vfRecordSvg(rec, false);
  EXPECT_THAT(svg, HasSubstr("width=\"40\" height=\"20\" viewBox=\"0 0 40 20\""));
  EXPECT_EQ(count(svg, "<g class=\"layer\""), 2);
  EXPECT_EQ(count(svg, "<image"), 0);
  // Client coordinates come back to the window's pixels; the radius halves.
  EXPECT_THAT(svg, HasSubstr("<line x1=\"2\" y1=\"3\" x2=\"12.5\" y2=\"3\" fill=\"none\" "
                             "stroke=\"#ff0000\" stroke-width=\"3\""));
  EXPECT_THAT(svg, HasSubstr("<circle cx=\"20\" cy=\"10\" r=\"4\" fill=\"#0000ff\""));
  // A client point is one client pixel: half a display pixel.
  EXPECT_THAT(svg, HasSubstr("<rect x=\"5.25\" y=\"5.25\" width=\"0.5\""));
  // Labels and texts are escaped.
  EXPECT_THAT(svg, HasSubstr("data-label=\"Lines &quot;&lt;1&gt;&quot;\""));
  EXPECT_THAT(svg, HasSubstr(">a&lt;b &amp; c</text>"));
  // Sketch layers paint bottom up: the orange pixel of layer 0 comes first.
  const std::size_t orange =
      svg.find("<rect x=\"1\" y=\"1\" width=\"1\" height=\"1\" fill=\"#ffa500\"");
  const std::size_t yellow =
      svg.find("<rect x=\"10\" y=\"10\" width=\"1\" height=\"1\" fill=\"#ffff00\"");
  ASSERT_NE(yellow, std::string::npos);
  EXPECT_LT(orange, yellow);  // also fails when the orange pixel is missing
  // With the image, one embedded PNG.
  EXPECT_EQ(count(vfRecordSvg(rec, true), "<image width=\"40\" height=\"20\""), 1);
}

TEST(RenderSvg, StretchedClientCirclesBecomeTransformedCirclesAndBareRecordsFitTheirGraphics) {
  // Client x is 2 image pixels per unit, y 1: a client circle is a wide ellipse.
  vcPelBuffer<unsigned char> image(30, 30);
  image.clientFromImageXform(vcXform<2>(vcMatrix<2>::fromElements(0.5, 0.0, 0.0, 1.0), V(0, 0)));
  vcDiagRecord rec;
  rec.image(image, false);
  vcUISketch sketch;
  vcUITablet(sketch).drawCircle(vcCircle(V(5, 10), 4.0), vcColor::red());
  rec.sketch(sketch, vcDiagRecord::eClientCoords, L"Circle");
  EXPECT_THAT(vfRecordSvg(rec, false), HasSubstr("r=\"1\" transform=\"matrix(8 0 0 4 10 10)\""));

  // Without an image the graphics are drawn as given, in a box from (0, 0).
  vcDiagRecord bare;
  vcGraphicList list;
  list.append(vcGraphicSimple<vcLineSeg>(vcLineSeg(V(1, 2), V(30.2, 7)), vcColor::red()));
  bare.graphics(list, vcDiagRecord::eClientCoords, L"Segments");
  EXPECT_EQ(vfDisplaySize(bare), vcPair<long>(31, 7));
  EXPECT_THAT(vfRecordSvg(bare, true), HasSubstr("<line x1=\"1\" y1=\"2\" x2=\"30.2\" y2=\"7\""));
}

TEST(RenderRaster, PaintsGraphicsAtTheirPixelsAndZoomsTheImage) {
  vcDiagRecord rec;
  rec.image(clientImage(), false);
  vcGraphicList list;
  // A horizontal red segment along display row 5 from x 2 to 12.
  list.append(
      vcGraphicSimple<vcLineSeg>(vcLineSeg(client(V(2, 5.5)), client(V(12, 5.5))), vcColor::red()));
  list.append(vcGraphicWithFill<vcCircle, vcEllipse2>(
      vcCircle(client(V(30, 10)), 8.0), vcGraphicProps(vcColor::green()), vcColor::blue()));
  rec.graphics(list, vcDiagRecord::eClientCoords, L"Shapes");

  const vcRgbImage one = vfRenderRecord(rec, 1);
  ASSERT_EQ(one.width(), 40);
  ASSERT_EQ(one.height(), 20);
  EXPECT_EQ(one.at(7, 5), vcColor::red());
  EXPECT_EQ(one.at(7, 7), vcColor(100));        // the image, untouched
  EXPECT_EQ(one.at(30, 10), vcColor::blue());   // inside the filled circle
  EXPECT_EQ(one.at(34, 10), vcColor::green());  // its outline, radius 4

  const vcRgbImage three = vfRenderRecord(rec, 3);
  ASSERT_EQ(three.height(), 60);
  EXPECT_EQ(three.at(21, 16), vcColor::red());
  EXPECT_EQ(three.at(21, 22), vcColor(100));

  EXPECT_THROW(vfRenderRecord(rec, 0), vcBadParamsError);
  EXPECT_THROW(vfRenderRecord(rec, 17), vcBadParamsError);
  EXPECT_THROW(vcRgbImage(1 << 14, 1 << 13), vcBadParamsError);
  EXPECT_THROW(one.at(40, 0), vcBadParamsError);

  // Graphics far outside the picture are clipped, not a crash.
  vcDiagRecord far;
  far.image(clientImage(), false);
  vcGraphicList wild;
  wild.append(vcGraphicSimple<vcLineSeg>(vcLineSeg(V(-1e300, 3), V(1e300, 3)), vcColor::red()));
  wild.append(vcGraphicSimple<vcPoint>(vcPoint(V(1e200, -1e200)), vcColor::red()));
  far.graphics(wild, vcDiagRecord::eClientCoords, L"Wild");
  EXPECT_NO_THROW(vfRenderRecord(far, 2));
}

TEST(RenderPng, RoundTripsThroughTheFileReaderAndEncodesBase64) {
  vcRgbImage picture(7, 3);
  picture.set(2, 1, vcColor::red());
  const std::string path = ::testing::TempDir() + "render_test_rgb.png";
  vfWriteRgbPng(path, picture);
  const vcPelBuffer<unsigned char> back = vfReadImage(path);
  ASSERT_EQ(back.width(), 7);
  ASSERT_EQ(back.height(), 3);
  EXPECT_EQ(back.get(2, 1), 76);  // luma of pure red
  EXPECT_EQ(back.get(3, 1), 0);

  EXPECT_THROW(vfEncodePng(vcRgbImage()), vcBadParamsError);
  EXPECT_THROW(vfEncodePng(vcPelBuffer_const<unsigned char>()), vcBadParamsError);
  EXPECT_EQ(vfBase64(""), "");
  EXPECT_EQ(vfBase64("f"), "Zg==");
  EXPECT_EQ(vfBase64("fo"), "Zm8=");
  EXPECT_EQ(vfBase64(std::string("\xff\x00\x80", 3)), "/wCA");
}

TEST(RenderHtml, OneCheckboxPerLayerAndOneSectionPerObject) {
  vcDiagObject diag;
  vcDiagRecord& first = diag.newDiagRecord();
  first.image(clientImage(), false);
  first.recordAnnotation(L"Line Tracker");
  vcUISketch sketch;
  vcUITablet(sketch).drawPixel(client(V(3, 3)), vcColor::green());
  first.sketch(sketch, vcDiagRecord::eClientCoords, L"Edgelets");
  vcGraphicList list;
  list.append(
      vcGraphicSimple<vcLineSeg>(vcLineSeg(client(V(1, 1)), client(V(9, 9))), vcColor::red()));
  first.graphics(list, vcDiagRecord::eClientCoords, L"Lines");
  diag.newDiagRecord().recordAnnotation(L"No input segments");
  vcDiagObject empty;

  const std::string html =
      vfRenderDiagHtml("t<1>", {{"a.png", &diag}, {"b & c.png", &empty}, {"none", nullptr}});
  EXPECT_EQ(count(html, "type=\"checkbox\""), 2);
  EXPECT_EQ(count(html, "<svg "), 1);
  EXPECT_EQ(count(html, "<article"), 2);
  EXPECT_EQ(count(html, "no diagnostics records"), 2);
  EXPECT_THAT(html, HasSubstr("data-layer=\"s0-r0-l1\""));
  EXPECT_THAT(html, HasSubstr("id=\"s0-r0-l1\""));
  EXPECT_THAT(html, HasSubstr("Lines (1)"));
  EXPECT_THAT(html, HasSubstr("<li>Line Tracker</li>"));
  EXPECT_THAT(html, HasSubstr("<h2>b &amp; c.png</h2>"));
  EXPECT_THAT(html, HasSubstr("<title>t&lt;1&gt;</title>"));
  EXPECT_THAT(html, HasSubstr("data:image/png;base64,iVBORw0KGgo"));
}

}  // namespace
