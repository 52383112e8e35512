#pragma once

// Ground truth of synthetic scenes, in image coordinates (pixel (i, j) spans
// [i, i + 1) x [j, j + 1)). A scene generator (scenes/generate.h) returns its image together
// with these descriptions of everything it drew.

#include <vector>

#include "platform/base/pel_buffer.h"
#include "platform/base/vector.h"

// Which side of a boundary is lighter: eLightOnDark for a shape lighter than what surrounds
// it, eDarkOnLight for a darker one.
enum class veScenePolarity { eLightOnDark, eDarkOnLight };

// A circular boundary. A disc gives one; a ring gives two, its outer and its inner circle,
// of opposite polarities (the hole is surrounded by the ring).
struct vsSceneCircle {
  vcVector<2> center;
  double radius = 0.0;
  veScenePolarity polarity = veScenePolarity::eLightOnDark;
};

// A straight edge from p1 to p2. lightNormal is the unit normal pointing into the lighter
// side, the direction an ideal gradient takes along the edge.
struct vsSceneEdge {
  vcVector<2> p1;
  vcVector<2> p2;
  vcVector<2> lightNormal;
};

// A filled polygon, vertices in drawing order.
struct vsScenePolygon {
  std::vector<vcVector<2>> vertices;
  veScenePolarity polarity = veScenePolarity::eLightOnDark;
};

// A straight stroke: centre line from p1 to p2, square ends at p1 and p2, width in pixels.
struct vsSceneStroke {
  vcVector<2> p1;
  vcVector<2> p2;
  double width = 0.0;
  veScenePolarity polarity = veScenePolarity::eLightOnDark;
};

// A generated scene: the image and what is in it. Every shape has the grey level foreground
// on a background of grey level background (before blur and noise).
struct vsScene {
  vcPelBuffer<unsigned char> image;
  double background = 0.0;
  double foreground = 0.0;
  std::vector<vsSceneCircle> circles;
  std::vector<vsSceneEdge> edges;
  std::vector<vsScenePolygon> polygons;
  std::vector<vsSceneStroke> strokes;
};
