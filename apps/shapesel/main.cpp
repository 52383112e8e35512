#include <cstdio>

#include "tavshsl/version.h"

// Placeholder until the first tool has its subcommand.
int main() {
  std::printf("shapesel %s: no tools yet\n", vfTavshslVersion());
  return 0;
}
