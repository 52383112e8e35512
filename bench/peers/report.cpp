#include "report.h"

#include <cstdio>

namespace peers {

std::string sizeText(long width, long height) {
  return std::to_string(width) + "x" + std::to_string(height);
}

void printTimingHeader(const std::string& title) {
  std::printf("\n%s\n", title.c_str());
  std::printf("%-40s %-22s %9s %9s %7s  %s\n", "operation", "image", "ours ms", "peer ms", "ratio",
              "note");
}

void printTiming(const vsTimingRow& row) {
  // A zero peer time (a call too quick for the clock) has no meaningful ratio.
  if (row.peerMs > 0.0)
    std::printf("%-40s %-22s %9.2f %9.2f %7.2f  %s\n", row.operation.c_str(), row.size.c_str(),
                row.oursMs, row.peerMs, row.oursMs / row.peerMs, row.note.c_str());
  else
    std::printf("%-40s %-22s %9.2f %9.2f %7s  %s\n", row.operation.c_str(), row.size.c_str(),
                row.oursMs, row.peerMs, "-", row.note.c_str());
  std::fflush(stdout);
}

void printQualityHeader(const std::string& title) {
  std::printf("\n%s\n", title.c_str());
  std::printf("%-34s %9s %6s %6s %8s %10s %14s\n", "finder", "mean ms", "truth", "found", "recall",
              "precision", "centre err px");
}

namespace {

// A fraction as text, "-" when its denominator is 0.
std::string fraction(long part, long whole) {
  if (whole == 0) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", double(part) / double(whole));
  return text;
}

}  // namespace

void printQuality(const vsQualityRow& row) {
  char centre[32] = "-";
  if (row.matched > 0) std::snprintf(centre, sizeof centre, "%.3f", row.centreErrorPx);
  std::printf("%-34s %9.2f %6ld %6ld %8s %10s %14s\n", row.tool.c_str(), row.meanMs, row.truth,
              row.found, fraction(row.matched, row.truth).c_str(),
              fraction(row.matched, row.found).c_str(), centre);
  std::fflush(stdout);
}

}  // namespace peers
