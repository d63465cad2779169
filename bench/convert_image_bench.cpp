// CreatePDFfromImageFile on a 12-megapixel JPEG (4000 x 3000) against
// img2pdf plus qpdf --linearize run directly, round by round in one run.
//
// Each round times, in rotating order:
//   direct   img2pdf and qpdf --linearize run by bash and timed by it
//            around the two programs alone ($EPOCHREALTIME);
//   viewer   the viewer stand-in driven directly through COM with the calls
//            the member makes (App, AVDoc Open, GetActiveDoc, IsValid,
//            GetPDDoc, Save(37), the closes, Exit);
//   docvane  Docvane's CreatePDFfromImageFile through COM.
// Docvane's own share is (docvane - viewer) / docvane; the rest of the
// difference to direct is the viewer's: Wine starting the Unix tools, the
// PDF read back after the save.
//
//   convert_image_bench.exe <work folder> [rounds]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dv/standins/tools.h"
#include "dv/vb.h"
#include "dv/win32/automation.h"
#include "wine_bench.h"

namespace {

using dv::pos;
using dv::Variant;
using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }
using dv::bench::median;
using dv::bench::shellWord;

bool cleanLinearized(const std::string& pdf) {
  dv::standins::ToolRunner& tools = dv::standins::toolRunner();
  return dv::standins::runTool({"qpdf", "--check-linearization", tools.toolPath(pdf)}).ok();
}

int run(const std::string& folder, int rounds) {
  dv::win32::ComApartment apartment;
  if (!apartment.ok()) {
    std::fprintf(stderr, "convert_image_bench: COM did not start\n");
    return 1;
  }
  dv::standins::ToolRunner& tools = dv::standins::toolRunner();
  const std::string unixFolder = tools.toolPath(folder);
  const std::string jpeg = folder + "\\photo.jpg";
  // Twelve megapixels of colour gradients.
  const dv::standins::ToolResult made =
      tools.run({"gs", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=jpeg", "-dJPEGQ=90", "-r72", "-g4000x3000", "-o",
                 unixFolder + "/photo.jpg", "-c",
                 "0 1 299 { /y exch def 0 1 399 { /x exch def x 400 div y 300 div x y add 700 div setrgbcolor "
                 "x 10 mul y 10 mul 10 10 rectfill } for } for showpage"},
                nullptr, std::chrono::seconds(300));
  if (!made.ok()) throw std::runtime_error("cannot make the JPEG: " + made.output);

  dv::win32::Win32Automation automation;
  dv::ObjectPtr converter = automation.createObject("Docvane.CreatePDF");
  auto viaDocvane = [&](const std::string& pdf) {
    const auto start = Clock::now();
    converter->call("CreatePDFfromImageFile", {pos(Variant(pdf)), pos(Variant(jpeg))});
    return seconds(Clock::now() - start);
  };
  auto viaViewer = [&](const std::string& pdf) {
    DeleteFileA(pdf.c_str());
    const auto start = Clock::now();
    dv::ObjectPtr app = automation.createObject("AcroExch.App");
    dv::ObjectPtr doc = automation.createObject("AcroExch.AVDoc");
    doc->call("Open", {pos(Variant(jpeg)), pos(Variant(""))});
    doc = dv::asObject(app->call("GetActiveDoc"));
    if (!dv::vb::CBool(doc->call("IsValid"))) throw std::runtime_error("the viewer opened nothing");
    dv::ObjectPtr pd = dv::asObject(doc->call("GetPDDoc"));
    if (!dv::vb::CBool(pd->call("Save", {pos(int16_t{37}), pos(Variant(pdf))})))
      throw std::runtime_error("Save failed");
    pd->call("Close");
    doc->call("Close", {pos(true)});
    app->call("Exit");
    return seconds(Clock::now() - start);
  };
  auto viaDirect = [&](const std::string& pdf) {
    const std::string name = pdf.substr(pdf.find_last_of('\\') + 1);
    const std::string plain = shellWord(unixFolder + "/plain-" + name), out = shellWord(unixFolder + "/" + name);
    const std::string script = "t0=$EPOCHREALTIME; img2pdf -o " + plain + " " + shellWord(unixFolder + "/photo.jpg") +
                               " && qpdf --linearize " + plain + " " + out +
                               " || exit 1; t1=$EPOCHREALTIME; echo \"$t0 $t1\"";
    auto r = tools.run({"bash", "-c", script}, nullptr, std::chrono::seconds(120));
    double t0 = 0, t1 = 0;
    if (!r.ok() || std::sscanf(r.output.c_str(), "%lf %lf", &t0, &t1) != 2 || t1 < t0)
      throw std::runtime_error("img2pdf or qpdf failed: " + r.output);
    return t1 - t0;
  };

  const std::vector<std::pair<std::string, std::function<double(const std::string&)>>> kinds = {
      {"direct", viaDirect}, {"viewer", viaViewer}, {"docvane", viaDocvane}};
  viaDocvane(folder + "\\warmup.pdf");
  viaDirect(folder + "\\warmup-direct.pdf");
  std::map<std::string, std::vector<double>> times;
  std::vector<double> ratio, share;
  for (int round = 0; round < rounds; ++round) {
    std::map<std::string, double> t;
    for (size_t i = 0; i < kinds.size(); ++i) {
      const auto& [kind, call] = kinds[(static_cast<size_t>(round) + i) % kinds.size()];
      t[kind] = call(folder + "\\" + kind + ".pdf");
      times[kind].push_back(t[kind]);
    }
    ratio.push_back(t["docvane"] / t["direct"]);
    share.push_back((t["docvane"] - t["viewer"]) / t["docvane"]);
    std::printf("round %2d: direct %.3f s, viewer %.3f s, docvane %.3f s\n", round + 1, t["direct"], t["viewer"],
                t["docvane"]);
    std::fflush(stdout);
  }
  for (const char* kind : {"direct", "viewer", "docvane"}) {
    if (!cleanLinearized(folder + "\\" + kind + ".pdf")) {
      std::fprintf(stderr, "convert_image_bench: %s.pdf is not a clean linearized PDF\n", kind);
      return 1;
    }
  }
  std::printf("\nCreatePDFfromImageFile of a 4000 x 3000 JPEG, %d rounds (medians)\n", rounds);
  std::printf("  direct (img2pdf + qpdf --linearize) %.3f s, viewer stand-in alone %.3f s, docvane %.3f s\n",
              median(times["direct"]), median(times["viewer"]), median(times["docvane"]));
  std::printf("RATIO CreatePDFfromImageFile / direct = %.2f (median of the rounds' ratios), goal at most 2\n",
              median(ratio));
  std::printf("SHARE Docvane's own share (docvane - viewer) / docvane = %+.1f %%\n", median(share) * 100);
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return dv::bench::benchMain("convert_image_bench", 5, argc, argv, run); }
