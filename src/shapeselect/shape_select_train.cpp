// Training of the shape selection tool: checks, then the models of the boundary and stroke
// templates, the corresponder trained on all of them, and the circle pattern of the first
// circle template.

#include <utility>

#include "platform/base/circle.h"
#include "platform/base/rect.h"
#include "platform/base/str.h"
#include "platform/diag/diag_object.h"
#include "platform/graphics/color.h"
#include "shapeselect/shape_select_impl.h"
#include "shapeselect/shape_select_pictures.h"
#include "shapeselect/shape_select_stroke_outline.h"
#include "skeleton/distance_lut.h"
#include "tavshsl/corresponder_models.h"

namespace {

using Defs = vcShapeSelectDefs;
using TemplateList = std::vector<vcPtrHandle<vcShapeSelectTemplate>>;

// The corresponder's positional tolerance, in image pixels; training turns it into client
// units through the scale of the client transform.
constexpr double kPerturbationPixels = 10.0;
constexpr double kPerturbationDegrees = 15.0;

const wchar_t* kindLabel(Defs::ModelType type) {
  switch (type) {
    case Defs::eBoundary:
      return L" (Boundary)";
    case Defs::eStroke:
      return L" (Stroke)";
    case Defs::eCircle:
      return L" (Circle)";
  }
  return L"";
}

// Draws every template, in list order, into one record (image coordinates).
void recordTrainInputs(vcDiagObject* dest, unsigned long diagFlags, const TemplateList& templates) {
  if (!dest || !vcDiagObject::shouldRecord(diagFlags, vcDiagObject::eInputs)) return;
  vcDiagRecord& record = dest->newDiagRecord();
  record.recordAnnotation(L"Shape Select Train Inputs");
  const vcGraphicProps cyan(vcColor::cyan(), 1);
  for (const vcPtrHandle<vcShapeSelectTemplate>& t : templates) {
    if (!t) continue;  // refused by the checks that follow
    record.graphics(vc_shapeselect::templatePicture(*t, cyan), vcDiagRecord::eImageCoords,
                    std::wstring(L"Trained Model") + kindLabel(t->modelType()));
  }
}

// The boundary model of a polygon. Its sides are directed by the polygon's handedness, so that
// a polygon and its reverse tracing give the same model: a shape lighter than its surroundings.
vcPtrHandle<vcSegmentCorresponderModel> boundaryModel(const vcShapeSelectTemplateBoundary& t) {
  const vcSegmentDefs::veSegmentPolarity polarity =
      t.boundaryPoly().isRightHanded() ? vcSegmentDefs::eReverse : vcSegmentDefs::eForward;
  std::vector<vcModelSegment> sides;
  for (const vcLineSeg& side : t.boundarySegments()) sides.emplace_back(side, 1.0, polarity);
  return vcPtrHandle<vcSegmentCorresponderModel>(new vcSegmentCorresponderBoundaryModel(sides));
}

// The skeleton model of a stroke figure: undirected centre-lines, outline of light strokes.
vcPtrHandle<vcSegmentCorresponderModel> skeletonModel(const vcShapeSelectTemplateStroke& t) {
  std::vector<vcModelSegment> centreLines;
  for (const vcLineSeg& s : t.skeletalSegments())
    centreLines.emplace_back(s, 1.0, vcSegmentDefs::eUndirected);
  return vcPtrHandle<vcSegmentCorresponderModel>(
      new vcSegmentCorresponderSkeletonModel(centreLines, t.nominalStrokeWidths(), true));
}

// Hands the enabled scale, aspect and stroke-width zones to the model (same bit values).
// An enabled aspect zone is refused here by the DOF settings themselves.
void setModelZones(vcSegmentCorresponderModel& model, const vcShapeSelectTemplateParams& dofs) {
  for (const Defs::DOF dof : {Defs::eScale, Defs::eAspect, Defs::eStrokeWidth}) {
    if (!dofs.isZoneEnabled(dof)) continue;
    const vcRange zone(dofs.zoneLow(dof), dofs.zoneHigh(dof));
    model.setDOFRange(static_cast<vcSegmentCorresponderModel::DOF>(dof), zone);
  }
}

}  // namespace

vcShapeSelectImpl::vcShapeSelectImpl() = default;

