// The stand-in framework: strict dispatch, the journal, failure injection,
// live counts and events, on a small class declared here.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "dv/fakes/fake_automation.h"
#include "dv/standins/registration.h"
#include "dv/standins/standin.h"

namespace dv::standins {
namespace {

class Gadget : public StandIn {
 public:
  using StandIn::StandIn;
  void fire(std::string text, int32_t n) { raiseEvent("Changed", {Variant(std::move(text)), Variant(n)}); }
};

const TypeLibDef& testLib() {
  static const TypeLibDef lib{"GadgetLib", 1, 0, "test"};
  return lib;
}

ClassDef& gadgetClass() {
  static ClassDef& def = []() -> ClassDef& {
    static ClassDef c(testLib(), "Gadget", {"Gadget.Application"});
    c.field("Visible", {VarType::Bool}, Variant(false))
        .field("Version", {VarType::String}, Variant("1.0"), /*readOnly=*/true)
        .method("Open",
                {{"FileName", {VarType::String}},
                 {"ReadOnly", {VarType::Bool}, true},
                 {"Pages", {VarType::Int32, true}, true}},
                {VarType::Int32},
                [](Invocation& inv) {
                  if (inv.has(2)) inv.arg(2).assign(Variant(int32_t{7}));
                  return Variant(static_cast<int32_t>(inv.argOr(1, Variant(false)).boolValue() ? 2 : 1));
                })
        .method("Quit", {}, {}, [](Invocation&) { return Variant(); })
        .method("Fire", {{"Text", {VarType::String}}}, {},
                [](Invocation& inv) {
                  inv.as<Gadget>().fire(inv.arg(0).stringValue(), 3);
                  return Variant();
                })
        .event("Changed", {{"strText", {VarType::String, true}}, {"nCount", {VarType::Int32, true}}})
        .factory([] { return std::make_shared<Gadget>(c); });
    return c;
  }();
  return def;
}

class StandInsFramework : public ::testing::Test {
 protected:
  void SetUp() override { Control::instance().reset(); }
  void TearDown() override {
    Control::instance().reset();
    Control::instance().setConfigSource({});
  }
  std::shared_ptr<StandIn> make() { return gadgetClass().create(); }
};

int32_t errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const AutomationError& e) {
    return e.number();
  }
  return 0;
}

TEST_F(StandInsFramework, UnknownAndMisusedMembersFailLikeIDispatch) {
  auto g = make();
  try {
    g->call("Opne", {pos("a.doc")});
    FAIL() << "misspelled member accepted";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), static_cast<int32_t>(0x80020006u));
    EXPECT_EQ(e.description(), "Unknown name.");
    EXPECT_EQ(e.source(), "Gadget.Application");
  }
  EXPECT_EQ(errorOf([&] { g->call("Visible"); }), kMemberNotFound);               // a property is not a method
  EXPECT_EQ(errorOf([&] { g->let("Version", Variant("2")); }), kMemberNotFound);  // read-only
  EXPECT_EQ(errorOf([&] { g->let("Quit", Variant(1)); }), kMemberNotFound);
  EXPECT_EQ(errorOf([&] { g->set("Visible", Variant(true)); }), kMemberNotFound);
  EXPECT_EQ(errorOf([&] { g->call("Open"); }), kParamNotFound);  // FileName is required
  EXPECT_EQ(errorOf([&] { g->call("Open", {pos(Variant::missing())}); }), kParamNotFound);
  EXPECT_EQ(errorOf([&] { g->call("Open", {pos("a"), pos(true), pos(1), pos(2)}); }), kBadParamCount);
  EXPECT_EQ(errorOf([&] { g->call("Open", {pos("a"), named("Bogus", 1)}); }), kUnknownName);
  EXPECT_EQ(errorOf([&] { g->call("Open", {pos("a"), named("FileName", "b")}); }), kBadParamCount);

  // Rejected calls are journaled too, with the name as the client spelled it.
  auto lines = Control::instance().journalLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1], g->objectName() + " call Opne(\"a.doc\") -> error 0x80020006");
}

