// Merging PDF files into one through the viewer's document objects:
// CreatePDFfromMultiPDF (a list of files, also what the multi-item
// conversions merge their per-item files with) and
// CreatePDFfromMultiPDFinDir (the PDF files of a folder, listed and sorted
// as PrintPDFinDir lists them).
#pragma once

#include <cstdint>
#include <string>

#include "dv/automation.h"
#include "viewer/viewer_session.h"

namespace dv::lib {

// CreatePDFfromMultiPDF: the files of `pdfFiles` (a variant holding a
// one-dimensional array of paths; entries naming no file are skipped), in
// order, pages and outlines, into `pdfFile`. `createBookmarks` changes
// nothing: the inputs' outlines are always taken over. A target that is
// also one of the inputs is read first and replaced at the end.
void createPdfFromMultiPdf(ViewerContext& ctx, const std::string& pdfFile, const Variant& pdfFiles,
                           bool createBookmarks);

struct MergeInDirRequest {
  std::string pdfFile;
  std::string directory;
  std::string files = "*.pdf";
  int32_t sortType = 0;
  int32_t sortOrder = 0;
};

// CreatePDFfromMultiPDFinDir. Nothing matching: nothing is written.
void createPdfFromMultiPdfInDir(ViewerContext& ctx, const MergeInDirRequest& request);

}  // namespace dv::lib
