// Creation by ProgID over registered factories.
#include "dv/fakes/fake_automation.h"

#include "dv/vb.h"

namespace dv::fakes {

ObjectPtr FakeAutomation::createObject(std::string_view progId) {
  const auto it = factories_.find(vb::LCase(progId));
  if (it == factories_.end()) vb::raise(vb::kCantCreateObject);
  ObjectPtr instance = it->second();
  if (!instance) vb::raise(vb::kCantCreateObject);
  creations_.emplace_back(progId);
  return instance;
}

ObjectPtr FakeAutomation::getObject(std::string_view progId) {
  lookups_.emplace_back(progId);
  const auto it = running_.find(vb::LCase(progId));
  if (it == running_.end() || !it->second) vb::raise(vb::kCantCreateObject);
  return it->second;
}

void FakeAutomation::registerProgId(const std::string& progId, Factory factory) {
  factories_[vb::LCase(progId)] = std::move(factory);
}

void FakeAutomation::unregisterProgId(const std::string& progId) { factories_.erase(vb::LCase(progId)); }

void FakeAutomation::registerRunning(const std::string& progId, ObjectPtr instance) {
  running_[vb::LCase(progId)] = std::move(instance);
}

void FakeAutomation::unregisterRunning(const std::string& progId) { running_.erase(vb::LCase(progId)); }

}  // namespace dv::fakes
