// The Distiller stand-in as a registered COM server: created by ProgID
// through the automation seam (CoCreateInstance, IDispatch with named
// arguments), converting for real, raising its events through connection
// points, journaling to the file the test names, failing on demand; and
// the runner of Unix tools it and every other stand-in use under Wine.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string_view>

#include "bench_files.h"
#include "dv/standins/com_hosting.h"
#include "dv/standins/tools.h"
#include "dv/vb.h"
#include "dv/win32/automation.h"
#include "dv/win32/com_object.h"
#include "dv/win32/handle.h"

namespace {

using dv::named;
using dv::pos;
using dv::Variant;

using dv::winetest::env;
using dv::winetest::exists;
using dv::winetest::slurp;

void setConfig(const std::string& subKey, const std::string& name, const std::string& value) {
  std::string path = std::string(dv::standins::com::kConfigKey) + (subKey.empty() ? "" : "\\" + subKey);
  dv::win32::UniqueHkey key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
}

struct Recorder : dv::EventSink {
  std::vector<std::string> seen;
  void onEvent(std::string_view name, std::vector<Variant>& args) override {
    std::string s(name);
    for (auto& a : args) s += " " + dv::vb::CStr(a);
    seen.push_back(s);
  }
  std::vector<std::string> jobEvents() const {  // without log lines and percentages
    std::vector<std::string> r;
    for (const auto& s : seen)
      if (s.rfind("OnLogMessage", 0) != 0 && s.rfind("OnPercentDone", 0) != 0) r.push_back(s);
    return r;
  }
};

class DistillerServer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(apartment.ok());
    RegDeleteTreeA(HKEY_CURRENT_USER, dv::standins::com::kConfigKey);
    bench = env("DV_BENCH_DIR");
    data = env("DV_TEST_DATA");
    ASSERT_FALSE(bench.empty());
    journal = bench + "\\journal-" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
    DeleteFileA(journal.c_str());
    setConfig("", "JournalFile", journal);
  }
  void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, dv::standins::com::kConfigKey); }

  std::string tool(const std::vector<std::string>& argv, bool* ok = nullptr) {
    auto r = dv::standins::runTool(argv);
    if (ok) *ok = r.ok();
    return r.output;
  }
  std::string unixPath(const std::string& p) { return dv::standins::toolRunner().toolPath(p); }

  dv::win32::ComApartment apartment;
  dv::win32::Win32Automation automation;
  std::string bench, data, journal;
};

TEST_F(DistillerServer, ConvertsTwoPagesAndRaisesTheJobEventsInOrder) {
  std::string ps = data + "\\two_pages.ps";
  std::string pdf = bench + "\\two_pages.pdf";
  DeleteFileA(pdf.c_str());
  auto recorder = std::make_shared<Recorder>();
  {
    dv::ObjectPtr d = automation.createObject("PdfDistiller.PdfDistiller");
    ASSERT_NE(dynamic_cast<dv::win32::DispatchObject*>(d.get()), nullptr) << "not a COM object";
    auto connection = d->advise(recorder);
    d->let("bShowWindow", Variant(false));
    d->let("bSpoolJobs", Variant(false));
    Variant r =
        d->call("FileToPDF", {named("strOutputPDF", pdf), named("strInputPostScript", ps), named("strJobOptions", "")});
    EXPECT_EQ(dv::vb::CLng(r), 1);
    EXPECT_FALSE(dv::vb::CBool(d->get("bShowWindow")));
  }

  std::vector<std::string> expected = {"OnJobStart " + ps + " " + pdf, "OnPageNumber 1", "OnPageNumber 2",
                                       "OnJobDone " + ps + " " + pdf};
  EXPECT_EQ(recorder->jobEvents(), expected);
  int percents = 0;
  for (size_t i = 0; i < recorder->seen.size(); ++i) {
    if (recorder->seen[i].rfind("OnPercentDone", 0) != 0) continue;
    ++percents;
    EXPECT_GT(i, 0u);
    EXPECT_LT(i + 1, recorder->seen.size());
  }
  EXPECT_GE(percents, 1);
  EXPECT_EQ(recorder->seen.back(), "OnJobDone " + ps + " " + pdf);

  ASSERT_TRUE(exists(pdf));
  bool ok = false;
  std::string check = tool({"qpdf", "--check", unixPath(pdf)}, &ok);
  EXPECT_TRUE(ok) << check;
  std::string info = tool({"pdfinfo", unixPath(pdf)}, &ok);
  ASSERT_TRUE(ok) << info;
  EXPECT_NE(info.find("Pages:           2"), std::string::npos) << info;

  std::string j = slurp(journal);
  for (const std::string& line :
       {std::string(" create\r\n"), std::string(" let bShowWindow(False)\r\n"),
        std::string(" let bSpoolJobs(False)\r\n"),
        " call FileToPDF(strOutputPDF:=\"" + pdf + "\", strInputPostScript:=\"" + ps + "\", strJobOptions:=\"\")\r\n",
        " event OnJobStart(\"" + ps + "\", \"" + pdf + "\")\r\n", std::string(" event OnPageNumber(1)\r\n"),
        std::string(" event OnPageNumber(2)\r\n"), " event OnJobDone(\"" + ps + "\", \"" + pdf + "\")\r\n",
        std::string(" destroy\r\n")})
    EXPECT_NE(j.find(line), std::string::npos) << line << "\nin journal:\n" << j;
}

