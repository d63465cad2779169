// Images the viewer opens: it converts them to a PDF on opening (JPEG,
// PNG, TIFF, GIF), one page per picture at its pixel size, as the viewer's
// own conversion does.
#pragma once

#include <optional>
#include <string>

#include "dv/standins/standin.h"

namespace dv::standins {

// Whether the viewer opens `path` as an image (by its extension).
bool isImageFile(const std::string& path);

// The image converted to a PDF in a scratch folder of its own (a client
// path, named as the image with ".pdf"), nullopt when the picture cannot
// be read.
std::optional<std::string> imageAsPdf(const std::string& path);

// Acrobat's Word add-in as an automation object ("AcroExch.PDFMakerAddIn"):
// LaunchDocument(path, 0) converts an image, a text or Word stand-in
// document (laid out by Word's renderer, distilled by Ghostscript), a
// PostScript or a PDF file, opens the result as the viewer's active
// document and titles the main window after it ("Report.pdf - Adobe
// Acrobat Professional" from 8, "Adobe Acrobat Professional - [Report.pdf]"
// below). Other formats open nothing (False).
const ClassDef& pdfMakerAddInClass();

}  // namespace dv::standins
