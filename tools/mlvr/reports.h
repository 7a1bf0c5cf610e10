// Readable text about path lists: the table of paths and the node dump.
#ifndef MOLVAREN_TOOLS_MLVR_REPORTS_H_
#define MOLVAREN_TOOLS_MLVR_REPORTS_H_

#include <string>

#include <nlohmann/json.hpp>

#include "tools/mlvr/tool_support.h"

namespace mlvr {

std::string PathTable(const List& list);
std::string NodeDump(const List& list);
std::string NodeLine(const _PATH_NODE_& n);

// A node's box normalised and in pixels of a target frame, and the
// associate file it was found under.
std::string BoxReport(const _PATH_NODE_& n, MLVR_SIZE target, const char* associate);

// JSON text of a report; bytes that are not UTF-8 become U+FFFD.
std::string JsonText(const nlohmann::ordered_json& doc);

// The same as JSON: one object per path (no nodes), and a box.
nlohmann::ordered_json PathSummaryJson(const List& list);
nlohmann::ordered_json BoxJson(const _PATH_NODE_& n, MLVR_SIZE target, const char* associate);

}  // namespace mlvr

#endif  // MOLVAREN_TOOLS_MLVR_REPORTS_H_
