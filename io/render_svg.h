#pragma once
// SVG of diagnostics records: every entry of a record (graphic list or sketch)
// becomes one group of SVG elements in display coordinates (io/render_layer.h),
// optionally over the record's image.
//
//   std::string svg = vfRecordSvg(diag.diagRecord(0), true);   // a standalone <svg>
//   std::string g = vfLayerSvg(vfRenderLayer(entry, displayFromEntry), "layer-0");
//
// Elements: a two-point polyline is a <line>, longer ones <polyline> (open) or
// <polygon> (closed), an ellipse a <circle> (with a matrix transform when the
// display transform is not a similarity), a mark a <rect>, a text a <text>
// with a halo in its background colour. Outlines keep their width in screen
// pixels at any zoom (non-scaling stroke). Numbers have at most 3 decimals.

#include <string>

#include "io/render_layer.h"

// One <g class="layer" id="id" data-label="label"> holding the layer's items.
// `id` must be a valid XML name; the label is escaped.
std::string vfLayerSvg(const vsRenderLayer& layer, const std::string& id);

// A standalone <svg> of the record's display size (vfDisplaySize) with viewBox
// in display coordinates: the record's image first (an embedded grey PNG, drawn
// with crisp pixels) when withImage is true and the record has one, then one
// layer group per entry in recording order, ids "layer-0", "layer-1", ...
// Throws: vcBadParamsError for an entry whose display transform is singular.
std::string vfRecordSvg(const vcDiagRecord& record, bool withImage);

// The text with &, <, >, " and ' escaped for XML, as UTF-8.
std::string vfXmlEscape(const std::wstring& text);
