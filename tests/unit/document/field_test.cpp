// Form fields through the viewer stand-in, in process: the Create…Field
// members' exact call sequences, the Field's properties and methods, the
// field locks of a signature field; SignDocument's paths on a scripted
// field object.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>

#include "document/document.h"
#include "document/field.h"
#include "document/field_creation.h"
#include "document/field_selection.h"
#include "document_test_pdf.h"
#include "dv/fakes/fake_host.h"
#include "dv/standins/tools.h"
#include "dv/standins/viewer_document.h"
#include "dv/vb.h"
#include "frame/library_values.h"

namespace dv::lib {
namespace {

using standins::Control;
using standins::JournalEntry;

// A value as the journal shows it here: numbers with VB's type suffix
// (% 16-bit, & 32-bit, # double), so the types a call passed are visible.
std::string shown(const Variant& value) {
  const Variant& v = value.target();
  if (v.isArray()) {
    std::string s = "[";
    for (const Variant& e : v.arrayValue().elements()) s += (s.size() > 1 ? ", " : "") + shown(e);
    return s + "]";
  }
  switch (v.type()) {
    case VarType::Int16:
      return std::to_string(v.int16Value()) + "%";
    case VarType::Int32:
      return std::to_string(v.int32Value()) + "&";
    case VarType::Double: {
      std::string s = std::to_string(v.doubleValue());
      s.erase(s.find_last_not_of('0') + 1);
      if (s.back() == '.') s.pop_back();
      return s + "#";
    }
    case VarType::Object:
      return "Object";
    default:
      return standins::describe(v);
  }
}

// The outside calls of the journal from `from` on: class, kind, member, arguments.
std::vector<std::string> callsSince(size_t from) {
  std::vector<std::string> out;
  const auto journal = Control::instance().journal();
  for (size_t i = from; i < journal.size(); ++i) {
    const JournalEntry& e = journal[i];
    if (e.kind == "create" || e.kind == "destroy") continue;
    std::string line = e.object.substr(0, e.object.find('#')) + " " + e.kind + " " + e.member + "(";
    for (size_t k = 0; k < e.args.size(); ++k) line += (k ? ", " : "") + shown(e.args[k].second);
    out.push_back(line + ")" + (e.error ? " -> error" : ""));
  }
  return out;
}

Variant numbers(std::vector<double> values) {
  std::vector<Variant> items(values.begin(), values.end());
  return Array::vector(VarType::Variant, std::move(items));
}
// A colour array as SetColor fills it: the space, then 16-bit components.
Variant colour(const std::string& space, std::vector<int16_t> components) {
  std::vector<Variant> items{Variant(space)};
  for (int16_t c : components) items.emplace_back(c);
  return Array::vector(VarType::Variant, std::move(items));
}
Variant texts(std::vector<std::string> values) {
  std::vector<Variant> items(values.begin(), values.end());
  return Array::vector(VarType::Variant, std::move(items));
}

class FieldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Control::instance().reset();
    std::random_device rd;
    dir = std::filesystem::temp_directory_path() / ("dv-field-test-" + std::to_string(rd()));
    std::filesystem::create_directories(dir);
    fake.automation.registerProgId("AcroExch.PDDoc", [] { return standins::pdDocClass().create(); });
    const std::string path = (dir / "form.pdf").string();
    testing::writeTestPdf(path, 2, "", {"Alpha", "Beta", "Gamma"});
    libraryValues().OpenDocumentPath = path;
    doc = std::make_unique<Document>(fake.host());
    ASSERT_TRUE(doc->isOpen());
  }
  void TearDown() override {
    doc.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    Control::instance().reset();
  }

  FieldArguments basic(const std::string& name) {
    FieldArguments a;
    a.strName = name;
    a.lngPage = 1;
    a.varCoords = numbers({72, 500, 272, 480});
    return a;
  }
  // The outside calls one step makes.
  std::vector<std::string> journalOf(const std::function<void()>& step) {
    const size_t from = Control::instance().journal().size();
    step();
    return callsSince(from);
  }
  std::unique_ptr<Field> field(const std::string& name) {
    doc->GetField(name);
    return std::make_unique<Field>(fake.host());
  }

  std::filesystem::path dir;
  fakes::FakeHost fake;
  std::unique_ptr<Document> doc;
};

const std::vector<std::string> kWhiteFill = {"JSDoc get Color()", "JSColor get white()",
                                             "JSField let FillColor([\"G\", 1#])"};
