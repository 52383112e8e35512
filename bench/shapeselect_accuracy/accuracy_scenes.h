#pragma once

// The shape scenes the shape selection accuracy programs share: for a seed and a size, the
// same templates, objects and clutter, and the run parameters they are searched with.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "io/scene_templates.h"
#include "scenes/shape_scene.h"
#include "tavshsl/shape_select_tool.h"

// Scene n of a sweep from firstSeed: 640 x 480 with 8 objects and 6 clutter items, or
// 1280 x 1024 (seeds 100000 further on) with 10, 20 or 30 objects in turn and 4 clutter items
// to every 5 objects; 6 to 9 templates. The crowded scenes show what the corresponder's limit
// on the bases it tries per stage costs.
inline vsShapeSceneParams vfAccuracySceneParams(std::uint32_t firstSeed, long n, bool large) {
  vsShapeSceneParams params;
  params.seed = firstSeed + std::uint32_t(n + (large ? 100000 : 0));
  params.width = large ? 1280 : 640;
  params.height = large ? 1024 : 480;
  params.numTemplates = 6 + long(params.seed % 4);
  params.numObjects = large ? 10 * (1 + n % 3) : 8;
  params.numClutter = large ? params.numObjects * 4 / 5 : 6;
  return params;
}

// Trains tool on the scene's templates (pixels are client units).
inline void vfTrainOnScene(vcShapeSelectTool& tool, const vsShapeScene& scene) {
  const vsTemplateList templates = vfSceneTemplates(scene);
  tool.train(vfTrainParams(templates), vfTemplateHandles(templates), vc2XformLinear(), nullptr, 0);
}

// Run parameters: up to twice as many results as objects, the default accept threshold.
inline vcShapeSelectRunParams vfAccuracyRunParams(const vsShapeSceneParams& scene) {
  vcShapeSelectRunParams run;
  run.maxNumResults(scene.numObjects * 2);
  return run;
}

// The name of the bucket of v among buckets bounded by `edges` ("[0.5, 1)"); values past the
// last bound fall in the last bucket.
inline std::string vfBucketName(double v, const std::vector<double>& edges) {
  for (std::size_t i = 1; i < edges.size(); ++i)
    if (v < edges[i] || i + 1 == edges.size()) {
      char buf[64];
      std::snprintf(buf, sizeof buf, "[%.2g, %.2g)", edges[i - 1], edges[i]);
      return buf;
    }
  return "";
}
