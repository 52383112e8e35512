#pragma once

// The comparisons the program runs, one per tool family. Each prints its own table and
// times every call as the median of `runs` runs after a warm-up (timing.h).

namespace peers {

// Edgelet map vs cv::Canny, 9x9 median vs cv::medianBlur, at 640x480, 1280x1024, 2048x2048.
void compareFilters(int runs);

// The image form of the line tracker vs OpenCV's LSD and EdgeDrawing line detectors, on
// generated scenes and on the photographs that are installed (photos.h).
void compareLines(int runs);

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