std::vector<std::string> blackInk(const char* property) {
  return {"JSDoc get Color()", "JSColor get black()", std::string("JSField let ") + property + "([\"G\", 0#])"};
}
std::vector<std::string> joined(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST_F(FieldTest, EachKindWithDefaultsOnly) {
  const std::string add = "JSDoc get addField(";
  const std::vector<std::string> head = {"JSField call setAction(\"MouseUp\", \"\")", "JSField let Delay(True)"};
  struct Case {
    std::function<void(Document&, const FieldArguments&)> create;
    std::string kind;
    std::vector<std::string> steps;
  };
  const std::vector<Case> cases = {
      {CreateTextField, "text",
       joined({{"JSField let Alignment(\"left\")", "JSField let BorderStyle(\"solid\")", "JSField let Comb(False)",
                "JSField let CalcOrderIndex(0%)", "JSField let DoNotSpellCheck(False)", "JSField let Display(0&)",
                "JSField let FileSelect(False)"},
               kWhiteFill,
               {"JSField let LineWidth(0&)", "JSField let MultiLine(False)", "JSField let Password(False)",
                "JSField let ReadOnly(False)", "JSField let Required(False)"},
               blackInk("StrokeColor"),
               blackInk("TextColor"),
               {"JSField let TextFont(\"Times-Roman\")", "JSField let TextSize(8%)", "JSField let Value(Missing)"}})},
      {CreateButtonField, "button",
       joined({{"JSField let BorderStyle(\"solid\")", "JSField let ButtonAlignX(50%)", "JSField let ButtonAlignY(50%)",
                "JSField let ButtonFitBounds(False)", "JSField let ButtonPosition(0%)", "JSField let Highlight(1%)",
                "JSField let Display(0&)"},
               kWhiteFill,
               {"JSField let LineWidth(0&)", "JSField let ReadOnly(False)"},
               blackInk("StrokeColor"),
               blackInk("TextColor"),
               {"JSField let TextFont(\"Times-Roman\")", "JSField let TextSize(8%)"}})},
      {CreateCheckBoxField, "checkbox",
       joined({{"JSField let Style(\"check\")", "JSField let BorderStyle(\"solid\")",
                "JSField let ExportValues(Missing)", "JSField let Display(0&)"},
               kWhiteFill,
               {"JSField let LineWidth(0&)", "JSField let ReadOnly(False)", "JSField let Required(False)"},
               blackInk("StrokeColor"),
               blackInk("TextColor"),
               {"JSField let TextSize(8%)", "JSField let Value(Missing)"}})},
      {CreateRadioButtonField, "radiobutton",
       joined({{"JSField let Style(\"check\")", "JSField let BorderStyle(\"solid\")",
                "JSField let ExportValues(Missing)", "JSField let Display(0&)", "JSField let RadiosInUnison(False)"},
               kWhiteFill,
               {"JSField let LineWidth(0&)", "JSField let ReadOnly(False)", "JSField let Required(False)"},
               blackInk("StrokeColor"),
               blackInk("TextColor"),
               {"JSField let TextSize(8%)", "JSField let Value(Missing)"}})},
      {CreateComboBoxField, "combobox",
       joined({{"JSField let BorderStyle(\"solid\")", "JSField let CommitOnSelChange(False)",
                "JSField let CalcOrderIndex(0%)", "JSField let Editable(True)", "JSField let DoNotSpellCheck(False)",
                "JSField let Display(0&)"},
               kWhiteFill,
               {"JSField let LineWidth(0&)", "JSField let ReadOnly(False)", "JSField let Required(False)"},
               blackInk("StrokeColor"),
               blackInk("TextColor"),
               {"JSField let TextFont(\"Times-Roman\")", "JSField let TextSize(8%)", "JSField let Value(Missing)"}})},
      {CreateListBoxField, "listbox",
       joined(
           {{"JSField let BorderStyle(\"solid\")", "JSField let CommitOnSelChange(False)", "JSField let Display(0&)"},
            kWhiteFill,
            {"JSField let MultipleSelection(False)", "JSField let LineWidth(0&)", "JSField let ReadOnly(False)",
             "JSField let Required(False)"},
            blackInk("StrokeColor"),
            blackInk("TextColor"),
            {"JSField let TextFont(\"Times-Roman\")", "JSField let TextSize(8%)", "JSField let Value(Missing)"}})},
      {CreateSignatureField, "signature",
       joined({{"JSField let BorderStyle(\"solid\")", "JSField let Display(0&)"},
               kWhiteFill,
               {"JSField let LineWidth(0&)", "JSField let ReadOnly(False)", "JSField let Required(False)"},
               blackInk("StrokeColor"),
               blackInk("TextColor"),
               {"JSField let TextSize(8%)", "JSField let Value(Missing)"}})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    const std::vector<std::string> expected =
        joined({{add + "\"f_" + c.kind + "\", \"" + c.kind + "\", 0&, [72#, 500#, 272#, 480#])"},
                head,
                c.steps,
                {"JSField let Delay(False)"}});
    EXPECT_EQ(journalOf([&] { c.create(*doc, basic("f_" + c.kind)); }), expected);
    EXPECT_EQ(field("f_" + c.kind)->property("FieldType").stringValue(), c.kind);
  }
}

TEST_F(FieldTest, TextFieldWithEveryArgument) {
  FieldArguments a = basic("full");
  a.lngPage = 2;
  a.lngAlignment = 2;
  a.lngBorder = 3;
  a.intCharLimit = 12;
  a.blnComb = true;
  a.intCalcOrderIndex = 4;
  a.strDefaultValue = "dflt";
  a.lngFieldDisplay = 2;
  a.blnDoNotSpellCheck = true;
  a.blnFileSelect = true;
  a.varFillColor = colour("RGB", {1, 0, 0});
  a.intLineWidth = 3;
  a.blnMultiLine = true;
  a.blnPassword = true;
  a.blnReadOnly = true;
  a.blnRequired = true;
  a.varBorderColor = numbers({0.5});
  a.strSubmitName = "sub";
  a.varTextColor = colour("G", {0});
  a.lngFont = 8;
  a.intTextSize = 11;
  a.strToolTipText = "tip";
  a.VarValue = Variant("hello");
  a.lngTrigger = 4;
  a.strAction = "app.beep(0);";
  a.lngRotation = 90;
  const std::vector<std::string> expected = {
      "JSDoc get addField(\"full\", \"text\", 1&, [72#, 500#, 272#, 480#])",
      "JSField call setAction(\"OnFocus\", \"app.beep(0);\")",
      "JSField let Delay(True)",
      "JSField let Alignment(\"right\")",
      "JSField let BorderStyle(\"inset\")",
      "JSField let CharLimit(12%)",
      "JSField let Comb(True)",
      "JSField let CalcOrderIndex(4%)",
      "JSField let DefaultValue(\"dflt\")",
      "JSField let DoNotSpellCheck(True)",
      "JSField let Display(2&)",
      "JSField let FileSelect(True)",
      "JSField let FillColor([\"RGB\", 1%, 0%, 0%])",
      "JSField let LineWidth(3&)",
      "JSField let MultiLine(True)",
      "JSField let Password(True)",
      "JSField let ReadOnly(True)",
      "JSField let Required(True)",
      // Not a colour array: the stand-in refuses it (below), the member goes on.
      "JSField let StrokeColor([0.5#])",
      "JSField let SubmitName(\"sub\")",
      "JSField let TextColor([\"G\", 0%])",
      "JSField let TextFont(\"Courier\")",
      "JSField let TextSize(11%)",
      "JSField let UserName(\"tip\")",
      "JSField let Value(\"hello\")",
      "JSField let Rotation(90&)",
      "JSField let Delay(False)",
  };
  EXPECT_EQ(journalOf([&] { CreateTextField(*doc, a); }), expected);
  auto f = field("full");
  EXPECT_EQ(vb::CStr(f->property("Value")), "hello");
  EXPECT_EQ(f->property("CharLimit").int16Value(), 12);
  EXPECT_EQ(shown(f->property("FillColor")), "[\"RGB\", 1#, 0#, 0#]");
  EXPECT_EQ(shown(f->property("StrokeColor")), "[\"T\"]");  // a new field's, as the failed step left it
  EXPECT_EQ(shown(f->FieldPages()), "1&");
}

TEST_F(FieldTest, ChoiceItemsButtonCaptionAndRadioOrder) {
  FieldArguments combo = basic("combo");
  combo.varValues = texts({"One", "Two"});
  combo.strDefaultValue = "   ";  // blank: not written
  combo.VarValue = Variant("Two");
  const auto calls = journalOf([&] { CreateComboBoxField(*doc, combo); });
  const std::vector<std::string> items = {"JSField call insertItemAt(\"One\", \"One\", -1%)",
                                          "JSField call insertItemAt(\"Two\", \"Two\", -1%)"};
  auto at = std::find(calls.begin(), calls.end(), "JSField let CommitOnSelChange(False)");
  ASSERT_NE(at, calls.end());
  EXPECT_EQ(std::vector<std::string>(at + 1, at + 3), items);
  EXPECT_EQ(*(at + 3), "JSField let CalcOrderIndex(0%)");
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                          [](const std::string& c) { return c.find("DefaultValue") != std::string::npos; }),
            0);

  FieldArguments list = basic("list");
  list.varValues = texts({"Red", "Green"});
  list.varExportValues = texts({"r", "g"});
  list.VarValue = Variant("g");
  CreateListBoxField(*doc, list);
  auto l = field("list");
  EXPECT_EQ(l->GetItem(1, true), "g");
  EXPECT_EQ(l->GetItem(1, false), "Green");
  EXPECT_EQ(shown(l->property("CurrentValueIndices")), "1&");

  FieldArguments button = basic("button");
  button.strText = "Press";
  const auto buttonCalls = journalOf([&] { CreateButtonField(*doc, button); });
  ASSERT_GE(buttonCalls.size(), 4u);
  EXPECT_EQ(buttonCalls[3], "JSField call buttonSetCaption(\"Press\")");
  EXPECT_EQ(field("button")->GetButtonCaption(0), "Press");

  FieldArguments radio = basic("radio");
  radio.blnRadiosInUnison = true;
  radio.varExportValues = texts({"yes"});
  radio.lngTrigger = 10;  // dvnNone: no action at all
  radio.lngGlyphStyle = 3;
  const auto radioCalls = journalOf([&] { CreateRadioButtonField(*doc, radio); });
  EXPECT_EQ(radioCalls[1], "JSField let Delay(True)");
  EXPECT_EQ(radioCalls[2], "JSField let Style(\"circle\")");
  auto display = std::find(radioCalls.begin(), radioCalls.end(), "JSField let Display(0&)");
  ASSERT_NE(display, radioCalls.end());
  EXPECT_EQ(*(display + 1), "JSField let RadiosInUnison(True)");
}

