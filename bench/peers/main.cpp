// peers: times our tools and OpenCV's on the same images in one run and prints the ratios.
//
//   peers                      every comparison, 20 timed runs per call
//   peers --runs 5 lines       only the line comparison, 5 runs per call
//   peers accuracy             the accuracy buckets on 100 benchmark scenes (--scenes N)
//   peers --overlays DIR lines also draws the lines found on the photographs into DIR
//
// Sections: filters (edgelet map vs Canny, median vs medianBlur), lines (line tracker vs LSD
// and EdgeDrawing), circles (circle finder vs EdgeDrawing and HoughCircles), strokes (skeletal
// extraction vs an OpenCV skeleton pipeline). Every time is the
// median of the timed runs after one warm-up run; OpenCV runs on one thread, as our library
// does. The machine's load average is printed first, since a shared machine slows both sides.

#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>

#include <cstdio>
#include <exception>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>

#include "comparisons.h"

namespace {

struct Options {
  int runs = 20;
  long scenes = 100;
  std::string overlays;            // folder for the photographs' line overlays, or empty
  std::set<std::string> sections;  // empty: all
};

const std::set<std::string> kSections = {"filters", "lines", "circles", "strokes", "accuracy"};

// Throws std::invalid_argument naming the bad argument.
Options parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--runs") {
      if (i + 1 >= argc) throw std::invalid_argument("--runs needs a count from 1 to 1000");
      const std::string value = argv[++i];
      std::size_t used = 0;
      int runs = 0;
      try {
        runs = std::stoi(value, &used);
      } catch (const std::exception&) {
        used = 0;
      }
      if (used != value.size() || runs < 1 || runs > 1000)
        throw std::invalid_argument("--runs needs a count from 1 to 1000, not \"" + value + "\"");
      options.runs = runs;
    } else if (arg == "--scenes") {
      const std::string value = i + 1 < argc ? argv[++i] : "";
      std::size_t used = 0;
      try {
        options.scenes = std::stol(value, &used);
      } catch (const std::exception&) {
        used = 0;
      }
      if (used == 0 || used != value.size() || options.scenes < 1 || options.scenes > 10000)
        throw std::invalid_argument("--scenes needs a count from 1 to 10000");
    } else if (arg == "--overlays") {
      if (i + 1 >= argc) throw std::invalid_argument("--overlays needs a folder");
      options.overlays = argv[++i];
    } else if (kSections.count(arg) != 0) {
      options.sections.insert(arg);
    } else {
      throw std::invalid_argument(
          "unknown argument \"" + arg +
          "\"; use --runs N, --scenes N, --overlays DIR and the sections filters, lines, "
          "circles, strokes, accuracy");
    }
  }
  return options;
}

bool wanted(const Options& options, const std::string& section) {
  return options.sections.empty() || options.sections.count(section) != 0;
}

// The first line of /proc/loadavg, or "unknown".
std::string loadAverage() {
  std::ifstream file("/proc/loadavg");
  std::string line;
  if (!std::getline(file, line)) return "unknown";
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const Options options = parse(argc, argv);
    cv::setNumThreads(1);
    std::printf("OpenCV %s, %d thread, IPP %s; median of %d runs after a warm-up\n", CV_VERSION,
                cv::getNumThreads(), cv::ipp::useIPP() ? "on" : "off", options.runs);
    std::printf("load average at start: %s\n", loadAverage().c_str());
    std::printf("ratio = ours / peer: below 1 means ours is faster\n");

    if (wanted(options, "filters")) peers::compareFilters(options.runs);
    if (wanted(options, "lines")) peers::compareLines(options.runs, options.overlays);
    if (wanted(options, "circles")) peers::compareCircles(options.runs);
    if (wanted(options, "strokes")) peers::compareStrokes(options.runs);
    // Accuracy only when asked: it scores 100 scenes and times nothing.
    if (options.sections.count("accuracy") != 0) peers::compareAccuracy(options.scenes);

    std::printf("\nload average at end: %s\n", loadAverage().c_str());
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "peers: %s\n", e.what());
    return 1;
  }
}
