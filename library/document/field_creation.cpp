#include "document/field_creation.h"

#include <functional>
#include <initializer_list>

#include "document/mappings.h"
#include "dv/vb.h"

namespace dv::lib {

namespace {

constexpr int32_t kTriggerNone = 10;  // dvnNone: no action

// The property steps between Delay = True and Delay = False.
enum class Step {
  Alignment,
  BorderStyle,
  CharLimit,
  Comb,
  CalcOrderIndex,
  DefaultValue,
  DoNotSpellCheck,
  Display,
  FileSelect,
  FillColor,
  LineWidth,
  MultiLine,
  Password,
  ReadOnly,
  Required,
  StrokeColor,
  SubmitName,
  TextColor,
  TextFont,
  TextSize,
  UserName,
  Value,
  Rotation,
  Caption,
  ButtonAlignX,
  ButtonAlignY,
  ButtonFitBounds,
  ButtonPosition,
  Highlight,
  Style,
  ExportValues,
  RadiosInUnison,
  CommitOnSelChange,
  Items,
  Editable,
  MultipleSelection,
};

class Creation {
 public:
  Creation(Document& doc, const FieldArguments& a) : doc_(doc), a_(a) {}

  void run(const char* kind, std::initializer_list<Step> steps) {
    attempt([&] {
      Variant coords = a_.varCoords.target();
      field_ =
          asObject(doc_.jsObject().get("addField", {pos(a_.strName), pos(kind), pos(a_.lngPage - 1), pos(coords)}));
    });
    if (a_.lngTrigger != kTriggerNone)
      attempt([&] { field().call("setAction", {pos(documentFieldTriggerText(a_.lngTrigger)), pos(a_.strAction)}); });
    attempt([&] { field().let("Delay", Variant(true)); });
    for (Step s : steps) apply(s);
    attempt([&] { field().let("Delay", Variant(false)); });
  }

 private:
  // Errors are ignored step by step.
  static void attempt(const std::function<void()>& step) {
    try {
      step();
    } catch (const AutomationError&) {
    }
  }
  Object& field() {
    if (!field_) vb::raise(vb::kObjectNotSet);
    return *field_;
  }
  void let(const char* property, const Variant& value) {
    attempt([&] { field().let(property, value); });
  }
  static bool blank(const std::string& s) { return vb::Trim(s).empty(); }
  // The argument when it holds an array, else the named colour.
  void colour(const char* property, const Variant& given, const char* named) {
    attempt([&] {
      if (given.target().isArray()) {
        field().let(property, given.target());
        return;
      }
      const Variant value = asObject(doc_.jsObject().get("Color"))->get(named);
      field().let(property, value);
    });
  }
  void items() {
    const Variant& values = a_.varValues.target();
    if (!values.isArray()) return;
    const Variant& exports = a_.varExportValues.target();
    const int32_t upper = values.arrayValue().ubound();
    for (int32_t i = 0; i <= upper; ++i) {
      attempt([&] {
        const Variant item = values.arrayValue().at(i);
        const Variant exported = exports.isArray() ? exports.arrayValue().at(i) : item;
        field().call("insertItemAt", {pos(item), pos(exported), pos(int16_t{-1})});
      });
    }
  }

  void apply(Step s) {
    switch (s) {
      case Step::Alignment:
        return let("Alignment", alignmentText(a_.lngAlignment));
      case Step::BorderStyle:
        return let("BorderStyle", borderStyleText(a_.lngBorder));
      case Step::CharLimit:
        if (a_.intCharLimit > 0) let("CharLimit", a_.intCharLimit);
        return;
      case Step::Comb:
        return let("Comb", a_.blnComb);
      case Step::CalcOrderIndex:
        return let("CalcOrderIndex", a_.intCalcOrderIndex);
      case Step::DefaultValue:
        if (!blank(a_.strDefaultValue)) let("DefaultValue", a_.strDefaultValue);
        return;
      case Step::DoNotSpellCheck:
        return let("DoNotSpellCheck", a_.blnDoNotSpellCheck);
      case Step::Display:
        return let("Display", a_.lngFieldDisplay);
      case Step::FileSelect:
        return let("FileSelect", a_.blnFileSelect);
      case Step::FillColor:
        return colour("FillColor", a_.varFillColor, "white");
      case Step::LineWidth:
        return let("LineWidth", a_.intLineWidth);
      case Step::MultiLine:
        return let("MultiLine", a_.blnMultiLine);
      case Step::Password:
        return let("Password", a_.blnPassword);
      case Step::ReadOnly:
        return let("ReadOnly", a_.blnReadOnly);
      case Step::Required:
        return let("Required", a_.blnRequired);
      case Step::StrokeColor:
        return colour("StrokeColor", a_.varBorderColor, "black");
      case Step::SubmitName:
        if (!blank(a_.strSubmitName)) let("SubmitName", a_.strSubmitName);
        return;
      case Step::TextColor:
        return colour("TextColor", a_.varTextColor, "black");
      case Step::TextFont:
        return let("TextFont", fontText(a_.lngFont));
      case Step::TextSize:
        return let("TextSize", a_.intTextSize);
      case Step::UserName:
        if (!blank(a_.strToolTipText)) let("UserName", a_.strToolTipText);
        return;
      case Step::Value:
        return let("Value", a_.VarValue.target());
      case Step::Rotation:
        if (a_.lngRotation > 0) let("Rotation", a_.lngRotation);
        return;
      case Step::Caption:
        if (!blank(a_.strText)) attempt([&] { field().call("buttonSetCaption", {pos(a_.strText)}); });
        return;
      case Step::ButtonAlignX:
        return let("ButtonAlignX", a_.intButtonAlignX);
      case Step::ButtonAlignY:
        return let("ButtonAlignY", a_.intButtonAlignY);
      case Step::ButtonFitBounds:
        return let("ButtonFitBounds", a_.blnButtonFitBounds);
      case Step::ButtonPosition:
        return let("ButtonPosition", int16_t{0});  // caption only
      case Step::Highlight:
        return let("Highlight", int16_t{1});  // the number, not a highlight name
      case Step::Style:
        return let("Style", glyphStyleText(a_.lngGlyphStyle));
      case Step::ExportValues:
        return let("ExportValues", a_.varExportValues.target());
      case Step::RadiosInUnison:
        return let("RadiosInUnison", a_.blnRadiosInUnison);
      case Step::CommitOnSelChange:
        return let("CommitOnSelChange", a_.blnCommitOnSelChange);
      case Step::Items:
        return items();
      case Step::Editable:
        return let("Editable", a_.blnEditable);
      case Step::MultipleSelection:
        return let("MultipleSelection", a_.blnMultipleSelection);
    }
  }

