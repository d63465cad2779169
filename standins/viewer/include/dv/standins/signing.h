// Digital IDs and signatures of the viewer stand-in, through dv-pdftool
// (OpenSSL): a PKCS#12 file opened with its password, and a document
// signed in its file the way Acrobat's signatureSign does it (the document
// is saved with the signature at once).
#pragma once

#include <string>

namespace dv::standins {

struct ViewerDocument;

// True when `path` is a PKCS#12 file that `password` opens and that holds
// a certificate with its private key.
bool checkDigitalId(const std::string& path, const std::string& password);
// Saves the document into its own file with the field signed by the
// digital ID; raises a JavaScript error when that fails.
void signViewerDocument(ViewerDocument& doc, const std::string& field, const std::string& digitalId,
                        const std::string& password);

}  // namespace dv::standins
