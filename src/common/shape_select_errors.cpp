#include "common/rethrow.h"
#include "platform/base/archive.h"
#include "tavshsl/shape_select_defs.h"

// Every class level writes one version byte, always 0, then its direct base's data; a stored
// version other than 0 is refused naming the class. The concrete classes register with the
// persistent-class registry when the library is loaded.

// vcShapeSelectDefs::Errors

vcShapeSelectDefs::Errors::Errors(const std::wstring& message) : vcExceptionWithString(message) {}

vcShapeSelectDefs::Errors::~Errors() = default;

void vcShapeSelectDefs::Errors::dispatchSerialize(vcArchive& ar) {
  serializeLevel_(ar, this, sizeof(*this), [&](unsigned char version) { serialize_(ar, version); });
}

void vcShapeSelectDefs::Errors::serialize_(vcArchive& ar, unsigned char version) {
  if (version != 0) throw vcArchive::UnknownVersion(L"vcShapeSelectDefs::Errors", 0);
  vcExceptionWithString::dispatchSerialize(ar);
}

// vcShapeSelectDefs::BadParams

const vc_Instantiator vcShapeSelectDefs::BadParams::sExemplar(typeid(vcShapeSelectDefs::BadParams),
                                                              &vcShapeSelectDefs::BadParams::make);

vcShapeSelectDefs::BadParams::BadParams(const std::wstring& message) : Errors(message) {}

vcShapeSelectDefs::BadParams::~BadParams() = default;

void vcShapeSelectDefs::BadParams::dispatchSerialize(vcArchive& ar) {
  serializeLevel_(ar, this, sizeof(*this), [&](unsigned char version) { serialize_(ar, version); });
}

void vcShapeSelectDefs::BadParams::serialize_(vcArchive& ar, unsigned char version) {
  if (version != 0) throw vcArchive::UnknownVersion(L"vcShapeSelectDefs::BadParams", 0);
  Errors::dispatchSerialize(ar);
}

long vcShapeSelectDefs::BadParams::errorNumber() const { return 0x1000A100; }

void vcShapeSelectDefs::BadParams::suicideAndRethrow() { vfSuicideAndRethrow(this); }

vcPersistent* vcShapeSelectDefs::BadParams::make() { return new BadParams; }

// vcShapeSelectDefs::InvalidDOF

const vc_Instantiator vcShapeSelectDefs::InvalidDOF::sExemplar(
    typeid(vcShapeSelectDefs::InvalidDOF), &vcShapeSelectDefs::InvalidDOF::make);

vcShapeSelectDefs::InvalidDOF::InvalidDOF(const std::wstring& message) : Errors(message) {}

vcShapeSelectDefs::InvalidDOF::~InvalidDOF() = default;

void vcShapeSelectDefs::InvalidDOF::dispatchSerialize(vcArchive& ar) {
  serializeLevel_(ar, this, sizeof(*this), [&](unsigned char version) { serialize_(ar, version); });
}

void vcShapeSelectDefs::InvalidDOF::serialize_(vcArchive& ar, unsigned char version) {
  if (version != 0) throw vcArchive::UnknownVersion(L"vcShapeSelectDefs::InvalidDOF", 0);
  Errors::dispatchSerialize(ar);
}

long vcShapeSelectDefs::InvalidDOF::errorNumber() const { return 0x1000A101; }

void vcShapeSelectDefs::InvalidDOF::suicideAndRethrow() { vfSuicideAndRethrow(this); }

vcPersistent* vcShapeSelectDefs::InvalidDOF::make() { return new InvalidDOF; }

// vcShapeSelectDefs::BadIndex

const vc_Instantiator vcShapeSelectDefs::BadIndex::sExemplar(typeid(vcShapeSelectDefs::BadIndex),
                                                             &vcShapeSelectDefs::BadIndex::make);

vcShapeSelectDefs::BadIndex::BadIndex(const std::wstring& message) : Errors(message) {}

vcShapeSelectDefs::BadIndex::~BadIndex() = default;

void vcShapeSelectDefs::BadIndex::dispatchSerialize(vcArchive& ar) {
  serializeLevel_(ar, this, sizeof(*this), [&](unsigned char version) { serialize_(ar, version); });
}

void vcShapeSelectDefs::BadIndex::serialize_(vcArchive& ar, unsigned char version) {
  if (version != 0) throw vcArchive::UnknownVersion(L"vcShapeSelectDefs::BadIndex", 0);
  Errors::dispatchSerialize(ar);
}

long vcShapeSelectDefs::BadIndex::errorNumber() const { return 0x1000A102; }

void vcShapeSelectDefs::BadIndex::suicideAndRethrow() { vfSuicideAndRethrow(this); }

vcPersistent* vcShapeSelectDefs::BadIndex::make() { return new BadIndex; }

// vcShapeSelectDefs::NotTrained

const vc_Instantiator vcShapeSelectDefs::NotTrained::sExemplar(
    typeid(vcShapeSelectDefs::NotTrained), &vcShapeSelectDefs::NotTrained::make);

vcShapeSelectDefs::NotTrained::NotTrained(const std::wstring& message) : Errors(message) {}

vcShapeSelectDefs::NotTrained::~NotTrained() = default;

void vcShapeSelectDefs::NotTrained::dispatchSerialize(vcArchive& ar) {
  serializeLevel_(ar, this, sizeof(*this), [&](unsigned char version) { serialize_(ar, version); });
}

void vcShapeSelectDefs::NotTrained::serialize_(vcArchive& ar, unsigned char version) {
  if (version != 0) throw vcArchive::UnknownVersion(L"vcShapeSelectDefs::NotTrained", 0);
  Errors::dispatchSerialize(ar);
}

long vcShapeSelectDefs::NotTrained::errorNumber() const { return 0x1000A103; }

void vcShapeSelectDefs::NotTrained::suicideAndRethrow() { vfSuicideAndRethrow(this); }

vcPersistent* vcShapeSelectDefs::NotTrained::make() { return new NotTrained; }

// vcShapeSelectDefs::NotImplemented

const vc_Instantiator vcShapeSelectDefs::NotImplemented::sExemplar(
    typeid(vcShapeSelectDefs::NotImplemented), &vcShapeSelectDefs::NotImplemented::make);

vcShapeSelectDefs::NotImplemented::NotImplemented(const std::wstring& message) : Errors(message) {}

vcShapeSelectDefs::NotImplemented::~NotImplemented() = default;

void vcShapeSelectDefs::NotImplemented::dispatchSerialize(vcArchive& ar) {
  serializeLevel_(ar, this, sizeof(*this), [&](unsigned char version) { serialize_(ar, version); });
}

void vcShapeSelectDefs::NotImplemented::serialize_(vcArchive& ar, unsigned char version) {
  if (version != 0) throw vcArchive::UnknownVersion(L"vcShapeSelectDefs::NotImplemented", 0);
  Errors::dispatchSerialize(ar);
}

long vcShapeSelectDefs::NotImplemented::errorNumber() const { return 0x1000A104; }

void vcShapeSelectDefs::NotImplemented::suicideAndRethrow() { vfSuicideAndRethrow(this); }

vcPersistent* vcShapeSelectDefs::NotImplemented::make() { return new NotImplemented; }
