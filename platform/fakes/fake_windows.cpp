#include "dv/fakes/fake_windows.h"

#include <algorithm>
#include <cstring>

namespace dv::fakes {

namespace {

bool equalsNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

FakeWindows::FakeWindows() { windows_[kDesktop] = Node{"#32769", "", Rect{0, 0, 1024, 768}, true, 0, {}}; }

FakeWindows::Node* FakeWindows::node(Hwnd window) {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : &it->second;
}

const FakeWindows::Node* FakeWindows::node(Hwnd window) const {
  auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : &it->second;
}

Hwnd FakeWindows::create(Hwnd parent, std::string className, std::string text, Rect rect, bool visible) {
  if (parent == 0) parent = kDesktop;
  Node* p = node(parent);
  if (!p) return 0;
  Hwnd h = nextHandle_;
  nextHandle_ += 4;  // real handles are multiples of four as well
  p->children.push_back(h);
  windows_[h] = Node{std::move(className), std::move(text), rect, visible, parent, {}};
  return h;
}

void FakeWindows::destroy(Hwnd window) {
  Node* n = node(window);
  if (!n || window == kDesktop) return;
  for (Hwnd child : std::vector<Hwnd>(n->children)) destroy(child);
  if (Node* p = node(n->parent)) {
    auto& siblings = p->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
  }
  windows_.erase(window);
}

void FakeWindows::setText(Hwnd window, std::string text) {
  if (Node* n = node(window)) n->text = std::move(text);
}

void FakeWindows::setRect(Hwnd window, Rect rect) {
  if (Node* n = node(window)) n->rect = rect;
}

void FakeWindows::setVisible(Hwnd window, bool visible) {
  if (Node* n = node(window)) n->visible = visible;
}

void FakeWindows::bringToTop(Hwnd window) {
  Node* n = node(window);
  if (!n || window == kDesktop) return;
  auto& siblings = node(n->parent)->children;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
  siblings.insert(siblings.begin(), window);
}

Hwnd FakeWindows::parentOf(Hwnd window) const {
  const Node* n = node(window);
  return n ? n->parent : 0;
}

std::vector<Hwnd> FakeWindows::childrenOf(Hwnd window) const {
  const Node* n = node(window);
  return n ? n->children : std::vector<Hwnd>{};
}

std::vector<WindowMessage> FakeWindows::journalFor(Hwnd window) const {
  std::vector<WindowMessage> out;
  for (const auto& m : journal_)
    if (m.window == window) out.push_back(m);
  return out;
}

void FakeWindows::onMessage(Hwnd window, uint32_t message, std::function<void()> hook) {
  onMessage([window, message, hook = std::move(hook)](const WindowMessage& m) {
    if (m.window == window && (message == 0 || m.message == message)) hook();
  });
}

void FakeWindows::record(WindowMessage message) {
  journal_.push_back(message);
  // By index: a hook may add hooks or send messages of its own.
  for (size_t i = 0; i < messageHooks_.size(); ++i) {
    auto hook = messageHooks_[i];
    hook(message);
  }
}

void FakeWindows::runSearchHooks() {
  for (size_t i = 0; i < searchHooks_.size(); ++i) {
    auto hook = searchHooks_[i];
    hook();
  }
}

Hwnd FakeWindows::findWindow(const std::optional<std::string>& className, const std::optional<std::string>& caption) {
  ++findCalls_;
  runSearchHooks();
  for (Hwnd h : node(kDesktop)->children) {
    const Node& n = windows_.at(h);
    if (className && !equalsNoCase(*className, n.className)) continue;
    if (caption && !equalsNoCase(*caption, n.text)) continue;
    return h;
  }
  return 0;
}

Hwnd FakeWindows::firstChild(Hwnd parent) {
  const Node* n = node(parent);
  return n && !n->children.empty() ? n->children.front() : 0;
}

Hwnd FakeWindows::nextSibling(Hwnd window) {
  const Node* n = node(window);
  if (!n || window == kDesktop) return 0;
  const auto& siblings = node(n->parent)->children;
  auto it = std::find(siblings.begin(), siblings.end(), window);
  return it + 1 == siblings.end() ? 0 : *(it + 1);
}

void FakeWindows::collect(Hwnd window, std::vector<Hwnd>& out) const {
  for (Hwnd child : node(window)->children) {
    out.push_back(child);
    collect(child, out);
  }
}

std::vector<Hwnd> FakeWindows::desktopChildren() {
  ++enumerateCalls_;
  runSearchHooks();
  std::vector<Hwnd> out;
  collect(kDesktop, out);
  return out;
}

std::string FakeWindows::className(Hwnd window) {
  const Node* n = node(window);
  return n ? n->className.substr(0, 255) : std::string();
}

std::string FakeWindows::text(Hwnd window) {
  const Node* n = node(window);
  return n ? n->text : std::string();
}

Rect FakeWindows::rect(Hwnd window) {
  const Node* n = node(window);
  return n ? n->rect : Rect{};
}

bool FakeWindows::isWindow(Hwnd window) { return window != 0 && node(window) != nullptr; }

bool FakeWindows::isVisible(Hwnd window) {
  // As IsWindowVisible: the window and all its ancestors must be visible.
  for (const Node* n = node(window); n; n = node(n->parent))
    if (!n->visible) return false;
  return window != 0 && node(window) != nullptr;
}

intptr_t FakeWindows::send(Hwnd window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  Node* n = node(window);
  intptr_t result = 0;
  if (n && message == wm::kGetTextLength) {
    result = static_cast<intptr_t>(n->text.size());
  } else if (n && message == wm::kGetText && lParam != 0 && wParam > 0) {
    size_t count = std::min<size_t>(n->text.size(), wParam - 1);
    char* buffer = reinterpret_cast<char*>(lParam);
    std::memcpy(buffer, n->text.data(), count);
    buffer[count] = '\0';
    result = static_cast<intptr_t>(count);
  }
  record(WindowMessage{
      WindowMessage::Kind::Send, window, message, wParam, lParam, {}, n != nullptr || window == kHwndBroadcast});
  return result;
}

bool FakeWindows::post(Hwnd window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  bool delivered = node(window) != nullptr || window == kHwndBroadcast;
  record(WindowMessage{WindowMessage::Kind::Post, window, message, wParam, lParam, {}, delivered});
  return delivered;
}

intptr_t FakeWindows::sendText(Hwnd window, uint32_t message, uintptr_t wParam, const std::string& text) {
  Node* n = node(window);
  if (n && message == wm::kSetText) n->text = text;
  record(WindowMessage{WindowMessage::Kind::SendText, window, message, wParam, 0, text,
                       n != nullptr || window == kHwndBroadcast});
  return n && message == wm::kSetText ? 1 : 0;
}

}  // namespace dv::fakes
