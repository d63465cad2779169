// Acrobat Distiller: PostScript to PDF with Ghostscript's pdfwrite, with
// Distiller's job events raised from Ghostscript's progress while
// FileToPDF runs, on the caller's thread.
#include "dv/standins/distiller.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "dv/standins/tools.h"
#include "dv/vb.h"

namespace dv::standins {

namespace fs = std::filesystem;

std::string postScriptString(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '(' || c == ')' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

std::string distillerPrologue(const std::string& toolInputPath,
                              const std::vector<std::pair<char, std::string>>& drives) {
  std::string ps = "%!PS\n% Distiller job prologue\n";
  // RunFile takes a client path: "\" becomes "/", and a drive letter
  // becomes the folder the tools see for that drive.
  ps += "/DvDrives <<";
  for (const auto& [letter, folder] : drives) {
    std::string f = folder;
    if (f.empty() || f.back() != '/') f += '/';
    char upper = static_cast<char>(letter >= 'a' && letter <= 'z' ? letter - 32 : letter);
    ps += " " + std::to_string(static_cast<int>(upper)) + " (" + postScriptString(f) + ")";
  }
  ps +=
      " >> def\n"
      "/DvToolPath {\n"
      "  dup length string copy\n"
      "  0 1 2 index length 1 sub { 2 copy get 92 eq { 2 copy 47 put } if pop } for\n"
      "  dup length 2 ge { dup 1 get 58 eq {\n"
      "    dup 0 get dup 97 ge { 32 sub } if\n"
      "    DvDrives exch 2 copy known {\n"
      "      get exch dup length 2 sub 2 exch getinterval\n"
      "      dup length 0 gt { dup 0 get 47 eq { dup length 1 sub 1 exch getinterval } if } if\n"
      "      1 index length 1 index length add string\n"
      "      dup 0 4 index putinterval dup 3 index length 3 index putinterval\n"
      "      3 1 roll pop pop\n"
      "    } { pop pop } ifelse\n"
      "  } if } if\n"
      "} bind def\n"
      "/RunFile { DvToolPath run } bind def\n"
      // Pages are counted in global VM so that a job's save/restore
      // (as in a combining file) does not reset the count.
      "currentglobal true setglobal globaldict /DvPages 0 put setglobal\n"
      "/DvTop (" +
      postScriptString(toolInputPath) +
      ") (r) file def\n"
      "<< /EndPage {\n"
      "  exch pop dup 0 eq {\n"
      "    globaldict /DvPages 2 copy get 1 add put\n"
      "    (Page ) print globaldict /DvPages get =only (\\n) print\n"
      "    mark { DvTop fileposition DvTop bytesavailable } stopped not {\n"
      "      2 copy add dup 0 gt { exch pop exch 100 mul exch idiv (Percent ) print =only (\\n) print }\n"
      "      { pop pop pop } ifelse\n"
      "    } if cleartomark flush\n"
      "  } if 2 ne\n"
      "} bind >> setpagedevice\n"
      "DvTop cvx exec\n";
  return ps;
}

namespace {

const TypeDesc kBool{VarType::Bool};
const TypeDesc kInt16{VarType::Int16};
const TypeDesc kString{VarType::String};
const TypeDesc kStringRef{VarType::String, true};
const TypeDesc kLongRef{VarType::Int32, true};

std::optional<int32_t> numberAfter(std::string_view line, std::string_view prefix) {
  if (line.substr(0, prefix.size()) != prefix) return std::nullopt;
  std::string_view rest = line.substr(prefix.size());
  int32_t n = 0;
  auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), n);
  if (ec != std::errc() || end != rest.data() + rest.size()) return std::nullopt;
  return n;
}

class Distiller : public StandIn {
 public:
  using StandIn::StandIn;

