// Annotations, search and markup through the registered Docvane.dll and the
// viewer stand-in, on PDFs made from PostScript with known words:
//  - the VBScript client (clients/document_annotations.vbs) under cscript,
//    then the files it saved, read with qpdf --json and pdftotext -bbox;
//  - a C++ client through IDispatch: GetTextCoordinates against pdftotext,
//    and the property records (VT_RECORD from the type library's record
//    information) read, changed, saved and read back.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <regex>

#include <nlohmann/json.hpp>

#include "bench_files.h"
#include "dv/standins/com_hosting.h"
#include "dv/standins/tools.h"
#include "dv/win32/com.h"
#include "dv/win32/handle.h"
#include "dv/win32/text.h"

namespace {

using Json = nlohmann::json;
using dv::winetest::env;
using dv::winetest::exists;
using dv::winetest::slurp;

std::string tool(const std::vector<std::string>& argv) { return dv::standins::runTool(argv).output; }
std::string unixPath(const std::string& p) { return dv::standins::toolRunner().toolPath(p); }

struct Box {
  std::string word;
  double x0, y0, x1, y1;  // from the top left
};
struct PageBoxes {
  double height = 0;
  std::vector<Box> words;
};

// pdftotext -bbox: the words of every page with their boxes.
std::vector<PageBoxes> wordBoxes(const std::string& pdf) {
  const std::string xml = tool({"pdftotext", "-bbox", unixPath(pdf), "-"});
  std::vector<PageBoxes> pages;
  const std::regex page(R"re(<page width="([0-9.]+)" height="([0-9.]+)">)re");
  const std::regex word(
      R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)re");
  std::istringstream in(xml);
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    if (std::regex_search(line, m, page)) pages.push_back(PageBoxes{std::stod(m[2]), {}});
    else if (std::regex_search(line, m, word) && !pages.empty())
      pages.back().words.push_back(Box{m[5], std::stod(m[1]), std::stod(m[2]), std::stod(m[3]), std::stod(m[4])});
  }
  return pages;
}

// qpdf --json: every object's value by its reference ("12 0 R").
std::map<std::string, Json> objects(const std::string& pdf) {
  std::map<std::string, Json> out;
  const Json j = Json::parse(tool({"qpdf", "--json=2", "--json-key=qpdf", unixPath(pdf)}), nullptr, false);
  if (j.is_discarded()) return out;
  for (const auto& [key, value] : j.at("qpdf").at(1).items())
    if (key.rfind("obj:", 0) == 0 && value.contains("value")) out[key.substr(4)] = value.at("value");
  return out;
}
// The page objects in order.
std::vector<Json> pageDicts(std::map<std::string, Json>& objs) {
  std::vector<Json> out;
  for (auto& [ref, v] : objs)
    if (v.is_object() && v.value("/Type", "") == "/Catalog") {
      const Json pages = objs[v.at("/Pages").get<std::string>()];
      for (const Json& kid : pages.at("/Kids")) out.push_back(objs[kid.get<std::string>()]);
    }
  return out;
}
std::string text(const Json& v) {
  const std::string s = v.is_string() ? v.get<std::string>() : "";
  return s.rfind("u:", 0) == 0 ? s.substr(2) : s;
}

void writePostScript(const std::string& path) {
  std::ofstream(path, std::ios::binary) << "%!PS-Adobe-3.0\n%%Pages: 1\n%%EndComments\n%%Page: 1 1\n"
                                           "/Helvetica findfont 14 scalefont setfont\n"
                                           "72 600 moveto (Records of the Grand Total) show showpage\n%%EOF\n";
}

// ---- A plain IDispatch client ----

HRESULT invoke(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args, VARIANT* result,
               std::string* error = nullptr) {
  DISPID id = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  std::reverse(args.begin(), args.end());
  DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
  EXCEPINFO excep{};
  hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params, result,
                      &excep, nullptr);
  if (hr == DISP_E_EXCEPTION && error) *error = dv::win32::fromBstr(excep.bstrDescription);
  for (VARIANT& a : args)
    if (V_VT(&a) == VT_BSTR) VariantClear(&a);
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
  return hr;
}
VARIANT bstr(const std::string& s) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = SysAllocString(dv::win32::widen(s).c_str());
  return v;
}
VARIANT i4(LONG n) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = n;
  return v;
}

