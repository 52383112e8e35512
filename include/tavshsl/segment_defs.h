#pragma once

// Enumerations and errors of segments and the segment corresponder.
//
//   vcFoundSegment seg(line, magnitude, vcSegmentDefs::eUndirected, width);
//   try { ... } catch (const vcSegmentDefs::notFound& e) { ... }   // a lookup found nothing
//
// The errors are persistent like the shape selection errors (tavshsl/shape_select_defs.h):
// "vcSegmentDefs::notFound" is carried by class name through vcArchive.

#include <cstdint>
#include <string>

#include "platform/base/exception.h"
#include "platform/base/instantiator.h"
#include "tavshsl/export.h"

class TAVSHSL_API vcSegmentDefs {
 public:
  // Which way along a segment its direction runs (stored in 32 bits).
  enum veSegmentPolarity : std::int32_t { eForward = 0, eReverse = 1, eUndirected = 2 };

  // Root of the segment errors. Abstract.
  class TAVSHSL_API Errors : public vcExceptionWithString {
   public:
    Errors(const Errors&) = default;
    Errors& operator=(const Errors&) = default;
    ~Errors() override;

    // Exchanges a version byte (0) and the message with ar.
    // Throws: vcArchive::UnknownVersion naming "vcSegmentDefs::Errors" for a stored
    // version other than 0; the archive's errors on bad data.
    void dispatchSerialize(vcArchive& ar) override;

    // The fixed code of the concrete error (1 for notFound).
    long errorNumber() const override = 0;

    // Deletes this heap object and throws a copy of it as its own class.
    // Requires: this was allocated with new.
    virtual void suicideAndRethrow() = 0;

   protected:
    Errors() = default;
    explicit Errors(const std::wstring& message);
    void serialize_(vcArchive& ar, unsigned char version);
  };

  // A segment-correspondence lookup that finds nothing. errorNumber 1.
  class TAVSHSL_API notFound : public Errors {
   public:
    notFound() = default;
    explicit notFound(const std::wstring& message);
    notFound(const notFound&) = default;
    notFound& operator=(const notFound&) = default;
    ~notFound() override;
    void dispatchSerialize(vcArchive& ar) override;
    long errorNumber() const override;
    [[noreturn]] void suicideAndRethrow() override;

   protected:
    void serialize_(vcArchive& ar, unsigned char version);

   private:
    static vcPersistent* make();
    static const vc_Instantiator sExemplar;
  };
};
