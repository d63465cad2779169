// The in-memory doubles where they do more than record: registry result
// codes and access rules, Windows path and wildcard rules, the clock's
// midnight wrap, and the fake host's wiring.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <stdexcept>

#include "dv/codepage.h"
#include "dv/fakes/fake_host.h"
#include "dv/vb.h"

namespace {

using namespace dv::fakes;
using dv::kHkeyClassesRoot;
using dv::kHkeyCurrentUser;
using dv::kHkeyLocalMachine;

std::vector<uint8_t> bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

TEST(FakeRegistry, OpenQueryAndMoreData) {
  FakeRegistry reg;
  reg.setString(kHkeyLocalMachine, "SOFTWARE\\Classes\\AcroExch.App\\AcrobatVersion", "", "9.0");
  dv::RegKey key = 0;
  // HKCR is the machine's class view; paths ignore case.
  ASSERT_EQ(reg.openKey(kHkeyClassesRoot, "acroexch.app\\ACROBATVERSION", kKeyRead, key), kErrorSuccess);
  uint32_t type = 0, size = 0;
  ASSERT_EQ(reg.queryValue(key, "", type, nullptr, size), kErrorSuccess);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, 4u);  // "9.0" and its terminator
  std::vector<uint8_t> data;
  uint32_t small = 2;
  EXPECT_EQ(reg.queryValue(key, "", type, &data, small), kErrorMoreData);
  EXPECT_EQ(small, 4u);
  ASSERT_EQ(reg.queryValue(key, "", type, &data, size), kErrorSuccess);
  EXPECT_EQ(data, bytes(std::string("9.0", 4)));
  EXPECT_EQ(reg.queryValue(key, "Other", type, &data, size), kErrorFileNotFound);
  EXPECT_EQ(reg.openHandles(), 1u);
  EXPECT_EQ(reg.closeKey(key), kErrorSuccess);
  EXPECT_EQ(reg.closeKey(key), kErrorInvalidHandle);
  EXPECT_EQ(reg.openHandles(), 0u);
  EXPECT_EQ(reg.openKey(kHkeyLocalMachine, "SOFTWARE\\Missing", kKeyRead, key), kErrorFileNotFound);
  EXPECT_EQ(reg.openKey(0x1234, "x", kKeyRead, key), kErrorInvalidHandle);
}

TEST(FakeRegistry, CreateWriteAndAccessRules) {
  FakeRegistry reg;
  dv::RegKey key = 0;
  uint32_t disposition = 0;
  ASSERT_EQ(reg.createKey(kHkeyCurrentUser, "Software\\Adobe\\Acrobat PDFWriter", kKeyAllAccess, key, &disposition),
            kErrorSuccess);
  EXPECT_EQ(disposition, 1u);
  ASSERT_EQ(reg.setValue(key, "PDFFilename", kRegSz, bytes(std::string("c:\\a.pdf", 9))), kErrorSuccess);
  EXPECT_EQ(reg.getString(kHkeyCurrentUser, "software\\adobe\\acrobat pdfwriter", "pdffilename"), "c:\\a.pdf");
  reg.closeKey(key);

  // A key opened for reading refuses writes, as the real registry does.
  ASSERT_EQ(reg.openKey(kHkeyCurrentUser, "Software\\Adobe\\Acrobat PDFWriter", kKeyRead, key), kErrorSuccess);
  EXPECT_EQ(reg.setValue(key, "PDFFilename", kRegSz, bytes("x")), kErrorAccessDenied);
  EXPECT_EQ(reg.deleteValue(key, "PDFFilename"), kErrorAccessDenied);
  reg.closeKey(key);

  ASSERT_EQ(reg.createKey(kHkeyCurrentUser, "Software\\Adobe", kKeyAllAccess, key, &disposition), kErrorSuccess);
  EXPECT_EQ(disposition, 2u);
  // Keys with subkeys cannot be deleted; leaves can.
  EXPECT_EQ(reg.deleteKey(key, ""), kErrorAccessDenied);
  EXPECT_EQ(reg.deleteKey(kHkeyCurrentUser, "Software\\Adobe"), kErrorAccessDenied);
  dv::RegKey leaf = 0;
  ASSERT_EQ(reg.openKey(key, "Acrobat PDFWriter", kKeyRead, leaf), kErrorSuccess);
  EXPECT_EQ(reg.deleteKey(key, "Acrobat PDFWriter"), kErrorSuccess);
  EXPECT_FALSE(reg.hasKey(kHkeyCurrentUser, "Software\\Adobe\\Acrobat PDFWriter"));
  uint32_t type = 0, size = 0;
  EXPECT_EQ(reg.queryValue(leaf, "PDFFilename", type, nullptr, size), kErrorKeyDeleted);
  EXPECT_EQ(reg.deleteKey(key, "Acrobat PDFWriter"), kErrorFileNotFound);
  reg.closeKey(leaf);
  reg.closeKey(key);

  // Machine keys for a user without rights: readable, not writable.
  reg.setString(kHkeyLocalMachine, "SOFTWARE\\Adobe", "v", "1");
  reg.deny(kHkeyLocalMachine, "SOFTWARE\\Adobe", FakeRegistry::Denial::Writes);
  EXPECT_EQ(reg.openKey(kHkeyLocalMachine, "SOFTWARE\\Adobe", kKeyRead, key), kErrorSuccess);
  reg.closeKey(key);
  EXPECT_EQ(reg.openKey(kHkeyLocalMachine, "SOFTWARE\\Adobe", kKeyWrite, key), kErrorAccessDenied);
  EXPECT_EQ(reg.createKey(kHkeyLocalMachine, "SOFTWARE\\Adobe\\New", kKeyAllAccess, key, nullptr), kErrorAccessDenied);
  EXPECT_FALSE(reg.hasKey(kHkeyLocalMachine, "SOFTWARE\\Adobe\\New"));
  reg.deny(kHkeyLocalMachine, "SOFTWARE\\Adobe", FakeRegistry::Denial::All);
  EXPECT_EQ(reg.openKey(kHkeyLocalMachine, "SOFTWARE\\Adobe", kKeyRead, key), kErrorAccessDenied);
  EXPECT_EQ(reg.openHandles(), 0u);
}