class DocumentAnnotations : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(apartment.ok());
    RegDeleteTreeA(HKEY_CURRENT_USER, dv::standins::com::kConfigKey);
    dir = env("DV_BENCH_DIR") + "\\annotations-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    CreateDirectoryA(dir.c_str(), nullptr);
  }
  // Runs a script under cscript and gives its output.
  std::string cscript(const std::string& script, const std::string& argument) {
    return dv::winetest::runScript(script, {argument}, dir + "\\cscript.txt", 240000).describe();
  }

  dv::win32::ComApartment apartment;
  std::string dir;
};

TEST_F(DocumentAnnotations, ScriptClientMarksSavesListsAndRemoves) {
  const std::string output = cscript(env("DV_SOURCE_DIR") + "\\tests\\wine\\clients\\document_annotations.vbs", dir);
  EXPECT_NE(output.find("END-OF-SCRIPT"), std::string::npos) << output;
  EXPECT_EQ(output.find("FAIL"), std::string::npos) << output;
  EXPECT_GE(std::count(output.begin(), output.end(), '\n'), 12) << output;

  const std::string annotated = dir + "\\annotated.pdf";
  ASSERT_TRUE(exists(annotated));
  const std::vector<PageBoxes> boxes = wordBoxes(annotated);
  ASSERT_EQ(boxes.size(), 2u);
  auto objs = objects(annotated);
  int highlights = 0;
  std::map<std::string, Json> named;
  for (auto& [ref, v] : objs) {
    if (!v.is_object() || v.value("/Type", "") != "/Annot") continue;
    if (v.value("/Subtype", "") == "/Highlight") {
      ++highlights;
      // On one of the phrase's words, within a point of pdftotext's box.
      const std::vector<double> q = v.at("/QuadPoints").get<std::vector<double>>();
      ASSERT_EQ(q.size(), 8u);
      bool onAWord = false;
      for (const Box& b : boxes[0].words) {
        const double top = boxes[0].height - b.y0, bottom = boxes[0].height - b.y1;
        if ((b.word == "Grand" || b.word == "Total") && std::fabs(q[0] - b.x0) < 1 && std::fabs(q[1] - top) < 1 &&
            std::fabs(q[2] - b.x1) < 1 && std::fabs(q[5] - bottom) < 1)
          onAWord = true;
      }
      EXPECT_TRUE(onAWord) << v.dump();
    }
    if (v.contains("/NM")) named[text(v.at("/NM"))] = v;
  }
  EXPECT_EQ(highlights, 4);
  ASSERT_EQ(named.count("c1"), 1u);
  const Json& c1 = named["c1"];
  EXPECT_EQ(c1.at("/Subtype"), "/Text");
  EXPECT_EQ(text(c1.at("/Contents")), "A comment");
  EXPECT_EQ(text(c1.at("/T")), "Ann");
  EXPECT_EQ(text(c1.at("/Subj")), "Review");
  EXPECT_EQ(c1.at("/C"), Json::array({0, 0, 1, 0}));  // the default yellow
  EXPECT_EQ(c1.at("/Name"), "/Comment");
  const std::vector<double> noteRect = c1.at("/Rect").get<std::vector<double>>();
  EXPECT_EQ(noteRect[0], 50);
  EXPECT_NEAR(noteRect[3], boxes[0].height - 40, 1);  // 16-bit page height minus the top margin
  ASSERT_EQ(named.count("f1"), 1u);
  const Json& f1 = named["f1"];
  EXPECT_EQ(f1.at("/Subtype"), "/FreeText");
  EXPECT_EQ(text(f1.at("/Contents")), "Free text");
  EXPECT_EQ(text(f1.at("/T")), "Bob");
  EXPECT_EQ(f1.at("/Rect"), Json::array({100, 100, 300, 140}));
  EXPECT_EQ(f1.at("/IC"), Json::array({1}));  // white fill
  EXPECT_NE(text(f1.at("/DA")).find("/Times-Roman 8 Tf 0 g"), std::string::npos) << f1.dump();
  ASSERT_EQ(named.count("s1"), 1u);
  const Json& s1 = named["s1"];
  EXPECT_EQ(s1.at("/Subtype"), "/Stamp");
  EXPECT_EQ(s1.at("/Name"), "/Draft");
  EXPECT_EQ(text(s1.at("/T")), "Cy");
  EXPECT_EQ(s1.at("/C"), Json::array({1, 0, 0}));  // the default red
  EXPECT_EQ(s1.at("/Rect"), Json::array({100, 300, 250, 350}));

  // After RemoveAnnotations 1 the first page has none left in the file.
  auto after = objects(dir + "\\annotations.pdf");
  const std::vector<Json> pages = pageDicts(after);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_TRUE(!pages[0].contains("/Annots") || pages[0].at("/Annots").empty()) << pages[0].dump();
  EXPECT_FALSE(pages[1].at("/Annots").empty());
}