void vcShapeSelectImpl::checkTrainInputs_(const vcShapeSelectTrainParams& params,
                                          const TemplateList& templates) const {
  const std::vector<vcShapeSelectTemplateParams>& dofs = params.trainDOFs();
  if (dofs.size() != templates.size())
    throw Defs::BadParams(L"Number of train dofs must much number of templates");
  for (std::size_t i = 0; i < templates.size(); ++i) {
    // A null handle names no template at all; it is refused like a bad count.
    if (!templates[i]) throw Defs::BadParams(L"Template handle " + vfStr(long(i)) + L" is null");
    switch (templates[i]->modelType()) {
      case Defs::eBoundary:
        if (dofs[i].isZoneEnabled(Defs::eStrokeWidth))
          throw Defs::InvalidDOF(L"Boundary template cannot use stroke width DOF");
        break;
      case Defs::eStroke: {
        const auto& stroke = static_cast<const vcShapeSelectTemplateStroke&>(*templates[i]);
        vfCheckStrokeModelOutline(stroke.skeletalSegments(), stroke.nominalStrokeWidths(), long(i));
        break;
      }
      case Defs::eCircle:
        if (dofs[i].isZoneEnabled(Defs::eStrokeWidth))
          throw Defs::InvalidDOF(L"Circle template cannot use stroke width DOF");
        if (dofs[i].isZoneEnabled(Defs::eAngle))
          throw Defs::InvalidDOF(L"Circle template cannot use angle DOF");
        break;
    }
  }
}

void vcShapeSelectImpl::swap_(vcShapeSelectImpl& other) noexcept {
  std::swap(trained_, other.trained_);
  std::swap(trainParams_, other.trainParams_);
  std::swap(templates_, other.templates_);
  std::swap(corresponder_, other.corresponder_);
  std::swap(modelTemplateIndex_, other.modelTemplateIndex_);
  std::swap(distanceLut_, other.distanceLut_);
  std::swap(circlePattern_, other.circlePattern_);
  std::swap(circleRadius_, other.circleRadius_);
  std::swap(circleTemplateIndex_, other.circleTemplateIndex_);
  std::swap(circleRadiusRange_, other.circleRadiusRange_);
  std::swap(numCircles_, other.numCircles_);
  std::swap(numBoundaries_, other.numBoundaries_);
  std::swap(numStrokes_, other.numStrokes_);
}

void vcShapeSelectImpl::train(const vcShapeSelectTrainParams& params, const TemplateList& templates,
                              const vc2XformBase& clientFromImage, vcDiagObject* diag,
                              unsigned long diagFlags) {
  // Draw the inputs, before any check.
  diag = vcDiagObject::getRecordingDestination(diag, diagFlags);
  recordTrainInputs(diag, diagFlags, templates);

  // Every check of every template before anything is built.
  checkTrainInputs_(params, templates);

  // The new training is built aside and swapped in at the end.
  vcShapeSelectImpl next;
  next.trainParams_ = params;
  next.templates_ = templates;
  next.distanceLut_ = vfMakeDistanceLut();

  // One model per boundary or stroke template; the first circle template becomes the pattern.
  const vcXform<2> clientFromPixels = clientFromImage.linearXform(vcVector<2>(0.0, 0.0)).xform();
  vcSegmentCorresponderTrainParams::ModelList models;
  for (std::size_t i = 0; i < templates.size(); ++i) {
    const vcShapeSelectTemplate& t = *templates[i];
    const vcShapeSelectTemplateParams& dofs = params.trainDOFs()[i];
    vcPtrHandle<vcSegmentCorresponderModel> model;
    switch (t.modelType()) {
      case Defs::eCircle: {
        if (++next.numCircles_ > 1) continue;  // only the first circle template is searched
        const double r = static_cast<const vcShapeSelectTemplateCircle&>(t).nominalRadius();
        next.circleTemplateIndex_ = long(i);
        next.circleRadius_ = r;
        next.circleRadiusRange_ =
            vcRange(dofs.zoneLow(Defs::eScale), dofs.zoneHigh(Defs::eScale)).scale(r);
        // Grain limits fine 2 and coarse 6 pixels; the radius is refined with the centre.
        next.circlePattern_.autoSelectGrainLimits(false);
        next.circlePattern_.grainLimits(6.0f, 2.0f);
        next.circlePattern_.scaleSearch(true);
        next.circlePattern_.train(vcCircle(vcVector<2>(0.0, 0.0), r), clientFromPixels,
                                  vcPelRect(0, 0),
                                  vcGXAlignPattern::eTrainOutline | vcGXAlignPattern::eTrainPolarity,
                                  nullptr, 0);
        continue;
      }
      case Defs::eStroke:
        ++next.numStrokes_;
        model = skeletonModel(static_cast<const vcShapeSelectTemplateStroke&>(t));
        break;
      case Defs::eBoundary:
        ++next.numBoundaries_;
        model = boundaryModel(static_cast<const vcShapeSelectTemplateBoundary&>(t));
        break;
    }
    setModelZones(*model, dofs);
    models.push_back(model);
    next.modelTemplateIndex_.push_back(long(i));
  }

  // The corresponder on all models at once, ten pixels of perturbation in client units.
  const double perturbation = kPerturbationPixels * clientFromPixels.scale();
  next.corresponder_.reset(new vcSegmentCorresponder());
  next.corresponder_->trainParams(vcSegmentCorresponderTrainParams(
      models, perturbation, vcDegree(kPerturbationDegrees), true));
  next.corresponder_->train(nullptr, 0);

  next.trained_ = true;
  swap_(next);
}