  int16_t fileToPdf(const std::string& input, const std::string& output, const std::string& jobOptions) {
    auto keepAlive = shared_from_this();  // a handler may drop its last reference
    std::error_code ec;
    auto refuse = [&](const std::string& why) {
      raiseEvent("OnLogMessage", {Variant(why)});
      raiseEvent("OnJobFail", {Variant(input), Variant(output)});
      return kDistillBadArguments;
    };
    if (input.empty() || !fs::is_regular_file(fs::path(input), ec)) return refuse("Cannot find " + input + ".");
    if (output.empty()) return refuse("No output file given.");
    if (!jobOptions.empty() && !fs::is_regular_file(fs::path(jobOptions), ec))
      return refuse("Cannot find job options " + jobOptions + ".");

    raiseEvent("OnJobStart", {Variant(input), Variant(output)});
    ToolRunner& tools = toolRunner();
    // pdfwrite writes into a file beside the target; only a finished job
    // is renamed into place, so a failure leaves no PDF behind.
    std::string partial = output + ".part";
    fs::remove(fs::path(partial), ec);
    std::string scratch;
    bool done = false;
    std::string failure;
    int32_t percent = 0;
    try {
      scratch = tools.scratchFolder();
      std::string prologue = (fs::path(scratch) / "prologue.ps").string();
      {
        std::ofstream out(prologue, std::ios::binary);
        out << distillerPrologue(tools.toolPath(input), tools.drives());
        if (!out) throw std::runtime_error("cannot write " + prologue);
      }
      // SAFER keeps the job from writing or deleting files; reading stays
      // open because RunFile may name any file on any drive (under Wine the
      // drive folders are symbolic links, which gs's prefix checks miss).
      std::vector<std::string> argv = {"gs", "-q", "-dBATCH", "-dNOPAUSE", "-dSAFER", "--permit-file-read=/*"};
      argv.push_back("-sDEVICE=pdfwrite");
      // Pages keep the size and orientation the job's page device sets up,
      // whatever its %%Orientation comments say: turned by them, a
      // landscape page (792 x 612, "Landscape") would come out turned once
      // more, its text sideways.
      argv.push_back("-dAutoRotatePages=/None");
      argv.push_back("-sOutputFile=" + tools.toolPath(partial));
      argv.push_back("-f");
      argv.push_back(tools.toolPath(prologue));

      int seconds = std::max(1, std::atoi(Control::instance().setting("DistillerTimeoutSeconds", "120").c_str()));
      ToolResult r = tools.run(
          argv,
          [&](std::string_view line) {
            if (auto page = numberAfter(line, "Page ")) {
              raiseEvent("OnPageNumber", {Variant(*page)});
            } else if (auto p = numberAfter(line, "Percent ")) {
              // Nested files can make the position move back; progress does not.
              if (*p > percent && *p <= 100) {
                percent = *p;
                raiseEvent("OnPercentDone", {Variant(percent)});
              }
            } else if (!line.empty()) {
              raiseEvent("OnLogMessage", {Variant(line)});
            }
            return true;
          },
          std::chrono::seconds(seconds));
      if (!r.started) failure = "Ghostscript could not be started.";
      else if (r.timedOut) failure = "Ghostscript did not finish within " + std::to_string(seconds) + " seconds.";
      else if (r.exitCode != 0) failure = "Ghostscript failed with exit code " + std::to_string(r.exitCode) + ".";
      else if (fs::file_size(fs::path(partial), ec) == 0 || ec) failure = "Ghostscript wrote no PDF.";
      else {
        fs::rename(fs::path(partial), fs::path(output), ec);
        if (ec) failure = "Cannot write " + output + ": " + ec.message();
        else done = true;
      }
    } catch (const std::exception& e) {
      failure = e.what();
    }
    if (!scratch.empty()) fs::remove_all(fs::path(scratch), ec);
    if (!done) {
      fs::remove(fs::path(partial), ec);
      fs::remove(fs::path(output), ec);
      raiseEvent("OnLogMessage", {Variant(failure)});
      raiseEvent("OnJobFail", {Variant(input), Variant(output)});
      return kDistillFailed;
    }
    if (percent < 100) raiseEvent("OnPercentDone", {Variant(int32_t{100})});
    raiseEvent("OnJobDone", {Variant(input), Variant(output)});
    return kDistillOk;
  }
};

void declareDistiller(ClassDef& c) {
  c.help("Acrobat Distiller")
      .field("bShowWindow", kBool, Variant(true))
      .field("bSpoolJobs", kBool, Variant(false))
      .method("FileToPDF", {{"strInputPostScript", kString}, {"strOutputPDF", kString}, {"strJobOptions", kString}},
              kInt16,
              [](Invocation& inv) {
                return Variant(
                    inv.as<Distiller>().fileToPdf(vb::CStr(inv.arg(0)), vb::CStr(inv.arg(1)), vb::CStr(inv.arg(2))));
              })
      .event("OnJobStart", {{"strInputPostScript", kStringRef}, {"strOutputPDF", kStringRef}})
      .event("OnJobDone", {{"strInputPostScript", kStringRef}, {"strOutputPDF", kStringRef}})
      .event("OnJobFail", {{"strInputPostScript", kStringRef}, {"strOutputPDF", kStringRef}})
      .event("OnLogMessage", {{"strMessage", kStringRef}})
      .event("OnPercentDone", {{"nPercentDone", kLongRef}})
      .event("OnPageNumber", {{"nPageNumber", kLongRef}});
}

}  // namespace

const TypeLibDef& acroDistXLib() {
  static const TypeLibDef lib{"ACRODISTXLib", 1, 0, "Acrobat Distiller"};
  return lib;
}

const ClassDef& pdfDistillerClass() {
  static const ClassDef& c = []() -> const ClassDef& {
    static ClassDef def(acroDistXLib(), "PdfDistiller", {"PdfDistiller.PdfDistiller"});
    declareDistiller(def);
    def.factory([] { return std::make_shared<Distiller>(def); });
    return def;
  }();
  return c;
}

const ClassDef& pdfDistiller6Class() {
  static const ClassDef& c = []() -> const ClassDef& {
    static ClassDef def(acroDistXLib(), "PdfDistiller6", {"PdfDistiller.PdfDistiller.6"});
    declareDistiller(def);
    // The security settings come from the job options in Distiller 6; the
    // stand-in journals bApplySecurity and converts the same way.
    def.method("FileToPDF2",
               {{"strInputPostScript", kString},
                {"strOutputPDF", kString},
                {"strJobOptions", kString},
                {"bApplySecurity", kBool}},
               kInt16, [](Invocation& inv) {
                 return Variant(
                     inv.as<Distiller>().fileToPdf(vb::CStr(inv.arg(0)), vb::CStr(inv.arg(1)), vb::CStr(inv.arg(2))));
               });
    def.factory([] { return std::make_shared<Distiller>(def); });
    return def;
  }();
  return c;
}

}  // namespace dv::standins
