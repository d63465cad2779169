// The composer on the in-memory machine of the conversion tests: the Word
// stand-in composing in memory, the Distiller double, and a fresh set of
// library-wide values for each test (no CreatePDF made yet).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "composer/new_document.h"
#include "convert/convert_fixture.h"

namespace dv::lib::testing {

class ComposerFixture : public ConvertFixture {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The journal from the last mark() on: no create lines, objects renamed
  // Class#k in order of appearance, temporary names as N.
  std::vector<std::string> calls() const;
  void mark() { from_ = standins::Control::instance().journalLines().size(); }
  NewDocument& doc();
  // The files in c:\temp, in lower case.
  std::vector<std::string> tempFiles() const;
  void fail(const std::string& object, const std::string& member, int32_t number = -2147467259,
            const std::string& description = "It broke") {
    standins::Control::instance().injectFailure({object, member, 0, number, description, ""});
  }

  std::unique_ptr<NewDocument> doc_;

 private:
  size_t from_ = 0;
};

}  // namespace dv::lib::testing
