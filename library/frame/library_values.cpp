#include "frame/library_values.h"

#include <utility>

#include "dv/vb.h"

namespace dv::lib {

namespace {

// Plain pointers, not thread_local objects: MinGW runs the destructors of
// thread_local objects in a DLL after their storage is gone, which corrupts
// the heap when a client thread ends. The DLL frees them on
// DLL_THREAD_DETACH instead (releaseThreadValues); elsewhere a guard does.
thread_local LibraryValues* tValues = nullptr;
thread_local FieldHandOff* tFieldHandOff = nullptr;

#ifndef _WIN32
struct ThreadExit {
  ~ThreadExit() { releaseThreadValues(); }
};
thread_local ThreadExit tExit;
#endif

LibraryValues& values() {
  if (!tValues) {
#ifndef _WIN32
    (void)&tExit;  // constructs the guard on this thread
#endif
    tValues = new LibraryValues();
  }
  return *tValues;
}

FieldHandOff& handOff() {
  if (!tFieldHandOff) tFieldHandOff = new FieldHandOff();
  return *tFieldHandOff;
}

}  // namespace

LibraryValues& libraryValues() { return values(); }

void releaseThreadValues() {
  delete std::exchange(tValues, nullptr);
  delete std::exchange(tFieldHandOff, nullptr);
}

double viewerVersion(const std::string& versionText) { return vb::Val(versionText); }

double viewerVersion() { return viewerVersion(values().AcrobatVersionText); }

void putFieldHandOff(FieldHandOff values) { handOff() = std::move(values); }

FieldHandOff takeFieldHandOff() { return std::exchange(handOff(), FieldHandOff{}); }

}  // namespace dv::lib
