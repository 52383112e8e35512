#pragma once
// vcDiagRecord: one diagnostics record of a tool run: at most one image, any
// number of graphic lists and sketches (each with a coordinate system and a
// label, kept in recording order) and any number of text annotations.
//
//   vcDiagRecord& rec = diag->newDiagRecord();
//   rec.image(image, false);                       // share the caller's pixels
//   rec.recordAnnotation(L"Line Tracker");
//   rec.sketch(edgelets, vcDiagRecord::eClientCoords, L"Edgelets");
//   rec.graphics(list, vcDiagRecord::eClientCoords, L"Lines");
// A viewer reads image(), entries() and annotations() back; graphics in client
// coordinates are mapped to the image through its imageFromClientXform().
// Every recording call checks its input first and leaves the record unchanged
// when it throws.

#include <string>
#include <variant>
#include <vector>

#include "platform/base/pel_buffer.h"
#include "platform/graphics/graphic_list.h"
#include "platform/graphics/ui_sketch.h"

// One recorded graphic list or sketch with its coordinate system and label.
class vcDiagEntry {
 public:
  // The coordinate system of the graphics' geometry.
  //   eImageCoords  (1): image (pixel) coordinates of the record's image, the
  //                      centre of pixel (i, j) at (i + 0.5, j + 0.5);
  //   eClientCoords (2): client coordinates of the record's image.
  enum veCoordSystem : long { eImageCoords = 1, eClientCoords = 2 };

  // Throws vcBadParamsError unless coordinateSystem is 1 or 2.
  vcDiagEntry(const vcGraphicList& graphics, long coordinateSystem, const std::wstring& label);
  vcDiagEntry(const vcUISketch& sketch, long coordinateSystem, const std::wstring& label);

  bool isSketch() const { return std::holds_alternative<vcUISketch>(content_); }
  // The recorded list. Throws vcBadParamsError when the entry is a sketch.
  const vcGraphicList& graphics() const;
  // The recorded sketch. Throws vcBadParamsError when the entry is a list.
  const vcUISketch& sketch() const;
  veCoordSystem coordinateSystem() const { return coordinateSystem_; }
  const std::wstring& label() const { return label_; }

 private:
  std::variant<vcGraphicList, vcUISketch> content_;
  veCoordSystem coordinateSystem_;
  std::wstring label_;
};

class vcDiagRecord {
 public:
  using veCoordSystem = vcDiagEntry::veCoordSystem;
  static constexpr veCoordSystem eImageCoords = vcDiagEntry::eImageCoords;
  static constexpr veCoordSystem eClientCoords = vcDiagEntry::eClientCoords;

  // Sets the record's image, replacing any earlier one: with copy false a
  // shared view of the caller's pixels (later writes to them show in the
  // record), with copy true a deep copy. Either way the image keeps its
  // offset and client transform. `label` names the image for a viewer.
  // Throws vcBadParamsError for an unbound image.
  void image(const vcPelBuffer_const<unsigned char>& image, bool copy,
             const std::wstring& label = std::wstring());
  // The recorded image; unbound when none was recorded.
  const vcPelBuffer_const<unsigned char>& image() const { return image_; }
  const std::wstring& imageLabel() const { return imageLabel_; }

  // Appends a graphic list (sharing its graphics, which are immutable).
  // Requires coordinateSystem 1 (image) or 2 (client); throws
  // vcBadParamsError otherwise.
  void graphics(const vcGraphicList& list, long coordinateSystem, const std::wstring& label);
  // Appends a copy of a sketch. Requires and throws as graphics().
  void sketch(const vcUISketch& sketch, long coordinateSystem, const std::wstring& label);
  // The graphic lists and sketches in recording order.
  const std::vector<vcDiagEntry>& entries() const { return entries_; }

  // Appends a line of text.
  void recordAnnotation(const std::wstring& text) { annotations_.push_back(text); }
  // The annotations in recording order.
  const std::vector<std::wstring>& annotations() const { return annotations_; }

 private:
  vcPelBuffer_const<unsigned char> image_;
  std::wstring imageLabel_;
  std::vector<vcDiagEntry> entries_;
  std::vector<std::wstring> annotations_;
};
