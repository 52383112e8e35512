#include "tavshsl/edgelet_map.h"

#include <algorithm>
#include <string>

#include "edges/map_rows.h"
#include "platform/base/assert.h"
#include "platform/base/exception.h"
#include "platform/base/str.h"
#include "platform/ip/edge_detect.h"

// ---- Cache ------------------------------------------------------------------------------

vcEdgeletMapCache::~vcEdgeletMapCache() = default;

long vcEdgeletMapCache::miscPoolSize() const {
  const long n = long(edges().size());
  return n == 0 ? 0 : std::max(257L, n + 1);
}

void vcEdgeletMapCache::init_() {
  pools_.reset();
  indexPool_ = countPool_ = miscPool_ = nullptr;
  const long n = long(edges().size());
  if (n == 0) return;
  doEdgeInterp();
  // indexPool and countPool n entries each, miscPool max(257, n + 1). Not zeroed: every
  // tracker writes the entries it reads.
  pools_.reset(new long[std::size_t(2 * n + miscPoolSize())]);
  indexPool_ = pools_.get();
  countPool_ = indexPool_ + n;
  miscPool_ = countPool_ + n;
}

// ---- Map --------------------------------------------------------------------------------

vcEdgeletMap::vcEdgeletMap() = default;

vcEdgeletMap::vcEdgeletMap(const vcPelBuffer_const<unsigned char>& image, double magThresh) {
  reset_(image, magThresh);
}

vcEdgeletMap::~vcEdgeletMap() = default;

void vcEdgeletMap::checkSource(const vcPelBuffer_const<unsigned char>& image, double magThresh) {
  if (!image.isBound()) return;  // an unbound map
  vcEdgeletParams().magThresh(magThresh);
  vfEdgeDetectCheckImage(image);
}

const std::vector<vcEdgelet>& vcEdgeletMap::edges() const {
  static const std::vector<vcEdgelet> kNoEdgelets;
  return cache_ ? cache_->edges() : kNoEdgelets;
}

vcPelBuffer_const<unsigned char> vcEdgeletMap::image() const {
  if (!image_.isBound()) return image_;
  const vcPair<long> root = offsetRoot() + imageRootDiff_;
  vcPelBuffer_const<unsigned char> view =
      image_.windowRoot(root.x(), root.y(), image_.width(), image_.height());
  view.offset(offset());
  return view;
}

void vcEdgeletMap::offset(const vcPair<long>& o) {
  if (cache_ && o != offset())
    throw vcBadParamsError(L"vcEdgeletMap::offset: a built map keeps its image's offset (" +
                           vfStr(offset().x()) + L", " + vfStr(offset().y()) + L")");
  vcPelBuffer<std::int32_t>::offset(o);
}

void vcEdgeletMap::checkWindow(const wchar_t* tool) const {
  if (!cache_) return;
  if (!sharesPixels(built_) || offsetRoot() != built_.offsetRoot() || width() != built_.width() ||
      height() != built_.height() || offset() != built_.offset())
    throw vcBadParamsError(std::wstring(tool) +
                           L": the edgelet map's window or offset was changed after it was built");
}

void vcEdgeletMap::reset_(const vcPelBuffer_const<unsigned char>& image, double magThresh) {
  // An unbound image gives an unbound map.
  if (!image.isBound()) {
    static_cast<vcPelBuffer<std::int32_t>&>(*this) = vcPelBuffer<std::int32_t>();
    image_.setUnbound();
    built_.setUnbound();
    imageRootDiff_ = vcPair<long>();
    cache_.reset();
    return;
  }

  // Detect the edgelets into a new cache and give it its pools.
  vcPtrHandle<vcEdgeletMapCache> cache(new vcEdgeletMapCache());
  vcEdgeletParams params(1.0, 20.0, 1);
  params.magThresh(magThresh);
  params.magScale(1.0);
  vfEdgeDetectInterpolated(image, params, *cache);
  cache->init_();

  // Storage with a one-cell frame: frame rows -(w + 2) ... -1, frame columns -1. Every cell is
  // written below, so the storage is not zeroed first.
  const long w = image.width(), h = image.height();
  vcPelBuffer<std::int32_t> storage(w + 2, h + 2, 32, vcUnsetPels());
  vc_tracker_detail::fillRun(storage.pointToRow(0), 0, w + 2);
  for (long y = 1; y <= h; ++y) {
    std::int32_t* row = storage.pointToRow(y);
    row[0] = -1;
    row[w + 1] = -1;
  }
  vc_tracker_detail::fillRun(storage.pointToRow(h + 1), 0, w + 2);

  // The map is the inner window, in the image's coordinates.
  vcPelBuffer<std::int32_t> cells = storage.subWindow(1, 1, w, h);
  cells.offset(image.offset());
  cells.copyXforms(image);

  static_cast<vcPelBuffer<std::int32_t>&>(*this) = cells;
  image_ = image;
  built_ = cells;
  imageRootDiff_ = image.offsetRoot() - offsetRoot();
  cache_ = cache;
  setupMap_();
}

void vcEdgeletMap::setupMap_() {
  const std::vector<vcEdgelet>& edges = cache_->edges();
  VC_ASSERT(edges.size() <= std::size_t(INT32_MAX));
  const long w = width(), h = height();
  const long ox = offset().x(), oy = offset().y();
  // The edgelets come in raster order, row after row.
  vc_tracker_detail::MapRowWriter writer(w);
  std::size_t k = 0;
  for (long y = 0; y < h; ++y) k = writer.write(pointToRow(y), edges, k, ox, oy + y);
  VC_ASSERT(k == edges.size());
}

void vcEdgeletMap::rollbackCache(long n) const {
  if (!cache_) return;
  checkWindow(L"vcEdgeletMap::rollbackCache");
  const std::vector<vcEdgelet>& edges = cache_->edges();
  const long count = long(edges.size());
  if (n < 0 || n > count)
    throw vcBadParamsError(L"vcEdgeletMap::rollbackCache: n must be in [0, " + vfStr(count) +
                           L"], got " + vfStr(n));

  // Check every recorded index before writing any cell: first all at once, without a branch
  // per entry, then entry by entry for the message when one is bad.
  const long* pool = cache_->indexPool();
  bool bad = false;
  for (long k = 0; k < n; ++k)
    bad |= static_cast<unsigned long>(pool[k]) >= static_cast<unsigned long>(count);
  for (long k = 0; bad && k < n; ++k)
    if (pool[k] < 0 || pool[k] >= count)
      throw vcBadParamsError(L"vcEdgeletMap::rollbackCache: indexPool entry " + vfStr(k) +
                             L" must be an edgelet index in [0, " + vfStr(count - 1) + L"], got " +
                             vfStr(pool[k]));

  // Each recorded edgelet gets its index back in its cell.
  if (n == 0) return;
  const long ox = offset().x(), oy = offset().y(), stride = rowUpdate();
  std::int32_t* origin = pointToOffset();
  // The entries follow the traces, which cross rows at every step, so the edgelets they name
  // are fetched ahead.
  constexpr long kAhead = 32;
  for (long k = 0; k < n; ++k) {
    if (k + kAhead < n) __builtin_prefetch(&edges[std::size_t(pool[k + kAhead])]);
    const vcEdgelet& e = edges[std::size_t(pool[k])];
    origin[(e.get_j() - oy) * stride + (e.get_i() - ox)] = std::int32_t(pool[k]);
  }
}
