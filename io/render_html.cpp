#include "io/render_html.h"

#include <algorithm>
#include <cstdio>
#include <type_traits>

#include "io/file_bytes.h"
#include "io/render_png.h"
#include "io/render_svg.h"
#include "platform/base/str.h"

namespace {

std::string esc(const std::string& utf8) { return vfXmlEscape(vfWideFromUtf8(utf8)); }

const char kStyle[] = R"(
body { font-family: sans-serif; margin: 1em; background: #f4f4f4; color: #222; }
header { position: sticky; top: 0; background: #f4f4f4; padding: .4em 0; z-index: 2; }
section { margin-top: 1.5em; }
article { background: #fff; border: 1px solid #ccc; padding: .6em; margin: .8em 0; }
h3 { margin: 0 0 .3em 0; font-size: 1em; }
ul.notes { margin: .2em 0 .5em 0; }
.layers label { margin-right: 1.2em; white-space: nowrap; }
.swatch { display: inline-block; width: .8em; height: .8em; border: 1px solid #555; }
.stage { display: inline-block; max-width: 100%; vertical-align: top; overflow: auto;
         max-height: 80vh; margin-top: .4em; background: #333; }
.stage svg { display: block; }
.empty { color: #777; font-style: italic; }
)";

// Zoom resizes every picture; a checkbox shows or hides its layer.
const char kScript[] = R"(
const zoom = document.getElementById('zoom');
function applyZoom() {
  document.getElementById('zoomval').textContent = zoom.value + 'x';
  for (const svg of document.querySelectorAll('svg[data-w]')) {
    svg.setAttribute('width', svg.dataset.w * zoom.value);
    svg.setAttribute('height', svg.dataset.h * zoom.value);
  }
}
zoom.addEventListener('input', applyZoom);
for (const box of document.querySelectorAll('input[data-layer]')) {
  box.addEventListener('change', () => {
    document.getElementById(box.dataset.layer).style.display = box.checked ? '' : 'none';
  });
}
applyZoom();
)";

// The first colour used in a layer, for the swatch next to its checkbox.
std::string swatch(const vsRenderLayer& layer) {
  vcColor c = vcColor::white();
  if (!layer.items.empty())
    c = std::visit(
        [](const auto& it) -> vcColor {
          using T = std::decay_t<decltype(it)>;
          if constexpr (std::is_same_v<T, vsRenderMark>)
            return it.color;
          else if constexpr (std::is_same_v<T, vsRenderText>)
            return it.foreground;
          else
            return it.pen.color;
        },
        layer.items.front());
  char buf[64];
  std::snprintf(buf, sizeof buf,
                "<span class=\"swatch\" style=\"background:#%02x%02x%02x\"></span>", c.r(), c.g(),
                c.b());
  return buf;
}

std::string recordHtml(const vcDiagRecord& record, const std::string& id, long number) {
  std::string s = "<article id=\"" + id + "\">\n<h3>Record " + std::to_string(number);
  if (!record.imageLabel().empty()) s += " &mdash; " + vfXmlEscape(record.imageLabel());
  s += "</h3>\n";
  // Annotations, in recording order.
  if (!record.annotations().empty()) {
    s += "<ul class=\"notes\">\n";
    for (const std::wstring& note : record.annotations())
      s += "<li>" + vfXmlEscape(note) + "</li>\n";
    s += "</ul>\n";
  }
  if (!record.image().isBound() && record.entries().empty())
    return s + "<p class=\"empty\">no image and no graphics</p>\n</article>\n";
  // One checkbox and one SVG group per entry.
  std::string boxes = "<div class=\"layers\">\n", groups;
  for (std::size_t i = 0; i < record.entries().size(); ++i) {
    const vcDiagEntry& entry = record.entries()[i];
    const vsRenderLayer layer = vfRenderLayer(entry, vfDisplayFromEntry(record, entry));
    const std::string layerId = id + "-l" + std::to_string(i);
    boxes += "<label><input type=\"checkbox\" checked data-layer=\"" + layerId + "\"> " +
             swatch(layer) + ' ' + vfXmlEscape(layer.label) + " (" +
             std::to_string(layer.items.size()) + ")</label>\n";
    groups += vfLayerSvg(layer, layerId);
  }
  boxes += "</div>\n";
  // The picture: the image underneath, the layers over it.
  const vcPair<long> size = vfDisplaySize(record);
  const std::string w = std::to_string(size.x()), h = std::to_string(size.y());
  s += boxes + "<div class=\"stage\"><svg xmlns=\"http://www.w3.org/2000/svg\" data-w=\"" + w +
       "\" data-h=\"" + h + "\" width=\"" + w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + ' ' +
       h + "\">\n";
  const vcPelBuffer_const<unsigned char>& image = record.image();
  if (image.isBound() && image.width() > 0 && image.height() > 0)
    s += "<image width=\"" + w + "\" height=\"" + h +
         "\" style=\"image-rendering:pixelated\" href=\"data:image/png;base64," +
         vfBase64(vfEncodePng(image)) + "\"/>\n";
  return s + groups + "</svg></div>\n</article>\n";
}

// A zoom that shows the widest picture at about 800 screen pixels, 1 to 8.
long initialZoom(const std::vector<vsDiagSection>& sections) {
  long widest = 1;
  for (const vsDiagSection& section : sections)
    for (long i = 0; section.diag && i < section.diag->numRecords(); ++i)
      widest = std::max(widest, vfDisplaySize(section.diag->diagRecord(i)).x());
  return std::clamp(800 / widest, 1L, 8L);
}

}  // namespace

std::string vfRenderDiagHtml(const std::string& title, const std::vector<vsDiagSection>& sections) {
  std::string s = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
                  esc(title) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
  s += "<header><strong>" + esc(title) +
       "</strong> &nbsp; zoom <input type=\"range\" id=\"zoom\" min=\"1\" max=\"8\" step=\"0.5\" "
       "value=\"" +
       std::to_string(initialZoom(sections)) + "\"> <span id=\"zoomval\"></span></header>\n";
  for (std::size_t k = 0; k < sections.size(); ++k) {
    const vsDiagSection& section = sections[k];
    s += "<section>\n<h2>" + esc(section.title) + "</h2>\n";
    if (!section.diag || section.diag->numRecords() == 0)
      s += "<p class=\"empty\">no diagnostics records</p>\n";
    for (long i = 0; section.diag && i < section.diag->numRecords(); ++i) {
      // Built by appending: GCC 12 at -O3 warns falsely about "s" + std::to_string(k).
      std::string id = "s";
      id += std::to_string(k);
      id += "-r";
      id += std::to_string(i);
      s += recordHtml(section.diag->diagRecord(i), id, i + 1);
    }
    s += "</section>\n";
  }
  return s + "<script>" + kScript + "</script>\n</body>\n</html>\n";
}

void vfWriteDiagHtml(const std::string& path, const std::string& title,
                     const std::vector<vsDiagSection>& sections) {
  vfWriteFileBytes(path, vfRenderDiagHtml(title, sections));
}
