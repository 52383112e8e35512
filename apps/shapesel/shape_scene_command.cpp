#include "apps/shapesel/shape_scene_command.h"

#include <filesystem>

#include <nlohmann/json.hpp>

#include "apps/shapesel/json_output.h"
#include "apps/shapesel/options.h"
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
                            {"occluded", obj.occluded}});
  }
  return j;
}

}  // namespace

int vfRunShapeScene(const vsSceneOptions& o, std::ostream& out, std::ostream& err) {
  try {
    vsShapeSceneParams params;
    vfSceneSize(o.size, params.width, params.height);
    params.seed = o.seed;
    params.numObjects = o.count;
    params.maxBlur = o.blur;
    params.maxNoise = o.noise;
    const vsShapeScene scene = scenes::shapeScene(params);

    // The image, its truth and its templates side by side.
    const std::filesystem::path image(o.output);
    vfWriteImage(o.output, scene.image);
    const std::string truth =
        o.truth.empty() ? std::filesystem::path(image).replace_extension(".json").string()
                        : o.truth;
    vfWriteJson(truth, truthJson(o, scene));
    const std::string templates =
        std::filesystem::path(image).replace_extension(".templates.json").string();
    vfWriteTemplates(templates, vfSceneTemplates(scene));
    out << "wrote " << o.output << " (" << params.width << " x " << params.height << "), "
        << truth << " and " << templates << ": " << scene.objects.size() << " objects of "
        << scene.templates.size() << " templates\n";
    return 0;
  } catch (const std::exception& e) {
    err << "shapesel: scene: " << e.what() << '\n';
    return 2;
  }
}
