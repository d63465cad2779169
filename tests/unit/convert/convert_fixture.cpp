#include "convert_fixture.h"

#include <map>
#include <regex>

#include "dv/vb.h"

namespace dv::lib::testing {

namespace {

fakes::FakeFileSystem* g_files = nullptr;
DistillerOutcome g_outcome = DistillerOutcome::Converts;

const standins::TypeLibDef& fakeDistillerLib() {
  static const standins::TypeLibDef lib{"ACRODISTXLib_TestDouble", 1, 0, "Distiller double"};
  return lib;
}

class FakeDistiller : public standins::StandIn {
 public:
  explicit FakeDistiller(const standins::ClassDef& cls) : StandIn(cls) {}
  // Reads the job, writes a small "PDF" holding it, reports like Distiller.
  Variant convert(const std::string& in, const std::string& out) {
    auto source = g_files ? g_files->contents(in) : std::nullopt;
    if (g_outcome == DistillerOutcome::ClaimsSuccessWithoutPdf) return Variant(int16_t{1});
    if (g_outcome == DistillerOutcome::FailsLeavingPdf && source) g_files->addFile(out, "%PDF-1.4 half");
    if (!source || g_outcome != DistillerOutcome::Converts) {
      raiseEvent("OnJobFail", {Variant(in), Variant(out)});
      return Variant(int16_t{0});
    }
    raiseEvent("OnJobStart", {Variant(in), Variant(out)});
    raiseEvent("OnLogMessage", {Variant("%%[ Page: 1 ]%%")});
    raiseEvent("OnPageNumber", {Variant(int32_t{1})});
    raiseEvent("OnPercentDone", {Variant(int32_t{100})});
    g_files->addFile(out, "%PDF-1.4 distilled from " + in + "\n" + *source);
    raiseEvent("OnJobDone", {Variant(in), Variant(out)});
    return Variant(int16_t{1});
  }
};

standins::ParamDef byRefString(const char* name) { return {name, {VarType::String, true}, false}; }
standins::ParamDef byRefLong(const char* name) { return {name, {VarType::Int32, true}, false}; }

void declareCommon(standins::ClassDef& c) {
  c.field("bShowWindow", {VarType::Int32}, Variant(int32_t{0}));
  c.field("bSpoolJobs", {VarType::Int32}, Variant(int32_t{0}));
  c.event("OnJobStart", {byRefString("strInputPostScript"), byRefString("strOutputPDF")});
  c.event("OnJobDone", {byRefString("strInputPostScript"), byRefString("strOutputPDF")});
  c.event("OnJobFail", {byRefString("strInputPostScript"), byRefString("strOutputPDF")});
  c.event("OnLogMessage", {byRefString("strMessage")});
  c.event("OnPercentDone", {byRefLong("nPercentDone")});
  c.event("OnPageNumber", {byRefLong("nPageNumber")});
  c.method("FileToPDF",
           {{"strInputPostScript", {VarType::String}},
            {"strOutputPDF", {VarType::String}},
            {"strJobOptions", {VarType::String}}},
           {VarType::Int16}, [](standins::Invocation& in) -> Variant {
             return in.as<FakeDistiller>().convert(vb::CStr(in.arg(0)), vb::CStr(in.arg(1)));
           });
}

}  // namespace

void setFakeDistillerFiles(fakes::FakeFileSystem* files) { g_files = files; }
void setFakeDistillerOutcome(DistillerOutcome outcome) { g_outcome = outcome; }

const standins::ClassDef& fakeDistillerClass() {
  static const standins::ClassDef cls = [] {
    standins::ClassDef c(fakeDistillerLib(), "PdfDistiller", {"PdfDistiller.PdfDistiller"});
    declareCommon(c);
    c.factory([] { return std::make_shared<FakeDistiller>(fakeDistillerClass()); });
    return c;
  }();
  return cls;
}

const standins::ClassDef& fakeDistiller6Class() {
  static const standins::ClassDef cls = [] {
    standins::ClassDef c(fakeDistillerLib(), "PdfDistiller6", {"PdfDistiller.PdfDistiller.6"});
    declareCommon(c);
    c.method("FileToPDF2",
             {{"strInputPostScript", {VarType::String}},
              {"strOutputPDF", {VarType::String}},
              {"strJobOptions", {VarType::String}},
              {"bApplySecurity", {VarType::Bool}}},
             {VarType::Int16}, [](standins::Invocation& in) -> Variant {
               return in.as<FakeDistiller>().convert(vb::CStr(in.arg(0)), vb::CStr(in.arg(1)));
             });
    c.factory([] { return std::make_shared<FakeDistiller>(fakeDistiller6Class()); });
    return c;
  }();
  return cls;
}

void RecordedEvents::onEvent(std::string_view name, std::vector<Variant>& args) {
  std::string s(name);
  for (Variant& a : args) {
    s += " " + vb::CStr(a.target());
    // Handlers get copies: what they write must not reach Distiller.
    a.assign(Variant("changed by the client"));
  }
  seen.push_back(s);
}

void ConvertFixture::SetUp() {
  standins::Control::instance().reset();
  standins::word::resetRunningInstances();
  fake.files.addFolder("c:\\temp");
  fake.files.addFolder("c:\\docs");
  fake.files.addFolder("c:\\out");
  fake.files.addFile("C:\\Windows\\system32\\dlgrelay.exe", "MZ");
  fake.printers.addPrinter("Acrobat Distiller", "Ne00:");
  fake.printers.addPrinter("Adobe PDF", "Ne01:");
  fake.printers.addPrinter("Generic PostScript Printer", "FILE:");
  fake.printers.addPrinter("Office Laser", "LPT1:");
  fake.printers.setDefault("Office Laser");
  standins::registerStandIns(fake.automation);
  setFakeDistillerFiles(&fake.files);
  setFakeDistillerOutcome(DistillerOutcome::Converts);
  fake.automation.registerProgId("PdfDistiller.PdfDistiller", [] { return fakeDistillerClass().create(); });
  fake.automation.registerProgId("PdfDistiller.PdfDistiller.6", [] { return fakeDistiller6Class().create(); });

  standins::word::Environment env;
  env.files = &fake.files;
  env.printers = &fake.printers;
  env.registry = &fake.registry;
  // The relay's part: the path of the most recent "save pdf file as" run.
  env.askPdfFileName = [this](const std::string& caption) -> std::optional<std::string> {
    ++dialogs;
    EXPECT_EQ(vb::LCase(caption), "save pdf file as");
    for (auto it = relays().rbegin(); it != relays().rend(); ++it) {
      auto fields = vb::Split(it->substr(it->find("\" ") + 2), "~");
      if (fields.size() >= 3 && vb::LCase(fields[1]) == vb::LCase(caption)) {
        relayAnswer = fields[2];
        return fields[2];
      }
    }
    return std::nullopt;
  };
  env.writePdf = [this](const std::string& ps, const std::string& pdf) {
    return fake.files.writeFile(pdf, "%PDF-1.4 printed\n" + ps);
  };
  standins::word::setEnvironment(env);

  standins::excel::resetRunningInstances();
  spooled.clear();
  standins::excel::Environment excel;
  excel.spool = [this](const std::string& path, std::function<std::optional<std::string>()> produce) {
    if (auto bytes = produce()) spooled.push_back({path, *bytes, fake.clock.tickMs(), 0});
  };
  excel.makePdf = [](const std::string& ps) -> std::optional<std::string> { return "%PDF-1.4 printed\n" + ps; };
  standins::excel::setEnvironment(excel);
  fake.clock.addHook([this] {
    for (SpoolJob& job : spooled) {
      const int due = static_cast<int>(std::min<uint64_t>(3, (fake.clock.tickMs() - job.start) / kSpoolStepMs));
      if (due <= job.written) continue;
      job.written = due;
      fake.files.writeFile(job.path, job.bytes.substr(0, job.bytes.size() * static_cast<size_t>(due) / 3));
    }
    std::erase_if(spooled, [](const SpoolJob& job) { return job.written == 3; });
  });
}

void ConvertFixture::TearDown() {
  ctx_.reset();
  owner_.reset();
  standins::word::setEnvironment({});
  standins::excel::setEnvironment({});
  setFakeDistillerFiles(nullptr);
  standins::Control::instance().reset();
}

CreatePdf& ConvertFixture::owner() {
  if (!owner_) {
    owner_ = std::make_unique<CreatePdf>(host);
    owner_->setEventSink(&events);
  }
  return *owner_;
}

CreatePdfConversion& ConvertFixture::ctx() {
  if (!ctx_) ctx_ = std::make_unique<CreatePdfConversion>(owner());
  return *ctx_;
}

std::vector<std::string> journalWithoutDestroys() {
  std::vector<std::string> lines;
  for (const std::string& line : standins::Control::instance().journalLines()) {
    if (line.find(" destroy") != std::string::npos) continue;
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> renumberedCalls() {
  std::vector<std::string> out;
  static const std::regex temp(R"(c:\\temp\\\d+\.ps)", std::regex::icase);
  std::map<std::string, std::string> renamed;
  std::map<std::string, int> perClass;
  for (const std::string& line : journalWithoutDestroys()) {
    if (line.size() > 7 && line.compare(line.size() - 7, 7, " create") == 0) continue;
    const std::string object = line.substr(0, line.find(' '));
    const std::string cls = object.substr(0, object.find('#'));
    auto [it, fresh] = renamed.emplace(object, "");
    if (fresh) it->second = cls + "#" + std::to_string(++perClass[cls]);
    out.push_back(std::regex_replace(it->second + line.substr(object.size()), temp, "c:\\temp\\N.ps"));
  }
  return out;
}

std::vector<std::string> ConvertFixture::tempFiles() const {
  std::vector<std::string> files;
  for (const std::string& f : fake.files.allFiles()) {
    if (vb::LCase(f).rfind("c:\\temp\\", 0) == 0) files.push_back(f);
  }
  return files;
}

}  // namespace dv::lib::testing
