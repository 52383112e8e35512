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

long lineCount(const std::string& s) { return long(std::count(s.begin(), s.end(), '\n')); }

// Writes a 160 x 120 scene with one shape and returns its image path; the truth is next to it.
std::string scene(const std::string& kind, const std::string& name, const std::string& seed) {
  const std::string path = temp(name + ".png");
  const Outcome o = shapesel({"scene", "--kind", kind, "--seed", seed, "--size", "160x120",
                              "--count", "1", "--min-size", "20", "--max-size", "40", path});
  EXPECT_EQ(o.code, 0) << o.err;
  return path;
}

TEST(ShapeselOptions, BadOptionsGiveOneLineAndExitCode2) {
  const std::string image = scene("circles", "options", "1");
  const Outcome o = shapesel({"edges", "--bogus", image});
  EXPECT_EQ(o.code, 2);
  EXPECT_EQ(lineCount(o.err), 1) << o.err;
  EXPECT_EQ(o.err.rfind("shapesel: ", 0), 0u);
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(shapesel({"--help"}).code, 0);
  EXPECT_THAT(shapesel({"lines", "--help"}).out, HasSubstr("--distance-tol"));
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
