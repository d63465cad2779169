// Form fields and signatures end to end: a VBScript client creates one
// field of each kind through Docvane.dll and the registered viewer
// stand-in, saves, reads them back, locks, signs; between its phases the
// file itself is checked with qpdf (fields, flags, values, items,
// rectangles, pages, actions, structure) and pdfsig (the signature).
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "dv/standins/tools.h"
#include "dv/win32/handle.h"
#include "support/bench_files.h"

namespace {

using dv::winetest::env;
using Json = nlohmann::json;

std::string tool(const std::vector<std::string>& argv, bool* ok = nullptr) {
  auto r = dv::standins::runTool(argv);
  if (ok) *ok = r.ok();
  return r.output;
}
std::string unixPath(const std::string& p) { return dv::standins::toolRunner().toolPath(p); }

// Runs one phase of the script client; its output, or "" when it did not end in time.
std::string runClient(const std::vector<std::string>& args) {
  // One file per phase: a viewer server the script started may still hold
  // the handle it inherited.
  const std::string out = env("DV_BENCH_DIR") + "\\fields_client_" + args.front() + ".out";
  const dv::winetest::ScriptRun run =
      dv::winetest::runScript(env("DV_TEST_DATA") + "\\fields\\fields_client.vbs", args, out, 180000);
  return run.finished ? run.output : std::string();
}

// Every PASS/FAIL line of a phase becomes a check; the marker must be there.
void expectClient(const std::vector<std::string>& args) {
  const std::string output = runClient(args);
  EXPECT_NE(output.find("END-OF-SCRIPT"), std::string::npos) << args[0] << ":\n" << output;
  size_t at = 0;
  int passes = 0;
  while ((at = output.find("FAIL ", at)) != std::string::npos) {
    ADD_FAILURE() << args[0] << ": " << output.substr(at, output.find('\n', at) - at);
    ++at;
  }
  for (at = 0; (at = output.find("PASS ", at)) != std::string::npos; ++at) ++passes;
  EXPECT_GT(passes, 0) << output;
}

struct FileFields {
  std::map<std::string, Json> byName;  // qpdf's acroform entry of each field
  Json objects;                        // qpdf's objects, by "obj:N G R"
  Json object(const Json& field, const char* key) const {
    const std::string ref = field["annotation"]["object"].get<std::string>();
    const Json& o = objects["obj:" + ref]["value"];
    return o.contains(key) ? o[key] : Json();
  }
};

FileFields readFields(const std::string& pdf) {
  bool ok = false;
  const std::string text = tool({"qpdf", "--json=2", "--json-key=acroform", "--json-key=qpdf", unixPath(pdf)}, &ok);
  EXPECT_TRUE(ok) << text;
  FileFields out;
  const Json j = Json::parse(text, nullptr, false);
  if (!j.is_object()) return out;
  for (const Json& f : j["acroform"]["fields"]) out.byName[f["fullname"].get<std::string>()] = f;
  out.objects = j["qpdf"][1];
  return out;
}

class DocumentFieldsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pdf = env("DV_BENCH_DIR") + "\\fields.pdf";
    ASSERT_TRUE(CopyFileA((env("DV_TEST_DATA") + "\\document_two_pages.pdf").c_str(), pdf.c_str(), FALSE));
    // A self-signed digital ID of this run.
    const std::string unixDir = env("DV_BENCH_DIR_UNIX");
    bool ok = false;
    const std::string made =
        tool({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", unixDir + "/id.key", "-out",
              unixDir + "/id.crt", "-subj", "/CN=Docvane Test", "-days", "30"},
             &ok);
    ASSERT_TRUE(ok) << made;
    const std::string packed = tool({"openssl", "pkcs12", "-export", "-inkey", unixDir + "/id.key", "-in",
                                     unixDir + "/id.crt", "-out", unixDir + "/id.p12", "-passout", "pass:s3cret"},
                                    &ok);
    ASSERT_TRUE(ok) << packed;
    p12 = env("DV_BENCH_DIR") + "\\id.p12";
  }
  std::string pdf, p12;
};

