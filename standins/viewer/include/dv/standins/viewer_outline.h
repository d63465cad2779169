// The outline of an open document as the viewer keeps it in memory: read
// from the file when first asked for, changed by new bookmarks, renamed
// ones, JavaScript's createChild and pages inserted from other documents,
// and written back whole when the document is saved.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dv/standins/pdf_tool.h"

namespace dv::standins {

struct OutlineNode {
  std::string title;
  int32_t page = -1;                // counted from 0; -1 when it leads to no page
  std::optional<double> left, top;  // the point its destination scrolls to
  std::string javaScript;           // its JavaScript action, empty when none
  std::vector<std::shared_ptr<OutlineNode>> children;
  std::weak_ptr<OutlineNode> parent;
};
using OutlinePtr = std::shared_ptr<OutlineNode>;

// A root (titled "Root", as JavaScript names it) over dv-pdftool's
// "outline" facts, whose pages count from 1.
OutlinePtr outlineFromFacts(const Json& outline);
// The items of a setOutline edit for the root's children.
Json outlineEditItems(const OutlineNode& root);
// A copy of `node`'s children appended under `parent`, pages mapped by
// `mapPage` (-1: no page).
void appendOutlineCopy(const OutlineNode& from, const OutlinePtr& parent, int32_t (*mapPage)(int32_t, const void*),
                       const void* context);
// Adds `child` under `parent` at `index` (the end when index is past it).
void insertOutlineChild(const OutlinePtr& parent, OutlinePtr child, size_t index);
// The first node, depth-first, whose title is exactly `title`.
OutlinePtr findOutlineTitle(const OutlinePtr& root, const std::string& title);
// Moves every page reference from `from` on (counted from 0) by `by`.
void shiftOutlinePages(OutlineNode& node, int32_t from, int32_t by);

}  // namespace dv::standins
