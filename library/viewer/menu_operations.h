// The viewer's menu-driven file operations offered by CreatePDF: reducing
// the file size, saving in another format, setting an open password,
// stamping headers and turning URL texts into links. Each opens the
// document, starts a relay per dialog the menu command will show, runs the
// command and saves or closes.
#pragma once

#include <cstdint>
#include <string>

#include "viewer/viewer_operations.h"

namespace dv::lib {

// VersionType: dvnVersion4 (0) to dvnVersion8 (4).
inline constexpr int32_t kVersionLast = 4;
// PDFFileType: dvnPDF (0) to dvnXDP (14).
inline constexpr int32_t kFileTypeLast = 14;
// AlignType: dvnAlignLeft (0) to dvnAlignRight (2).
inline constexpr int32_t kAlignLast = 2;

struct ReduceFileSizeRequest {
  std::string pdfFile;
  OpenPassword open;
  int32_t version = 0;  // VersionType; outside 0 to 4: 0
  std::string reduceCaption = "reduce file size";
  std::string saveCaption = "save as";
};

// ReduceFileSize: the reduced document replaces the source file.
void reduceFileSize(ViewerContext& ctx, const ReduceFileSizeRequest& request);

struct SaveFileAsRequest {
  std::string pdfFile;
  std::string file;  // the target
  OpenPassword open;
  int32_t fileType = 0;  // PDFFileType; outside 0 to 14: 0
  std::string saveCaption = "save as";
};

// SaveFileAs: an existing target is deleted first, then the viewer writes
// the new file; the source stays as it is.
void saveFileAs(ViewerContext& ctx, const SaveFileAsRequest& request);

struct SetOpenPasswordRequest {
  std::string pdfFile;
  std::string password;  // the new open password
  std::string settingsCaption = "password security - settings";
  std::string confirmCaption = "adobe acrobat - confirm open document password";
};

// SetOpenPassword: the document is saved in place, encrypted.
void setOpenPassword(ViewerContext& ctx, const SetOpenPasswordRequest& request);

struct PageHeaderRequest {
  std::string pdfFile;
  int32_t fontName = 0, fontSize = 0;  // positions in the dialog's lists
  int32_t pageStyle = 0;               // negative: no page number
  int32_t pageAlign = 0;               // AlignType; outside 0 to 2: 0
  int32_t dateStyle = 0;               // negative: no date
  int32_t dateAlign = 0;
  std::string customText;  // empty: none
  int32_t customTextAlign = 0;
  OpenPassword open;
  std::string headerCaption = "add headers & footers";
};

// CreatePageHeaderInPDF. Without a relay for the headers dialog the menu
// command is still run (and waits for a user), as the viewer would.
void createPageHeaderInPdf(ViewerContext& ctx, const PageHeaderRequest& request);

// CreateLinksInPDF: the viewer's JavaScript turns the URL texts of every
// page into links; the document is saved in place.
void createLinksInPdf(ViewerContext& ctx, const std::string& pdfFile, const OpenPassword& open);

// The clamp of the enumerated arguments: values outside first..last become 0.
int32_t clampOrZero(int32_t value, int32_t last);

}  // namespace dv::lib
