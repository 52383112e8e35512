#pragma once

// The edgelet map: the edgelets of an image, plus a pixel-aligned image of 32-bit cells that
// says for every pixel which edgelet lies there, so that the trackers walk the image instead
// of searching the list.
//
//   vcEdgeletMap map(image, 15.0);          // edge detection with magnitude threshold 15
//   const std::vector<vcEdgelet>& edges = map.edges();
//   long n = ...;                           // a tracker marks cells and records indexes
//   map.rollbackCache(n);                   // ... and restores the map afterwards
//
// Cells. For an image of width w and height h the map is a w x h window, with the image's
// offset and client transform, so the edgelet at pixel (get_i(), get_j()) has the cell at
// column get_i() - offset().x(), row get_j() - offset().y(). A cell holding an edgelet holds
// its index (>= 0) in edges(). An empty cell holds -k, k being the number of cells from it up
// to and including the last empty cell before the next edgelet or the end of the row: a run
// of empty cells reads -k, -(k - 1), ..., -1, and a scanner meeting a negative value v skips
// -v cells. The window sits inside storage of (w + 2) x (h + 2) cells with a one-cell frame:
// the frame rows read -(w + 2), ..., -1 over their whole width, and the frame cells left and
// right of every row read -1. So every neighbour of a map cell can be read, and is negative
// when it lies outside the map.
//
// Fixed window. The cells of the edgelets are found through the map's offset and its place in
// its storage, so a built map keeps the window it was built with: its offset setter refuses a
// new offset, and every tool given a map (and rollbackCache) refuses one whose window was changed
// through its pel-buffer base.
//
// Sharing. Copies of a map share its cells and its cache (the edgelets and the scratch
// pools): a tracker that marks a cell through one copy (writing -1 over the index) is seen
// by all. Trackers mark through a const map; runs on one map or its copies must not overlap
// in time.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/base/handle.h"
#include "platform/base/pair.h"
#include "platform/base/pel_buffer.h"
#include "platform/ip/edgelet.h"
#include "tavshsl/export.h"

class vcEdgeletMap;

// The edgelets of a map and three scratch pools of longs for the trackers, shared by every
// copy of the map. Only vcEdgeletMap creates caches; they are never copied.
//
// Pools. For n edgelets one allocation holds indexPool (n entries), then countPool (n
// entries), then miscPool (max(257, n + 1) entries): 2n + 257 longs below 256 edgelets, 3n + 1
// from 256 on. All three are null for n = 0. What they hold is up to the tracker that ran
// last.
class TAVSHSL_API vcEdgeletMapCache : public vcEdgeletSet, public vcRepBase {
 public:
  vcEdgeletMapCache(const vcEdgeletMapCache&) = delete;
  vcEdgeletMapCache& operator=(const vcEdgeletMapCache&) = delete;
  ~vcEdgeletMapCache() override;

  long* indexPool() { return indexPool_; }
  const long* indexPool() const { return indexPool_; }
  long* countPool() { return countPool_; }
  const long* countPool() const { return countPool_; }
  long* miscPool() { return miscPool_; }
  const long* miscPool() const { return miscPool_; }
  // Number of entries of miscPool (0 when there are no edgelets), so that a tracker can check
  // that its buffers fit.
  long miscPoolSize() const;

 private:
  friend class vcEdgeletMap;
  vcEdgeletMapCache() = default;

  // Interpolates the edgelets to sub-pixel positions and allocates the pools for them (the
  // previous pools are freed first). Throws: std::bad_alloc.
  void init_();

  std::unique_ptr<long[]> pools_;
  long* indexPool_ = nullptr;
  long* countPool_ = nullptr;
  long* miscPool_ = nullptr;
};

class TAVSHSL_API vcEdgeletMap : public vcPelBuffer<std::int32_t> {
 public:
  // An unbound map: no cells, no image, null cache, no edgelets.
  vcEdgeletMap();

  // Detects the edgelets of image (magnitude threshold magThresh in grey levels of contrast,
  // magScale 1; platform/ip/edge_detect.h), interpolates them to sub-pixel positions and
  // builds the cells. An unbound image gives an unbound map.
  // Throws: vcBadParamsError from the detector (magThresh negative or not finite, pixel
  // coordinates outside [0, 65535]); std::bad_alloc.
  vcEdgeletMap(const vcPelBuffer_const<unsigned char>& image, double magThresh);
  // Throws what the constructor above would throw for these arguments, without building
  // anything: for callers that refuse bad input before they change anything.
  static void checkSource(const vcPelBuffer_const<unsigned char>& image, double magThresh);

  // Copies share the cells, the image and the cache.
  vcEdgeletMap(const vcEdgeletMap&) = default;
  vcEdgeletMap& operator=(const vcEdgeletMap&) = default;
  virtual ~vcEdgeletMap();

  // The offset of the window. A built map keeps the offset of its image.
  // Throws: vcBadParamsError when the map is built and o differs from its offset (the map is
  // then unchanged).
  using vcPelBuffer<std::int32_t>::offset;
  void offset(long x, long y) { offset(vcPair<long>(x, y)); }
  void offset(const vcPair<long>& o);

  // Throws vcBadParamsError, naming `tool`, unless the map is unbound or has the cells, window
  // and offset it was built with.
  void checkWindow(const wchar_t* tool) const;

  // The shared cache; a null handle for an unbound map.
  vcPtrHandle<vcEdgeletMapCache> cache() const { return cache_; }

  // The edgelets, in raster order; an empty list for an unbound map.
  const std::vector<vcEdgelet>& edges() const;

  // The image the edgelets came from (a view, not a copy of its pixels), of that image's size,
  // placed at the map's root position plus the difference of root positions taken when the
  // map was built, with the map's offset. Unbound for an unbound map.
  vcPelBuffer_const<unsigned char> image() const;

  // Writes back into the cells of the edgelets listed in the first n entries of the cache's
  // indexPool their own indexes, undoing a tracker's marks (a tracker records every edgelet
  // it consumes there). Does nothing without a cache.
  // Throws: vcBadParamsError when n is outside [0, number of edgelets], an entry is not an
  // edgelet index or the window was changed (checkWindow); the map is then unchanged.
  void rollbackCache(long n) const;

 private:
  void reset_(const vcPelBuffer_const<unsigned char>& image, double magThresh);
  void setupMap_();

  vcPelBuffer_const<unsigned char> image_;
  vcPelBuffer_const<std::int32_t> built_;  // the window as built, to check against
  vcPair<long> imageRootDiff_;  // image root offset minus map root offset, at build time
  vcPtrHandle<vcEdgeletMapCache> cache_;
};