TEST_F(DistillerServer, ErrorsCrossIDispatchWithNumberSourceAndDescription) {
  setConfig("Failures", "PdfDistiller.FileToPDF#1", "0x80004005|Distiller is busy|Acrobat Distiller");
  dv::ObjectPtr d = automation.createObject("PdfDistiller.PdfDistiller");
  try {
    d->call("FileToPDF", {pos(data + "\\two_pages.ps"), pos(bench + "\\busy.pdf"), pos("")});
    FAIL() << "injected failure did not surface";
  } catch (const dv::AutomationError& e) {
    EXPECT_EQ(static_cast<uint32_t>(e.number()), 0x80004005u);
    EXPECT_EQ(e.source(), "Acrobat Distiller");
    EXPECT_EQ(e.description(), "Distiller is busy");
  }
  // Only the first call fails; a missing input is refused with -1.
  EXPECT_EQ(dv::vb::CLng(d->call("FileToPDF", {pos(bench + "\\none.ps"), pos(bench + "\\none.pdf"), pos("")})), -1);
  try {
    d->call("FileToPdff", {pos("a"), pos("b"), pos("")});
    FAIL() << "misspelt member accepted";
  } catch (const dv::AutomationError& e) {
    EXPECT_EQ(static_cast<uint32_t>(e.number()), 0x80020006u);
  }
  d.reset();
  std::string j = slurp(journal);
  EXPECT_NE(
      j.find(" call FileToPDF(\"" + data + "\\two_pages.ps\", \"" + bench + "\\busy.pdf\", \"\") -> error 0x80004005"),
      std::string::npos)
      << j;
  EXPECT_NE(j.find(" lookup FileToPdff() -> error 0x80020006"), std::string::npos) << j;
  EXPECT_FALSE(exists(bench + "\\busy.pdf"));
}

TEST_F(DistillerServer, FailedJobRaisesJobFailAndLeavesNoFile) {
  std::string bad = bench + "\\bad.ps";
  std::ofstream(bad, std::ios::binary) << "%!PS\n/Helvetica findfont 20 scalefont setfont 72 72 moveto (x) show "
                                          "showpage\nnosuchoperator\n";
  std::string pdf = bench + "\\bad.pdf";
  auto recorder = std::make_shared<Recorder>();
  dv::ObjectPtr d = automation.createObject("PdfDistiller.PdfDistiller");
  auto connection = d->advise(recorder);
  EXPECT_EQ(dv::vb::CLng(d->call("FileToPDF", {pos(bad), pos(pdf), pos("")})), 0);
  std::vector<std::string> expected = {"OnJobStart " + bad + " " + pdf, "OnPageNumber 1",
                                       "OnJobFail " + bad + " " + pdf};
  EXPECT_EQ(recorder->jobEvents(), expected);
  EXPECT_FALSE(exists(pdf));
  EXPECT_FALSE(exists(pdf + ".part"));
}