TEST_F(FieldTest, AFailedStepIsSkippedAndTheRestRuns) {
  Control::instance().injectFailure({"JSField", "Comb", 0, static_cast<int32_t>(0x800A1066u), "Injected", ""});
  Control::instance().injectFailure({"JSColor", "white", 0, static_cast<int32_t>(0x800A1066u), "Injected", ""});
  FieldArguments a = basic("mid");
  a.VarValue = Variant("kept");
  std::vector<std::string> calls;
  EXPECT_NO_THROW(calls = journalOf([&] { CreateTextField(*doc, a); }));
  EXPECT_NE(std::find(calls.begin(), calls.end(), "JSField let Comb(False) -> error"), calls.end());
  EXPECT_NE(std::find(calls.begin(), calls.end(), "JSColor get white() -> error"), calls.end());
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "JSField let FillColor([\"G\", 1#])"), 0);
  EXPECT_EQ(calls.back(), "JSField let Delay(False)");
  EXPECT_EQ(vb::CStr(field("mid")->property("Value")), "kept");

  // A name that exists already: addField fails, every later step fails on
  // the missing field, and nothing reaches the caller.
  EXPECT_NO_THROW(CreateTextField(*doc, basic("mid")));
}

// Every property: the JavaScript name it reaches, the type it returns,
// and what its write passes.
TEST_F(FieldTest, PropertiesReachTheirJavaScriptNamesWithTheirTypes) {
  FieldArguments a = basic("props");
  a.varValues = texts({"a", "b"});
  CreateListBoxField(*doc, a);
  auto f = field("props");
  std::map<std::string, Variant> writes = {
      {"Alignment", "center"},
      {"BorderStyle", "beveled"},
      {"Highlight", "push"},
      {"Style", "cross"},
      {"TextFont", "Courier"},
      {"DefaultValue", "b"},
      {"SubmitName", "s"},
      {"UserName", "tip"},
      {"CurrentValueIndices", int32_t{1}},
      {"Value", "a"},
      {"ExportValues", texts({"x"})},
      {"FillColor", colour("G", {1})},
      {"StrokeColor", colour("T", {})},
      {"TextColor", colour("RGB", {0, 0, 1})},
      {"Rect", numbers({1, 2, 3, 4})},
  };
  for (const FieldProperty& p : fieldProperties()) {
    SCOPED_TRACE(std::string(p.name));
    if (p.name == "Name") continue;  // its own test
    const auto got = journalOf([&] {
      const Variant v = f->property(p.name);
      if (p.type != VarType::Variant) {
        EXPECT_EQ(v.type(), p.type);
      }
    });
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], "JSField get " + std::string(p.javaScript) + "()");
    if (!p.writable) continue;
    Variant value = writes.count(std::string(p.name)) ? writes.at(std::string(p.name))
                    : p.type == VarType::Bool         ? Variant(true)
                    : p.type == VarType::Int16        ? Variant(int16_t{7})
                    : p.type == VarType::Int32        ? Variant(int32_t{3})
                                                      : Variant("x");
    const auto put = journalOf([&] { f->letProperty(p.name, value); });
    ASSERT_EQ(put.size(), 1u);
    const std::string written = shown(p.type == VarType::Variant ? value : vb::convert(value, p.type));
    const std::string member = p.name == "PrintField" ? "property(\"Print\", " : std::string(p.javaScript) + "(";
    EXPECT_EQ(put[0], "JSField let " + member + written + ")");
  }
  // What was written reads back.
  EXPECT_EQ(vb::CStr(f->property("Alignment")), "center");
  EXPECT_TRUE(vb::CBool(f->property("PrintField")));
  EXPECT_EQ(f->property("TextSize").int16Value(), 7);
  EXPECT_EQ(shown(f->property("TextColor")), "[\"RGB\", 0#, 0#, 1#]");
  EXPECT_EQ(vb::CStr(f->property("Value")), "a");
}

