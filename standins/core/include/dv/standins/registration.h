// Offering the stand-ins to native tests under their real ProgIDs.
#pragma once

#include "dv/fakes/fake_automation.h"

namespace dv::standins {

// Registers every creatable stand-in class of the catalogue by each of
// its ProgIDs, so createObject("PdfDistiller.PdfDistiller") makes one.
void registerStandIns(dv::fakes::FakeAutomation& automation);

}  // namespace dv::standins
