#include "platform/base/persistent.h"

#include "platform/base/archive.h"

vcPersistent::~vcPersistent() = default;

void vcPersistent::dispatchSerialize(vcArchive&) {}

void vcPersistent::reInit() {}

void vcPersistent::loadSimple(vcArchive& ar) {
  if (!ar.isLoading())
    throw vcBadParamsError(L"vcPersistent::loadSimple: the archive must be loading");
  vcArchive::ObjectScope scope(ar);
  reInit();
  dispatchSerialize(ar);
}

bool vcPersistent::haveVisited(const vcArchive& ar, const void* object, std::size_t size) {
  return ar.depth_ > 0 && ar.visited_.contains({object, size});
}

void vcPersistent::setVisited(vcArchive& ar, const void* object, std::size_t size) {
  if (ar.depth_ > 0) ar.visited_.insert({object, size});
}
