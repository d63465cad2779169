#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "dv/fakes/fake_host.h"
#include "frame/printers.h"

using dv::fakes::FakeHost;
using dv::fakes::FakePrinters;
using dv::fakes::WindowMessage;

namespace {

constexpr uint32_t kWinIniChange = 0x1A;

std::vector<WindowMessage> broadcasts(const FakeHost& fake) {
  std::vector<WindowMessage> out;
  for (const auto& m : fake.windows.journal()) {
    if (m.window == dv::kHwndBroadcast) out.push_back(m);
  }
  return out;
}

class SetDefPrinterNT : public ::testing::Test {
 protected:
  SetDefPrinterNT() {
    fake.printers.addPrinter("Local Laser", "LPT1:");
    fake.printers.setDefault("Local Laser");
  }
  FakeHost fake;
  dv::Host host = fake.host();
};

TEST_F(SetDefPrinterNT, WritesDeviceFromPrinterPortsAndBroadcastsTheChange) {
  fake.printers.addPrinter("Adobe PDF", "Ne01:", 0, "");
  fake.printers.setProfile("PrinterPorts", "Adobe PDF", "winspool,Ne01:,15,45");

  dv::lib::setDefPrinter(host, "Adobe PDF");

  ASSERT_EQ(fake.printers.profileWrites().size(), 1u);
  EXPECT_EQ(fake.printers.profileWrites()[0].section, "windows");
  EXPECT_EQ(fake.printers.profileWrites()[0].key, "Device");
  EXPECT_EQ(fake.printers.profileWrites()[0].value, "Adobe PDF,winspool,Ne01:");
  EXPECT_EQ(dv::lib::currentDefaultPrinter(host), "Adobe PDF");
  auto sent = broadcasts(fake);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].kind, WindowMessage::Kind::SendText);
  EXPECT_EQ(sent[0].message, kWinIniChange);
  EXPECT_EQ(sent[0].wParam, 0u);
  EXPECT_EQ(sent[0].text, "windows");
  EXPECT_TRUE(fake.printers.printerWrites().empty());
}

TEST_F(SetDefPrinterNT, LeavesTheDefaultAloneWithoutAUsablePrinterPortsEntry) {
  fake.printers.setProfile("PrinterPorts", "Driver Only", "winspool");
  fake.printers.setProfile("PrinterPorts", "No Port", "winspool,Ne02:");  // no second comma
  fake.printers.setProfile("PrinterPorts", "Empty Driver", ",Ne03:,15,45");
  for (const char* name : {"", "No Such Printer", "Driver Only", "No Port", "Empty Driver"}) {
    dv::lib::setDefPrinter(host, name);
  }
  EXPECT_TRUE(fake.printers.profileWrites().empty());
  EXPECT_TRUE(broadcasts(fake).empty());
  EXPECT_EQ(dv::lib::currentDefaultPrinter(host), "Local Laser");
}

TEST_F(SetDefPrinterNT, RemembersAndPutsBackTheDefault) {
  fake.printers.addPrinter("Acrobat Distiller", "C:\\temp\\*.pdf");
  std::string kept = dv::lib::currentDefaultPrinter(host);
  dv::lib::setDefPrinter(host, "Acrobat Distiller");
  EXPECT_EQ(dv::lib::currentDefaultPrinter(host), "Acrobat Distiller");
  dv::lib::setDefPrinter(host, kept);
  EXPECT_EQ(dv::lib::currentDefaultPrinter(host), "Local Laser");
  EXPECT_EQ(fake.printers.profile("windows", "Device"), "Local Laser,winspool,LPT1:");
}

