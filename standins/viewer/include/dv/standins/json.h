// A small JSON reader and writer for qpdf's JSON form of a PDF, which is
// how the viewer stand-in reads and updates real files.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace dv::standins {

class Json {
 public:
  using Object = std::map<std::string, Json>;
  using List = std::vector<Json>;

  Json() = default;  // null
  Json(bool b) : v_(b) {}
  Json(double d) : v_(d) {}
  Json(std::string s) : v_(std::move(s)) {}
  Json(const char* s) : v_(std::string(s)) {}
  Json(List l) : v_(std::make_shared<List>(std::move(l))) {}
  Json(Object o) : v_(std::make_shared<Object>(std::move(o))) {}

  // Raises std::runtime_error with the offset of the first bad character.
  static Json parse(std::string_view text);
  std::string dump() const;

  bool isNull() const { return v_.index() == 0; }
  bool isBool() const { return std::holds_alternative<bool>(v_); }
  bool boolean() const { return isBool() && std::get<bool>(v_); }
  bool isString() const { return std::holds_alternative<std::string>(v_); }
  bool isNumber() const { return std::holds_alternative<double>(v_); }
  bool isObject() const { return std::holds_alternative<std::shared_ptr<Object>>(v_); }
  bool isList() const { return std::holds_alternative<std::shared_ptr<List>>(v_); }

  // Typed views; a wrong type gives the empty value of the asked type.
  const std::string& str() const;
  double number() const { return isNumber() ? std::get<double>(v_) : 0; }
  const List& list() const;
  const Object& object() const;
  Object& object();
  // Member lookup on objects; a null value when absent.
  const Json& operator[](const std::string& key) const;

 private:
  std::variant<std::monostate, bool, double, std::string, std::shared_ptr<List>, std::shared_ptr<Object>> v_;
};

}  // namespace dv::standins
