// Small, valid PDF files written byte by byte for the document tests: a
// number of empty pages, an optional title and text fields.
#pragma once

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace dv::testing {

inline void writeTestPdf(const std::string& path, int pages, const std::string& title = "",
                         const std::vector<std::string>& fields = {}) {
  std::vector<std::string> objects;  // object n is objects[n - 1]
  const int firstPage = 3;
  const int firstField = firstPage + pages;
  const int info = firstField + static_cast<int>(fields.size());
  std::string kids, annots, fieldRefs;
  for (int i = 0; i < pages; ++i) kids += std::to_string(firstPage + i) + " 0 R ";
  for (size_t i = 0; i < fields.size(); ++i) fieldRefs += std::to_string(firstField + static_cast<int>(i)) + " 0 R ";
  objects.push_back("<< /Type /Catalog /Pages 2 0 R" +
                    (fields.empty() ? std::string() : " /AcroForm << /Fields [" + fieldRefs + "] >>") + " >>");
  objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
  for (int i = 0; i < pages; ++i)
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792]" +
                      (i == 0 && !fields.empty() ? " /Annots [" + fieldRefs + "]" : std::string()) + " >>");
  for (size_t i = 0; i < fields.size(); ++i)
    objects.push_back("<< /Type /Annot /Subtype /Widget /FT /Tx /T (" + fields[i] + ") /Rect [72 " +
                      std::to_string(700 - 30 * static_cast<int>(i)) + " 272 " +
                      std::to_string(720 - 30 * static_cast<int>(i)) + "] /P 3 0 R >>");
  objects.push_back("<< /Producer (document tests)" + (title.empty() ? std::string() : " /Title (" + title + ")") +
                    " /CreationDate (D:20240102030405) >>");

  std::string pdf = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t offset : offsets) {
    char line[24];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
    pdf += line;
  }
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R /Info " + std::to_string(info) +
         " 0 R /ID [<00112233445566778899aabbccddeeff> <ffeeddccbbaa99887766554433221100>] >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n";
  std::ofstream(path, std::ios::binary) << pdf;
}

}  // namespace dv::testing