TEST_F(FieldTest, NameOfAMissingFieldIsTheLibrarysError) {
  EXPECT_EQ(field("Beta")->Name(), "Beta");
  auto missing = field("NoSuchField");
  try {
    missing->Name();
    FAIL() << "no error";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), vb::kLibraryError);
    EXPECT_EQ(e.description(), "Invalid field name.");
  }
  // Other members fail with the error of an empty object.
  EXPECT_THROW(missing->property("Value"), AutomationError);
}

TEST_F(FieldTest, ItemsCaptionsActionsAndChildren) {
  FieldArguments a = basic("pick");
  a.varValues = texts({"a", "b", "c"});
  a.VarValue = Variant("b");
  CreateListBoxField(*doc, a);
  auto f = field("pick");
  EXPECT_EQ(journalOf([&] { f->DeleteItem(-1); }),
            (std::vector<std::string>{"JSField call deleteItemAt()", "JSField let CurrentValueIndices(0%)"}));
  EXPECT_EQ(f->property("NumItems").int16Value(), 2);
  EXPECT_EQ(f->GetItem(1, false), "c");
  EXPECT_EQ(shown(f->property("CurrentValueIndices")), "0&");
  EXPECT_EQ(journalOf([&] { f->DeleteItem(1); })[0], "JSField call deleteItemAt(1%)");
  f->InsertItem("z", "zz", 0);
  EXPECT_EQ(f->GetItem(0, true), "zz");
  f->SetItems(Variant(Array::vector(VarType::Variant, {Variant("p"), texts({"Q", "q"})})));
  EXPECT_EQ(f->GetItem(1, true), "q");
  f->ClearItems();
  EXPECT_EQ(f->property("NumItems").int16Value(), 0);

  CreateButtonField(*doc, basic("btn"));
  auto b = field("btn");
  EXPECT_EQ(journalOf([&] { b->SetButtonCaption("Seven", 7); })[0], "JSField call buttonSetCaption(\"Seven\", 0&)");
  EXPECT_EQ(journalOf([&] { b->SetButtonCaption("Down", 1); })[0], "JSField call buttonSetCaption(\"Down\", 1&)");
  EXPECT_EQ(b->GetButtonCaption(-3), "Seven");
  EXPECT_EQ(b->GetButtonCaption(1), "Down");
  EXPECT_EQ(journalOf([&] { b->SetFieldAction(10, "x()"); })[0], "JSField call setAction(\"MouseUp\", \"x()\")");
  EXPECT_EQ(journalOf([&] { b->SetFieldAction(5, "y()"); })[0], "JSField call setAction(\"OnBlur\", \"y()\")");

  CreateCheckBoxField(*doc, basic("box"));
  auto box = field("box");
  box->SetCheckBox(0, true);
  EXPECT_TRUE(box->IsBoxChecked(0));
  EXPECT_EQ(vb::CStr(box->property("Value")), "Yes");
  box->SetDefaultValue(0, true);
  EXPECT_TRUE(box->IsDefaultChecked(0));
  box->SetCheckBox(0, false);
  EXPECT_FALSE(box->IsBoxChecked(0));

  Variant children;
  EXPECT_EQ(box->GetChildFields(children), 0);
  ASSERT_TRUE(children.isArray());
  Control::instance().injectFailure({"JSField", "getArray", 0, static_cast<int32_t>(0x800A1066u), "No children", ""});
  try {
    box->GetChildFields(children);
    FAIL() << "no error";
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), static_cast<int32_t>(0x800A1066u));
    EXPECT_EQ(e.description(), "No children");
  }
}

