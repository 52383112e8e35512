#include <gtest/gtest.h>

#include "platform/base/handle.h"

namespace {

// A body that counts its destruction.
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
    vcPtrHandle<Body> base = first;
    vcPtrHandle_const<Body> view = base;
    vcPtrHandle<Body> moved = std::move(base);  // moves do not count
    const vcPtrHandle<Body>& self = moved;
    moved = self;  // assignment to itself keeps the count
    EXPECT_EQ(first->refCount(), 3);
    first.reset();
    moved = vcPtrHandle<Body>(new Body(&deaths));
    EXPECT_EQ(deaths, 0);
    view = nullptr;  // the const handle was the last one on the first body
    EXPECT_EQ(deaths, 1);
  }
  EXPECT_EQ(deaths, 2);
}

}  // namespace
