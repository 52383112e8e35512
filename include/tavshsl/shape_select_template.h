#pragma once

// Templates of the shape selection tool: the user's description of one shape to find, and the
// pose that carries a template into an image.
//
// Three kinds: a circle (radius and centre), a closed boundary polygon, and a stroke figure (a
// skeleton of centre-line segments, each with a stroke width). Templates are shared bodies held
// through vcPtrHandle<vcShapeSelectTemplate>; a pose (vcShapeSelectTemplateXform) is a linear
// transform plus one width factor per stroke.
//
//   vcPtrHandle<vcShapeSelectTemplate> bar(new vcShapeSelectTemplateStroke(
//       {vcLineSeg(vcVector<2>(0, 0), vcVector<2>(10, 0))}, {2.0}));
//   const std::vector<vcLineSeg>& outline = bar->boundarySegments();   // traced on first use
//   vcShapeSelectTemplateXform pose(vc2XformLinear(vcVector<2>(50, 20), vcRadian(0.3),
//                                                  vcRadian(0.3), 2.0, 2.0), {1.5});
//   vcPtrHandle<vcShapeSelectTemplate> placed = bar->map(pose);        // widths 2 * 1.5 * 2
//
// All coordinates are client coordinates. Every setter checks before it stores and throws
// vcShapeSelectDefs::BadParams with the message quoted at the function; after a throw the
// object is unchanged.

#include <vector>

#include "platform/base/handle.h"
#include "platform/base/line_seg.h"
#include "platform/base/polyline.h"
#include "platform/base/vector.h"
#include "platform/base/xform_linear.h"
#include "tavshsl/export.h"
#include "tavshsl/shape_select_defs.h"

// A template pose: the linear transform from template to client coordinates, and one factor per
// stroke of a stroke template by which its nominal width is multiplied (empty for circles and
// boundaries). Every factor is > 0.
class TAVSHSL_API vcShapeSelectTemplateXform {
 public:
  // The identity with no factors.
  vcShapeSelectTemplateXform() = default;
  // Throws: BadParams "Stroke width must be > 0" when a factor is not > 0.
  vcShapeSelectTemplateXform(const vc2XformLinear& xformLinear,
                             const std::vector<double>& strokeWidthFactors);

  const vc2XformLinear& xformLinear() const { return xformLinear_; }
  void xformLinear(const vc2XformLinear& xform) { xformLinear_ = xform; }

  const std::vector<double>& strokeWidthFactors() const { return strokeWidthFactors_; }
  // Throws: BadParams "Stroke width must be > 0" when a factor is not > 0 (NaN included).
  void strokeWidthFactors(const std::vector<double>& factors);

 private:
  vc2XformLinear xformLinear_;
  std::vector<double> strokeWidthFactors_;
};

// The abstract template. It holds no data of its own; copies of the kinds below copy all their
// members (and start with no owning handles).
class TAVSHSL_API vcShapeSelectTemplate : public vcRepBase {
 public:
  ~vcShapeSelectTemplate() override;

  virtual vcShapeSelectDefs::ModelType modelType() const = 0;
  // The outline of the shape as a chain of segments: empty for a circle, the polygon sides of a
  // boundary, the traced outline of a stroke figure.
  virtual const std::vector<vcLineSeg>& boundarySegments() const = 0;
  virtual long numBoundarySegments() const = 0;
  // The number of skeletal segments (0 for circles and boundaries).
  virtual long numStrokeSegments() const = 0;
  // A new template: this one carried by pose. This template is unchanged.
  // Throws: BadParams as the kind's constructor does for the mapped values.
  virtual vcPtrHandle<vcShapeSelectTemplate> map(const vcShapeSelectTemplateXform& pose) const = 0;

 protected:
  vcShapeSelectTemplate() = default;
  vcShapeSelectTemplate(const vcShapeSelectTemplate&) = default;
  vcShapeSelectTemplate& operator=(const vcShapeSelectTemplate&) = default;
};

// A circle of nominal radius (> 0) about a centre. Its outline is empty.
class TAVSHSL_API vcShapeSelectTemplateCircle : public vcShapeSelectTemplate {
 public:
  // Throws: BadParams "Radius must be greater than 0" when nominalRadius is not > 0.
  vcShapeSelectTemplateCircle(double nominalRadius, const vcVector<2>& center);

  double nominalRadius() const { return nominalRadius_; }
  // Throws: BadParams "Radius must be greater than 0" when radius is not > 0 (NaN included).
  void nominalRadius(double radius);
  const vcVector<2>& center() const { return center_; }
  void center(const vcVector<2>& center) { center_ = center; }

