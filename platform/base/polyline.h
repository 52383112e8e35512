#pragma once

// vcPolyline: a sequence of vertices joined by straight sides, open or closed (a closed polyline
// has a last side from the last vertex back to the first).
//
//   vcPolyline square({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true);
//   bool rh = square.isRightHanded();    // true: runs from +x towards +y
//   vcPolyline moved = square.map(clientFromModel);

#include <utility>
#include <vector>

#include "platform/base/shape.h"
#include "platform/base/vector.h"
#include "platform/base/xform.h"

class vcPolyline : public vcShape {
 public:
  // An open polyline without vertices.
  vcPolyline() = default;
  vcPolyline(std::vector<vcVector<2>> vertices, bool closed)
      : vertices_(std::move(vertices)), closed_(closed) {}

  bool isClosed() const { return closed_; }
  void isClosed(bool closed) { closed_ = closed; }
  long numVertices() const { return static_cast<long>(vertices_.size()); }
  // Vertex i, 0 <= i < numVertices(). Throws vcBadParamsError otherwise.
  const vcVector<2>& vertex(long i) const;
  const std::vector<vcVector<2>>& vertices() const { return vertices_; }
  void addVertex(const vcVector<2>& p) { vertices_.push_back(p); }

  // The polyline through the mapped vertices, open or closed as this one.
  vcPolyline map(const vcXform<2>& x) const;

  // Half the signed shoelace sum over the closed outline: positive when it runs from +x towards
  // +y. Throws vcBadParamsError for an open polyline.
  double signedArea() const;
  // signedArea() > 0. Throws vcBadParamsError for an open polyline.
  bool isRightHanded() const override;
  // The nearest point over all sides (and the single vertex of a one-vertex polyline). Throws
  // vcBadParamsError for a polyline without vertices.
  vcVector<2> nearestPoint(const vcVector<2>& p) const override;

 private:
  std::vector<vcVector<2>> vertices_;
  bool closed_ = false;
};
