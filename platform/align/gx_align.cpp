#include "platform/align/gx_align.h"

#include <algorithm>
#include <cmath>

#include "platform/align/gx_circle_search.h"
#include "platform/base/circle.h"
#include "platform/base/exception.h"
#include "platform/base/str.h"

void vc_GXPattern::grainLimits(float fine, float coarse) {
  auto ok = [](float v) { return std::isfinite(v) && v > 0.0f && v <= 1000.0f; };
  if (!ok(fine) || !ok(coarse))
    throw vcBadParamsError(L"vc_GXPattern::grainLimits: both limits must lie in (0, 1000] pixels");
  fine_ = std::min(fine, coarse);
  coarse_ = std::max(fine, coarse);
}

void vc_GXRunParams::acceptThreshold(double v) {
  if (!(v >= 0.0 && v <= 1.0))
    throw vcBadParamsError(L"vc_GXRunParams::acceptThreshold: must lie in [0, 1], got " + vfStr(v));
  acceptThreshold_ = v;
}

void vcGXAlignRunParams::algorithm(long v) {
  if (v != eScoreOnly && v != eRefine)
    throw vcBadParamsError(
        L"vcGXAlignRunParams::algorithm: must be 1 (score only) or 2 "
        L"(refine), got " +
        vfStr(v));
  algorithm_ = Algorithm(v);
}

void vcGXAlignPattern::train(const vcShape& shape, const vcXform<2>& clientFromImage,
                             const vcPelRect& rect, unsigned long flags, vcDiagObject*,
                             unsigned long) {
  const vcCircle* circle = dynamic_cast<const vcCircle*>(&shape);
  if (!circle || !(circle->radius() > 0.0))
    throw vcBadParamsError(L"vcGXAlignPattern::train: the shape must be a circle of radius > 0");
  if (!rect.isEmpty())
    throw vcBadParamsError(
        L"vcGXAlignPattern::train: the training rectangle must be empty "
        L"(patterns are trained from shapes only)");
  if (!(flags & eTrainOutline) || (flags & ~(unsigned long)(eTrainOutline | eTrainPolarity)))
    throw vcBadParamsError(
        L"vcGXAlignPattern::train: flags must hold eTrainOutline (1) and may "
        L"add eTrainPolarity (2), got " +
        vfStr(long(flags)));
  const vcXform<2> imageFromClient = clientFromImage.inverse();  // throws when singular

  // Automatic grain limits: fine 1 pixel, coarse a tenth of the radius in pixels (at least 2).
  if (autoSelectGrainLimits()) {
    const double rPixels = imageFromClient.mapVector(vcVector<2>(circle->radius(), 0.0)).len();
    grainLimits(1.0f, float(std::clamp(rPixels / 10.0, 2.0, 1000.0)));
  }
  center_ = circle->center();
  radius_ = circle->radius();
  onePolarity_ = (flags & eTrainPolarity) != 0;
  trained_ = true;
}

void vcGXAlignPattern::run(const vcPelBuffer_const<unsigned char>& image,
                           const vcGXAlignRunParams& params,
                           const vcPtrHandle_const<vc2XformBase>& startPose,
                           vcGXAlignResultSet& results, vcDiagObject*, unsigned long) const {
  if (!trained_) throw vcBadParamsError(L"vcGXAlignPattern::run: the pattern is not trained");
  if (!image.isBound()) throw vcBadParamsError(L"vcGXAlignPattern::run: the image is unbound");
  if (!startPose) throw vcBadParamsError(L"vcGXAlignPattern::run: the start pose is null");

  // The start circle in image coordinates: the pose maps the trained circle into client
  // coordinates, the image's transform takes it to pixels.
  const vc2XformLinear pose = startPose->linearXform(center_);
  const vcXform<2> imageFromClient = image.imageFromClientXform();
  const vcXform<2> imageFromPattern = imageFromClient * pose.xform();
  const vcVector<2> center = imageFromPattern.mapPoint(center_);
  const double radius = radius_ * imageFromPattern.scale();
  if (!(std::isfinite(center.x()) && std::isfinite(center.y()) && std::isfinite(radius) &&
        radius >= 0.5))
    throw vcBadParamsError(
        L"vcGXAlignPattern::run: the start pose must map the circle to a "
        L"finite centre and a radius of at least 0.5 pixel");

  // Refine (or not), then score.
  vc_gx_detail::CircleSearch search(image, onePolarity_, fineGrainLimit(), coarseGrainLimit());
  vc_gx_detail::SearchCircle c{center.x(), center.y(), radius};
  if (params.algorithm() == vcGXAlignRunParams::eRefine) search.refine(c, scaleSearch());
  const double score = search.score(c, params.scoreUsingClutter());

  // The found pose: the start pose moved to the refined centre and scaled to the refined radius.
  const vcXform<2>& clientFromImage = image.clientFromImageXform();
  const vcVector<2> foundCenter = clientFromImage.mapPoint(vcVector<2>(c.cx, c.cy));
  const double s = pose.scale() * c.radius / radius;
  const vcVector<2> trans = foundCenter - pose.xform().mapVector(center_) * (c.radius / radius);
  vcGXAlignResultSet out;
  if (score >= params.acceptThreshold())
    out.results_.emplace_back(score, vc2XformLinear(trans, pose.xform().xRot(), pose.xform().yRot(),
                                                    s, pose.xform().yScale() * c.radius / radius));
  std::swap(results, out);
}
