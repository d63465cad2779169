// The Document members that create a form field of one kind and set its
// appearance and behaviour in one call. They share one procedure: the
// field is added, its action set, and then its properties are written
// between Delay = True and Delay = False in the order of the kind's table.
// Errors are ignored step by step: a failing step is skipped, the next one
// runs, nothing is reported.
#pragma once

#include <cstdint>
#include <string>

#include "document/document.h"
#include "dv/variant.h"

namespace dv::lib {

// The arguments of every Create…Field member, with the interface's
// defaults. Each member reads the ones it declares; a colour that does not
// hold an array means the named colour of the step (white fill, black
// border and text). varBorderColor is also the varColor of the kinds other
// than text.
struct FieldArguments {
  std::string strName;
  int32_t lngPage = 0;
  Variant varCoords = Variant::missing();
  int32_t lngAlignment = 0;
  int32_t lngBorder = 0;
  int16_t intCharLimit = 0;
  bool blnComb = false;
  int16_t intCalcOrderIndex = 0;
  std::string strDefaultValue;
  int32_t lngFieldDisplay = 0;
  bool blnDoNotSpellCheck = false;
  bool blnFileSelect = false;
  Variant varFillColor = Variant::missing();
  int32_t intLineWidth = 0;
  bool blnMultiLine = false;
  bool blnPassword = false;
  bool blnReadOnly = false;
  bool blnRequired = false;
  Variant varBorderColor = Variant::missing();
  std::string strSubmitName;
  Variant varTextColor = Variant::missing();
  int32_t lngFont = 0;
  int16_t intTextSize = 8;
  std::string strToolTipText;
  Variant VarValue = Variant::missing();
  int32_t lngTrigger = 0;
  std::string strAction;
  int32_t lngRotation = 0;
  // Buttons.
  std::string strText;
  int16_t intButtonAlignX = 50;
  int16_t intButtonAlignY = 50;
  bool blnButtonFitBounds = false;
  // Check boxes and radio buttons.
  Variant varExportValues = Variant::missing();
  int32_t lngGlyphStyle = 0;
  bool blnRadiosInUnison = false;
  // Combo and list boxes (their export values are varExportValues).
  Variant varValues = Variant::missing();
  bool blnCommitOnSelChange = false;
  bool blnEditable = true;
  bool blnMultipleSelection = false;
};

void CreateTextField(Document& doc, const FieldArguments& a);
void CreateButtonField(Document& doc, const FieldArguments& a);
void CreateCheckBoxField(Document& doc, const FieldArguments& a);
void CreateRadioButtonField(Document& doc, const FieldArguments& a);
void CreateComboBoxField(Document& doc, const FieldArguments& a);
void CreateListBoxField(Document& doc, const FieldArguments& a);
void CreateSignatureField(Document& doc, const FieldArguments& a);

}  // namespace dv::lib
