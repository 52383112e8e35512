#include "apps/shapesel/shape_scene_command.h"

#include <filesystem>

#include <nlohmann/json.hpp>

#include "apps/shapesel/json_output.h"
#include "io/image_file.h"
#include "io/scene_templates.h"
#include "scenes/shape_scene.h"

namespace {

using Json = nlohmann::ordered_json;

Json truthJson(const vsSceneOptions& o, const vsShapeScene& scene) {
  Json j;
  j["kind"] = "shapes";
  j["seed"] = o.seed;
  j["width"] = scene.image.width();
  j["height"] = scene.image.height();
  j["background"] = scene.background;
  j["blur"] = vfJsonNumber(scene.blurSigma);
  j["noise"] = vfJsonNumber(scene.noiseSigma);
  j["objects"] = Json::array();
  for (const vsSceneObject& obj : scene.objects) {
    Json factors = Json::array();
    for (const double f : obj.widthFactors) factors.push_back(vfJsonNumber(f));
    j["objects"].push_back({{"template", obj.templateIndex},
                            {"name", scene.templates[std::size_t(obj.templateIndex)].name},
                            {"location", vfJsonPoint(obj.translation)},
                            {"angle", vfJsonNumber(obj.angleDegrees)},
                            {"scale", vfJsonNumber(obj.scale)},
                            {"widthFactors", factors},
                            {"contrast", vfJsonNumber(obj.contrast)},
                            {"dark", obj.dark},
                            {"occluded", obj.occluded}});
  }
  return j;
}

}  // namespace

std::string vfWriteShapeScene(const vsSceneOptions& o, long width, long height,
                              const std::string& truth) {
  vsShapeSceneParams params;
  params.width = width;
  params.height = height;
  params.seed = o.seed;
  params.numObjects = o.count;
  params.maxBlur = o.blur;
  params.maxNoise = o.noise;
  const vsShapeScene scene = scenes::shapeScene(params);

  // The image, its truth and its templates side by side.
  vfWriteImage(o.output, scene.image);
  vfWriteJson(truth, truthJson(o, scene));
  const std::string templates =
      std::filesystem::path(o.output).replace_extension(".templates.json").string();
  vfWriteTemplates(templates, vfSceneTemplates(scene));
  return ", " + truth + " and " + templates + ": " + std::to_string(scene.objects.size()) +
         " objects of " + std::to_string(scene.templates.size()) + " templates";
}
