// NewDocument.Save of a 50-page composed document against Ghostscript run
// directly on the PostScript that Word printed for it, round by round in
// one run, and the time of one composing call.
//
// The document is composed once through Docvane.NewDocument (a title, then
// paragraphs of running text with PrintDocln and PrintDoc until Word lays
// out 50 pages); the same calls made straight on the Word stand-in give
// the PostScript Word prints for it (bench.ps). Each round then times, in
// rotating order:
//   gs       the Ghostscript command line the Distiller stand-in starts,
//            on bench.ps, timed by bash around gs alone;
//   save     NewDocument.Save: Word's PostScript, Distiller's job (a local
//            Distiller without events) and the clean-up.
// Save makes no waits: PrintOut and FileToPDF return when done.
//
//   composer_bench.exe <work folder> [rounds]
#include <windows.h>

#include <algorithm>
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

using dv::named;
using dv::pos;
using dv::Variant;
using Clock = std::chrono::steady_clock;

constexpr int kPages = 50;
const char* const kLine =
    "The quarter closed with the figures on target; the planning team expects the same for the next one, "
    "and the report goes on to the margin of the page. ";

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

using dv::bench::median;

using dv::bench::shellWord;

int pdfPages(const std::string& pdf) {
  auto info = dv::standins::runTool({"pdfinfo", dv::standins::toolRunner().toolPath(pdf)});
  auto at = info.output.find("Pages:");
  return at == std::string::npos ? -1 : std::atoi(info.output.c_str() + at + 6);
}

// The paragraphs of the bench document: a numbered bold lead-in written
// with PrintDoc, the body as a paragraph with PrintDocln.
struct Paragraph {
  std::string lead, body;
};
std::vector<Paragraph> paragraphs(int count) {
  std::vector<Paragraph> all;
  for (int i = 1; i <= count; ++i) {
    std::string body;
    for (int k = 0; k < 3; ++k) body += kLine;
    all.push_back({"Item " + std::to_string(i) + ". ", body});
  }
  return all;
}

