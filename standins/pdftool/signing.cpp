// Digital signatures with OpenSSL: a PKCS#12 digital ID, a signature value
// in a signature field with a byte range over the whole file but its own
// contents, a detached CMS signature over those bytes, and its check.
#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/pkcs12.h>
#include <openssl/x509.h>

#include <qpdf/QPDFAcroFormDocumentHelper.hh>

#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>

#include "fields.h"

namespace dv::pdftool {

namespace {

// Room for the DER signature in the file (bytes; written as hex digits).
constexpr size_t kSignatureRoom = 8192;
const std::string kRangePlaceholder = "[0 1000000000 1000000000 1000000000]";

template <typename T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* p) const { Free(p); }
};
using Bio = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using Cert = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using Cms = std::unique_ptr<CMS_ContentInfo, Deleter<CMS_ContentInfo, CMS_ContentInfo_free>>;
void freeCertStack(STACK_OF(X509) * s) { sk_X509_pop_free(s, X509_free); }
using Chain = std::unique_ptr<STACK_OF(X509), Deleter<STACK_OF(X509), freeCertStack>>;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) refuse("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

struct DigitalId {
  Key key;
  Cert cert;
  Chain chain;
};

DigitalId openDigitalId(const std::string& path, const std::string& passwordFile) {
  const std::string password = readFile(passwordFile);
  const std::string data = readFile(path);
  Bio in(BIO_new_mem_buf(data.data(), static_cast<int>(data.size())));
  std::unique_ptr<PKCS12, Deleter<PKCS12, PKCS12_free>> p12(d2i_PKCS12_bio(in.get(), nullptr));
  if (!p12) refuse(path + " is not a PKCS#12 digital ID");
  EVP_PKEY* key = nullptr;
  X509* cert = nullptr;
  STACK_OF(X509)* chain = nullptr;
  if (!PKCS12_parse(p12.get(), password.c_str(), &key, &cert, &chain)) {
    ERR_clear_error();
    refuse("the password does not open " + path);
  }
  DigitalId id{Key(key), Cert(cert), Chain(chain)};
  if (!id.key || !id.cert) refuse(path + " holds no private key with its certificate");
  return id;
}

std::string commonName(X509* cert) {
  char name[256] = {};
  X509_NAME_get_text_by_NID(X509_get_subject_name(cert), NID_commonName, name, sizeof name);
  return name;
}

std::string pdfNow() {
  const std::time_t t = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&t, &utc);
  char text[32];
  std::strftime(text, sizeof text, "D:%Y%m%d%H%M%SZ", &utc);
  return text;
}

}  // namespace

Json readDigitalId(const std::string& path, const std::string& passwordFile) {
  DigitalId id = openDigitalId(path, passwordFile);
  return Json{{"ok", true}, {"subject", commonName(id.cert.get())}};
}

void prepareSignature(QPDF& pdf, const Json& op, QPDFWriter& writer) {
  const std::string name = op.value("field", std::string());
  std::optional<QPDFFormFieldObjectHelper> field = findField(pdf, name);
  if (!field || field->getFieldType() != "/Sig") refuse("sign: no signature field " + name);
  if (field->getValue().isDictionary()) refuse("sign: the field " + name + " is signed already");
  DigitalId id = openDigitalId(op.value("digitalId", std::string()), op.value("passwordFile", std::string()));
  QPDFObjectHandle sig = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
  sig.replaceKey("/Type", QPDFObjectHandle::newName("/Sig"));
  sig.replaceKey("/Filter", QPDFObjectHandle::newName("/Adobe.PPKLite"));
  sig.replaceKey("/SubFilter", QPDFObjectHandle::newName("/adbe.pkcs7.detached"));
  sig.replaceKey("/ByteRange", QPDFObjectHandle::parse(kRangePlaceholder));
  sig.replaceKey("/Contents", QPDFObjectHandle::newString(std::string(kSignatureRoom, '\0')));
  sig.replaceKey("/M", QPDFObjectHandle::newString(pdfNow()));
  sig.replaceKey("/Name", QPDFObjectHandle::newUnicodeString(commonName(id.cert.get())));
  field->getObjectHandle().replaceKey("/V", sig);
  pdf.getRoot().getKey("/AcroForm").replaceKey("/SigFlags", QPDFObjectHandle::newInteger(3));
  // The signature value must stay where completeSignature finds it: plain,
  // outside object streams.
  writer.setObjectStreamMode(qpdf_o_disable);
}