TEST(ParsePrinterPorts, TakesTheFirstTwoCommaSeparatedFields) {
  struct Case {
    const char* entry;
    const char* driver;
    const char* port;
  } cases[] = {
      {"winspool,Ne01:,15,45", "winspool", "Ne01:"},
      {"winspool,Ne01:,", "winspool", "Ne01:"},
      {"winspool,Ne01:", "winspool", ""},
      {"winspool", "", ""},
      {"", "", ""},
      {",,", "", ""},
      {"a,b,c,d,e", "a", "b"},
  };
  for (const auto& c : cases) {
    auto p = dv::lib::parsePrinterPorts(c.entry);
    EXPECT_EQ(p.driver, c.driver) << c.entry;
    EXPECT_EQ(p.port, c.port) << c.entry;
  }
}

class SetDefPrinter9x : public ::testing::Test {
 protected:
  SetDefPrinter9x() {
    fake.printers.setPlatformId(1);
    fake.printers.addPrinter("Old Default", "LPT1:", 0x4 | 0x40);
    fake.printers.addPrinter("Acrobat PDFWriter", "LPT2:", 0x240);
  }
  FakeHost fake;
  dv::Host host = fake.host();
};

TEST_F(SetDefPrinter9x, WritesTheRecordBackWithOnlyTheDefaultAttribute) {
  dv::lib::setDefPrinter(host, "Acrobat PDFWriter");

  ASSERT_EQ(fake.printers.printerWrites().size(), 1u);
  const auto& w = fake.printers.printerWrites()[0];
  EXPECT_EQ(w.printer, "Acrobat PDFWriter");
  EXPECT_EQ(w.info.printerName, "Acrobat PDFWriter");
  EXPECT_EQ(w.info.portName, "LPT2:");
  EXPECT_EQ(w.info.attributes, 4u);
  EXPECT_EQ(w.info.deviceNotSelectedTimeout, 15000u);
  EXPECT_EQ(w.info.transmissionRetryTimeout, 45000u);
  EXPECT_EQ(dv::lib::currentDefaultPrinter(host), "Acrobat PDFWriter");
  // The 9x branch touches neither the profile nor the windows.
  EXPECT_TRUE(fake.printers.profileWrites().empty());
  EXPECT_TRUE(broadcasts(fake).empty());
}

TEST_F(SetDefPrinter9x, EmptyUnknownOrUnreadablePrinterChangesNothing) {
  dv::lib::setDefPrinter(host, "");
  dv::lib::setDefPrinter(host, "No Such Printer");
  fake.printers.failGetPrinter(true);
  dv::lib::setDefPrinter(host, "Acrobat PDFWriter");
  EXPECT_TRUE(fake.printers.printerWrites().empty());
  EXPECT_EQ(dv::lib::currentDefaultPrinter(host), "Old Default");
}

TEST_F(SetDefPrinter9x, FailedSetPrinterIsNotReported) {
  fake.printers.failSetPrinter(true);
  EXPECT_NO_THROW(dv::lib::setDefPrinter(host, "Acrobat PDFWriter"));
  EXPECT_EQ(dv::lib::currentDefaultPrinter(host), "Old Default");
}

TEST_F(SetDefPrinter9x, PortNamesUpTo511CharactersRoundTripLongerOnesAreNotWrittenBack) {
  std::string fits(511, 'p');
  fake.printers.addPrinter("Fits", fits);
  dv::lib::setDefPrinter(host, "Fits");
  ASSERT_EQ(fake.printers.printerWrites().size(), 1u);
  EXPECT_EQ(fake.printers.printerWrites()[0].info.portName, fits);

  // A port cut short by the 512-character buffer would be written back
  // empty and detach the printer from its port.
  fake.printers.addPrinter("Too Long", std::string(512, 'p'));
  dv::lib::setDefPrinter(host, "Too Long");
  EXPECT_EQ(fake.printers.printerWrites().size(), 1u);
  EXPECT_EQ(fake.printers.record("Too Long")->portName, std::string(512, 'p'));
  EXPECT_EQ(dv::lib::currentDefaultPrinter(host), "Fits");
}

