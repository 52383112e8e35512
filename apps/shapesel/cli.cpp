#include "apps/shapesel/cli.h"

#include <cctype>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>

#include "apps/shapesel/json_output.h"
#include "apps/shapesel/options.h"
#include "apps/shapesel/overlay.h"
#include "apps/shapesel/scene.h"
#include "apps/shapesel/tool.h"
#include "io/image_file.h"
#include "io/image_limits.h"
#include "io/render_html.h"
#include "platform/base/str.h"

namespace {

constexpr int kExitError = 2;
// Every category a tool records: inputs, results and edgelets.
constexpr unsigned long kAllDiagFlags =
    vcDiagObject::eInputs | vcDiagObject::eResults | vcDiagObject::eEdgelets;

// The options every tool subcommand shares.
struct vsCommonOptions {
  std::vector<std::string> images;
  std::string json;     // "-" for the standard output
  std::string overlay;  // a .png path
  std::string diag;     // an .html path
  double clientScale = 1.0;
  std::string clientOffset = "0,0";
  long zoom = 1;
  long rows = 20;
};

void addCommonOptions(CLI::App& sub, vsCommonOptions& o) {
  sub.add_option("images", o.images, "Image files (PNG or PGM)")->required();
  sub.add_option("--json", o.json, "Write the results as JSON to FILE ('-' for the output)");
  sub.add_option("--overlay", o.overlay, "Draw the results over the image into FILE.png")
      ->check(CLI::Validator(
          [](std::string& path) -> std::string {
            std::string ext = std::filesystem::path(path).extension().string();
            for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
            return ext == ".png" ? "" : "must end in .png";
          },
          "FILE.png"));
  sub.add_option("--diag", o.diag, "Record diagnostics and render them into FILE.html");
  sub.add_option("--client-scale", o.clientScale, "Client units per pixel")
      ->capture_default_str()
      ->check(vfFiniteIn(1e-9, 1e9));
  sub.add_option("--client-offset", o.clientOffset, "Client position X,Y of image point (0, 0)")
      ->capture_default_str()
      ->check(vfPairCheck(',', "X,Y"));
  sub.add_option("--zoom", o.zoom, "Overlay size in screen pixels per image pixel")
      ->capture_default_str()
      ->check(CLI::Range(1, 16));
  sub.add_option("--rows", o.rows, "Table rows printed per image (0 for all)")
      ->capture_default_str()
      ->check(CLI::Range(0L, 1000000000L));
}

// client = scale * image + offset.
vcXform<2> clientFromImage(const vsCommonOptions& o) {
  double x = 0.0, y = 0.0;
  vfParsePair(o.clientOffset, ',', x, y);
  return vcXform<2>(vcMatrix<2>::fromElements(o.clientScale, 0.0, 0.0, o.clientScale),
                    vcVector<2>(x, y));
}

// The overlay file of every image. With several images each gets the image's
// name: out.png for a.png becomes out-a.png, and images whose names would meet
// get their place on the command line as well (out-a-1.png, out-a-3.png).
std::vector<std::string> overlayPaths(const std::string& path,
                                      const std::vector<std::string>& images) {
  if (images.size() == 1) return {path};
  const std::filesystem::path p(path);
  const auto named = [&](const std::string& name) {
    return (p.parent_path() / (p.stem().string() + "-" + name + p.extension().string())).string();
  };
  std::map<std::string, int> uses;
  for (const std::string& image : images)
    ++uses[named(std::filesystem::path(image).stem().string())];
  std::vector<std::string> out;
  for (std::size_t i = 0; i < images.size(); ++i) {
    const std::string stem = std::filesystem::path(images[i]).stem().string();
    out.push_back(uses[named(stem)] > 1 ? named(stem + "-" + std::to_string(i + 1)) : named(stem));
  }
  return out;
}

// Whether two paths name the same file, existing or not.
bool sameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  if (std::filesystem::equivalent(a, b, error)) return true;
  return std::filesystem::weakly_canonical(a, error) == std::filesystem::weakly_canonical(b, error);
}

