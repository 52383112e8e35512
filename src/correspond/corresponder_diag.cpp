// Diagnostics records of the corresponder's run: what each stage was given, the candidates of
// skeleton stages, stage messages, and for every result which found segment went to which
// model segment (matching colours and numbers on both sides).

#include <algorithm>
#include <cmath>

#include "platform/base/assert.h"
#include "platform/base/str.h"
#include "platform/diag/diag_object.h"
#include "platform/graphics/graphic_list.h"
#include "platform/graphics/graphic_simple.h"
#include "platform/graphics/graphic_text.h"
#include "tavshsl/segment_corresponder.h"

namespace {

// Tells model segments apart: n mod 7 picks red, orange, yellow, green, blue, purple, white.
vcColor indexColor(long n) {
  VC_ASSERT(n >= 0 && "Must return a color");
  switch (n % 7) {
    case 0: return vcColor::red();
    case 1: return vcColor::orange();
    case 2: return vcColor::yellow();
    case 3: return vcColor::green();
    case 4: return vcColor::blue();
    case 5: return vcColor::purple();
    default: return vcColor::white();
  }
}

void addSegment(vcGraphicList& list, const vcLineSeg& seg, const vcColor& color, long width) {
  list.append(vcGraphicSimple<vcLineSeg>(seg, vcGraphicProps(color, width)));
}

// A number written at a segment's midpoint, in the segment's colour on the pass colour.
void addNumber(vcGraphicList& list, const vcLineSeg& seg, long number, const vcColor& color) {
  list.append(vcGraphicText(vfStr(number), (seg.p1() + seg.p2()) * 0.5, color, vcColor::pass(),
                            vcUIFormat(4), vcPair<long>(0, 0)));
}

}  // namespace

void vcSegmentCorresponder::recordMessage_(const std::wstring& text) const {
  VC_ASSERT(diag_ != nullptr);
  diag_->newDiagRecord().recordAnnotation(text);
}

void vcSegmentCorresponder::recordInputDiags_(const vcSegmentCorresponderRunParams& /*params*/,
                                              const std::vector<vcFoundSegment>& found) const {
  VC_ASSERT(diag_ != nullptr);
  vcDiagRecord& record = diag_->newDiagRecord();
  record.recordAnnotation(L"Inputs");

  // Every trained instance in green, one list each.
  for (std::size_t t = 0; t < instances_.size(); ++t) {
    vcGraphicList list;
    for (const vcModelSegment& s : instances_[t].segments)
      addSegment(list, s.segment(), vcColor::green(), 1);
    record.graphics(list, vcDiagRecord::eClientCoords, L"Model " + vfStr(static_cast<long>(t)));
  }

  // The found segments in blue, brighter for stronger ones; with no magnitude at all, full
  // brightness.
  double strongest = 0.0;
  for (const vcFoundSegment& f : found) strongest = std::max(strongest, f.magnitude());
  vcGraphicList segments, numbers;
  for (std::size_t k = 0; k < found.size(); ++k) {
    const double share = strongest > 0.0 ? std::max(0.0, found[k].magnitude()) / strongest : 1.0;
    const vcColor color(0, 0, static_cast<long>(std::trunc(254.0 * share)));
    addSegment(segments, found[k].segment(), color, 1);
    addNumber(numbers, found[k].segment(), static_cast<long>(k), color);
  }
  record.graphics(segments, vcDiagRecord::eClientCoords, L"Input Found Segments");
  record.graphics(numbers, vcDiagRecord::eClientCoords, L"Input Found Segment IDs");
}

void vcSegmentCorresponder::recordSingleResultDiags_(long resultIndex,
                                                     const vcSegmentCorresponderResult& result,
                                                     const vcSegmentCorresponderRunParams& /*params*/,
                                                     const std::vector<vcFoundSegment>& found,
                                                     long basisIndex) const {
  VC_ASSERT(diag_ != nullptr);
  vcDiagRecord& record = diag_->newDiagRecord();
  record.recordAnnotation(L"Result " + vfStr(resultIndex));

  // The model in its own coordinates (nominal stroke widths), each segment in its index colour.
  const vcSegmentCorresponderModel& model =
      *trained_.params.models()[static_cast<std::size_t>(result.modelIdx())];
  std::vector<vcModelSegment> segments;
  model.transformModel(segments, vcXform<2>(),
                       std::vector<double>(static_cast<std::size_t>(model.numStrokes()), 1.0));
  vcGraphicList modelList, modelNumbers;
  for (std::size_t k = 0; k < segments.size(); ++k) {
    const vcColor color = indexColor(static_cast<long>(k));
    addSegment(modelList, segments[k].segment(), color, 1);
    addNumber(modelNumbers, segments[k].segment(), static_cast<long>(k), color);
  }
  record.graphics(modelList, vcDiagRecord::eClientCoords, L"Colorized Matching Model");
  record.graphics(modelNumbers, vcDiagRecord::eClientCoords, L"Matching Model Segment Numbers");

  // Found segments in the colour of the first model segment they went to, numbered with it;
  // unused ones grey; the basis three pixels wide.
  vcGraphicList foundList, foundNumbers;
  for (std::size_t f = 0; f < found.size(); ++f) {
    const long width = static_cast<long>(f) == basisIndex ? 3 : 1;
    const std::vector<long>& to = result.modelSegsForFoundSeg(static_cast<long>(f));
    if (to.empty()) {
      addSegment(foundList, found[f].segment(), vcColor::grey(), width);
      continue;
    }
    const vcColor color = indexColor(to.front());
    addSegment(foundList, found[f].segment(), color, width);
    addNumber(foundNumbers, found[f].segment(), to.front(), color);
  }
  record.graphics(foundList, vcDiagRecord::eClientCoords, L"Corresponded Found Segments");
  record.graphics(foundNumbers, vcDiagRecord::eClientCoords, L"Corresponded Model Segment Numbers");
}

// The width-adjusted posed outline of a skeleton candidate, added to the last record (a new
// one when there is none yet, as when the stage's inputs were not recorded).
void vcSegmentCorresponder::recordCandidateDiags_(const std::vector<vcModelSegment>& segments) const {
  VC_ASSERT(diag_ != nullptr);
  vcGraphicList list;
  for (std::size_t k = 0; k < segments.size(); ++k) {
    addSegment(list, segments[k].segment(), vcColor::orange(), 1);
    addNumber(list, segments[k].segment(), static_cast<long>(k), vcColor::orange());
  }
  vcDiagRecord& record = diag_->numRecords() > 0 ? diag_->diagRecord(diag_->numRecords() - 1)
                                                 : diag_->newDiagRecord();
  record.graphics(list, vcDiagRecord::eClientCoords, L"Candidate");
}
