// The viewer stand-in's menu commands on real PDF files, their dialogs
// answered by dlgrelay's own handlers: each dialog is built as a window
// tree from its layout, the relay command line the library would start
// acts on it, and the messages it posted are played back as the dialog
// would take them (clicks, keys in a drop-down list, Enter on the default
// button, the Y of the overwrite question).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "dv/fakes/fake_host.h"
#include "dv/standins/pdf_tool.h"
#include "dv/standins/tools.h"
#include "dv/standins/viewer_app.h"
#include "dv/standins/viewer_menu.h"
#include "dv/vb.h"
#include "relay/core/relay.h"

namespace dv::standins {
namespace {

namespace fs = std::filesystem;
using Kind = DialogControl::Kind;

class RelayPlayedUi : public ViewerUi {
 public:
  void start(const std::string&) override {}
  void show() override {}
  void end() override {}
  std::optional<std::string> ask(const std::string&, const std::string&, bool) override { return std::nullopt; }

  std::optional<DialogAnswer> showDialog(const DialogLayout& layout) override {
    shown.push_back(layout.title);
    const std::string title = vb::LCase(layout.title);
    // The overwrite question is answered by the save-as relay that filled
    // the dialog before it.
    const bool question = overwriteAnswer && title == "save as" && has(layout, Kind::YesButton);
    std::vector<std::string> fields;
    if (!question) {
      auto waiting = std::find_if(relays.begin(), relays.end(),
                                  [&](const std::string& tail) { return relay::parseFields(tail).at(1) == title; });
      if (waiting == relays.end()) return std::nullopt;  // nobody answers
      fields = relay::parseFields(*waiting);
      relays.erase(waiting);
    }
    overwriteAnswer = false;

    fakes::FakeHost fake;
    const Hwnd dialog = fake.windows.create(0, "#32770", layout.title);
    std::vector<Hwnd> handles;
    for (const DialogControl& c : layout.controls)
      handles.push_back(fake.windows.create(dialog, className(c.kind), c.text));
    if (question) {
      fake.windows.post(handles.at(static_cast<size_t>(first(layout, Kind::YesButton))), wm::kKeyDown, vk::kY, 0);
    } else {
      relay::RelayEnv env{fake.windows, fake.clock, fake.pump};
      relay::act(env, dialog, fields);
      overwriteAnswer = fields[0] == "save as" && fields.size() == 3;
    }
    return play(layout, handles, fake.windows.journal());
  }

  std::vector<std::string> relays;  // command tails, as the library starts them
  std::vector<std::string> shown;   // titles of the dialogs shown

