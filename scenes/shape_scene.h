#pragma once

// Scenes for the shape selection tool: a random set of templates (one disc, closed polygons of
// 3 to 8 sides, and L, T, X and arrow figures made of straight strokes) and an image holding
// instances of them at random poses, with the truth of every instance.
//
//   vsShapeSceneParams params;
//   params.seed = 7;
//   const vsShapeScene scene = scenes::shapeScene(params);
//   train on scene.templates, run on scene.image, compare with scene.objects
//
// Templates are in template coordinates about their origin, in pixels (the image's client
// transform is the identity). An instance is its template carried by a pose: rotation by
// angle, uniform scale, translation, and for strokes one width factor per stroke. Each object
// has the polarity its template is found with: polygons and stroke figures are lighter than the
// background (a boundary template describes a shape lighter than its surroundings whichever
// way it is traced, and the stroke models look for light strokes), discs are lighter or darker
// (the circle search takes either). Clutter items are lighter. A stroke is a rectangle around its
// centre-line, lengthened at each free end by half its width, at an end that meets another stroke's
// end by half that stroke's width, and not at all at an end that lies inside another stroke.
// Strokes may run close to each other for most of their length (an arrow's head strokes, a
// short stem of a T): the benchmarks report recall by each figure's shortest clear run
// (vfStrokeClearRuns), since the skeletal extraction keeps centre-lines from 20 pixels on. An X
// whose arms differ by less than 3 % counts as symmetric under a quarter turn.
//
// Every image has its own background grey, an object contrast drawn per object from the
// contrast range, Gaussian blur and noise drawn from their ranges, a share of objects bitten
// by a rectangle of background grey (occlusion, at most about a tenth of the outline), and
// unrelated clutter (thin short bars and small dots) away from the objects.
//
// Throws: vcBadParamsError, naming the field, for invalid parameters.

#include <cstdint>
#include <vector>

#include "platform/base/pel_buffer.h"
#include "platform/base/vector.h"

struct vsShapeSceneParams {
  long width = 640;  // in [64, 8192]
  long height = 480;
  std::uint32_t seed = 1;
  long numTemplates = 7;  // in [3, 9]: one disc, the rest polygons and stroke figures
  long numObjects = 8;    // instances placed (fewer when the image is full), in [0, 200]
  double minScale = 0.7, maxScale = 1.4;              // uniform scale of an instance, > 0
  double minWidthFactor = 0.7, maxWidthFactor = 1.3;  // per stroke, > 0
  double minContrast = 35.0, maxContrast = 80.0;      // grey levels between object and background
  double maxBlur = 1.5;                               // sigma in pixels, drawn from [0, maxBlur]
  double maxNoise = 5.0;                              // sigma in grey levels, from [0, maxNoise]
  double occludedShare = 0.25;                        // share of objects bitten, in [0, 1]
  double darkDiscShare = 0.5;                         // share of discs darker than the background
  long numClutter = 6;                                // clutter items, in [0, 200]
};

enum class veShapeKind { eCircle, ePolygon, eStroke };

// One template: what the tool is trained with, plus what judging its instances needs.
struct vsSceneTemplate {
  veShapeKind kind = veShapeKind::eCircle;
  const char* name = "";              // "disc", "triangle", "L", ...
  double radius = 0.0;                // circle: nominal radius about the origin
  std::vector<vcVector<2>> vertices;  // polygon, in drawing order
  std::vector<std::pair<vcVector<2>, vcVector<2>>> skeleton;  // strokes: centre-lines
  std::vector<double> widths;                                 // strokes: nominal widths
  // The smallest rotation, in degrees, that maps the template onto itself (360 for none; 0
  // for a circle, whose angle means nothing).
  double symmetryDegrees = 360.0;
};

// One instance in the image.
struct vsSceneObject {
  long templateIndex = 0;
  vcVector<2> translation;  // where the template's origin lies, image coordinates
  double angleDegrees = 0.0;
  double scale = 1.0;
  std::vector<double> widthFactors;  // one per stroke, empty otherwise
  double contrast = 0.0;             // |object grey - background grey|
  bool dark = false;                 // darker than the background
  bool occluded = false;
};

struct vsShapeScene {
  vcPelBuffer<unsigned char> image;
  double background = 0.0;
  double blurSigma = 0.0;
  double noiseSigma = 0.0;
  std::vector<vsSceneTemplate> templates;  // templates[0] is the disc
  std::vector<vsSceneObject> objects;
  // The ranges the instances were drawn from, for the templates' DOF settings.
  double minScale = 1.0, maxScale = 1.0;
  double minWidthFactor = 1.0, maxWidthFactor = 1.0;
};

class vcSceneCanvas;

// Draws template t at the pose of o (translation, angle, scale, width factors) with grey, as
// the scene draws its objects (no bite).
void vfDrawSceneObject(vcSceneCanvas& canvas, const vsSceneTemplate& t, const vsSceneObject& o,
                       double grey);

// Points that bound template t at the pose of o: polygon vertices, stroke rectangle corners,
// or the circle's four extreme points.
std::vector<vcVector<2>> vfSceneOutlinePoints(const vsSceneTemplate& t, const vsSceneObject& o);

// For each stroke of template t at the pose of o, the length in pixels of the longest piece of
// its drawn centre-line (end extensions included) that lies clear of every other stroke: farther
// from the other stroke's drawn centre-line than the two half-widths together. Only there does
// the stroke's ridge stand apart in a distance map of the figure. Empty for other kinds.
std::vector<double> vfStrokeClearRuns(const vsSceneTemplate& t, const vsSceneObject& o);

namespace scenes {

vsShapeScene shapeScene(const vsShapeSceneParams& params);

}  // namespace scenes
