#include "io/template_file.h"

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include <nlohmann/json.hpp>

#include "platform/base/polyline.h"
#include "platform/base/str.h"

namespace {

using Json = nlohmann::ordered_json;
using Defs = vcShapeSelectDefs;

struct DofName {
  const char* name;
  Defs::DOF dof;
};
constexpr DofName kDofNames[] = {{"x", Defs::eTranslationX},     {"y", Defs::eTranslationY},
                                 {"angle", Defs::eAngle},        {"scale", Defs::eScale},
                                 {"aspect", Defs::eAspect},      {"strokeWidth", Defs::eStrokeWidth}};

// Where in the file a parse is: the file, and the template being read (index -1 before any).
struct Place {
  std::string source;
  long index = -1;
  std::string name;
};

[[noreturn]] void fail(const Place& at, const std::string& field, const std::string& reason) {
  std::string text;
  if (at.index >= 0) text = "template " + std::to_string(at.index) + " (\"" + at.name + "\"): ";
  if (!field.empty()) text += "\"" + field + "\": ";
  throw vcTemplateFileError(at.source, text + reason);
}

double number(const Place& at, const std::string& field, const Json& j) {
  if (!j.is_number() || !std::isfinite(j.get<double>())) fail(at, field, "must be a finite number");
  return j.get<double>();
}

vcVector<2> point(const Place& at, const std::string& field, const Json& j) {
  if (!j.is_array() || j.size() != 2) fail(at, field, "must be a point [x, y]");
  return vcVector<2>(number(at, field, j[0]), number(at, field, j[1]));
}

const Json& required(const Place& at, const Json& entry, const char* field) {
  if (!entry.contains(field)) fail(at, field, "is missing");
  return entry.at(field);
}

// Runs a library call, reporting its refusal as the field's error.
template <class Call>
void library(const Place& at, const std::string& field, Call call) {
  try {
    call();
  } catch (const vcExceptionWithString& e) {
    fail(at, field, vfUtf8FromWide(e.message()));
  }
}

vcPtrHandle<vcShapeSelectTemplate> circleTemplate(const Place& at, const Json& entry) {
  const double radius = number(at, "radius", required(at, entry, "radius"));
  const vcVector<2> center = entry.contains("center") ? point(at, "center", entry.at("center"))
                                                      : vcVector<2>(0.0, 0.0);
  vcPtrHandle<vcShapeSelectTemplate> t;
  library(at, "radius", [&] { t.reset(new vcShapeSelectTemplateCircle(radius, center)); });
  return t;
}

vcPtrHandle<vcShapeSelectTemplate> boundaryTemplate(const Place& at, const Json& entry) {
  const Json& list = required(at, entry, "vertices");
  if (!list.is_array() || list.size() < 3) fail(at, "vertices", "must list at least 3 points");
  std::vector<vcVector<2>> vertices;
  for (const Json& v : list) vertices.push_back(point(at, "vertices", v));
  vcPtrHandle<vcShapeSelectTemplate> t;
  library(at, "vertices",
          [&] { t.reset(new vcShapeSelectTemplateBoundary(vcPolyline(vertices, true))); });
  return t;
}

vcPtrHandle<vcShapeSelectTemplate> strokeTemplate(const Place& at, const Json& entry) {
  const Json& skeleton = required(at, entry, "skeleton");
  const Json& widths = required(at, entry, "widths");
  if (!skeleton.is_array() || skeleton.empty())
    fail(at, "skeleton", "must list at least one centre-line [[x1, y1], [x2, y2]]");
  if (!widths.is_array()) fail(at, "widths", "must list one width per stroke");
  std::vector<vcLineSeg> lines;
  for (const Json& s : skeleton) {
    if (!s.is_array() || s.size() != 2) fail(at, "skeleton", "a centre-line must be [[x1, y1], [x2, y2]]");
    lines.emplace_back(point(at, "skeleton", s[0]), point(at, "skeleton", s[1]));
  }
  std::vector<double> w;
  for (const Json& v : widths) w.push_back(number(at, "widths", v));
  if (w.size() != lines.size())
    fail(at, "widths", std::to_string(w.size()) + " width" + (w.size() == 1 ? "" : "s") + " for " +
                           std::to_string(lines.size()) + " strokes");
  vcPtrHandle<vcShapeSelectTemplate> t;
  library(at, "skeleton", [&] {
    t.reset(new vcShapeSelectTemplateStroke(lines, w));
    t->boundarySegments();  // a figure whose outline cannot be traced is refused here
  });
  return t;
}

// One DOF setting: a zone, a nominal value, "full" or an object of them.
void parseDof(const Place& at, const std::string& field, Defs::DOF dof, const Json& v,
              vcShapeSelectTemplateParams& dofs) {
  const double inf = std::numeric_limits<double>::infinity();
  auto setZone = [&](const Json& zone) {
    if (zone.is_string() && zone.get<std::string>() == "full") {
      library(at, field, [&] { dofs.zone(dof, -inf, inf); });
    } else if (zone.is_array() && zone.size() == 2) {
      const double low = number(at, field, zone[0]), high = number(at, field, zone[1]);
      library(at, field, [&] { dofs.zone(dof, low, high); });
    } else {
      fail(at, field, "a zone must be [low, high] or \"full\"");
    }
  };
  auto enable = [&](bool on) {
    dofs.zoneEnable(on ? (dofs.zoneEnable() | unsigned(dof)) : (dofs.zoneEnable() & ~unsigned(dof)));
  };
  if (v.is_number()) {
    const double nominal = number(at, field, v);
    library(at, field, [&] { dofs.nominal(dof, nominal); });
    enable(false);
  } else if (v.is_array() || v.is_string()) {
    setZone(v);
    enable(true);
  } else if (v.is_object()) {
    for (const auto& [key, value] : v.items())
      if (key != "zone" && key != "nominal" && key != "enabled")
        fail(at, field, "unknown key \"" + key + "\" (use zone, nominal, enabled)");
    if (v.contains("zone")) setZone(v.at("zone"));
    if (v.contains("nominal")) {
      const double nominal = number(at, field, v.at("nominal"));
      library(at, field, [&] { dofs.nominal(dof, nominal); });
    }
    if (v.contains("enabled") && !v.at("enabled").is_boolean())
      fail(at, field, "\"enabled\" must be true or false");
    enable(v.contains("enabled") ? v.at("enabled").get<bool>() : v.contains("zone"));
  } else {
    fail(at, field, "must be [low, high], a number, \"full\" or an object");
  }
}

vcShapeSelectTemplateParams parseDofs(const Place& at, const Json& entry, bool circle) {
  vcShapeSelectTemplateParams dofs;
  // A circle has no angle: without a setting of its own its angle zone is off.
  if (circle) dofs.zoneEnable(dofs.zoneEnable() & ~unsigned(Defs::eAngle));
  if (entry.contains("dofs")) {
    const Json& settings = entry.at("dofs");
    if (!settings.is_object()) fail(at, "dofs", "must be an object of DOF settings");
    for (const auto& [key, value] : settings.items()) {
      const DofName* found = nullptr;
      for (const DofName& d : kDofNames)
        if (key == d.name) found = &d;
      if (!found)
        fail(at, "dofs." + key, "unknown DOF (use x, y, angle, scale, aspect, strokeWidth)");
      parseDof(at, "dofs." + key, found->dof, value, dofs);
    }
  }
  if (entry.contains("polarities")) {
    const Json& p = entry.at("polarities");
    if (!p.is_number_unsigned()) fail(at, "polarities", "must be an integer from 0 to 3");
    library(at, "polarities", [&] { dofs.polarities(p.get<unsigned long>()); });
  }
  return dofs;
}

vsTemplateEntry parseEntry(Place& at, const Json& entry) {
  if (!entry.is_object()) fail(at, "", "must be an object");
  at.name = "template " + std::to_string(at.index);
  if (entry.contains("name")) {
    if (!entry.at("name").is_string()) fail(at, "name", "must be text");
    at.name = entry.at("name").get<std::string>();
  }
  const Json& kind = required(at, entry, "kind");
  const std::string k = kind.is_string() ? kind.get<std::string>() : "";
  vsTemplateEntry out;
  out.name = at.name;
  if (k == "circle")
    out.shape = circleTemplate(at, entry);
  else if (k == "boundary")
    out.shape = boundaryTemplate(at, entry);
  else if (k == "stroke")
    out.shape = strokeTemplate(at, entry);
  else
    fail(at, "kind", "must be \"circle\", \"boundary\" or \"stroke\"");
  out.dofs = parseDofs(at, entry, k == "circle");
  return out;
}

// ---- Writing ----

Json jsonPoint(const vcVector<2>& p) { return Json::array({p.x(), p.y()}); }

Json jsonZone(double low, double high) {
  if (std::isinf(low) && std::isinf(high)) return "full";
  return Json::array({low, high});
}

// Every DOF written out, in the shortest form that reads back to the same setting.
Json jsonDofs(const vcShapeSelectTemplateParams& dofs) {
  const vcShapeSelectTemplateParams defaults;
  Json out = Json::object();
  for (const DofName& d : kDofNames) {
    const bool enabled = dofs.isZoneEnabled(d.dof);
    const double nominal = dofs.nominal(d.dof);
    if (d.dof == Defs::eAspect) {  // its zone cannot be set, only enabled
      out[d.name] = enabled ? Json{{"enabled", true}, {"nominal", nominal}} : Json(nominal);
      continue;
    }
    const Json zone = jsonZone(dofs.zoneLow(d.dof), dofs.zoneHigh(d.dof));
    const bool defaultZone = zone == jsonZone(defaults.zoneLow(d.dof), defaults.zoneHigh(d.dof));
    if (enabled && nominal == defaults.nominal(d.dof))
      out[d.name] = zone;
    else if (!enabled && defaultZone)
      out[d.name] = nominal;
    else
      out[d.name] = {{"zone", zone}, {"nominal", nominal}, {"enabled", enabled}};
  }
  return out;
}

Json jsonEntry(const vsTemplateEntry& e) {
  Json j;
  j["name"] = e.name;
  const vcShapeSelectTemplate& t = *e.shape;
  switch (t.modelType()) {
    case Defs::eCircle: {
      const auto& c = static_cast<const vcShapeSelectTemplateCircle&>(t);
      j["kind"] = "circle";
      j["radius"] = c.nominalRadius();
      j["center"] = jsonPoint(c.center());
      break;
    }
    case Defs::eBoundary: {
      const auto& b = static_cast<const vcShapeSelectTemplateBoundary&>(t);
      j["kind"] = "boundary";
      j["vertices"] = Json::array();
      for (long k = 0; k < b.boundaryPoly().numVertices(); ++k)
        j["vertices"].push_back(jsonPoint(b.boundaryPoly().vertex(k)));
      break;
    }
    case Defs::eStroke: {
      const auto& s = static_cast<const vcShapeSelectTemplateStroke&>(t);
      j["kind"] = "stroke";
      j["skeleton"] = Json::array();
      for (const vcLineSeg& line : s.skeletalSegments())
        j["skeleton"].push_back({jsonPoint(line.p1()), jsonPoint(line.p2())});
      j["widths"] = s.nominalStrokeWidths();
      break;
    }
  }
  j["dofs"] = jsonDofs(e.dofs);
  j["polarities"] = e.dofs.polarities();
  return j;
}

}  // namespace

