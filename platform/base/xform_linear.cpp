#include "platform/base/xform_linear.h"

#include "platform/base/archive.h"

vc2XformBase::~vc2XformBase() = default;

const vc_Instantiator vc2XformLinear::sExemplar(typeid(vc2XformLinear), &vc2XformLinear::make);

vc2XformLinear::~vc2XformLinear() = default;

void vc2XformLinear::dispatchSerialize(vcArchive& ar) {
  serializeLevel_(ar, this, sizeof(*this), [&](unsigned char version) { serialize_(ar, version); });
}

void vc2XformLinear::serialize_(vcArchive& ar, unsigned char version) {
  if (version != 0) throw vcArchive::UnknownVersion(L"vc2XformLinear", 0);
  const vcMatrix<2>& m = x_.matrix();
  double v[6] = {m.element(0, 0), m.element(0, 1), m.element(1, 0),
                 m.element(1, 1), x_.trans().x(),  x_.trans().y()};
  for (double& d : v) ar || d;
  // Read into locals first, so that a truncated archive leaves the transform as it was.
  if (ar.isLoading())
    x_ = vcXform<2>(vcMatrix<2>::fromElements(v[0], v[1], v[2], v[3]), vcVector<2>(v[4], v[5]));
}
