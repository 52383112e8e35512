#pragma once
// `shapesel scene`: writes a synthetic scene (scenes/generate.h) and its
// ground truth.
//
//   shapesel scene --kind mixed --seed 7 --size 640x480 scene.png
//   -> scene.png and scene.json (or the file given with --truth)
//
// The truth JSON, in image coordinates (pixel (i, j) spans [i, i+1) x [j, j+1)):
//   {"kind": "mixed", "seed": 7, "width": 640, "height": 480,
//    "background": 40, "foreground": 200,
//    "circles":  [{"center": [x, y], "radius": r, "polarity": "light"|"dark"}],
//    "edges":    [{"p1": [x, y], "p2": [x, y], "lightNormal": [x, y]}],
//    "polygons": [{"vertices": [[x, y], ...], "polarity": ...}],
//    "strokes":  [{"p1": [x, y], "p2": [x, y], "width": w, "polarity": ...}]}
// "light" is a shape lighter than its surround, "dark" a darker one.
// The kind "shapes" writes a template file as well (apps/shapesel/shape_scene_command.h); of
// the size options only --count (objects), --blur and --noise (largest values) apply to it.

#include <cstdint>
#include <ostream>
#include <string>

#include <CLI/CLI.hpp>

struct vsSceneOptions {
  std::string kind = "circles";  // circles, lines, polygons, strokes, mixed or shapes
  std::uint32_t seed = 1;
  std::string size = "640x480";  // WIDTHxHEIGHT
  long count = 6;
  double minSize = 10.0;
  double maxSize = 60.0;
  double blur = 1.0;   // sigma, pixels
  double noise = 2.0;  // sigma, grey levels
  std::string output;  // .png or .pgm
  std::string truth;   // default: output with extension .json
};

// Adds the `scene` subcommand with its options bound to `options` (defaults
// as the scene generators have them).
CLI::App* vfAddSceneCommand(CLI::App& app, vsSceneOptions& options);

// Generates and writes the scene and its truth (and the templates of the kind "shapes"),
// printing one line about them to out. Returns 0, or 2 after one line on err when the scene
// parameters are refused (the size first, against the image limits of io/image_limits.h that
// the readers and the tools share) or a file cannot be written.
int vfRunScene(const vsSceneOptions& options, std::ostream& out, std::ostream& err);
