// The search behind vcShapeSelectTool::run: centre-line segments of strokes, edge lines and
// circles from the image, the corresponder over the segments, circles confirmed by the outline
// pattern at full resolution, and one result list merged by score.

#include "shapeselect/shape_select_search.h"

#include <algorithm>
#include <cmath>

#include "platform/base/handle.h"
#include "platform/base/vector.h"
#include "platform/base/xform_linear.h"
#include "platform/diag/diag_object.h"
#include "platform/graphics/graphic_simple.h"
#include "platform/graphics/graphic_with_fill.h"
#include "platform/ip/gauss_sample.h"
#include "shapeselect/shape_select_impl.h"
#include "tavshsl/circle_finder.h"
#include "tavshsl/line_tracker.h"

namespace {

// Reduction factor of both reduced images.
constexpr long kReduction = 2;

}  // namespace

namespace vc_shapeselect {

vcSegmentDefs::veSegmentPolarity edgePolarity(vcDegree gradientAngle, const vcVector<2>& p1,
                                              const vcVector<2>& p2) {
  const vcVector<2> u(1.0, vcRadian(gradientAngle + vcDegree(90.0)));
  const vcVector<2> d = p2 - p1;
  // The rounding of the sine and cosine (about 1e-16) must not turn a right angle forward.
  const double dot = u.x() * d.x() + u.y() * d.y();
  return dot > 1e-12 * d.len() ? vcSegmentDefs::eForward : vcSegmentDefs::eReverse;
}

// The line tracker runs on the image reduced by 2. distanceTol is 3 client units expressed
// through the input's client scale, as the tool has always passed it; minNumEdgelets is 20
// full-resolution pixels at the reduction.
std::vector<vcFoundSegment> edgeSegments(const vcPelBuffer_const<unsigned char>& image) {
  const vcPelBuffer<unsigned char> reduced =
      vfGaussSample(image, vcGaussSampleParams(kReduction, 2, 1.0, true));
  const vcLineTrackerRunParams params(15.0, vcDegree(35.0),
                                      3.0 * image.clientFromImageXform().scale(),
                                      long(20.0 / double(kReduction)), 0xFFFF);
  vcLineTrackerResultSet lines;
  vfLineTracker(reduced, params, lines, nullptr, 0);
  std::vector<vcFoundSegment> segments;
  segments.reserve(lines.results().size());
  for (const vcLineTrackerResult& line : lines.results())
    segments.emplace_back(vcLineSeg(line.p1(), line.p2()), line.magnitude(),
                          edgePolarity(line.gradiantAngle(), line.p1(), line.p2()), 0.0);
  return segments;
}

vcShapeSelectResult circleResult(const vsCircleCandidate& candidate, double nominalRadius,
                                 long templateIndex, const vcShapeSelectTemplate& tmpl,
                                 double acceptThreshold) {
  const double s = candidate.circle.radius() / nominalRadius;
  const vc2XformLinear pose(candidate.circle.center(), vcRadian(0.0), vcRadian(0.0), s, s);
  return vcShapeSelectResult(candidate.score >= acceptThreshold, templateIndex, candidate.score,
                             vcShapeSelectTemplateXform(pose, {}), tmpl);
}

vcShapeSelectResult correspondenceResult(const vcSegmentCorresponderResult& r,
                                         const vcSegmentCorresponderModel& model,
                                         const std::vector<vcFoundSegment>& edges,
                                         long templateIndex, const vcShapeSelectTemplate& tmpl,
                                         double acceptThreshold) {
  vcXform<2> pose;
  std::vector<double> factors;
  bool fitFailed = false, outOfRange = false;
  model.findPose(pose, factors, edges, r, fitFailed, outOfRange, nullptr, 0);
  return vcShapeSelectResult(r.score() >= acceptThreshold, templateIndex, r.score(),
                             vcShapeSelectTemplateXform(vc2XformLinear(pose), factors), tmpl);
}

std::vector<vsMergeStep> mergeOrder(const std::vector<double>& correspondenceScores,
                                    const std::vector<double>& circleScores) {
  std::vector<vsMergeStep> order;
  std::size_t c = 0, k = 0;
  while (c < correspondenceScores.size() || k < circleScores.size()) {
    const bool takeCorrespondence =
        k == circleScores.size() ||
        (c < correspondenceScores.size() && correspondenceScores[c] > circleScores[k]);
    if (takeCorrespondence)
      order.push_back({false, c++});
    else
      order.push_back({true, k++});
  }
  return order;
}

}  // namespace vc_shapeselect

namespace {

using vc_shapeselect::vsCircleCandidate;

// Stroke centre-lines shorter than this (pixels) are not used.
constexpr double kMinSkeletalLength = 20.0;

// Circles on the reduced image within the trained radius range, each confirmed by the circle
// pattern near it at full resolution; the confirmed ones, best score first.
std::vector<vsCircleCandidate> confirmedCircles(const vcPelBuffer_const<unsigned char>& reduced,
                                                const vcPelBuffer_const<unsigned char>& image,
                                                const vcGXAlignPattern& pattern,
                                                double nominalRadius, const vcRange& radiusRange,
                                                double acceptThreshold) {
  const vcCircleFinderRunParams finderParams(vcCircleFinderDefs::eAnyPolarity, radiusRange, 1000,
                                             15.0, 20.0, 0.75, vcCircleFinderDefs::eSortRadius,
                                             3.0, 0.1, 0.1, 0.75, 0);
  vcCircleFinderResultSet found;
  vfCircleFinder(reduced, finderParams, found, nullptr, 0);

  vcGXAlignRunParams alignParams;
  alignParams.algorithm(vcGXAlignRunParams::eRefine);
  alignParams.scoreUsingClutter(false);
  alignParams.acceptThreshold(acceptThreshold);
  std::vector<vsCircleCandidate> candidates;
  for (const vcCircleFinderResult& c : found.results()) {
    const double s = c.radius() / nominalRadius;
    const vcPtrHandle_const<vc2XformBase> start(
        new vc2XformLinear(c.center(), vcRadian(0.0), vcRadian(0.0), s, s));
    vcGXAlignResultSet aligned;
    pattern.run(image, alignParams, start, aligned, nullptr, 0);
    if (aligned.numFound() == 0 || aligned.results()[0].score() < acceptThreshold) continue;
    candidates.push_back({vcCircle(c.center(), c.radius()), aligned.results()[0].score()});
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const vsCircleCandidate& a, const vsCircleCandidate& b) {
                     return a.score > b.score;
                   });
  return candidates;
}

