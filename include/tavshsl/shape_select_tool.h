#pragma once

// The shape selection tool: trained once with a list of templates (circles, closed boundary
// polygons, stroke figures) and one DOF setting per template, it reports for each image which
// templates appear where, each with a score and a pose in the image's client coordinates.
//
//   std::vector<vcPtrHandle<vcShapeSelectTemplate>> templates = {
//       vcPtrHandle<vcShapeSelectTemplate>(new vcShapeSelectTemplateCircle(15.0, {0, 0})),
//       vcPtrHandle<vcShapeSelectTemplate>(new vcShapeSelectTemplateBoundary(square))};
//   vcShapeSelectTemplateParams circleDofs, squareDofs;
//   circleDofs.zoneEnable(vcShapeSelectDefs::eTranslationX | vcShapeSelectDefs::eTranslationY);
//   vcShapeSelectTrainParams train;
//   train.trainDOFs({circleDofs, squareDofs});
//   vcShapeSelectTool tool;
//   tool.train(train, templates, vc2XformLinear(image.clientFromImageXform()), nullptr, 0);
//
//   vcShapeSelectRunParams run;                 // acceptThreshold 0.6
//   run.maxNumResults(10);
//   vcShapeSelectResultSet results;
//   tool.run(results, image, run, nullptr, 0);
//   for (const vcShapeSelectResult& r : results.results())
//     if (r.isFound()) use(r.templateIndex(), r.score(), r.location(), r.angle());
//
// How it searches. Boundary templates become boundary models matched against the image's edge
// lines (the line tracker on the image reduced by 2, each line directed by its gradient);
// stroke templates become skeleton models matched against the centre-lines of the image's
// light strokes (skeletal extraction). Both kinds go through one segment corresponder, trained
// at once on all of them over their scale and stroke-width zones. The first circle template is
// searched with the circle finder on the image reduced by 2, within its radius times its scale
// zone, and every circle found is confirmed by aligning the trained circle at full resolution;
// further circle templates are ignored. Correspondence results and confirmed circles are merged
// by score (a circle first on equal scores): up to maxNumResults correspondence results plus
// every confirmed circle.
//
// Polarity. A boundary model is oriented by its polygon's handedness, so both tracings of one
// polygon describe the same shape: a polygon lighter than its surroundings. Stroke figures are
// light strokes on a darker background. Circles are found whichever side is lighter.
//
// Diagnostics (only with a diagnostics object and flags not 0). Training, 0x10000: the record
// "Shape Select Train Inputs" with every template drawn in cyan, image coordinates. Run, flags
// not 0: the record "Results" with the input image, the edge segments (yellow), the
// centre-line segments (orange) and one "Found Pose" list per result (the posed model or
// circle, green when found, red otherwise); 0x10000 or 0x20000: the record
// "Shape Select Input/Results" with the input image and, with 0x20000, one list
// "Result k" per result (its found template, green). Client coordinates.
//
// A tool must not be trained while it runs, and one tool serves one run at a time; separate
// tool objects are independent.

#include <memory>
#include <vector>

#include "platform/base/handle.h"
#include "platform/base/pel_buffer.h"
#include "platform/base/xform_linear.h"
#include "tavshsl/export.h"
#include "tavshsl/shape_select_defs.h"
#include "tavshsl/shape_select_params.h"
#include "tavshsl/shape_select_result.h"
#include "tavshsl/shape_select_template.h"

class vcDiagObject;
class vcShapeSelectImpl;

class TAVSHSL_API vcShapeSelectTool {
 public:
  // Untrained.
  vcShapeSelectTool();
  ~vcShapeSelectTool();
  vcShapeSelectTool(const vcShapeSelectTool&) = delete;
  vcShapeSelectTool& operator=(const vcShapeSelectTool&) = delete;

  // Trains the tool with templates and params.trainDOFs() (one setting per template, same
  // order), replacing any earlier training. clientFromImage is the client-from-image transform
  // of the images to come: its scale turns the corresponder's ten pixels of perturbation into
  // client units. The templates are shared with the caller, not copied.
  // Per template kind: a circle takes its scale zone [low, high] (enabled or not) as the
  // radius range [low r, high r]; a boundary or stroke template takes its enabled scale and
  // stroke-width zones. Translation and angle zones do not limit the search.
  // With diagnostics (0x10000) the templates are drawn first, even when training is refused.
  // Throws, with the tool unchanged (an earlier training stays in force):
  //   BadParams "Number of train dofs must much number of templates" when the counts differ;
  //   InvalidDOF "Boundary template cannot use stroke width DOF",
  //   InvalidDOF "Circle template cannot use stroke width DOF",
  //   InvalidDOF "Circle template cannot use angle DOF" for a zone the kind cannot use
  //     (circle templates need the angle zone disabled; the default settings enable it);
  //   NotImplemented "Aspect range is not currently supported" for a boundary or stroke
  //     template with the aspect zone enabled;
  //   the errors of the templates (a degenerate stroke figure), of the models (a scale or
  //   stroke-width zone outside [0.1, 10]: vcAssertionFailure) and of the corresponder's
  //   training, unchanged.
  void train(const vcShapeSelectTrainParams& params,
             const std::vector<vcPtrHandle<vcShapeSelectTemplate>>& templates,
             const vc2XformBase& clientFromImage, vcDiagObject* diag, unsigned long diagFlags);

  bool isTrained() const;

  // Searches image for every trained template and replaces the contents of results with what
  // was found, best first (see the top of this file). Only acceptThreshold and maxNumResults
  // steer the search; templateIndexList and selectDOFs are checked against the training and
  // otherwise not used. isFound() is score >= acceptThreshold for every result.
  // Throws, with results unchanged:
  //   NotTrained (empty message) before a completed training;
  //   BadParams "When supplied, selectDOFs must have size equal to number of trained
  //     templates." when selectDOFs is neither empty nor one per template;
  //   BadIndex (empty message) for a template index outside [0, number of templates);
  //   BadParams "Run DOFs must be contained within trained DOF ranges." when a selectDOFs
  //     entry asks for more than its trained setting;
  //   vcBadParamsError for an unbound image; the errors of the tools it runs.
  // An empty image, or one too small to reduce, gives no results.
  void run(vcShapeSelectResultSet& results, const vcPelBuffer_const<unsigned char>& image,
           const vcShapeSelectRunParams& params, vcDiagObject* diag, unsigned long diagFlags);

 private:
  friend struct vcShapeSelectToolTestAccess;

  std::unique_ptr<vcShapeSelectImpl> impl_;
};
