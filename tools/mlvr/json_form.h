// The JSON form of a path list: every field of every record, so that a path
// file written by the library comes back byte for byte, and a minimal form
// that gives only what matters (docs/json.md).
#ifndef MOLVAREN_TOOLS_MLVR_JSON_FORM_H_
#define MOLVAREN_TOOLS_MLVR_JSON_FORM_H_

#include <string>

#include <nlohmann/json.hpp>

#include "tools/mlvr/tool_support.h"

namespace mlvr {

nlohmann::ordered_json ListToJson(const List& list);

// A finite float as the shortest decimal that reads back as it (0.2f -> 0.2).
double ShortestDecimal(float v);

// Parses JSON text; a Failure names the line and column where it breaks.
nlohmann::ordered_json ParseJson(const std::string& text, const std::string& source);

// Builds a list from the JSON form (every member optional, docs/json.md); Failure names the first bad member,
// `source` leading the message.
List ListFromJson(const nlohmann::ordered_json& doc, const std::string& source);

}  // namespace mlvr

#endif  // MOLVAREN_TOOLS_MLVR_JSON_FORM_H_