// A graphic list of found segments in one colour.
vcGraphicList segmentPicture(const std::vector<vcFoundSegment>& segments, const vcColor& color) {
  vcGraphicList list;
  for (const vcFoundSegment& s : segments)
    list.append(vcGraphicSimple<vcLineSeg>(s.segment(), vcGraphicProps(color, 1)));
  return list;
}

}  // namespace

void vcShapeSelectImpl::search_(vcShapeSelectResultSet& results,
                                const vcPelBuffer_const<unsigned char>& image,
                                const vcShapeSelectRunParams& params) const {
  using namespace vc_shapeselect;
  const double accept = params.acceptThreshold();
  const vcSegmentCorresponderTrainParams::ModelList& models = corresponder_->trainParams().models();

  // An image too small to reduce holds no shape the tools could see.
  if (image.width() < kReduction || image.height() < kReduction) {
    results.results({});
    return;
  }

  // Centre-lines of the strokes, for the skeleton models.
  std::vector<vcFoundSegment> skeletal;
  if (numStrokes_ > 0) extractSkeletalSegments_(image, skeletal, kMinSkeletalLength);

  // Circles: found on the reduced image, confirmed at full resolution.
  std::vector<vsCircleCandidate> circles;
  if (circleTemplateIndex_ >= 0) {
    const vcPelBuffer<unsigned char> reducedB =
        vfGaussSample(image, vcGaussSampleParams(kReduction, 3, 1.0, true));
    circles = confirmedCircles(reducedB, image, circlePattern_, circleRadius_, circleRadiusRange_,
                               accept);
  }

  // Edge lines of the reduced image, for the boundary models and for checking strokes.
  std::vector<vcFoundSegment> edges;
  if (!models.empty()) edges = edgeSegments(image);

  // The corresponder over both kinds of segments. Consider threshold = the accept threshold;
  // an accept threshold of 2 is never reached, so no stage ends early on a full list.
  vcSegmentCorresponderResultSet correspondences;
  if (!models.empty()) {
    const vcSegmentCorresponderRunParams corrParams(params.maxNumResults(), vcXform<2>(), accept,
                                                    2.0, 0.0, true);
    corresponder_->run(correspondences, corrParams, edges, skeletal, nullptr, runDiagFlags_);
  }

  // Both lists merged by score into results, each drawn for the diagnostics when asked.
  vcDiagObject* dest = vcDiagObject::getRecordingDestination(runDiag_, runDiagFlags_);
  std::vector<double> corrScores, circleScores;
  for (const vcSegmentCorresponderResult& r : correspondences.results())
    corrScores.push_back(r.score());
  for (const vsCircleCandidate& c : circles) circleScores.push_back(c.score);
  std::vector<vcShapeSelectResult> merged;
  std::vector<vcGraphicList> poses;
  for (const vsMergeStep& step : mergeOrder(corrScores, circleScores)) {
    if (step.circle) {
      merged.push_back(circleResult(circles[step.index], circleRadius_, circleTemplateIndex_,
                                    *templates_[std::size_t(circleTemplateIndex_)], accept));
    } else {
      const vcSegmentCorresponderResult& r = correspondences.results()[step.index];
      const long t = modelTemplateIndex_[std::size_t(r.modelIdx())];
      merged.push_back(correspondenceResult(r, *models[std::size_t(r.modelIdx())], edges, t,
                                            *templates_[std::size_t(t)], accept));
    }
    if (!dest) continue;
    const vcShapeSelectResult& result = merged.back();
    const vcGraphicProps props(result.isFound() ? vcColor::green() : vcColor::red(), 2);
    vcGraphicList picture;
    if (step.circle) {
      picture.append(vcGraphicWithFill<vcCircle, vcEllipse2>(circles[step.index].circle, props));
    } else {
      const vcSegmentCorresponderResult& r = correspondences.results()[step.index];
      std::vector<vcModelSegment> posed;
      models[std::size_t(r.modelIdx())]->transformModel(
          posed, result.poseLinear().xform(), result.poseStrokeWidthFactors());
      for (const vcModelSegment& s : posed)
        picture.append(vcGraphicSimple<vcLineSeg>(s.segment(), props));
    }
    poses.push_back(picture);
  }

  // The evidence and every found pose over the input image.
  if (dest) {
    vcDiagRecord& record = dest->newDiagRecord();
    record.image(image, false);
    record.recordAnnotation(L"Results");
    record.graphics(segmentPicture(edges, vcColor::yellow()), vcDiagRecord::eClientCoords,
                    L"Edge segments");
    record.graphics(segmentPicture(skeletal, vcColor::orange()), vcDiagRecord::eClientCoords,
                    L"Centre-line segments");
    for (const vcGraphicList& picture : poses)
      record.graphics(picture, vcDiagRecord::eClientCoords, L"Found Pose");
  }
  results.results(merged);
}
