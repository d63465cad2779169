// The cores behind the COM classes Document, Field and NewDocument. The
// COM class constructs its core when the object is created and keeps it
// for the object's lifetime; the subsystems that build these objects add
// their state and members here (or derive from these classes) and fill
// the creation hooks below.
#pragma once

#include <string>

#include "dv/automation.h"
#include "dv/host.h"
#include "frame/library_values.h"

namespace dv::lib {

class DocumentCore {
 public:
  // Creation hook: runs when OpenDocument creates the Document, right
  // after it stored the path in OpenDocumentPath. The frame takes the path;
  // opening the file through the viewer is the document subsystem's.
  explicit DocumentCore(Host host);
  virtual ~DocumentCore();
  DocumentCore(const DocumentCore&) = delete;
  DocumentCore& operator=(const DocumentCore&) = delete;

  Host& host() { return host_; }
  const std::string& path() const { return path_; }

 private:
  Host host_;
  std::string path_;
};

class FieldCore {
 public:
  // Creation hook: takes the hand-off values that Document.GetField left
  // for it (the field name and the document's JavaScript object).
  explicit FieldCore(Host host);
  virtual ~FieldCore();
  FieldCore(const FieldCore&) = delete;
  FieldCore& operator=(const FieldCore&) = delete;

  Host& host() { return host_; }
  const std::string& name() const { return handOff_.name; }
  const ObjectPtr& javaScript() const { return handOff_.javaScript; }

 private:
  Host host_;
  FieldHandOff handOff_;
};

class NewDocumentCore {
 public:
  // Creation hook of the composer; it shares only the library-wide values
  // of the thread with CreatePDF.
  explicit NewDocumentCore(Host host);
  virtual ~NewDocumentCore();
  NewDocumentCore(const NewDocumentCore&) = delete;
  NewDocumentCore& operator=(const NewDocumentCore&) = delete;

  Host& host() { return host_; }

 private:
  Host host_;
};

}  // namespace dv::lib
