#include "dv/standins/pdf_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "dv/vb.h"

namespace dv::standins {

namespace {

// qpdf's JSON marks text strings "u:", binary strings "b:" (hex digits).
std::string pdfString(const Json& j) {
  const std::string& s = j.str();
  if (s.rfind("u:", 0) == 0) return s.substr(2);
  if (s.rfind("b:", 0) == 0) {
    // Binary strings are PDFDocEncoding, close enough to Latin-1 for
    // document information.
    std::string out;
    for (size_t i = 2; i + 1 < s.size(); i += 2) {
      const auto b = static_cast<unsigned char>(std::stoi(s.substr(i, 2), nullptr, 16));
      if (b < 0x80) {
        out.push_back(static_cast<char>(b));
      } else {
        out.push_back(static_cast<char>(0xC0 | (b >> 6)));
        out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
      }
    }
    return out;
  }
  return s;
}

std::string hexOf(const Json& j) {
  const std::string& s = j.str();
  if (s.rfind("b:", 0) == 0) return s.substr(2);
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : pdfString(j)) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

const char* kPageModes[] = {"", "UseNone", "UseThumbs", "UseOutlines", "FullScreen", "UseOC", "UseAttachments"};

}  // namespace

ToolResult runShell(ToolRunner& tools, const std::string& commandLine) {
  return tools.run({"sh", "-c", commandLine}, nullptr, std::chrono::seconds(120));
}

std::string shellQuote(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += "'\\''";
    else out.push_back(c);
  }
  return out + "'";
}

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

std::optional<PdfFacts> readPdf(ToolRunner& tools, const std::string& path, const std::string& password) {
  const std::string unix = shellQuote(tools.toolPath(path));
  const std::string withPassword = password.empty() ? std::string() : " " + shellQuote("--password=" + password);
  // Size first, then the document as JSON; a file that needs a password
  // makes qpdf fail, as PDDoc.Open fails on it.
  const ToolResult r = runShell(tools, "stat -L -c %s " + unix + " && qpdf --json=2 --json-key=qpdf --json-key=acroform "
                                 "--json-key=attachments --json-key=pages" + withPassword + " " + unix + " 2>/dev/null");
  // 3: qpdf read the file with warnings.
  if (!r.started || r.timedOut || (r.exitCode != 0 && r.exitCode != 3)) return std::nullopt;
  const size_t eol = r.output.find('\n');
  if (eol == std::string::npos) return std::nullopt;
  PdfFacts facts;
  facts.password = password;
  Json doc;
  try {
    facts.fileSize = std::stoll(r.output.substr(0, eol));
    doc = Json::parse(std::string_view(r.output).substr(eol + 1));
  } catch (const std::exception&) {
    return std::nullopt;
  }
  const Json::List& qpdf = doc["qpdf"].list();
  if (qpdf.size() < 2) return std::nullopt;
  facts.maxObjectId = static_cast<int64_t>(qpdf[0]["maxobjectid"].number());
  const Json& objects = qpdf[1];
  facts.trailerValue = objects["trailer"]["value"];
  facts.rootRef = facts.trailerValue["/Root"].str();
  facts.rootValue = objects["obj:" + facts.rootRef]["value"];
  facts.infoRef = facts.trailerValue["/Info"].str();
  if (!facts.infoRef.empty()) facts.infoValue = objects["obj:" + facts.infoRef]["value"];
  for (const char* key : kInfoKeys) {
    const Json& v = facts.infoValue[std::string("/") + key];
    if (v.isString()) facts.info[key] = pdfString(v);
  }
  const std::string& mode = facts.rootValue["/PageMode"].str();
  if (!mode.empty()) facts.pageMode = mode.substr(1);
  const Json::List& ids = facts.trailerValue["/ID"].list();
  if (ids.size() == 2) {
    facts.permanentId = hexOf(ids[0]);
    facts.instanceId = hexOf(ids[1]);
  }
  facts.pages = static_cast<int32_t>(doc["pages"].list().size());
  std::set<std::string> seen;
  for (const Json& field : doc["acroform"]["fields"].list()) {
    // One entry per widget: a field shown twice is still one field.
    std::string name = pdfString(field["fullname"]);
    if (seen.insert(name).second) facts.fieldNames.push_back(std::move(name));
  }
  for (const auto& [key, value] : doc["attachments"].object()) facts.attachments.push_back(key);
  return facts;
}

bool writePdf(ToolRunner& tools, const PdfFacts& facts, const std::string& source, const std::string& target,
              const PdfChanges& changes) {
  Json::Object update;
  if (!changes.info.empty()) {
    Json info = facts.infoValue;
    for (const auto& [key, text] : changes.info) info.object()["/" + key] = Json("u:" + text);
    if (!facts.infoRef.empty()) {
      update["obj:" + facts.infoRef] = Json(Json::Object{{"value", info}});
    } else {
      // No info dictionary yet: a new object, named by the trailer.
      const std::string ref = std::to_string(facts.maxObjectId + 1) + " 0 R";
      update["obj:" + ref] = Json(Json::Object{{"value", info}});
      Json trailer = facts.trailerValue;
      trailer.object()["/Info"] = Json(ref);
      update["trailer"] = Json(Json::Object{{"value", trailer}});
    }
  }
  if (changes.pageMode && !facts.rootRef.empty()) {
    Json root = facts.rootValue;
    if (changes.pageMode->empty()) root.object().erase("/PageMode");
    else root.object()["/PageMode"] = Json("/" + *changes.pageMode);
    update["obj:" + facts.rootRef] = Json(Json::Object{{"value", root}});
  }
  Json::Object header{{"jsonversion", Json(2.0)},
                      {"pushedinheritedpageresources", Json(false)},
                      {"calledgetallpages", Json(false)},
                      {"maxobjectid", Json(static_cast<double>(facts.maxObjectId))}};
  const Json json(Json::Object{{"qpdf", Json(Json::List{Json(header), Json(update)})}});

  const std::string dst = tools.toolPath(target);
  const std::string partial = dst + ".dvpart";
  const std::string jsonFile = dst + ".dvjson";
  std::string command = "printf '%s' " + shellQuote(json.dump()) + " > " + shellQuote(jsonFile) + " && qpdf " +
                        (facts.password.empty() ? std::string() : shellQuote("--password=" + facts.password) + " ") +
                        shellQuote(tools.toolPath(source)) + " --update-from-json=" + shellQuote(jsonFile);
  for (const auto& [key, file] : changes.attach)
    command += " --add-attachment " + shellQuote(tools.toolPath(file)) + " --key=" + shellQuote(key) + " --replace --";
  for (const std::string& key : changes.detach) command += " --remove-attachment=" + shellQuote(key);
  command += " " + shellQuote(partial) + " 2>/dev/null; s=$?; rm -f " + shellQuote(jsonFile) +
             "; if [ $s -eq 0 ] || [ $s -eq 3 ]; then mv -f " + shellQuote(partial) + " " + shellQuote(dst) +
             "; else rm -f " + shellQuote(partial) + "; exit 1; fi";
  return runShell(tools, command).ok();
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
