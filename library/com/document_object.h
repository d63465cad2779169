// Document: one open PDF, created by CreatePDF.OpenDocument.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <memory>

#include "dispatch_object.h"
#include "docvane_header.h"
#include "document/document.h"

namespace dv::com {

class DocumentObject : public DispatchObject<_Document> {
 public:
  // Creates the Document for the path that OpenDocument stored.
  static HRESULT create(_Document** result);
  lib::Document& core() { return *core_; }

#include "_Document_members.inc"

 private:
  DocumentObject();
  std::unique_ptr<lib::Document> core_;
};

}  // namespace dv::com
