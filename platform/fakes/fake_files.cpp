// The in-memory file system.
#include "dv/fakes/fake_files.h"

#include <algorithm>
#include <stdexcept>

#include "dv/codepage.h"
#include "dv/vb.h"

namespace dv::fakes {

struct FakeFileSystem::Node {
  std::string name;
  std::string shortName;
  bool directory = true;
  bool locked = false;
  bool readOnly = false;
  std::string bytes;
  double modified = 0;
  std::vector<std::unique_ptr<Node>> children;  // creation order is directory order
};

FakeFileSystem::FakeFileSystem() { addFolder("C:\\"); }
FakeFileSystem::~FakeFileSystem() = default;

std::string FakeFileSystem::folded(const std::string& s) { return vb::LCase(s); }

FakeFileSystem::Parsed FakeFileSystem::parse(const std::string& input) const {
  Parsed p;
  std::string path = input;
  std::replace(path.begin(), path.end(), '/', '\\');
  if (path.empty()) return p;
  std::string rest;
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    // \\server\share\rest
    const size_t server = path.find('\\', 2);
    if (server == std::string::npos) return p;
    const size_t share = path.find('\\', server + 1);
    p.root = path.substr(0, share);
    rest = share == std::string::npos ? std::string() : path.substr(share);
  } else if (path.size() >= 2 && path[1] == ':') {
    p.root = path.substr(0, 2);
    rest = path.substr(2);
  } else {
    // Relative to the current directory (or its drive for "\x").
    const Parsed cwd = parse(currentDirectory_);
    if (!cwd.valid) return p;
    p.root = cwd.root;
    if (path[0] != '\\') p.parts = cwd.parts;
    rest = path;
  }
  p.trailingSlash = !rest.empty() && rest.back() == '\\' && rest.size() > 1;
  for (const std::string& seg : vb::Split(rest, "\\")) {
    if (seg.empty() || seg == ".") continue;
    if (seg == "..") {
      if (!p.parts.empty()) p.parts.pop_back();
      continue;
    }
    // Characters Windows never allows in a name.
    if (seg.find_first_of("<>:\"|") != std::string::npos) return p;
    p.parts.push_back(seg);
  }
  p.valid = true;
  return p;
}

FakeFileSystem::Node* FakeFileSystem::rootOf(const std::string& root) const {
  for (const auto& r : roots_) {
    if (vb::compareText(r->name, root) == 0) return r.get();
  }
  return nullptr;
}

FakeFileSystem::Node* FakeFileSystem::child(const Node& folder, const std::string& name) {
  for (const auto& c : folder.children) {
    if (vb::compareText(c->name, name) == 0) return c.get();
    if (!c->shortName.empty() && vb::compareText(c->shortName, name) == 0) return c.get();
  }
  return nullptr;
}

FakeFileSystem::Node* FakeFileSystem::find(const Parsed& p) const {
  if (!p.valid) return nullptr;
  Node* node = rootOf(p.root);
  for (const std::string& part : p.parts) {
    if (!node || !node->directory) return nullptr;
    node = child(*node, part);
  }
  // "c:\file.txt\" names a folder; a file does not answer to it.
  if (node && p.trailingSlash && !node->directory) return nullptr;
  return node;
}

FakeFileSystem::Node* FakeFileSystem::findParent(const Parsed& p) const {
  if (!p.valid || p.parts.empty()) return nullptr;
  Parsed parent = p;
  parent.parts.pop_back();
  parent.trailingSlash = false;
  Node* node = find(parent);
  return node && node->directory ? node : nullptr;
}

FakeFileSystem::Node* FakeFileSystem::ensureFolders(const Parsed& p, size_t count) {
  Node* node = rootOf(p.root);
  if (!node) {
    roots_.push_back(std::make_unique<Node>());
    node = roots_.back().get();
    node->name = p.root;
  }
  for (size_t i = 0; i < count; ++i) {
    Node* next = child(*node, p.parts[i]);
    if (!next) {
      node->children.push_back(std::make_unique<Node>());
      next = node->children.back().get();
      next->name = p.parts[i];
      next->modified = now_ ? now_() : 0;
    }
    node = next;
  }
  return node;
}

// ---- The seam ----

std::optional<int64_t> FakeFileSystem::fileLength(const std::string& path) {
  const Node* n = find(parse(path));
  if (!n || n->directory || n->locked) return std::nullopt;
  return static_cast<int64_t>(n->bytes.size());
}

