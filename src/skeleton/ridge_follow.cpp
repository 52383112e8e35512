#include "ridge_follow.h"

#include <cmath>
#include <numbers>

#include "platform/base/assert.h"
#include "platform/base/exception.h"

namespace vc_skeleton {
namespace {

constexpr long kMaxHalfCount = 16;

// The distance image in window pixel coordinates, and the client frame of its points.
class RidgeFrame {
 public:
  RidgeFrame(const vcPelBuffer_const<unsigned char>& distance, const vsRidgeFollowParams& s)
      : origin_(distance.pointToOffset()),
        stride_(distance.rowUpdate()),
        imageFromClient_(distance.imageFromClientXform()),
        clientFromImage_(distance.clientFromImageXform()),
        offset_(vcVector<2>(distance.offset())),
        plain_(distance.clientFromImageXform().isIdentity() && offset_.isNull()),
        normal_(s.normal),
        spacing_(s.normal / double(s.halfCount)),
        halfCount_(s.halfCount) {
    const double mx = 0.5 + std::fabs(normal_.x()) + 0.1;
    const double my = 0.5 + std::fabs(normal_.y()) + 0.1;
    lowX_ = mx;
    lowY_ = my;
    highX_ = double(distance.width()) - mx;
    highY_ = double(distance.height()) - my;
  }

  vcVector<2> toWindow(const vcVector<2>& client) const {
    return plain_ ? client : imageFromClient_.mapPoint(client) - offset_;
  }
  vcVector<2> toClient(const vcVector<2>& window) const {
    return plain_ ? window : clientFromImage_.mapPoint(window + offset_);
  }

  // True when every sample of a profile centred on q (window coordinates) lies inside.
  bool inMargins(const vcVector<2>& q) const {
    return q.x() >= lowX_ && q.x() <= highX_ && q.y() >= lowY_ && q.y() <= highY_;
  }

  // The profile across q: its samples, the index of the first largest one and the sub-sample
  // position of the ridge (the parabola's vertex, or the index itself at either end). When
  // labels is given, every sample marks its pixel.
  struct Profile {
    float max = 0.0f;
    long best = 0;
    double position = 0.0;
  };
  Profile sample(const vcVector<2>& q, std::uint16_t* labels, long labelStride,
                 std::uint16_t label) const {
    float s[2 * kMaxHalfCount + 1];
    const long count = 2 * halfCount_ + 1;
    const vcVector<2> first = q - normal_;
    Profile pr;
    for (long i = 0; i < count; ++i) {
      const vcVector<2> at = first + spacing_ * double(i);
      // Inside the margins u and w are at least 0.1, so truncation is the floor.
      const float u = float(at.x()) - 0.5f, w = float(at.y()) - 0.5f;
      const long iu = long(u), iw = long(w);
      const float fu = float(iu), fw = float(iw);
      const float ax = u - fu, ay = w - fw;
      const unsigned char* p = origin_ + iw * stride_ + iu;
      const float top = float(p[0]) + ax * (float(p[1]) - float(p[0]));
      const float bottom = float(p[stride_]) + ax * (float(p[stride_ + 1]) - float(p[stride_]));
      s[i] = top + ay * (bottom - top);
      if (labels != nullptr) labels[iw * labelStride + iu] = label;
      if (i == 0 || s[i] > pr.max) {
        pr.max = s[i];
        pr.best = i;
      }
    }
    pr.position = double(pr.best);
    if (pr.best > 0 && pr.best + 1 < count) {
      const double m = pr.max, c = s[pr.best - 1], a = s[pr.best + 1];
      pr.position += 0.5 * (a - c) / (2.0 * m - a - c);
    }
    return pr;
  }

  // The point moved across the ridge to the profile's ridge position.
  vcVector<2> recentred(const vcVector<2>& q, const Profile& pr) const {
    return q + spacing_ * (pr.position - double(halfCount_));
  }

