#include "dv/standins/registration.h"

#include "dv/standins/standin.h"

namespace dv::standins {

void registerStandIns(dv::fakes::FakeAutomation& automation) {
  for (const ClassDef* c : allClasses()) {
    if (!c->creatable()) continue;
    for (const auto& progId : c->progIds())
      automation.registerProgId(progId, [c]() -> ObjectPtr { return c->create(); });
  }
}

}  // namespace dv::standins
