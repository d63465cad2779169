// dv-pdftool's command line. Usage (every answer is one JSON object on
// standard output; errors are {"error": text, "kind": ...} with exit code
// 1 refused request, 2 unreadable file, 3 password needed or wrong):
//
//   dv-pdftool facts   [--password=PW] FILE
//   dv-pdftool edit    [--password=PW] FILE (--request=JSONFILE | --request-json=TEXT) [--output=TARGET]
//   dv-pdftool create  (--request=JSONFILE | --request-json=TEXT) --output=TARGET
//   dv-pdftool extract [--password=PW] FILE --key=KEY --output=TARGET
//   dv-pdftool text    [--password=PW] FILE [--first=N] [--last=N] [--parts=words] [--stream=pages]
//   dv-pdftool digitalid FILE --password-file=PWFILE
//
// The launcher for Unix programs started from Wine is dv-launch (launch_main.cpp).
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "arguments.h"
#include "fields.h"
#include "pdftool.h"

namespace dv::pdftool {

namespace {

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
    case Exit::Refused:
      return "refused";
    case Exit::Unreadable:
      return "unreadable";
    case Exit::Password:
      return "password";
    default:
      return "ok";
  }
}

int run(int argc, char** argv) {
  if (argc < 2) refuse("usage: dv-pdftool facts|edit|create|extract|text ...");
  const Arguments a = parseArguments(argc, argv, 2, argv[1]);
  const std::string password = a.option("password");
  Json answer{{"ok", true}};
  if (a.command == "facts") {
    answer = readFacts(a.file(), password);
  } else if (a.command == "edit") {
    const Json r = request(a);
    const std::string output = a.option("output", a.file());
    applyRequest(a.file(), password, r, output);
    // The facts of the file written, read with the password that now opens
    // it: the caller needs no second run to learn them.
    if (r.contains("factsAfter")) answer = readFacts(output, r.at("factsAfter").value("password", std::string()));
  } else if (a.command == "create") {
    applyRequest("", "", request(a), a.required("output"));
  } else if (a.command == "extract") {
    extractAttachment(a.file(), password, a.required("key"), a.required("output"));
  } else if (a.command == "text") {
    // Streamed: each page on a line of its own as soon as it is read, then
    // the answer. Otherwise the pages are the answer.
    const bool stream = a.option("stream") == "pages";
    if (a.has("stream") && !stream) refuse("text: --stream takes pages");
    std::string pages = "{\"pages\":[";
    readText(a.file(), password, static_cast<int>(a.number("first", 1)), static_cast<int>(a.number("last", 0)),
             a.option("parts") != "words", [&](const std::string& page) {
               if (stream) {
                 std::cout << page << std::endl;
               } else {
                 pages += page;
                 pages += ',';
               }
             });
    if (!stream) {
      if (pages.back() == ',') pages.pop_back();
      std::cout << pages << "]}\n";
      return 0;
    }
  } else if (a.command == "digitalid") {
    answer = readDigitalId(a.file(), a.required("password-file"));
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
