// What the conversion members' wrappers share: optional by-reference
// arguments read as their defaults, the Distiller settings, and the
// write-back of a printer a member settled on.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "com_util.h"
#include "convert/pipeline.h"
#include "dv/trace.h"

namespace dv::com {

// A missing optional argument may arrive as a null pointer from an
// early-bound client; it then takes its declared default.
inline std::string text(BSTR* p, std::string_view fallback = {}) { return p ? fromBstr(*p) : std::string(fallback); }
inline bool flag(VARIANT_BOOL* p) { return p && *p != VARIANT_FALSE; }

// Writes a string back into the caller's variable, on every path: VB
// leaves a by-reference argument changed even when the call then fails.
class WriteBack {
 public:
  WriteBack(BSTR* target, std::string initial) : value(std::move(initial)), target_(target) {}
  ~WriteBack() {
    if (!target_) return;
    BSTR fresh = nullptr;
    try {
      fresh = allocBstr(value);
    } catch (...) {
      trace("writing back a by-reference argument", currentErrorText());
      return;
    }
    SysFreeString(*target_);
    *target_ = fresh;
  }
  WriteBack(const WriteBack&) = delete;
  WriteBack& operator=(const WriteBack&) = delete;

  std::string value;

 private:
  BSTR* target_;
};

inline lib::DistillSettings distillSettings(VARIANT_BOOL* show, VARIANT_BOOL* spool, BSTR* jobOptions,
                                            VARIANT_BOOL* applySecurity) {
  lib::DistillSettings s;
  s.showWindow = flag(show);
  s.spoolJobs = flag(spool);
  s.jobOptionsFile = text(jobOptions);
  s.applySecurity = applySecurity && *applySecurity == VARIANT_TRUE;
  return s;
}

}  // namespace dv::com