bool FakeFileSystem::fileExists(const std::string& path) {
  const Node* n = find(parse(path));
  return n && !n->directory && !n->locked;
}

bool FakeFileSystem::folderExists(const std::string& path) {
  const Node* n = find(parse(path));
  return n && n->directory;
}

bool FakeFileSystem::deleteFile(const std::string& path) {
  const Parsed p = parse(path);
  Node* n = find(p);
  if (!n || n->directory || n->locked || n->readOnly) return false;
  Node* parent = findParent(p);
  std::erase_if(parent->children, [n](const std::unique_ptr<Node>& c) { return c.get() == n; });
  return true;
}

bool FakeFileSystem::replaceFile(const std::string& from, const std::string& to) {
  const Parsed source = parse(from);
  Node* s = find(source);
  if (!s || s->directory || s->locked || s->readOnly) return false;
  const Parsed target = parse(to);
  if (!target.valid || target.trailingSlash) return false;
  Node* t = find(target);
  if (t && (t->directory || t->locked || t->readOnly)) return false;
  if (s == t) return true;
  if (!writeFile(to, s->bytes)) return false;
  find(target)->modified = s->modified;
  return deleteFile(from);
}

int FakeFileSystem::createFolder(const std::string& path) {
  const Parsed p = parse(path);
  if (!p.valid || p.parts.empty()) {
    // An invalid name, or a drive root: the root either exists or is not there.
    return p.valid && rootOf(p.root) ? vb::kPathFileAccess : vb::kPathNotFound;
  }
  if (find(Parsed{p.root, p.parts, false, true})) return vb::kPathFileAccess;
  if (!findParent(p)) return vb::kPathNotFound;
  ensureFolders(p, p.parts.size());
  return 0;
}

bool FakeFileSystem::matches(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*") pattern = "*";
  const std::string pat = vb::LCase(pattern);
  const std::string str = vb::LCase(name);
  // Iterative glob with one backtrack point; "?" takes one UTF-8 character.
  auto charLen = [](const std::string& s, size_t i) {
    size_t n = 1;
    while (i + n < s.size() && (static_cast<unsigned char>(s[i + n]) & 0xC0) == 0x80) ++n;
    return n;
  };
  size_t p = 0, s = 0, starP = std::string::npos, starS = 0;
  while (s < str.size()) {
    if (p < pat.size() && pat[p] == '?') {
      p += 1;
      s += charLen(str, s);
    } else if (p < pat.size() && pat[p] == '*') {
      starP = p++;
      starS = s;
    } else if (p < pat.size() && pat[p] == str[s]) {
      ++p;
      ++s;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      s = ++starS;
    } else {
      return false;
    }
  }
  while (p < pat.size() && pat[p] == '*') ++p;
  return p == pat.size();
}

std::vector<FileEntry> FakeFileSystem::list(const std::string& pattern) {
  std::vector<FileEntry> out;
  const Parsed p = parse(pattern);
  if (!p.valid || p.parts.empty() || p.trailingSlash) return out;
  const Node* folder = findParent(p);
  if (!folder) return out;
  for (const auto& c : folder->children) {
    if (matches(p.parts.back(), c->name)) {
      out.push_back(
          FileEntry{c->name, c->directory ? 0 : static_cast<int64_t>(c->bytes.size()), c->modified, c->directory});
    }
  }
  return out;
}

std::optional<std::string> FakeFileSystem::readFile(const std::string& path) {
  const Node* n = find(parse(path));
  if (!n || n->directory || n->locked) return std::nullopt;
  return n->bytes;
}

bool FakeFileSystem::writeFile(const std::string& path, const std::string& bytes) {
  const Parsed p = parse(path);
  if (!p.valid || p.trailingSlash) return false;
  Node* parent = findParent(p);
  if (!parent) return false;
  Node* n = child(*parent, p.parts.back());
  if (n && (n->directory || n->locked || n->readOnly)) return false;
  if (!n) {
    parent->children.push_back(std::make_unique<Node>());
    n = parent->children.back().get();
    n->name = p.parts.back();
    n->directory = false;
  }
  n->bytes = bytes;
  n->modified = now_ ? now_() : 0;
  return true;
}

