// The machine the viewer-operation tests run on: the in-memory host, the
// scripted viewer registered under the viewer's ProgIDs, dlgrelay in the
// system folder and "played" when started (the open and password relays
// hand their path and password to the viewer's open dialog), and two
// printers.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dv/fakes/fake_host.h"
#include "dv/vb.h"
#include "viewer/viewer_session.h"
#include "viewer_fake_viewer.h"

namespace dv::testing {

using Lines = std::vector<std::string>;

class FakePdfBuilder {
 public:
  explicit FakePdfBuilder(FakePdf& pdf) : pdf_(pdf) {}
  void outline(std::vector<FakeBookmark> tree) { pdf_.outline = std::move(tree); }

 private:
  FakePdf& pdf_;
};

class ViewerFixture : public ::testing::Test {
 protected:
  ViewerFixture() : hostValue_(fake.host()), ctx{hostValue_, [this] { return version; }} {
    viewer = std::make_shared<FakeViewer>();
    for (const char* progId : {"AcroExch.App", "AcroExch.AVDoc", "AcroExch.PDDoc", "AcroExch.PDBookmark"})
      fake.automation.registerProgId(progId, [this, id = std::string(progId)] { return viewer->create(id); });
    fake.files.addFile(fake.shell.specialFolder(fakes::kCsidlSystem) + "\\dlgrelay.exe", "MZ");
    fake.processes.setOnStart([this](const std::string& commandLine) { playRelay(commandLine); });
    fake.printers.addPrinter("Office", "LPT1:");
    fake.printers.addPrinter("Adobe PDF", "Ne01:");
    fake.printers.setDefault("Office");
    printerSwitches();  // the setup's own writes are not switches
  }

  Host& host() { return hostValue_; }
  fakes::FakeWindows& windows() { return fake.windows; }
  fakes::FakePrinters& printers() { return fake.printers; }
  double clockSeconds() { return fake.clock.secondsSinceMidnight(); }
  void setClockSeconds(double s) { fake.clock.setTimeOfDay(s); }
  uint64_t tickMs() { return fake.clock.tickMs(); }

  FakePdfBuilder addPdf(const std::string& path, int pages, const std::string& password = "", int64_t size = 1000,
                        double modified = 45000.0) {
    fake.files.addFile(path, std::string(static_cast<size_t>(size), '%'), modified);
    FakePdf& pdf = viewer->files[path];
    pdf.pages = pages;
    pdf.password = password;
    return FakePdfBuilder(pdf);
  }
  void addFolder(const std::string& path) { fake.files.addFolder(path); }

  // The device names the default printer was switched to since the last
  // call, in order.
  std::vector<std::string> printerSwitches() {
    std::vector<std::string> out;
    const auto& writes = fake.printers.profileWrites();
    for (; seenProfileWrites_ < writes.size(); ++seenProfileWrites_) {
      const auto& w = writes[seenProfileWrites_];
      if (vb::LCase(w.section) == "windows" && vb::LCase(w.key) == "device")
        out.push_back(w.value.substr(0, w.value.find(',')));
    }
    return out;
  }

  fakes::FakeHost fake;
  std::shared_ptr<FakeViewer> viewer;
  double version = 9.0;
  std::vector<std::string> relayTails;  // the fields of every relay started

 private:
  // dlgrelay's part: the open relay types the path, the password relay the
  // password, into the dialogs that the viewer's "Open" menu item shows.
  void playRelay(const std::string& commandLine) {
    const auto programEnd = commandLine.find(".exe");
    std::string tail = commandLine.substr(commandLine.find(' ', programEnd) + 1);
    relayTails.push_back(tail);
    const std::vector<std::string> fields = vb::Split(tail, "~");
    if (fields.size() < 3) return;
    if (fields[0] == "open") viewer->dialogPath = fields[2];
    if (fields[0] == "password") viewer->dialogPassword = fields[2];
  }

  size_t seenProfileWrites_ = 0;
  Host hostValue_;

 protected:
  lib::ViewerContext ctx;
};

}  // namespace dv::testing