TEST_F(StandInsFramework, NamesMatchWithoutCaseAndNamedArgumentsFindTheirPlace) {
  auto g = make();
  g->let("VISIBLE", Variant(1));  // converted to the declared Boolean
  EXPECT_EQ(g->get("visible").type(), VarType::Bool);
  EXPECT_TRUE(g->get("Visible").boolValue());

  Variant pages;  // by reference: written back
  Variant r = g->call("open", {named("pages", Variant::ref(pages)), named("READONLY", true), pos("c:\\a \"b\".doc")});
  EXPECT_EQ(r.int32Value(), 2);
  EXPECT_EQ(pages.int32Value(), 7);
  // get on a method calls it (x = obj.Method(...)).
  EXPECT_EQ(g->get("Open", {pos("x")}).int32Value(), 1);

  auto lines = Control::instance().journalLines();
  ASSERT_EQ(lines.size(), 6u);
  const std::string& n = g->objectName();
  EXPECT_EQ(lines[0], n + " create");
  EXPECT_EQ(lines[1], n + " let Visible(1)");
  EXPECT_EQ(lines[2], n + " get Visible()");
  EXPECT_EQ(lines[4], n + " call Open(Pages:=Empty, ReadOnly:=True, \"c:\\a \"\"b\"\".doc\")");
}

TEST_F(StandInsFramework, CaseSensitiveClassesRejectOtherSpellings) {
  static ClassDef js(testLib(), "JsObject", {});
  static bool declared = false;
  if (!declared) {
    js.caseSensitive().method("getField", {{"cName", {VarType::String}}}, {VarType::String},
                              [](Invocation& inv) { return inv.arg(0); });
    declared = true;
  }
  StandIn o(js);
  EXPECT_EQ(o.call("getField", {pos("a")}).stringValue(), "a");
  EXPECT_EQ(errorOf([&] { o.call("GetField", {pos("a")}); }), kUnknownName);
}

TEST_F(StandInsFramework, InjectedFailuresHitTheChosenCall) {
  auto a = make();
  auto b = make();
  Control::instance().injectFailure({"Gadget", "open", 2, static_cast<int32_t>(0x800A03EC), "Boom", ""});
  EXPECT_NO_THROW(a->call("Open", {pos("x")}));
  try {
    a->call("Open", {pos("x")});
    FAIL() << "second call did not fail";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), static_cast<int32_t>(0x800A03EC));
    EXPECT_EQ(e.description(), "Boom");
    EXPECT_EQ(e.source(), "Gadget.Application");
  }
  EXPECT_NO_THROW(a->call("Open", {pos("x")}));  // only the second
  EXPECT_NO_THROW(b->call("Open", {pos("x")}));  // counted per instance
  EXPECT_THROW(b->call("Open", {pos("x")}), AutomationError);

  // One instance, every member, own source.
  Control::instance().clearFailures();
  Control::instance().injectFailure({a->objectName(), "*", 0, 5, "Invalid", "Gadget"});
  EXPECT_EQ(errorOf([&] { a->get("Visible"); }), 5);
  EXPECT_EQ(errorOf([&] { b->get("Visible"); }), 0);
  EXPECT_FALSE(Control::instance().journal().back().error);  // b's call went through
}

TEST_F(StandInsFramework, FailureRulesParseFromTheirTextForm) {
  auto r = parseFailureRule("PdfDistiller.FileToPDF#2", "0x80004005|Job failed|Distiller");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->object, "PdfDistiller");
  EXPECT_EQ(r->member, "FileToPDF");
  EXPECT_EQ(r->nth, 2);
  EXPECT_EQ(r->number, static_cast<int32_t>(0x80004005u));
  EXPECT_EQ(r->description, "Job failed");
  EXPECT_EQ(r->source, "Distiller");

  r = parseFailureRule("Word#3.Quit", "-2147467008|No");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->object, "Word#3");
  EXPECT_EQ(r->nth, 0);
  EXPECT_EQ(r->number, -2147467008);
  EXPECT_TRUE(r->source.empty());

  EXPECT_FALSE(parseFailureRule("NoMember", "5|x"));
  EXPECT_FALSE(parseFailureRule(".Quit", "5|x"));
  EXPECT_FALSE(parseFailureRule("A.Quit#0", "5|x"));
  EXPECT_FALSE(parseFailureRule("A.Quit#x", "5|x"));
  EXPECT_FALSE(parseFailureRule("A.Quit", "five|x"));
  EXPECT_FALSE(parseFailureRule("A.Quit", ""));
  EXPECT_FALSE(parseFailureRule("A.Quit", "0x1FFFFFFFF|x"));
}

