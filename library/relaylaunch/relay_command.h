// The command lines of dlgrelay, one builder per dialog the library gets
// past. The wire format: every field followed by "~" (the last one too);
// field 0 the action keyword, field 1 the caption of the dialog window,
// then the data. Numbers in decimal, "-" before negative ones.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dv::lib {

// Default captions: the viewer's English dialog titles in lower case. A
// client of a localized viewer passes its own through the caption
// parameters.
namespace caption {
inline constexpr const char* kOpen = "open";
inline constexpr const char* kPassword = "password";
inline constexpr const char* kReduceFileSize = "reduce file size";
inline constexpr const char* kSaveAs = "save as";
inline constexpr const char* kPasswordSecurity = "password security - settings";
inline constexpr const char* kConfirmOpenPassword = "adobe acrobat - confirm open document password";
inline constexpr const char* kHeadersFooters = "add headers & footers";
inline constexpr const char* kWebCapture = "create pdf from web page";
inline constexpr const char* kWebCaptureFailure = "error: nothing done";
inline constexpr const char* kWebCaptureErrors = "there were errors";
inline constexpr const char* kSavePdfFileAs = "save pdf file as";
inline constexpr const char* kPrintToFile = "print to file";
inline constexpr const char* kAcrobatNotice = "adobe acrobat";
}  // namespace caption

struct RelayField {
  enum class Kind {
    Keyword,  // fixed by the library
    Text,     // typed or matched as given
    Path,     // a file path: handed over in its long form
    Number,
  };
  Kind kind = Kind::Text;
  std::string name;  // the parameter the value comes from, for error texts
  std::string value;
};

// One relay run: what the relay is to do with which dialog.
class RelayCommand {
 public:
  RelayCommand(std::string keyword, std::string captionName, std::string caption);

  RelayCommand& text(std::string name, std::string value);
  RelayCommand& path(std::string name, std::string value);
  RelayCommand& number(std::string name, int32_t value);

  const std::vector<RelayField>& fields() const { return fields_; }
  std::vector<RelayField>& fields() { return fields_; }
  const std::string& keyword() const { return fields_.front().value; }
  // The fields as the relay reads them: "open~open~C:\Docs\a.pdf~".
  std::string tail() const;

 private:
  std::vector<RelayField> fields_;
};

// ---- The viewer's dialogs ----
// File open and document password, started in this order before an open
// that needs the password.
RelayCommand relayOpen(const std::string& strOpenWindowCaption, const std::string& strPDFFile);
RelayCommand relayPassword(const std::string& strPasswordWindowCaption, const std::string& strOpenPassword);
// "reduce file size" up to viewer version 7, "reduce file size8" above.
RelayCommand relayReduceFileSize(double viewerVersion, const std::string& strReduceWindowCaption, int32_t lngVersion);
// Saving the reduced file over its source.
RelayCommand relaySaveAs(const std::string& strSaveWindowCaption, const std::string& strPDFFile);
// "save as" below viewer version 8, "save as8" from 8 on.
RelayCommand relaySaveAsWithType(double viewerVersion, const std::string& strSaveWindowCaption,
                                 const std::string& strFile, int32_t lngFileType);
// SetOpenPassword: security settings, the password confirmation, and the
// viewer's notice that follows (see README.md for its caption).
RelayCommand relayPasswordSecurity(const std::string& strPasswordWindowCaption, const std::string& strOpenPassword);
RelayCommand relayConfirmOpenPassword(const std::string& strConfirmWindowCaption, const std::string& strOpenPassword);
RelayCommand relayAcrobatNotice();

// The headers and footers dialog; the layout marker follows the viewer
// version ("7" from 7 on, "6" below). Alignments arrive clamped.
struct HeaderFooterFields {
  int32_t intFontName = 0;
  int32_t intFontSize = 0;
  int32_t intPageStyle = 0;
  int32_t lngPageAlign = 0;
  int32_t intDateStyle = 0;
  int32_t lngDateAlign = 0;
  std::string strCustomText;
  int32_t lngCustomTextAlign = 0;
};
RelayCommand relayHeadersFooters(double viewerVersion, const std::string& strHeaderWindowCaption,
                                 const HeaderFooterFields& fields);

// Web capture: the address dialog and the two error notices.
RelayCommand relayWebCapture(const std::string& strCreateWindowCaption, const std::string& strURL);
RelayCommand relayWebCaptureFailure(const std::string& strErrorWindowCaption);
RelayCommand relayWebCaptureErrors(const std::string& strError2WindowCaption);

// ---- Printer drivers' dialogs ----
// The PDF printer's file name dialog and the print-to-file dialog, given
// the file the print job is to produce. `fileParameter` names where that
// path came from, for the error a bad path raises.
RelayCommand relaySavePdfFileAs(const std::string& strSaveWindowCaption, const std::string& outputFile,
                                const std::string& fileParameter = "strPDFFile");
// The same dialog with its caption fixed (no caption parameter).
RelayCommand relaySavePdfFileAsFixedCaption(const std::string& strPDFFile);
RelayCommand relayPrintToFile(const std::string& strSaveWindowCaption, const std::string& outputFile,
                              const std::string& fileParameter = "strPDFFile");

}  // namespace dv::lib
