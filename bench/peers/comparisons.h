#pragma once

// The comparisons the program runs, one per tool family. Each prints its own table and
// times every call as the median of `runs` runs after a warm-up (timing.h).

#include <string>

namespace peers {

// Edgelet map vs cv::Canny, 9x9 median vs cv::medianBlur, at 640x480, 1280x1024, 2048x2048.
void compareFilters(int runs);

// The image form of the line tracker vs OpenCV's LSD and EdgeDrawing line detectors, on
// generated scenes and on the photographs that are installed (photos.h), then the number of
// lines of 10 pixels or more each finds on each photograph. With a folder in overlays, every
// photograph's lines of 10 pixels or more, ours and EdgeDrawing's, are drawn into
// <folder>/<photograph>-ours.png and -ed.png.
void compareLines(int runs, const std::string& overlays);

// The circle finder vs EdgeDrawing's circle detector and HoughCircles: times and quality on
// generated scenes, times on the coins photograph.
void compareCircles(int runs);

// Stroke centre-line extraction vs OpenCV's median, adaptive threshold, component filter,
// distance transform and thinning, on scenes of stroke figures at three sizes.
void compareStrokes(int runs);

// Lines and circles of every finder on the accuracy benchmark's first `scenes` scenes, scored
// bucket by bucket (bench/accuracy/score.h); no timing.
void compareAccuracy(long scenes);

}  // namespace peers
