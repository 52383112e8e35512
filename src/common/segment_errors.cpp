#include "common/rethrow.h"
#include "platform/base/archive.h"
#include "tavshsl/segment_defs.h"

// Every class level writes one version byte, always 0, then its direct base's data; a stored
// version other than 0 is refused naming the class. The concrete classes register with the
// persistent-class registry when the library is loaded.

// vcSegmentDefs::Errors

vcSegmentDefs::Errors::Errors(const std::wstring& message) : vcExceptionWithString(message) {}

vcSegmentDefs::Errors::~Errors() = default;

void vcSegmentDefs::Errors::dispatchSerialize(vcArchive& ar) {
  serializeLevel_(ar, this, sizeof(*this), [&](unsigned char version) { serialize_(ar, version); });
}

void vcSegmentDefs::Errors::serialize_(vcArchive& ar, unsigned char version) {
  if (version != 0) throw vcArchive::UnknownVersion(L"vcSegmentDefs::Errors", 0);
  vcExceptionWithString::dispatchSerialize(ar);
}

// vcSegmentDefs::notFound

const vc_Instantiator vcSegmentDefs::notFound::sExemplar(typeid(vcSegmentDefs::notFound),
                                                         &vcSegmentDefs::notFound::make);

vcSegmentDefs::notFound::notFound(const std::wstring& message) : Errors(message) {}

vcSegmentDefs::notFound::~notFound() = default;

void vcSegmentDefs::notFound::dispatchSerialize(vcArchive& ar) {
  serializeLevel_(ar, this, sizeof(*this), [&](unsigned char version) { serialize_(ar, version); });
}

void vcSegmentDefs::notFound::serialize_(vcArchive& ar, unsigned char version) {
  if (version != 0) throw vcArchive::UnknownVersion(L"vcSegmentDefs::notFound", 0);
  Errors::dispatchSerialize(ar);
}

long vcSegmentDefs::notFound::errorNumber() const { return 1; }

void vcSegmentDefs::notFound::suicideAndRethrow() { vfSuicideAndRethrow(this); }

vcPersistent* vcSegmentDefs::notFound::make() { return new notFound; }
