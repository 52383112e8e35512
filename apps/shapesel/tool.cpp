#include "apps/shapesel/tool.h"

#include <algorithm>

namespace {

// Filled by the tools' initialisers before main runs; read-only afterwards.
std::vector<vsToolInfo>& registry() {
  static std::vector<vsToolInfo> tools;
  return tools;
}

}  // namespace

bool vfRegisterTool(const vsToolInfo& info) {
  registry().push_back(info);
  return true;
}

std::vector<const vsToolInfo*> vfRegisteredTools() {
  std::vector<const vsToolInfo*> tools;
  for (const vsToolInfo& info : registry()) tools.push_back(&info);
  std::sort(tools.begin(), tools.end(),
            [](const vsToolInfo* a, const vsToolInfo* b) { return a->name < b->name; });
  return tools;
}

vcColor vfResultColor(std::size_t i) {
  static const vcColor kCycle[] = {vcColor::red(),    vcColor::green(),  vcColor::cyan(),
                                   vcColor::orange(), vcColor::yellow(), vcColor::purple()};
  return kCycle[i % std::size(kCycle)];
}
