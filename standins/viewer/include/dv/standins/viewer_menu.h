// The viewer's menu commands beyond "Open": "ReduceFileSize", "SaveAs",
// "SecureApplyPwdSecurity", "Save" and "COMP:AddHeadFoot", each with the
// modal dialogs the viewer shows for it (laid out so that dlgrelay counts
// their controls as it counts the viewer's) and its real effect on the
// front document's PDF.
//
// Changes a command makes to an open document (headers, security) are kept
// for its window until the document is saved (PDDoc Save, the "Save"
// command, a save as PDF); closing the window without saving drops them.
#pragma once

#include <optional>
#include <string>

#include "dv/automation.h"
#include "dv/standins/pdf_file.h"
#include "dv/standins/viewer_dialogs.h"

namespace dv::standins {

// Runs a menu command; nullopt when the viewer has no command `item` here.
// The result is what MenuItemExecute returns: False when the command did
// nothing (no document, a dialog cancelled or left unanswered).
std::optional<bool> runMenuCommand(const std::string& item);

// The changes the menu commands made to the document at `path` (in the
// window showing it) since its last save: moved into `changes`.
void takeMenuChanges(const std::string& path, PdfChanges& changes);

// JavaScript's addWebLinks(nStart, nEnd): pages counted from 0, both
// optional (all pages). Recorded as dv-pdftool's "addWebLinks" operation.
void addWebLinksOperation(PdfChanges& changes, const Variant& start, const Variant& end);

// The dialogs, by the viewer version they belong to.
DialogLayout reduceFileSizeLayout(double version);
DialogLayout saveAsLayout();                    // file name only
DialogLayout saveAsTypeLayout(double version);  // file name and type
DialogLayout replaceQuestionLayout(const std::string& path);
DialogLayout passwordSecurityLayout();
DialogLayout confirmPasswordLayout();
DialogLayout noticeLayout(const std::string& text);
DialogLayout headersFootersLayout(double version);

// The file types of the Save As list, in PDFFileType order.
const std::vector<std::string>& saveAsTypes();
// Writes the document at `source` (read with `password`) as `target` in
// the type of the list's position; false when that fails.
bool saveInType(const std::string& source, const std::string& password, int type, const std::string& target);

}  // namespace dv::standins