TEST_F(DistillerServer, RunFileFindsFilesOnEveryDrive) {
  // One input on Z: (the source tree), one on C: (the temporary folder).
  char temp[MAX_PATH + 1];
  ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
  std::string onC = std::string(temp) + "dv_one_page.ps";
  ASSERT_EQ(toupper(onC[0]), 'C');
  std::ofstream(onC, std::ios::binary)
      << "%!PS\n/Helvetica findfont 20 scalefont setfont 72 72 moveto (c) show showpage\n";
  auto forward = [](std::string p) {
    for (char& c : p)
      if (c == '\\') c = '/';
    return p;
  };
  std::string combining = bench + "\\all.ps";
  std::ofstream(combining, std::ios::binary)
      << "/prun { /mysave save def\r\ndup = flush\r\nRunFile\r\n"
         "clear cleardictstack\r\nmysave restore\r\n} def\r\n\r\n("
      << forward(data + "\\two_pages.ps") << ") prun\r\n(" << forward(onC) << ") prun\r\n";
  std::string pdf = bench + "\\all.pdf";
  dv::ObjectPtr d = automation.createObject("PdfDistiller.PdfDistiller");
  EXPECT_EQ(dv::vb::CLng(d->call("FileToPDF", {pos(combining), pos(pdf), pos("")})), 1);
  DeleteFileA(onC.c_str());
  bool ok = false;
  std::string info = tool({"pdfinfo", unixPath(pdf)}, &ok);
  EXPECT_NE(info.find("Pages:           3"), std::string::npos) << info;
}

TEST_F(DistillerServer, VersionSixClassConvertsWithFileToPDF2) {
  std::string pdf = bench + "\\secure.pdf";
  dv::ObjectPtr d6 = automation.createObject("PdfDistiller.PdfDistiller.6");
  d6->let("bShowWindow", Variant(false));
  EXPECT_EQ(dv::vb::CLng(d6->call("FileToPDF2", {pos(data + "\\two_pages.ps"), pos(pdf), pos(""), pos(true)})), 1);
  EXPECT_TRUE(exists(pdf));
  EXPECT_NE(slurp(journal).find(" call FileToPDF2(\"" + data + "\\two_pages.ps\", \"" + pdf + "\", \"\", True)"),
            std::string::npos);
}

// A client's sink as a script host makes it: any IDispatch, counting calls.
class CountingSink final : public dv::win32::ComObject<IDispatch> {
 public:
  int calls = 0;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
    *n = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    ++calls;
    return S_OK;
  }
};
class NotASink final : public dv::win32::ComObject<IUnknown> {};

