// What a user sees on a handful of generated shape scenes at 640 x 480: discs, polygons and
// stroke figures found where they are, with their pose, and few results where there is
// nothing. The wide sweep over seeds and conditions is bench_shapeselect_accuracy.

#include <cstring>

#include <gtest/gtest.h>

#include "io/scene_templates.h"
#include "scenes/shape_match.h"
#include "tavshsl/shape_select_tool.h"

namespace {

struct Tally {
  long objects = 0, matched = 0, reported = 0, correct = 0;
  double translation = 0.0, angle = 0.0, scale = 0.0;
  long angled = 0;
};

void judge(const vsShapeScene& scene, const vcShapeSelectResultSet& results, veShapeKind kind,
           const vsShapeMatchTolerance& tolerance, Tally& tally) {
  const std::vector<vsFoundShape> found = vfFoundShapes(results);
  const vsShapeMatchResult m = vfMatchShapes(scene, found, tolerance);
  auto kindOf = [&](long templateIndex) {
    return scene.templates[std::size_t(templateIndex)].kind;
  };
  for (const vsSceneObject& o : scene.objects) tally.objects += kindOf(o.templateIndex) == kind;
  for (const vsFoundShape& f : found) tally.reported += kindOf(f.templateIndex) == kind;
  for (const vsShapeMatch& match : m.matches) {
    const long t = scene.objects[std::size_t(match.object)].templateIndex;
    if (kindOf(t) != kind) continue;
    ++tally.matched;
    ++tally.correct;
    tally.translation += match.translationError;
    tally.scale += match.scaleError;
    if (kind != veShapeKind::eCircle) {
      tally.angle += match.angleError;
      ++tally.angled;
    }
  }
}

// The 640 x 480 shape scene of a seed (half its discs dark, or none), and what a tool trained
// on its templates finds in it.
vsShapeScene sceneOfSeed(std::uint32_t seed, bool darkDiscs = true) {
  vsShapeSceneParams params;
  params.seed = seed;
  if (!darkDiscs) params.darkDiscShare = 0.0;
  return scenes::shapeScene(params);
}

vcShapeSelectResultSet findIn(const vsShapeScene& scene) {
  const vsTemplateList list = vfSceneTemplates(scene);
  vcShapeSelectTool tool;
  tool.train(vfTrainParams(list), vfTemplateHandles(list), vc2XformLinear(), nullptr, 0);
  vcShapeSelectRunParams run;
  run.maxNumResults(16);
  vcShapeSelectResultSet results;
  tool.run(results, scene.image, run, nullptr, 0);
  return results;
}

TEST(ShapeSelectAccuracy, FoundWhereTheyAreOnGeneratedScenes) {
  Tally discs, polygons, strokes;
  for (const std::uint32_t seed : {31u, 32u, 33u, 34u}) {
    const vsShapeScene scene = sceneOfSeed(seed);
    const vcShapeSelectResultSet results = findIn(scene);
    judge(scene, results, veShapeKind::eCircle, vsShapeMatchTolerance(), discs);
    judge(scene, results, veShapeKind::ePolygon, vsShapeMatchTolerance(), polygons);
    // Stroke figures are judged by place and angle here (arrows are not found yet); their
    // scale is pinned by the stroke accuracy test.
    vsShapeMatchTolerance strokeTolerance;
    strokeTolerance.scale = 0.08;
    judge(scene, results, veShapeKind::eStroke, strokeTolerance, strokes);
  }
  // Recall, precision and mean pose errors. Discs, light and dark, are all found and nothing
  // else is taken for one. The other figures this handful reaches are below the 95 % the sweep
  // aims at: small polygons lose sides at the reduced resolution of the edge lines, and stroke
  // figures are judged by place and angle only. Poses of polygons and discs meet the targets
  // (0.25 pixel, 0.25 degree, 0.5 %); the scale of discs, the circle finder's radius on the
  // reduced image, runs near 0.3 %.
  struct Promise {
    const Tally* tally;
    double recall, precision, translation, scale;
  };
  for (const Promise& p : {Promise{&discs, 1.0, 1.0, 0.1, 0.005},
                           Promise{&polygons, 0.75, 0.9, 0.25, 0.005},
                           Promise{&strokes, 0.5, 0.65, 0.5, 0.08}}) {
    const Tally& t = *p.tally;
    SCOPED_TRACE(::testing::Message() << "objects " << t.objects << ", matched " << t.matched
                                      << ", reported " << t.reported);
    ASSERT_GT(t.objects, 2);
    EXPECT_GE(double(t.matched), p.recall * double(t.objects));
    EXPECT_GE(double(t.correct), p.precision * double(t.reported));
    EXPECT_LT(t.translation / double(t.matched), p.translation);
    EXPECT_LT(t.scale / double(t.matched), p.scale);
  }
  EXPECT_LT(polygons.angle / double(polygons.angled), 0.25);
  EXPECT_LT(strokes.angle / double(strokes.angled), 1.0);
}

// Stroke figures (L, T and X) found at their angle and scale as well.
TEST(ShapeSelectAccuracy, StrokeFiguresFoundAtTheirPose) {
  long objects = 0, matched = 0, reported = 0;
  double translation = 0.0, angle = 0.0, scale = 0.0;
  for (std::uint32_t seed = 41; seed <= 56; ++seed) {
    // Discs stay light here: the edges of an object darker than the background give the
    // windows around it a threshold between the two, so the background there binarises as
    // stroke and swallows the strokes nearby.
    const vsShapeScene scene = sceneOfSeed(seed, false);
    const vcShapeSelectResultSet results = findIn(scene);
    // Arrows are left out: their heads meet the shaft at an angle the outline model does not
    // follow, and they are not found yet.
    const auto judged = [&](long t) {
      const vsSceneTemplate& tmpl = scene.templates[std::size_t(t)];
      return tmpl.kind == veShapeKind::eStroke && std::strcmp(tmpl.name, "arrow") != 0;
    };
    const std::vector<vsFoundShape> found = vfFoundShapes(results);
    for (const vsSceneObject& o : scene.objects) objects += judged(o.templateIndex);
    for (const vsFoundShape& f : found) reported += judged(f.templateIndex);
    for (const vsShapeMatch& m : vfMatchShapes(scene, found, vsShapeMatchTolerance()).matches) {
      if (!judged(scene.objects[std::size_t(m.object)].templateIndex)) continue;
      ++matched;
      translation += m.translationError;
      angle += m.angleError;
      scale += m.scaleError;
    }
  }
  SCOPED_TRACE(::testing::Message() << "objects " << objects << ", matched " << matched
                                    << ", reported " << reported);
  ASSERT_GE(objects, 12);
  // Recall and precision within 3 px, 3 degrees and 3 % (the handful reaches about 70 % and
  // 80 %, short of the 95 % the sweep aims at); the mean errors of the matches.
  EXPECT_GE(double(matched), 0.6 * double(objects));
  EXPECT_GE(double(matched), 0.8 * double(reported));
  EXPECT_LT(translation / double(matched), 0.25);
  EXPECT_LT(angle / double(matched), 0.25);
  EXPECT_LT(scale / double(matched), 0.01);
}

}  // namespace