TEST(FakeFileSystem, PathsIgnoreCaseAndSeparatorStyle) {
  FakeFileSystem fs;
  fs.addFile("C:\\Temp\\Report.PDF", "abc");
  EXPECT_EQ(fs.fileLength("c:/temp/report.pdf"), 3);
  EXPECT_EQ(fs.fileLength("C:\\Temp\\.\\x\\..\\Report.pdf"), 3);
  EXPECT_FALSE(fs.fileLength("C:\\Temp"));  // a folder has no length
  EXPECT_FALSE(fs.fileLength("C:\\Temp\\Report.pdf\\"));
  EXPECT_TRUE(fs.folderExists("c:\\TEMP\\"));
  // A file exists where its length can be read: not a folder, not locked.
  EXPECT_TRUE(fs.fileExists("c:/TEMP/report.pdf"));
  EXPECT_FALSE(fs.fileExists("C:\\Temp"));
  EXPECT_FALSE(fs.fileExists("C:\\Temp\\none.pdf"));
  EXPECT_FALSE(fs.fileExists("Q:\\Temp\\Report.pdf"));
  fs.setLocked("C:\\Temp\\Report.PDF", true);
  EXPECT_FALSE(fs.fileExists("C:\\Temp\\Report.PDF"));
  fs.setLocked("C:\\Temp\\Report.PDF", false);
  fs.setCurrentDirectory("C:\\Temp");
  EXPECT_EQ(fs.readFile("report.pdf"), "abc");
  EXPECT_FALSE(fs.writeFile("C:\\Nope\\x.txt", "x"));  // no parent folder
  EXPECT_FALSE(fs.writeFile("C:\\Temp", "x"));
  EXPECT_FALSE(fs.writeFile("C:\\Temp\\a|b.txt", "x"));
  fs.addFile("\\\\server\\share\\doc.txt", "unc");
  EXPECT_EQ(fs.readFile("\\\\SERVER\\share\\DOC.TXT"), "unc");
}

TEST(FakeFileSystem, WildcardListingInDirectoryOrder) {
  FakeFileSystem fs;
  fs.addFile("C:\\d\\b.pdf", "1");
  fs.addFile("C:\\d\\A.PDF", "22");
  fs.addFile("C:\\d\\notes.txt");
  fs.addFile("C:\\d\\noext");
  fs.addFolder("C:\\d\\sub.pdf");
  fs.addFile("C:\\d\\sub.pdf\\inner.pdf");
  auto names = [&](const std::string& pattern) {
    std::vector<std::string> out;
    for (const auto& e : fs.list(pattern)) out.push_back(e.name);
    return out;
  };
  EXPECT_EQ(names("C:\\d\\*.pdf"), (std::vector<std::string>{"b.pdf", "A.PDF", "sub.pdf"}));
  EXPECT_EQ(names("C:\\d\\*.*").size(), 5u);  // "*.*" includes names without a dot
  EXPECT_EQ(names("C:\\d\\?.pdf"), (std::vector<std::string>{"b.pdf", "A.PDF"}));
  EXPECT_EQ(names("C:\\d\\no*"), (std::vector<std::string>{"notes.txt", "noext"}));
  EXPECT_EQ(names("C:\\d\\a.pdf"), (std::vector<std::string>{"A.PDF"}));
  EXPECT_TRUE(names("C:\\missing\\*").empty());
  EXPECT_TRUE(names("C:\\d\\").empty());
  const auto entries = fs.list("C:\\d\\A.pdf");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].size, 2);
  EXPECT_TRUE(fs.list("C:\\d\\sub.pdf")[0].directory);
  EXPECT_TRUE(FakeFileSystem::matches("*a*b?", "xxAyyBz"));
  EXPECT_FALSE(FakeFileSystem::matches("*a*b?", "xxAyyB"));
  EXPECT_TRUE(FakeFileSystem::matches("?ü*", "xÜber"));
}

