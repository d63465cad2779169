#include "relaylaunch/relay_launch.h"

#include <exception>

#include "dv/trace.h"
#include "dv/vb.h"

namespace dv::lib {

namespace {

bool endsWithSeparator(const std::string& path) { return !path.empty() && (path.back() == '\\' || path.back() == '/'); }

std::string joinPath(const std::string& folder, const std::string& name) {
  return endsWithSeparator(folder) ? folder + name : folder + "\\" + name;
}

std::string withoutClosingSeparator(std::string folder) {
  // "C:\" keeps its separator: without it the name means the drive's
  // current directory.
  while (endsWithSeparator(folder) && !(folder.size() == 3 && folder[1] == ':')) folder.pop_back();
  return folder;
}

// A short (8.3) name such as C:\PROGRA~1\... carries "~" that would split
// the relay's field. The file itself usually does not exist yet (the
// printer is about to write it), so its folder is expanded then.
std::string longForm(FileSystem& files, const std::string& path) {
  if (path.find('~') == std::string::npos) return path;
  std::string full = files.longPathName(path);
  if (!full.empty()) return full;
  size_t separator = path.find_last_of("\\/");
  if (separator == std::string::npos) return path;
  std::string folder = path.substr(0, separator);
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';
  std::string longFolder = files.longPathName(folder);
  if (longFolder.empty()) return path;
  return joinPath(longFolder, path.substr(separator + 1));
}

[[noreturn]] void raiseSeparatorInField(const RelayField& field) {
  if (field.kind == RelayField::Kind::Path) {
    vb::raiseLibrary("The path " + field.value + " in " + field.name +
                     " contains \"~\", which DLGRELAY.EXE reads as a field separator, and has no long form "
                     "without it. Please use a path without \"~\".");
  }
  // Other fields may be passwords: name the field, never echo the value.
  vb::raiseLibrary("The value of " + field.name +
                   " contains \"~\", which DLGRELAY.EXE reads as a field separator. Please use a value without "
                   "\"~\".");
}

}  // namespace

std::string getSpecialFolderPath(Host& host, int csidl) {
  try {
    return host.shell.specialFolder(csidl);
  } catch (const std::exception&) {
    return std::string();
  }
}

std::string missingRelayDescription(MissingRelayText wording) {
  return std::string(
             "Error! Can't find file DLGRELAY.EXE. Please copy this file into the same path as DOCVANE.DLL "
             "or into your Window's ") +
         (wording == MissingRelayText::System32Directory ? "System32 Directory." : "System Directory.");
}

Relay::Relay(Host& host, std::string folder) : host_(host), folder_(withoutClosingSeparator(std::move(folder))) {}

std::string Relay::program() const { return joinPath(folder_, kRelayFileName); }

std::string Relay::commandLine(const RelayCommand& command) const {
  RelayCommand prepared = command;
  for (RelayField& field : prepared.fields()) {
    if (field.kind == RelayField::Kind::Path) field.value = longForm(host_.files, field.value);
    if (field.value.find('~') != std::string::npos) raiseSeparatorInField(field);
  }
  // Quoted: unquoted, a path with blanks ("C:\Program Files\...") would let
  // the system start C:\Program.exe if one exists.
  return "\"" + program() + "\" " + prepared.tail();
}

std::vector<std::string> Relay::start(std::initializer_list<RelayCommand> commands) const {
  return start(std::vector<RelayCommand>(commands));
}

std::vector<std::string> Relay::start(const std::vector<RelayCommand>& commands) const {
  std::vector<std::string> lines;
  lines.reserve(commands.size());
  for (const RelayCommand& command : commands) lines.push_back(commandLine(command));
  std::vector<std::string> started;
  for (const std::string& line : lines) {
    try {
      if (host_.processes.startHidden(line)) started.push_back(line);
    } catch (const std::exception&) {
      // A relay that cannot start leaves its dialog to the user; the call
      // goes on as it would with a relay that found nothing.
    }
  }
  return started;
}

void endRelays(Host& host, const std::vector<std::string>& started) noexcept {
  for (const std::string& line : started) {
    try {
      host.processes.endStarted(line);
    } catch (...) {
      trace("ending the relay " + line, currentErrorText());
    }
  }
}

std::optional<Relay> findRelay(Host& host) {
  // The system directory always wins over the library's own folder.
  std::string system = getSpecialFolderPath(host, kCsidlSystem);
  if (!system.empty() && host.files.fileExists(joinPath(system, kRelayFileName))) return Relay(host, system);
  std::string own;
  try {
    own = host.shell.libraryFolder();
  } catch (const std::exception&) {
  }
  if (!own.empty() && host.files.fileExists(joinPath(own, kRelayFileName))) return Relay(host, own);
  return std::nullopt;
}

Relay locateRelay(Host& host, MissingRelayText wording) {
  std::optional<Relay> relay = findRelay(host);
  if (!relay) vb::raiseLibrary(missingRelayDescription(wording));
  return *relay;
}

bool startOpenRelays(Host& host, const std::string& strPDFFile, const std::string& strOpenPassword,
                     const std::string& strOpenWindowCaption, const std::string& strPasswordWindowCaption,
                     std::vector<std::string>* started) {
  if (vb::Trim(strOpenPassword).empty()) return false;
  std::vector<std::string> lines = locateRelay(host).start(
      {relayOpen(strOpenWindowCaption, strPDFFile), relayPassword(strPasswordWindowCaption, strOpenPassword)});
  if (started) *started = std::move(lines);
  return true;
}

}  // namespace dv::lib
