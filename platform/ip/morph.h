#pragma once

// Grey-level morphology with 3 x 3 structuring elements.
//
//   vcGMorphElement element(vcGMorph3x3Element(vcGMorph3x3Element::eSquare));
//   vcPelBuffer<unsigned char> grown;
//   element.dilate(edgeMap, grown);   // every pixel becomes the maximum of its 3 x 3 block
//
// A vcGMorphElement is a sequence of 3 x 3 elements applied one after the other (two squares
// act as one 5 x 5 square). Dilation takes, for every pixel, the maximum over the element's
// positions that lie inside the image: pixels outside the image never contribute, which is
// the same as padding with 0.

#include <vector>

#include "platform/base/pel_buffer.h"

class vcGMorph3x3Element {
 public:
  // Element shapes by type number.
  enum veShape {
    eCross = 1,   // the centre and its 4 edge neighbours
    eSquare = 2,  // the full 3 x 3 block
  };

  // Throws: vcBadParamsError unless type is eCross or eSquare.
  explicit vcGMorph3x3Element(long type = eSquare);

  veShape shape() const { return shape_; }

 private:
  veShape shape_;
};

class vcGMorphElement {
 public:
  // An element with no 3 x 3 steps yet; append() adds them.
  vcGMorphElement() = default;
  // An element of the one 3 x 3 step.
  explicit vcGMorphElement(const vcGMorph3x3Element& step) : steps_{step} {}

  // Adds a 3 x 3 step, applied after the ones already held.
  void append(const vcGMorph3x3Element& step) { steps_.push_back(step); }
  long numSteps() const { return static_cast<long>(steps_.size()); }

  // destination := source dilated by every step in turn: a new root (rows aligned to 32 bytes)
  // of source's size with its offset and client transform. source and destination may share
  // pixels; source is never changed.
  // Throws: vcBadParamsError when source is unbound or empty or the element has no step
  // (destination is then unchanged).
  void dilate(const vcPelBuffer_const<unsigned char>& source,
              vcPelBuffer<unsigned char>& destination) const;

 private:
  std::vector<vcGMorph3x3Element> steps_;
};