TEST_F(DocumentFieldsTest, CreateReadBackLockAndSign) {
  expectClient({"create", pdf});
  bool ok = false;
  const std::string check = tool({"qpdf", "--check", unixPath(pdf)}, &ok);
  EXPECT_TRUE(ok) << check;
  FileFields file = readFields(pdf);
  ASSERT_EQ(file.byName.size(), 7u);
  struct Expected {
    const char* name;
    const char* type;  // qpdf's /FT
    int flags;         // /Ff
    int page;
    std::vector<double> rect;
  };
  const std::vector<Expected> expected = {
      {"Customer.Name", "/Tx", 2 | (1 << 22), 1, {72, 700, 300, 720}},
      {"Send", "/Btn", 1 << 16, 1, {72, 650, 172, 680}},
      {"Agree", "/Btn", 2, 1, {72, 622, 90, 640}},
      {"Size", "/Btn", (1 << 14) | (1 << 15) | (1 << 25), 2, {72, 582, 90, 600}},
      {"Colour", "/Ch", (1 << 17) | (1 << 18) | (1 << 26), 1, {72, 540, 200, 560}},
      {"Fruit", "/Ch", 2 | (1 << 21), 2, {72, 460, 200, 520}},
      {"Approval", "/Sig", 0, 1, {300, 150, 500, 200}},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.name);
    ASSERT_TRUE(file.byName.count(e.name));
    const Json& f = file.byName[e.name];
    EXPECT_EQ(f["fieldtype"], e.type);
    EXPECT_EQ(f["fieldflags"], e.flags);
    EXPECT_EQ(f["pageposfrom1"], e.page);
    const Json rect = file.object(f, "/Rect");
    ASSERT_TRUE(rect.is_array());
    for (size_t i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(rect[i].get<double>(), e.rect[i]);
  }
  EXPECT_EQ(file.byName["Customer.Name"]["value"], "u:Ada Lovelace");
  EXPECT_EQ(file.byName["Customer.Name"]["alternativename"], "Your name");
  EXPECT_EQ(file.object(file.byName["Customer.Name"], "/MaxLen"), 20);
  EXPECT_EQ(file.object(file.byName["Customer.Name"], "/Q"), 1);
  EXPECT_NE(file.object(file.byName["Customer.Name"], "/DA").dump().find("Courier 12 Tf 0 0 1 rg"), std::string::npos);
  EXPECT_EQ(file.byName["Agree"]["value"], "/Accepted");
  EXPECT_EQ(file.byName["Size"]["value"], "/Off");
  EXPECT_EQ(file.byName["Colour"]["value"], "u:g");
  EXPECT_EQ(file.object(file.byName["Colour"], "/Opt"),
            Json::parse(R"([["u:r", "u:Red"], ["u:g", "u:Green"], ["u:b", "u:Blue"]])"));  // export, text
  EXPECT_EQ(file.byName["Fruit"]["value"], "u:Pear");
  EXPECT_EQ(file.byName["Fruit"]["choices"], Json::array({"Apple", "Pear"}));  // exports equal to the items
  EXPECT_EQ(file.object(file.byName["Fruit"], "/F"), 0);                       // no print: dvnFieldDisplayNoPrint
  EXPECT_EQ(file.object(file.byName["Send"], "/H"), "/I");
  EXPECT_NE(file.object(file.byName["Customer.Name"], "/AA").dump().find("app.beep(0);"), std::string::npos);

  expectClient({"readback", pdf});
  file = readFields(pdf);
  EXPECT_EQ(file.byName.size(), 6u);
  EXPECT_EQ(file.byName.count("Send"), 0u);                                      // RemoveField took it out of the file
  EXPECT_EQ(file.object(file.byName["Customer.Name"], "/F").get<int>() & 4, 0);  // PrintField = False
  const std::string locks = file.object(file.byName["Approval"], "/AA").dump();
  EXPECT_NE(locks.find("var f0 = this.getField('Customer.Name');\\r\\nvar f1 = this.getField('Colour');"),
            std::string::npos)
      << locks;

  expectClient({"sign", pdf, p12, "s3cret"});
  const std::string report = tool({"pdfsig", unixPath(pdf)}, &ok);
  EXPECT_NE(report.find("Signature Validation: Signature is Valid."), std::string::npos) << report;
  EXPECT_NE(report.find("Docvane Test"), std::string::npos) << report;
  const std::string signedCheck = tool({"qpdf", "--check", unixPath(pdf)}, &ok);
  EXPECT_TRUE(ok) << signedCheck;
  expectClient({"signed", pdf});
}

}  // namespace