 private:
  const unsigned char* origin_;
  long stride_;
  vcXform<2> imageFromClient_, clientFromImage_;
  vcVector<2> offset_;
  bool plain_;
  vcVector<2> normal_, spacing_;
  long halfCount_;
  double lowX_ = 0, lowY_ = 0, highX_ = 0, highY_ = 0;
};

void requireSettings(const vcPelBuffer_const<unsigned char>& distance, const vsRidgeFollowParams& s,
                     const wchar_t* op) {
  if (!distance.isBound())
    throw vcBadParamsError(std::wstring(op) + L": distance must be a bound image");
  VC_ASSERT(s.stepLength > 0.0);
  VC_ASSERT(s.minRidgeValue >= 0.0);
  VC_ASSERT(s.halfCount >= 1 && s.halfCount <= kMaxHalfCount);
  VC_ASSERT(std::isfinite(s.normal.x()) && std::isfinite(s.normal.y()));
}

}  // namespace

vsRidgeFollowParams ridgeFollowParams(vcRadian theta, double minRidgeValue,
                                      const vcVector<2>& start) {
  vsRidgeFollowParams s;
  s.minRidgeValue = minRidgeValue;
  s.direction = theta;
  s.normal = vcVector<2>(3.0, theta + vcRadian(std::numbers::pi / 2));
  s.halfCount = 2;
  s.stepLength = 1.0;
  s.startPoint = start;
  return s;
}

vcVector<2> centreOnRidge(const vcPelBuffer_const<unsigned char>& distance,
                          const vsRidgeFollowParams& settings, const vcVector<2>& p) {
  requireSettings(distance, settings, L"centreOnRidge");
  const RidgeFrame frame(distance, settings);
  const vcVector<2> q = frame.toWindow(p);
  if (!frame.inMargins(q)) return p;
  return frame.toClient(frame.recentred(q, frame.sample(q, nullptr, 0, 0)));
}

vcVector<2> refineOnRidge(const vcPelBuffer_const<unsigned char>& distance,
                          const vsRidgeFollowParams& settings) {
  requireSettings(distance, settings, L"refineOnRidge");
  const RidgeFrame frame(distance, settings);
  vcVector<2> q = frame.toWindow(settings.startPoint);
  for (int i = 0; i < 10 && frame.inMargins(q); ++i) {
    const vcVector<2> moved = frame.recentred(q, frame.sample(q, nullptr, 0, 0));
    const vcVector<2> step = moved - q;
    q = moved;
    if (step.x() * step.x() + step.y() * step.y() < 1e-10) break;  // moved under 1e-5 pixel
  }
  return frame.toClient(q);
}

void followRidge(const vcPelBuffer_const<unsigned char>& distance,
                 const vsRidgeFollowParams& settings, std::vector<vcVector<2>>& points,
                 std::vector<std::uint16_t>& labels, long width, std::uint16_t label) {
  requireSettings(distance, settings, L"followRidge");
  if (width != distance.width() ||
      labels.size() < std::size_t(distance.width()) * std::size_t(distance.height()))
    throw vcBadParamsError(
        L"followRidge: labels must hold width x height labels of the distance image");
  points.clear();
  const RidgeFrame frame(distance, settings);
  vcVector<2> q = frame.toWindow(settings.startPoint);
  if (!frame.inMargins(q)) return;
  const vcVector<2> step(settings.stepLength, settings.direction);
  const long lastSample = 2 * settings.halfCount;

  points.reserve(100);
  points.push_back(settings.startPoint);
  for (;;) {
    q += step;
    if (!frame.inMargins(q)) break;
    const RidgeFrame::Profile pr = frame.sample(q, labels.data(), width, label);
    // Below the ridge floor, or the ridge left the profile sideways.
    if (pr.max < settings.minRidgeValue) break;
    if (pr.best == 0 || pr.best == lastSample) break;
    q = frame.recentred(q, pr);
    points.push_back(frame.toClient(q));
  }
}

}  // namespace vc_skeleton