  Document& doc_;
  const FieldArguments& a_;
  ObjectPtr field_;
};

}  // namespace

void CreateTextField(Document& doc, const FieldArguments& a) {
  using S = Step;
  Creation(doc, a).run(
      "text", {S::Alignment,       S::BorderStyle, S::CharLimit,  S::Comb,        S::CalcOrderIndex, S::DefaultValue,
               S::DoNotSpellCheck, S::Display,     S::FileSelect, S::FillColor,   S::LineWidth,      S::MultiLine,
               S::Password,        S::ReadOnly,    S::Required,   S::StrokeColor, S::SubmitName,     S::TextColor,
               S::TextFont,        S::TextSize,    S::UserName,   S::Value,       S::Rotation});
}

void CreateButtonField(Document& doc, const FieldArguments& a) {
  using S = Step;
  Creation(doc, a).run(
      "button", {S::Caption, S::BorderStyle, S::ButtonAlignX, S::ButtonAlignY, S::ButtonFitBounds, S::ButtonPosition,
                 S::Highlight, S::Display, S::FillColor, S::LineWidth, S::ReadOnly, S::StrokeColor, S::SubmitName,
                 S::TextColor, S::TextFont, S::TextSize, S::UserName, S::Rotation});
}

void CreateCheckBoxField(Document& doc, const FieldArguments& a) {
  using S = Step;
  Creation(doc, a).run("checkbox", {S::Style, S::BorderStyle, S::ExportValues, S::DefaultValue, S::Display,
                                    S::FillColor, S::LineWidth, S::ReadOnly, S::Required, S::StrokeColor, S::SubmitName,
                                    S::TextColor, S::TextSize, S::UserName, S::Value, S::Rotation});
}

void CreateRadioButtonField(Document& doc, const FieldArguments& a) {
  using S = Step;
  Creation(doc, a).run(
      "radiobutton", {S::Style, S::BorderStyle, S::ExportValues, S::DefaultValue, S::Display, S::RadiosInUnison,
                      S::FillColor, S::LineWidth, S::ReadOnly, S::Required, S::StrokeColor, S::SubmitName, S::TextColor,
                      S::TextSize, S::UserName, S::Value, S::Rotation});
}

void CreateComboBoxField(Document& doc, const FieldArguments& a) {
  using S = Step;
  Creation(doc, a).run("combobox",
                       {S::BorderStyle, S::CommitOnSelChange, S::Items,       S::CalcOrderIndex, S::DefaultValue,
                        S::Editable,    S::DoNotSpellCheck,   S::Display,     S::FillColor,      S::LineWidth,
                        S::ReadOnly,    S::Required,          S::StrokeColor, S::SubmitName,     S::TextColor,
                        S::TextFont,    S::TextSize,          S::UserName,    S::Value,          S::Rotation});
}

void CreateListBoxField(Document& doc, const FieldArguments& a) {
  using S = Step;
  Creation(doc, a).run("listbox",
                       {S::BorderStyle, S::CommitOnSelChange, S::Items, S::DefaultValue, S::Display, S::FillColor,
                        S::MultipleSelection, S::LineWidth, S::ReadOnly, S::Required, S::StrokeColor, S::SubmitName,
                        S::TextColor, S::TextFont, S::TextSize, S::UserName, S::Value, S::Rotation});
}

void CreateSignatureField(Document& doc, const FieldArguments& a) {
  using S = Step;
  Creation(doc, a).run(
      "signature", {S::BorderStyle, S::Display, S::FillColor, S::LineWidth, S::ReadOnly, S::Required, S::StrokeColor,
                    S::SubmitName, S::TextColor, S::TextSize, S::UserName, S::Value, S::Rotation});
}

}  // namespace dv::lib
