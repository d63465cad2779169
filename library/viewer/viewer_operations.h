// Opening, printing and page counting of existing PDF files through the
// viewer, as offered by CreatePDF.
#pragma once

#include <cstdint>
#include <string>

#include "viewer/viewer_session.h"

namespace dv::lib {

// The open password and the captions of the dialogs the relay answers.
struct OpenPassword {
  std::string password;
  std::string openCaption = "open";
  std::string passwordCaption = "password";
};

// GetNumPagesPDF.
int32_t getNumPagesPdf(ViewerContext& ctx, const std::string& pdfFile, const OpenPassword& open);

struct PrintPdfRequest {
  std::string pdfFile;
  std::string printer;  // blank: the current default printer
  bool silent = false;
  int32_t firstPage = 0;  // from 1; 0 or less: the first page
  int32_t lastPage = 0;   // from 1; 0 or less: the last page
  OpenPassword open;
};

// PrintPDF.
void printPdf(ViewerContext& ctx, const PrintPdfRequest& request);

struct PrintPdfInDirRequest {
  std::string directory;
  std::string files = "*.pdf";
  std::string printer;
  bool silent = false;
  int32_t sortType = 0;
  int32_t sortOrder = 0;
};

// PrintPDFinDir.
void printPdfInDir(ViewerContext& ctx, const PrintPdfInDirRequest& request);

// PrintAPI: the shell's "print" verb; its result (above 32 on success).
// A missing file, or a path of kShellMaxPath characters or more, gets
// kShellFileNotFound (SE_ERR_FNF) without reaching the shell.
inline constexpr size_t kShellMaxPath = 260;  // MAX_PATH, the terminating NUL included
inline constexpr int32_t kShellFileNotFound = 2;
int32_t printApi(Host& host, const std::string& file);

// ReadType values.
inline constexpr int32_t kReadNone = 0, kReadCurrentPage = 1, kReadDocument = 2;

struct OpenPdfRequest {
  std::string pdfFile;
  std::string bookmark;
  int32_t goToPage = 0;  // from 1; 0: stay on the first page
  int32_t readType = kReadNone;
  OpenPassword open;
};

// OpenPDF: leaves the document open in the visible viewer.
void openPdf(ViewerContext& ctx, const OpenPdfRequest& request);

// Performs the first bookmark (depth-first) whose name matches; whether one
// did.
bool findBookmarkByName(const ObjectPtr& pdDoc, const std::string& name, bool caseSensitive, bool wholeName);

}  // namespace dv::lib