 private:
  static bool has(const DialogLayout& l, Kind k) { return first(l, k) >= 0; }
  static int first(const DialogLayout& l, Kind k) {
    for (size_t i = 0; i < l.controls.size(); ++i)
      if (l.controls[i].kind == k) return static_cast<int>(i);
    return -1;
  }
  static std::string className(Kind k) {
    switch (k) {
      case Kind::Label:
        return "Static";
      case Kind::Edit:
      case Kind::PasswordEdit:
        return "Edit";
      case Kind::ComboBox:
        return "ComboBox";
      case Kind::RichEdit20:
        return "RichEdit20W";
      case Kind::RichEdit50:
        return "RICHEDIT50W";
      default:
        return "Button";
    }
  }
  // The dialog's side of the messages.
  static std::optional<DialogAnswer> play(const DialogLayout& l, const std::vector<Hwnd>& handles,
                                          const std::vector<fakes::WindowMessage>& journal) {
    const size_t n = l.controls.size();
    DialogAnswer a;
    a.texts.assign(n, "");
    a.selections.assign(n, -1);
    a.checked.assign(n, false);
    for (size_t i = 0; i < n; ++i)
      if (l.controls[i].kind == Kind::ComboBox && !l.controls[i].entries.empty()) a.selections[i] = 0;
    std::vector<bool> dropped(n, false);
    auto press = [&](size_t i) -> std::optional<bool> {  // true confirmed, false cancelled, nullopt goes on
      const Kind k = l.controls[i].kind;
      a.clicks.push_back(static_cast<int>(i));
      if (k == Kind::CheckBox) a.checked[i] = !a.checked[i];
      if (k == Kind::OkButton || k == Kind::YesButton) return true;
      if (k == Kind::CancelButton) return false;
      return std::nullopt;
    };
    auto defaultButton = [&]() -> std::optional<size_t> {
      for (size_t i = 0; i < n; ++i)
        if (l.controls[i].kind == Kind::OkButton || l.controls[i].isDefault) return i;
      return std::nullopt;
    };
    for (const fakes::WindowMessage& m : journal) {
      const auto it = std::find(handles.begin(), handles.end(), m.window);
      if (it == handles.end()) continue;
      const size_t i = static_cast<size_t>(it - handles.begin());
      const Kind k = l.controls[i].kind;
      std::optional<bool> ended;
      if (m.kind == fakes::WindowMessage::Kind::SendText && m.message == wm::kSetText) a.texts[i] = m.text;
      if (m.kind != fakes::WindowMessage::Kind::Post) continue;
      if (m.message == wm::kLButtonDown) {
        if (k == Kind::ComboBox) dropped[i] = true;
        else ended = press(i);
      }
      if (m.message == wm::kKeyDown) {
        const size_t last = l.controls[i].entries.empty() ? 0 : l.controls[i].entries.size() - 1;
        if (k == Kind::ComboBox && m.wParam == vk::kHome) a.selections[i] = 0;
        if (k == Kind::ComboBox && m.wParam == vk::kEnd) a.selections[i] = static_cast<int>(last);
        if (k == Kind::ComboBox && m.wParam == vk::kDown)
          a.selections[i] = std::min(a.selections[i] + 1, static_cast<int>(last));
        if (m.wParam == vk::kReturn) {
          if (k == Kind::ComboBox && dropped[i]) {
            dropped[i] = false;
          } else if (auto d = defaultButton()) {
            ended = press(*d);
          }
        }
        if (m.wParam == vk::kY)
          for (size_t b = 0; b < n; ++b)
            if (l.controls[b].text.find("&Y") != std::string::npos) ended = press(b);
      }
      if (ended) return *ended ? std::optional<DialogAnswer>(a) : std::nullopt;
    }
    return std::nullopt;  // left open: gives up
  }
  bool overwriteAnswer = false;
};

class ViewerMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetControl();
    SharedViewer::instance().reset();
    SharedViewer::instance().setUi(&ui);
    dir = fs::temp_directory_path() / ("dv_menu_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                       "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    pdf = path("in.pdf");
    // Two pages of text with web addresses, written without compression.
    const std::string made = path("made.pdf");
    ASSERT_TRUE(
        runTool({"gs", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite", "-dCompressPages=false", "-o", made, "-c",
                 "/Helvetica findfont 12 scalefont setfont 72 600 moveto (See www.example.com and "
                 "https://docvane.test/a?b=1.) show 1 1 30 { 15 mul 100 add 72 exch moveto (Lorem ipsum dolor "
                 "sit amet, consectetur adipiscing elit, sed do eiusmod tempor.) show } for showpage 72 600 "
                 "moveto (Second page http://two.test) show showpage"})
            .ok());
    ASSERT_TRUE(runTool({"qpdf", "--stream-data=uncompress", "--object-streams=disable", made, pdf}).ok());
  }
  void TearDown() override {
    SharedViewer::instance().reset();
    SharedViewer::instance().setUi(nullptr);
    resetControl();
    fs::remove_all(dir);
  }
  static void resetControl() {
    std::vector<JournalEntry> keep = Control::instance().journal();
    Control::instance().reset();
  }
  std::string path(const std::string& name) const { return (dir / name).string(); }
  ObjectPtr create(const char* progId) { return findClassByProgId(progId)->create(); }

  // The library's way in: PDDoc Open, a view with its title.
  struct Opened {
    ObjectPtr app, pdDoc, avDoc;
  };
  Opened open(const std::string& file) {
    Opened o;
    o.app = create("AcroExch.App");
    o.pdDoc = create("AcroExch.PDDoc");
    EXPECT_TRUE(o.pdDoc->call("Open", {pos(file)}).boolValue());
    o.avDoc = asObject(o.pdDoc->call("OpenAVDoc", {pos(fs::path(file).filename().string())}));
    return o;
  }
  void close(Opened& o) {
    o.avDoc->call("Close", {pos(true)});
    o.pdDoc->call("Close");
    o.app->call("Exit");
  }
  bool menu(Opened& o, const std::string& item) { return o.app->call("MenuItemExecute", {pos(item)}).boolValue(); }

