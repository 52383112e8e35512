#include <mutex>

#include "edges/circle_impl.h"
#include "platform/base/critical_section.h"

vcCircleFinder::vcCircleFinder() : impl_(new vc_circle_detail::FinderImpl) {}

vcCircleFinder::~vcCircleFinder() { delete impl_; }

void vcCircleFinder::run(const vcPelBuffer_const<unsigned char>& image,
                         const vcCircleFinderRunParams& params, vcCircleFinderResultSet& results,
                         vcDiagObject* diag, unsigned long flags) {
  impl_->run(&image, nullptr, nullptr, params, results, diag, flags);
}

void vcCircleFinder::run(const vcEdgeletMap& map, const vcCircleFinderRunParams& params,
                         vcCircleFinderResultSet& results, vcDiagObject* diag,
                         unsigned long flags) {
  impl_->run(nullptr, &map, nullptr, params, results, diag, flags);
}

void vcCircleFinder::run(const vcPelBuffer_const<unsigned char>& image,
                         const vcVector<2>& expectedCenter, const vcCircleFinderRunParams& params,
                         vcCircleFinderResultSet& results, vcDiagObject* diag,
                         unsigned long flags) {
  impl_->run(&image, nullptr, &expectedCenter, params, results, diag, flags);
}

void vcCircleFinder::run(const vcEdgeletMap& map, const vcVector<2>& expectedCenter,
                         const vcCircleFinderRunParams& params, vcCircleFinderResultSet& results,
                         vcDiagObject* diag, unsigned long flags) {
  impl_->run(nullptr, &map, &expectedCenter, params, results, diag, flags);
}

// Each form keeps its own finder and lock, created on first use; the guard unlocks before an
// exception leaves the call.
void vfCircleFinder(const vcPelBuffer_const<unsigned char>& image,
                    const vcCircleFinderRunParams& params, vcCircleFinderResultSet& results,
                    vcDiagObject* diag, unsigned long flags) {
  static vcCriticalSection section;
  static vcCircleFinder finder;
  std::lock_guard<vcCriticalSection> guard(section);
  finder.run(image, params, results, diag, flags);
}

void vfCircleFinder(const vcEdgeletMap& map, const vcCircleFinderRunParams& params,
                    vcCircleFinderResultSet& results, vcDiagObject* diag, unsigned long flags) {
  static vcCriticalSection section;
  static vcCircleFinder finder;
  std::lock_guard<vcCriticalSection> guard(section);
  finder.run(map, params, results, diag, flags);
}

void vfCircleFinder(const vcPelBuffer_const<unsigned char>& image,
                    const vcVector<2>& expectedCenter, const vcCircleFinderRunParams& params,
                    vcCircleFinderResultSet& results, vcDiagObject* diag, unsigned long flags) {
  static vcCriticalSection section;
  static vcCircleFinder finder;
  std::lock_guard<vcCriticalSection> guard(section);
  finder.run(image, expectedCenter, params, results, diag, flags);
}

void vfCircleFinder(const vcEdgeletMap& map, const vcVector<2>& expectedCenter,
                    const vcCircleFinderRunParams& params, vcCircleFinderResultSet& results,
                    vcDiagObject* diag, unsigned long flags) {
  static vcCriticalSection section;
  static vcCircleFinder finder;
  std::lock_guard<vcCriticalSection> guard(section);
  finder.run(map, expectedCenter, params, results, diag, flags);
}