TEST_F(FieldTest, LockScripts) {
  CreateSignatureField(*doc, basic("Sig"));
  auto sig = field("Sig");
  auto scriptOf = [&](const Variant& fields, int32_t lock) {
    const size_t from = Control::instance().journal().size();
    sig->SetSignatureFieldLocks(fields, lock);
    const auto journal = Control::instance().journal();
    for (size_t i = from; i < journal.size(); ++i)
      if (journal[i].member == "setAction") {
        EXPECT_EQ(vb::CStr(journal[i].args[0].second), "Format");
        return vb::CStr(journal[i].args[1].second);
      }
    return std::string("(no action)");
  };
  EXPECT_EQ(scriptOf(texts({"Beta", "Gamma"}), kLockInclude),
            "var f0 = this.getField('Beta');\r\nvar f1 = this.getField('Gamma');\r\n"
            "f0.readonly = true;\r\nf1.readonly = true;\r\n");
  EXPECT_EQ(scriptOf(Variant("Alpha"), kLockInclude), "var f = this.getField('Alpha');\r\nf.readonly = true;\r\n");
  EXPECT_EQ(
      scriptOf(Variant::missing(), kLockInclude),
      "var f0 = this.getField('Alpha');\r\nvar f1 = this.getField('Beta');\r\nvar f2 = this.getField('Gamma');\r\n"
      "var f3 = this.getField('Sig');\r\nf0.readonly = true;\r\nf1.readonly = true;\r\nf2.readonly = true;\r\n"
      "f3.readonly = true;\r\n");
  // Excluded in another letter case; the others keep their document index.
  EXPECT_EQ(scriptOf(Variant("bETA"), kLockExclude),
            "var f0 = this.getField('Alpha');\r\nvar f2 = this.getField('Gamma');\r\nvar f3 = this.getField('Sig');\r\n"
            "f0.readonly = true;\r\nf2.readonly = true;\r\nf3.readonly = true;\r\n");
  EXPECT_EQ(scriptOf(texts({"ALPHA", "sig"}), kLockExclude),
            "var f1 = this.getField('Beta');\r\nvar f2 = this.getField('Gamma');\r\n"
            "f1.readonly = true;\r\nf2.readonly = true;\r\n");
  // A quote, a backslash and a line break stay inside the string.
  EXPECT_EQ(scriptOf(Variant("O'Brien\\x\r\n');app.alert(1);//"), kLockInclude),
            "var f = this.getField('O\\'Brien\\\\x\\r\\n\\');app.alert(1);//');\r\nf.readonly = true;\r\n");
  // Nothing selected by a combination the selection does not know.
  EXPECT_EQ(scriptOf(Variant(int32_t{5}), kLockInclude), "(no action)");
  EXPECT_EQ(scriptOf(Variant("Alpha"), 7), "(no action)");
}

