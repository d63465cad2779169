// An in-memory window tree standing in for user32: windows with class,
// text, rectangle, visibility and z-ordered children under one desktop,
// a journal of every message sent or posted, and hooks through which a
// test plays the other side (a dialog closing when its button is
// clicked, a confirmation appearing after Enter, a window that shows up
// after a few searches).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "dv/host.h"

namespace dv::fakes {

struct WindowMessage {
  enum class Kind { Send, Post, SendText };
  Kind kind = Kind::Send;
  Hwnd window = 0;
  uint32_t message = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;     // 0 for SendText
  std::string text;        // SendText only
  bool delivered = false;  // false when the window did not exist

  bool operator==(const WindowMessage&) const = default;
};

class FakeWindows : public dv::Windows {
 public:
  FakeWindows();

  // ---- Building and changing the tree ----
  Hwnd desktop() const { return kDesktop; }
  // Appends a window at the bottom of its parent's z-order; parent 0 (or
  // the desktop) makes a top-level window.
  Hwnd create(Hwnd parent, std::string className, std::string text, Rect rect = {}, bool visible = true);
  // Destroys a window with all its descendants (a dialog ending).
  void destroy(Hwnd window);
  void setText(Hwnd window, std::string text);
  void setRect(Hwnd window, Rect rect);
  void setVisible(Hwnd window, bool visible);
  void bringToTop(Hwnd window);  // first among its siblings
  Hwnd parentOf(Hwnd window) const;
  std::vector<Hwnd> childrenOf(Hwnd window) const;  // z-order
  std::vector<Hwnd> topLevel() const { return childrenOf(kDesktop); }
  bool exists(Hwnd window) const { return windows_.count(window) != 0; }

  // ---- Journal ----
  const std::vector<WindowMessage>& journal() const { return journal_; }
  std::vector<WindowMessage> journalFor(Hwnd window) const;
  void clearJournal() { journal_.clear(); }
  int findCalls() const { return findCalls_; }
  int enumerateCalls() const { return enumerateCalls_; }

  // ---- Hooks (run synchronously, after the message took effect) ----
  using MessageHook = std::function<void(const WindowMessage&)>;
  void onMessage(MessageHook hook) { messageHooks_.push_back(std::move(hook)); }
  // Runs hook for the given message to the given window (any message when
  // message is 0).
  void onMessage(Hwnd window, uint32_t message, std::function<void()> hook);
  // Runs before every findWindow and desktopChildren call: the place to
  // advance a fake clock or make a window appear during a search.
  void onSearch(std::function<void()> hook) { searchHooks_.push_back(std::move(hook)); }

  // ---- dv::Windows ----
  Hwnd findWindow(const std::optional<std::string>& className, const std::optional<std::string>& caption) override;
  Hwnd firstChild(Hwnd parent) override;
  Hwnd nextSibling(Hwnd window) override;
  std::vector<Hwnd> desktopChildren() override;
  std::string className(Hwnd window) override;
  std::string text(Hwnd window) override;
  Rect rect(Hwnd window) override;
  bool isWindow(Hwnd window) override;
  bool isVisible(Hwnd window) override;
  // WM_GETTEXTLENGTH and WM_GETTEXT (lParam a char buffer of wParam
  // characters) answer from the tree; every call is journalled.
  intptr_t send(Hwnd window, uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  bool post(Hwnd window, uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  // WM_SETTEXT changes the window's text.
  intptr_t sendText(Hwnd window, uint32_t message, uintptr_t wParam, const std::string& text) override;

 private:
  static constexpr Hwnd kDesktop = 0x10010;
  struct Node {
    std::string className;
    std::string text;
    Rect rect;
    bool visible = true;
    Hwnd parent = 0;
    std::vector<Hwnd> children;
  };
  Node* node(Hwnd window);
  const Node* node(Hwnd window) const;
  void collect(Hwnd window, std::vector<Hwnd>& out) const;
  void record(WindowMessage message);
  void runSearchHooks();

  std::map<Hwnd, Node> windows_;
  Hwnd nextHandle_ = 0x20000;
  std::vector<WindowMessage> journal_;
  std::vector<MessageHook> messageHooks_;
  std::vector<std::function<void()>> searchHooks_;
  int findCalls_ = 0;
  int enumerateCalls_ = 0;
};

}  // namespace dv::fakes
