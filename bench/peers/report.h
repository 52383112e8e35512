#pragma once

// The printed tables: one timing table for every comparison, and a quality table for the
// finders whose answers can be checked against a scene's ground truth.
//
//   printTimingHeader("Filters");
//   printTiming({"median 9x9 vs cv::medianBlur", sizeText(640, 480), 3.1, 2.4, ""});

#include <string>

namespace peers {

// One comparison of our call with a peer's on the same image. Times in milliseconds; the
// ratio printed is ours / peer, so below 1 means ours is faster.
struct vsTimingRow {
  std::string operation;  // what is compared, "ours vs peer"
  std::string size;       // the image, e.g. "640x480" or a photo's name and size
  double oursMs = 0.0;
  double peerMs = 0.0;
  std::string note;  // anything that qualifies the figures (counts found, ...)
};

// "640x480".
std::string sizeText(long width, long height);

void printTimingHeader(const std::string& title);
void printTiming(const vsTimingRow& row);

// One finder's figures against ground truth, summed over several scenes. Recall and precision
// are fractions in [0, 1]; the centre error is the mean centre distance of the matched
// circles, in pixels. A figure that cannot be computed (nothing found, no truth) prints "-".
struct vsQualityRow {
  std::string tool;
  double meanMs = 0.0;
  long truth = 0;
  long found = 0;
  long matched = 0;
  double centreErrorPx = 0.0;
};

void printQualityHeader(const std::string& title);
void printQuality(const vsQualityRow& row);

}  // namespace peers
