// Arguments of the viewer members of CreatePDF as the core takes them: the
// viewer context of the object, and optional by-reference arguments that
// early-bound callers may leave out (null or empty: the declared default).
#pragma once

#include <cstdint>
#include <string>

#include "com_util.h"
#include "create_pdf_object.h"
#include "frame/library_values.h"
#include "viewer/viewer_session.h"

namespace dv::com {

inline lib::ViewerContext viewerContext(CreatePdfObject& self) {
  return lib::ViewerContext{self.core().host(), [] { return lib::viewerVersion(); }};
}

inline std::string text(BSTR* p) { return p ? fromBstr(*p) : std::string(); }
// Where an empty text would mean nothing, it takes the default.
inline std::string textOr(BSTR* p, const char* fallback) {
  std::string s = text(p);
  return s.empty() ? std::string(fallback) : s;
}
inline bool flag(VARIANT_BOOL* p) { return p && *p != VARIANT_FALSE; }
inline int32_t number(long* p) { return p ? static_cast<int32_t>(*p) : 0; }

}  // namespace dv::com
