// Late-bound automation: the error type and the defaults every Object shares.
#include "dv/automation.h"

#include "dv/vb.h"

namespace dv {

AutomationError::AutomationError(int32_t number, std::string source, std::string description)
    : std::runtime_error(description),
      number_(number),
      source_(std::move(source)),
      description_(std::move(description)) {}

// Objects without a source interface or an enumerator answer as an
// IDispatch without them does when VB tries: error 438.
std::unique_ptr<EventConnection> Object::advise(std::shared_ptr<EventSink>) { vb::raise(vb::kObjectDoesntSupport); }

std::vector<Variant> Object::items() { vb::raise(vb::kObjectDoesntSupport); }

ObjectPtr asObject(const Variant& v) {
  if (v.type() != VarType::Object || v.isArray()) vb::raise(vb::kObjectNotSet);
  const ObjectPtr& p = v.objectValue();
  if (!p) vb::raise(vb::kObjectNotSet);  // Nothing
  return p;
}

}  // namespace dv
