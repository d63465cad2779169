#include "frame/objects.h"

namespace dv::lib {

DocumentCore::DocumentCore(Host host) : host_(host), path_(libraryValues().OpenDocumentPath) {}
DocumentCore::~DocumentCore() = default;

FieldCore::FieldCore(Host host) : host_(host), handOff_(takeFieldHandOff()) {}
FieldCore::~FieldCore() = default;

NewDocumentCore::NewDocumentCore(Host host) : host_(host) {}
NewDocumentCore::~NewDocumentCore() = default;

}  // namespace dv::lib
