#include <gtest/gtest.h>

#include "dv/fakes/fake_host.h"
#include "dv/vb.h"
#include "frame/registry.h"

namespace {

using dv::Variant;
using dv::lib::clsRegistry;

constexpr int32_t kHklm = static_cast<int32_t>(dv::kHkeyLocalMachine);
constexpr int32_t kHkcu = static_cast<int32_t>(dv::kHkeyCurrentUser);
const char* kKey = "SOFTWARE\\Docvane\\Test";

class RegistryTest : public ::testing::Test {
 protected:
  dv::fakes::FakeHost fake;
  dv::fakes::FakeRegistry& reg = fake.registry;
  void setRaw(const std::string& name, uint32_t type, std::vector<uint8_t> data) {
    reg.setRaw(dv::kHkeyLocalMachine, kKey, name, type, std::move(data));
  }
  Variant read(const std::string& name, bool binary = false) {
    clsRegistry r(fake.registry, fake.ui);
    EXPECT_TRUE(r.OpenRegistry(kHklm, kKey));
    return r.GetValue(name, binary);
  }
};

TEST_F(RegistryTest, OpenTracksRootAndPathAndClosesItsHandles) {
  reg.createPath(dv::kHkeyLocalMachine, kKey);
  {
    clsRegistry r(fake.registry, fake.ui);
    EXPECT_FALSE(r.OpenRegistry(0, kKey));
    EXPECT_EQ(r.RegistryRootKey(), 0);
    EXPECT_TRUE(r.OpenRegistry(kHklm, kKey));
    EXPECT_EQ(r.RegistryRootKey(), kHklm);
    EXPECT_EQ(r.SubDirectory(), kKey);
    // A second open replaces the first key: never more than one handle.
    EXPECT_TRUE(r.OpenRegistry(kHklm, "SOFTWARE\\Docvane"));
    EXPECT_EQ(reg.openHandles(), 1u);
    // A failed reopen leaves no key open, and the stale handle is not
    // closed a second time later.
    EXPECT_FALSE(r.OpenRegistry(kHkcu, "Software\\Nowhere"));
    EXPECT_FALSE(r.keyOpen());
    EXPECT_EQ(r.SubDirectory(), "Software\\Nowhere");
    EXPECT_EQ(reg.openHandles(), 0u);
    EXPECT_FALSE(r.CloseRegistry());
    EXPECT_TRUE(r.GetValue("").isEmpty());
  }
  {
    clsRegistry r(fake.registry, fake.ui);
    ASSERT_TRUE(r.OpenRegistry(kHklm, kKey));
    EXPECT_TRUE(r.CloseRegistry());
    EXPECT_FALSE(r.CloseRegistry());
  }
  {
    clsRegistry r(fake.registry, fake.ui);
    ASSERT_TRUE(r.OpenRegistry(kHklm, kKey));
  }
  EXPECT_EQ(reg.openHandles(), 0u);
}

TEST_F(RegistryTest, GetValueTextValues) {
  reg.setString(dv::kHkeyLocalMachine, kKey, "", "8.0");
  reg.setString(dv::kHkeyLocalMachine, kKey, "Empty", "");
  setRaw("Expand", dv::lib::kRegExpandSz, {'%', 'X', '%', 0});
  setRaw("NoTerminator", dv::lib::kRegSz, {'a', 'b'});
  EXPECT_EQ(read("").stringValue(), "8.0");  // the default value, without its zero
  EXPECT_EQ(read("Empty").stringValue(), "");
  EXPECT_EQ(read("Expand").stringValue(), "%X%");
  EXPECT_EQ(read("NoTerminator").stringValue(), "ab");
  EXPECT_TRUE(read("Missing").isEmpty());
}

TEST_F(RegistryTest, GetValueBinaryAndNumbers) {
  setRaw("Bin", dv::lib::kRegBinary, {0x0A, 0xFF});
  reg.setDword(dv::kHkeyLocalMachine, kKey, "Dword", 0x0102030A);
  setRaw("Big", dv::lib::kRegDwordBigEndian, {'a', 'b', 'c', 'd'});
  EXPECT_EQ(read("Bin").stringValue(), "0A FF ");
  EXPECT_EQ(read("Dword").stringValue(), "0A 03 02 01 ");
  EXPECT_EQ(read("Bin", true).stringValue(), std::string("\x0A\xFF", 2));
  EXPECT_EQ(read("Dword", true).stringValue(), std::string("\x0A\x03\x02\x01", 4));
  EXPECT_EQ(read("Big").stringValue(), "abcd");
}

TEST_F(RegistryTest, GetValueMultiStringsAndDiagnostics) {
  setRaw("Multi", dv::lib::kRegMultiSz, {'a', 0, 'b', 0, 0});
  Variant multi = read("Multi");
  ASSERT_TRUE(multi.isArray());
  const dv::Array& items = multi.arrayValue();
  EXPECT_EQ(items.lbound(), 0);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items.at(0).stringValue(), "a");
  EXPECT_EQ(items.at(1).stringValue(), "b");
  EXPECT_EQ(items.at(2).stringValue(), "");
  setRaw("Unterminated", dv::lib::kRegMultiSz, {'a', 0, 'b'});
  EXPECT_EQ(read("Unterminated").arrayValue().size(), 2u);

