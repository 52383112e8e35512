#include <gtest/gtest.h>

#include <cstdint>
#include <numbers>

#include "platform/base/pel_buffer.h"

namespace {

// A root of w x h pixels whose value encodes its root position: x + 16 y.
vcPelBuffer<unsigned char> numbered(long w, long h) {
  vcPelBuffer<unsigned char> image(w, h, 32);
  for (long y = 0; y < h; ++y)
    for (long x = 0; x < w; ++x) image.put(x, y, static_cast<unsigned char>(x + 16 * y));
  return image;
}

template <class T>
class PelBufferTyped : public ::testing::Test {};
using PelTypes = ::testing::Types<unsigned char, int32_t, double>;
TYPED_TEST_SUITE(PelBufferTyped, PelTypes);

TYPED_TEST(PelBufferTyped, NewPixelsAreZeroAndRowsAlignedAndSeparate) {
  for (long w : {1L, 7L, 13L, 33L}) {
    vcPelBuffer<TypeParam> image(w, 5, 32);
    EXPECT_GE(image.rowUpdate(), w);
    for (long y = 0; y < 5; ++y) {
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(image.pointToRow(y)) % 32, 0u) << w << " " << y;
      for (long x = 0; x < w; ++x) EXPECT_EQ(image.get(x, y), TypeParam(0));
    }
    // Filling a row through its pointer touches no pixel of the next row.
    TypeParam* row = image.pointToRow(2);
    for (long x = 0; x < w; ++x) row[x] = TypeParam(9);
    EXPECT_EQ(image.get(w - 1, 2), TypeParam(9));
    EXPECT_EQ(image.get(0, 3), TypeParam(0));
    EXPECT_EQ(image.pointToPel(w - 1, 3), image.pointToRow(3) + (w - 1));
  }
}

TEST(PelBuffer, BadSizesPositionsAndUnboundImagesThrow) {
  EXPECT_THROW(vcPelBuffer<unsigned char>(-1, 4, 32), vcBadParamsError);
  EXPECT_THROW(vcPelBuffer<unsigned char>(4, -1, 32), vcBadParamsError);
  for (long alignment : {0L, 3L, 48L, 8192L})
    EXPECT_THROW(vcPelBuffer<double>(4, 4, alignment), vcBadParamsError) << alignment;
  EXPECT_THROW(vcPelBuffer<unsigned char>(1L << 31, 1, 32), vcBadParamsError);
  EXPECT_THROW(vcPelBuffer<unsigned char>(1L << 30, 1L << 30, 32), vcBadParamsError);

  vcPelBuffer<unsigned char> image = numbered(6, 4);
  EXPECT_THROW(image.get(-1, 0), vcBadParamsError);
  EXPECT_THROW(image.get(6, 0), vcBadParamsError);
  EXPECT_THROW(image.put(0, 4, 1), vcBadParamsError);
  EXPECT_THROW(image.pointToRow(4), vcBadParamsError);
  EXPECT_THROW(image.pointToPel(6, 0), vcBadParamsError);

  // Windows reaching outside the root throw, however they are given, and
  // leave the image as it was.
  vcPelBuffer<unsigned char> inner = image.window(1, 1, 4, 2);
  EXPECT_THROW(image.window(3, 0, 4, 1), vcBadParamsError);
  EXPECT_THROW(image.windowRoot(-1, 0, 2, 2), vcBadParamsError);
  EXPECT_THROW(inner.subWindow(0, 0, 6, 1), vcBadParamsError);
  EXPECT_THROW(inner.window(0, 0, 2, -1), vcBadParamsError);
  EXPECT_THROW(inner.window(1L << 62, 0, 1, 1), vcBadParamsError);
  EXPECT_EQ(inner.offset(), vcPair<long>(1, 1));
  EXPECT_EQ(inner.width(), 4);

  // A window may reach the rows of its root around it, not beyond.
  EXPECT_EQ(inner.pointToRow(-1)[0], image.get(1, 0));
  EXPECT_THROW(inner.pointToRow(-2), vcBadParamsError);
  EXPECT_THROW(inner.pointToPel(-2, 0), vcBadParamsError);

  vcPelBuffer<unsigned char> unbound;
  EXPECT_THROW(unbound.get(0, 0), vcBadParamsError);
  EXPECT_THROW(unbound.pointToOffset(), vcBadParamsError);
  EXPECT_THROW(unbound.window(0, 0, 0, 0), vcBadParamsError);
  image.setUnbound();
  EXPECT_FALSE(image.isBound());
  EXPECT_EQ(inner.get(0, 0), 1 + 16);  // the window keeps the pixels alive
}