// Runs one tool over every image of the command line.
class ToolJob {
 public:
  ToolJob(const vsToolInfo& info, const vcShapeselTool& tool, const vsCommonOptions& o,
          std::ostream& out, std::ostream& err, bool progress)
      : info_(info), tool_(tool), o_(o), out_(out), err_(err), progress_(progress) {}

  int run() {
    // Overlay files, none of them an input image.
    if (!o_.overlay.empty()) {
      overlays_ = overlayPaths(o_.overlay, o_.images);
      for (const std::string& overlay : overlays_)
        for (const std::string& image : o_.images)
          if (sameFile(overlay, image)) {
            err_ << "shapesel: --overlay: " << overlay << " would overwrite the input image "
                 << image << '\n';
            return kExitError;
          }
    }

    // The document and the shared header of every image's entry.
    const vcXform<2> clientFromImage = ::clientFromImage(o_);
    nlohmann::ordered_json doc;
    doc["command"] = info_.name;
    doc["params"] = tool_.params();
    double ox = 0.0, oy = 0.0;
    vfParsePair(o_.clientOffset, ',', ox, oy);
    doc["clientFromImage"] = {{"scale", o_.clientScale}, {"offset", vfJsonPoint({ox, oy})}};
    doc["images"] = nlohmann::ordered_json::array();

    // Each image in turn; a failure is reported and the next image follows.
    for (std::size_t i = 0; i < o_.images.size(); ++i) {
      const std::string& file = o_.images[i];
      if (progress_)
        err_ << "\r\33[K[" << i + 1 << "/" << o_.images.size() << "] " << file << std::flush;
      nlohmann::ordered_json entry;
      entry["file"] = file;
      try {
        runImage_(i, clientFromImage, entry);
      } catch (const vcImageFileError& e) {  // its message names the file already
        fail_(entry, e.what(), "");
      } catch (const std::exception& e) {
        fail_(entry, e.what(), file + ": ");
      }
      doc["images"].push_back(entry);
    }
    if (progress_) err_ << "\r\33[K" << std::flush;

    // The outputs over all images.
    writeOutput_("--json", o_.json, [&] {
      if (o_.json == "-")
        out_ << vfJsonText(doc);
      else
        vfWriteJson(o_.json, doc);
    });
    writeOutput_("--diag", o_.diag, [&] {
      std::vector<vsDiagSection> sections;
      for (std::size_t i = 0; i < diags_.size(); ++i)
        sections.push_back({diagNames_[i], &diags_[i]});
      vfWriteDiagHtml(o_.diag, "shapesel " + info_.name, sections);
    });
    return failed_ ? kExitError : 0;
  }

 private:
  void runImage_(std::size_t index, const vcXform<2>& clientFromImage,
                 nlohmann::ordered_json& entry) {
    // Read the image and give it the client transform.
    const std::string& file = o_.images[index];
    vcPelBuffer<unsigned char> image = vfReadImage(file);
    image.clientFromImageXform(clientFromImage);
    entry["width"] = image.width();
    entry["height"] = image.height();

    // An overlay too large to draw is refused before the tool runs.
    if (!o_.overlay.empty() &&
        image.width() * o_.zoom > kMaxOverlayPixels / image.height() / o_.zoom)
      throw std::invalid_argument("--zoom " + std::to_string(o_.zoom) + " makes an overlay of " +
                                  std::to_string(image.width() * o_.zoom) + " x " +
                                  std::to_string(image.height() * o_.zoom) +
                                  " pixels, more than 2^26");

    // Run the tool, with a diagnostics object when a page is wanted.
    vcDiagObject* diag = nullptr;
    if (!o_.diag.empty()) {
      diag = &diags_.emplace_back();
      diagNames_.push_back(file);
    }
    const vsToolRun run = tool_.run(image, diag, diag ? kAllDiagFlags : 0);

    // Print the block of this image, unless the output carries the JSON.
    if (o_.json != "-") {
      if (progress_) err_ << "\r\33[K";
      out_ << file << ": " << image.width() << " x " << image.height() << ", " << run.results.size()
           << " result" << (run.results.size() == 1 ? "" : "s") << " in "
           << vfFixed(run.seconds * 1e3, 2) << " ms\n";
      if (!run.note.empty()) out_ << run.note << '\n';
      vfPrintTable(out_, run.table, std::size_t(o_.rows));
    }
    entry["seconds"] = vfJsonNumber(run.seconds);
    entry["count"] = run.results.size();
    entry["results"] = run.results;

    if (!o_.overlay.empty()) vfWriteOverlay(overlays_[index], image, run.overlay, o_.zoom);
  }

