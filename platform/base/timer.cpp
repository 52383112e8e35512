#include "platform/base/timer.h"

vcTimer::vcTimer(bool start) {
  if (start) this->start();
}

void vcTimer::start() {
  if (running_) return;
  startedAt_ = Clock::now();
  running_ = true;
}

void vcTimer::stop() {
  if (!running_) return;
  accumulated_ += Clock::now() - startedAt_;
  running_ = false;
}

void vcTimer::reset() {
  accumulated_ = Clock::duration::zero();
  if (running_) startedAt_ = Clock::now();
}

vcTimer::Clock::duration vcTimer::elapsed_() const {
  return running_ ? accumulated_ + (Clock::now() - startedAt_) : accumulated_;
}

double vcTimer::sec() const { return std::chrono::duration<double>(elapsed_()).count(); }

double vcTimer::msec() const {
  return std::chrono::duration<double, std::milli>(elapsed_()).count();
}

double vcTimer::usec() const {
  return std::chrono::duration<double, std::micro>(elapsed_()).count();
}
