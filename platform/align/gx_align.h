#pragma once

// Pattern alignment of a trained circle: refines the position and size of a circle near a
// start pose and scores how much of its outline the image supports.
//
//   vcGXAlignPattern pattern;
//   pattern.autoSelectGrainLimits(false);
//   pattern.grainLimits(2.0f, 6.0f);          // fine, coarse: pixels
//   pattern.scaleSearch(true);                // refine the radius as well
//   pattern.train(vcCircle(vcVector<2>(0, 0), r), clientFromImage, vcPelRect(0, 0),
//                 vcGXAlignPattern::eTrainOutline | vcGXAlignPattern::eTrainPolarity,
//                 nullptr, 0);
//   vcGXAlignRunParams params;                // algorithm eRefine, threshold 0.5
//   vcPtrHandle_const<vc2XformBase> start(
//       new vc2XformLinear(centre, vcRadian(0), vcRadian(0), s, s));   // s = radius / r
//   vcGXAlignResultSet found;
//   pattern.run(image, params, start, found, nullptr, 0);
//   if (found.numFound() > 0) use(found.results()[0].score(), found.results()[0].pose());
//
// How it works. The circle is sampled at about one point per pixel of circumference. At each
// sample the grey-level derivative along the radius (averaged over three neighbouring rays)
// is searched within a window across the outline for its strongest peak, placed to sub-pixel
// precision. Peaks of at least 6 grey levels per pixel whose gradient lies within 30 degrees
// of the radius are edge points; with eTrainPolarity only those of the polarity that carries
// most of the outline count. Refinement (algorithm eRefine) fits the circle's centre (and,
// with scaleSearch, its radius) to the edge points by weighted least squares, a few times per
// window, with windows halving from the coarse grain limit to the fine one; the pose may move
// by at most the coarse limit plus one pixel from the start. The score is the share of
// samples with an edge point within the fine limit of the final circle whose gradient lies
// within 10 degrees of the radius, less, with scoreUsingClutter, the share of samples showing
// an edge just off the outline. A full, clean circle scores near 1, a half circle near 0.5, a
// blank area near 0. A hexagon whose outline stays within the fine limit of the circle scores
// under 0.5, since its sides turn the gradient away from the radius; polygons of more sides
// come closer (a blurred octagon about 0.65).

#include <vector>

#include "platform/base/handle.h"
#include "platform/base/pel_buffer.h"
#include "platform/base/rect.h"
#include "platform/base/shape.h"
#include "platform/base/xform.h"
#include "platform/base/xform_linear.h"

class vcDiagObject;

// Settings of a pattern, kept through training.
class vc_GXPattern {
 public:
  // Whether train chooses the grain limits from the shape's size (fine 1 pixel, coarse a
  // tenth of the radius, at least 2 pixels). Default true.
  bool autoSelectGrainLimits() const { return autoSelectGrainLimits_; }
  void autoSelectGrainLimits(bool v) { autoSelectGrainLimits_ = v; }
  // Image pixels: the fine limit is the precision asked of the outline and the final search
  // window; the coarse limit the first search window and the capture range. The two values
  // are taken in either order (the smaller one is the fine limit).
  // Throws: vcBadParamsError unless both are finite and in (0, 1000]; the pattern is then
  // unchanged.
  void grainLimits(float fine, float coarse);
  float fineGrainLimit() const { return fine_; }
  float coarseGrainLimit() const { return coarse_; }
  // Whether run refines the circle's size as well as its position. Default false.
  bool scaleSearch() const { return scaleSearch_; }
  void scaleSearch(bool v) { scaleSearch_ = v; }

 private:
  bool autoSelectGrainLimits_ = true;
  float fine_ = 1.0f;
  float coarse_ = 4.0f;
  bool scaleSearch_ = false;
};

// Settings shared by the alignment tools.
class vc_GXRunParams {
 public:
  // Least score of a result that is reported; in [0, 1]. Default 0.5.
  // Throws: vcBadParamsError outside [0, 1] (or NaN); the params are then unchanged.
  double acceptThreshold() const { return acceptThreshold_; }
  void acceptThreshold(double v);
  // Whether the score is lowered by edges lying just off the outline. Default true.
  bool scoreUsingClutter() const { return scoreUsingClutter_; }
  void scoreUsingClutter(bool v) { scoreUsingClutter_ = v; }

 private:
  double acceptThreshold_ = 0.5;
  bool scoreUsingClutter_ = true;
};

class vcGXAlignRunParams : public vc_GXRunParams {
 public:
  enum Algorithm {
    eScoreOnly = 1,  // score the start pose as it is
    eRefine = 2,     // refine the pose coarse to fine, then score
  };
  Algorithm algorithm() const { return algorithm_; }
  // Throws: vcBadParamsError for a value other than 1 or 2; the params are then unchanged.
  void algorithm(long v);

 private:
  Algorithm algorithm_ = eRefine;
};

// One pattern found: its score and the pose that maps the trained circle onto it (client
// coordinates; translation the centre, both scales the radius over the trained radius).
class vc_GXResult {
 public:
  vc_GXResult(double score, const vc2XformLinear& pose) : score_(score), pose_(pose) {}
  double score() const { return score_; }
  const vc2XformLinear& pose() const { return pose_; }

 private:
  double score_;
  vc2XformLinear pose_;
};

class vcGXAlignResultSet {
 public:
  long numFound() const { return long(results_.size()); }
  const std::vector<vc_GXResult>& results() const { return results_; }

 private:
  friend class vcGXAlignPattern;
  std::vector<vc_GXResult> results_;
};

class vcGXAlignPattern : public vc_GXPattern {
 public:
  // Training flags.
  enum TrainFlags : unsigned long {
    eTrainOutline = 1,   // the shape's outline (required: the only feature trained)
    eTrainPolarity = 2,  // one polarity along the whole outline
  };

  vcGXAlignPattern() = default;

  // Trains the pattern from a synthetic circle (client coordinates). clientFromImage is the
  // transform of the images to come (it sets the automatic grain limits); rect is the
  // training image region, empty for a synthetic shape. The diagnostics arguments are
  // accepted for the common signature; nothing is recorded.
  // Throws: vcBadParamsError, the pattern unchanged, when the shape is not a vcCircle or has
  // radius 0, rect is not empty, flags lack eTrainOutline or hold other bits, or
  // clientFromImage is singular.
  void train(const vcShape& shape, const vcXform<2>& clientFromImage, const vcPelRect& rect,
             unsigned long flags, vcDiagObject* diag, unsigned long diagFlags);
  bool isTrained() const { return trained_; }

  // Finds the trained circle near startPose (see the top of this file) and replaces the
  // contents of results: one result when its score reaches the accept threshold, else none.
  // Samples outside the image count as unsupported.
  // Throws: vcBadParamsError, results unchanged, when the pattern is not trained, the image is
  // unbound, the start pose is null, or it maps the circle to a radius that is not finite or
  // below 0.5 pixel or a centre that is not finite.
  void run(const vcPelBuffer_const<unsigned char>& image, const vcGXAlignRunParams& params,
           const vcPtrHandle_const<vc2XformBase>& startPose, vcGXAlignResultSet& results,
           vcDiagObject* diag, unsigned long diagFlags) const;

 private:
  bool trained_ = false;
  vcVector<2> center_;  // client coordinates
  double radius_ = 0.0;
  bool onePolarity_ = false;
};