// What a save writes is what a reopened document reads: the file holds the fields.
TEST_F(FieldTest, SavedFieldsAreInTheFileAndReadBackOnReopening) {
  FieldArguments text = basic("Customer.Name");
  text.lngAlignment = 1;
  text.intCharLimit = 9;
  text.lngFont = 5;
  text.intTextSize = 14;
  text.varTextColor = colour("RGB", {0, 0, 1});
  text.strToolTipText = "Who";
  text.VarValue = Variant("Ada");
  text.lngTrigger = 7;
  text.strAction = "event.rc = true;";
  CreateTextField(*doc, text);
  FieldArguments box = basic("Agree");
  box.lngPage = 2;
  box.varExportValues = texts({"On"});
  box.VarValue = Variant("On");
  box.lngGlyphStyle = 4;
  CreateCheckBoxField(*doc, box);
  FieldArguments combo = basic("Colour");
  combo.varValues = texts({"Red", "Green"});
  combo.varExportValues = texts({"r", "g"});
  combo.VarValue = Variant("g");
  CreateComboBoxField(*doc, combo);
  field("Customer.Name")->letProperty("PrintField", Variant(false));
  doc->removeNamed("RemoveField", "Beta");
  doc->Save(1, Variant::missing());
  doc->CloseDoc();

  doc = std::make_unique<Document>(fake.host());
  ASSERT_TRUE(doc->isOpen());
  EXPECT_EQ(doc->longProperty("NumFields"), 5);  // Alpha, Gamma and the three new ones
  auto t = field("Customer.Name");
  EXPECT_EQ(vb::CStr(t->property("Value")), "Ada");
  EXPECT_EQ(vb::CStr(t->property("Alignment")), "center");
  EXPECT_EQ(t->property("CharLimit").int16Value(), 9);
  EXPECT_EQ(vb::CStr(t->property("TextFont")), "Helvetica-Bold");
  EXPECT_EQ(t->property("TextSize").int16Value(), 14);
  EXPECT_EQ(shown(t->property("TextColor")), "[\"RGB\", 0#, 0#, 1#]");
  EXPECT_EQ(vb::CStr(t->property("UserName")), "Who");
  EXPECT_FALSE(vb::CBool(t->property("PrintField")));
  EXPECT_EQ(shown(t->property("Rect")), "[72#, 500#, 272#, 480#]");
  auto b = field("Agree");
  EXPECT_TRUE(b->IsBoxChecked(0));
  EXPECT_EQ(vb::CStr(b->property("Style")), "star");
  EXPECT_EQ(shown(b->FieldPages()), "1&");
  auto c = field("Colour");
  EXPECT_EQ(c->GetItem(1, true), "g");
  EXPECT_EQ(c->GetItem(1, false), "Green");
  EXPECT_EQ(vb::CStr(c->property("Value")), "g");
  EXPECT_THROW(field("Beta")->Name(), AutomationError);
}

