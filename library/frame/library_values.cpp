#include "frame/library_values.h"

#include <utility>

#include "dv/vb.h"

namespace dv::lib {

namespace {
thread_local LibraryValues tValues;
thread_local FieldHandOff tFieldHandOff;
}  // namespace

LibraryValues& libraryValues() { return tValues; }

double viewerVersion(const std::string& versionText) { return vb::Val(versionText); }

double viewerVersion() { return viewerVersion(tValues.AcrobatVersionText); }

void putFieldHandOff(FieldHandOff values) { tFieldHandOff = std::move(values); }

FieldHandOff takeFieldHandOff() { return std::exchange(tFieldHandOff, FieldHandOff{}); }

}  // namespace dv::lib
