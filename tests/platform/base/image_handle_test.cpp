#include <gtest/gtest.h>

#include <mutex>
#include <thread>
#include <vector>

#include "platform/base/critical_section.h"
#include "platform/base/handle.h"
#include "platform/base/timer.h"

namespace {

// A body that reports its destruction.
struct Body : vcRepBase {
  explicit Body(int* deaths) : deaths_(deaths) {}
  ~Body() override { ++*deaths_; }
  int* deaths_;
};
struct Derived : Body {
  using Body::Body;
};

TEST(Handle, TheLastHandleFreesTheBodyWhicheverKindItIs) {
  int deaths = 0;
  {
    vcPtrHandle<Derived> first(new Derived(&deaths));
    vcPtrHandle<Body> base = first;  // to the base class
    vcPtrHandle_const<Body> view = base;
    vcPtrHandle_const<Body> viewCopy = view;
    EXPECT_EQ(first->refCount(), 4);
    EXPECT_TRUE(view == first);

    // Moves do not count; assignment releases the old body.
    vcPtrHandle<Body> moved = std::move(base);
    EXPECT_TRUE(base.isNull());
    EXPECT_EQ(first->refCount(), 4);
    moved = moved;  // self-assignment keeps the body
    EXPECT_EQ(first->refCount(), 4);
    first.reset();
    moved = vcPtrHandle<Body>(new Body(&deaths));
    EXPECT_EQ(deaths, 0);
    EXPECT_EQ(view->refCount(), 2);

    // Only the const handles are left on the first body.
    view.reset();
    EXPECT_EQ(deaths, 0);
    viewCopy = nullptr;
    EXPECT_EQ(deaths, 1);
  }
  EXPECT_EQ(deaths, 2);
}

TEST(Handle, CountsStayExactWhenCopiedOnSeveralThreads) {
  int deaths = 0;
  vcPtrHandle<Body> shared(new Body(&deaths));
  auto churn = [&shared] {
    for (int i = 0; i < 20000; ++i) {
      vcPtrHandle<Body> copy = shared;
      vcPtrHandle_const<Body> view = copy;
    }
  };
  std::thread a(churn), b(churn);
  a.join();
  b.join();
  EXPECT_EQ(shared->refCount(), 1);
  EXPECT_EQ(deaths, 0);
}

TEST(Timer, ReadingsAreMonotonicAndFreezeWhenStopped) {
  vcTimer idle;
  EXPECT_EQ(idle.usec(), 0.0);

  vcTimer timer(true);
  double last = 0.0;
  for (int i = 0; i < 1000; ++i) {
    const double now = timer.usec();
    EXPECT_GE(now, last);
    last = now;
  }
  timer.stop();
  const double stopped = timer.sec();
  EXPECT_GT(stopped, 0.0);
  EXPECT_EQ(timer.sec(), stopped);
  EXPECT_DOUBLE_EQ(timer.msec(), stopped * 1e3);

  // Restarting accumulates; reset clears.
  timer.start();
  EXPECT_GE(timer.sec(), stopped);
  timer.stop();
  timer.reset();
  EXPECT_EQ(timer.sec(), 0.0);
}

TEST(CriticalSection, SerialisesIncrementsFromTwoThreads) {
  vcCriticalSection section;
  long counter = 0;
  auto add = [&] {
    for (int i = 0; i < 20000; ++i) {
      std::lock_guard<vcCriticalSection> guard(section);
      ++counter;
    }
  };
  std::thread a(add), b(add);
  a.join();
  b.join();
  EXPECT_EQ(counter, 40000);
}

}  // namespace