vcTemplateFileError::vcTemplateFileError(const std::string& path, const std::string& reason)
    : vcExceptionWithString(L"template file \"" + vfWideFromUtf8(path) + L"\": " +
                            vfWideFromUtf8(reason)) {}

vsTemplateList vfParseTemplates(const std::string& text, const std::string& source) {
  Place at{source, -1, ""};
  Json doc;
  try {
    doc = Json::parse(text);
  } catch (const nlohmann::json::parse_error& e) {
    fail(at, "", std::string("not JSON: ") + e.what());
  }
  if (!doc.is_object() || !doc.contains("templates") || !doc.at("templates").is_array())
    fail(at, "templates", "the file must be an object with a \"templates\" list");
  vsTemplateList list;
  for (const Json& entry : doc.at("templates")) {
    at.index = long(list.size());
    list.push_back(parseEntry(at, entry));
  }
  return list;
}

vsTemplateList vfReadTemplates(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw vcTemplateFileError(path, "cannot be opened");
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw vcTemplateFileError(path, "cannot be read");
  return vfParseTemplates(text.str(), path);
}

std::string vfTemplatesText(const vsTemplateList& list) {
  // One template per line, so that a file reads and diffs line by line.
  std::string text = "{\"templates\": [\n";
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (!list[i].shape) throw vcTemplateFileError("", "template " + std::to_string(i) + " is null");
    text += "  " + jsonEntry(list[i]).dump() + (i + 1 < list.size() ? ",\n" : "\n");
  }
  return text + "]}\n";
}

void vfWriteTemplates(const std::string& path, const vsTemplateList& list) {
  const std::string text = vfTemplatesText(list);
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  if (!out) throw vcTemplateFileError(path, "cannot be written");
}

std::vector<vcPtrHandle<vcShapeSelectTemplate>> vfTemplateHandles(const vsTemplateList& list) {
  std::vector<vcPtrHandle<vcShapeSelectTemplate>> out;
  for (const vsTemplateEntry& e : list) out.push_back(e.shape);
  return out;
}

vcShapeSelectTrainParams vfTrainParams(const vsTemplateList& list) {
  std::vector<vcShapeSelectTemplateParams> dofs;
  for (const vsTemplateEntry& e : list) dofs.push_back(e.dofs);
  vcShapeSelectTrainParams params;
  params.trainDOFs(dofs);
  return params;
}
