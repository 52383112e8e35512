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

// The position in `to` of the entry that `p` points to in `from`.
inline const long* movePointer(const long* p, const long* from, const long* to) {
  return p ? to + (p - from) : nullptr;
}

}  // namespace vc_tracker_detail
