#include "composer/composer_fixture.h"

#include <map>
#include <regex>

#include "dv/vb.h"
#include "frame/library_values.h"

namespace dv::lib::testing {

void ComposerFixture::SetUp() {
  ConvertFixture::SetUp();
  releaseThreadValues();
  fake.files.addFile("c:\\pics\\photo.jpg", std::string("\xFF\xD8\xFF\xC0\x00\x11\x08\x00\x30\x00\x40\x03", 12) +
                                                std::string(20, '\0') + "\xFF\xD9");
}

void ComposerFixture::TearDown() {
  doc_.reset();
  releaseThreadValues();
  ConvertFixture::TearDown();
}

NewDocument& ComposerFixture::doc() {
  if (!doc_) doc_ = std::make_unique<NewDocument>(host);
  return *doc_;
}

std::vector<std::string> ComposerFixture::tempFiles() const {
  std::vector<std::string> files;
  for (const std::string& f : ConvertFixture::tempFiles()) files.push_back(vb::LCase(f));
  return files;
}

std::vector<std::string> ComposerFixture::calls() const {
  static const std::regex temp(R"(c:\\temp\\\d+\.(ps|doc))", std::regex::icase);
  std::vector<std::string> out;
  std::map<std::string, std::string> renamed;
  std::map<std::string, int> perClass;
  const std::vector<std::string> all = standins::Control::instance().journalLines();
  for (size_t i = from_; i < all.size(); ++i) {
    const std::string& line = all[i];
    if (line.size() > 7 && line.compare(line.size() - 7, 7, " create") == 0) continue;
    if (line.find(" destroy") != std::string::npos) continue;
    const std::string object = line.substr(0, line.find(' '));
    const std::string cls = object.substr(0, object.find('#'));
    auto [it, fresh] = renamed.emplace(object, "");
    if (fresh) it->second = cls + "#" + std::to_string(++perClass[cls]);
    out.push_back(std::regex_replace(it->second + line.substr(object.size()), temp, "c:\\temp\\N.$1"));
  }
  return out;
}

}  // namespace dv::lib::testing