int run(const std::string& folder, int rounds) {
  dv::win32::ComApartment apartment;
  if (!apartment.ok()) throw std::runtime_error("COM did not start");
  dv::standins::ToolRunner& tools = dv::standins::toolRunner();
  dv::win32::Win32Automation automation;

  // A paragraph with the blank one before it takes about an eighth of a
  // Letter page in Times 12: 400 of them fill a little over 50 pages.
  const std::vector<Paragraph> items = paragraphs(kPages * 8);

  // The composed document, through Docvane.
  dv::ObjectPtr doc = automation.createObject("Docvane.NewDocument");
  int calls = 0;
  const auto composeStart = Clock::now();
  doc->call("PrintDocln", {pos("Bench report"), pos(int32_t{1}), pos(int32_t{1}), pos(int32_t{0}), pos(int16_t{20})});
  ++calls;
  for (const Paragraph& p : items) {
    doc->call("PrintDoc", {pos(p.lead), pos(int32_t{1})});
    doc->call("PrintDocln", {pos(p.body), pos(int32_t{3})});
    calls += 2;
  }
  const double perCall = seconds(Clock::now() - composeStart) / calls;

  // The same document straight on the Word stand-in, printed to bench.ps.
  const std::string ps = folder + "\\bench.ps", prologue = folder + "\\prologue.ps";
  {
    dv::ObjectPtr word = automation.createObject("Word.Application");
    dv::ObjectPtr d = dv::asObject(dv::asObject(word->get("Documents"))->call("Add"));
    auto setup = dv::asObject(d->get("PageSetup"));
    for (const char* m : {"TopMargin", "BottomMargin", "LeftMargin", "RightMargin"}) setup->let(m, Variant(72.0f));
    auto paragraph = [&](const std::string& text, int32_t align, bool bold, float size) {
      auto para = dv::asObject(dv::asObject(dv::asObject(d->get("Content"))->get("Paragraphs"))->call("Add"));
      dv::asObject(para->get("Range"))->let("Text", Variant(text));
      para->let("Alignment", Variant(align));
      auto font = dv::asObject(dv::asObject(para->get("Range"))->get("Font"));
      if (size > 0) font->let("Size", Variant(size));
      if (bold) font->let("Bold", Variant(true));
      dv::asObject(para->get("Range"))->call("InsertParagraphAfter");
      para->call("Reset");
      dv::asObject(dv::asObject(para->get("Range"))->get("Font"))->call("Reset");
    };
    paragraph("Bench report", 1, true, 20);
    for (const Paragraph& p : items) {
      auto end = dv::asObject(
          dv::asObject(dv::asObject(d->get("Bookmarks"))->call("Item", {pos("\\EndOfDoc")}))->get("Range"));
      end->call("InsertAfter", {pos(p.lead)});
      dv::asObject(end->get("Font"))->let("Bold", Variant(true));
      paragraph(p.body, 3, false, 0);
    }
    d->call("PrintOut", {named("Background", false), named("OutputFileName", ps)});
    d->call("Close", {pos(false)});
    word->call("Quit");
    std::ofstream pro(prologue, std::ios::binary);
    pro << dv::standins::distillerPrologue(tools.toolPath(ps), tools.drives());
  }

  const std::string directPdf = folder + "\\direct.pdf", directLog = folder + "\\direct.log";
  auto direct = [&] {
    std::string gs =
        "gs -q -dBATCH -dNOPAUSE -dSAFER '--permit-file-read=/*' -sDEVICE=pdfwrite "
        "-dAutoRotatePages=/None " +
        shellWord("-sOutputFile=" + tools.toolPath(directPdf)) + " -f " + shellWord(tools.toolPath(prologue)) + " >" +
        shellWord(tools.toolPath(directLog)) + " 2>&1";
    auto r = tools.run({"bash", "-c", "t0=$EPOCHREALTIME; " + gs + " || exit 1; t1=$EPOCHREALTIME; echo \"$t0 $t1\""},
                       {}, std::chrono::minutes(5));
    double t0 = 0, t1 = 0;
    if (!r.ok() || std::sscanf(r.output.c_str(), "%lf %lf", &t0, &t1) != 2)
      throw std::runtime_error("the direct Ghostscript run failed: " + r.output);
    return t1 - t0;
  };
  const std::string savedPdf = folder + "\\composed.pdf";
  auto save = [&] {
    auto start = Clock::now();
    doc->call("Save", {pos(savedPdf)});
    return seconds(Clock::now() - start);
  };

  direct();  // warms the disk cache and Ghostscript's fonts
  std::map<std::string, std::vector<double>> times;
  std::vector<double> ratios;
  for (int round = 0; round < rounds; ++round) {
    double t[2];
    if (round % 2 == 0) {
      t[0] = direct();
      t[1] = save();
    } else {
      t[1] = save();
      t[0] = direct();
    }
    times["gs"].push_back(t[0]);
    times["save"].push_back(t[1]);
    ratios.push_back(t[1] / t[0]);
    std::printf("round %2d: gs %.3f s, Save %.3f s, ratio %.3f\n", round + 1, t[0], t[1], t[1] / t[0]);
    std::fflush(stdout);
  }
  doc->call("CloseDoc");
  const int savedPages = pdfPages(savedPdf), directPages = pdfPages(directPdf);
  if (savedPages < kPages || savedPages != directPages)
    throw std::runtime_error("Save made " + std::to_string(savedPages) + " pages, Ghostscript " +
                             std::to_string(directPages));

  std::printf("\nNewDocument.Save of a %d-page composed document, %d rounds        median\n", savedPages, rounds);
  std::printf("  %-55s %7.3f s\n", "Ghostscript run directly on Word's PostScript", median(times["gs"]));
  std::printf("  %-55s %7.3f s\n", "NewDocument.Save (print, distil, clean up)", median(times["save"]));
  std::printf("RATIO Save / direct = %.3f (median of the rounds' ratios), goal at most 1.5\n", median(ratios));
  std::printf("composing: %d calls (PrintDoc, PrintDocln), %.2f ms a call\n", calls, perCall * 1000);
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return dv::bench::benchMain("composer_bench", 9, argc, argv, run); }