TEST(FakeFileSystem, FoldersDeletionAndLongNames) {
  FakeFileSystem fs;
  EXPECT_EQ(fs.createFolder("C:\\a"), 0);
  EXPECT_EQ(fs.createFolder("C:\\A"), dv::vb::kPathFileAccess);
  EXPECT_EQ(fs.createFolder("C:\\b\\c"), dv::vb::kPathNotFound);
  EXPECT_EQ(fs.createFolder("Q:\\x"), dv::vb::kPathNotFound);
  fs.addFile("C:\\a\\f.txt");
  EXPECT_EQ(fs.createFolder("C:\\a\\f.txt"), dv::vb::kPathFileAccess);
  EXPECT_EQ(fs.createFolder("C:\\a\\f.txt\\g"), dv::vb::kPathNotFound);
  fs.setReadOnly("C:\\a\\f.txt", true);
  EXPECT_FALSE(fs.deleteFile("C:\\a\\f.txt"));
  fs.setReadOnly("C:\\a\\f.txt", false);
  EXPECT_FALSE(fs.deleteFile("C:\\a"));
  EXPECT_TRUE(fs.deleteFile("C:\\A\\F.TXT"));
  EXPECT_FALSE(fs.deleteFile("C:\\a\\f.txt"));

  fs.addFile("C:\\Program Files\\Docvane\\dlgrelay.exe");
  fs.addShortName("C:\\Program Files", "PROGRA~1");
  EXPECT_EQ(fs.longPathName("c:\\progra~1\\docvane\\DLGRELAY.EXE"), "c:\\Program Files\\Docvane\\dlgrelay.exe");
  EXPECT_EQ(fs.longPathName("C:\\PROGRA~1\\"), "C:\\Program Files\\");
  EXPECT_EQ(fs.longPathName("C:\\PROGRA~2"), "");
}

TEST(FakeClock, TimerWrapsAtMidnightAndSleepsAdvance) {
  FakeClock clock;
  clock.setTimeOfDay(86399.5);
  const uint64_t tick = clock.tickMs();
  EXPECT_DOUBLE_EQ(clock.secondsSinceMidnight(), 86399.5);
  const double day = std::floor(clock.now());
  clock.sleepMs(1000);
  EXPECT_DOUBLE_EQ(clock.secondsSinceMidnight(), 0.5);
  EXPECT_EQ(std::floor(clock.now()), day + 1);
  EXPECT_EQ(clock.tickMs(), tick + 1000);  // the tick count does not wrap
  EXPECT_EQ(clock.sleeps(), 1);
  EXPECT_EQ(clock.sleptMs(), 1000u);
  clock.setAdvancePerReadMs(250);
  const double t = clock.secondsSinceMidnight();
  EXPECT_DOUBLE_EQ(clock.secondsSinceMidnight() - t, 0.25);
  clock.setNow(dv::vb::DateSerial(2000, 1, 1) + 0.5);
  clock.setAdvancePerReadMs(0);
  EXPECT_DOUBLE_EQ(clock.secondsSinceMidnight(), 43200.0);
}

TEST(FakeHost, FilesGrowWhileTheCodeWaits) {
  FakeHost fake;
  dv::Host host = fake.host();
  fake.files.addFolder("C:\\out");
  int ticks = 0;
  fake.files.setTickHook([&](FakeFileSystem& fs) {
    if (++ticks <= 3) fs.appendFile("C:\\out\\x.pdf", "data");
  });
  host.pump.pump();
  EXPECT_EQ(host.files.fileLength("C:\\out\\x.pdf"), 4);
  host.clock.sleepMs(1000);
  host.clock.sleepMs(1000);
  host.clock.sleepMs(1000);
  EXPECT_EQ(host.files.fileLength("C:\\out\\x.pdf"), 12);
  EXPECT_EQ(fake.pump.count(), 1);
  // Files written through the seam carry the clock's time.
  ASSERT_TRUE(host.files.writeFile("C:\\out\\y.txt", "y"));
  EXPECT_DOUBLE_EQ(*fake.files.modified("C:\\out\\y.txt"), fake.clock.now());

  // The clipboard saves into the same file system.
  EXPECT_FALSE(host.clipboard.saveBitmap("C:\\out\\clip.bmp"));
  fake.clipboard.setBitmap("BMxx");
  EXPECT_TRUE(host.clipboard.saveBitmap("C:\\out\\clip.bmp"));
  EXPECT_EQ(fake.files.contents("C:\\out\\clip.bmp"), "BMxx");

  fake.processes.setFailing(true);
  EXPECT_FALSE(host.processes.startHidden("x.exe"));
  fake.processes.setFailing(false);
  EXPECT_TRUE(host.processes.startHidden("\"C:\\a b\\x.exe\" arg"));
  EXPECT_EQ(fake.processes.started(), (std::vector<std::string>{"\"C:\\a b\\x.exe\" arg"}));
  fake.shell.setSpecialFolder(kCsidlPersonal, "");
  EXPECT_EQ(host.shell.specialFolder(kCsidlPersonal), "");
  EXPECT_EQ(host.shell.execute("print", "C:\\a.pdf", "", "", 0), 42);
}

