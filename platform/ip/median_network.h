#pragma once

// Min/max networks that merge sorted runs of grey levels, built at compile time and run on
// many pixels at once (one pixel per vector lane).
//
//   constexpr auto build = [] {
//     MedianNetworkBuilder b(18);                         // two sorted runs of 9 as inputs
//     b.output(b.merge(b.inputs(0, 9), b.inputs(9, 9)));  // all 18 merged positions
//     return b;
//   };
//   static constexpr auto kMerge = compactMedianNetwork<build>();
//   runMedianNetwork<kMerge, MinMax>(values);  // values[0 .. 18) in, outputs index results
//
// The merges are Batcher's odd-even merges, padded to a power of two with +infinity; the
// builder drops comparators that touch the padding. Values are numbered in single-assignment
// form: input i is value i, step k writes value inputs + k. Compaction keeps only the steps the
// wanted outputs depend on, and of a compare-exchange only the half (min or max) that is used,
// which is what makes selecting one rank from a merge much cheaper than the whole merge.

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace vc_ip_detail {

// One step: the min or the max of two earlier values.
struct MedianStep {
  int16_t a = 0;
  int16_t b = 0;
  bool takeMax = false;
};

// A sorted run of value numbers, at most kMaxRun long.
inline constexpr int kMaxRun = 96;
struct MedianRun {
  std::array<int16_t, kMaxRun> value{};
  int size = 0;
};

// Records a network in single-assignment form; every member is usable at compile time.
class MedianNetworkBuilder {
 public:
  static constexpr int kMaxSteps = 2048;
  static constexpr int kMaxOutputs = 96;

  constexpr explicit MedianNetworkBuilder(int inputs) : inputs_(inputs) {}

  // The run of inputs first .. first + count - 1 (each run must already be sorted).
  constexpr MedianRun inputs(int first, int count) const {
    MedianRun run;
    for (int i = 0; i < count; ++i) run.value[i] = static_cast<int16_t>(first + i);
    run.size = count;
    return run;
  }

  // The sorted merge of two sorted runs.
  constexpr MedianRun merge(const MedianRun& a, const MedianRun& b) {
    int half = 1;
    while (half < a.size || half < b.size) half *= 2;
    std::array<int16_t, 2 * kMaxRun> wire{};
    for (int i = 0; i < half; ++i) {
      wire[i] = i < a.size ? a.value[i] : kInfinity;
      wire[half + i] = i < b.size ? b.value[i] : kInfinity;
    }
    oddEvenMerge(wire, 0, 2 * half, 1);
    MedianRun out;
    for (int i = 0; i < 2 * half; ++i)
      if (wire[i] != kInfinity) out.value[out.size++] = wire[i];
    return out;
  }

  // The sorted run of `count` unsorted inputs from `first` on (Batcher's merge sort).
  constexpr MedianRun sort(int first, int count) {
    if (count == 1) return inputs(first, 1);
    return merge(sort(first, count / 2), sort(first + count / 2, count - count / 2));
  }

  // Wants positions first .. first + count - 1 of run as outputs (all of it by default).
  constexpr void output(const MedianRun& run, int first = 0, int count = -1) {
    if (count < 0) count = run.size - first;
    for (int i = 0; i < count; ++i) outputs_[outputCount_++] = run.value[first + i];
  }

  int inputs_;
  std::array<MedianStep, kMaxSteps> steps_{};
  int stepCount_ = 0;
  std::array<int16_t, kMaxOutputs> outputs_{};
  int outputCount_ = 0;

 private:
  static constexpr int16_t kInfinity = -1;

  // Compare-exchange of wires i < j: the smaller value to i. Padding never moves down, so a
  // comparator with +infinity on either wire only has to keep the finite value on wire i.
  constexpr void compareExchange(std::array<int16_t, 2 * kMaxRun>& wire, int i, int j) {
    if (wire[j] == kInfinity) return;
    if (wire[i] == kInfinity) {
      std::swap(wire[i], wire[j]);
      return;
    }
    const int16_t a = wire[i];
    const int16_t b = wire[j];
    steps_[stepCount_++] = MedianStep{a, b, false};
    wire[i] = static_cast<int16_t>(inputs_ + stepCount_ - 1);
    steps_[stepCount_++] = MedianStep{a, b, true};
    wire[j] = static_cast<int16_t>(inputs_ + stepCount_ - 1);
  }

  // Batcher's merge of the two sorted halves of wires lo, lo + r, ..., lo + n - r.
  constexpr void oddEvenMerge(std::array<int16_t, 2 * kMaxRun>& wire, int lo, int n, int r) {
    const int step = 2 * r;
    if (step < n) {
      oddEvenMerge(wire, lo, n, step);
      oddEvenMerge(wire, lo + r, n, step);
      for (int i = lo + r; i + r < lo + n; i += step) compareExchange(wire, i, i + r);
    } else {
      compareExchange(wire, lo, lo + r);
    }
  }
};

// A compacted network: Inputs values in, Steps steps, Outputs wanted values.
template <int Inputs, int Steps, int Outputs>
struct MedianNetwork {
  static constexpr int kInputs = Inputs;
  static constexpr int kSteps = Steps;
  static constexpr int kValues = Inputs + Steps;
  std::array<MedianStep, Steps> steps{};
  std::array<int16_t, Outputs> outputs{};
};

// Marks the steps the outputs depend on.
constexpr std::array<bool, MedianNetworkBuilder::kMaxSteps> liveMedianSteps(
    const MedianNetworkBuilder& b) {
  std::array<bool, MedianNetworkBuilder::kMaxSteps + kMaxRun> liveValue{};
  for (int i = 0; i < b.outputCount_; ++i) liveValue[b.outputs_[i]] = true;
  std::array<bool, MedianNetworkBuilder::kMaxSteps> live{};
  for (int k = b.stepCount_ - 1; k >= 0; --k) {
    if (!liveValue[b.inputs_ + k]) continue;
    live[k] = true;
    liveValue[b.steps_[k].a] = true;
    liveValue[b.steps_[k].b] = true;
  }
  return live;
}

// The network recorded by Build() (a constexpr callable returning a builder), without the
// steps no output depends on, renumbered.
template <auto Build>
constexpr auto compactMedianNetwork() {
  constexpr MedianNetworkBuilder b = Build();
  constexpr std::array<bool, MedianNetworkBuilder::kMaxSteps> live = liveMedianSteps(b);
  constexpr int steps = [&] {
    int n = 0;
    for (int k = 0; k < b.stepCount_; ++k) n += live[k];
    return n;
  }();
  MedianNetwork<b.inputs_, steps, b.outputCount_> net;
  std::array<int16_t, MedianNetworkBuilder::kMaxSteps + kMaxRun> renamed{};
  for (int i = 0; i < b.inputs_; ++i) renamed[i] = static_cast<int16_t>(i);
  int n = 0;
  for (int k = 0; k < b.stepCount_; ++k) {
    if (!live[k]) continue;
    net.steps[n] = MedianStep{renamed[b.steps_[k].a], renamed[b.steps_[k].b], b.steps_[k].takeMax};
    renamed[b.inputs_ + k] = static_cast<int16_t>(b.inputs_ + n);
    ++n;
  }
  for (int i = 0; i < b.outputCount_; ++i) net.outputs[i] = renamed[b.outputs_[i]];
  return net;
}

// Runs Net on values[0 .. Net.kInputs) and fills values[Net.kInputs .. Net.kValues), with
// MinMax::min and MinMax::max the lane-wise minimum and maximum of two Lanes. Every index is a
// constant, so the compiler keeps the values in registers where it can.
template <const auto& Net, class MinMax, std::size_t Base, class Lanes, std::size_t... K>
inline void runMedianSteps(Lanes* values, std::index_sequence<K...>) {
  ((values[Net.kInputs + Base + K] =
        Net.steps[Base + K].takeMax
            ? MinMax::max(values[Net.steps[Base + K].a], values[Net.steps[Base + K].b])
            : MinMax::min(values[Net.steps[Base + K].a], values[Net.steps[Base + K].b])),
   ...);
}

// The steps from Base on, in blocks of at most 128: clang refuses fold expressions of more
// than 256 operands.
template <const auto& Net, class MinMax, std::size_t Base = 0, class Lanes>
inline void runMedianNetwork(Lanes* values) {
  constexpr std::size_t kBlock = 128;
  constexpr std::size_t kSteps = static_cast<std::size_t>(Net.kSteps);
  constexpr std::size_t n = kSteps - Base < kBlock ? kSteps - Base : kBlock;
  runMedianSteps<Net, MinMax, Base>(values, std::make_index_sequence<n>());
  if constexpr (Base + n < kSteps) runMedianNetwork<Net, MinMax, Base + n>(values);
}

}  // namespace vc_ip_detail
