// Finding and starting dlgrelay. The library starts one hidden relay per
// dialog the next blocking viewer or printer call will show, right before
// that call, and never waits for it: only the command line crosses.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "dv/host.h"
#include "relaylaunch/relay_command.h"

namespace dv::lib {

inline constexpr int kCsidlSystem = 37;  // CSIDL_SYSTEM
inline constexpr const char* kRelayFileName = "dlgrelay.exe";

// GetSpecialFolderPath: the shell folder of a CSIDL number; empty when the
// shell does not know it. Never raises.
std::string getSpecialFolderPath(Host& host, int csidl);

// The missing-relay error text. CreatePDFfromVisio2 words the system
// folder "System32 Directory.".
enum class MissingRelayText { SystemDirectory, System32Directory };
std::string missingRelayDescription(MissingRelayText wording = MissingRelayText::SystemDirectory);

// A located relay: the folder dlgrelay.exe is started from for this call.
class Relay {
 public:
  Relay(Host& host, std::string folder);

  const std::string& folder() const { return folder_; }  // without a closing "\"
  std::string program() const;                           // folder + "\dlgrelay.exe"

  // The process command line of one run: the program path in quotes, one
  // blank, the fields. Path fields that hold a short (8.3) name are handed
  // over in their long form; a field that still contains "~" raises the
  // library error naming the field, since the relay would split it.
  std::string commandLine(const RelayCommand& command) const;

  // StartRelay for each command in the order given. All command lines are
  // built first, so a bad field starts no relay at all. The processes
  // start hidden; a failure to start is ignored. Returns the command lines
  // started, for endRelays.
  std::vector<std::string> start(std::initializer_list<RelayCommand> commands) const;
  std::vector<std::string> start(const std::vector<RelayCommand>& commands) const;

 private:
  Host& host_;
  std::string folder_;
};

// LocateRelay without the error: the system directory first, then the
// folder the library was loaded from; nullopt when neither holds the relay.
// For the callers that go on without a relay.
std::optional<Relay> findRelay(Host& host);

// LocateRelay for the callers that cannot get past their dialog without
// the relay: raises the missing-relay error (0x80004100).
Relay locateRelay(Host& host, MissingRelayText wording = MissingRelayText::SystemDirectory);

// The open-with-password step of the viewer operations: when the password,
// trimmed of blanks, is not empty, locates the relay (raising when it is
// missing) and starts the "open" and then the "password" relay, the
// password exactly as given. Returns whether the relays were started; a
// blank password starts nothing and looks for nothing. `started` receives
// the command lines, for endRelays.
bool startOpenRelays(Host& host, const std::string& strPDFFile, const std::string& strOpenPassword,
                     const std::string& strOpenWindowCaption, const std::string& strPasswordWindowCaption,
                     std::vector<std::string>* started = nullptr);

// The error exit of a call whose dialog may never have come: ends those of
// its relays that still run. Left alone, such a relay waits out its bound
// and may fill the same dialog of a later call with this call's values.
// Never raises.
void endRelays(Host& host, const std::vector<std::string>& started) noexcept;

}  // namespace dv::lib