TEST_F(FieldTest, SignatureWrittenIntoTheFileAndCheckedFromIt) {
  CreateSignatureField(*doc, basic("Approval"));
  doc->Save(1, Variant::missing());
  const std::string key = (dir / "id.key").string(), crt = (dir / "id.crt").string(), p12 = (dir / "id.p12").string();
  ASSERT_TRUE(standins::runTool({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out",
                                 crt, "-subj", "/CN=Field Test", "-days", "2"})
                  .ok());
  ASSERT_TRUE(
      standins::runTool({"openssl", "pkcs12", "-export", "-inkey", key, "-in", crt, "-out", p12, "-passout", "pass:pw"})
          .ok());
  auto sig = field("Approval");
  sig->SignDocument(p12, "wrong");
  EXPECT_FALSE(sig->IsSigned());
  sig->SignDocument((dir / "missing.p12").string(), "pw");
  EXPECT_FALSE(sig->IsSigned());
  sig->SignDocument(p12, "pw");
  EXPECT_TRUE(sig->IsSigned());
  const std::string path = (dir / "form.pdf").string();
  const auto report = standins::runTool({"pdfsig", path});
  EXPECT_NE(report.output.find("Signature is Valid."), std::string::npos) << report.output;
  doc->CloseDoc();

  doc = std::make_unique<Document>(fake.host());
  EXPECT_TRUE(field("Approval")->IsSigned());
  EXPECT_EQ(vb::CLng(asObject(field("Approval")->GetSignatureInfo())->get("Status")), 3);
  // Bytes after the signed ones: the signature no longer covers the file.
  doc->CloseDoc();
  std::ofstream(path, std::ios::binary | std::ios::app) << "% appended\n";
  doc = std::make_unique<Document>(fake.host());
  auto changed = field("Approval");
  EXPECT_EQ(vb::CLng(asObject(changed->GetSignatureInfo())->get("Status")), 2);
  EXPECT_FALSE(changed->IsSigned());
}

// A field object whose answers a test scripts, for the signature paths.
class ScriptedObject : public Object {
 public:
  std::map<std::string, std::function<Variant(const Args&)>> answers;
  std::vector<std::string>* log = nullptr;
  std::string label;
  Variant get(std::string_view member, Args args) override { return answer("get", member, args); }
  void let(std::string_view member, const Variant&, Args args) override { answer("let", member, args); }
  void set(std::string_view member, const Variant&, Args args) override { answer("set", member, args); }
  Variant call(std::string_view member, Args args) override { return answer("call", member, args); }

 private:
  Variant answer(const char* kind, std::string_view member, const Args& args) {
    std::string line = label + " " + kind + " " + std::string(member) + "(";
    for (size_t i = 0; i < args.size(); ++i) line += (i ? ", " : "") + shown(args[i].value);
    log->push_back(line + ")");
    auto it = answers.find(std::string(member));
    if (it == answers.end()) throw AutomationError(static_cast<int32_t>(0x80020006u), "test", "Unknown name.");
    return it->second(args);
  }
};