TEST_F(DocumentAnnotations, CppClientCoordinatesAndRecordsThroughIDispatch) {
  const std::string ps = dir + "\\records.ps", pdf = dir + "\\records.pdf";
  writePostScript(ps);
  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID(L"Docvane.CreatePDF", &clsid), S_OK);
  dv::win32::ComPtr<IDispatch> converter;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, converter.putVoid()), S_OK);
  dv::win32::ScopedVariant ignored;
  ASSERT_EQ(invoke(converter.get(), L"CreatePDFfromPS", {bstr(pdf), bstr(ps)}, ignored.put()), S_OK);
  auto open = [&] {
    dv::win32::ScopedVariant doc;
    EXPECT_EQ(invoke(converter.get(), L"OpenDocument", {bstr(pdf)}, doc.put()), S_OK);
    return V_VT(doc.get()) == VT_DISPATCH ? dv::win32::ComPtr<IDispatch>(V_DISPATCH(doc.get()))
                                          : dv::win32::ComPtr<IDispatch>();
  };

  // GetTextCoordinates: the first quad of the first word, on pdftotext's box.
  {
    auto d = open();
    ASSERT_TRUE(d.get());
    dv::win32::ScopedVariant quad;
    ASSERT_EQ(invoke(d.get(), L"GetTextCoordinates", {bstr("grand total")}, quad.put()), S_OK);
    ASSERT_EQ(V_VT(quad.get()), VT_ARRAY | VT_VARIANT);
    const std::vector<PageBoxes> boxes = wordBoxes(pdf);
    const Box* grand = nullptr;
    for (const Box& b : boxes.at(0).words)
      if (b.word == "Grand") grand = &b;
    ASSERT_TRUE(grand);
    VARIANT* values = nullptr;
    ASSERT_EQ(SafeArrayAccessData(V_ARRAY(quad.get()), reinterpret_cast<void**>(&values)), S_OK);
    double q[8];
    for (int i = 0; i < 8; ++i) {
      VARIANT r;
      VariantInit(&r);
      VariantChangeType(&r, &values[i], 0, VT_R8);
      q[i] = V_R8(&r);
    }
    SafeArrayUnaccessData(V_ARRAY(quad.get()));
    EXPECT_NEAR(q[0], grand->x0, 1);
    EXPECT_NEAR(q[1], boxes[0].height - grand->y0, 1);
    EXPECT_NEAR(q[2], grand->x1, 1);
    EXPECT_NEAR(q[7], boxes[0].height - grand->y1, 1);
    dv::win32::ScopedVariant none;
    ASSERT_EQ(invoke(d.get(), L"GetTextCoordinates", {bstr("absent")}, none.put()), S_OK);
    EXPECT_EQ(V_VT(none.get()), VT_I2);
    EXPECT_EQ(V_I2(none.get()), -1);

    // A note to read back through the record.
    dv::win32::ScopedVariant unused;
    ASSERT_EQ(invoke(d.get(), L"CreateTextAnnot",
                     {i4(1), bstr("Before"), VARIANT{}, bstr("Ann"), bstr("Subj"), i4(10), i4(20), i4(8), bstr("r1")},
                     unused.put()),
              S_OK);
    ASSERT_EQ(invoke(d.get(), L"Save", {i4(1)}, unused.put()), S_OK);
    invoke(d.get(), L"CloseDoc", {}, unused.put());
  }

  // The record: read, changed, written, saved, read again after reopening.
  {
    auto d = open();
    dv::win32::ScopedVariant record;
    ASSERT_EQ(invoke(d.get(), L"GetTextAnnotProperties", {bstr("r1"), i4(1)}, record.put()), S_OK);
    ASSERT_EQ(V_VT(record.get()), VT_RECORD);
    IRecordInfo* info = V_RECORDINFO(record.get());
    void* data = V_RECORD(record.get());
    dv::win32::Bstr typeName;
    ASSERT_EQ(info->GetName(typeName.put()), S_OK);
    EXPECT_EQ(typeName.utf8(), "TextAnnotType");
    auto field = [&](const wchar_t* name) {
      VARIANT v;
      VariantInit(&v);
      info->GetField(data, name, &v);
      VARIANT s;
      VariantInit(&s);
      VariantChangeType(&s, &v, 0, VT_BSTR);
      std::string out = V_VT(&s) == VT_BSTR ? dv::win32::fromBstr(V_BSTR(&s)) : "?";
      VariantClear(&s);
      VariantClear(&v);
      return out;
    };
    EXPECT_EQ(field(L"contents"), "Before");
    EXPECT_EQ(field(L"Author"), "Ann");
    EXPECT_EQ(field(L"NoteIcon"), "Note");
    EXPECT_EQ(field(L"Page"), "0");
    VARIANT changed = bstr("After");
    ASSERT_EQ(info->PutField(INVOKE_PROPERTYPUT, data, L"contents", &changed), S_OK);
    VariantClear(&changed);
    // Wine's PutField refuses boolean fields (DISP_E_BADVARTYPE): the flag
    // is written in place, through the field's own storage.
    VARIANT lock;
    VariantInit(&lock);
    void* unusedArray = nullptr;
    ASSERT_EQ(info->GetFieldNoCopy(data, L"Lock", &lock, &unusedArray), S_OK);
    ASSERT_EQ(V_VT(&lock), VT_BYREF | VT_BOOL);
    *V_BOOLREF(&lock) = VARIANT_TRUE;
    dv::win32::ScopedVariant unused;
    ASSERT_EQ(invoke(d.get(), L"SetTextAnnotProperties", {bstr("r1"), i4(1), *record.get()}, unused.put()), S_OK);
    // A record of the other type is refused, not read as this one.
    std::string error;
    EXPECT_EQ(invoke(d.get(), L"SetFreeTextAnnotProperties", {bstr("r1"), i4(1), *record.get()}, unused.put(), &error),
              DISP_E_EXCEPTION);
    EXPECT_EQ(error, "Type mismatch");
    ASSERT_EQ(invoke(d.get(), L"Save", {i4(1)}, unused.put()), S_OK);
    invoke(d.get(), L"CloseDoc", {}, unused.put());
  }
  {
    auto d = open();
    dv::win32::ScopedVariant record;
    ASSERT_EQ(invoke(d.get(), L"GetTextAnnotProperties", {bstr("r1"), i4(1)}, record.put()), S_OK);
    VARIANT v;
    VariantInit(&v);
    V_RECORDINFO(record.get())->GetField(V_RECORD(record.get()), L"contents", &v);
    EXPECT_EQ(dv::win32::fromBstr(V_BSTR(&v)), "After");
    VariantClear(&v);
    V_RECORDINFO(record.get())->GetField(V_RECORD(record.get()), L"Lock", &v);
    EXPECT_EQ(V_BOOL(&v), VARIANT_TRUE);
    // A missing annotation: the error comes back, with no record.
    dv::win32::ScopedVariant missing;
    std::string error;
    EXPECT_EQ(invoke(d.get(), L"GetTextAnnotProperties", {bstr("nothing"), i4(1)}, missing.put(), &error),
              DISP_E_EXCEPTION);
    EXPECT_FALSE(error.empty());
    dv::win32::ScopedVariant unused;
    invoke(d.get(), L"CloseDoc", {}, unused.put());
  }
  const Json facts = Json::parse(tool({"qpdf", "--json=2", "--json-key=qpdf", unixPath(pdf)}), nullptr, false);
  EXPECT_NE(facts.dump().find("u:After"), std::string::npos);
}

}  // namespace
