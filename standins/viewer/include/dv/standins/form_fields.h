// Form fields of the viewer stand-in's documents: the JavaScript Doc's
// addField, GetField, Color and security, the Field object with every
// member the library reaches, and the fields' life in the file. A
// document's fields are read from the file (dv-pdftool's facts) when first
// touched; a save writes every field that was added or changed as a real
// AcroForm field with its widget, and removes the fields RemoveField took
// away. Signing goes through the certificate security handler
// ("Adobe.PPKLite", a PKCS#12 file checked with openssl) and writes a real
// signature into the file at once, as Acrobat does.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dv/standins/pdf_tool.h"
#include "dv/standins/standin.h"

namespace dv::standins {

struct ViewerDocument;

// One field as the stand-in keeps it. Its JSON form (toJson) is also what
// dv-pdftool's "setField" operation takes and what its facts report.
struct FormField {
  std::string name;
  std::string type;                      // text, button, checkbox, radiobutton, combobox, listbox, signature
  int32_t page = 0;                      // from 0
  std::vector<double> rect;              // left, top, right, bottom
  std::map<std::string, Variant> props;  // by JavaScript name
  std::vector<std::pair<std::string, std::string>> items;  // display text, export value
  std::map<std::string, std::string> actions;              // trigger -> script
  std::string captions[3];                                 // normal, down, rollover
  int32_t signatureStatus = 0;                             // from the file: 0 unsigned, 2 changed, 3 valid
  bool changed = false;                                    // to be written at the next save
};

// The fields of one open document.
struct FormState {
  std::vector<std::shared_ptr<FormField>> fields;
  std::vector<std::string> removed;  // written as removals at the next save
  FormField* find(const std::string& name);
};

// The document's fields, read from its facts when first needed.
FormState& formOf(ViewerDocument& doc);
// Adds the field members to the JavaScript Doc class.
void addFormMembers(ClassDef& jsDoc);
// RemoveField: the field leaves the document and, at the next save, the file.
void removeFormField(ViewerDocument& doc, const std::string& name);
// The edit operations that write the fields' changes.
std::vector<Json> formOperations(ViewerDocument& doc);

const ClassDef& jsFieldClass();
const ClassDef& jsSecurityClass();
const ClassDef& jsSecurityHandlerClass();
const ClassDef& jsSignatureInfoClass();

// JSON of a field (dv-pdftool's form) and back.
Json fieldToJson(const FormField& f);
std::shared_ptr<FormField> fieldFromJson(const Json& j);

}  // namespace dv::standins
