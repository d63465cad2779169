// dv-pdftool's command line. Usage (every answer is one JSON object on
// standard output; errors are {"error": text, "kind": ...} with exit code
// 1 refused request, 2 unreadable file, 3 password needed or wrong):
//
//   dv-pdftool facts   [--password=PW] FILE
//   dv-pdftool edit    [--password=PW] FILE (--request=JSONFILE | --request-json=TEXT) [--output=TARGET]
//   dv-pdftool extract [--password=PW] FILE --key=KEY --output=TARGET
//   dv-pdftool text    [--password=PW] FILE [--first=N] [--last=N]
//   dv-pdftool run     --output=FILE --status=FILE --pid=FILE --timeout-ms=N -- PROGRAM [ARG...]
//   dv-pdftool kill    PID
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "pdftool.h"

namespace dv::pdftool {

namespace {

struct Arguments {
  std::string command;
  std::map<std::string, std::string> options;  // --name=value
  std::vector<std::string> positional;
  std::vector<std::string> rest;  // after "--"

  bool has(const std::string& name) const { return options.count(name) != 0; }
  std::string option(const std::string& name, const std::string& fallback = {}) const {
    auto it = options.find(name);
    return it == options.end() ? fallback : it->second;
  }
  std::string required(const std::string& name) const {
    if (!has(name)) refuse(command + ": --" + name + "= is missing");
    return option(name);
  }
  const std::string& file() const {
    if (positional.size() != 1) refuse(command + ": exactly one file is expected");
    return positional.front();
  }
};

Arguments parse(int argc, char** argv) {
  Arguments a;
  if (argc < 2) refuse("usage: dv-pdftool facts|edit|extract|text|run|kill ...");
  a.command = argv[1];
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--") {
      a.rest.assign(argv + i + 1, argv + argc);
      break;
    }
    if (arg.rfind("--", 0) == 0) {
      const size_t eq = arg.find('=');
      if (eq == std::string::npos) refuse(a.command + ": option " + arg + " needs a value (--name=value)");
      a.options[arg.substr(2, eq - 2)] = arg.substr(eq + 1);
    } else {
      a.positional.push_back(arg);
    }
  }
  return a;
}

long long number(const Arguments& a, const std::string& name, long long fallback) {
  if (!a.has(name)) return fallback;
  const std::string text = a.option(name);
  char* end = nullptr;
  errno = 0;
  const long long n = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0) refuse(a.command + ": --" + name + " must be a number");
  return n;
}

Json request(const Arguments& a) {
  std::string text;
  if (a.has("request-json")) {
    text = a.option("request-json");
  } else {
    std::ifstream in(a.required("request"), std::ios::binary);
    if (!in) refuse("edit: cannot read the request " + a.option("request"));
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
  }
  try {
    return Json::parse(text);
  } catch (const Json::parse_error& e) {
    refuse(std::string("edit: the request is not JSON: ") + e.what());
  }
}

const char* kindOf(Exit code) {
  switch (code) {
    case Exit::Refused: return "refused";
    case Exit::Unreadable: return "unreadable";
    case Exit::Password: return "password";
    default: return "ok";
  }
}

int run(int argc, char** argv) {
  const Arguments a = parse(argc, argv);
  const std::string password = a.option("password");
  Json answer{{"ok", true}};
  if (a.command == "facts") {
    answer = readFacts(a.file(), password);
  } else if (a.command == "edit") {
    const Json r = request(a);
    applyRequest(a.file(), password, r, a.option("output", a.file()));
  } else if (a.command == "extract") {
    extractAttachment(a.file(), password, a.required("key"), a.required("output"));
  } else if (a.command == "text") {
    answer = readText(a.file(), password, static_cast<int>(number(a, "first", 1)), static_cast<int>(number(a, "last", 0)));
  } else if (a.command == "run") {
    if (a.rest.empty()) refuse("run: no program after --");
    // The launcher answers through its files; its own output would go
    // wherever its starter's went.
    return runProgram(a.rest, a.required("output"), a.required("status"), a.required("pid"),
                      number(a, "timeout-ms", 60000));
  } else if (a.command == "kill") {
    if (a.positional.size() != 1) refuse("kill: one pid is expected");
    const long long pid = std::strtoll(a.positional.front().c_str(), nullptr, 10);
    if (pid <= 1) refuse("kill: not a pid: " + a.positional.front());
    ::kill(static_cast<pid_t>(-pid), SIGKILL);
    ::kill(static_cast<pid_t>(pid), SIGKILL);
  } else {
    refuse("unknown command " + a.command);
  }
  std::cout << answer.dump() << "\n";
  return 0;
}

}  // namespace

}  // namespace dv::pdftool

int main(int argc, char** argv) {
  using namespace dv::pdftool;
  try {
    return run(argc, argv);
  } catch (const Failure& f) {
    std::cout << Json{{"error", f.what()}, {"kind", kindOf(f.code)}}.dump() << "\n";
    return static_cast<int>(f.code);
  } catch (const std::exception& e) {
    std::cout << Json{{"error", e.what()}, {"kind", kindOf(Exit::Unreadable)}}.dump() << "\n";
    return static_cast<int>(Exit::Unreadable);
  }
}
