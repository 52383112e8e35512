#pragma once

// Gaussian smoothing and reduction of an 8-bit image by an integer factor.
//
//   vcPelBuffer<unsigned char> small = vfGaussSample(image, vcGaussSampleParams(2, 3, 1.0, true));
//   // small is about half as wide and high; a scene point has the same client coordinates
//   // in small (through small.clientFromImageXform()) as in image.
//
// Geometry. Reduced pixel (u, v) covers the source pixels [f u, f (u + 1)) x [f v, f (v + 1))
// of the source window, so reduced image coordinate (x, y) is source window coordinate
// (f x, f y). The reduced image is a new root with offset (0, 0); the source window's offset
// and client transform are folded into its client-from-image transform:
//   clientFromReduced = clientFromSource * translate(source offset) * scale(f).
// Pixels of the source beyond the last whole block (width % f columns, height % f rows) have
// no reduced pixel of their own but still feed the smoothing of the last one.
//
// Smoothing. Each reduced pixel is a separable, normalised Gaussian average of the n x n
// source pixels nearest to its centre, n = kernelSize, or kernelSize + 1 when kernelSize and
// the factor differ in parity (so that the taps lie symmetrically about the centre and the
// geometry above stays exact). The standard deviation is sigmaScale * kernelSize / 4 source
// pixels. Taps outside the source window repeat its border pixels.

#include "platform/base/pel_buffer.h"

class vcGaussSampleParams {
 public:
  // factor: reduction factor, >= 1 (1 smooths without reducing).
  // kernelSize: smoothing window width in source pixels, >= 1.
  // sigmaScale: multiplies the standard deviation kernelSize / 4; > 0 and finite.
  // roundToNearest: true rounds each smoothed grey level to the nearest integer, false
  // truncates it.
  // Throws: vcBadParamsError when a value is out of range.
  explicit vcGaussSampleParams(long factor = 1, long kernelSize = 1, double sigmaScale = 1.0,
                               bool roundToNearest = true);

  long factor() const { return factor_; }
  // Throws: vcBadParamsError unless 1 <= factor <= 4096; the params are then unchanged.
  void factor(long factor);

  long kernelSize() const { return kernelSize_; }
  // Throws: vcBadParamsError unless 1 <= kernelSize <= 4096.
  void kernelSize(long kernelSize);

  double sigmaScale() const { return sigmaScale_; }
  // Throws: vcBadParamsError unless sigmaScale is finite and > 0.
  void sigmaScale(double sigmaScale);

  bool roundToNearest() const { return roundToNearest_; }
  void roundToNearest(bool roundToNearest) { roundToNearest_ = roundToNearest; }

 private:
  long factor_ = 1;
  long kernelSize_ = 1;
  double sigmaScale_ = 1.0;
  bool roundToNearest_ = true;
};

// The smoothed image reduced by params.factor(): width() / f by height() / f pixels, offset
// (0, 0), client transform as in the overview, rows aligned to 32 bytes.
// Throws: vcBadParamsError when image is unbound or smaller than the factor in either
// direction (the reduced image would be empty).
vcPelBuffer<unsigned char> vfGaussSample(const vcPelBuffer_const<unsigned char>& image,
                                         const vcGaussSampleParams& params);
