#pragma once

// Index pools of the tracker result sets: a set either owns its pool or shares the map's.

#include <algorithm>
#include <memory>

namespace vc_tracker_detail {

// A new array holding the size longs of pool (an empty array for size 0).
// Throws: std::bad_alloc.
inline std::unique_ptr<long[]> copyPool(const long* pool, long size) {
  std::unique_ptr<long[]> copy(new long[std::size_t(size > 0 ? size : 0)]);
  if (size > 0) std::copy(pool, pool + size, copy.get());
  return copy;
}

// Copies pool (size longs) into `owned` and moves the index pointer of every result, reached
// through indexesOf(result) (a reference to a const long*), to the same position in the copy.
// Returns the copy. Throws: std::bad_alloc, before anything changes.
template <class Results, class IndexesOf>
long* duplicatePool(std::unique_ptr<long[]>& owned, const long* pool, long size,
                    Results& results, IndexesOf indexesOf) {
  owned = copyPool(pool, size);
  for (auto& r : results) {
    const long*& p = indexesOf(r);
    if (p) p = owned.get() + (p - pool);
  }
  return owned.get();
}

}  // namespace vc_tracker_detail
