#pragma once

// Shared body of the error classes' suicideAndRethrow(): copy the heap object, free it through
// its virtual destructor, throw the copy as its own class.

template <class E>
[[noreturn]] void vfSuicideAndRethrow(E* self) {
  E copy(*self);
  delete self;
  throw copy;
}
