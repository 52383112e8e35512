#pragma once

// The body of vcShapeSelectTool: the trained state and the steps of training and running.
// The tool owns one and forwards every call to it; tests read the trained state through the
// accessors below.
//
// Training builds the complete new state aside and swaps it in only when every step has
// succeeded, so a refused or failed training leaves the tool exactly as it was (an earlier
// training stays in force, an untrained tool stays untrained) and a half-built training is
// never run on.

#include <vector>

#include "platform/align/gx_align.h"
#include "platform/base/handle.h"
#include "platform/base/pel_buffer.h"
#include "platform/base/range.h"
#include "platform/base/xform_linear.h"
#include "tavshsl/export.h"
#include "tavshsl/segment_corresponder.h"
#include "tavshsl/shape_select_params.h"
#include "tavshsl/shape_select_result.h"
#include "tavshsl/shape_select_template.h"

class vcDiagObject;

class TAVSHSL_API vcShapeSelectImpl {
 public:
  vcShapeSelectImpl();

  void train(const vcShapeSelectTrainParams& params,
             const std::vector<vcPtrHandle<vcShapeSelectTemplate>>& templates,
             const vc2XformBase& clientFromImage, vcDiagObject* diag, unsigned long diagFlags);
  bool isTrained() const { return trained_; }
  void run(vcShapeSelectResultSet& results, const vcPelBuffer_const<unsigned char>& image,
           const vcShapeSelectRunParams& params, vcDiagObject* diag, unsigned long diagFlags);

  // ---- The trained state, read-only ----
  const vcShapeSelectTrainParams& trainParams() const { return trainParams_; }
  const std::vector<vcPtrHandle<vcShapeSelectTemplate>>& templates() const { return templates_; }
  // Trained on the boundary and stroke templates; null before the first training.
  const vcPtrHandle<vcSegmentCorresponder>& corresponder() const { return corresponder_; }
  // Entry m: the template index of corresponder model m.
  const std::vector<long>& modelTemplateIndex() const { return modelTemplateIndex_; }
  // 256 x 256: twice the distance of pixel (x, y) from the origin, rounded, at most 255.
  const vcPelBuffer<unsigned char>& distanceLut() const { return distanceLut_; }
  // The first circle template: its index (-1 when there is none), nominal radius and the
  // radius range searched.
  long circleTemplateIndex() const { return circleTemplateIndex_; }
  double circleRadius() const { return circleRadius_; }
  const vcRange& circleRadiusRange() const { return circleRadiusRange_; }
  long numCircles() const { return numCircles_; }
  long numBoundaries() const { return numBoundaries_; }
  long numStrokes() const { return numStrokes_; }

 private:
  // Training steps (shape_select_train.cpp).
  void checkTrainInputs_(const vcShapeSelectTrainParams& params,
                         const std::vector<vcPtrHandle<vcShapeSelectTemplate>>& templates) const;
  void swap_(vcShapeSelectImpl& other) noexcept;

  // The search (shape_select_search.cpp) and its evidence.
  void search_(vcShapeSelectResultSet& results, const vcPelBuffer_const<unsigned char>& image,
               const vcShapeSelectRunParams& params) const;
  void extractSkeletalSegments_(vcPelBuffer_const<unsigned char> image,
                                std::vector<vcFoundSegment>& segments, double minLength) const;

  bool trained_ = false;
  vcShapeSelectTrainParams trainParams_;
  std::vector<vcPtrHandle<vcShapeSelectTemplate>> templates_;
  vcPtrHandle<vcSegmentCorresponder> corresponder_;
  std::vector<long> modelTemplateIndex_;
  vcPelBuffer<unsigned char> distanceLut_;
  vcGXAlignPattern circlePattern_;
  double circleRadius_ = 0.0;
  long circleTemplateIndex_ = -1;
  vcRange circleRadiusRange_;
  long numCircles_ = 0;
  long numBoundaries_ = 0;
  long numStrokes_ = 0;
  vcDiagObject* runDiag_ = nullptr;
  unsigned long runDiagFlags_ = 0;
};