std::string FakeFileSystem::longPathName(const std::string& path) {
  const Parsed p = parse(path);
  if (!find(p)) return std::string();
  // Walk again, replacing each component by its long name.
  std::string out = p.root;
  const Node* node = rootOf(p.root);
  for (const std::string& part : p.parts) {
    node = child(*node, part);
    out += "\\" + node->name;
  }
  if (p.parts.empty() || p.trailingSlash) out += "\\";
  return out;
}

// ---- Test helpers ----

void FakeFileSystem::addFolder(const std::string& path) {
  const Parsed p = parse(path);
  if (p.valid) ensureFolders(p, p.parts.size());
}

void FakeFileSystem::addFile(const std::string& path, std::string bytes) {
  addFile(path, std::move(bytes), now_ ? now_() : 0);
}

void FakeFileSystem::addFile(const std::string& path, std::string bytes, double modified) {
  const Parsed p = parse(path);
  if (!p.valid || p.parts.empty()) return;
  Node* parent = ensureFolders(p, p.parts.size() - 1);
  Node* n = child(*parent, p.parts.back());
  if (!n) {
    parent->children.push_back(std::make_unique<Node>());
    n = parent->children.back().get();
    n->name = p.parts.back();
  }
  n->directory = false;
  n->children.clear();
  n->bytes = std::move(bytes);
  n->modified = modified;
}

void FakeFileSystem::appendFile(const std::string& path, const std::string& bytes) {
  Node* n = find(parse(path));
  if (!n || n->directory) {
    addFile(path, bytes);
    return;
  }
  n->bytes += bytes;
  n->modified = now_ ? now_() : n->modified;
}

bool FakeFileSystem::exists(const std::string& path) const { return find(parse(path)) != nullptr; }

bool FakeFileSystem::isFile(const std::string& path) const {
  const Node* n = find(parse(path));
  return n && !n->directory;
}

std::optional<std::string> FakeFileSystem::contents(const std::string& path) const {
  const Node* n = find(parse(path));
  if (!n || n->directory) return std::nullopt;
  return n->bytes;
}

std::optional<double> FakeFileSystem::modified(const std::string& path) const {
  const Node* n = find(parse(path));
  return n ? std::optional<double>(n->modified) : std::nullopt;
}

void FakeFileSystem::setModified(const std::string& path, double oleDate) {
  if (Node* n = find(parse(path))) n->modified = oleDate;
}

void FakeFileSystem::setLocked(const std::string& path, bool locked) {
  if (Node* n = find(parse(path))) n->locked = locked;
}

void FakeFileSystem::setReadOnly(const std::string& path, bool readOnly) {
  if (Node* n = find(parse(path))) n->readOnly = readOnly;
}

std::string FakeFileSystem::shortPathName(const std::string& path) {
  const Parsed p = parse(path);
  if (!find(p)) return std::string();
  // Each component becomes its 8.3 alias where it has one.
  std::string out = p.root;
  const Node* node = rootOf(p.root);
  for (const std::string& part : p.parts) {
    node = child(*node, part);
    out += "\\" + (node->shortName.empty() ? node->name : node->shortName);
  }
  if (p.parts.empty() || p.trailingSlash) out += "\\";
  return out;
}

std::string FakeFileSystem::fromAnsi(std::string_view bytes) { return codepage::decode(codePage_, bytes); }

std::optional<std::string> FakeFileSystem::toAnsi(std::string_view text) { return codepage::encode(codePage_, text); }

void FakeFileSystem::setAnsiCodePage(uint32_t codePage) {
  if (!codepage::known(codePage))
    throw std::invalid_argument("the fake knows no code page " + std::to_string(codePage));
  codePage_ = codePage;
}

void FakeFileSystem::addShortName(const std::string& path, const std::string& shortName) {
  if (Node* n = find(parse(path))) n->shortName = shortName;
}

std::vector<std::string> FakeFileSystem::allFiles() const {
  std::vector<std::string> out;
  struct Walker {
    std::vector<std::string>& out;
    void operator()(const Node& n, const std::string& path) const {
      for (const auto& c : n.children) {
        const std::string full = path + "\\" + c->name;
        if (c->directory) (*this)(*c, full);
        else out.push_back(full);
      }
    }
  };
  for (const auto& r : roots_) Walker{out}(*r, r->name);
  return out;
}

void FakeFileSystem::tick() {
  if (tickHook_) tickHook_(*this);
}

}  // namespace dv::fakes
