// The in-memory registry. Keys and value names compare case-insensitively,
// as the registry's do; handles are plain numbers that must be closed.
#include "dv/fakes/fake_registry.h"

#include <functional>

#include "dv/vb.h"

namespace dv::fakes {

namespace {

std::vector<std::string> segments(const std::string& path) {
  std::vector<std::string> out;
  for (std::string& s : vb::Split(path, "\\")) {
    if (!s.empty()) out.push_back(std::move(s));
  }
  return out;
}

std::string fold(const std::string& s) { return vb::LCase(s); }

bool isPredefined(RegKey key) {
  return key == kHkeyClassesRoot || key == kHkeyCurrentUser || key == kHkeyLocalMachine || key == kHkeyUsers;
}

}  // namespace

FakeRegistry::FakeRegistry()
    : machine_(std::make_shared<Node>()), user_(std::make_shared<Node>()), users_(std::make_shared<Node>()) {
  machine_->name = "HKEY_LOCAL_MACHINE";
  user_->name = "HKEY_CURRENT_USER";
  users_->name = "HKEY_USERS";
  bool created = false;
  classes_ = walkOrCreate(machine_, "Software\\Classes", created);
}

FakeRegistry::~FakeRegistry() = default;

std::shared_ptr<FakeRegistry::Node> FakeRegistry::rootNode(RegKey root) const {
  switch (root) {
    case kHkeyClassesRoot:
      return classes_;
    case kHkeyCurrentUser:
      return user_;
    case kHkeyLocalMachine:
      return machine_;
    case kHkeyUsers:
      return users_;
    default:
      return nullptr;
  }
}

// The handle behind a key (a predefined root has full access), or the
// error a call on it returns.
const FakeRegistry::Handle* FakeRegistry::resolve(RegKey key, Handle& predefined, long& error) const {
  const Handle* h = nullptr;
  if (isPredefined(key)) {
    predefined = Handle{rootNode(key), kKeyAllAccess};
    h = &predefined;
  } else if (const auto it = handles_.find(key); it != handles_.end()) {
    h = &it->second;
  }
  error = !h ? kErrorInvalidHandle : (h->node->deleted ? kErrorKeyDeleted : kErrorSuccess);
  return error == kErrorSuccess ? h : nullptr;
}

std::shared_ptr<FakeRegistry::Node> FakeRegistry::walk(const std::shared_ptr<Node>& from,
                                                       const std::string& path) const {
  std::shared_ptr<Node> node = from;
  for (const std::string& seg : segments(path)) {
    const auto it = node->children.find(fold(seg));
    if (it == node->children.end()) return nullptr;
    node = it->second;
  }
  return node;
}

std::shared_ptr<FakeRegistry::Node> FakeRegistry::walkOrCreate(const std::shared_ptr<Node>& from,
                                                               const std::string& path, bool& created) {
  created = false;
  std::shared_ptr<Node> node = from;
  for (const std::string& seg : segments(path)) {
    auto& slot = node->children[fold(seg)];
    if (!slot) {
      slot = std::make_shared<Node>();
      slot->name = seg;
      slot->parent = node.get();
      created = true;
    }
    node = slot;
  }
  return node;
}

bool FakeRegistry::refuses(const Node& node, uint32_t access) {
  // A denial covers the key's whole subtree, as an inherited ACL does.
  for (const Node* n = &node; n; n = n->parent) {
    if (n->denial == Denial::All) return true;
    if (n->denial == Denial::Writes && (access & (kKeySetValue | kKeyCreateSubKey)) != 0) return true;
  }
  return false;
}

std::string FakeRegistry::viewPath(RegKey root, const std::string& subKey, uint32_t access, RegKey& viewRoot) {
  viewRoot = root;
  if ((access & kKeyWow64_32Key) == 0) return subKey;
  // The 32-bit view of HKLM\Software lives under Software\Wow6432Node, and
  // HKEY_CLASSES_ROOT's under Software\Wow6432Node\Classes.
  if (root == kHkeyClassesRoot) {
    viewRoot = kHkeyLocalMachine;
    return std::string(kWow6432Node) + "\\Classes\\" + subKey;
  }
  if (root != kHkeyLocalMachine) return subKey;
  std::vector<std::string> parts = segments(subKey);
  if (parts.empty() || fold(parts[0]) != "software" || (parts.size() > 1 && fold(parts[1]) == "wow6432node"))
    return subKey;
  std::string path = kWow6432Node;
  for (size_t i = 1; i < parts.size(); ++i) path += "\\" + parts[i];
  return path;
}

long FakeRegistry::openKey(RegKey root, const std::string& requestedKey, uint32_t access, RegKey& result) {
  RegKey viewRoot = root;
  const std::string subKey = viewPath(root, requestedKey, access, viewRoot);
  Handle scratch;
  long error = kErrorSuccess;
  const Handle* h = resolve(viewRoot, scratch, error);
  if (!h) return error;
  const auto node = walk(h->node, subKey);
  if (!node) return kErrorFileNotFound;
  if (refuses(*node, access)) return kErrorAccessDenied;
  result = nextHandle_;
  nextHandle_ += 4;
  handles_[result] = Handle{node, access};
  return kErrorSuccess;
}

long FakeRegistry::createKey(RegKey parent, const std::string& requestedKey, uint32_t access, RegKey& result,
                             uint32_t* disposition) {
  RegKey viewRoot = parent;
  const std::string subKey = viewPath(parent, requestedKey, access, viewRoot);
  Handle scratch;
  long error = kErrorSuccess;
  const Handle* h = resolve(viewRoot, scratch, error);
  if (!h) return error;
  const auto existing = walk(h->node, subKey);
  if (!existing) {
    // Creating needs the right on the parent and on the deepest key that
    // already exists on the way.
    if ((h->access & kKeyCreateSubKey) == 0) return kErrorAccessDenied;
    std::shared_ptr<Node> node = h->node;
    for (const std::string& seg : segments(subKey)) {
      const auto it = node->children.find(fold(seg));
      if (it == node->children.end()) break;
      node = it->second;
    }
    if (refuses(*node, kKeyCreateSubKey)) return kErrorAccessDenied;
  }
  bool created = false;
  const auto node = existing ? existing : walkOrCreate(h->node, subKey, created);
  if (refuses(*node, access)) return kErrorAccessDenied;
  if (disposition) *disposition = created ? 1u : 2u;  // REG_CREATED_NEW_KEY / REG_OPENED_EXISTING_KEY
  result = nextHandle_;
  nextHandle_ += 4;
  handles_[result] = Handle{node, access};
  return kErrorSuccess;
}

long FakeRegistry::queryValue(RegKey key, const std::string& name, uint32_t& type, std::vector<uint8_t>* data,
                              uint32_t& size) {
  Handle scratch;
  long error = kErrorSuccess;
  const Handle* h = resolve(key, scratch, error);
  if (!h) return error;
  if ((h->access & kKeyQueryValue) == 0) return kErrorAccessDenied;
  const auto it = h->node->values.find(fold(name));
  if (it == h->node->values.end()) return kErrorFileNotFound;
  type = it->second.type;
  return deliverRegistryValue(it->second.data, data, size);
}

long FakeRegistry::setValue(RegKey key, const std::string& name, uint32_t type, const std::vector<uint8_t>& data) {
  Handle scratch;
  long error = kErrorSuccess;
  const Handle* h = resolve(key, scratch, error);
  if (!h) return error;
  if ((h->access & kKeySetValue) == 0 || refuses(*h->node, kKeySetValue)) return kErrorAccessDenied;
  h->node->values[fold(name)] = Value{name, type, data};
  return kErrorSuccess;
}

long FakeRegistry::deleteValue(RegKey key, const std::string& name) {
  Handle scratch;
  long error = kErrorSuccess;
  const Handle* h = resolve(key, scratch, error);
  if (!h) return error;
  if ((h->access & kKeySetValue) == 0 || refuses(*h->node, kKeySetValue)) return kErrorAccessDenied;
  return h->node->values.erase(fold(name)) ? kErrorSuccess : kErrorFileNotFound;
}

long FakeRegistry::deleteKey(RegKey parent, const std::string& subKey) {
  Handle scratch;
  long error = kErrorSuccess;
  const Handle* h = resolve(parent, scratch, error);
  if (!h) return error;
  const auto node = walk(h->node, subKey);
  if (!node) return kErrorFileNotFound;
  // RegDeleteKey removes only keys without subkeys; roots cannot go.
  if (!node->parent || node == h->node || !node->children.empty() || refuses(*node, kKeySetValue))
    return kErrorAccessDenied;
  node->deleted = true;
  node->parent->children.erase(fold(node->name));
  return kErrorSuccess;
}

long FakeRegistry::closeKey(RegKey key) {
  if (isPredefined(key)) return kErrorSuccess;
  return handles_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

// ---- Test helpers ----

void FakeRegistry::setRaw(RegKey root, const std::string& path, const std::string& name, uint32_t type,
                          std::vector<uint8_t> data) {
  bool created = false;
  const auto node = walkOrCreate(rootNode(root), path, created);
  node->values[fold(name)] = Value{name, type, std::move(data)};
}

void FakeRegistry::setString(RegKey root, const std::string& path, const std::string& name, const std::string& value) {
  std::vector<uint8_t> data(value.begin(), value.end());
  data.push_back(0);  // stored with its terminator, as RegSetValueExA callers pass it
  setRaw(root, path, name, kRegSz, std::move(data));
}

void FakeRegistry::setDword(RegKey root, const std::string& path, const std::string& name, uint32_t value) {
  std::vector<uint8_t> data(4);
  for (int i = 0; i < 4; ++i) data[i] = static_cast<uint8_t>(value >> (8 * i));
  setRaw(root, path, name, kRegDword, std::move(data));
}

void FakeRegistry::createPath(RegKey root, const std::string& path) {
  bool created = false;
  walkOrCreate(rootNode(root), path, created);
}

bool FakeRegistry::hasKey(RegKey root, const std::string& path) const {
  const auto r = rootNode(root);
  return r && walk(r, path) != nullptr;
}

const FakeRegistry::Value* FakeRegistry::findValue(RegKey root, const std::string& path,
                                                   const std::string& name) const {
  const auto r = rootNode(root);
  const auto node = r ? walk(r, path) : nullptr;
  if (!node) return nullptr;
  const auto it = node->values.find(fold(name));
  return it == node->values.end() ? nullptr : &it->second;
}

bool FakeRegistry::hasValue(RegKey root, const std::string& path, const std::string& name) const {
  return findValue(root, path, name) != nullptr;
}

std::optional<std::string> FakeRegistry::getString(RegKey root, const std::string& path,
                                                   const std::string& name) const {
  const Value* v = findValue(root, path, name);
  if (!v) return std::nullopt;
  std::string s(v->data.begin(), v->data.end());
  if (const size_t nul = s.find('\0'); nul != std::string::npos) s.resize(nul);
  return s;
}

std::optional<uint32_t> FakeRegistry::getDword(RegKey root, const std::string& path, const std::string& name) const {
  const Value* v = findValue(root, path, name);
  if (!v || v->data.size() < 4) return std::nullopt;
  uint32_t r = 0;
  for (int i = 0; i < 4; ++i) r |= static_cast<uint32_t>(v->data[i]) << (8 * i);
  return r;
}

std::optional<uint32_t> FakeRegistry::valueType(RegKey root, const std::string& path, const std::string& name) const {
  const Value* v = findValue(root, path, name);
  return v ? std::optional<uint32_t>(v->type) : std::nullopt;
}

void FakeRegistry::deny(RegKey root, const std::string& path, Denial denial) {
  bool created = false;
  walkOrCreate(rootNode(root), path, created)->denial = denial;
}

std::vector<std::string> FakeRegistry::keysBelow(RegKey root, const std::string& path) const {
  std::vector<std::string> out;
  const auto r = rootNode(root);
  const auto start = r ? walk(r, path) : nullptr;
  if (!start) return out;
  std::function<void(const Node&, const std::string&)> visit = [&](const Node& n, const std::string& prefix) {
    for (const auto& [key, child] : n.children) {
      const std::string p = prefix.empty() ? child->name : prefix + "\\" + child->name;
      out.push_back(p);
      visit(*child, p);
    }
  };
  visit(*start, std::string());
  return out;
}

}  // namespace dv::fakes
