#pragma once

// Images: rectangular windows onto shared, row-aligned pixel storage.
//
// vcPelBuffer<T> is a writable image, vcPelBuffer_const<T> a read-only one; a
// vcPelBuffer converts to a vcPelBuffer_const (it derives from it). Both are
// views: copying one, or taking a window of it, shares the pixels. The storage
// (the "root") is freed with its last view. vfPelCopy (pel_ops.h) makes a deep
// copy. T is an arithmetic pixel type: unsigned char for grey images,
// int32_t for edgelet-map cells, uint16_t for labels, double for real maps.
//
//   vcPelBuffer<unsigned char> image(640, 480, 32);   // zero pixels
//   image.clientFromImageXform(clientFromImage);       // pixels -> mm
//   vcPelBuffer<unsigned char> roi = image.window(100, 50, 200, 100);
//   for (long y = 0; y < roi.height(); ++y) {
//     unsigned char* row = roi.pointToRow(y);
//     for (long x = 0; x < roi.width(); ++x) row[x] = ...;
//   }
//
// Coordinates. A window's pixels are addressed by column and row relative to
// the window, (0, 0) to (width() - 1, height() - 1): get, put, pointToRow and
// pointToPel take such positions. Each window also has an offset(): its pixel
// (c, r) is pixel (offset().x() + c, offset().y() + r) in image coordinates.
// The centre of image pixel (i, j) lies at (i + 0.5, j + 0.5) and its square
// spans [i, i + 1) x [j, j + 1). A new buffer has offset (0, 0); a window
// taken with window() or subWindow() gets the image coordinates of its
// pixels in the image it was taken from, so every pixel keeps its image
// coordinates through windowing, and windows keep the client transform of the
// image they come from: a point has the same client coordinates in a window as
// in its root. Setting offset() afterwards moves the image coordinates of the
// window alone (the pixels stay where they are).
//
// Client coordinates are the user's units: clientFromImageXform() maps image
// coordinates to them, imageFromClientXform() is its inverse.
//
// Constness of a view is shallow, like that of a pointer: a const
// vcPelBuffer<T> still writes its pixels (so that tools can mark the cells of a
// map they receive by const reference). Read-only access is the job of
// vcPelBuffer_const<T>.
//
// Errors: invalid sizes, positions outside a window, windows reaching outside
// their root and use of an unbound image throw vcBadParamsError and leave the
// image unchanged.

#include <memory>
#include <type_traits>

#include "platform/base/exception.h"
#include "platform/base/pair.h"
#include "platform/base/pel_storage.h"
#include "platform/base/xform.h"

// Asks a new vcPelBuffer for pixels left unset rather than zeroed.
struct vcUnsetPels {};

// A read-only view of pixels. Default construction gives an unbound image:
// no pixels, width and height 0, offset (0, 0), identity transforms.
template <class T>
class vcPelBuffer_const {
  static_assert(std::is_arithmetic_v<T>, "pixels are arithmetic values");
  static_assert((sizeof(T) & (sizeof(T) - 1)) == 0, "pixel size must be a power of two");

 public:
  vcPelBuffer_const() = default;

  // A view onto pixels that the caller owns, such as a host language's array, without a copy:
  // width x height pixels, row y starting rowUpdate pixels after row y - 1, pixels[0] being
  // pixel (0, 0). Rows need no alignment. The view and its copies hold `pixels`, so its owner
  // releases them once the last view is gone; nothing writes through the view.
  // Throws: vcBadParamsError for null pixels, a negative width or height, or rowUpdate below
  // width.
  vcPelBuffer_const(std::shared_ptr<const T> pixels, long width, long height, long rowUpdate)
      : storage_(std::const_pointer_cast<T>(std::move(pixels))),
        stride_(rowUpdate),
        rootSize_(width, height),
        size_(width, height) {
    vc_pel_detail::requireCallerPels(storage_ != nullptr, width, height, rowUpdate);
  }

  // Size of the window in pixels; 0 for an unbound image.
  long width() const { return size_.x(); }
  long height() const { return size_.y(); }

  // True when the view refers to pixel storage (possibly of size 0).
  bool isBound() const { return storage_ != nullptr; }
  // Releases this view's share of the pixels; the image becomes unbound with
  // offset (0, 0) and identity transforms. Other views are unaffected.
  void setUnbound() { *this = vcPelBuffer_const(); }
  // True when this view and other refer to the same root storage.
  bool sharesPixels(const vcPelBuffer_const& other) const {
    return storage_ != nullptr && storage_ == other.storage_;
  }

  // The pixel at column x, row y of the window.
  // Throws: vcBadParamsError when unbound or (x, y) is outside the window.
  T get(long x, long y) const {
    vc_pel_detail::requireBound(isBound(), "vcPelBuffer::get");
    vc_pel_detail::requireInside(x, y, width(), height(), "vcPelBuffer::get");
    return *at_(x, y);
  }

