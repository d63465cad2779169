// Object creation by ProgID for native tests: a test registers a factory
// per ProgID (usually a stand-in) and running instances for GetObject; the
// fake journals every creation. Unknown ProgIDs fail as CreateObject does.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dv/automation.h"

namespace dv::fakes {

class FakeAutomation : public dv::Automation {
 public:
  using Factory = std::function<ObjectPtr()>;

  ObjectPtr createObject(std::string_view progId) override;
  ObjectPtr getObject(std::string_view progId) override;

  // ProgIDs match without regard to case, as the registry does.
  void registerProgId(const std::string& progId, Factory factory);
  void unregisterProgId(const std::string& progId);
  void registerRunning(const std::string& progId, ObjectPtr instance);
  void unregisterRunning(const std::string& progId);

  // ProgIDs of successful CreateObject calls, in order, as asked for.
  const std::vector<std::string>& creations() const { return creations_; }
  // ProgIDs of every GetObject call, found or not.
  const std::vector<std::string>& lookups() const { return lookups_; }

 private:
  std::map<std::string, Factory> factories_;
  std::map<std::string, ObjectPtr> running_;
  std::vector<std::string> creations_;
  std::vector<std::string> lookups_;
};

}  // namespace dv::fakes