  // Reports a failed image as one line and in its JSON entry.
  void fail_(nlohmann::ordered_json& entry, const std::string& reason, const std::string& prefix) {
    if (progress_) err_ << "\r\33[K";
    err_ << "shapesel: " << prefix << reason << '\n';
    entry["error"] = reason;
    failed_ = true;
  }

  // Writes one output file when asked for, reporting a failure as one line.
  template <class Write>
  void writeOutput_(const char* option, const std::string& path, Write write) {
    if (path.empty()) return;
    try {
      write();
    } catch (const std::exception& e) {
      err_ << "shapesel: " << option << ": " << e.what() << '\n';
      failed_ = true;
    }
  }

  const vsToolInfo& info_;
  const vcShapeselTool& tool_;
  const vsCommonOptions& o_;
  std::ostream& out_;
  std::ostream& err_;
  bool progress_;
  bool failed_ = false;
  std::vector<std::string> overlays_;  // one per image
  std::deque<vcDiagObject> diags_;     // one per image, stable addresses
  std::vector<std::string> diagNames_;
};

}  // namespace

int vfShapeselMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                   bool progress) {
  try {
    // The command line: one subcommand per registered tool, and `scene`.
    CLI::App app("Find trained shapes, edges, chains, lines and circles in 8-bit grey images.",
                 "shapesel");
    app.require_subcommand(1);
    vsCommonOptions common;
    std::vector<std::pair<const vsToolInfo*, std::unique_ptr<vcShapeselTool>>> tools;
    std::vector<CLI::App*> subs;
    for (const vsToolInfo* info : vfRegisteredTools()) {
      CLI::App* sub = app.add_subcommand(info->name, info->summary);
      tools.emplace_back(info, info->make());
      tools.back().second->addOptions(*sub);
      addCommonOptions(*sub, common);
      subs.push_back(sub);
    }
    vsSceneOptions sceneOptions;
    CLI::App* scene = vfAddSceneCommand(app, sceneOptions);

    // A first word that is no option must name a subcommand (the parser would only say that
    // one is required).
    if (args.size() > 1 && !args[1].empty() && args[1][0] != '-') {
      const auto named = app.get_subcommands([&](CLI::App* s) { return s->check_name(args[1]); });
      if (named.empty()) {
        err << "shapesel: unknown subcommand " << args[1] << " (see shapesel --help)\n";
        return kExitError;
      }
    }

    // Parse; help goes to out, every other problem is one line on err.
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    try {
      app.parse(int(argv.size()), argv.data());
    } catch (const CLI::CallForHelp& e) {
      return app.exit(e, out, err);
    } catch (const CLI::CallForAllHelp& e) {
      return app.exit(e, out, err);
    } catch (const CLI::ParseError& e) {
      err << "shapesel: " << e.what() << " (see shapesel --help)\n";
      return kExitError;
    }

    // Run the subcommand given.
    if (scene->parsed()) return vfRunScene(sceneOptions, out, err);
    for (std::size_t i = 0; i < subs.size(); ++i)
      if (subs[i]->parsed())
        return ToolJob(*tools[i].first, *tools[i].second, common, out, err, progress).run();
    err << "shapesel: no subcommand given (see shapesel --help)\n";
    return kExitError;
  } catch (const std::exception& e) {
    err << "shapesel: " << e.what() << '\n';
    return kExitError;
  } catch (...) {
    err << "shapesel: unexpected error\n";
    return kExitError;
  }
}
