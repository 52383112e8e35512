// Finds straight lines and circles in an 8-bit binary PGM image and prints them in client
// coordinates (here the pixel grid, as the file carries no calibration).
//
//   build/release/bin/find_lines_and_circles part.pgm
//
// It uses nothing but the library, so it also builds against an installed copy
// (examples/CMakeLists.txt).

#include <cstdio>
#include <exception>

#include "pgm_image.h"
#include "tavshsl/circle_finder.h"
#include "tavshsl/line_tracker.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s IMAGE.pgm\n", argv[0]);
    return 2;
  }
  try {
    const vcPelBuffer<unsigned char> image = example::readPgm(argv[1]);

    vcLineTrackerRunParams lineParams;  // magThresh 15, angleTol 35 deg, distanceTol 1 pixel
    lineParams.minNumEdgelets(10);
    vcLineTrackerResultSet lines;
    vfLineTracker(image, lineParams, lines, nullptr, 0);
    for (const vcLineTrackerResult& line : lines.results())
      std::printf("line   (%.2f, %.2f) - (%.2f, %.2f)  %ld edgelets\n", line.p1().x(),
                  line.p1().y(), line.p2().x(), line.p2().y(), line.numEdgelets());

    vcCircleFinderRunParams circleParams;
    circleParams.radiusRange(vcRange(5.0, 100.0));
    circleParams.maxNumResults(10);
    vcCircleFinderResultSet circles;
    vfCircleFinder(image, circleParams, circles, nullptr, 0);
    for (const vcCircleFinderResult& circle : circles.results())
      std::printf("circle (%.2f, %.2f) r %.2f  coverage %.2f\n", circle.center().x(),
                  circle.center().y(), circle.radius(), circle.coverage());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[1], e.what());
    return 2;
  }
  return 0;
}
