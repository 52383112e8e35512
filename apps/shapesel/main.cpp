// shapesel: find edges, chains, lines and circles in image files from the
// shell, and write synthetic scenes. See cli.h for the commands.

#include <unistd.h>

#include <iostream>

#include "apps/shapesel/cli.h"

int main(int argc, char** argv) {
  return vfShapeselMain(std::vector<std::string>(argv, argv + argc), std::cout, std::cerr,
                        isatty(STDERR_FILENO) != 0);
}
