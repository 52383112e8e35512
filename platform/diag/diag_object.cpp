#include "platform/diag/diag_object.h"

#include "platform/base/exception.h"
#include "platform/base/str.h"

namespace {

size_t checkedIndex(long i, long n) {
  if (i < 0 || i >= n)
    throw vcBadParamsError(L"vcDiagObject::diagRecord: index must be in [0, " + vfStr(n) +
                           L"), got " + vfStr(i));
  return static_cast<size_t>(i);
}

}  // namespace

vcDiagRecord& vcDiagObject::diagRecord(long i) { return records_[checkedIndex(i, numRecords())]; }

const vcDiagRecord& vcDiagObject::diagRecord(long i) const {
  return records_[checkedIndex(i, numRecords())];
}

void vfSMDAddImage(vcDiagObject* diag, unsigned long flags,
                   const vcPelBuffer_const<unsigned char>& image, const std::wstring& label) {
  vcDiagObject* dest = vcDiagObject::getRecordingDestination(diag, flags);
  if (dest == nullptr) return;
  // Fill a record aside, so that a refused image leaves the object unchanged.
  vcDiagRecord record;
  record.image(image, true, label);
  dest->newDiagRecord() = std::move(record);
}
