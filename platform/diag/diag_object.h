#pragma once
// vcDiagObject: the host's container of diagnostics records. A tool given a
// diagnostics object and a flags word records what the flags ask for:
//
//   vcDiagObject* dest = vcDiagObject::getRecordingDestination(diag, flags);
//   if (dest && vcDiagObject::shouldRecord(flags, vcDiagObject::eInputs)) {
//     vcDiagRecord& rec = dest->newDiagRecord();
//     rec.image(image, false);
//     rec.recordAnnotation(L"Inputs");
//   }
//   // the host afterwards: for (long i = 0; i < diag.numRecords(); ++i) show(diag.diagRecord(i));
//
// Records stay at their address while the object lives, so a reference from
// newDiagRecord() or diagRecord() remains valid when more records follow.
// Copying the object copies its records (images stay shared as recorded).

#include <deque>

#include "platform/diag/diag_record.h"

class vcDiagObject {
 public:
  // Categories of the flags word; a tool records a category when its bit is set.
  enum veCategory : unsigned long {
    eInputs = 0x10000,    // input images and their annotations
    eResults = 0x20000,   // results and stage messages
    eEdgelets = 0x40000,  // the edgelets found
  };

  // `diag` when it is not null and flags is not 0, else null.
  static vcDiagObject* getRecordingDestination(vcDiagObject* diag, unsigned long flags) {
    return flags != 0 ? diag : nullptr;
  }
  // Whether flags has any bit of `category` set (false for category 0).
  static bool shouldRecord(unsigned long flags, unsigned long category) {
    return (flags & category) != 0;
  }

  // Appends an empty record and returns it.
  vcDiagRecord& newDiagRecord() { return records_.emplace_back(); }
  long numRecords() const { return static_cast<long>(records_.size()); }
  // The record at position i in order of creation. Requires
  // 0 <= i < numRecords(); throws vcBadParamsError otherwise.
  vcDiagRecord& diagRecord(long i);
  const vcDiagRecord& diagRecord(long i) const;

 private:
  std::deque<vcDiagRecord> records_;
};

// Adds a record holding a deep copy of `image` labelled `label`, when
// getRecordingDestination(diag, flags) is not null; otherwise does nothing.
// The copy keeps the record independent of later changes to the caller's
// pixels, which matters for intermediate images that are reused.
// Throws vcBadParamsError for an unbound image (before any record is added).
void vfSMDAddImage(vcDiagObject* diag, unsigned long flags,
                   const vcPelBuffer_const<unsigned char>& image, const std::wstring& label);