TEST(PelBuffer, WindowsAddressTheRightPixelsAndKeepImageCoordinates) {
  vcPelBuffer<unsigned char> root = numbered(10, 8);
  vcPelBuffer<unsigned char> w = root.window(2, 3, 5, 4);
  EXPECT_EQ(w.get(0, 0), 2 + 16 * 3);
  EXPECT_EQ(w.offsetRoot(), vcPair<long>(2, 3));

  // Given in offset coordinates, relative to the window, and in the root.
  vcPelBuffer<unsigned char> a = w.window(4, 5, 2, 2);
  vcPelBuffer<unsigned char> b = w.subWindow(2, 2, 2, 2);
  vcPelBuffer<unsigned char> c = w.windowRoot(4, 5, 2, 2);
  for (const auto& v : {a, b, c}) {
    EXPECT_EQ(v.get(1, 1), 5 + 16 * 6);
    EXPECT_EQ(v.offset(), vcPair<long>(4, 5));
    EXPECT_EQ(v.offsetRoot(), vcPair<long>(4, 5));
  }

  // Once a window has its own offset, its windows follow it and windowRoot
  // keeps the two consistent.
  w.offset(100, 200);
  vcPelBuffer<unsigned char> d = w.window(101, 201, 3, 1);
  EXPECT_EQ(d.get(0, 0), 3 + 16 * 4);
  EXPECT_EQ(d.offset(), vcPair<long>(101, 201));
  EXPECT_EQ(w.windowRoot(0, 0, 1, 1).offset(), vcPair<long>(98, 197));

  // Empty windows are allowed up to the root's edge.
  EXPECT_EQ(root.window(10, 8, 0, 0).width(), 0);
  EXPECT_EQ(root.window(10, 0, 0, 8).pointToRow(7), root.pointToRow(7) + 10);
}

TEST(PelBuffer, WindowsAndRootAgreeOnClientCoordinates) {
  vcPelBuffer<unsigned char> root(40, 30, 32);
  const vcXform<2> clientFromImage(vcVector<2>(5.0, -3.0), vcRadian(0.3), vcRadian(0.3), 0.25,
                                   0.25);
  root.clientFromImageXform(clientFromImage);
  root.offset(7, 11);

  // The centre of window pixel (c, r) and of the same root pixel map to one
  // client point, and back.
  const vcPelBuffer<unsigned char> w = root.window(20, 25, 10, 8).subWindow(3, 2, 4, 4);
  for (long r = 0; r < w.height(); ++r)
    for (long c = 0; c < w.width(); ++c) {
      const vcPair<long> inRoot = w.offsetRoot() - root.offsetRoot() + vcPair<long>(c, r);
      const vcVector<2> viaWindow = w.clientFromImageXform().mapPoint(
          vcVector<2>(w.offset().x() + c + 0.5, w.offset().y() + r + 0.5));
      const vcVector<2> viaRoot = root.clientFromImageXform().mapPoint(
          vcVector<2>(root.offset().x() + inRoot.x() + 0.5, root.offset().y() + inRoot.y() + 0.5));
      EXPECT_NEAR(viaWindow.distance(viaRoot), 0.0, 1e-12);
      const vcVector<2> back = w.imageFromClientXform().mapPoint(viaWindow);
      EXPECT_NEAR(back.x(), w.offset().x() + c + 0.5, 1e-9);
      EXPECT_NEAR(back.y(), w.offset().y() + r + 0.5, 1e-9);
    }

  // A singular transform is refused and the image keeps its own.
  const vcXform<2> flat(vcMatrix<2>::fromElements(1, 2, 2, 4), vcVector<2>(0, 0));
  EXPECT_THROW(root.clientFromImageXform(flat), vcBadParamsError);
  EXPECT_THROW(root.imageFromClientXform(flat), vcBadParamsError);
  EXPECT_EQ(root.clientFromImageXform(), clientFromImage);

  // Transforms carry across pixel types.
  vcPelBuffer<int32_t> cells(40, 30, 32);
  cells.copyXforms(root);
  EXPECT_EQ(cells.imageFromClientXform(), root.imageFromClientXform());
}

TEST(PelBuffer, CopiesAndWindowsSharePixels) {
  vcPelBuffer<double> image(4, 3, 32);
  vcPelBuffer<double> copy = image;
  vcPelBuffer_const<double> view = image.window(1, 1, 2, 2);
  copy.put(2, 2, 1.5);
  EXPECT_EQ(image.get(2, 2), 1.5);
  EXPECT_EQ(view.get(1, 1), 1.5);
  EXPECT_TRUE(view.sharesPixels(image));
  EXPECT_FALSE(view.sharesPixels(vcPelBuffer<double>(4, 3, 32)));

  // Unbinding one view leaves the others bound, with their own offsets.
  copy.offset(9, 9);
  copy.setUnbound();
  EXPECT_EQ(copy.offset(), vcPair<long>(0, 0));
  EXPECT_TRUE(image.isBound());
  EXPECT_EQ(image.offset(), vcPair<long>(0, 0));
}

}  // namespace
