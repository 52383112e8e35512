// Diagnostics records: images shared or copied, graphic lists and sketches in
// recording order, the recording-destination rules and labelled image records.

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/base/exception.h"
#include "platform/base/xform.h"
#include "platform/diag/diag_object.h"
#include "platform/graphics/graphic_simple.h"
#include "platform/graphics/ui_tablet.h"

namespace {

// A 12 x 8 image, dark with a light vertical bar in columns 4..6, whose
// client coordinates are millimetres at 0.5 mm per pixel shifted by (10, 20).
vcPelBuffer<unsigned char> barImage() {
  vcPelBuffer<unsigned char> image(12, 8, 32);
  for (long y = 0; y < 8; ++y)
    for (long x = 0; x < 12; ++x) image.put(x, y, (x >= 4 && x <= 6) ? 200 : 20);
  image.clientFromImageXform(
      vcXform<2>(vcVector<2>(10, 20), vcRadian(0.0), vcRadian(0.0), 0.5, 0.5));
  return image;
}

}  // namespace

TEST(DiagObject, RecordingDestinationAndCategories) {
  vcDiagObject diag;
  EXPECT_EQ(vcDiagObject::getRecordingDestination(nullptr, 0x70000), nullptr);
  EXPECT_EQ(vcDiagObject::getRecordingDestination(&diag, 0), nullptr);
  EXPECT_EQ(vcDiagObject::getRecordingDestination(&diag, 0x20000), &diag);
  // Any non-zero flags word gives the destination, even without a known category.
  EXPECT_EQ(vcDiagObject::getRecordingDestination(&diag, 1), &diag);

  EXPECT_TRUE(vcDiagObject::shouldRecord(0x10000, vcDiagObject::eInputs));
  EXPECT_FALSE(vcDiagObject::shouldRecord(0x10000, vcDiagObject::eResults));
  EXPECT_FALSE(vcDiagObject::shouldRecord(0x30000, vcDiagObject::eEdgelets));
  EXPECT_FALSE(vcDiagObject::shouldRecord(0xffffffffUL, 0));
}

TEST(DiagRecord, KeepsImageSharedOrCopiedWithItsTransformAndOffset) {
  vcPelBuffer<unsigned char> image = barImage();
  const vcPelBuffer_const<unsigned char> window = image.window(2, 1, 8, 6);

  vcDiagObject diag;
  vcDiagRecord& shared = diag.newDiagRecord();
  shared.image(window, false);
  vcDiagRecord& copied = diag.newDiagRecord();
  copied.image(window, true, L"Bar");

  // Paint over the bar after recording: only the shared view sees it.
  image.put(5, 3, 0);
  EXPECT_EQ(shared.image().get(3, 2), 0);
  EXPECT_EQ(copied.image().get(3, 2), 200);
  EXPECT_EQ(copied.image().get(0, 0), 20);

  // Both keep the window's place in image coordinates and its client transform.
  for (const vcDiagRecord* r : {&shared, &copied}) {
    EXPECT_EQ(r->image().width(), 8);
    EXPECT_EQ(r->image().offset(), vcPair<long>(2, 1));
    const vcVector<2> mm = r->image().clientFromImageXform().mapPoint(vcVector<2>(2.5, 1.5));
    EXPECT_DOUBLE_EQ(mm.x(), 11.25);
    EXPECT_DOUBLE_EQ(mm.y(), 20.75);
  }

  // An unbound image is refused and the earlier image stays.
  EXPECT_THROW(copied.image(vcPelBuffer_const<unsigned char>(), true), vcBadParamsError);
  EXPECT_EQ(copied.image().get(3, 2), 200);
  EXPECT_EQ(copied.imageLabel(), L"Bar");
}

TEST(DiagRecord, KeepsGraphicsAndSketchesInRecordingOrder) {
  vcDiagObject diag;
  vcDiagRecord& rec = diag.newDiagRecord();
  rec.recordAnnotation(L"Line Tracker");

  vcUISketch edgelets;
  vcUITablet(edgelets).drawPixel(vcVector<2>(4.5, 3.5), vcColor::green());
  rec.sketch(edgelets, 2, L"Edgelets");

  vcGraphicList models;
  models.append(
      vcGraphicSimple<vcLineSeg>(vcLineSeg(vcVector<2>(0, 0), vcVector<2>(3, 0)), vcColor::cyan()));
  rec.graphics(models, vcDiagRecord::eImageCoords, L"Trained Model (Boundary)");
  rec.recordAnnotation(L"FAILURE.  Error code: 1");

  // A later drawing into the caller's sketch does not reach the record.
  vcUITablet(edgelets).drawPixel(vcVector<2>(5.5, 3.5), vcColor::green());

  // Bad coordinate systems are refused without adding an entry.
  EXPECT_THROW(rec.graphics(models, 0, L"Bad"), vcBadParamsError);
  EXPECT_THROW(rec.sketch(edgelets, 3, L"Bad"), vcBadParamsError);

  ASSERT_EQ(rec.entries().size(), 2u);
  const vcDiagEntry& first = rec.entries()[0];
  EXPECT_TRUE(first.isSketch());
  EXPECT_EQ(first.coordinateSystem(), vcDiagRecord::eClientCoords);  // code 2
  EXPECT_EQ(first.sketch().size(), 1);
  EXPECT_THROW(first.graphics(), vcBadParamsError);
  EXPECT_EQ(rec.entries()[1].label(), L"Trained Model (Boundary)");

  ASSERT_EQ(rec.annotations().size(), 2u);
  EXPECT_EQ(rec.annotations()[1], L"FAILURE.  Error code: 1");
}

TEST(DiagObject, RecordsStayAddressableAndImageRecordsAreLabelled) {
  vcDiagObject diag;
  vcDiagRecord& first = diag.newDiagRecord();
  first.recordAnnotation(L"Inputs");
  // Many later records must not move the first one (a tool may still hold it).
  for (int i = 0; i < 100; ++i) diag.newDiagRecord();
  EXPECT_EQ(&diag.diagRecord(0), &first);
  EXPECT_EQ(diag.diagRecord(0).annotations()[0], L"Inputs");
  EXPECT_THROW(diag.diagRecord(101), vcBadParamsError);
  EXPECT_THROW(std::as_const(diag).diagRecord(-1), vcBadParamsError);

  // An image record is a copy, added only when some flag is set.
  vcDiagObject images;
  vcPelBuffer<unsigned char> image = barImage();
  vfSMDAddImage(nullptr, 0x10000, image, L"Median");
  vfSMDAddImage(&images, 0, image, L"Median");
  EXPECT_THROW(vfSMDAddImage(&images, 0x10000, vcPelBuffer_const<unsigned char>(), L"None"),
               vcBadParamsError);
  vfSMDAddImage(&images, 0x10000, image, L"Median");
  image.put(5, 0, 0);
  ASSERT_EQ(images.numRecords(), 1);
  EXPECT_EQ(images.diagRecord(0).imageLabel(), L"Median");
  EXPECT_EQ(images.diagRecord(0).image().get(5, 0), 200);
}
