#include "tavshsl/shape_select_tool.h"

#include "platform/base/assert.h"
#include "shapeselect/shape_select_impl.h"

vcShapeSelectTool::vcShapeSelectTool() : impl_(new vcShapeSelectImpl()) {}

vcShapeSelectTool::~vcShapeSelectTool() = default;

void vcShapeSelectTool::train(const vcShapeSelectTrainParams& params,
                              const std::vector<vcPtrHandle<vcShapeSelectTemplate>>& templates,
                              const vc2XformBase& clientFromImage, vcDiagObject* diag,
                              unsigned long diagFlags) {
  VC_ASSERT(impl_);
  impl_->train(params, templates, clientFromImage, diag, diagFlags);
}

bool vcShapeSelectTool::isTrained() const {
  VC_ASSERT(impl_);
  return impl_->isTrained();
}

void vcShapeSelectTool::run(vcShapeSelectResultSet& results,
                            const vcPelBuffer_const<unsigned char>& image,
                            const vcShapeSelectRunParams& params, vcDiagObject* diag,
                            unsigned long diagFlags) {
  VC_ASSERT(impl_);
  impl_->run(results, image, params, diag, diagFlags);
}
