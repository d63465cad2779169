// Form fields and signatures in dv-pdftool (fields.cpp, signing.cpp).
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFAnnotationObjectHelper.hh>
#include <qpdf/QPDFFormFieldObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <optional>
#include <string>

#include "qpdf_document.h"

namespace dv::pdftool {

// The field of that fully qualified name.
std::optional<QPDFFormFieldObjectHelper> findField(QPDF& pdf, const std::string& name);
// The edit operation "setField": {"field": {...}} writes a field,
// {"remove": NAME} takes one out of the form and its page.
void setField(QpdfDocument& doc, const Json& op);
void removeField(QpdfDocument& doc, const Json& name);
// After the edits: appearances of text and choice fields.
void finishFields(QPDF& pdf);
// A field as the facts report it, with every property the file holds.
Json fieldFacts(QPDF& pdf, QPDFFormFieldObjectHelper& field, QPDFAnnotationObjectHelper& widget, int page,
                const std::string& type, const std::string& path);

// Signatures. A signature field's status from the file: 0 unsigned, 2 the
// signed bytes changed (or the signature does not verify), 3 valid.
int signatureStatus(QPDFObjectHandle value, const std::string& path);
// "digitalid": the PKCS#12 file opens with the password (read from a file)
// and holds a key and its certificate; refused otherwise.
Json readDigitalId(const std::string& path, const std::string& passwordFile);
// The "sign" operation ({"field", "digitalId", "passwordFile"}): before
// writing, a signature value with room for the signature goes into the
// field; after writing, the byte ranges and the detached CMS signature
// over them are filled into the written file.
void prepareSignature(QPDF& pdf, const Json& op, QPDFWriter& writer);
void completeSignature(const std::string& writtenFile, const Json& op);

}  // namespace dv::pdftool
