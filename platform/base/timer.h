#pragma once

// A stopwatch for measuring how long a call takes, on the monotonic clock.
//
//   vcTimer timer(true);         // running from here
//   runTool(...);
//   timer.stop();
//   double seconds = timer.sec();
//
// The timer accumulates: stop() then start() continues from the time already
// measured; reset() clears it. Reading the time does not stop the timer.

#include <chrono>

class vcTimer {
 public:
  // Makes a timer holding zero time; it runs at once when start is true.
  explicit vcTimer(bool start = false);

  // Starts measuring. Has no effect on a timer that is already running.
  void start();
  // Stops measuring and keeps the time measured so far. Has no effect on a
  // stopped timer.
  void stop();
  // Clears the time measured so far. A running timer keeps running from now.
  void reset();

  // The time measured so far, including the current run of a running timer,
  // in seconds, milliseconds and microseconds. Never negative; successive
  // readings of a running timer never decrease.
  double sec() const;
  double msec() const;
  double usec() const;

  bool isRunning() const { return running_; }

 private:
  using Clock = std::chrono::steady_clock;

  Clock::duration elapsed_() const;

  Clock::duration accumulated_{};
  Clock::time_point startedAt_{};
  bool running_ = false;
};
