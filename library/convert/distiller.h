// PostScript to PDF with Acrobat Distiller: the two public entry points and
// the passing of Distiller's job events to the CreatePDF events.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "convert/pipeline.h"
#include "dv/automation.h"

namespace dv::lib {

// Receives the job events of the running Distiller and raises the matching
// CreatePDF events with copies of the arguments, so that a client's
// handler cannot change what Distiller sees.
class DistillerEventRelay : public EventSink {
 public:
  explicit DistillerEventRelay(ConversionContext& ctx) : ctx_(ctx) {}
  void onEvent(std::string_view name, std::vector<Variant>& args) override;

 private:
  ConversionContext& ctx_;
};

// The PostScript program that runs several PostScript files as one
// Distiller job, one "(path) prun" line per input that exists, as bytes of
// the ANSI code page Distiller reads it in.
std::string combiningProgram(FileSystem& files, MessagePump& pump, const Variant& psFiles);
// `path` as the combining program can name it in the ANSI code page: the
// path itself, else its short name; a library error naming the path when
// neither can be written there.
std::string ansiPath(FileSystem& files, const std::string& path);
// Where the combining program goes: the target without its last three
// characters, followed by "ps".
std::string combiningPath(const std::string& pdf);

void createPDFfromPS(ConversionContext& ctx, const std::string& pdf, const std::string& ps, std::string& distiller,
                     const DistillSettings& settings);
void createPDFfromMultiPS(ConversionContext& ctx, const std::string& pdf, const Variant& psFiles,
                          std::string& distiller, const DistillSettings& settings);

}  // namespace dv::lib