  // Pointer to the first pixel of window row y; pixels of the row follow
  // contiguously, the next row starts rowUpdate() pixels further on. Rows of
  // the root above and below the window may be reached this way as well.
  // Throws: vcBadParamsError when unbound or the row lies outside the root.
  const T* pointToRow(long y) const {
    vc_pel_detail::requireBound(isBound(), "vcPelBuffer::pointToRow");
    vc_pel_detail::requireRowInRoot(y, origin_.y(), rootSize_.y(), "vcPelBuffer::pointToRow");
    return at_(0, y);
  }
  // Pointer to the pixel at column x, row y of the window.
  // Throws: vcBadParamsError when unbound or (x, y) lies outside the root.
  const T* pointToPel(long x, long y) const {
    vc_pel_detail::requireBound(isBound(), "vcPelBuffer::pointToPel");
    vc_pel_detail::requireRowInRoot(y, origin_.y(), rootSize_.y(), "vcPelBuffer::pointToPel");
    vc_pel_detail::requireColumnInRoot(x, origin_.x(), rootSize_.x(), "vcPelBuffer::pointToPel");
    return at_(x, y);
  }
  // Pointer to the window's pixel (0, 0); one past the last root pixel for an
  // empty window at the end of its root.
  // Throws: vcBadParamsError when unbound.
  const T* pointToOffset() const {
    vc_pel_detail::requireBound(isBound(), "vcPelBuffer::pointToOffset");
    return at_(0, 0);
  }
  // Distance in pixels from one row to the next (the root's row stride); 0
  // when unbound.
  long rowUpdate() const { return stride_; }

  // Image coordinates of the window's pixel (0, 0).
  vcPair<long> offset() const { return offset_; }
  // Gives the window's pixel (0, 0) the image coordinates (x, y); the pixels
  // and the client transform are unchanged.
  void offset(long x, long y) { offset_ = vcPair<long>(x, y); }
  void offset(const vcPair<long>& o) { offset_ = o; }
  // Column and row of the window's pixel (0, 0) in the root storage.
  vcPair<long> offsetRoot() const { return origin_; }

  // The window of size (w, h) whose pixel (0, 0) has image coordinates (x, y)
  // in this image; its offset is (x, y).
  // Throws: vcBadParamsError when unbound, w or h is negative, or the window
  // reaches outside the root.
  vcPelBuffer_const window(long x, long y, long w, long h) const {
    const char* op = "vcPelBuffer::window";
    return windowAt_(vcPair<long>(vc_pel_detail::checkedShift(origin_.x(), x, offset_.x(), op),
                                  vc_pel_detail::checkedShift(origin_.y(), y, offset_.y(), op)),
                     w, h, op);
  }
  // The window of size (w, h) whose pixel (0, 0) is pixel (x, y) of the root
  // storage; its offset follows, so image coordinates stay those of this image.
  // Throws: as window().
  vcPelBuffer_const windowRoot(long x, long y, long w, long h) const {
    return windowAt_(vcPair<long>(x, y), w, h, "vcPelBuffer::windowRoot");
  }
  // The window of size (w, h) whose pixel (0, 0) is this window's pixel (x, y).
  // Throws: as window().
  vcPelBuffer_const subWindow(long x, long y, long w, long h) const {
    const char* op = "vcPelBuffer::subWindow";
    return windowAt_(vcPair<long>(vc_pel_detail::checkedShift(origin_.x(), x, 0, op),
                                  vc_pel_detail::checkedShift(origin_.y(), y, 0, op)),
                     w, h, op);
  }

  // Transform from this image's image coordinates to client coordinates;
  // the identity for a new image.
  const vcXform<2>& clientFromImageXform() const { return clientFromImage_; }
  // Throws: vcBadParamsError when clientFromImage is singular or it or its
  // inverse has an element that is not finite (the image is then unchanged).
  void clientFromImageXform(const vcXform<2>& clientFromImage) {
    vcXform<2> imageFromClient = clientFromImage.inverse();
    vc_pel_detail::requireFiniteXforms(clientFromImage, imageFromClient,
                                       "vcPelBuffer::clientFromImageXform");
    clientFromImage_ = clientFromImage;
    imageFromClient_ = imageFromClient;
  }
  // The inverse of clientFromImageXform().
  const vcXform<2>& imageFromClientXform() const { return imageFromClient_; }
  // Throws: as clientFromImageXform.
  void imageFromClientXform(const vcXform<2>& imageFromClient) {
    vcXform<2> clientFromImage = imageFromClient.inverse();
    vc_pel_detail::requireFiniteXforms(clientFromImage, imageFromClient,
                                       "vcPelBuffer::imageFromClientXform");
    clientFromImage_ = clientFromImage;
    imageFromClient_ = imageFromClient;
  }
  // Takes over the client transform of another image (of any pixel type).
  template <class U>
  void copyXforms(const vcPelBuffer_const<U>& other) {
    clientFromImage_ = other.clientFromImageXform();
    imageFromClient_ = other.imageFromClientXform();
  }

