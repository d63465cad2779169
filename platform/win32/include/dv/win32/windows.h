// The windows seam over user32 (ANSI functions).
#pragma once

#include "dv/host.h"

namespace dv::win32 {

class Win32Windows : public dv::Windows {
 public:
  // Bound of every SendMessage: a hung target must not hang the caller.
  explicit Win32Windows(unsigned sendTimeoutMs = 10000) : sendTimeoutMs_(sendTimeoutMs) {}

  Hwnd findWindow(const std::optional<std::string>& className, const std::optional<std::string>& caption) override;
  Hwnd firstChild(Hwnd parent) override;
  Hwnd nextSibling(Hwnd window) override;
  std::vector<Hwnd> desktopChildren() override;
  std::string className(Hwnd window) override;
  std::string text(Hwnd window) override;
  Rect rect(Hwnd window) override;
  bool isWindow(Hwnd window) override;
  bool isVisible(Hwnd window) override;
  intptr_t send(Hwnd window, uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  bool post(Hwnd window, uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  intptr_t sendText(Hwnd window, uint32_t message, uintptr_t wParam, const std::string& text) override;

 private:
  unsigned sendTimeoutMs_;
};

}  // namespace dv::win32
