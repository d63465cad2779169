#include "dv/standins/signing.h"

#include <filesystem>
#include <fstream>

#include "dv/standins/pdf_tool.h"
#include "dv/standins/viewer_document.h"

namespace dv::standins {

namespace {

constexpr int32_t kEFail = static_cast<int32_t>(0x80004005u);

// The password travels in a file of a scratch folder, never on a command
// line, and the folder goes when the job is done.
class PasswordFile {
 public:
  PasswordFile(ToolRunner& tools, const std::string& password) : folder_(tools.scratchFolder()) {
    path_ = (std::filesystem::path(folder_) / "password").string();
    std::ofstream(path_, std::ios::binary) << password;
    toolPath_ = tools.toolPath(path_);
  }
  ~PasswordFile() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }
  PasswordFile(const PasswordFile&) = delete;
  PasswordFile& operator=(const PasswordFile&) = delete;
  const std::string& toolPath() const { return toolPath_; }

 private:
  std::string folder_, path_, toolPath_;
};

}  // namespace

bool checkDigitalId(const std::string& path, const std::string& password) {
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return false;
  ToolRunner& tools = toolRunner();
  PasswordFile secret(tools, password);
  return runPdfTool(tools, {"digitalid", tools.toolPath(path), "--password-file=" + secret.toolPath()}).ok();
}

void signViewerDocument(ViewerDocument& doc, const std::string& field, const std::string& digitalId,
                        const std::string& password) {
  ToolRunner& tools = toolRunner();
  PasswordFile secret(tools, password);
  doc.pending.operations.push_back({{"op", "sign"},
                                    {"field", field},
                                    {"digitalId", tools.toolPath(digitalId)},
                                    {"passwordFile", secret.toolPath()}});
  if (!saveViewerDocument(doc, doc.path)) {
    doc.pending.operations.pop_back();
    throw AutomationError(kEFail, "Acrobat JavaScript", "The document could not be signed.");
  }
}

}  // namespace dv::standins
