// Files without an application family of their own: any file through
// Acrobat's own conversion (its Word add-in object), files Word can open
// printed through a PostScript driver, and images opened by Acrobat or
// printed by the Windows picture viewer.
#pragma once

#include <cstdint>
#include <string>

#include "convert/pipeline.h"

namespace dv::lib {

// The automation object of Acrobat's Word add-in that converts a file and
// shows the result in the viewer (LaunchDocument(path, 0)).
inline constexpr const char* kAddInProgId = "AcroExch.PDFMakerAddIn";
inline constexpr const char* kViewerAppProgId = "AcroExch.App";
inline constexpr const char* kViewerAVDocProgId = "AcroExch.AVDoc";
// PDSaveFull + PDSaveLinearized + PDSaveCollectGarbage.
inline constexpr int16_t kSaveFullLinearized = 37;
// How long CreatePDF looks for the converted document's window.
inline constexpr uint32_t kLaunchWindowSeconds = 60;

// The window titles CreatePDF accepts for the converted `sourceFile`, in
// the order it looks for them: the name up to its first dot with "pdf",
// then the name with its extension replaced (a name with several dots, or
// none, is shown that way), each in the viewer's two edition names;
// bracketed below version 8.
std::vector<std::string> launchWindowTitles(const std::string& sourceFile, double viewerVersion);

// Picture viewer printing, by full path from the system folder.
std::string pictureViewerCommandLine(Host& host, const std::string& imageFile, const std::string& printer);

void createPDF(ConversionContext& ctx, const std::string& sourceFile, const std::string& pdf, int16_t secsToWait);
void createPDFfromMiscFile(ConversionContext& ctx, const std::string& pdf, const std::string& miscFile,
                           std::string& printer, const DistillSettings& settings);
void createPSfromMiscFile(ConversionContext& ctx, const std::string& ps, const std::string& miscFile,
                          std::string& distiller);
void createPSfromMiscFile2(ConversionContext& ctx, const std::string& ps, const std::string& miscFile,
                           std::string& printer);

struct DocumentInfo {
  std::string title, author, subject, keywords;
};
void createPDFfromImageFile(ConversionContext& ctx, const std::string& pdf, const std::string& imageFile,
                            const DocumentInfo& info);
void createPDFfromImageFile2(ConversionContext& ctx, const std::string& pdf, const std::string& imageFile,
                             std::string distiller, const std::string& saveWindowCaption);
void createPDFfromMultiImage(ConversionContext& ctx, const std::string& pdf, const Variant& imageFiles);

}  // namespace dv::lib