  std::string text(const std::string& file, const std::string& password = "") {
    std::vector<std::string> argv{"pdftotext"};
    if (!password.empty()) argv.insert(argv.end(), {"-upw", password});
    argv.insert(argv.end(), {file, "-"});
    const ToolResult r = runTool(argv);
    EXPECT_TRUE(r.ok()) << r.output;
    return r.output;
  }
  Json facts(const std::string& file, const std::string& password = "") {
    const PdfToolAnswer a = pdfFacts(toolRunner(), file, password);
    EXPECT_TRUE(a.ok()) << a.error;
    return a.json;
  }

  RelayPlayedUi ui;
  fs::path dir;
  std::string pdf;
};

TEST_F(ViewerMenuTest, ReduceFileSizeRewritesSmallerAtTheLevelsVersion) {
  struct Case {
    const char* viewer;
    int position;
    const char* keyword;
    std::string version;
  };
  for (const Case& c : {Case{"7.0", 1, "reduce file size", "1.4"}, Case{"9.0", 3, "reduce file size8", "1.6"},
                        Case{"6.0", 3, "reduce file size", "1.5"}}) {
    Control::instance().setSetting("AcrobatVersion", c.viewer);
    const std::string copy = path(std::string("reduce") + c.viewer + ".pdf");
    fs::copy_file(pdf, copy, fs::copy_options::overwrite_existing);
    const auto before = fs::file_size(copy);
    ui.relays = {std::string(c.keyword) + "~reduce file size~" + std::to_string(c.position) + "~",
                 "save as~save as~" + copy + "~"};
    Opened o = open(copy);
    EXPECT_TRUE(menu(o, "ReduceFileSize")) << c.viewer;
    close(o);
    // Reduce File Size, Save As, and the question whether to replace it.
    EXPECT_EQ(ui.shown, (std::vector<std::string>{"Reduce File Size", "Save As", "Save As"}));
    ui.shown.clear();
    EXPECT_LT(fs::file_size(copy), before) << c.viewer;
    EXPECT_EQ(facts(copy).value("version", ""), c.version) << c.viewer;
    EXPECT_EQ(text(copy), text(pdf));
    const ToolResult check = runTool({"qpdf", "--check", copy});
    EXPECT_TRUE(check.ok()) << check.output;
  }
}

TEST_F(ViewerMenuTest, ReduceFileSizeAnsweredByNobodyChangesNothing) {
  const auto before = fs::file_size(pdf);
  Opened o = open(pdf);
  EXPECT_FALSE(menu(o, "ReduceFileSize"));
  close(o);
  EXPECT_EQ(fs::file_size(pdf), before);
}

TEST_F(ViewerMenuTest, SaveAsWritesEveryTypeOfTheList) {
  // `file`'s verdict for each position of the list.
  const std::vector<std::pair<const char*, const char*>> types = {{"pdf", "PDF document"},
                                                                  {"eps", "PostScript"},
                                                                  {"htm", "HTML"},
                                                                  {"html", "HTML"},
                                                                  {"jpg", "JPEG image"},
                                                                  {"jp2", "JPEG 2000"},
                                                                  {"doc", "Rich Text Format"},
                                                                  {"png", "PNG image"},
                                                                  {"ps", "PostScript"},
                                                                  {"rtf", "Rich Text Format"},
                                                                  {"txt", "text"},
                                                                  {"text", "text"},
                                                                  {"tif", "TIFF image"},
                                                                  {"xml", "XML"},
                                                                  {"xdp", "XML"}};
  ASSERT_EQ(types.size(), saveAsTypes().size());
  for (size_t type = 0; type < types.size(); ++type) {
    // Viewer 8 shows one more entry first, which its relay skips.
    const bool eight = type % 2 == 1;
    Control::instance().setSetting("AcrobatVersion", eight ? "8.0" : "7.0");
    const std::string target = path("out" + std::to_string(type) + "." + types[type].first);
    ui.relays = {std::string(eight ? "save as8" : "save as") + "~save as~" + target + "~" + std::to_string(type) + "~"};
    Opened o = open(pdf);
    EXPECT_TRUE(menu(o, "SaveAs")) << type;
    close(o);
    const ToolResult kind = runTool({"file", "-b", target});
    EXPECT_NE(kind.output.find(types[type].second), std::string::npos) << type << ": " << kind.output;
  }
  // Plain text is what pdftotext gives.
  std::ifstream plain(path("out11.text"));
  std::stringstream s;
  s << plain.rdbuf();
  EXPECT_EQ(s.str(), text(pdf));
}

TEST_F(ViewerMenuTest, PasswordSecurityAppliesTheConfirmedPasswordAtTheSave) {
  Control::instance().setSetting("AcrobatVersion", "9.0");
  ui.relays = {"password security - settings~password security - settings~open sesame~",
               "adobe acrobat - confirm open document password~adobe acrobat - confirm open document "
               "password~open sesame~",
               "adobe acrobat~adobe acrobat~"};
  Opened o = open(pdf);
  EXPECT_TRUE(menu(o, "SecureApplyPwdSecurity"));
  EXPECT_EQ(facts(pdf).at("encryption").value("encrypted", true), false);  // only the save applies it
  EXPECT_TRUE(menu(o, "Save"));
  close(o);
  EXPECT_EQ(runTool({"qpdf", "--requires-password", pdf}).exitCode, 0);
  EXPECT_EQ(facts(pdf, "open sesame").at("encryption").value("bits", 0), 256);
  EXPECT_EQ(text(pdf, "open sesame"), text(path("made.pdf")));
}

TEST_F(ViewerMenuTest, PasswordSecurityWithAMismatchedConfirmationAppliesNothing) {
  ui.relays = {"password security - settings~password security - settings~one~",
               "adobe acrobat - confirm open document password~adobe acrobat - confirm open document password~two~"};
  Opened o = open(pdf);
  EXPECT_FALSE(menu(o, "SecureApplyPwdSecurity"));
  EXPECT_TRUE(menu(o, "Save"));
  close(o);
  EXPECT_EQ(runTool({"qpdf", "--requires-password", pdf}).exitCode, 2);  // not encrypted
}

// The words of one page with their boxes, as pdftotext -bbox gives them.
std::vector<std::pair<std::string, double>> wordsNearTop(const Json& page, double limit) {
  std::vector<std::pair<std::string, double>> out;
  for (const Json& w : page.at("words"))
    if (w.at("box")[1].get<double>() < limit)
      out.emplace_back(w.at("text").get<std::string>(), w.at("box")[0].get<double>());
  return out;
}

TEST_F(ViewerMenuTest, HeadersOfBothLayoutsStampEveryPageInTheirBoxes) {
  for (const char* viewer : {"6.0", "7.0"}) {
    Control::instance().setSetting("AcrobatVersion", viewer);
    const std::string copy = path(std::string("headers") + viewer + ".pdf");
    fs::copy_file(pdf, copy, fs::copy_options::overwrite_existing);
    // Helvetica-Bold (5), size 12 (6), "Page 1 of n" (3) in the centre,
    // no date, "Draft" on the right.
    ui.relays = {std::string("add headers & footers~add headers & footers~5~6~3~1~-1~0~Draft~2~") +
                 (viewer[0] == '7' ? "7~" : "6~")};
    Opened o = open(copy);
    EXPECT_TRUE(menu(o, "COMP:AddHeadFoot")) << viewer;
    EXPECT_TRUE(o.pdDoc->call("Save", {pos(int16_t{0}), pos(copy)}).boolValue());
    close(o);
    const PdfToolAnswer t = pdfText(toolRunner(), copy, "");
    ASSERT_TRUE(t.ok());
    for (const Json& page : t.json.at("pages")) {
      const double width = page.at("width").get<double>();
      const auto top = wordsNearTop(page, 72);
      std::string line;
      for (const auto& [word, x] : top) line += (line.empty() ? "" : " ") + word;
      const std::string number = std::to_string(page.at("page").get<int>());
      EXPECT_EQ(line, "Page " + number + " of 2 Draft") << viewer;
      ASSERT_EQ(top.size(), 5u);
      EXPECT_GT(top[0].second, width / 3);  // centred
      EXPECT_LT(top[3].second, width * 2 / 3);
      EXPECT_GT(top[4].second, width * 3 / 4);  // right
    }
  }
}

TEST_F(ViewerMenuTest, WebLinksOfTheJavaScriptObjectAreWrittenAtTheSave) {
  Opened o = open(pdf);
  ObjectPtr js = asObject(o.pdDoc->call("GetJSObject"));
  js->call("AddWebLinks");
  js->call("AddWebLinks");  // twice: still one link per address
  EXPECT_TRUE(o.pdDoc->call("Save", {pos(int16_t{0}), pos(pdf)}).boolValue());
  close(o);
  const ToolResult json = runTool({"qpdf", "--json", "--json-key=qpdf", pdf});
  for (const char* uri : {"http://www.example.com", "https://docvane.test/a?b=1", "http://two.test"}) {
    const std::string quoted = std::string("\"u:") + uri + "\"";
    const size_t first = json.output.find(quoted);
    EXPECT_NE(first, std::string::npos) << uri;
    EXPECT_EQ(json.output.find(quoted, first + 1), std::string::npos) << uri;
  }
  int links = 0;
  const Json after = facts(pdf);
  for (const Json& a : after.at("annotations")) links += a.value("subtype", "") == "Link";
  EXPECT_EQ(links, 3);
}

TEST_F(ViewerMenuTest, ClosingWithoutSavingDropsTheCommandsChanges) {
  ui.relays = {"add headers & footers~add headers & footers~0~0~0~0~-1~0~~0~7~"};
  Control::instance().setSetting("AcrobatVersion", "7.0");
  Opened o = open(pdf);
  EXPECT_TRUE(menu(o, "COMP:AddHeadFoot"));
  close(o);
  // A later save of the same file carries nothing of it.
  Opened again = open(pdf);
  EXPECT_TRUE(again.pdDoc->call("Save", {pos(int16_t{0}), pos(pdf)}).boolValue());
  close(again);
  EXPECT_EQ(text(pdf), text(path("made.pdf")));
}

}  // namespace
}  // namespace dv::standins

