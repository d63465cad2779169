// The noncreatable Document and Field and the creatable NewDocument.
#include <new>

#include "document_object.h"
#include "field_object.h"
#include "new_document_object.h"
#include "com_util.h"

namespace dv::com {

DocumentObject::DocumentObject() : core_(std::make_unique<lib::Document>(host())) {}

HRESULT DocumentObject::create(_Document** result) {
  if (!result) return E_POINTER;
  *result = nullptr;
  return comCall(IID__Document, [&] { *result = new DocumentObject(); });
}

FieldObject::FieldObject() : core_(std::make_unique<lib::Field>(host())) {}

HRESULT FieldObject::create(_Field** result) {
  if (!result) return E_POINTER;
  *result = nullptr;
  return comCall(IID__Field, [&] { *result = new FieldObject(); });
}

NewDocumentObject::NewDocumentObject() : core_(std::make_unique<lib::NewDocument>(host())) {}

HRESULT NewDocumentObject::create(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  NewDocumentObject* object = nullptr;
  HRESULT hr = comCall(IID__NewDocument, [&] { object = new NewDocumentObject(); });
  if (FAILED(hr)) return hr;
  hr = object->QueryInterface(riid, ppv);
  object->Release();
  return hr;
}

}  // namespace dv::com
