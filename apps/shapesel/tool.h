#pragma once
// The tool subcommands of shapesel. Each tool lives in one file that defines
// a vcShapeselTool and registers it:
//
//   class LinesTool : public vcShapeselTool {
//     void addOptions(CLI::App& sub) override { ... bind run parameters ... }
//     nlohmann::ordered_json params() const override { ... }
//     vsToolRun run(const vcPelBuffer_const<unsigned char>& image, vcDiagObject* diag,
//                   unsigned long flags) const override { ... }
//   };
//   const bool registered = vfRegisterTool({"lines", "Straight lines ...", [] {
//     return std::unique_ptr<vcShapeselTool>(new LinesTool);
//   }});
//
// The command line (cli.cpp) adds the options common to every tool (images,
// --json, --overlay, --diag, client transform), reads each image, calls run()
// and writes what it returns. Results are in client coordinates throughout.

#include <memory>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "apps/shapesel/table.h"
#include "platform/base/pel_buffer.h"
#include "platform/diag/diag_object.h"
#include "platform/graphics/graphic_list.h"

// What one run of a tool on one image produced.
struct vsToolRun {
  double seconds = 0.0;                                              // the library call alone
  vsTable table;                                                     // one row per result
  nlohmann::ordered_json results = nlohmann::ordered_json::array();  // one object per result
  vcGraphicList overlay;  // the results as graphics in client coordinates
  std::string note;       // when not empty, one line printed under the image's header
};

class vcShapeselTool {
 public:
  virtual ~vcShapeselTool() = default;
  // Adds the tool's run parameters to its subcommand, each with the library's
  // default and a check of its valid range.
  virtual void addOptions(CLI::App& sub) = 0;
  // The run parameters in use, for the JSON output.
  virtual nlohmann::ordered_json params() const = 0;
  // Runs the tool on one image (its client transform set), recording into
  // diag (null for none) what flags ask for. Throws what the library throws.
  virtual vsToolRun run(const vcPelBuffer_const<unsigned char>& image, vcDiagObject* diag,
                        unsigned long flags) const = 0;
};

struct vsToolInfo {
  std::string name;     // the subcommand
  std::string summary;  // one line for --help
  std::unique_ptr<vcShapeselTool> (*make)();
};

// Adds a tool to the list the command line offers; returns true so that a
// tool file can register from a namespace-scope initialiser.
bool vfRegisterTool(const vsToolInfo& info);

// The registered tools, by name.
std::vector<const vsToolInfo*> vfRegisteredTools();

// Colour for result i of a tool: a fixed cycle of six colours, so that
// neighbouring results stand apart on an overlay.
vcColor vfResultColor(std::size_t i);