struct SignatureRig {
  std::vector<std::string> log;
  std::shared_ptr<ScriptedObject> js = std::make_shared<ScriptedObject>();
  std::shared_ptr<ScriptedObject> jsField = std::make_shared<ScriptedObject>();
  std::shared_ptr<ScriptedObject> security = std::make_shared<ScriptedObject>();
  std::shared_ptr<ScriptedObject> handler = std::make_shared<ScriptedObject>();
  std::shared_ptr<ScriptedObject> info = std::make_shared<ScriptedObject>();
  SignatureRig(bool loginOk, int32_t status) {
    for (auto& [o, label] : std::vector<std::pair<ScriptedObject*, const char*>>{{js.get(), "doc"},
                                                                                 {jsField.get(), "field"},
                                                                                 {security.get(), "security"},
                                                                                 {handler.get(), "handler"},
                                                                                 {info.get(), "info"}}) {
      o->log = &log;
      o->label = label;
    }
    js->answers["GetField"] = [this](const Args&) { return Variant(ObjectPtr(jsField)); };
    js->answers["security"] = [this](const Args&) { return Variant(ObjectPtr(security)); };
    security->answers["getHandler"] = [this](const Args&) { return Variant(ObjectPtr(handler)); };
    handler->answers["login"] = [loginOk](const Args&) { return Variant(loginOk); };
    handler->answers["logout"] = [](const Args&) { return Variant(true); };
    jsField->answers["SignatureInfo"] = [this](const Args&) { return Variant(ObjectPtr(info)); };
    jsField->answers["signatureSign"] = [](const Args&) { return Variant(true); };
    info->answers["Status"] = [status](const Args&) { return Variant(status); };
  }
  std::unique_ptr<Field> field(fakes::FakeHost& fake) {
    putFieldHandOff(FieldHandOff{"Sig", js});
    auto f = std::make_unique<Field>(fake.host());
    log.clear();
    return f;
  }
};

TEST(FieldSignatureTest, SignDocumentSignsOnlyAnUnsignedFieldAndAlwaysLogsOut) {
  fakes::FakeHost fake;
  const std::vector<std::string> login = {"doc get security()", "security get getHandler(\"Adobe.PPKLite\")",
                                          "handler get login(\"secret\", \"c:\\id.p12\")"};
  {
    SignatureRig rig(true, 0);
    rig.field(fake)->SignDocument("c:\\id.p12", "secret");
    EXPECT_EQ(rig.log, joined({login,
                               {"field get SignatureInfo()", "info get Status()", "field call signatureSign(Object)",
                                "handler call logout()"}}));
  }
  {
    SignatureRig rig(true, 3);
    rig.field(fake)->SignDocument("c:\\id.p12", "secret");
    EXPECT_EQ(rig.log, joined({login, {"field get SignatureInfo()", "info get Status()", "handler call logout()"}}));
  }
  {
    SignatureRig rig(false, 0);
    rig.field(fake)->SignDocument("c:\\id.p12", "secret");
    EXPECT_EQ(rig.log, login);
  }
  {
    // A failing signature still logs out, and nothing reaches the caller.
    SignatureRig rig(true, 0);
    rig.jsField->answers["signatureSign"] = [](const Args&) -> Variant {
      throw AutomationError(static_cast<int32_t>(0x80004005u), "Acrobat", "Cannot sign");
    };
    auto f = rig.field(fake);
    EXPECT_NO_THROW(f->SignDocument("c:\\id.p12", "secret"));
    EXPECT_EQ(rig.log.back(), "handler call logout()");
  }
}

TEST(FieldSignatureTest, IsSignedFromTheStatus) {
  fakes::FakeHost fake;
  for (const auto& [status, signedExpected] :
       std::vector<std::pair<int32_t, bool>>{{0, false}, {2, false}, {3, true}, {4, true}}) {
    SignatureRig rig(true, status);
    EXPECT_EQ(rig.field(fake)->IsSigned(), signedExpected) << status;
  }
}

TEST(FieldSelectionTest, JavaScriptQuoting) {
  EXPECT_EQ(javaScriptQuoted("plain name"), "'plain name'");
  EXPECT_EQ(javaScriptQuoted("a'b\\c\rd\ne"), "'a\\'b\\\\c\\rd\\ne'");
  EXPECT_EQ(javaScriptQuoted("x\xE2\x80\xA8y\xE2\x80\xA9z\xE2\x80\x94"), "'x\\u2028y\\u2029z\xE2\x80\x94'");
}

}  // namespace
}  // namespace dv::lib
