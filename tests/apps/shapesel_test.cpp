#include <gmock/gmock.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "apps/shapesel/cli.h"
#include "io/image_file.h"

namespace {

using ::testing::HasSubstr;

using Json = nlohmann::json;

struct Outcome {
  int code = 0;
  std::string out;
  std::string err;
};

Outcome shapesel(std::vector<std::string> args) {
  args.insert(args.begin(), "shapesel");
  std::ostringstream out, err;
  const int code = vfShapeselMain(args, out, err, false);
  return {code, out.str(), err.str()};
}

std::string temp(const std::string& name) { return ::testing::TempDir() + "shapesel_" + name; }

Json readJson(const std::string& path) {
  std::ifstream in(path);
  return Json::parse(in);
}

// Runs a command that must succeed with its JSON written to a temporary file; returns the JSON.
Json run(std::vector<std::string> args, const std::string& name) {
  args.insert(args.end(), {"--json", temp(name)});
  const Outcome o = shapesel(args);
  EXPECT_EQ(o.code, 0) << o.err;
  return readJson(temp(name));
}

Json results(const std::vector<std::string>& args, const std::string& name) {
  return run(args, name)["images"][0]["results"];
}

long lineCount(const std::string& s) { return long(std::count(s.begin(), s.end(), '\n')); }

// Writes a scene with `shapes` and returns its image path; the truth is next to it.
std::string scene(const std::string& kind, const std::string& name, const std::string& seed,
                  const std::string& size = "160x120", const std::string& count = "1",
                  const std::string& minSize = "20", const std::string& maxSize = "40") {
  const std::string path = temp(name + ".png");
  const Outcome o = shapesel({"scene", "--kind", kind, "--seed", seed, "--size", size, "--count",
                              count, "--min-size", minSize, "--max-size", maxSize, path});
  EXPECT_EQ(o.code, 0) << o.err;
  return path;
}

TEST(ShapeselOptions, BadOptionsGiveOneLineAndExitCode2) {
  const std::string image = scene("circles", "options", "1");
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"edges"},
      {"edges", "--bogus", image},
      {"edges", "--mag-thresh", "nan", image},
      {"edges", "--client-offset", "3", image},
      {"edges", "--overlay", temp("o.jpg"), image},
      {"edges", "--zoom", "17", image},
      {"chains", "--sort", "random", image},
      {"lines", "--angle-tol", "200", image},
      {"circles", "--radius", "10", image},
      {"circles", "--radius", "30:10", image},
      {"circles", "--polarity", "grey", image},
      {"scene", "--kind", "hexagons", temp("x.png")},
      {"scene", "--size", "64.5x48", temp("x.png")},
  };
  for (const auto& args : bad) {
    SCOPED_TRACE(::testing::PrintToString(args));
    const Outcome o = shapesel(args);
    EXPECT_EQ(o.code, 2);
    EXPECT_EQ(lineCount(o.err), 1) << o.err;
    EXPECT_EQ(o.err.rfind("shapesel: ", 0), 0u);
    EXPECT_EQ(o.out, "");
  }
  EXPECT_EQ(shapesel({"--help"}).code, 0);
  EXPECT_THAT(shapesel({"lines", "--help"}).out, HasSubstr("--distance-tol"));
}

TEST(ShapeselJson, EdgesFollowTheClientTransform) {
  const std::string image = scene("circles", "edges", "2");
  const Json plain = run({"edges", image}, "e1.json");
  const Json scaled =
      run({"edges", image, "--client-scale", "0.5", "--client-offset", "10,-4"}, "e2.json");
  EXPECT_EQ(scaled["clientFromImage"]["scale"], 0.5);
  const Json& a = plain["images"][0];
  const Json& b = scaled["images"][0];
  ASSERT_GT(a["count"].get<long>(), 20);
  ASSERT_EQ(a["count"], b["count"]);
  for (std::size_t i = 0; i < a["results"].size(); ++i) {
    const Json& p = a["results"][i];
    const Json& q = b["results"][i];
    EXPECT_EQ(p["pixel"], q["pixel"]);
    EXPECT_NEAR(double(q["x"]), 0.5 * double(p["x"]) + 10.0, 1e-5);
    EXPECT_NEAR(double(q["y"]), 0.5 * double(p["y"]) - 4.0, 1e-5);
    EXPECT_NEAR(double(q["angle"]), double(p["angle"]), 1e-5);
  }
}