namespace dv::standins {
namespace {

TEST_F(ViewerMenuTest, BadStampLinkOrWriteRequestsAreRefusedAndWriteNothing) {
  const auto before = fs::file_size(pdf);
  const std::vector<Json> refused = {
      Json{{"operations", {{{"op", "stampText"}, {"font", "Arial"}, {"items", {{{"pattern", "x"}}}}}}}},
      Json{{"operations", {{{"op", "stampText"}, {"size", 0}, {"items", {{{"pattern", "x"}}}}}}}},
      Json{{"operations", {{{"op", "stampText"}, {"items", Json::array()}}}}},
      Json{{"operations", {{{"op", "stampText"}, {"items", {{{"align", "middle"}, {"pattern", "x"}}}}}}}},
      Json{{"operations", {{{"op", "addWebLinks"}, {"first", 3}}}}},
      Json{{"operations", {{{"op", "addWebLinks"}, {"first", 2}, {"last", 1}}}}},
      Json{{"operations", Json::array()}, {"write", {{"version", "2.0"}}}},
      Json{{"operations", Json::array()}, {"write", {{"objectStreams", "yes"}}}},
      Json{{"operations", Json::array()}, {"write", {{"shrink", true}}}},
  };
  for (const Json& request : refused) {
    const PdfToolAnswer a = editPdf(toolRunner(), pdf, "", request, pdf);
    EXPECT_EQ(a.kind, PdfToolAnswer::Kind::Refused) << request.dump() << " " << a.error;
    EXPECT_EQ(fs::file_size(pdf), before) << request.dump();
  }
  // A footer in Courier: at the bottom left of every page, the second too.
  const Json footer{{"op", "stampText"},
                    {"font", "Courier"},
                    {"size", 9},
                    {"position", "bottom"},
                    {"items", {{{"align", "left"}, {"pattern", "100%% %n"}}}}};
  ASSERT_TRUE(editPdf(toolRunner(), pdf, "", Json{{"operations", {footer}}}, path("footer.pdf")).ok());
  const PdfToolAnswer t = pdfText(toolRunner(), path("footer.pdf"), "", 2, 2);
  ASSERT_TRUE(t.ok());
  const Json& page = t.json.at("pages")[0];
  bool found = false;
  for (const Json& w : page.at("words"))
    if (w.at("text") == "100%") {
      found = true;
      EXPECT_LT(w.at("box")[0].get<double>(), 40.0);
      EXPECT_GT(w.at("box")[1].get<double>(), page.at("height").get<double>() - 60);
    }
  EXPECT_TRUE(found) << page.dump();
}

}  // namespace
}  // namespace dv::standins
