// Object defaults and creation by ProgID through the fake automation.
#include <gtest/gtest.h>

#include "dv/automation.h"
#include "dv/fakes/fake_automation.h"
#include "dv/vb.h"

namespace {

using dv::Variant;

int vbErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const dv::AutomationError& e) {
    return dv::vb::runtimeErrorOf(e.number());
  }
  return 0;
}

TEST(Automation, AsObjectAndDefaultMembers) {
  struct Plain : dv::Object {
    dv::Variant get(std::string_view, dv::Args) override { return {}; }
    void let(std::string_view, const dv::Variant&, dv::Args) override {}
    void set(std::string_view, const dv::Variant&, dv::Args) override {}
    dv::Variant call(std::string_view, dv::Args) override { return {}; }
  };
  auto obj = std::make_shared<Plain>();
  EXPECT_EQ(dv::asObject(Variant(dv::ObjectPtr(obj))).get(), obj.get());
  EXPECT_EQ(vbErrorOf([] { dv::asObject(Variant()); }), 91);
  EXPECT_EQ(vbErrorOf([] { dv::asObject(Variant(dv::ObjectPtr())); }), 91);  // Nothing
  EXPECT_EQ(vbErrorOf([] { dv::asObject(Variant("x")); }), 91);
  EXPECT_EQ(vbErrorOf([&] { obj->items(); }), 438);
  try {
    obj->advise(nullptr);
    FAIL();
  } catch (const dv::AutomationError& e) {
    EXPECT_EQ(e.number(), static_cast<int32_t>(0x800A01B6));
    EXPECT_EQ(e.description(), "Object doesn't support this property or method");
    EXPECT_STREQ(e.what(), "Object doesn't support this property or method");
  }
}

TEST(FakeAutomation, CreatesByProgIdAndJournals) {
  struct Thing : dv::Object {
    dv::Variant get(std::string_view, dv::Args) override { return Variant("thing"); }
    void let(std::string_view, const dv::Variant&, dv::Args) override {}
    void set(std::string_view, const dv::Variant&, dv::Args) override {}
    dv::Variant call(std::string_view, dv::Args) override { return {}; }
  };
  dv::fakes::FakeAutomation automation;
  int made = 0;
  automation.registerProgId("Word.Application", [&] {
    ++made;
    return std::make_shared<Thing>();
  });
  const dv::ObjectPtr a = automation.createObject("word.application");
  const dv::ObjectPtr b = automation.createObject("Word.Application");
  EXPECT_NE(a, b);
  EXPECT_EQ(made, 2);
  EXPECT_EQ(automation.creations(), (std::vector<std::string>{"word.application", "Word.Application"}));
  try {
    automation.createObject("Excel.Application");
    FAIL();
  } catch (const dv::AutomationError& e) {
    EXPECT_EQ(e.number(), static_cast<int32_t>(0x800A01AD));
    EXPECT_EQ(e.description(), "ActiveX component can't create object");
  }
  EXPECT_EQ(automation.creations().size(), 2u);  // failures are not creations
  EXPECT_EQ(vbErrorOf([&] { automation.getObject("AcroExch.App"); }), 429);
  automation.registerRunning("AcroExch.App", a);
  EXPECT_EQ(automation.getObject("acroexch.app"), a);
  automation.unregisterRunning("AcroExch.App");
  EXPECT_EQ(vbErrorOf([&] { automation.getObject("AcroExch.App"); }), 429);
  EXPECT_EQ(automation.lookups().size(), 3u);
}

}  // namespace
