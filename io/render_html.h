#pragma once
// One self-contained HTML page showing diagnostics records: for every record
// its annotations, its image, and each of its graphic lists and sketches as a
// layer over the image, with a checkbox per layer (named by the entry's label)
// and one zoom control for the page. Pictures are embedded as PNG data; the
// page loads nothing else and works offline.
//
//   vcDiagObject diag;
//   vfLineTracker(image, params, lines, &diag, 0x70000);
//   vfWriteDiagHtml("diag.html", "lines", {{"part.png", &diag}});
//
// Records are grouped in sections (typically one per input image), in the
// order given, and keep their recording order within a section.

#include <string>
#include <vector>

#include "platform/diag/diag_object.h"

// A titled group of records. The object must outlive the rendering call.
struct vsDiagSection {
  std::string title;  // UTF-8, shown as the section heading
  const vcDiagObject* diag = nullptr;
};

// The page as UTF-8 text. A section with a null object or no records says so.
// Throws: vcBadParamsError for an entry whose display transform is singular.
std::string vfRenderDiagHtml(const std::string& title, const std::vector<vsDiagSection>& sections);

// Writes the page to path.
// Throws: as vfRenderDiagHtml; vcImageFileError naming the file when it
// cannot be written.
void vfWriteDiagHtml(const std::string& path, const std::string& title,
                     const std::vector<vsDiagSection>& sections);