TEST_F(StandInsFramework, ExternalConfigurationAddsFailuresAndAJournalFile) {
  auto file = std::filesystem::temp_directory_path() / ("standins-journal-" + std::to_string(::getpid()) + ".txt");
  std::filesystem::remove(file);
  Control::instance().setConfigSource([file] {
    ExternalConfig c;
    c.journalFile = file.string();
    c.failures.push_back(*parseFailureRule("Gadget.Quit", "0x80010108|Disconnected"));
    c.values["Mode"] = "fast";
    return c;
  });
  {
    auto g = make();
    g->let("Visible", Variant(true));
    EXPECT_EQ(errorOf([&] { g->call("Quit"); }), static_cast<int32_t>(0x80010108u));
  }
  EXPECT_EQ(Control::instance().setting("Mode"), "fast");
  std::ifstream in(file, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find(" let Visible(True)\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find(" call Quit() -> error 0x80010108\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find(" destroy\r\n"), std::string::npos) << text;
  std::filesystem::remove(file);
}

TEST_F(StandInsFramework, LiveInstancesAreCountedPerClass) {
  int before = Control::instance().liveCount("Gadget");
  fakes::FakeAutomation automation;
  registerStandIns(automation);
  {
    auto g = make();
    EXPECT_EQ(Control::instance().liveCount("Gadget"), before + 1);
    // Stand-ins of the catalogue are creatable by ProgID, case-insensitively.
    ObjectPtr d = automation.createObject("pdfdistiller.PDFDISTILLER");
    EXPECT_EQ(Control::instance().liveCount("PdfDistiller"), 1);
  }
  EXPECT_EQ(Control::instance().liveCount("Gadget"), before);
  EXPECT_EQ(Control::instance().liveCount("PdfDistiller"), 0);
}

struct Recorder : EventSink {
  std::vector<std::string> seen;
  bool overwrite = false;
  bool raise = false;
  void onEvent(std::string_view name, std::vector<Variant>& args) override {
    seen.push_back(std::string(name) + ":" + args[0].stringValue() + ":" + std::to_string(args[1].int32Value()));
    if (overwrite) args[0].assign(Variant("changed"));
    if (raise) throw AutomationError(5, "sink", "bad");
  }
};

TEST_F(StandInsFramework, EventsReachEachConnectedSinkWithItsOwnCopies) {
  auto g = make();
  auto first = std::make_shared<Recorder>();
  auto second = std::make_shared<Recorder>();
  first->overwrite = true;
  first->raise = true;  // a failing handler does not stop the others
  auto c1 = g->advise(first);
  auto c2 = g->advise(second);
  g->call("Fire", {pos("hello")});
  EXPECT_EQ(first->seen, std::vector<std::string>{"Changed:hello:3"});
  EXPECT_EQ(second->seen, std::vector<std::string>{"Changed:hello:3"});
  EXPECT_EQ(Control::instance().journalLines().back(), g->objectName() + " event Changed(\"hello\", 3)");

  c1.reset();  // disconnects
  g->call("Fire", {pos("again")});
  EXPECT_EQ(first->seen.size(), 1u);
  EXPECT_EQ(second->seen.size(), 2u);
  EXPECT_EQ(std::static_pointer_cast<StandIn>(g)->sinkCount(), 1);
  g.reset();
  c2.reset();  // outliving the source is harmless
}

TEST_F(StandInsFramework, GuidsAreStableAndDistinct) {
  Guid a = nameGuid("clsid", "PdfDistiller.PdfDistiller");
  EXPECT_EQ(a.text(), nameGuid("clsid", "pdfdistiller.pdfdistiller").text());
  EXPECT_NE(a.text(), nameGuid("iid", "PdfDistiller.PdfDistiller").text());
  EXPECT_NE(a.text(), nameGuid("clsid", "PdfDistiller.PdfDistiller.6").text());
  EXPECT_EQ(a.text().size(), 38u);
  EXPECT_EQ(a.data3 >> 12, 5);
  EXPECT_EQ(a.data4[0] & 0xC0, 0x80);
}

}  // namespace
}  // namespace dv::standins
