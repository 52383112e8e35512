#pragma once

// Enumerations and errors of the shape selection tool.
//
// Every invalid argument to a shape selection class throws one of the errors below before any
// state changes. All of them derive from vcShapeSelectDefs::Errors, itself a
// vcExceptionWithString, so a host can catch them at any level:
//
//   try { tool.run(results, image, runParams, diag, flags); }
//   catch (const vcShapeSelectDefs::Errors& e) { log(e.errorNumber(), e.message()); }
//   catch (const vcException& e) { ... }          // platform errors pass through unchanged
//
// The errors are persistent: vcArchive::writeObject / readObject carry them by class name
// ("vcShapeSelectDefs::BadParams" ...), and suicideAndRethrow() rethrows a heap copy (as read
// from an archive) as its own class.

#include <cstdint>
#include <string>

#include "platform/base/exception.h"
#include "platform/base/instantiator.h"
#include "tavshsl/export.h"

class TAVSHSL_API vcShapeSelectDefs {
 public:
  // The kind of a template.
  enum ModelType { eBoundary = 0, eStroke = 1, eCircle = 2 };

  // Degree-of-freedom bits; several are ORed into a mask. The values are shared with the
  // correspondence models' DOF bits. The fixed 32-bit storage lets callers pass any mask or
  // an unknown value (refused with InvalidDOF) without leaving the enumeration's range.
  enum DOF : std::int32_t {
    eTranslationX = 1,
    eTranslationY = 2,
    eAngle = 4,
    eScale = 8,
    eAspect = 16,
    eStrokeWidth = 32
  };

  // Which contrast a template is searched with.
  enum Polarity { ePolarity1 = 1, ePolarity2 = 2 };

  // Root of the shape selection errors. Abstract: every concrete error gives its number and
  // rethrows itself as its own class.
  class TAVSHSL_API Errors : public vcExceptionWithString {
   public:
    Errors(const Errors&) = default;
    Errors& operator=(const Errors&) = default;
    ~Errors() override;

    // Exchanges a version byte (0) and the message with ar.
    // Throws: vcArchive::UnknownVersion naming "vcShapeSelectDefs::Errors" for a stored
    // version other than 0; the archive's errors on bad data.
    void dispatchSerialize(vcArchive& ar) override;

    // The fixed code of the concrete error (0x1000A100 ... 0x1000A104).
    long errorNumber() const override = 0;

    // Deletes this heap object and throws a copy of it as its own class.
    // Requires: this was allocated with new (as the archive and make() do).
    virtual void suicideAndRethrow() = 0;

   protected:
    Errors() = default;
    explicit Errors(const std::wstring& message);
    void serialize_(vcArchive& ar, unsigned char version);
  };

  // An invalid argument to a parameter, template or training call. errorNumber 0x1000A100.
  class TAVSHSL_API BadParams : public Errors {
   public:
    BadParams() = default;
    explicit BadParams(const std::wstring& message);
    BadParams(const BadParams&) = default;
    BadParams& operator=(const BadParams&) = default;
    ~BadParams() override;
    void dispatchSerialize(vcArchive& ar) override;
    long errorNumber() const override;
    [[noreturn]] void suicideAndRethrow() override;

   protected:
    void serialize_(vcArchive& ar, unsigned char version);

   private:
    static vcPersistent* make();
    static const vc_Instantiator sExemplar;
  };

  // A DOF that is not one of the bits above, or one a template type cannot use.
  // errorNumber 0x1000A101.
  class TAVSHSL_API InvalidDOF : public Errors {
   public:
    InvalidDOF() = default;
    explicit InvalidDOF(const std::wstring& message);
    InvalidDOF(const InvalidDOF&) = default;
    InvalidDOF& operator=(const InvalidDOF&) = default;
    ~InvalidDOF() override;
    void dispatchSerialize(vcArchive& ar) override;
    long errorNumber() const override;
    [[noreturn]] void suicideAndRethrow() override;

   protected:
    void serialize_(vcArchive& ar, unsigned char version);

   private:
    static vcPersistent* make();
    static const vc_Instantiator sExemplar;
  };

  // An index out of range. errorNumber 0x1000A102.
  class TAVSHSL_API BadIndex : public Errors {
   public:
    BadIndex() = default;
    explicit BadIndex(const std::wstring& message);
    BadIndex(const BadIndex&) = default;
    BadIndex& operator=(const BadIndex&) = default;
    ~BadIndex() override;
    void dispatchSerialize(vcArchive& ar) override;
    long errorNumber() const override;
    [[noreturn]] void suicideAndRethrow() override;

   protected:
    void serialize_(vcArchive& ar, unsigned char version);

   private:
    static vcPersistent* make();
    static const vc_Instantiator sExemplar;
  };

  // Running or querying a tool that is not trained. errorNumber 0x1000A103.
  class TAVSHSL_API NotTrained : public Errors {
   public:
    NotTrained() = default;
    explicit NotTrained(const std::wstring& message);
    NotTrained(const NotTrained&) = default;
    NotTrained& operator=(const NotTrained&) = default;
    ~NotTrained() override;
    void dispatchSerialize(vcArchive& ar) override;
    long errorNumber() const override;
    [[noreturn]] void suicideAndRethrow() override;

   protected:
    void serialize_(vcArchive& ar, unsigned char version);

   private:
    static vcPersistent* make();
    static const vc_Instantiator sExemplar;
  };

  // An option of the interface that is not supported. errorNumber 0x1000A104.
  class TAVSHSL_API NotImplemented : public Errors {
   public:
    NotImplemented() = default;
    explicit NotImplemented(const std::wstring& message);
    NotImplemented(const NotImplemented&) = default;
    NotImplemented& operator=(const NotImplemented&) = default;
    ~NotImplemented() override;
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
