#include "skeletal_extraction.h"

#include <cmath>

#include "binarize_locally.h"
#include "distance_transform.h"
#include "platform/base/exception.h"
#include "platform/blob/blob_analysis.h"
#include "platform/ip/median.h"
#include "ridge_trace.h"

namespace vc_skeleton {

void removeSpecksAndHoles(const vcPelBuffer<unsigned char>& mask) {
  vcBlobParams params;
  params.setSegmentationNone(255);
  vcBlobResults blobs;
  vfBlobAnalysis(mask, params, blobs);
  for (const vcBlob* blob : blobs.connectedBlobs()->allBlobs(false)) {
    if (blob->label() == 0 && blob->area() < 400)
      blob->region().setRegion(mask, 255, vcPair<long>(0, 0), false);
    else if (blob->label() == 1 && blob->area() < 1000)
      blob->region().setRegion(mask, 0, vcPair<long>(0, 0), false);
  }
}

}  // namespace vc_skeleton

void vfExtractSkeletalSegments(vcPelBuffer_const<unsigned char> image,
                               std::vector<vcFoundSegment>& segments, double minLength,
                               const vcPelBuffer_const<unsigned char>& distanceLut,
                               vsSkeletalStages* stages) {
  using namespace vc_skeleton;
  if (!image.isBound())
    throw vcBadParamsError(L"vfExtractSkeletalSegments: image must be a bound image");
  requireDistanceLut(distanceLut, L"vfExtractSkeletalSegments");
  if (std::isnan(minLength))
    throw vcBadParamsError(L"vfExtractSkeletalSegments: minLength must be a number");
  if (stages != nullptr) *stages = vsSkeletalStages();
  if (image.width() == 0 || image.height() == 0) {
    segments.clear();
    return;
  }

  // Clean: a 9 x 9 median removes noise and thin lines while keeping stroke edges straight.
  const vcPelBuffer<unsigned char> cleaned =
      vfPelMedian(image, vcPelMedianParams(vcPair<long>(9, 9), vcPair<long>(0, 255), false));

  // Binarise against local thresholds; later stages work in the window's pixel coordinates.
  vcPelBuffer<unsigned char> mask;
  binarizeLocally(cleaned, 20, mask, 0.55, 200, 100);
  mask.imageFromClientXform(vcXform<2>());

  // Specks and holes.
  removeSpecksAndHoles(mask);

  // Distance transform; ridge points are relative to the window until the end.
  vcPelBuffer<unsigned char> distance(mask.width(), mask.height(), 32, vcUnsetPels{});
  distanceTransform(mask, distanceLut, distance);
  const vcVector<2> origin(mask.offset());
  distance.offset(0, 0);

  // Ridge passes along x, then along y, from the same seeds; one segment per ridge.
  std::vector<vc_SeedInfo> seeds;
  findRidgeSeeds(distance, 0, seeds);
  vsRidgeLabelMap labels;
  std::vector<vcFoundSegment> found;
  for (vcDegree theta(0); theta < vcDegree(180); theta += vcDegree(90)) {
    vsRidgeParams params;
    params.seedThreshold = 0;
    params.widthFactor = 0.8;
    params.direction = vcRadian(theta);
    std::vector<vc_ridgeLine> ridges;
    traceRidges(distance, params, seeds, ridges, labels);
    for (std::size_t i = 0; i < ridges.size(); ++i) {
      vc_ridgeLine& ridge = ridges[i];
      fitRidge(distance, ridge, long(i));
      const double magnitude = ridge.rms >= 1.0 ? 255.0 / ridge.rms : 255.0;
      const vcFoundSegment segment(vcLineSeg(ridge.start + origin, ridge.end + origin), magnitude,
                                   vcSegmentDefs::eForward, ridge.width);
      if (segment.length() >= minLength) found.push_back(segment);
    }
  }

  // Client coordinates.
  const vcXform<2>& clientFromImage = image.clientFromImageXform();
  for (vcFoundSegment& s : found)
    s = vcFoundSegment(s.segment().map(clientFromImage), s.magnitude(), s.polarity(),
                       s.width() * clientFromImage.scale());
  segments.swap(found);
  if (stages != nullptr) {
    distance.offset(mask.offset());
    stages->cleaned = cleaned;
    stages->mask = mask;
    stages->distance = distance;
  }
}
