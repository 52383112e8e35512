#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "geom_near.h"
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
  for (long w : {1L, 7L, 33L}) {
    vcPelBuffer<TypeParam> image(w, 4, 32);
    for (long y = 0; y < 4; ++y) {
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(image.pointToRow(y)) % 32, 0u) << w;
      for (long x = 0; x < w; ++x) EXPECT_EQ(image.get(x, y), TypeParam(0));
    }
    // Filling a row through its pointer touches no pixel of the next row.
    std::fill_n(image.pointToRow(2), w, TypeParam(9));
    EXPECT_EQ(image.get(w - 1, 2), TypeParam(9));
    EXPECT_EQ(image.get(0, 3), TypeParam(0));
  }
}

TEST(PelBuffer, BadSizesPositionsAndWindowsThrowAndChangeNothing) {
  EXPECT_THROW(vcPelBuffer<unsigned char>(-1, 4, 32), vcBadParamsError);
  EXPECT_THROW(vcPelBuffer<double>(4, 4, 48), vcBadParamsError);
  EXPECT_THROW(vcPelBuffer<unsigned char>(1L << 30, 1L << 30, 32), vcBadParamsError);

  vcPelBuffer<unsigned char> image = numbered(6, 4);
  EXPECT_THROW(image.get(6, 0), vcBadParamsError);
  vcPelBuffer<unsigned char> inner = image.window(1, 1, 4, 2);
  EXPECT_THROW(image.windowRoot(-1, 0, 2, 2), vcBadParamsError);
  EXPECT_THROW(inner.subWindow(0, 0, 6, 1), vcBadParamsError);
  EXPECT_THROW(inner.window(1L << 62, 0, 1, 1), vcBadParamsError);
  EXPECT_EQ(inner.offset(), vcPair<long>(1, 1));

  // A window may reach the rows of its root around it, not beyond.
  EXPECT_EQ(inner.pointToRow(-1)[0], image.get(1, 0));
  EXPECT_THROW(inner.pointToRow(-2), vcBadParamsError);
  EXPECT_THROW(inner.pointToPel(5, 0), vcBadParamsError);

  image.setUnbound();
  EXPECT_THROW(image.get(0, 0), vcBadParamsError);
  EXPECT_THROW(image.window(0, 0, 0, 0), vcBadParamsError);
  EXPECT_EQ(inner.get(0, 0), 1 + 16);  // the window keeps the pixels alive
}

TEST(PelBuffer, WindowsShareThePixelsAndKeepImageAndClientCoordinates) {
  vcPelBuffer<unsigned char> root = numbered(10, 8);
  vcPelBuffer<unsigned char> w = root.window(2, 3, 5, 4);
  // Given in offset coordinates, relative to the window, and in the root.
  for (const auto& v : {w.window(4, 5, 2, 2), w.subWindow(2, 2, 2, 2), w.windowRoot(4, 5, 2, 2)}) {
    EXPECT_EQ(v.get(1, 1), 5 + 16 * 6);
    EXPECT_EQ(v.offset(), vcPair<long>(4, 5));
  }

  // Once a window has its own offset, its windows follow it and windowRoot
  // keeps the two consistent.
  w.offset(100, 200);
  vcPelBuffer<unsigned char> d = w.window(101, 201, 3, 1);
  EXPECT_EQ(d.get(0, 0), 3 + 16 * 4);
  EXPECT_EQ(w.windowRoot(0, 0, 1, 1).offset(), vcPair<long>(98, 197));

  // Copies share too; empty windows are allowed up to the root's edge.
  vcPelBuffer<unsigned char> copy = root;
  d.put(1, 0, 255);
  EXPECT_EQ(copy.get(4, 4), 255);
  EXPECT_EQ(root.window(10, 0, 0, 8).pointToRow(7), root.pointToRow(7) + 10);

  // Pixel (1, 1) of a window of a window of the root at offset (7, 11) is root pixel (4, 3):
  // its centre maps to one client point either way, and back.
  const vcXform<2> clientFromImage(vcVector<2>(5, -3), vcRadian(0.3), vcRadian(0.3), 0.25, 0.25);
  root.clientFromImageXform(clientFromImage);
  root.offset(7, 11);
  const vcPelBuffer<unsigned char> v = root.window(8, 12, 8, 6).subWindow(2, 1, 4, 4);
  EXPECT_EQ(v.get(1, 1), 4 + 16 * 3);
  const vcVector<2> image(v.offset().x() + 1.5, v.offset().y() + 1.5);
  EXPECT_THAT(v.clientFromImageXform().mapPoint(image),
              NearVec(clientFromImage.mapPoint(vcVector<2>(7 + 4.5, 11 + 3.5)), 1e-12));
  EXPECT_THAT(v.imageFromClientXform().mapPoint(clientFromImage.mapPoint(image)),
              NearVec(image, 1e-9));

  // A singular transform is refused and the image keeps its own.
  const vcXform<2> flat(vcMatrix<2>::fromElements(1, 2, 2, 4), vcVector<2>(0, 0));
  EXPECT_THROW(root.imageFromClientXform(flat), vcBadParamsError);
  EXPECT_EQ(root.clientFromImageXform(), clientFromImage);
}

TEST(PelBuffer, ViewOntoCallerPixelsReadsThemInPlaceAndHoldsTheirOwner) {
  // Rows of 5 pixels, 7 apart, the last row without padding after it.
  auto pixels = std::make_shared<std::vector<unsigned char>>(7 * 2 + 5);
  for (std::size_t k = 0; k < pixels->size(); ++k) (*pixels)[k] = static_cast<unsigned char>(k);
  const unsigned char* first = pixels->data();
  vcPelBuffer_const<unsigned char> view(std::shared_ptr<const unsigned char>(pixels, first), 5, 3,
                                        7);
  pixels.reset();  // the view keeps the vector alive
  EXPECT_EQ(view.pointToRow(2), first + 14);
  EXPECT_EQ(view.get(4, 2), 18);
  EXPECT_THROW(view.get(5, 0), vcBadParamsError);  // the gap between rows is not the image's
  EXPECT_EQ(view.window(1, 1, 4, 2).get(3, 1), 18);

  const std::shared_ptr<const unsigned char> none;
  EXPECT_THROW(vcPelBuffer_const<unsigned char>(none, 1, 1, 1), vcBadParamsError);
  EXPECT_THROW(vcPelBuffer_const<unsigned char>(std::make_shared<unsigned char>(0), 4, 1, 3),
               vcBadParamsError);
}

}  // namespace
