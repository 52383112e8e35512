#include "apps/shapesel/scene.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "apps/shapesel/json_output.h"
#include "apps/shapesel/options.h"
#include "apps/shapesel/shape_scene_command.h"
#include "io/image_file.h"
#include "io/image_limits.h"
#include "scenes/generate.h"

namespace {

using Json = nlohmann::ordered_json;
using Generator = vsScene (*)(const vsSceneParams&);

const std::map<std::string, Generator>& generators() {
  static const std::map<std::string, Generator> kinds = {{"circles", scenes::circles},
                                                         {"lines", scenes::lines},
                                                         {"mixed", scenes::mixed},
                                                         {"polygons", scenes::polygons},
                                                         {"strokes", scenes::strokes}};
  return kinds;
}

const char* polarityName(veScenePolarity p) {
  return p == veScenePolarity::eLightOnDark ? "light" : "dark";
}

// Reads --size "WxH" into width and height.
// Throws: std::invalid_argument when a value is not a whole number or the size is outside the
// image limits.
void sceneSize(const std::string& size, long& width, long& height) {
  double w = 0.0, h = 0.0;
  vfParsePair(size, 'x', w, h);
  width = long(std::clamp(w, -1.0, 1e9));
  height = long(std::clamp(h, -1.0, 1e9));
  if (double(width) != w || double(height) != h)
    throw std::invalid_argument("--size: width and height must be whole numbers, got " + size);
  const std::string problem = vfImageSizeProblem(width, height);
  if (!problem.empty()) throw std::invalid_argument("--size: " + problem);
}

Json truthJson(const vsSceneOptions& o, const vsScene& scene) {
  Json j;
  j["kind"] = o.kind;
  j["seed"] = o.seed;
  j["width"] = scene.image.width();
  j["height"] = scene.image.height();
  j["background"] = scene.background;
  j["foreground"] = scene.foreground;
  j["circles"] = Json::array();
  for (const vsSceneCircle& c : scene.circles)
    j["circles"].push_back({{"center", vfJsonPoint(c.center)},
                            {"radius", vfJsonNumber(c.radius)},
                            {"polarity", polarityName(c.polarity)}});
  j["edges"] = Json::array();
  for (const vsSceneEdge& e : scene.edges)
    j["edges"].push_back({{"p1", vfJsonPoint(e.p1)},
                          {"p2", vfJsonPoint(e.p2)},
                          {"lightNormal", vfJsonPoint(e.lightNormal)}});
  j["polygons"] = Json::array();
  for (const vsScenePolygon& p : scene.polygons) {
    Json vertices = Json::array();
    for (const vcVector<2>& v : p.vertices) vertices.push_back(vfJsonPoint(v));
    j["polygons"].push_back({{"vertices", vertices}, {"polarity", polarityName(p.polarity)}});
  }
  j["strokes"] = Json::array();
  for (const vsSceneStroke& s : scene.strokes)
    j["strokes"].push_back({{"p1", vfJsonPoint(s.p1)},
                            {"p2", vfJsonPoint(s.p2)},
                            {"width", vfJsonNumber(s.width)},
                            {"polarity", polarityName(s.polarity)}});
  return j;
}

// The scene of one of generators(), written as the image and its truth; returns what the
// summary line says after the image.
std::string writeScene(const vsSceneOptions& o, long width, long height,
                       const std::string& truth) {
  vsSceneParams params;
  params.width = width;
  params.height = height;
  params.seed = o.seed;
  params.count = o.count;
  params.minSize = o.minSize;
  params.maxSize = o.maxSize;
  params.blurSigma = o.blur;
  params.noiseSigma = o.noise;
  const vsScene scene = generators().at(o.kind)(params);
  vfWriteImage(o.output, scene.image);
  vfWriteJson(truth, truthJson(o, scene));
  return " and " + truth + ": " + std::to_string(scene.circles.size()) + " circles, " +
         std::to_string(scene.edges.size()) + " edges, " + std::to_string(scene.polygons.size()) +
         " polygons, " + std::to_string(scene.strokes.size()) + " strokes";
}

}  // namespace

CLI::App* vfAddSceneCommand(CLI::App& app, vsSceneOptions& o) {
  const vsSceneParams defaults;
  o.count = defaults.count;
  o.minSize = defaults.minSize;
  o.maxSize = defaults.maxSize;
  o.blur = defaults.blurSigma;
  o.noise = defaults.noiseSigma;
  CLI::App* sub = app.add_subcommand("scene", "Write a synthetic scene and its ground truth");
  std::vector<std::string> kinds;
  for (const auto& [name, make] : generators()) kinds.push_back(name);
  kinds.push_back("shapes");  // templates and their instances, for `shapesel find`
  sub->add_option("output", o.output, "Image file to write (.png or .pgm)")->required();
  sub->add_option("--kind", o.kind, "What the scene holds")
      ->capture_default_str()
      ->check(CLI::IsMember(kinds));
  sub->add_option("--seed", o.seed, "Random seed; equal seeds give equal scenes")
      ->capture_default_str();
  sub->add_option("--size", o.size, "Image size WIDTHxHEIGHT, pixels")
      ->capture_default_str()
      ->check(vfPairCheck('x', "WIDTHxHEIGHT"));
  sub->add_option("--count", o.count, "Number of shapes")->capture_default_str();
  sub->add_option("--min-size", o.minSize, "Smallest shape size, pixels")
      ->capture_default_str()
      ->check(vfFiniteIn(0.0, 1e6));
  sub->add_option("--max-size", o.maxSize, "Largest shape size, pixels")
      ->capture_default_str()
      ->check(vfFiniteIn(0.0, 1e6));
  sub->add_option("--blur", o.blur, "Blur sigma, pixels")
      ->capture_default_str()
      ->check(vfFiniteIn(0.0, 1e6));
  sub->add_option("--noise", o.noise, "Noise sigma, grey levels")
      ->capture_default_str()
      ->check(vfFiniteIn(0.0, 1e6));
  sub->add_option("--truth", o.truth, "Ground-truth JSON file (default: OUTPUT.json)");
  return sub;
}

int vfRunScene(const vsSceneOptions& o, std::ostream& out, std::ostream& err) {
  try {
    // The sizes that the image readers and the tools take, checked before anything is made;
    // the generators check the other parameters and name the one they refuse.
    long width = 0, height = 0;
    sceneSize(o.size, width, height);
    const std::string truth =
        o.truth.empty() ? std::filesystem::path(o.output).replace_extension(".json").string()
                        : o.truth;
    const std::string wrote = o.kind == "shapes" ? vfWriteShapeScene(o, width, height, truth)
                                                 : writeScene(o, width, height, truth);
    out << "wrote " << o.output << " (" << width << " x " << height << ")" << wrote << '\n';
    return 0;
  } catch (const std::exception& e) {
    err << "shapesel: scene: " << e.what() << '\n';
    return 2;
  }
}
