#pragma once
// `shapesel scene --kind shapes`: a scene for the shape selection tool, its truth and the
// template file that finds it.
//
//   shapesel scene --kind shapes --seed 7 --size 640x480 --count 8 scene.png
//   -> scene.png, scene.json (truth) and scene.templates.json (for shapesel find)
//
// The truth JSON, in image coordinates:
//   {"kind": "shapes", "seed": 7, "width": 640, "height": 480, "background": 112,
//    "blur": 0.8, "noise": 2.1,
//    "objects": [{"template": 2, "name": "L", "location": [x, y], "angle": 31.5,
//                 "scale": 1.12, "widthFactors": [0.9, 1.1], "contrast": 52.3,
//                 "occluded": false}]}

#include <string>

#include "apps/shapesel/scene.h"

// Writes the scene of width x height pixels from `options` (vfRunScene has checked the size)
// to options.output, its truth to `truth` and its templates next to the image. Returns what
// the summary line says after the image.
// Throws: std::exception naming the parameter refused or the file not written.
std::string vfWriteShapeScene(const vsSceneOptions& options, long width, long height,
                              const std::string& truth);
