#include "platform/diag/diag_record.h"

#include "platform/base/exception.h"
#include "platform/base/pel_ops.h"
#include "platform/base/str.h"

namespace {

vcDiagEntry::veCoordSystem checkedCoordSystem(long cs) {
  if (cs != vcDiagEntry::eImageCoords && cs != vcDiagEntry::eClientCoords)
    throw vcBadParamsError(
        L"vcDiagRecord: coordinate system must be 1 (image) or 2 (client), got " + vfStr(cs));
  return static_cast<vcDiagEntry::veCoordSystem>(cs);
}

}  // namespace

vcDiagEntry::vcDiagEntry(const vcGraphicList& graphics, long coordinateSystem,
                         const std::wstring& label)
    : content_(graphics), coordinateSystem_(checkedCoordSystem(coordinateSystem)), label_(label) {}

vcDiagEntry::vcDiagEntry(const vcUISketch& sketch, long coordinateSystem, const std::wstring& label)
    : content_(sketch), coordinateSystem_(checkedCoordSystem(coordinateSystem)), label_(label) {}

const vcGraphicList& vcDiagEntry::graphics() const {
  if (isSketch()) throw vcBadParamsError(L"vcDiagEntry::graphics: the entry holds a sketch");
  return std::get<vcGraphicList>(content_);
}

const vcUISketch& vcDiagEntry::sketch() const {
  if (!isSketch()) throw vcBadParamsError(L"vcDiagEntry::sketch: the entry holds a graphic list");
  return std::get<vcUISketch>(content_);
}

void vcDiagRecord::image(const vcPelBuffer_const<unsigned char>& image, bool copy,
                         const std::wstring& label) {
  if (!image.isBound()) throw vcBadParamsError(L"vcDiagRecord::image: the image is unbound");
  // Build everything that can throw before touching the record.
  vcPelBuffer_const<unsigned char> kept = copy ? vfPelCopy(image) : image;
  std::wstring keptLabel = label;
  image_ = std::move(kept);
  imageLabel_ = std::move(keptLabel);
}

void vcDiagRecord::graphics(const vcGraphicList& list, long coordinateSystem,
                            const std::wstring& label) {
  entries_.emplace_back(list, coordinateSystem, label);
}

void vcDiagRecord::sketch(const vcUISketch& sketch, long coordinateSystem,
                          const std::wstring& label) {
  entries_.emplace_back(sketch, coordinateSystem, label);
}
