// `shapesel find` end to end: a generated scene, its template file, and the results printed.

#include <gmock/gmock.h>

#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "apps/shapesel/cli.h"

namespace {

using Json = nlohmann::json;

int shapesel(std::vector<std::string> args, std::string& out, std::string& err) {
  args.insert(args.begin(), "shapesel");
  std::ostringstream o, e;
  const int code = vfShapeselMain(args, o, e, false);
  out = o.str();
  err = e.str();
  return code;
}

TEST(ShapeselFind, FindsTheObjectsOfAGeneratedScene) {
  const std::string image = ::testing::TempDir() + "find_scene.png";
  std::string out, err;
  ASSERT_EQ(shapesel({"scene", "--kind", "shapes", "--seed", "5", "--size", "480x360", "--count",
                      "5", image},
                     out, err),
            0)
      << err;
  const std::string base = image.substr(0, image.size() - 4);
  ASSERT_EQ(shapesel({"find", "--templates", base + ".templates.json", image, "--json", "-"}, out,
                     err),
            0)
      << err;
  const Json doc = Json::parse(out);
  std::ifstream truthFile(base + ".json");
  const Json truth = Json::parse(truthFile);
  const Json& results = doc["images"][0]["results"];

  // Every result reported lies on an object of its template.
  for (const Json& r : results) {
    bool onObject = false;
    for (const Json& o : truth["objects"])
      if (o["template"] == r["template"] &&
          std::hypot(o["location"][0].get<double>() - r["location"][0].get<double>(),
                     o["location"][1].get<double>() - r["location"][1].get<double>()) < 3.0)
        onObject = true;
    EXPECT_TRUE(onObject) << r.dump();
  }
  // Every disc is found.
  long discs = 0;
  for (const Json& o : truth["objects"]) discs += o["template"] == 0;
  long foundDiscs = 0;
  for (const Json& r : results) foundDiscs += r["template"] == 0;
  EXPECT_EQ(foundDiscs, discs);

  // A broken template file is one line naming it, exit code 2.
  std::ofstream(base + ".bad.json") << "{\"templates\": [{\"kind\": \"circle\"}]}";
  EXPECT_EQ(shapesel({"find", "--templates", base + ".bad.json", image}, out, err), 2);
  EXPECT_THAT(err, ::testing::HasSubstr("template 0 (\"template 0\"): \"radius\": is missing"));
}

}  // namespace
