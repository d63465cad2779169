// Translations from the public enumerations to the texts and colour arrays
// that Acrobat's JavaScript expects. Document and Field members use the same
// tables when they build their calls, and offer them to clients (GetFont,
// GetTrigger, ...). A value outside a table gives the table's fallback; no
// mapping raises.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dv/variant.h"

namespace dv::lib {

std::string alignmentText(int32_t value);        // AlignType / AlignmentType
std::string layoutText(int32_t value);           // LayoutType
std::string documentTriggerText(int32_t value);  // DocumentTriggerType
std::string pageTriggerText(int32_t value);      // PageTriggerType
std::string fontText(int32_t value);             // FontType
// FieldTriggerType. dvnNone and unknown values: empty text for the
// Document's table, "MouseUp" for the Field's.
std::string documentFieldTriggerText(int32_t value);
std::string fieldTriggerText(int32_t value);
std::string borderStyleText(int32_t value);     // FieldBorderType / BorderStyleType
std::string glyphStyleText(int32_t value);      // GlyphStyleType
std::string highlightText(int32_t value);       // HighlightType
std::string noteIconText(int32_t value);        // NoteIconType
std::string noteStateText(int32_t value);       // NoteStateType
std::string stampIconText(int32_t value);       // StampIconType
std::string pageLabelStyleText(int32_t value);  // PageNumberStyleType
std::string pageTabOrderText(int32_t value);    // PageTabOrderType

// The conversion identifier of a PDFFileType for the JavaScript SaveAs.
// dvnPDF means the PDF/A conversion from viewer version 8 on.
std::string fileTypeText(int32_t value, std::string_view acrobatVersionText);

// Fills varColor, which must hold a one-dimensional array with indexes 0
// to 3, with the Acrobat colour array of a ColorType: element 0 the colour
// space, then the components (16-bit integers for black, white and the
// primaries, doubles for the greys). Raises type mismatch (13) when
// varColor holds no array and subscript out of range (9) when indexes 0 to 3
// are missing; the caller's array is then left as it was.
void SetColor(int32_t lngColor, Variant& varColor);

}  // namespace dv::lib