TEST_F(DistillerServer, ConnectionPointsAndConnectionsAreListedAndTheServerUnloadsWhenIdle) {
  using dv::win32::ComPtr;
  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID(L"PdfDistiller.PdfDistiller", &clsid), S_OK);
  ComPtr<IDispatch> distiller;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, distiller.putVoid()), S_OK);
  HMODULE server = GetModuleHandleA("standins.dll");
  ASSERT_NE(server, nullptr);
  auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(GetProcAddress(server, "DllCanUnloadNow"));
  ASSERT_TRUE(canUnload);

  auto info = distiller.as<IProvideClassInfo2>(IID_IProvideClassInfo2);
  ASSERT_TRUE(info);
  IID events{};
  ASSERT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events), S_OK);
  auto container = distiller.as<IConnectionPointContainer>(IID_IConnectionPointContainer);
  ASSERT_TRUE(container);
  ComPtr<IEnumConnectionPoints> points;
  ASSERT_EQ(container->EnumConnectionPoints(points.put()), S_OK);
  IConnectionPoint* listed[2] = {};
  ULONG fetched = 0;
  EXPECT_EQ(points->Next(2, listed, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  auto point = ComPtr<IConnectionPoint>::adopt(listed[0]);
  IID listedIid{};
  ASSERT_EQ(point->GetConnectionInterface(&listedIid), S_OK);
  EXPECT_TRUE(IsEqualIID(listedIid, events));
  points.reset();

  auto first = ComPtr<CountingSink>::adopt(new CountingSink), second = ComPtr<CountingSink>::adopt(new CountingSink);
  DWORD firstCookie = 0, secondCookie = 0, refused = 0;
  ASSERT_EQ(point->Advise(first.get(), &firstCookie), S_OK);
  ASSERT_EQ(point->Advise(second.get(), &secondCookie), S_OK);
  EXPECT_NE(firstCookie, secondCookie);
  auto stranger = ComPtr<NotASink>::adopt(new NotASink);
  EXPECT_EQ(point->Advise(stranger.get(), &refused), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(point->Unadvise(firstCookie), S_OK);
  EXPECT_EQ(point->Unadvise(firstCookie), CONNECT_E_NOCONNECTION);
  ComPtr<IEnumConnections> connections;
  ASSERT_EQ(point->EnumConnections(connections.put()), S_OK);
  CONNECTDATA data[2] = {};
  EXPECT_EQ(connections->Next(2, data, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  EXPECT_EQ(data[0].dwCookie, secondCookie);
  ComPtr<IUnknown>::adopt(data[0].pUnk);  // released at once

  // A job without input raises OnLogMessage and OnJobFail, to the connected sink only.
  auto d = std::make_shared<dv::win32::DispatchObject>(distiller);
  EXPECT_EQ(dv::vb::CLng(d->call("FileToPDF", {pos(bench + "\none.ps"), pos(bench + "\none.pdf"), pos("")})), -1);
  EXPECT_EQ(first->calls, 0);
  EXPECT_EQ(second->calls, 2);

  // The enumerator alone keeps the server loaded; then nothing does.
  d.reset();
  point.reset();
  container.reset();
  info.reset();
  distiller.reset();
  EXPECT_EQ(canUnload(), S_FALSE);
  connections.reset();
  EXPECT_EQ(canUnload(), S_OK);
}

// Lines reach the handler as the program writes them, and a handler that
// has had enough ends the program: it no longer runs afterwards.
TEST(WineToolRunner, AHandlerThatHasHadEnoughEndsTheProgram) {
  const std::string script =
      "i=0; m=dv-stop-" + std::to_string(GetCurrentProcessId()) + "; while :; do echo $i; i=$((i+1)); sleep 0.02; done";
  std::vector<std::string> lines;
  const auto started = std::chrono::steady_clock::now();
  const dv::standins::ToolResult r = dv::standins::toolRunner().run(
      {"sh", "-c", script},
      [&](std::string_view line) {
        lines.emplace_back(line);
        return line != "3";
      },
      std::chrono::seconds(60));
  EXPECT_TRUE(r.started);
  EXPECT_TRUE(r.stopped);
  EXPECT_FALSE(r.timedOut);
  EXPECT_FALSE(r.ok());
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
  EXPECT_EQ(lines, (std::vector<std::string>{"0", "1", "2", "3"}));
  // No process runs the script any more (a look through /proc: exit 0
  // while one does).
  const std::string look = "for f in /proc/[0-9]*/cmdline; do tr '\\000' ' ' <\"$f\" 2>/dev/null | grep -q \"^sh -c " +
                           script.substr(0, script.find(';', 6)) + ";\" && exit 0; done; exit 1";
  bool gone = false;
  for (int i = 0; i < 50 && !gone; ++i) {
    gone = dv::standins::runTool({"sh", "-c", look}).exitCode == 1;
    if (!gone) Sleep(100);
  }
  EXPECT_TRUE(gone);
}

}  // namespace
