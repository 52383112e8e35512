#pragma once
// JSON of shapesel's results. The document written by --json:
//
//   {
//     "command": "lines",                      the subcommand
//     "params": { ... },                       its run parameters, option names as keys
//     "clientFromImage": {"scale": 1, "offset": [0, 0]},
//     "images": [                              one entry per image, in command-line order
//       {"file": "a.png", "width": 640, "height": 480, "seconds": 0.0021,
//        "count": 3, "results": [ ... ]},      the tool's results, in the tool's order
//       {"file": "b.png", "error": "image file \"b.png\": cannot open the file ..."}
//     ]
//   }
//
// Keys keep this order. Coordinates and lengths are client units, angles degrees
// (from +x towards +y), points [x, y]; numbers carry 9 significant digits, so
// that every client scale the options allow keeps its precision. Text that is
// not valid UTF-8 (a file name, say) has its bad bytes replaced by U+FFFD.

#include <string>

#include <nlohmann/json.hpp>

#include "platform/base/vector.h"

// v rounded to 9 significant digits, so that files read well and compare
// stably.
double vfJsonNumber(double v);
// [x, y], each rounded as vfJsonNumber.
nlohmann::ordered_json vfJsonPoint(const vcVector<2>& p);

// doc as text, indented by 2, with a final newline.
std::string vfJsonText(const nlohmann::ordered_json& doc);

// Writes vfJsonText(doc) to the file at path.
// Throws: std::runtime_error naming the file and the reason when it cannot be
// written.
void vfWriteJson(const std::string& path, const nlohmann::ordered_json& doc);
