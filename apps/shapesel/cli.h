#pragma once
// The shapesel command line: one subcommand per tool (registered in
// tool.h) plus `scene`, which writes synthetic test scenes.
//
//   shapesel lines part.png --json lines.json --overlay lines.png --diag lines.html
//   shapesel circles --radius 10:40 --polarity dark --max 5 a.png b.pgm
//   shapesel scene --kind circles --seed 7 --size 640x480 scene.png
//
// Exit codes: 0 when every image was read and processed; 2 for a usage error
// (unknown option, bad option value), and for any image that could not be
// read or processed or any output that could not be written; each such
// failure is one line on the error stream naming the file and the reason.
// The other images of the command are still processed.

#include <ostream>
#include <string>
#include <vector>

// Runs shapesel with args (args[0] is the program name), printing results to
// out and messages to err; with progress true, a progress line per image
// goes to err as well (for a terminal). Never throws; returns the exit code.
int vfShapeselMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   bool progress);