TEST(PointerToString, CutsAtTheFirstZeroWithinTheBuffer) {
  EXPECT_EQ(dv::pointerToString(nullptr), std::string());
  EXPECT_EQ(dv::pointerToString("Ne01:"), std::string("Ne01:"));
  std::string s511(511, 'x');
  EXPECT_EQ(dv::pointerToString(s511.c_str()), s511);
  std::string s512(512, 'x');
  EXPECT_EQ(dv::pointerToString(s512.c_str()), std::nullopt);
}

// A printer seam whose every call fails the hard way.
class BrokenPrinters : public FakePrinters {
 public:
  uint32_t platformId() override { throw std::runtime_error("spooler gone"); }
};

TEST(SetDefPrinter, NeverRaises) {
  FakeHost fake;
  BrokenPrinters broken;
  dv::Host host{fake.registry,  fake.files, fake.processes, fake.shell,    fake.windows, broken,
                fake.clipboard, fake.clock, fake.pump,      fake.keyboard, fake.ui,      fake.automation};
  EXPECT_NO_THROW(dv::lib::setDefPrinter(host, "Adobe PDF"));
}

TEST(DefaultPrinterDevice, ReadsDriverAndPortOfTheDefault) {
  FakeHost fake;
  dv::Host host = fake.host();
  EXPECT_EQ(dv::lib::defaultPrinterDevice(host).deviceName, "");

  fake.printers.addPrinter("Adobe PDF", "Ne01:");
  fake.printers.setDefault("Adobe PDF");
  auto device = dv::lib::defaultPrinterDevice(host);
  EXPECT_EQ(device.driverName, "winspool");
  EXPECT_EQ(device.deviceName, "Adobe PDF");
  EXPECT_EQ(device.port, "Ne01:");

  // Without a [Devices] entry the [PrinterPorts] entry serves.
  fake.printers.addPrinter("Other", "FILE:", 0, "");
  fake.printers.setProfile("PrinterPorts", "Other", "winspool,FILE:,15,45");
  fake.printers.setDefault("Other");
  device = dv::lib::defaultPrinterDevice(host);
  EXPECT_EQ(device.driverName, "winspool");
  EXPECT_EQ(device.port, "FILE:");
}

TEST(PDFWriterOutputName, WritesTheStringValueAndClosesTheKey) {
  FakeHost fake;
  dv::Host host = fake.host();
  const std::string key = "Software\\Adobe\\Acrobat PDFWriter";

  // A fresh profile has no key yet: it is created.
  EXPECT_TRUE(dv::lib::setPDFWriterOutputName(host, "C:\\out\\report.pdf"));
  EXPECT_EQ(fake.registry.getString(dv::kHkeyCurrentUser, key, "PDFFilename"), "C:\\out\\report.pdf");
  EXPECT_EQ(fake.registry.valueType(dv::kHkeyCurrentUser, key, "PDFFilename"), 1u);

  // An existing key and value are overwritten.
  EXPECT_TRUE(dv::lib::setPDFWriterOutputName(host, "D:\\second.pdf"));
  EXPECT_EQ(fake.registry.getString(dv::kHkeyCurrentUser, key, "PDFFilename"), "D:\\second.pdf");
  EXPECT_EQ(fake.registry.openHandles(), 0u);
}

TEST(PDFWriterOutputName, RefusedKeyIsReportedAsFalseNotRaised) {
  FakeHost fake;
  dv::Host host = fake.host();
  const std::string key = "Software\\Adobe\\Acrobat PDFWriter";
  fake.registry.createPath(dv::kHkeyCurrentUser, key);
  fake.registry.deny(dv::kHkeyCurrentUser, key, dv::fakes::FakeRegistry::Denial::All);
  EXPECT_FALSE(dv::lib::setPDFWriterOutputName(host, "C:\\out.pdf"));
  EXPECT_FALSE(fake.registry.hasValue(dv::kHkeyCurrentUser, key, "PDFFilename"));
  EXPECT_EQ(fake.registry.openHandles(), 0u);
}

}  // namespace
