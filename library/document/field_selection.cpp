#include "document/field_selection.h"

#include <algorithm>

#include "dv/vb.h"

namespace dv::lib {

namespace {

std::vector<std::string> documentFieldNames(Object& js) {
  std::vector<std::string> names;
  const int32_t count = vb::CLng(js.get("NumFields"));
  for (int32_t i = 0; i < count; ++i) names.push_back(vb::CStr(js.get("GetNthFieldName", {pos(i)})));
  return names;
}

bool sameName(const std::string& a, const std::string& b) { return vb::compareText(a, b) == 0; }

}  // namespace

FieldSelection selectFields(Object& js, const Variant& varFields, int32_t lngLock) {
  FieldSelection selection;
  const Variant& given = varFields.target();
  const bool omitted = vb::IsMissing(given);
  auto everyFieldBut = [&](const std::vector<std::string>& excluded) {
    const std::vector<std::string> names = documentFieldNames(js);
    for (size_t i = 0; i < names.size(); ++i) {
      const bool skip = std::any_of(excluded.begin(), excluded.end(),
                                    [&](const std::string& name) { return sameName(name, names[i]); });
      if (!skip) selection.fields.push_back(SelectedField{names[i], static_cast<int32_t>(i)});
    }
  };
  if (lngLock == kLockAll || omitted) {
    everyFieldBut({});
  } else if (given.isArray()) {
    const Array& list = given.arrayValue();
    std::vector<std::string> names;
    for (const Variant& item : list.elements()) names.push_back(vb::CStr(item));
    if (lngLock == kLockInclude) {
      const int32_t lower = list.rank() == 1 ? list.lbound() : 0;
      for (size_t i = 0; i < names.size(); ++i)
        selection.fields.push_back(SelectedField{names[i], lower + static_cast<int32_t>(i)});
    } else if (lngLock == kLockExclude) {
      everyFieldBut(names);
    }
  } else if (given.isString()) {
    if (lngLock == kLockInclude) {
      selection.fields.push_back(SelectedField{given.stringValue(), 0});
      selection.single = true;
    } else if (lngLock == kLockExclude) {
      everyFieldBut({given.stringValue()});
    }
  }
  return selection;
}

std::string javaScriptQuoted(const std::string& text) {
  std::string out = "'";
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\'':
        out += "\\'";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        // U+2028 and U+2029 end a line inside a JavaScript string too.
        if (static_cast<unsigned char>(c) == 0xE2 && i + 2 < text.size() &&
            static_cast<unsigned char>(text[i + 1]) == 0x80 &&
            (static_cast<unsigned char>(text[i + 2]) == 0xA8 || static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
          out += static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
          i += 2;
        } else {
          out += c;
        }
    }
  }
  return out + "'";
}

std::string fieldLockScript(const FieldSelection& selection) {
  static const char* const kLineEnd = "\r\n";
  if (selection.single) {
    return "var f = this.getField(" + javaScriptQuoted(selection.fields.front().name) + ");" + kLineEnd +
           "f.readonly = true;" + kLineEnd;
  }
  std::string script;
  for (const SelectedField& f : selection.fields)
    script += "var f" + std::to_string(f.index) + " = this.getField(" + javaScriptQuoted(f.name) + ");" + kLineEnd;
  for (const SelectedField& f : selection.fields)
    script += "f" + std::to_string(f.index) + ".readonly = true;" + kLineEnd;
  return script;
}

}  // namespace dv::lib