 protected:
  // A fresh root of width x height pixels, rows aligned to alignment bytes,
  // zeroed unless zeroed is false.
  vcPelBuffer_const(long width, long height, long alignment, bool zeroed = true)
      : stride_(vc_pel_detail::rowStride(width, height, alignment, sizeof(T))),
        rootSize_(width, height),
        size_(width, height) {
    std::shared_ptr<void> block =
        vc_pel_detail::allocatePels(stride_, height, alignment, sizeof(T), zeroed);
    storage_ = std::shared_ptr<T>(block, static_cast<T*>(block.get()));
  }

  // Pointer arithmetic for window position (x, y), which may lie anywhere in
  // the root; no checks.
  T* at_(long x, long y) const {
    return storage_.get() + (origin_.y() + y) * stride_ + (origin_.x() + x);
  }

  // The window of size (w, h) at root position rootPos, with offset moved by
  // as much as the origin.
  vcPelBuffer_const windowAt_(vcPair<long> rootPos, long w, long h, const char* op) const {
    vc_pel_detail::requireBound(isBound(), op);
    vc_pel_detail::requireWindowInRoot(rootPos.x(), rootPos.y(), w, h, rootSize_.x(), rootSize_.y(),
                                       op);
    vcPelBuffer_const result(*this);
    result.offset_ =
        vcPair<long>(vc_pel_detail::checkedShift(offset_.x(), rootPos.x(), origin_.x(), op),
                     vc_pel_detail::checkedShift(offset_.y(), rootPos.y(), origin_.y(), op));
    result.origin_ = rootPos;
    result.size_ = vcPair<long>(w, h);
    return result;
  }

 private:
  std::shared_ptr<T> storage_;  // root pixel (0, 0); null when unbound
  long stride_ = 0;             // row stride of the root, in pixels
  vcPair<long> rootSize_;       // width and height of the root
  vcPair<long> origin_;         // window pixel (0, 0) in the root
  vcPair<long> size_;           // window width and height
  vcPair<long> offset_;         // image coordinates of window pixel (0, 0)
  vcXform<2> clientFromImage_;
  vcXform<2> imageFromClient_;
};

// A writable view of pixels; see vcPelBuffer_const for coordinates, windows
// and sharing. Default construction gives an unbound image.
template <class T>
class vcPelBuffer : public vcPelBuffer_const<T> {
  using Base = vcPelBuffer_const<T>;

 public:
  vcPelBuffer() = default;
  // A new image of width x height pixels, all 0, with offset (0, 0) and
  // identity transforms; every row starts on an alignment-byte boundary (the
  // library passes 32). Width or height 0 gives a bound, empty image.
  // Throws: vcBadParamsError for a negative width or height or an alignment
  // that is not a power of two in [1, 4096], or more than 2^39 bytes of
  // pixels; std::bad_alloc when memory runs out.
  vcPelBuffer(long width, long height, long alignment = 32) : Base(width, height, alignment) {}
  // The same with pixels left unset, for a caller that writes every pixel before it reads
  // any: it saves a pass over the whole image. The rows' alignment padding stays unset too.
  vcPelBuffer(long width, long height, long alignment, vcUnsetPels)
      : Base(width, height, alignment, false) {}

  // Writes v at column x, row y of the window.
  // Throws: vcBadParamsError when unbound or (x, y) is outside the window.
  void put(long x, long y, T v) const {
    vc_pel_detail::requireBound(this->isBound(), "vcPelBuffer::put");
    vc_pel_detail::requireInside(x, y, this->width(), this->height(), "vcPelBuffer::put");
    *this->at_(x, y) = v;
  }

  // Writable forms of the pointers of vcPelBuffer_const; same contracts.
  T* pointToRow(long y) const { return const_cast<T*>(Base::pointToRow(y)); }
  T* pointToPel(long x, long y) const { return const_cast<T*>(Base::pointToPel(x, y)); }
  T* pointToOffset() const { return const_cast<T*>(Base::pointToOffset()); }

  // Writable forms of the windows of vcPelBuffer_const; same contracts.
  vcPelBuffer window(long x, long y, long w, long h) const {
    return vcPelBuffer(Base::window(x, y, w, h));
  }
  vcPelBuffer windowRoot(long x, long y, long w, long h) const {
    return vcPelBuffer(Base::windowRoot(x, y, w, h));
  }
  vcPelBuffer subWindow(long x, long y, long w, long h) const {
    return vcPelBuffer(Base::subWindow(x, y, w, h));
  }

  void setUnbound() { *this = vcPelBuffer(); }

 private:
  // Only a view that was writable to begin with becomes writable again.
  explicit vcPelBuffer(const Base& view) : Base(view) {}
};
