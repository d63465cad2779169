// The Document members that create form fields: argument conversion
// around the field creation of the document core.
#include "com_util.h"
#include "document/field_creation.h"
#include "document_object.h"
#include "dv/win32/automation.h"

namespace dv::com {

namespace {

template <typename Body>
HRESULT doc(Body&& body) {
  return comCall(IID__Document, std::forward<Body>(body));
}

// Omitted by-reference arguments of early-bound callers arrive as null:
// the declared default then.
std::string str(const BSTR* b) { return b ? fromBstr(*b) : std::string(); }
bool on(const VARIANT_BOOL* b, bool absent) { return b ? *b != VARIANT_FALSE : absent; }
Variant value(const VARIANT* v) { return v ? win32::fromVariant(*v) : Variant::missing(); }

}  // namespace

HRESULT DocumentObject::CreateTextField(BSTR* strName, long* lngPage, VARIANT* varCoords, AlignType* lngAlignment,
                                        FieldBorderType* lngBorder, short* intCharLimit, VARIANT_BOOL* blnComb,
                                        short* intCalcOrderIndex, BSTR* strDefaultValue,
                                        FieldDisplayType* lngFieldDisplay, VARIANT_BOOL* blnDoNotSpellCheck,
                                        VARIANT_BOOL* blnFileSelect, VARIANT* varFillColor,
                                        FieldLineWidthType* intLineWidth, VARIANT_BOOL* blnMultiLine,
                                        VARIANT_BOOL* blnPassword, VARIANT_BOOL* blnReadOnly, VARIANT_BOOL* blnRequired,
                                        VARIANT* varBorderColor, BSTR* strSubmitName, VARIANT* varTextColor,
                                        FontType* lngFont, short* intTextSize, BSTR* strToolTipText, VARIANT* VarValue,
                                        FieldTriggerType* lngTrigger, BSTR* strAction, RotationType* lngRotation) {
  return doc([&] {
    lib::FieldArguments a;
    a.strName = str(strName);
    if (lngPage) a.lngPage = *lngPage;
    a.varCoords = value(varCoords);
    if (lngAlignment) a.lngAlignment = static_cast<int32_t>(*lngAlignment);
    if (lngBorder) a.lngBorder = static_cast<int32_t>(*lngBorder);
    if (intCharLimit) a.intCharLimit = *intCharLimit;
    a.blnComb = on(blnComb, false);
    if (intCalcOrderIndex) a.intCalcOrderIndex = *intCalcOrderIndex;
    a.strDefaultValue = str(strDefaultValue);
    if (lngFieldDisplay) a.lngFieldDisplay = static_cast<int32_t>(*lngFieldDisplay);
    a.blnDoNotSpellCheck = on(blnDoNotSpellCheck, false);
    a.blnFileSelect = on(blnFileSelect, false);
    a.varFillColor = value(varFillColor);
    if (intLineWidth) a.intLineWidth = static_cast<int32_t>(*intLineWidth);
    a.blnMultiLine = on(blnMultiLine, false);
    a.blnPassword = on(blnPassword, false);
    a.blnReadOnly = on(blnReadOnly, false);
    a.blnRequired = on(blnRequired, false);
    a.varBorderColor = value(varBorderColor);
    a.strSubmitName = str(strSubmitName);
    a.varTextColor = value(varTextColor);
    if (lngFont) a.lngFont = static_cast<int32_t>(*lngFont);
    if (intTextSize) a.intTextSize = *intTextSize;
    a.strToolTipText = str(strToolTipText);
    a.VarValue = value(VarValue);
    if (lngTrigger) a.lngTrigger = static_cast<int32_t>(*lngTrigger);
    a.strAction = str(strAction);
    if (lngRotation) a.lngRotation = static_cast<int32_t>(*lngRotation);
    lib::CreateTextField(core(), a);
  });
}

HRESULT DocumentObject::CreateButtonField(BSTR* strName, long* lngPage, VARIANT* varCoords, BSTR* strText,
                                          FieldBorderType* lngBorder, short* intButtonAlignX, short* intButtonAlignY,
                                          VARIANT_BOOL* blnButtonFitBounds, FieldDisplayType* lngFieldDisplay,
                                          VARIANT* varFillColor, FieldLineWidthType* intLineWidth,
                                          VARIANT_BOOL* blnReadOnly, VARIANT* varColor, BSTR* strSubmitName,
                                          VARIANT* varTextColor, FontType* lngFont, short* intTextSize,
                                          BSTR* strToolTipText, FieldTriggerType* lngTrigger, BSTR* strAction,
                                          RotationType* lngRotation) {
  return doc([&] {
    lib::FieldArguments a;
    a.strName = str(strName);
    if (lngPage) a.lngPage = *lngPage;
    a.varCoords = value(varCoords);
    a.strText = str(strText);
    if (lngBorder) a.lngBorder = static_cast<int32_t>(*lngBorder);
    if (intButtonAlignX) a.intButtonAlignX = *intButtonAlignX;
    if (intButtonAlignY) a.intButtonAlignY = *intButtonAlignY;
    a.blnButtonFitBounds = on(blnButtonFitBounds, false);
    if (lngFieldDisplay) a.lngFieldDisplay = static_cast<int32_t>(*lngFieldDisplay);
    a.varFillColor = value(varFillColor);
    if (intLineWidth) a.intLineWidth = static_cast<int32_t>(*intLineWidth);
    a.blnReadOnly = on(blnReadOnly, false);
    a.varBorderColor = value(varColor);
    a.strSubmitName = str(strSubmitName);
    a.varTextColor = value(varTextColor);
    if (lngFont) a.lngFont = static_cast<int32_t>(*lngFont);
    if (intTextSize) a.intTextSize = *intTextSize;
    a.strToolTipText = str(strToolTipText);
    if (lngTrigger) a.lngTrigger = static_cast<int32_t>(*lngTrigger);
    a.strAction = str(strAction);
    if (lngRotation) a.lngRotation = static_cast<int32_t>(*lngRotation);
    lib::CreateButtonField(core(), a);
  });
}

HRESULT DocumentObject::CreateCheckBoxField(BSTR* strName, long* lngPage, VARIANT* varCoords, VARIANT* varExportValues,
                                            FieldBorderType* lngBorder, BSTR* strDefaultValue,
                                            FieldDisplayType* lngFieldDisplay, VARIANT* varFillColor,
                                            FieldLineWidthType* intLineWidth, VARIANT_BOOL* blnReadOnly,
                                            VARIANT_BOOL* blnRequired, VARIANT* varColor, BSTR* strSubmitName,
                                            VARIANT* varTextColor, short* intTextSize, BSTR* strToolTipText,
                                            VARIANT* VarValue, FieldTriggerType* lngTrigger, BSTR* strAction,
                                            RotationType* lngRotation, GlyphStyleType* lngGlyphStyle) {
  return doc([&] {
    lib::FieldArguments a;
    a.strName = str(strName);
    if (lngPage) a.lngPage = *lngPage;
    a.varCoords = value(varCoords);
    a.varExportValues = value(varExportValues);
    if (lngBorder) a.lngBorder = static_cast<int32_t>(*lngBorder);
    a.strDefaultValue = str(strDefaultValue);
    if (lngFieldDisplay) a.lngFieldDisplay = static_cast<int32_t>(*lngFieldDisplay);
    a.varFillColor = value(varFillColor);
    if (intLineWidth) a.intLineWidth = static_cast<int32_t>(*intLineWidth);
    a.blnReadOnly = on(blnReadOnly, false);
    a.blnRequired = on(blnRequired, false);
    a.varBorderColor = value(varColor);
    a.strSubmitName = str(strSubmitName);
    a.varTextColor = value(varTextColor);
    if (intTextSize) a.intTextSize = *intTextSize;
    a.strToolTipText = str(strToolTipText);
    a.VarValue = value(VarValue);
    if (lngTrigger) a.lngTrigger = static_cast<int32_t>(*lngTrigger);
    a.strAction = str(strAction);
    if (lngRotation) a.lngRotation = static_cast<int32_t>(*lngRotation);
    if (lngGlyphStyle) a.lngGlyphStyle = static_cast<int32_t>(*lngGlyphStyle);
    lib::CreateCheckBoxField(core(), a);
  });
}

HRESULT DocumentObject::CreateRadioButtonField(
    BSTR* strName, long* lngPage, VARIANT* varCoords, VARIANT* varExportValues, FieldBorderType* lngBorder,
    BSTR* strDefaultValue, FieldDisplayType* lngFieldDisplay, VARIANT* varFillColor, FieldLineWidthType* intLineWidth,
    VARIANT_BOOL* blnReadOnly, VARIANT_BOOL* blnRequired, VARIANT* varColor, BSTR* strSubmitName, VARIANT* varTextColor,
    short* intTextSize, BSTR* strToolTipText, VARIANT* VarValue, VARIANT_BOOL* blnRadiosInUnison,
    FieldTriggerType* lngTrigger, BSTR* strAction, RotationType* lngRotation, GlyphStyleType* lngGlyphStyle) {
  return doc([&] {
    lib::FieldArguments a;
    a.strName = str(strName);
    if (lngPage) a.lngPage = *lngPage;
    a.varCoords = value(varCoords);
    a.varExportValues = value(varExportValues);
    if (lngBorder) a.lngBorder = static_cast<int32_t>(*lngBorder);
    a.strDefaultValue = str(strDefaultValue);
    if (lngFieldDisplay) a.lngFieldDisplay = static_cast<int32_t>(*lngFieldDisplay);
    a.varFillColor = value(varFillColor);
    if (intLineWidth) a.intLineWidth = static_cast<int32_t>(*intLineWidth);
    a.blnReadOnly = on(blnReadOnly, false);
    a.blnRequired = on(blnRequired, false);
    a.varBorderColor = value(varColor);
    a.strSubmitName = str(strSubmitName);
    a.varTextColor = value(varTextColor);
    if (intTextSize) a.intTextSize = *intTextSize;
    a.strToolTipText = str(strToolTipText);
    a.VarValue = value(VarValue);
    a.blnRadiosInUnison = on(blnRadiosInUnison, false);
    if (lngTrigger) a.lngTrigger = static_cast<int32_t>(*lngTrigger);
    a.strAction = str(strAction);
    if (lngRotation) a.lngRotation = static_cast<int32_t>(*lngRotation);
    if (lngGlyphStyle) a.lngGlyphStyle = static_cast<int32_t>(*lngGlyphStyle);
    lib::CreateRadioButtonField(core(), a);
  });
}

HRESULT DocumentObject::CreateComboBoxField(BSTR* strName, long* lngPage, VARIANT* varCoords, VARIANT* varValues,
                                            FieldBorderType* lngBorder, VARIANT_BOOL* blnCommitOnSelChange,
                                            short* intCalcOrderIndex, BSTR* strDefaultValue, VARIANT_BOOL* blnEditable,
                                            FieldDisplayType* lngFieldDisplay, VARIANT_BOOL* blnDoNotSpellCheck,
                                            VARIANT* varFillColor, FieldLineWidthType* intLineWidth,
                                            VARIANT_BOOL* blnReadOnly, VARIANT_BOOL* blnRequired, VARIANT* varColor,
                                            BSTR* strSubmitName, VARIANT* varTextColor, FontType* lngFont,
                                            short* intTextSize, BSTR* strToolTipText, VARIANT* VarValue,
                                            FieldTriggerType* lngTrigger, BSTR* strAction, RotationType* lngRotation,
                                            VARIANT* varExportValues) {
  return doc([&] {
    lib::FieldArguments a;
    a.strName = str(strName);
    if (lngPage) a.lngPage = *lngPage;
    a.varCoords = value(varCoords);
    a.varValues = value(varValues);
    if (lngBorder) a.lngBorder = static_cast<int32_t>(*lngBorder);
    a.blnCommitOnSelChange = on(blnCommitOnSelChange, false);
    if (intCalcOrderIndex) a.intCalcOrderIndex = *intCalcOrderIndex;
    a.strDefaultValue = str(strDefaultValue);
    a.blnEditable = on(blnEditable, true);
    if (lngFieldDisplay) a.lngFieldDisplay = static_cast<int32_t>(*lngFieldDisplay);
    a.blnDoNotSpellCheck = on(blnDoNotSpellCheck, false);
    a.varFillColor = value(varFillColor);
    if (intLineWidth) a.intLineWidth = static_cast<int32_t>(*intLineWidth);
    a.blnReadOnly = on(blnReadOnly, false);
    a.blnRequired = on(blnRequired, false);
    a.varBorderColor = value(varColor);
    a.strSubmitName = str(strSubmitName);
    a.varTextColor = value(varTextColor);
    if (lngFont) a.lngFont = static_cast<int32_t>(*lngFont);
    if (intTextSize) a.intTextSize = *intTextSize;
    a.strToolTipText = str(strToolTipText);
    a.VarValue = value(VarValue);
    if (lngTrigger) a.lngTrigger = static_cast<int32_t>(*lngTrigger);
    a.strAction = str(strAction);
    if (lngRotation) a.lngRotation = static_cast<int32_t>(*lngRotation);
    a.varExportValues = value(varExportValues);
    lib::CreateComboBoxField(core(), a);
  });
}

HRESULT DocumentObject::CreateListBoxField(BSTR* strName, long* lngPage, VARIANT* varCoords, VARIANT* varValues,
                                           FieldBorderType* lngBorder, VARIANT_BOOL* blnCommitOnSelChange,
                                           BSTR* strDefaultValue, FieldDisplayType* lngFieldDisplay,
                                           VARIANT* varFillColor, VARIANT_BOOL* blnMultipleSelection,
                                           FieldLineWidthType* intLineWidth, VARIANT_BOOL* blnReadOnly,
                                           VARIANT_BOOL* blnRequired, VARIANT* varColor, BSTR* strSubmitName,
                                           VARIANT* varTextColor, FontType* lngFont, short* intTextSize,
                                           BSTR* strToolTipText, VARIANT* VarValue, FieldTriggerType* lngTrigger,
                                           BSTR* strAction, RotationType* lngRotation, VARIANT* varExportValues) {
  return doc([&] {
    lib::FieldArguments a;
    a.strName = str(strName);
    if (lngPage) a.lngPage = *lngPage;
    a.varCoords = value(varCoords);
    a.varValues = value(varValues);
    if (lngBorder) a.lngBorder = static_cast<int32_t>(*lngBorder);
    a.blnCommitOnSelChange = on(blnCommitOnSelChange, false);
    a.strDefaultValue = str(strDefaultValue);
    if (lngFieldDisplay) a.lngFieldDisplay = static_cast<int32_t>(*lngFieldDisplay);
    a.varFillColor = value(varFillColor);
    a.blnMultipleSelection = on(blnMultipleSelection, false);
    if (intLineWidth) a.intLineWidth = static_cast<int32_t>(*intLineWidth);
    a.blnReadOnly = on(blnReadOnly, false);
    a.blnRequired = on(blnRequired, false);
    a.varBorderColor = value(varColor);
    a.strSubmitName = str(strSubmitName);
    a.varTextColor = value(varTextColor);
    if (lngFont) a.lngFont = static_cast<int32_t>(*lngFont);
    if (intTextSize) a.intTextSize = *intTextSize;
    a.strToolTipText = str(strToolTipText);
    a.VarValue = value(VarValue);
    if (lngTrigger) a.lngTrigger = static_cast<int32_t>(*lngTrigger);
    a.strAction = str(strAction);
    if (lngRotation) a.lngRotation = static_cast<int32_t>(*lngRotation);
    a.varExportValues = value(varExportValues);
    lib::CreateListBoxField(core(), a);
  });
}

HRESULT DocumentObject::CreateSignatureField(BSTR* strName, long* lngPage, VARIANT* varCoords,
                                             FieldBorderType* lngBorder, FieldDisplayType* lngFieldDisplay,
                                             VARIANT* varFillColor, FieldLineWidthType* intLineWidth,
                                             VARIANT_BOOL* blnReadOnly, VARIANT_BOOL* blnRequired, VARIANT* varColor,
                                             BSTR* strSubmitName, VARIANT* varTextColor, short* intTextSize,
                                             BSTR* strToolTipText, VARIANT* VarValue, FieldTriggerType* lngTrigger,
                                             BSTR* strAction, RotationType* lngRotation) {
  return doc([&] {
    lib::FieldArguments a;
    a.strName = str(strName);
    if (lngPage) a.lngPage = *lngPage;
    a.varCoords = value(varCoords);
    if (lngBorder) a.lngBorder = static_cast<int32_t>(*lngBorder);
    if (lngFieldDisplay) a.lngFieldDisplay = static_cast<int32_t>(*lngFieldDisplay);
    a.varFillColor = value(varFillColor);
    if (intLineWidth) a.intLineWidth = static_cast<int32_t>(*intLineWidth);
    a.blnReadOnly = on(blnReadOnly, false);
    a.blnRequired = on(blnRequired, false);
    a.varBorderColor = value(varColor);
    a.strSubmitName = str(strSubmitName);
    a.varTextColor = value(varTextColor);
    if (intTextSize) a.intTextSize = *intTextSize;
    a.strToolTipText = str(strToolTipText);
    a.VarValue = value(VarValue);
    if (lngTrigger) a.lngTrigger = static_cast<int32_t>(*lngTrigger);
    a.strAction = str(strAction);
    if (lngRotation) a.lngRotation = static_cast<int32_t>(*lngRotation);
    lib::CreateSignatureField(core(), a);
  });
}

}  // namespace dv::com
