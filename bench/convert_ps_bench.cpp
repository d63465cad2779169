// CreatePDFfromPS on a 50-page PostScript file against the same
// Ghostscript conversion run directly, round by round in one run: the
// machine may be shared, and figures taken minutes apart would compare
// different loads.
//
// Each round times, in rotating order:
//   gs         the Ghostscript command line the Distiller stand-in starts
//              (same arguments, same job prologue, output to a file), run
//              by bash and timed by it around gs alone ($EPOCHREALTIME), so
//              Wine's start of bash is not counted;
//   distiller  the Distiller stand-in's FileToPDF alone, through COM, with
//              a sink on its events;
//   docvane    Docvane's CreatePDFfromPS with a sink on its events;
// and then the start of a Unix program from Wine (/bin/true), the fixed
// price the stand-in pays before Ghostscript runs. The in-process figures
// are taken around the call only, and split by the job's first and last
// events into the job and the work before and after it.
//
//   convert_ps_bench.exe <work folder> [rounds]
//
// Prints each round's figures and a summary; exits non-zero when a
// conversion fails, its events are wrong or a PDF is not a clean 50-page
// file.
#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "dv/standins/distiller.h"
#include "dv/standins/tools.h"
#include "dv/vb.h"
#include "dv/win32/automation.h"
#include "wine_bench.h"

