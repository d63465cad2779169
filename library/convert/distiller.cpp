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
    {"OnJobStart", "JobStart", true},        {"OnJobDone", "JobDone", true},
    {"OnJobFail", "JobFail", true},          {"OnLogMessage", "LogMessage", true},
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

namespace {

// Distiller's conversion calls answer 1 for a finished job, 0 for a failed
// one and -1 for arguments it refused.
bool reportsFailure(const Variant& result) {
  const Variant& r = result.target();
  if (r.isEmpty() || r.isNull() || r.isMissing()) return false;
  try {
    return vb::CLng(r) <= 0;
  } catch (const AutomationError&) {
    return false;  // an answer that is not a number says nothing either way
  }
}

Variant runDistiller(ConversionContext& ctx, const std::string& ps, const std::string& pdf,
                     const DistillSettings& settings) {
  Automation& automation = ctx.host().automation;
  if (settings.applySecurity && ctx.viewerVersion() > 5) {
    ObjectPtr distiller6 = automation.createObject(kDistiller6ProgId);
    distiller6->let("bShowWindow", Variant(settings.showWindow));
    distiller6->let("bSpoolJobs", Variant(settings.spoolJobs));
    return distiller6->call(kDistiller6Method, {pos(ps), pos(pdf), pos(settings.jobOptionsFile), pos(true)});
  }
  ObjectPtr distiller = automation.createObject(kDistillerProgId);
  // objAdobeDistiller is set exactly while this job runs, on every path.
  struct ActiveDistiller {
    ConversionContext& ctx;
    ~ActiveDistiller() { ctx.setActiveDistiller(nullptr); }
  } active{ctx};
  ctx.setActiveDistiller(distiller);
  std::unique_ptr<EventConnection> connection;
  if (settings.passEvents) connection = distiller->advise(std::make_shared<DistillerEventRelay>(ctx));
  distiller->let("bShowWindow", Variant(settings.showWindow));
  distiller->let("bSpoolJobs", Variant(settings.spoolJobs));
  return distiller->call("FileToPDF", {pos(ps), pos(pdf), pos(settings.jobOptionsFile)});
}

}  // namespace

void distillPostScript(ConversionContext& ctx, const std::string& ps, const std::string& pdf,
                       const DistillSettings& settings) {
  // Distiller is released before the verdict, so the caller's error exit
  // finds nothing of the job still running.
  Variant result = runDistiller(ctx, ps, pdf, settings);
  if (reportsFailure(result) || !ctx.host().files.fileExists(pdf))
    vb::raiseLibrary("Distiller did not create the file " + pdf + ".");
}

std::string ansiPath(FileSystem& files, const std::string& path) {
  if (files.toAnsi(path)) return path;
  // The short name of a folder or file is plain ASCII wherever the volume
  // keeps one; a component without it stays unrepresentable.
  std::string shortPath = files.shortPathName(path);
  if (!shortPath.empty() && files.toAnsi(shortPath)) return shortPath;
  vb::raiseLibrary("The path " + path + " cannot be written in the system's code page and has no short name.");
}

// A path as a PostScript string literal: forward slashes, and the
// parentheses escaped, so that "a (1).ps" or an unbalanced ")" cannot end
// the string early and break (or change) the combining program.
std::string postScriptPath(const std::string& path) {
  std::string out = "(";
  for (char c : path) {
    if (c == '\\') {
      out += '/';
      continue;
    }
    if (c == '(' || c == ')') out += '\\';
    out += c;
  }
  return out + ")";
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
  for (const char* line :
       {"/prun { /mysave save def", "dup = flush", "RunFile", "clear cleardictstack", "mysave restore", "} def", ""}) {
    text += line;
    text += kCrLf;
  }
  for (int32_t i = paths.lbound(); i <= paths.ubound(); ++i) {
    pump.pump();
    std::string path = vb::CStr(paths.at(i).target());
    if (files.fileExists(path)) text += postScriptPath(ansiPath(files, path)) + " prun" + kCrLf;
  }
  std::optional<std::string> bytes = files.toAnsi(text);
  if (!bytes) vb::raiseLibrary("The combining program cannot be written in the system's code page.");
  return *bytes;
}

void createPDFfromPS(ConversionContext& ctx, const std::string& pdf, const std::string& ps, std::string& distiller,
                     const DistillSettings& settings) {
  FileSystem& files = ctx.host().files;
  if (!files.fileExists(ps)) raiseMissingInput(ps);
  bool pdfStarted = false;
  withConversionErrorExit(
      [&] {
        resolveDistillerPrinter(ctx, distiller);
        if (files.fileExists(pdf)) vb::Kill(files, pdf);
        pdfStarted = true;
        distillPostScript(ctx, ps, pdf, settings);
      },
      [&] {
        ctx.setActiveDistiller(nullptr);
        // Whatever a failed job left at the target is not the PDF asked for.
        if (pdfStarted) deleteQuietly(files, pdf);
      });
}

void createPDFfromMultiPS(ConversionContext& ctx, const std::string& pdf, const Variant& psFiles,
                          std::string& distiller, const DistillSettings& settings) {
  Host& host = ctx.host();
  std::string program;
  bool pdfStarted = false;
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
        pdfStarted = true;
        distillPostScript(ctx, program, pdf, settings);
        vb::Kill(host.files, program);
        program.clear();
      },
      [&] {
        ctx.setActiveDistiller(nullptr);
        if (!program.empty()) deleteQuietly(host.files, program);
        if (pdfStarted) deleteQuietly(host.files, pdf);
      });
}

}  // namespace dv::lib
