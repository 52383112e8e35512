// The run of the shape selection tool: its checks against the training, the search, and the
// record of the results.

#include "platform/base/str.h"
#include "platform/diag/diag_object.h"
#include "platform/graphics/color.h"
#include "shapeselect/shape_select_impl.h"
#include "shapeselect/shape_select_pictures.h"

namespace {

using Defs = vcShapeSelectDefs;

// The input image and, with 0x20000, every result's found template in green.
void recordRunResults(vcDiagObject* diag, unsigned long diagFlags,
                      const vcPelBuffer_const<unsigned char>& image,
                      const vcShapeSelectResultSet& results) {
  vcDiagObject* dest = vcDiagObject::getRecordingDestination(diag, diagFlags);
  const bool wantResults = vcDiagObject::shouldRecord(diagFlags, vcDiagObject::eResults);
  if (!dest || !(wantResults || vcDiagObject::shouldRecord(diagFlags, vcDiagObject::eInputs)))
    return;
  vcDiagRecord& record = dest->newDiagRecord();
  record.recordAnnotation(L"Shape Select Input/Results");
  record.image(image, false);
  if (!wantResults) return;
  const vcGraphicProps green(vcColor::green(), 1);
  for (long k = 0; k < results.numResults(); ++k) {
    const vcShapeSelectResult& r = results.results()[std::size_t(k)];
    record.graphics(vc_shapeselect::templatePicture(*r.foundTemplate(), green),
                    vcDiagRecord::eClientCoords, L"Result " + vfStr(k));
  }
}

// Clears the stored diagnostics destination when a run ends, however it ends.
class RunDiagScope {
 public:
  RunDiagScope(vcDiagObject*& diag, unsigned long& flags) : diag_(diag), flags_(flags) {}
  ~RunDiagScope() {
    diag_ = nullptr;
    flags_ = 0;
  }
  RunDiagScope(const RunDiagScope&) = delete;
  RunDiagScope& operator=(const RunDiagScope&) = delete;

 private:
  vcDiagObject*& diag_;
  unsigned long& flags_;
};

}  // namespace

void vcShapeSelectImpl::run(vcShapeSelectResultSet& results,
                            const vcPelBuffer_const<unsigned char>& image,
                            const vcShapeSelectRunParams& params, vcDiagObject* diag,
                            unsigned long diagFlags) {
  // Checks against the training; the run DOFs and template indexes steer nothing else.
  if (!trained_) throw Defs::NotTrained();
  const long numTemplates = long(templates_.size());
  const std::vector<vcShapeSelectTemplateParams>& select = params.selectDOFs();
  if (!select.empty() && long(select.size()) != numTemplates)
    throw Defs::BadParams(
        L"When supplied, selectDOFs must have size equal to number of trained templates.");
  for (const long index : params.templateIndexList())
    if (index < 0 || index >= numTemplates) throw Defs::BadIndex();
  for (std::size_t i = 0; i < select.size(); ++i)
    if (!select[i].isContainedBy(trainParams_.trainDOFs()[i]))
      throw Defs::BadParams(L"Run DOFs must be contained within trained DOF ranges.");
  if (!image.isBound()) throw vcBadParamsError(L"run: the image is unbound");

  // The search into a local set, so that a failure leaves the caller's results as they were.
  RunDiagScope scope(runDiag_, runDiagFlags_);
  runDiag_ = diag;
  runDiagFlags_ = diagFlags;
  vcShapeSelectResultSet found;
  search_(found, image, params);
  recordRunResults(diag, diagFlags, image, found);
  results = found;
}
