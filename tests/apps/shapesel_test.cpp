// The `shapesel` command line end to end: option and file errors, outputs, and the find and
// strokes subcommands on images drawn here.

#include <gmock/gmock.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "apps/shapesel/cli.h"
#include "io/image_file.h"
#include "temp_path.h"

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

std::string temp(const std::string& name) { return testpaths::tempPath("shapesel_" + name); }

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
  EXPECT_THAT(unwritable.err, HasSubstr("No such file or directory"));  // and says why
  // JSON on the standard output replaces the table there.
  const Outcome stdoutJson = shapesel({"edges", a, "--json", "-"});
  EXPECT_EQ(Json::parse(stdoutJson.out)["images"][0]["file"], a);
}

TEST(ShapeselOptions, OptionsTheToolsWouldIgnoreOrFailOnAreRefusedOnce) {
  const std::string image = scene("circles", "refuse", "2");
  for (const char* radius : {"-5:3", "0:0", "40:10"}) {
    const Outcome o = shapesel({"circles", image, image, "--radius", radius});
    EXPECT_EQ(o.code, 2) << radius;
    EXPECT_EQ(lineCount(o.err), 1) << o.err;
    EXPECT_THAT(o.err, HasSubstr("--radius")) << radius;
  }
  EXPECT_EQ(shapesel({"circles", image, "--radius", "5:5"}).code, 0);

  const Outcome unknown = shapesel({"cirles", image});
  EXPECT_EQ(unknown.code, 2);
  EXPECT_THAT(unknown.err, HasSubstr("unknown subcommand cirles"));

  // Sizes: a scene the readers would refuse is not written; an overlay too large to draw is
  // refused before the tool runs.
  const Outcome huge = shapesel({"scene", "--size", "32768x32768", temp("huge.png")});
  EXPECT_EQ(huge.code, 2);
  EXPECT_THAT(huge.err, HasSubstr("--size: unsupported image size 32768 x 32768"));
  EXPECT_FALSE(std::ifstream(temp("huge.png")).good());
  EXPECT_EQ(shapesel({"scene", "--size", "70000x1", temp("wide.png")}).code, 2);
  const Outcome zoomed = shapesel({"edges", image, "--overlay", temp("z.png"), "--zoom", "16"});
  EXPECT_EQ(zoomed.code, 0) << zoomed.err;
  const std::string big = temp("big.png");
  ASSERT_EQ(shapesel({"scene", "--size", "600x500", "--count", "1", big}).code, 0);
  const Outcome tooBig = shapesel({"edges", big, "--overlay", temp("zbig.png"), "--zoom", "16"});
  EXPECT_EQ(tooBig.code, 2);
  EXPECT_THAT(tooBig.err, HasSubstr("--zoom 16 makes an overlay of 9600 x 8000 pixels"));
  EXPECT_THAT(tooBig.out, ::testing::Not(HasSubstr("result")));  // the tool did not run
}

TEST(ShapeselFiles, JsonKeepsSmallScalesAndNamesThatAreNotUtf8) {
  const std::string image = scene("circles", "json", "3");
  const auto radius = [&](const std::string& scale) {
    const Outcome o = shapesel({"circles", image, "--json", "-", "--client-scale", scale});
    EXPECT_EQ(o.code, 0) << o.err;
    return Json::parse(o.out)["images"][0]["results"][0]["radius"].get<double>();
  };
  const double r1 = radius("1");
  EXPECT_NEAR(radius("1e-5") / r1, 1e-5, 1e-12);
  EXPECT_NEAR(radius("1e-9") / r1, 1e-9, 1e-16);

  // A name with a byte that is not UTF-8: both images keep their results.
  const std::string odd = temp("odd\xff.png");
  std::filesystem::copy_file(image, odd, std::filesystem::copy_options::overwrite_existing);
  const Outcome o = shapesel({"circles", odd, image, "--json", temp("odd.json")});
  EXPECT_EQ(o.code, 0) << o.err;
  const Json doc = readJson(temp("odd.json"));
  ASSERT_EQ(doc["images"].size(), 2u);
  EXPECT_EQ(doc["images"][0]["count"], 1);
  EXPECT_EQ(doc["images"][1]["count"], 1);
}

