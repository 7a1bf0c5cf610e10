// The JSON form of a path list: every field of every record, so that a path
// file written by the library comes back byte for byte (docs/json.md).
#ifndef MOLVAREN_TOOLS_MLVR_JSON_FORM_H_
#define MOLVAREN_TOOLS_MLVR_JSON_FORM_H_

#include <string>

#include <nlohmann/json.hpp>

#include "tools/mlvr/tool_support.h"

namespace mlvr {

nlohmann::ordered_json ListToJson(const List& list);

// Builds a list from the JSON form; Failure names the first bad member,
// `source` leading the message.
List ListFromJson(const nlohmann::ordered_json& doc, const std::string& source);

}  // namespace mlvr

#endif  // MOLVAREN_TOOLS_MLVR_JSON_FORM_H_
