#include <gmock/gmock.h>

#include <string>

#include "io/image_file.h"
#include "io/render_html.h"
#include "io/render_png.h"
#include "io/render_raster.h"
#include "platform/base/circle.h"
#include "platform/base/exception.h"
#include "platform/base/line_seg.h"
#include "platform/base/point.h"
#include "platform/graphics/graphic_simple.h"
#include "platform/graphics/graphic_with_fill.h"
#include "platform/graphics/ui_tablet.h"
#include "temp_path.h"

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
  const std::string path = testpaths::tempPath("render_test_rgb.png");
  vfWriteRgbPng(path, picture);
  const vcPelBuffer<unsigned char> back = vfReadImage(path);
  ASSERT_EQ(back.width(), 7);
  ASSERT_EQ(back.height(), 3);
  EXPECT_EQ(back.get(2, 1), 76);  // luma of pure red
  EXPECT_EQ(back.get(3, 1), 0);

  EXPECT_THROW(vfEncodePng(vcRgbImage()), vcBadParamsError);
  EXPECT_THROW(vfEncodePng(vcPelBuffer_const<unsigned char>()), vcBadParamsError);
  EXPECT_EQ(vfBase64("f"), "Zg==");
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
  EXPECT_EQ(count(html, "no diagnostics records"), 2);
  EXPECT_THAT(html, HasSubstr("data-layer=\"s0-r0-l1\""));
  EXPECT_THAT(html, HasSubstr("id=\"s0-r0-l1\""));
  EXPECT_THAT(html, HasSubstr("Lines (1)"));
  EXPECT_THAT(html, HasSubstr("<li>Line Tracker</li>"));
  EXPECT_THAT(html, HasSubstr("<h2>b &amp; c.png</h2>"));
}

}  // namespace
