#include "tavshsl/corresponder_result.h"

#include <algorithm>
#include <string>

#include "platform/base/exception.h"
#include "platform/base/str.h"

namespace {

void eraseAll(std::vector<long>& list, long value) {
  list.erase(std::remove(list.begin(), list.end(), value), list.end());
}

}  // namespace

vcSegmentCorresponderResult::vcSegmentCorresponderResult(long modelIdx, long numModelSegs,
                                                         long numFoundSegs)
    : modelIdx_(modelIdx) {
  if (modelIdx < 0 || numModelSegs < 0 || numFoundSegs < 0)
    throw vcBadParamsError(
        L"vcSegmentCorresponderResult: modelIdx, numModelSegs and numFoundSegs must be >= 0, got " +
        vfStr(modelIdx) + L", " + vfStr(numModelSegs) + L", " + vfStr(numFoundSegs));
  foundSegsForModelSeg_.resize(static_cast<std::size_t>(numModelSegs));
  modelSegsForFoundSeg_.resize(static_cast<std::size_t>(numFoundSegs));
}

void vcSegmentCorresponderResult::reset(long modelIdx, long numModelSegs, long numFoundSegs) {
  if (modelIdx < 0 || numModelSegs < 0 || numFoundSegs < 0)
    throw vcBadParamsError(
        L"vcSegmentCorresponderResult::reset: modelIdx, numModelSegs and numFoundSegs must be "
        L">= 0, got " +
        vfStr(modelIdx) + L", " + vfStr(numModelSegs) + L", " + vfStr(numFoundSegs));
  modelIdx_ = modelIdx;
  score_ = 0.0;
  basisSegmentIdx_ = -1;
  if (direct_) {
    for (std::vector<long>& list : modelSegsForFoundSeg_) list.clear();
  } else {
    for (const std::vector<long>& list : foundSegsForModelSeg_)
      for (long f : list) modelSegsForFoundSeg_[static_cast<std::size_t>(f)].clear();
  }
  direct_ = false;
  for (std::vector<long>& list : foundSegsForModelSeg_) list.clear();
  foundSegsForModelSeg_.resize(static_cast<std::size_t>(numModelSegs));
  modelSegsForFoundSeg_.resize(static_cast<std::size_t>(numFoundSegs));
}

void vcSegmentCorresponderResult::badIndex_(const wchar_t* operation, const wchar_t* name,
                                            long value, long size) {
  throw vcBadParamsError(std::wstring(operation) + L": " + name + L" must be in [0, " +
                         vfStr(size) + L"), got " + vfStr(value));
}

bool vcSegmentCorresponderResult::operator==(const vcSegmentCorresponderResult& other) const {
  return modelIdx_ == other.modelIdx_ && score_ == other.score_ &&
         basisSegmentIdx_ == other.basisSegmentIdx_ &&
         modelSegsForFoundSeg_ == other.modelSegsForFoundSeg_ &&
         foundSegsForModelSeg_ == other.foundSegsForModelSeg_;
}

void vcSegmentCorresponderResult::add(long f, long k) {
  checkFound_(f, L"vcSegmentCorresponderResult::add");
  checkModel_(k, L"vcSegmentCorresponderResult::add");
  std::vector<long>& models = modelSegsForFoundSeg_[static_cast<std::size_t>(f)];
  std::vector<long>& founds = foundSegsForModelSeg_[static_cast<std::size_t>(k)];
  // Reserve both first so that the second push cannot fail after the first succeeded.
  models.reserve(models.size() + 1);
  founds.reserve(founds.size() + 1);
  models.push_back(k);
  founds.push_back(f);
}

void vcSegmentCorresponderResult::remove(long f, long k) {
  checkFound_(f, L"vcSegmentCorresponderResult::remove");
  checkModel_(k, L"vcSegmentCorresponderResult::remove");
  eraseAll(modelSegsForFoundSeg_[static_cast<std::size_t>(f)], k);
  eraseAll(foundSegsForModelSeg_[static_cast<std::size_t>(k)], f);
}
