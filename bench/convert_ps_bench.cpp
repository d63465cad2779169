// CreatePDFfromPS on a 50-page PostScript file, timed around the call
// only, next to the Distiller stand-in's FileToPDF on the same file (what
// the library adds on top of Distiller) and the start of a Unix program
// from Wine (what the stand-in pays before Ghostscript runs). Run by
// convert_ps_bench.sh, which times the same Ghostscript command directly
// and prints the ratio.
//
//   convert_ps_bench.exe <work folder> [rounds]
//
// Writes bench.ps and prologue.ps (the job prologue the Distiller
// stand-in runs, so the direct run is the same conversion) into the
// folder. Prints "time <what> <seconds>" lines, one per round, and
// "prologue <unix path>"; exits non-zero when a conversion fails or its
// events or pages are not what they must be.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "dv/standins/distiller.h"
#include "dv/standins/tools.h"
#include "dv/vb.h"
#include "dv/win32/automation.h"

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

struct JobCounter : dv::EventSink {
  int pages = 0, done = 0, failed = 0;
  void onEvent(std::string_view name, std::vector<Variant>&) override {
    if (name == "PageNumber") ++pages;
    else if (name == "JobDone") ++done;
    else if (name == "JobFail") ++failed;
  }
};

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

bool goodPdf(const std::string& pdf) {
  auto check = dv::standins::runTool({"qpdf", "--check", dv::standins::toolRunner().toolPath(pdf)});
  auto info = dv::standins::runTool({"pdfinfo", dv::standins::toolRunner().toolPath(pdf)});
  return check.ok() && info.output.find("Pages:          " + std::to_string(kPages)) != std::string::npos;
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
  std::printf("prologue %s\n", tools.toolPath(prologue).c_str());

  dv::win32::Win32Automation automation;
  dv::ObjectPtr converter = automation.createObject("Docvane.CreatePDF");
  auto counter = std::make_shared<JobCounter>();
  auto connection = converter->advise(counter);

  auto viaDocvane = [&](const std::string& pdf) {
    *counter = JobCounter{};
    Variant printer("");
    auto start = Clock::now();
    converter->call("CreatePDFfromPS", {pos(Variant(pdf)), pos(Variant(ps)), pos(Variant::ref(printer))});
    double t = seconds(Clock::now() - start);
    if (counter->pages != kPages || counter->done != 1 || counter->failed != 0)
      throw std::runtime_error("CreatePDFfromPS raised " + std::to_string(counter->pages) + " PageNumber and " +
                               std::to_string(counter->done) + " JobDone events");
    return t;
  };
  auto viaDistiller = [&](const std::string& pdf) {
    auto start = Clock::now();
    dv::ObjectPtr distiller = automation.createObject("PdfDistiller.PdfDistiller");
    distiller->let("bShowWindow", Variant(false));
    distiller->let("bSpoolJobs", Variant(false));
    Variant result = distiller->call("FileToPDF", {pos(Variant(ps)), pos(Variant(pdf)), pos(Variant(""))});
    distiller.reset();
    double t = seconds(Clock::now() - start);
    if (dv::vb::CLng(result) != 1) throw std::runtime_error("FileToPDF returned " + dv::vb::CStr(result));
    return t;
  };

  // Loads the servers and Ghostscript once, outside the figures.
  viaDocvane(folder + "\\warmup.pdf");
  for (int round = 1; round <= rounds; ++round) {
    std::printf("time distiller %.4f\n", viaDistiller(folder + "\\distiller.pdf"));
    std::printf("time docvane %.4f\n", viaDocvane(folder + "\\docvane.pdf"));
    auto start = Clock::now();
    auto r = tools.run({"true"}, nullptr, std::chrono::seconds(30));
    if (!r.ok()) throw std::runtime_error("cannot start /bin/true from Wine");
    std::printf("time unix-start %.4f\n", seconds(Clock::now() - start));
    std::fflush(stdout);
  }
  if (!goodPdf(folder + "\\docvane.pdf") || !goodPdf(folder + "\\distiller.pdf")) {
    std::fprintf(stderr, "convert_ps_bench: the PDFs are not clean %d-page files\n", kPages);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: convert_ps_bench <work folder> [rounds]\n");
    return 2;
  }
  int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  if (rounds < 1 || rounds > 100) {
    std::fprintf(stderr, "convert_ps_bench: rounds must be between 1 and 100\n");
    return 2;
  }
  try {
    return run(argv[1], rounds);
  } catch (const dv::AutomationError& e) {
    std::fprintf(stderr, "convert_ps_bench: %s (0x%08X)\n", e.description().c_str(),
                 static_cast<unsigned>(e.number()));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "convert_ps_bench: %s\n", e.what());
  }
  return 1;
}
