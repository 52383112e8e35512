#pragma once

// A mutual-exclusion lock for serialising calls on a shared object.
//
//   static vcCriticalSection section;
//   section.lock();
//   ... use the shared object ...
//   section.unlock();
//
// It meets the standard's BasicLockable requirements, so
// `std::lock_guard<vcCriticalSection> guard(section);` unlocks on every exit
// path, including exceptions. It is not recursive: a thread that locks it
// twice without unlocking deadlocks.

#include <mutex>

class vcCriticalSection {
 public:
  vcCriticalSection() = default;
  vcCriticalSection(const vcCriticalSection&) = delete;
  vcCriticalSection& operator=(const vcCriticalSection&) = delete;

  // Blocks until this thread holds the lock.
  void lock() { mutex_.lock(); }
  // Releases the lock. Requires: this thread holds it.
  void unlock() { mutex_.unlock(); }

 private:
  std::mutex mutex_;
};