void completeSignature(const std::string& writtenFile, const Json& op) {
  std::string file = readFile(writtenFile);
  const std::string room = "<" + std::string(kSignatureRoom * 2, '0') + ">";
  const size_t contents = file.find(room);
  if (contents == std::string::npos || file.find(room, contents + 1) != std::string::npos)
    refuse("sign: the signature's place is not in the written file");
  const size_t afterContents = contents + room.size();
  const size_t rangeKey = file.rfind("/ByteRange", contents);
  const size_t open = rangeKey == std::string::npos ? rangeKey : file.find('[', rangeKey);
  const size_t close = open == std::string::npos ? open : file.find(']', open);
  if (close == std::string::npos || close > contents) refuse("sign: the byte range is not in the written file");
  std::string range = "[0 " + std::to_string(contents) + " " + std::to_string(afterContents) + " " +
                      std::to_string(file.size() - afterContents) + "]";
  const size_t span = close - open + 1;
  if (range.size() > span) refuse("sign: no room for the byte range");
  range.insert(range.size() - 1, std::string(span - range.size(), ' '));
  file.replace(open, span, range);

  DigitalId id = openDigitalId(op.value("digitalId", std::string()), op.value("passwordFile", std::string()));
  const std::string signedBytes = file.substr(0, contents) + file.substr(afterContents);
  Bio data(BIO_new_mem_buf(signedBytes.data(), static_cast<int>(signedBytes.size())));
  Cms cms(CMS_sign(id.cert.get(), id.key.get(), id.chain.get(), data.get(), CMS_DETACHED | CMS_BINARY));
  if (!cms) refuse("sign: OpenSSL could not sign");
  unsigned char* der = nullptr;
  const int length = i2d_CMS_ContentInfo(cms.get(), &der);
  if (length <= 0 || static_cast<size_t>(length) > kSignatureRoom) {
    OPENSSL_free(der);
    refuse("sign: the signature does not fit");
  }
  static const char* digits = "0123456789abcdef";
  for (int i = 0; i < length; ++i) {
    file[contents + 1 + 2 * static_cast<size_t>(i)] = digits[der[i] >> 4];
    file[contents + 2 + 2 * static_cast<size_t>(i)] = digits[der[i] & 15];
  }
  OPENSSL_free(der);
  std::ofstream out(writtenFile, std::ios::binary | std::ios::trunc);
  out << file;
  if (!out) refuse("sign: cannot write " + writtenFile);
}

int signatureStatus(QPDFObjectHandle value, const std::string& path) {
  if (!value.isDictionary()) return 0;
  QPDFObjectHandle range = value.getKey("/ByteRange");
  QPDFObjectHandle contents = value.getKey("/Contents");
  if (!range.isArray() || range.getArrayNItems() != 4 || !contents.isString()) return 2;
  long long r[4];
  for (int i = 0; i < 4; ++i) {
    if (!range.getArrayItem(i).isInteger()) return 2;
    r[i] = range.getArrayItem(i).getIntValue();
  }
  std::string file;
  try {
    file = readFile(path);
  } catch (const Failure&) {
    return 2;
  }
  const long long size = static_cast<long long>(file.size());
  // The ranges must cover the whole file but the signature itself.
  if (r[0] != 0 || r[1] < 0 || r[2] < r[1] || r[3] < 0 || r[2] + r[3] != size) return 2;
  const std::string signedBytes =
      file.substr(0, static_cast<size_t>(r[1])) + file.substr(static_cast<size_t>(r[2]), static_cast<size_t>(r[3]));
  const std::string der = contents.getStringValue();
  const unsigned char* p = reinterpret_cast<const unsigned char*>(der.data());
  Cms cms(d2i_CMS_ContentInfo(nullptr, &p, static_cast<long>(der.size())));
  if (!cms) return 2;
  Bio data(BIO_new_mem_buf(signedBytes.data(), static_cast<int>(signedBytes.size())));
  // A self-signed digital ID: the signature is checked, the identity is not.
  const int ok = CMS_verify(cms.get(), nullptr, nullptr, data.get(), nullptr,
                            CMS_DETACHED | CMS_BINARY | CMS_NO_SIGNER_CERT_VERIFY);
  ERR_clear_error();
  return ok == 1 ? 3 : 2;
}

}  // namespace dv::pdftool
