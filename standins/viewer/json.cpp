#include "dv/standins/json.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace dv::standins {

namespace {

struct Parser {
  std::string_view s;
  size_t i = 0;

  [[noreturn]] void fail() { throw std::runtime_error("bad JSON at offset " + std::to_string(i)); }
  void ws() {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\n' || s[i] == '\r' || s[i] == '\t')) ++i;
  }
  bool take(char c) {
    ws();
    if (i < s.size() && s[i] == c) {
      ++i;
      return true;
    }
    return false;
  }
  void expect(char c) {
    if (!take(c)) fail();
  }
  static void putUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  uint32_t hex4() {
    if (i + 4 > s.size()) fail();
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = s[i++];
      v <<= 4;
      if (c >= '0' && c <= '9') v |= static_cast<uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f') v |= static_cast<uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') v |= static_cast<uint32_t>(c - 'A' + 10);
      else fail();
    }
    return v;
  }
  std::string string() {
    expect('"');
    std::string out;
    while (i < s.size() && s[i] != '"') {
      char c = s[i++];
      if (c != '\\') {
        out.push_back(c);
        continue;
      }
      if (i >= s.size()) fail();
      c = s[i++];
      switch (c) {
        case 'n': out.push_back('\n'); break;
        case 't': out.push_back('\t'); break;
        case 'r': out.push_back('\r'); break;
        case 'b': out.push_back('\b'); break;
        case 'f': out.push_back('\f'); break;
        case 'u': {
          uint32_t cp = hex4();
          if (cp >= 0xD800 && cp < 0xDC00 && i + 6 <= s.size() && s[i] == '\\' && s[i + 1] == 'u') {
            i += 2;
            const uint32_t low = hex4();
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          putUtf8(out, cp);
          break;
        }
        default: out.push_back(c);  // \" \\ \/
      }
    }
    if (i >= s.size()) fail();
    ++i;
    return out;
  }
  Json value() {
    ws();
    if (i >= s.size()) fail();
    const char c = s[i];
    if (c == '{') {
      ++i;
      Json::Object o;
      if (take('}')) return Json(std::move(o));
      do {
        ws();
        std::string key = string();
        expect(':');
        o[key] = value();
      } while (take(','));
      expect('}');
      return Json(std::move(o));
    }
    if (c == '[') {
      ++i;
      Json::List l;
      if (take(']')) return Json(std::move(l));
      do l.push_back(value());
      while (take(','));
      expect(']');
      return Json(std::move(l));
    }
    if (c == '"') return Json(string());
    if (s.substr(i, 4) == "true") { i += 4; return Json(true); }
    if (s.substr(i, 5) == "false") { i += 5; return Json(false); }
    if (s.substr(i, 4) == "null") { i += 4; return Json(); }
    const std::string rest(s.substr(i, 64));
    char* end = nullptr;
    const double d = std::strtod(rest.c_str(), &end);
    if (end == rest.c_str()) fail();
    i += static_cast<size_t>(end - rest.c_str());
    return Json(d);
  }
};

void dumpString(std::string& out, const std::string& s) {
  out.push_back('"');
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(static_cast<char>(c));
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else {
      out.push_back(static_cast<char>(c));  // UTF-8 passes through
    }
  }
  out.push_back('"');
}

void dumpTo(std::string& out, const Json& j);

}  // namespace

Json Json::parse(std::string_view text) {
  Parser p{text};
  Json v = p.value();
  p.ws();
  if (p.i != text.size()) p.fail();
  return v;
}

const std::string& Json::str() const {
  static const std::string empty;
  return isString() ? std::get<std::string>(v_) : empty;
}

const Json::List& Json::list() const {
  static const List empty;
  return isList() ? *std::get<std::shared_ptr<List>>(v_) : empty;
}

const Json::Object& Json::object() const {
  static const Object empty;
  return isObject() ? *std::get<std::shared_ptr<Object>>(v_) : empty;
}

Json::Object& Json::object() {
  if (!isObject()) v_ = std::make_shared<Object>();
  return *std::get<std::shared_ptr<Object>>(v_);
}

const Json& Json::operator[](const std::string& key) const {
  static const Json null;
  const Object& o = object();
  auto it = o.find(key);
  return it == o.end() ? null : it->second;
}

namespace {
void dumpTo(std::string& out, const Json& j) {
  if (j.isNull()) {
    out += "null";
  } else if (j.isString()) {
    dumpString(out, j.str());
  } else if (j.isNumber()) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.17g", j.number());
    out += buf;
  } else if (j.isList()) {
    out.push_back('[');
    bool first = true;
    for (const Json& e : j.list()) {
      if (!first) out.push_back(',');
      first = false;
      dumpTo(out, e);
    }
    out.push_back(']');
  } else if (j.isObject()) {
    out.push_back('{');
    bool first = true;
    for (const auto& [k, v] : j.object()) {
      if (!first) out.push_back(',');
      first = false;
      dumpString(out, k);
      out.push_back(':');
      dumpTo(out, v);
    }
    out.push_back('}');
  } else {
    out += j.boolean() ? "true" : "false";
  }
}
}  // namespace

std::string Json::dump() const {
  std::string out;
  dumpTo(out, *this);
  return out;
}

}  // namespace dv::standins