TEST(ShapeselJson, ChainsAndCirclesWriteTheirResults) {
  // How well the tools find shapes is tested with the tools; here each command runs on a scene
  // and writes its kind of result (lines: see the multi-file test).
  const std::string discs = scene("circles", "disc", "5");
  const Json chain = results({"chains", discs, "--sort", "length"}, "c.json")[0];
  EXPECT_TRUE(chain["closed"].get<bool>());
  EXPECT_EQ(chain["points"].size(), chain["numEdgelets"].get<std::size_t>());

  // A dark-only search finds no light disc.
  const std::string image = scene("circles", "circles", "11", "200x160", "3", "12", "30");
  EXPECT_FALSE(results({"circles", image, "--max", "10"}, "ci.json").empty());
  for (const Json& f : results({"circles", image, "--max", "10", "--polarity", "dark"}, "cd.json"))
    EXPECT_EQ(f["polarity"], "dark");
}

TEST(ShapeselFiles, UnreadableImagesAreReportedAndTheOthersStillRun) {
  const std::string a = scene("circles", "multi_a", "7");
  const std::string b = scene("lines", "multi_b", "8");
  const std::string text = temp("text.png");
  std::ofstream(text) << "not an image";
  const std::string missing = temp("missing.png");
  const Outcome o =
      shapesel({"lines", a, missing, text, b, "--json", temp("multi.json"), "--overlay",
                temp("ov.png"), "--zoom", "2", "--diag", temp("multi.html")});
  EXPECT_EQ(o.code, 2);
  EXPECT_EQ(lineCount(o.err), 2) << o.err;
  EXPECT_THAT(o.err, HasSubstr(missing));
  EXPECT_THAT(o.err, HasSubstr(text));
  EXPECT_THAT(o.out, HasSubstr(a + ": 160 x 120"));
  EXPECT_THAT(o.out, HasSubstr(b + ": 160 x 120"));

  // The JSON keeps the command-line order, with an error for each failed file.
  const Json doc = readJson(temp("multi.json"));
  ASSERT_EQ(doc["images"].size(), 4u);
  EXPECT_TRUE(doc["images"][0].contains("results"));
  EXPECT_TRUE(doc["images"][1].contains("error"));
  EXPECT_TRUE(doc["images"][2].contains("error"));
  EXPECT_EQ(doc["images"][3]["count"], doc["images"][3]["results"].size());

  // One overlay per readable image, at twice its size; one page for all.
  const vcPelBuffer<unsigned char> overlay = vfReadImage(temp("ov-shapesel_multi_b.png"));
  EXPECT_EQ(overlay.width(), 320);
  EXPECT_EQ(overlay.height(), 240);
  std::ifstream page(temp("multi.html"));
  const std::string html((std::istreambuf_iterator<char>(page)), std::istreambuf_iterator<char>());
  EXPECT_THAT(html, HasSubstr("Line Tracker"));
  EXPECT_THAT(html, HasSubstr("Edgelets ("));

  // An output that cannot be written fails the command with one line.
  const Outcome unwritable = shapesel({"edges", a, "--json", temp("no/such/dir/x.json")});
  EXPECT_EQ(unwritable.code, 2);
  EXPECT_THAT(unwritable.err, HasSubstr("--json"));
  // JSON on the standard output replaces the table there.
  const Outcome stdoutJson = shapesel({"edges", a, "--json", "-"});
  EXPECT_EQ(Json::parse(stdoutJson.out)["images"][0]["file"], a);
}

}  // namespace