TEST(ShapeselFiles, OverlaysNeverOverwriteEachOtherOrAnInput) {
  const std::string a = scene("circles", "same_a", "4");
  const std::string b = scene("lines", "same_b", "5");
  std::filesystem::create_directories(temp("d1"));
  std::filesystem::create_directories(temp("d2"));
  const std::string a1 = temp("d1/x.png"), b2 = temp("d2/x.png");
  std::filesystem::copy_file(a, a1, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::copy_file(b, b2, std::filesystem::copy_options::overwrite_existing);
  EXPECT_EQ(shapesel({"edges", a1, b2, "--overlay", temp("ov.PNG")}).code, 0);
  EXPECT_TRUE(std::ifstream(temp("ov-x-1.PNG")).good());
  EXPECT_TRUE(std::ifstream(temp("ov-x-2.PNG")).good());

  const auto before = std::filesystem::file_size(a1);
  const Outcome o = shapesel({"edges", a1, "--overlay", a1});
  EXPECT_EQ(o.code, 2);
  EXPECT_THAT(o.err, HasSubstr("would overwrite the input image"));
  EXPECT_EQ(std::filesystem::file_size(a1), before);
}

TEST(ShapeselFind, FindsTheObjectsOfAGeneratedScene) {
  const std::string image = temp("find_scene.png");
  const Outcome made = shapesel(
      {"scene", "--kind", "shapes", "--seed", "5", "--size", "480x360", "--count", "5", image});
  ASSERT_EQ(made.code, 0) << made.err;
  const std::string base = image.substr(0, image.size() - 4);
  const Outcome o =
      shapesel({"find", "--templates", base + ".templates.json", image, "--json", "-"});
  ASSERT_EQ(o.code, 0) << o.err;
  const Json truth = readJson(base + ".json");
  const Json results = Json::parse(o.out)["images"][0]["results"];

  // Every result reported lies on an object of its template, and every disc is found.
  long discs = 0, foundDiscs = 0;
  for (const Json& r : results) {
    bool onObject = false;
    for (const Json& t : truth["objects"])
      onObject |= t["template"] == r["template"] &&
                  std::hypot(t["location"][0].get<double>() - r["location"][0].get<double>(),
                             t["location"][1].get<double>() - r["location"][1].get<double>()) < 3.0;
    EXPECT_TRUE(onObject) << r.dump();
    foundDiscs += r["template"] == 0;
  }
  for (const Json& t : truth["objects"]) discs += t["template"] == 0;
  EXPECT_EQ(foundDiscs, discs);

  // A broken template file is one line naming it, exit code 2.
  std::ofstream(base + ".bad.json") << "{\"templates\": [{\"kind\": \"circle\"}]}";
  const Outcome bad = shapesel({"find", "--templates", base + ".bad.json", image});
  EXPECT_EQ(bad.code, 2);
  EXPECT_THAT(bad.err, HasSubstr("template 0 (\"template 0\"): \"radius\": is missing"));
}

// One bright bar gives its centre-line segment with its width; --stages writes the three
// working images.
TEST(ShapeselStrokes, BarGivesItsCentreLineAndStageImages) {
  vcPelBuffer<unsigned char> image(200, 80, 32);
  for (long y = 0; y < 80; ++y)
    for (long x = 0; x < 200; ++x)
      image.put(x, y, x >= 20 && x < 180 && y >= 30 && y < 40 ? 180 : 30);
  const std::string dir = temp("strokes"), path = dir + "-bar.png";
  vfWritePng(path, image);
  const Outcome o =
      shapesel({"strokes", path, "--json", "-", "--client-scale", "0.5", "--stages", dir});
  ASSERT_EQ(o.code, 0) << o.err;
  const Json results = Json::parse(o.out)["images"][0]["results"];
  ASSERT_EQ(results.size(), 1u);
  EXPECT_DOUBLE_EQ(results[0]["width"].get<double>(), 5.0);  // 10 pixels at 0.5 per pixel
  EXPECT_NEAR(results[0]["p1"][1].get<double>(), 17.5, 0.05);
  for (const char* stage : {"1-cleaned.png", "1-mask.png", "1-distance.png"})
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(dir) / stage)) << stage;
}

}  // namespace
