#include "dv/standins/pdf_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "dv/vb.h"

namespace dv::standins {

namespace {

const char* kPageModes[] = {"", "UseNone", "UseThumbs", "UseOutlines", "FullScreen", "UseOC", "UseAttachments"};

std::vector<std::string> strings(const Json& list, const char* key) {
  std::vector<std::string> out;
  if (!list.is_array()) return out;
  for (const Json& item : list)
    if (item.is_object() && item.contains(key) && item.at(key).is_string())
      out.push_back(item.at(key).get<std::string>());
  return out;
}

}  // namespace

int32_t pageModeNumber(const std::string& name) {
  if (name.empty()) return 1;  // a catalog without /PageMode shows neither panel
  for (int32_t i = 1; i < static_cast<int32_t>(std::size(kPageModes)); ++i)
    if (name == kPageModes[i]) return i;
  return 1;
}

std::string pageModeName(int32_t number) {
  if (number < 0 || number >= static_cast<int32_t>(std::size(kPageModes))) return "";
  return kPageModes[number];
}

std::optional<PdfFacts> readPdf(ToolRunner& tools, const std::string& path, const std::string& password,
                                bool* needsPassword) {
  PdfToolAnswer answer = pdfFacts(tools, path, password);
  if (needsPassword) *needsPassword = answer.kind == PdfToolAnswer::Kind::Password;
  if (!answer.ok()) return std::nullopt;
  return factsFromAnswer(std::move(answer.json), password);
}

PdfFacts factsFromAnswer(Json j, const std::string& password) {
  PdfFacts facts;
  facts.password = password;
  facts.pages = j.value("pageCount", int32_t{0});
  facts.fileSize = j.value("size", int64_t{0});
  if (j.contains("info") && j.at("info").is_object())
    for (const auto& [key, value] : j.at("info").items())
      if (value.is_string()) facts.info[key] = value.get<std::string>();
  facts.pageMode = j.value("pageMode", std::string());
  const Json ids = j.value("ids", Json::array());
  if (ids.size() == 2 && ids[0].is_string() && ids[1].is_string()) {
    facts.permanentId = ids[0].get<std::string>();
    facts.instanceId = ids[1].get<std::string>();
  }
  facts.fieldNames = strings(j.value("fields", Json::array()), "name");
  facts.attachments = strings(j.value("attachments", Json::array()), "key");
  facts.all = std::move(j);
  return facts;
}

PageSnapshot::~PageSnapshot() {
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
}

bool writePdf(ToolRunner& tools, const PdfFacts& facts, const std::string& source, const std::string& target,
              const PdfChanges& changes, PdfFacts* written) {
  Json operations = Json::array();
  for (const PageInsert& insert : changes.inserts)
    operations.push_back({{"op", "insertPages"},
                          {"file", tools.toolPath(insert.source->file)},
                          {"password", insert.password},
                          {"after", insert.after},
                          {"first", insert.first},
                          {"last", insert.last},
                          {"outline", false}});
  if (!changes.info.empty()) {
    Json entries = Json::object();
    for (const auto& [key, text] : changes.info) entries[key] = text;
    operations.push_back({{"op", "setInfo"}, {"entries", entries}});
  }
  if (changes.pageMode) operations.push_back({{"op", "setPageMode"}, {"mode", *changes.pageMode}});
  for (const auto& [key, file] : changes.attach)
    operations.push_back({{"op", "attach"}, {"key", key}, {"file", tools.toolPath(file)}});
  for (const std::string& key : changes.detach) operations.push_back({{"op", "detach"}, {"key", key}});
  if (changes.outline) operations.push_back({{"op", "setOutline"}, {"items", *changes.outline}});
  if (changes.annotations) operations.push_back(*changes.annotations);
  for (const Json& op : changes.operations) operations.push_back(op);
  Json request{{"operations", operations}};
  if (!changes.write.is_null()) request["write"] = changes.write;
  // The tool keeps the source's encryption, so the same password reads the
  // copy, unless the changes encrypt it anew.
  std::string password = facts.password;
  for (const Json& op : changes.operations)
    if (op.value("op", "") == "encrypt") password = op.value("userPassword", "");
  if (written) request["factsAfter"] = {{"password", password}};
  PdfToolAnswer answer = editPdf(tools, source, facts.password, request, target);
  if (!answer.ok()) return false;
  if (written) *written = factsFromAnswer(std::move(answer.json), password);
  return true;
}

std::optional<double> pdfDateToOle(const std::string& text) {
  std::string s = text;
  if (s.rfind("D:", 0) == 0) s = s.substr(2);
  if (s.size() < 4) return std::nullopt;
  int parts[6] = {0, 1, 1, 0, 0, 0};
  const size_t widths[6] = {4, 2, 2, 2, 2, 2};
  size_t at = 0;
  for (int k = 0; k < 6 && at + widths[k] <= s.size(); ++k) {
    const std::string digits = s.substr(at, widths[k]);
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) break;
    parts[k] = std::stoi(digits);
    at += widths[k];
  }
  return vb::DateSerial(parts[0], parts[1], parts[2]) + vb::TimeSerial(parts[3], parts[4], parts[5]);
}

std::string oleToPdfDate(double oleDate) {
  const vb::DateParts p = vb::dateParts(oleDate);
  char buf[40];
  std::snprintf(buf, sizeof buf, "D:%04d%02d%02d%02d%02d%02d", p.year, p.month, p.day, p.hour, p.minute, p.second);
  return buf;
}

}  // namespace dv::standins
