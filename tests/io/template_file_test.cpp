// Template files: a file round-trips, and every refusal names the template and the field.

#include <gtest/gtest.h>

#include <string>

#include "io/scene_templates.h"
#include "io/template_file.h"
#include "platform/base/str.h"

namespace {

using Defs = vcShapeSelectDefs;

std::string messageOf(const std::string& text) {
  try {
    vfParseTemplates(text, "t.json");
  } catch (const vcTemplateFileError& e) {
    return vfUtf8FromWide(e.message());
  }
  return "no error";
}

std::string file(const std::string& entries) { return "{\"templates\": [" + entries + "]}"; }

TEST(TemplateFile, ParsesKindsAndDofForms) {
  const vsTemplateList list = vfParseTemplates(
      file(R"({"name": "disc", "kind": "circle", "radius": 20, "dofs": {"scale": [0.8, 1.25]}},
              {"kind": "boundary", "vertices": [[0, 0], [30, 0], [0, 30]],
               "dofs": {"angle": 5, "x": "full", "scale": {"zone": [0.9, 1.1], "enabled": false}}},
              {"name": "L", "kind": "stroke", "skeleton": [[[0, 0], [60, 0]], [[0, 0], [0, 40]]],
               "widths": [8, 8], "dofs": {"strokeWidth": [0.7, 1.3]}, "polarities": 1})"),
      "t.json");
  ASSERT_EQ(list.size(), 3u);
  // A circle without an angle setting has its angle zone off.
  EXPECT_EQ(list[0].shape->modelType(), Defs::eCircle);
  EXPECT_FALSE(list[0].dofs.isZoneEnabled(Defs::eAngle));
  EXPECT_TRUE(list[0].dofs.isZoneEnabled(Defs::eScale));
  EXPECT_EQ(list[0].dofs.zoneHigh(Defs::eScale), 1.25);
  EXPECT_EQ(list[1].name, "template 1");
  EXPECT_FALSE(list[1].dofs.isZoneEnabled(Defs::eAngle));
  EXPECT_EQ(list[1].dofs.nominal(Defs::eAngle), 5.0);
  EXPECT_FALSE(list[1].dofs.isZoneEnabled(Defs::eScale));
  EXPECT_EQ(list[1].dofs.zoneLow(Defs::eScale), 0.9);
  EXPECT_EQ(list[2].shape->numStrokeSegments(), 2);
  EXPECT_TRUE(list[2].dofs.isZoneEnabled(Defs::eStrokeWidth));
  EXPECT_TRUE(list[2].dofs.isZoneEnabled(Defs::eAngle));
  EXPECT_EQ(list[2].dofs.polarities(), 1u);

  // Written out and read again: the same settings, field by field.
  const vsTemplateList again = vfParseTemplates(vfTemplatesText(list), "copy");
  ASSERT_EQ(again.size(), list.size());
  for (std::size_t i = 0; i < list.size(); ++i) {
    EXPECT_EQ(again[i].name, list[i].name);
    EXPECT_TRUE(again[i].dofs.isContainedBy(list[i].dofs));
    EXPECT_TRUE(list[i].dofs.isContainedBy(again[i].dofs));
    EXPECT_EQ(again[i].shape->boundarySegments().size(), list[i].shape->boundarySegments().size());
  }
}

TEST(TemplateFile, RefusalsNameTemplateAndField) {
  EXPECT_NE(messageOf("[1, 2").find("not JSON"), std::string::npos);
  EXPECT_EQ(messageOf("{}"),
            "template file \"t.json\": \"templates\": the file must be an object with a "
            "\"templates\" list");
  EXPECT_EQ(messageOf(file(R"({"name": "a", "kind": "square"})")),
            "template file \"t.json\": template 0 (\"a\"): \"kind\": must be \"circle\", "
            "\"boundary\" or \"stroke\"");
  EXPECT_EQ(messageOf(file(R"({"kind": "circle", "radius": 5}, {"name": "L", "kind": "stroke",
                               "skeleton": [[[0, 0], [9, 0]], [[0, 0], [0, 9]]], "widths": [2]})")),
            "template file \"t.json\": template 1 (\"L\"): \"widths\": 1 width for 2 strokes");
  // The library's own refusals, under the field that caused them.
  EXPECT_EQ(messageOf(file(R"({"name": "c", "kind": "circle", "radius": -1})")),
            "template file \"t.json\": template 0 (\"c\"): \"radius\": Radius must be greater "
            "than 0");
  EXPECT_EQ(messageOf(file(R"({"name": "b", "kind": "boundary", "vertices": [[0,0],[9,0],[0,9]],
                               "dofs": {"aspect": [0.9, 1.1]}})")),
            "template file \"t.json\": template 0 (\"b\"): \"dofs.aspect\": Aspect range is not "
            "currently supported");
  EXPECT_EQ(messageOf(file(R"({"name": "b", "kind": "boundary", "vertices": [[0,0],[9,0],[0,9]],
                               "dofs": {"angel": [0, 1]}})")),
            "template file \"t.json\": template 0 (\"b\"): \"dofs.angel\": unknown DOF (use x, "
            "y, angle, scale, aspect, strokeWidth)");
  EXPECT_EQ(messageOf(file(R"({"name": "b", "kind": "boundary", "vertices": [[0,0],[9,"x"],[0,9]]})")),
            "template file \"t.json\": template 0 (\"b\"): \"vertices\": must be a finite number");
  EXPECT_THROW(vfReadTemplates(::testing::TempDir() + "no_such_templates.json"),
               vcTemplateFileError);
}

TEST(TemplateFile, SceneTemplatesTrainAsWritten) {
  vsShapeSceneParams params;
  params.numTemplates = 9;
  params.numObjects = 0;
  const vsShapeScene scene = scenes::shapeScene(params);
  const vsTemplateList list = vfSceneTemplates(scene);
  ASSERT_EQ(list.size(), 9u);
  EXPECT_EQ(list[0].shape->modelType(), Defs::eCircle);
  EXPECT_FALSE(list[0].dofs.isZoneEnabled(Defs::eAngle));
  for (const vsTemplateEntry& e : list)
    EXPECT_EQ(e.dofs.isZoneEnabled(Defs::eStrokeWidth), e.shape->modelType() == Defs::eStroke);
  EXPECT_EQ(vfParseTemplates(vfTemplatesText(list), "scene").size(), 9u);
}

}  // namespace