  vcShapeSelectDefs::ModelType modelType() const override { return vcShapeSelectDefs::eCircle; }
  const std::vector<vcLineSeg>& boundarySegments() const override { return noSegments_; }
  long numBoundarySegments() const override { return 0; }
  long numStrokeSegments() const override { return 0; }
  // Radius times the pose's scale, centre mapped by the pose; factors are ignored.
  vcPtrHandle<vcShapeSelectTemplate> map(const vcShapeSelectTemplateXform& pose) const override;

 private:
  double nominalRadius_ = 1.0;
  vcVector<2> center_;
  std::vector<vcLineSeg> noSegments_;
};

// A closed polygon. Its outline has one side per vertex: side k runs from vertex k to vertex
// (k + 1) mod n.
class TAVSHSL_API vcShapeSelectTemplateBoundary : public vcShapeSelectTemplate {
 public:
  // Throws: as boundaryPoly(poly).
  explicit vcShapeSelectTemplateBoundary(const vcPolyline& poly);

  const vcPolyline& boundaryPoly() const { return boundaryPoly_; }
  // Checks, in this order: BadParams "Boundary cannot be empty" for a polyline without
  // vertices, BadParams "Boundary must be closed" for an open one. Then stores a copy and
  // rebuilds the sides.
  void boundaryPoly(const vcPolyline& poly);

  vcShapeSelectDefs::ModelType modelType() const override { return vcShapeSelectDefs::eBoundary; }
  const std::vector<vcLineSeg>& boundarySegments() const override { return sides_; }
  long numBoundarySegments() const override { return static_cast<long>(sides_.size()); }
  long numStrokeSegments() const override { return 0; }
  // The polygon mapped by the pose's linear transform; factors are ignored.
  vcPtrHandle<vcShapeSelectTemplate> map(const vcShapeSelectTemplateXform& pose) const override;

 private:
  vcPolyline boundaryPoly_;
  std::vector<vcLineSeg> sides_;
};

// A stroke figure: skeletal centre-line segments, each widened by its nominal width (half on
// each side, and half the width beyond each free end). Its outline is traced on first demand
// and kept until the next set(); the tracing happens inside const calls, so concurrent first
// calls on one shared object must be serialised by the caller.
class TAVSHSL_API vcShapeSelectTemplateStroke : public vcShapeSelectTemplate {
 public:
  // Throws: as set(skeleton, widths).
  vcShapeSelectTemplateStroke(const std::vector<vcLineSeg>& skeleton,
                              const std::vector<double>& nominalWidths);

  // Replaces skeleton and widths. Checks, in this order:
  //   BadParams "Skeletal segment list cannot be empty";
  //   BadParams "nominal stroke width count must match skeletal segment count";
  //   BadParams "Stroke widths must be > 0" (NaN included);
  //   BadParams "Skeletal segments must have non-zero length" (a stroke needs a direction).
  // The cached outline is dropped first, so after a failed set the old figure stays and its
  // outline is traced again on demand.
  void set(const std::vector<vcLineSeg>& skeleton, const std::vector<double>& nominalWidths);

  const std::vector<vcLineSeg>& skeletalSegments() const { return skeleton_; }
  const std::vector<double>& nominalStrokeWidths() const { return widths_; }

  vcShapeSelectDefs::ModelType modelType() const override { return vcShapeSelectDefs::eStroke; }
  // The outline: an ordered, closed chain of segments around the union of the strokes, with
  // the figure on the side of each segment's direction turned by +90 degrees. Zero-length
  // segments at joints stay in the chain. At right-angled joints the corners are exact; at
  // other angles a corner is the point on the branch's offset line opposite the ray's hit on
  // the branch's centre line.
  // The walk starts at the first end point, in skeleton order, that lies inside no other
  // stroke (meeting another stroke's end is allowed). When strokes meet at other than right angles,
  // list the figure so that this is a free end: the corner beside a joint may lie inside a
  // neighbouring stroke, and a walk started there never comes back to it. Throws: BadParams
  // "Invalid stroke width: Model is degenerate." when the walk around the figure does not close;
  // BadParams "Skeleton has no free end point: Model is degenerate." when every end point lies
  // inside another stroke.
  const std::vector<vcLineSeg>& boundarySegments() const override;
  long numBoundarySegments() const override;
  long numStrokeSegments() const override { return static_cast<long>(skeleton_.size()); }
  // Skeleton mapped by the pose's linear transform; width i becomes nominal width i times the
  // pose's scale times factor i.
  // Throws: BadParams "Transform stroke count differs from template stroke count" when the
  // pose does not carry one factor per skeletal segment (checked before anything is built).
  vcPtrHandle<vcShapeSelectTemplate> map(const vcShapeSelectTemplateXform& pose) const override;

 private:
  std::vector<vcLineSeg> skeleton_;
  std::vector<double> widths_;
  mutable bool outlineValid_ = false;
  mutable std::vector<vcLineSeg> outline_;
};