namespace {

using dv::pos;
using dv::Variant;
using Clock = std::chrono::steady_clock;

constexpr int kPages = 50;

// A page of running text, as a report or a letter prints.
std::string benchPostScript() {
  std::string ps = "%!PS-Adobe-3.0\n%%Pages: " + std::to_string(kPages) + "\n%%EndComments\n";
  for (int page = 1; page <= kPages; ++page) {
    ps += "%%Page: " + std::to_string(page) + " " + std::to_string(page) + "\n";
    ps += "/Times-Bold findfont 16 scalefont setfont 72 740 moveto (Section " + std::to_string(page) + ") show\n";
    ps += "/Times-Roman findfont 11 scalefont setfont\n";
    for (int line = 0; line < 48; ++line) {
      ps += "72 " + std::to_string(712 - line * 13) + " moveto (Line " + std::to_string(line + 1) +
            ": the quick brown fox jumps over the lazy dog, and the report goes on to the margin.) show\n";
    }
    ps += "showpage\n";
  }
  return ps + "%%EOF\n";
}

// Counts the job's events and notes when the job began and ended, so that
// the time a call spends outside Distiller's job can be told apart.
struct JobCounter : dv::EventSink {
  int pages = 0, done = 0, failed = 0;
  Clock::time_point started, finished;
  void onEvent(std::string_view name, std::vector<Variant>&) override {
    if (name == "PageNumber" || name == "OnPageNumber") ++pages;
    else if (name == "JobStart" || name == "OnJobStart") started = Clock::now();
    else if (name == "JobDone" || name == "OnJobDone") ++done, finished = Clock::now();
    else if (name == "JobFail" || name == "OnJobFail") ++failed;
  }
  void check(const char* what) const {
    if (pages != kPages || done != 1 || failed != 0)
      throw std::runtime_error(std::string(what) + " raised " + std::to_string(pages) + " page and " +
                               std::to_string(done) + " job-done events");
  }
};

struct Timing {
  double wall;     // the whole call
  double outside;  // call to JobStart plus JobDone to return
};

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

using dv::bench::median;

double fastest(const std::vector<double>& v) { return v.empty() ? 0 : *std::min_element(v.begin(), v.end()); }

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A single-quoted word for the shell.
using dv::bench::shellWord;

bool goodPdf(const std::string& pdf) {
  auto check = dv::standins::runTool({"qpdf", "--check", dv::standins::toolRunner().toolPath(pdf)});
  auto info = dv::standins::runTool({"pdfinfo", dv::standins::toolRunner().toolPath(pdf)});
  auto at = info.output.find("Pages:");
  return check.ok() && at != std::string::npos && std::atoi(info.output.c_str() + at + 6) == kPages;
}

int run(const std::string& folder, int rounds) {
  dv::win32::ComApartment apartment;
  if (!apartment.ok()) {
    std::fprintf(stderr, "convert_ps_bench: COM did not start\n");
    return 1;
  }
  dv::standins::ToolRunner& tools = dv::standins::toolRunner();
  const std::string ps = folder + "\\bench.ps", prologue = folder + "\\prologue.ps";
  {
    std::ofstream out(ps, std::ios::binary);
    out << benchPostScript();
    std::ofstream pro(prologue, std::ios::binary);
    pro << dv::standins::distillerPrologue(tools.toolPath(ps), tools.drives());
    if (!out || !pro) {
      std::fprintf(stderr, "convert_ps_bench: cannot write into %s\n", folder.c_str());
      return 1;
    }
  }

  dv::win32::Win32Automation automation;
  dv::ObjectPtr converter = automation.createObject("Docvane.CreatePDF");
  auto counter = std::make_shared<JobCounter>();
  auto connection = converter->advise(counter);

  auto timed = [&](JobCounter& events, const std::function<void()>& call) {
    events = JobCounter{};
    auto start = Clock::now();
    call();
    auto end = Clock::now();
    return Timing{seconds(end - start), seconds(events.started - start) + seconds(end - events.finished)};
  };
  auto viaDocvane = [&](const std::string& pdf) {
    Timing t = timed(*counter, [&] {
      Variant printer("");
      converter->call("CreatePDFfromPS", {pos(Variant(pdf)), pos(Variant(ps)), pos(Variant::ref(printer))});
    });
    counter->check("CreatePDFfromPS");
    return t;
  };
  // Distiller with a client listening to the same events, as Docvane does.
  auto distillerEvents = std::make_shared<JobCounter>();
  auto viaDistiller = [&](const std::string& pdf) {
    Timing t = timed(*distillerEvents, [&] {
      dv::ObjectPtr distiller = automation.createObject("PdfDistiller.PdfDistiller");
      auto listening = distiller->advise(distillerEvents);
      distiller->let("bShowWindow", Variant(false));
      distiller->let("bSpoolJobs", Variant(false));
      Variant result = distiller->call("FileToPDF", {pos(Variant(ps)), pos(Variant(pdf)), pos(Variant(""))});
      if (dv::vb::CLng(result) != 1) throw std::runtime_error("FileToPDF returned " + dv::vb::CStr(result));
    });
    distillerEvents->check("FileToPDF");
    return t;
  };

  const std::string directPdf = folder + "\\direct.pdf", directLog = folder + "\\direct.log";
  auto direct = [&] {
    std::string gs = "gs -q -dBATCH -dNOPAUSE -dSAFER '--permit-file-read=/*' -sDEVICE=pdfwrite " +
                     shellWord("-sOutputFile=" + tools.toolPath(directPdf)) + " -f " +
                     shellWord(tools.toolPath(prologue)) + " >" + shellWord(tools.toolPath(directLog)) + " 2>&1";
    auto r = tools.run({"bash", "-c", "t0=$EPOCHREALTIME; " + gs + " || exit 1; t1=$EPOCHREALTIME; echo \"$t0 $t1\""},
                       nullptr, std::chrono::seconds(120));
    double t0 = 0, t1 = 0;
    if (!r.ok() || std::sscanf(r.output.c_str(), "%lf %lf", &t0, &t1) != 2 || t1 < t0)
      throw std::runtime_error("the direct Ghostscript run failed: " + r.output);
    std::string log = slurp(directLog);
    size_t pages = 0;
    for (size_t at = 0; (at = log.find("Page ", at)) != std::string::npos; ++at) ++pages;
    if (pages != kPages) throw std::runtime_error("the direct run reported " + std::to_string(pages) + " pages");
    return t1 - t0;
  };

  // Loads the servers and Ghostscript once, outside the figures.
  viaDocvane(folder + "\\warmup.pdf");
  direct();
  std::map<std::string, std::vector<double>> times;
  std::vector<double> docvaneRatio, distillerRatio;
  const std::array<const char*, 3> kinds = {"gs", "distiller", "docvane"};
  for (int round = 0; round < rounds; ++round) {
    std::map<std::string, double> t;
    // Rotating the order keeps effects of position (caches, the previous
    // run's clean-up) out of the differences.
    for (int i = 0; i < 3; ++i) {
      std::string kind = kinds[(round + i) % 3];
      if (kind == "gs") {
        t[kind] = direct();
        continue;
      }
      Timing timing =
          kind == "distiller" ? viaDistiller(folder + "\\distiller.pdf") : viaDocvane(folder + "\\docvane.pdf");
      t[kind] = timing.wall;
      t[kind + "-outside"] = timing.outside;
    }
    auto start = Clock::now();
    auto r = tools.run({"true"}, nullptr, std::chrono::seconds(30));
    if (!r.ok()) throw std::runtime_error("cannot start /bin/true from Wine");
    t["unix-start"] = seconds(Clock::now() - start);
    for (auto& [kind, value] : t) times[kind].push_back(value);
    docvaneRatio.push_back(t["docvane"] / t["gs"]);
    distillerRatio.push_back(t["distiller"] / t["gs"]);
    std::printf(
        "round %2d: gs %.3f s, distiller %.3f s (%.1f ms outside the job), docvane %.3f s (%.1f ms), "
        "unix start %.3f s\n",
        round + 1, t["gs"], t["distiller"], t["distiller-outside"] * 1000, t["docvane"], t["docvane-outside"] * 1000,
        t["unix-start"]);
    std::fflush(stdout);
  }
  for (const std::string& pdf : {folder + "\\docvane.pdf", folder + "\\distiller.pdf", directPdf}) {
    if (!goodPdf(pdf)) {
      std::fprintf(stderr, "convert_ps_bench: %s is not a clean %d-page PDF\n", pdf.c_str(), kPages);
      return 1;
    }
  }

  // CreatePDFfromPS makes no waits of its own: it calls FileToPDF, which
  // returns when the job is done, and takes none of the one-second
  // stable-file readings of the paths where an application prints in the
  // background. Nothing is subtracted.
  const double waits = 0;
  std::printf("\nCreatePDFfromPS on a %d-page PostScript file, %d rounds     median   fastest\n", kPages, rounds);
  const std::pair<const char*, const char*> rows[] = {{"gs", "Ghostscript run directly"},
                                                      {"distiller", "Distiller stand-in FileToPDF, events to a sink"},
                                                      {"distiller-outside", "  of it outside the job"},
                                                      {"docvane", "Docvane CreatePDFfromPS, events to a sink"},
                                                      {"docvane-outside", "  of it outside the job"},
                                                      {"unix-start", "a Unix program started from Wine"}};
  for (const auto& [kind, label] : rows)
    std::printf("  %-50s %7.3f s %7.3f s\n", label, median(times[kind]), fastest(times[kind]));
  std::printf("  %-50s %7.3f s\n", "waits the pipeline must make", waits);
  const double gsMedian = median(times["gs"]);
  const double ratio = median(docvaneRatio) - waits / gsMedian;
  std::printf(
      "RATIO (CreatePDFfromPS - waits) / direct = %.3f (median of the rounds' ratios): overhead %+.1f %%, "
      "goal within 5 %%\n",
      ratio, (ratio - 1) * 100);
  std::printf("  of which the Distiller stand-in %+.1f %%, Docvane on top of it %+.1f %%\n",
              (median(distillerRatio) - 1) * 100, (ratio - median(distillerRatio)) * 100);
  std::printf("  Docvane's own work before and after the job: %.1f ms a call (median %.1f ms against %.1f ms)\n",
              (median(times["docvane-outside"]) - median(times["distiller-outside"])) * 1000,
              median(times["docvane-outside"]) * 1000, median(times["distiller-outside"]) * 1000);
  std::printf("  fastest runs: (%.3f - %.3f) / %.3f = %.3f\n", fastest(times["docvane"]), waits, fastest(times["gs"]),
              (fastest(times["docvane"]) - waits) / fastest(times["gs"]));
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return dv::bench::benchMain("convert_ps_bench", 15, argc, argv, run); }