  setRaw("None", dv::lib::kRegNone, {});
  setRaw("Link", dv::lib::kRegLink, {1});
  setRaw("List", 8, {1});
  setRaw("Full", 9, {1});
  setRaw("Req", 10, {1});
  setRaw("Qword", 11, {1, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(read("None").stringValue(), "Not defined value_type=REG_NONE");
  EXPECT_EQ(read("Link").stringValue(), "Not defined value_type=REG_LINK");
  EXPECT_EQ(read("List").stringValue(), "Not defined value_type=REG_RESOURCE_LIST");
  EXPECT_EQ(read("Full").stringValue(), "Not defined value_type=REG_FULL_RESOURCE_DESCRIPTOR");
  EXPECT_EQ(read("Req").stringValue(), "Not defined value_type=REG_RESOURCE_REQUIREMENTS_LIST");
  EXPECT_EQ(read("Qword").stringValue(), "value_type=11");
}

// A registry whose value queries fail with a chosen code.
class FailingQueries : public dv::fakes::FakeRegistry {
 public:
  long code = 0;
  long queryValue(dv::RegKey key, const std::string& name, uint32_t& type, std::vector<uint8_t>* data,
                  uint32_t& size) override {
    if (code) return code;
    return FakeRegistry::queryValue(key, name, type, data, size);
  }
};

TEST_F(RegistryTest, GetValueReportsQueryFailuresAsText) {
  FailingQueries failing;
  failing.setString(dv::kHkeyLocalMachine, kKey, "V", "x");
  clsRegistry r(failing, fake.ui);
  ASSERT_TRUE(r.OpenRegistry(kHklm, kKey));
  failing.code = 5;
  EXPECT_EQ(r.GetValue("V").stringValue(), "Access Denied");
  failing.code = 1234;
  EXPECT_EQ(r.GetValue("V").stringValue(), "RegQueryValueEx Returned : (1234)");
  failing.code = 2;
  EXPECT_TRUE(r.GetValue("V").isEmpty());
  failing.code = 0;
  EXPECT_EQ(r.GetValue("V").stringValue(), "x");
}

TEST_F(RegistryTest, CreateValueWritesEachType) {
  reg.createPath(dv::kHkeyCurrentUser, "Software\\Adobe\\Acrobat PDFWriter");
  clsRegistry r(fake.registry, fake.ui);
  int32_t type = dv::lib::kRegSz;
  EXPECT_FALSE(r.CreateValue("PDFFilename", Variant("c:\\a.pdf"), type));  // no key open
  ASSERT_TRUE(r.OpenRegistry(kHkcu, "Software\\Adobe\\Acrobat PDFWriter"));
  EXPECT_TRUE(r.CreateValue("PDFFilename", Variant("c:\\a.pdf"), type));
  EXPECT_EQ(reg.getString(dv::kHkeyCurrentUser, "Software\\Adobe\\Acrobat PDFWriter", "PDFFilename"), "c:\\a.pdf");
  EXPECT_EQ(r.GetValue("PDFFilename").stringValue(), "c:\\a.pdf");

  type = dv::lib::kRegDword;
  EXPECT_TRUE(r.CreateValue("Number", Variant("258"), type));
  EXPECT_EQ(reg.getDword(dv::kHkeyCurrentUser, "Software\\Adobe\\Acrobat PDFWriter", "Number"), 258u);
  EXPECT_TRUE(r.CreateValue("Negative", Variant(int32_t{-1}), type));
  EXPECT_EQ(reg.getDword(dv::kHkeyCurrentUser, "Software\\Adobe\\Acrobat PDFWriter", "Negative"), 0xFFFFFFFFu);

  type = dv::lib::kRegMultiSz;
  dv::Array extra = dv::Array::vector(dv::VarType::Variant, {Variant("b"), Variant::null(), Variant(),
                                                             Variant(std::string(1, '\0')), Variant(int16_t{7})});
  EXPECT_TRUE(r.CreateValue("Multi", Variant("a"), type, Variant(extra)));
  Variant back = r.GetValue("Multi");
  ASSERT_EQ(back.arrayValue().size(), 4u);  // a, b, 7 and the final empty element
  EXPECT_EQ(back.arrayValue().at(2).stringValue(), "7");
  EXPECT_TRUE(r.CreateValue("Single", Variant("a"), type, Variant("c")));
  EXPECT_EQ(r.GetValue("Single").arrayValue().size(), 3u);
  EXPECT_TRUE(r.CreateValue("Alone", Variant("a"), type));
  EXPECT_EQ(r.GetValue("Alone").arrayValue().size(), 2u);
  EXPECT_TRUE(fake.ui.boxes().empty());
}

TEST_F(RegistryTest, CreateValueRefusesOtherTypesWithAMessage) {
  reg.createPath(dv::kHkeyCurrentUser, "Software\\T");
  clsRegistry r(fake.registry, fake.ui);
  ASSERT_TRUE(r.OpenRegistry(kHkcu, "Software\\T"));
  for (int32_t type : {0, 3, 5, 6, 8, -1}) {
    EXPECT_FALSE(r.CreateValue("V", Variant("x"), type));
    EXPECT_FALSE(reg.hasValue(dv::kHkeyCurrentUser, "Software\\T", "V"));
  }
  ASSERT_EQ(fake.ui.boxes().size(), 6u);
  EXPECT_EQ(fake.ui.boxes()[0].text, "Unable to process that Type of data.");
}

TEST_F(RegistryTest, CreateDirectoryAndOneBackOnKey) {
  reg.createPath(dv::kHkeyCurrentUser, "Software\\A\\B");
  clsRegistry r(fake.registry, fake.ui);
  EXPECT_FALSE(r.CreateDirectory("New"));
  ASSERT_TRUE(r.OpenRegistry(kHkcu, "Software\\A\\B"));
  EXPECT_TRUE(r.CreateDirectory("New\\Deep"));
  EXPECT_TRUE(reg.hasKey(dv::kHkeyCurrentUser, "Software\\A\\B\\New\\Deep"));
  EXPECT_EQ(reg.openHandles(), 1u);  // the new key's handle is closed at once
  EXPECT_EQ(r.SubDirectory(), "Software\\A\\B");

  EXPECT_TRUE(r.OneBackOnKey().isEmpty());
  EXPECT_EQ(r.SubDirectory(), "Software\\A");
  EXPECT_TRUE(r.keyOpen());
  EXPECT_EQ(dv::lib::FindLastBackslash("Software"), 0);
  EXPECT_EQ(dv::lib::FindLastBackslash("a\\b\\c"), 4);
  r.OneBackOnKey();
  EXPECT_EQ(r.SubDirectory(), "Software");
  try {
    r.OneBackOnKey();
    FAIL() << "a key without a parent path must fail";
  } catch (const dv::AutomationError& e) {
    EXPECT_EQ(e.number(), dv::vb::runtimeErrorNumber(dv::vb::kInvalidProcedureCall));
  }
  EXPECT_EQ(reg.openHandles(), 1u);
}

// Records the access mask of every open.
class RecordingRegistry : public dv::fakes::FakeRegistry {
 public:
  std::vector<uint32_t> masks;
  long openKey(dv::RegKey root, const std::string& subKey, uint32_t access, dv::RegKey& result) override {
    masks.push_back(access);
    return FakeRegistry::openKey(root, subKey, access, result);
  }
};

TEST_F(RegistryTest, ReadsAskOnlyForReadingAndWritesReopenForWriting) {
  // A user without administrator rights: HKLM refuses every write open.
  RecordingRegistry machine;
  machine.setString(dv::kHkeyLocalMachine, kKey, "V", "8.0");
  machine.createPath(dv::kHkeyCurrentUser, "Software\\Adobe\\Acrobat PDFWriter");
  machine.deny(dv::kHkeyLocalMachine, "", dv::fakes::FakeRegistry::Denial::Writes);
  clsRegistry r(machine, fake.ui);
  ASSERT_TRUE(r.OpenRegistry(kHklm, kKey));
  EXPECT_EQ(r.GetValue("V").stringValue(), "8.0");
  int32_t type = dv::lib::kRegSz;
  EXPECT_FALSE(r.CreateValue("V", Variant("9.0"), type));
  EXPECT_FALSE(r.CreateDirectory("Sub"));
  EXPECT_EQ(machine.getString(dv::kHkeyLocalMachine, kKey, "V"), "8.0");
  EXPECT_FALSE(machine.hasKey(dv::kHkeyLocalMachine, std::string(kKey) + "\\Sub"));
  // The refused writes leave the key open for reading.
  EXPECT_TRUE(r.keyOpen());
  EXPECT_EQ(r.GetValue("V").stringValue(), "8.0");
  EXPECT_EQ(machine.masks, (std::vector<uint32_t>{0x20019, 0x2000F, 0x2000F}));

  // Where writing is allowed the write open happens once, with the mask
  // the writing members have always used.
  machine.masks.clear();
  ASSERT_TRUE(r.OpenRegistry(kHkcu, "Software\\Adobe\\Acrobat PDFWriter"));
  EXPECT_TRUE(r.CreateValue("PDFFilename", Variant("c:\\a.pdf"), type));
  EXPECT_TRUE(r.CreateDirectory("Sub"));
  EXPECT_EQ(machine.masks, (std::vector<uint32_t>{0x20019, 0x2000F}));
  EXPECT_EQ(machine.getString(dv::kHkeyCurrentUser, "Software\\Adobe\\Acrobat PDFWriter", "PDFFilename"), "c:\\a.pdf");
  EXPECT_EQ(machine.openHandles(), 1u);
}

TEST_F(RegistryTest, ApplicationKeysAreReadInTheOwnViewThenInThe32BitView) {
  const std::string only32 = "SOFTWARE\\Adobe\\Acrobat Distiller\\9.0\\PrinterName";
  const std::string both = "SOFTWARE\\Adobe\\Acrobat Distiller\\10.0\\PrinterName";
  reg.setString(dv::kHkeyLocalMachine, "SOFTWARE\\Wow6432Node\\Adobe\\Acrobat Distiller\\9.0\\PrinterName", "",
                "Thirty-two");
  reg.setString(dv::kHkeyLocalMachine, "SOFTWARE\\Wow6432Node\\Adobe\\Acrobat Distiller\\10.0\\PrinterName", "", "Old");
  reg.setString(dv::kHkeyLocalMachine, both, "", "Own");
  clsRegistry r(fake.registry, fake.ui);
  EXPECT_FALSE(r.OpenRegistry(kHklm, only32));
  ASSERT_TRUE(dv::lib::OpenApplicationKey(r, kHklm, only32));
  EXPECT_EQ(r.view(), dv::lib::kView32);
  EXPECT_EQ(r.GetValue("").stringValue(), "Thirty-two");
  // The parent is reopened in the same view.
  r.OneBackOnKey();
  EXPECT_TRUE(r.keyOpen());
  EXPECT_EQ(r.SubDirectory(), "SOFTWARE\\Adobe\\Acrobat Distiller\\9.0");
  ASSERT_TRUE(dv::lib::OpenApplicationKey(r, kHklm, both));
  EXPECT_EQ(r.view(), dv::lib::kOwnView);
  EXPECT_EQ(r.GetValue("").stringValue(), "Own");
  EXPECT_FALSE(dv::lib::OpenApplicationKey(r, kHklm, "SOFTWARE\\Adobe\\Nothing"));
  EXPECT_EQ(reg.openHandles(), 0u);
}

}  // namespace
