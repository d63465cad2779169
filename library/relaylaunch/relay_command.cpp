#include "relaylaunch/relay_command.h"

namespace dv::lib {

RelayCommand::RelayCommand(std::string keyword, std::string captionName, std::string caption) {
  fields_.push_back({RelayField::Kind::Keyword, "keyword", std::move(keyword)});
  fields_.push_back({RelayField::Kind::Text, std::move(captionName), std::move(caption)});
}

RelayCommand& RelayCommand::text(std::string name, std::string value) {
  fields_.push_back({RelayField::Kind::Text, std::move(name), std::move(value)});
  return *this;
}

RelayCommand& RelayCommand::path(std::string name, std::string value) {
  fields_.push_back({RelayField::Kind::Path, std::move(name), std::move(value)});
  return *this;
}

RelayCommand& RelayCommand::number(std::string name, int32_t value) {
  fields_.push_back({RelayField::Kind::Number, std::move(name), std::to_string(value)});
  return *this;
}

std::string RelayCommand::tail() const {
  std::string line;
  for (const RelayField& field : fields_) {
    line += field.value;
    line += '~';
  }
  return line;
}

RelayCommand relayOpen(const std::string& strOpenWindowCaption, const std::string& strPDFFile) {
  return RelayCommand("open", "strOpenWindowCaption", strOpenWindowCaption).path("strPDFFile", strPDFFile);
}

RelayCommand relayPassword(const std::string& strPasswordWindowCaption, const std::string& strOpenPassword) {
  return RelayCommand("password", "strPasswordWindowCaption", strPasswordWindowCaption)
      .text("strOpenPassword", strOpenPassword);
}

RelayCommand relayReduceFileSize(double viewerVersion, const std::string& strReduceWindowCaption, int32_t lngVersion) {
  // From version 8 on the dialog's compatibility list starts one entry
  // further down; the relay needs to know which list it sees.
  return RelayCommand(viewerVersion > 7 ? "reduce file size8" : "reduce file size", "strReduceWindowCaption",
                      strReduceWindowCaption)
      .number("lngVersion", lngVersion);
}

RelayCommand relaySaveAs(const std::string& strSaveWindowCaption, const std::string& strPDFFile) {
  return RelayCommand("save as", "strSaveWindowCaption", strSaveWindowCaption).path("strPDFFile", strPDFFile);
}

RelayCommand relaySaveAsWithType(double viewerVersion, const std::string& strSaveWindowCaption,
                                 const std::string& strFile, int32_t lngFileType) {
  return RelayCommand(viewerVersion < 8 ? "save as" : "save as8", "strSaveWindowCaption", strSaveWindowCaption)
      .path("strFile", strFile)
      .number("lngFileType", lngFileType);
}

RelayCommand relayPasswordSecurity(const std::string& strPasswordWindowCaption, const std::string& strOpenPassword) {
  return RelayCommand("password security - settings", "strPasswordWindowCaption", strPasswordWindowCaption)
      .text("strOpenPassword", strOpenPassword);
}

RelayCommand relayConfirmOpenPassword(const std::string& strConfirmWindowCaption, const std::string& strOpenPassword) {
  return RelayCommand("adobe acrobat - confirm open document password", "strConfirmWindowCaption",
                      strConfirmWindowCaption)
      .text("strOpenPassword", strOpenPassword);
}

RelayCommand relayAcrobatNotice() {
  // The viewer's own notice box is titled with its product name; the relay
  // presses its first button. There is no caption parameter for it.
  return RelayCommand("adobe acrobat", "caption", caption::kAcrobatNotice);
}

RelayCommand relayHeadersFooters(double viewerVersion, const std::string& strHeaderWindowCaption,
                                 const HeaderFooterFields& f) {
  return RelayCommand("add headers & footers", "strHeaderWindowCaption", strHeaderWindowCaption)
      .number("intFontName", f.intFontName)
      .number("intFontSize", f.intFontSize)
      .number("intPageStyle", f.intPageStyle)
      .number("lngPageAlign", f.lngPageAlign)
      .number("intDateStyle", f.intDateStyle)
      .number("lngDateAlign", f.lngDateAlign)
      .text("strCustomText", f.strCustomText)
      .number("lngCustomTextAlign", f.lngCustomTextAlign)
      .text("layout", viewerVersion >= 7 ? "7" : "6");
}

RelayCommand relayWebCapture(const std::string& strCreateWindowCaption, const std::string& strURL) {
  return RelayCommand("create pdf from web page", "strCreateWindowCaption", strCreateWindowCaption)
      .text("strURL", strURL);
}

RelayCommand relayWebCaptureFailure(const std::string& strErrorWindowCaption) {
  return RelayCommand("error: nothing done", "strErrorWindowCaption", strErrorWindowCaption);
}

RelayCommand relayWebCaptureErrors(const std::string& strError2WindowCaption) {
  return RelayCommand("there were errors", "strError2WindowCaption", strError2WindowCaption);
}

RelayCommand relaySavePdfFileAs(const std::string& strSaveWindowCaption, const std::string& outputFile,
                                const std::string& fileParameter) {
  return RelayCommand("save pdf file as", "strSaveWindowCaption", strSaveWindowCaption).path(fileParameter, outputFile);
}

RelayCommand relaySavePdfFileAsFixedCaption(const std::string& strPDFFile) {
  return RelayCommand("save pdf file as", "caption", caption::kSavePdfFileAs).path("strPDFFile", strPDFFile);
}

RelayCommand relayPrintToFile(const std::string& strSaveWindowCaption, const std::string& outputFile,
                              const std::string& fileParameter) {
  return RelayCommand("print to file", "strSaveWindowCaption", strSaveWindowCaption).path(fileParameter, outputFile);
}

}  // namespace dv::lib