TEST(CodePages, EveryByteRoundTripsAndMissingCharactersAreRefused) {
  namespace cp = dv::codepage;
  for (uint32_t page : {cp::kWestern, cp::kCyrillic}) {
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    EXPECT_EQ(cp::encode(page, cp::decode(page, all)), all) << page;
  }
  struct Case {
    uint32_t page;
    const char* text;
    std::optional<std::string> bytes;
  } cases[] = {
      {cp::kWestern, "\xE2\x82\xAC", "\x80"},  // euro sign
      {cp::kCyrillic, "\xE2\x82\xAC", "\x88"},
      {cp::kWestern, "\xD0\x96", std::nullopt},  // Cyrillic Zhe: not Western
      {cp::kCyrillic, "\xD0\x96", "\xC6"},
      {cp::kCyrillic, "\xC3\xA9", std::nullopt},     // e acute: not Cyrillic
      {cp::kWestern, "\xE6\x97\xA5", std::nullopt},  // a CJK character: in neither
      {cp::kWestern, "\xC3", std::nullopt},          // cut-off UTF-8
      {cp::kUtf8, "\xE6\x97\xA5", "\xE6\x97\xA5"},
  };
  for (const Case& c : cases) EXPECT_EQ(cp::encode(c.page, c.text), c.bytes) << c.page << " " << c.text;
  EXPECT_FALSE(cp::known(932));
  EXPECT_THROW(FakeFileSystem().setAnsiCodePage(932), std::invalid_argument);
}

TEST(FakeRegistry, The32BitViewLivesUnderWow6432NodeAndDenialsCoverSubtrees) {
  FakeRegistry reg;
  dv::RegKey key = 0;
  ASSERT_EQ(reg.createKey(kHkeyLocalMachine, "SOFTWARE\\Adobe\\X", kKeyAllAccess | kKeyWow64_32Key, key, nullptr),
            kErrorSuccess);
  reg.closeKey(key);
  EXPECT_TRUE(reg.hasKey(kHkeyLocalMachine, "SOFTWARE\\Wow6432Node\\Adobe\\X"));
  EXPECT_FALSE(reg.hasKey(kHkeyLocalMachine, "SOFTWARE\\Adobe\\X"));
  EXPECT_EQ(reg.openKey(kHkeyLocalMachine, "SOFTWARE\\Adobe\\X", kKeyRead, key), kErrorFileNotFound);
  reg.setString(kHkeyLocalMachine, "SOFTWARE\\Wow6432Node\\Classes\\AcroExch.App", "", "x");
  ASSERT_EQ(reg.openKey(kHkeyClassesRoot, "AcroExch.App", kKeyRead | kKeyWow64_32Key, key), kErrorSuccess);
  reg.closeKey(key);
  // Outside HKLM\Software the views are the same key.
  reg.createPath(kHkeyCurrentUser, "Software\\Y");
  ASSERT_EQ(reg.openKey(kHkeyCurrentUser, "Software\\Y", kKeyRead | kKeyWow64_32Key, key), kErrorSuccess);
  reg.closeKey(key);

  reg.deny(kHkeyLocalMachine, "", FakeRegistry::Denial::Writes);
  EXPECT_EQ(reg.openKey(kHkeyLocalMachine, "SOFTWARE\\Wow6432Node\\Adobe\\X", kKeyWrite, key), kErrorAccessDenied);
  EXPECT_EQ(reg.createKey(kHkeyLocalMachine, "SOFTWARE\\New", kKeyAllAccess, key, nullptr), kErrorAccessDenied);
  ASSERT_EQ(reg.openKey(kHkeyLocalMachine, "SOFTWARE\\Wow6432Node\\Adobe\\X", kKeyRead, key), kErrorSuccess);
  reg.closeKey(key);
  EXPECT_EQ(reg.openHandles(), 0u);
}

}  // namespace
