#pragma once

// vc2XformBase: the abstract, persistent, shareable 2-D transform (possibly nonlinear), known by
// how it maps points and by its local linear transform at a point. vc2XformLinear: its affine
// kind, a vcXform<2> with the same decomposition (see platform/base/xform.h).
//
//   vc2XformLinear pose(vcVector<2>(10, 5), vcRadian(0.2), vcRadian(0.2), 1.5, 1.5);
//   vcPtrHandle_const<vc2XformBase> start(new vc2XformLinear(pose));
//   vcVector<2> q = start->mapPoint(p);
//   vcXform<2> plain = pose.xform();
//   out.writeObject(pose);          // persistent: version byte 0, then six doubles

#include "platform/base/angle.h"
#include "platform/base/handle.h"
#include "platform/base/instantiator.h"
#include "platform/base/persistent.h"
#include "platform/base/vector.h"
#include "platform/base/xform.h"

class vc2XformLinear;

class vc2XformBase : public vcPersistent, public vcRepBase {
 public:
  ~vc2XformBase() override;

  // The image of point p.
  virtual vcVector<2> mapPoint(const vcVector<2>& p) const = 0;
  // The affine transform that best approximates this one near p (its first-order expansion).
  virtual vc2XformLinear linearXform(const vcVector<2>& p) const = 0;

 protected:
  vc2XformBase() = default;
  vc2XformBase(const vc2XformBase&) = default;
  vc2XformBase& operator=(const vc2XformBase&) = default;
};

class vc2XformLinear : public vc2XformBase {
 public:
  // The identity.
  vc2XformLinear() = default;
  // From translation and the axis decomposition of platform/base/xform.h.
  vc2XformLinear(const vcVector<2>& trans, vcRadian xRot, vcRadian yRot, double xScale,
                 double yScale)
      : x_(trans, xRot, yRot, xScale, yScale) {}
  vc2XformLinear(const vcXform<2>& x) : x_(x) {}  // NOLINT: same transform, other form
  ~vc2XformLinear() override;

  const vcXform<2>& xform() const { return x_; }
  operator const vcXform<2>&() const { return x_; }  // NOLINT

  vcVector<2> trans() const { return x_.trans(); }
  vcRadian rotation() const { return x_.rotation(); }
  double scale() const { return x_.scale(); }
  // yScale / xScale; throws vcBadParamsError when xScale is 0.
  double aspect() const { return x_.aspect(); }

  vcVector<2> mapPoint(const vcVector<2>& p) const override { return x_.mapPoint(p); }
  // An affine transform is its own linear approximation everywhere.
  vc2XformLinear linearXform(const vcVector<2>&) const override { return *this; }

  // Exchanges a version byte (0) and the six numbers of the transform with ar: the matrix row by
  // row, then the translation. Throws vcArchive::UnknownVersion for a stored version other than
  // 0, the archive's errors on bad data; a failed read leaves the transform unchanged.
  void dispatchSerialize(vcArchive& ar) override;
  // Back to the identity.
  void reInit() override { x_ = vcXform<2>(); }

  static vcPersistent* make() { return new vc2XformLinear; }

 private:
  void serialize_(vcArchive& ar, unsigned char version);

  vcXform<2> x_;
  static const vc_Instantiator sExemplar;
};
