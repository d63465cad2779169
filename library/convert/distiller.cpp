#include "convert/distiller.h"

#include <memory>

#include "dv/vb.h"

namespace dv::lib {

namespace {

struct EventMapping {
  const char* distillerEvent;
  const char* createPdfEvent;
  bool strings;  // string arguments, else one 32-bit integer
};

constexpr EventMapping kEvents[] = {
    {"OnJobStart", "JobStart", true},       {"OnJobDone", "JobDone", true},
    {"OnJobFail", "JobFail", true},         {"OnLogMessage", "LogMessage", true},
    {"OnPercentDone", "PercentDone", false}, {"OnPageNumber", "PageNumber", false},
};

constexpr const char* kCrLf = "\r\n";

}  // namespace

void DistillerEventRelay::onEvent(std::string_view name, std::vector<Variant>& args) {
  for (const EventMapping& e : kEvents) {
    if (vb::compareText(name, e.distillerEvent) != 0) continue;
    try {
      std::vector<Variant> copies;
      if (e.strings) {
        for (const Variant& a : args) copies.emplace_back(vb::CStr(a.target()));
      } else if (!args.empty()) {
        copies.emplace_back(vb::CLng(args.front().target()));
      }
      std::vector<Variant> byRef;
      byRef.reserve(copies.size());
      for (Variant& c : copies) byRef.push_back(Variant::ref(c));
      ctx_.raiseEvent(e.createPdfEvent, byRef);
    } catch (...) {
      // A client's failing handler must not break the Distiller job that is
      // calling us; Distiller would not know what to do with the error.
    }
    return;
  }
}

void distillPostScript(ConversionContext& ctx, const std::string& ps, const std::string& pdf,
                       const DistillSettings& settings) {
  Automation& automation = ctx.host().automation;
  if (settings.applySecurity && ctx.viewerVersion() > 5) {
    ObjectPtr distiller6 = automation.createObject(kDistiller6ProgId);
    distiller6->let("bShowWindow", Variant(settings.showWindow));
    distiller6->let("bSpoolJobs", Variant(settings.spoolJobs));
    distiller6->call(kDistiller6Method, {pos(ps), pos(pdf), pos(settings.jobOptionsFile), pos(true)});
    return;
  }
  ObjectPtr distiller = automation.createObject(kDistillerProgId);
  // objAdobeDistiller is set exactly while this job runs, on every path.
  struct ActiveDistiller {
    ConversionContext& ctx;
    ~ActiveDistiller() { ctx.setActiveDistiller(nullptr); }
  } active{ctx};
  ctx.setActiveDistiller(distiller);
  std::unique_ptr<EventConnection> connection = distiller->advise(std::make_shared<DistillerEventRelay>(ctx));
  distiller->let("bShowWindow", Variant(settings.showWindow));
  distiller->let("bSpoolJobs", Variant(settings.spoolJobs));
  distiller->call("FileToPDF", {pos(ps), pos(pdf), pos(settings.jobOptionsFile)});
}

std::string combiningPath(const std::string& pdf) {
  if (pdf.size() < 3) vb::raise(vb::kInvalidProcedureCall);
  return pdf.substr(0, pdf.size() - 3) + "ps";
}

std::string combiningProgram(FileSystem& files, MessagePump& pump, const Variant& psFiles) {
  const Variant& list = psFiles.target();
  if (!list.isArray()) vb::raise(vb::kTypeMismatch);
  const Array& paths = list.arrayValue();
  if (paths.rank() != 1) vb::raise(vb::kSubscriptOutOfRange);
  std::string text;
  for (const char* line : {"/prun { /mysave save def", "dup = flush", "RunFile", "clear cleardictstack",
                           "mysave restore", "} def", ""}) {
    text += line;
    text += kCrLf;
  }
  for (int32_t i = paths.lbound(); i <= paths.ubound(); ++i) {
    pump.pump();
    std::string path = vb::CStr(paths.at(i).target());
    if (files.fileExists(path)) text += "(" + vb::Replace(path, "\\", "/") + ") prun" + kCrLf;
  }
  return text;
}

void createPDFfromPS(ConversionContext& ctx, const std::string& pdf, const std::string& ps, std::string& distiller,
                     const DistillSettings& settings) {
  FileSystem& files = ctx.host().files;
  if (!files.fileExists(ps)) raiseMissingInput(ps);
  withConversionErrorExit(
      [&] {
        resolveDistillerPrinter(ctx, distiller);
        if (files.fileExists(pdf)) vb::Kill(files, pdf);
        distillPostScript(ctx, ps, pdf, settings);
      },
      [&] { ctx.setActiveDistiller(nullptr); });
}

void createPDFfromMultiPS(ConversionContext& ctx, const std::string& pdf, const Variant& psFiles,
                          std::string& distiller, const DistillSettings& settings) {
  Host& host = ctx.host();
  std::string program;
  withConversionErrorExit(
      [&] {
        std::string path = combiningPath(pdf);
        // The combining file is our own working file: never let it take the
        // place of a file that is already there (typically one of the
        // inputs, which would be overwritten and then deleted).
        if (host.files.fileExists(path)) {
          std::string stem = path.substr(0, path.size() - 2);
          path = stem + makeTempName(ctx, stem, ".ps") + ".ps";
        }
        std::string text = combiningProgram(host.files, host.pump, psFiles);
        if (!host.files.writeFile(path, text)) vb::raise(vb::kPathFileAccess);
        program = path;
        resolveDistillerPrinter(ctx, distiller);
        if (host.files.fileExists(pdf)) vb::Kill(host.files, pdf);
        distillPostScript(ctx, program, pdf, settings);
        vb::Kill(host.files, program);
        program.clear();
      },
      [&] {
        ctx.setActiveDistiller(nullptr);
        if (!program.empty()) host.files.deleteFile(program);
      });
}

}  // namespace dv::lib
