// What one running Word and its open documents share, for the members of
// the stand-in's classes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "dv/automation.h"
#include "word/composed_document.h"
#include "word/word_document.h"
#include "word/word_standin.h"

namespace dv::standins::word {

struct WordState {
  bool quit = false;
  int32_t displayAlerts = -1;  // wdAlertsAll
  std::string activePrinter;   // device name, without " on <port>"
  bool printerKnown = false;   // activePrinter has been read from the machine
  int openDocuments = 0;
  int addedDocuments = 0;  // names the documents Documents.Add makes
};

struct DocState {
  std::shared_ptr<WordState> word;
  std::string path;
  DocumentFile file;
  Layout layout;
  bool closed = false;
  // A document made by Documents.Add, composed through automation; opened
  // stand-in text documents keep their own layout (`file`, `layout`).
  std::shared_ptr<ComposedDocument> composed;
  // Page setup of an opened text document: reported back, not laid out.
  PageSetup textSetup;
  PageSetup& setup() { return composed ? composed->setup : textSetup; }
};

[[noreturn]] inline void raiseWord(int32_t number, const std::string& description) {
  throw AutomationError(number, kErrorSource, description);
}

inline void requireRunning(const WordState& w) {
  if (w.quit) raiseWord(static_cast<int32_t>(0x800706BAu), "The RPC server is unavailable.");
}

inline void requireOpen(const DocState& d) {
  requireRunning(*d.word);
  if (d.closed) raiseWord(wordError(5825), "Object has been deleted.");
}

}  // namespace dv::standins::word
