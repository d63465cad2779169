#include "dv/standins/viewer_outline.h"

#include <algorithm>

namespace dv::standins {

namespace {

// Files nest outlines as deep as the file does; deeper than this is taken
// for a damaged file rather than followed.
constexpr int kMaxDepth = 200;

void readItems(const Json& list, const OutlinePtr& parent, int depth) {
  if (depth > kMaxDepth || !list.is_array()) return;
  for (const Json& item : list) {
    if (!item.is_object()) continue;
    auto node = std::make_shared<OutlineNode>();
    node->title = item.value("title", std::string());
    const Json page = item.value("page", Json());
    node->page = page.is_number_integer() ? page.get<int32_t>() - 1 : -1;
    if (item.contains("left") && item.at("left").is_number()) node->left = item.at("left").get<double>();
    if (item.contains("top") && item.at("top").is_number()) node->top = item.at("top").get<double>();
    node->javaScript = item.value("javascript", std::string());
    node->parent = parent;
    parent->children.push_back(node);
    if (item.contains("kids")) readItems(item.at("kids"), node, depth + 1);
  }
}

}  // namespace

OutlinePtr outlineFromFacts(const Json& outline) {
  auto root = std::make_shared<OutlineNode>();
  root->title = "Root";
  readItems(outline, root, 0);
  return root;
}

Json outlineEditItems(const OutlineNode& root) {
  Json items = Json::array();
  for (const OutlinePtr& node : root.children) {
    Json item{{"title", node->title}};
    if (node->page >= 0) item["page"] = node->page + 1;
    if (node->left) item["left"] = *node->left;
    if (node->top) item["top"] = *node->top;
    if (!node->javaScript.empty()) item["javascript"] = node->javaScript;
    if (!node->children.empty()) item["kids"] = outlineEditItems(*node);
    items.push_back(std::move(item));
  }
  return items;
}

void appendOutlineCopy(const OutlineNode& from, const OutlinePtr& parent, int32_t (*mapPage)(int32_t, const void*),
                       const void* context) {
  for (const OutlinePtr& node : from.children) {
    auto copy = std::make_shared<OutlineNode>(*node);
    copy->children.clear();
    copy->page = node->page < 0 ? -1 : mapPage(node->page, context);
    copy->parent = parent;
    parent->children.push_back(copy);
    appendOutlineCopy(*node, copy, mapPage, context);
  }
}

void insertOutlineChild(const OutlinePtr& parent, OutlinePtr child, size_t index) {
  child->parent = parent;
  index = std::min(index, parent->children.size());
  parent->children.insert(parent->children.begin() + static_cast<std::ptrdiff_t>(index), std::move(child));
}

OutlinePtr findOutlineTitle(const OutlinePtr& root, const std::string& title) {
  for (const OutlinePtr& node : root->children) {
    if (node->title == title) return node;
    if (OutlinePtr inner = findOutlineTitle(node, title)) return inner;
  }
  return nullptr;
}

void shiftOutlinePages(OutlineNode& node, int32_t from, int32_t by) {
  for (const OutlinePtr& child : node.children) {
    if (child->page >= from) child->page += by;
    shiftOutlinePages(*child, from, by);
  }
}

}  // namespace dv::standins
