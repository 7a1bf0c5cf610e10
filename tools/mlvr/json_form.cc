#include "tools/mlvr/json_form.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace mlvr {
namespace {

using Json = nlohmann::ordered_json;
constexpr const char* kFormat = "molvaren-path-list";
constexpr int kFormatVersion = 1;

// --- writing ---------------------------------------------------------------

std::string Hex(const void* data, size_t n) {
  static const char digits[] = "0123456789abcdef";
  const auto* p = static_cast<const uint8_t*>(data);
  std::string out;
  out.reserve(2 * n);
  for (size_t i = 0; i < n; ++i) {
    out += digits[p[i] >> 4];
    out += digits[p[i] & 15];
  }
  return out;
}

// Whatever the JSON writer refuses as UTF-8 travels in hex instead.
bool ValidUtf8(const std::string& s) {
  try {
    (void)Json(s).dump();
    return true;
  } catch (const Json::type_error&) {
    return false;
  }
}

// A text field: a plain string when it is clean UTF-8 with nothing but
// zeros after its NUL, otherwise every byte of the field in hex.
Json TextField(const char* field, size_t width) {
  const std::string text = FieldText(field, width);
  bool clean = text.size() < width && ValidUtf8(text);
  for (size_t i = text.size(); clean && i < width; ++i) clean = field[i] == '\0';
  if (clean) return text;
  return Json{{"hex", Hex(field, width)}};
}

// Finite floats as numbers (they read back exactly); the others by their
// bit pattern, which JSON numbers cannot carry.
Json FloatField(float v) {
  if (std::isfinite(v)) return ShortestDecimal(v);
  uint32_t bits;
  std::memcpy(&bits, &v, 4);
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", bits);
  return std::string(text);
}

Json NodeToJson(const _PATH_NODE_& n) {
  Json j;
  j["dwSize"] = n.dwSize;
  j["nFrameIndex"] = n.nFrameIndex;
  j["fConfidence"] = FloatField(n.fConfidence);
  j["fXPos"] = FloatField(n.fXPos);
  j["fYPos"] = FloatField(n.fYPos);
  j["fWidth"] = FloatField(n.fWidth);
  j["fHeight"] = FloatField(n.fHeight);
  j["nPathType"] = n.nPathType;
  j["fCtrlXPos"] = FloatField(n.fCtrlXPos);
  j["fCtrlYPos"] = FloatField(n.fCtrlYPos);
  j["dwReserved"] = Json::array();
  for (uint32_t r : n.dwReserved) j["dwReserved"].push_back(r);
  return j;
}

Json PathToJson(const _PATH_INFO_& p) {
  Json j;
  j["dwSize"] = p.dwSize;
  j["dwMatchKey1"] = p.dwMatchKey1;
  j["dwMatchKey2"] = p.dwMatchKey2;
  j["dwMatchKey3"] = p.dwMatchKey3;
  j["szAssociateFile"] = TextField(p.szAssociateFile, sizeof p.szAssociateFile);
  j["qwAssociateFileSize"] = p.qwAssociateFileSize;
  j["szGUID"] = TextField(p.szGUID, sizeof p.szGUID);
  j["szTimeStamp"] = TextField(p.szTimeStamp, sizeof p.szTimeStamp);
  j["dwReserved1"] = p.dwReserved1;
  j["nPathInIndex"] = p.nPathInIndex;
  j["nPathOutIndex"] = p.nPathOutIndex;
  j["nTotalPathNodeNum"] = p.nTotalPathNodeNum;
  j["pReserved"] = static_cast<uint64_t>(p.pReserved);
  j["dwReserved2"] = p.dwReserved2;
  j["bHasExtraNode"] = p.bHasExtraNode;
  j["dwReserved3"] = p.dwReserved3;
  j["nVideoWidth"] = p.nVideoWidth;
  j["nVideoHeight"] = p.nVideoHeight;
  j["nVideoAspect"] = p.nVideoAspect;
  j["nFrameWidth"] = p.nFrameWidth;
  j["nFrameHeight"] = p.nFrameHeight;
  j["nFrameAspect"] = p.nFrameAspect;
  j["dwReserved4"] = p.dwReserved4;
  j["szOriginGUID"] = TextField(p.szOriginGUID, sizeof p.szOriginGUID);
  j["dwReserved5"] = p.dwReserved5;
  j["fRotation"] = FloatField(p.fRotation);
  j["nTrackType"] = p.nTrackType;
  j["nTrackParam"] = p.nTrackParam;
  j["dwReserved6"] = p.dwReserved6;
  Json nodes = Json::array();
  for (int32_t i = 0; i < p.nTotalPathNodeNum && p.pPathNodes != nullptr; ++i)
    nodes.push_back(NodeToJson(p.pPathNodes[i]));
  j["nodes"] = nodes;
  j["extraNode"] =
      p.bHasExtraNode != 0 && p.pExtraNode != nullptr ? NodeToJson(*p.pExtraNode) : Json();
  return j;
}

// --- reading ---------------------------------------------------------------

// Every member is optional: one left out keeps the value the record already
// holds, which is its default. What is given is checked.
class Reader {
 public:
  explicit Reader(std::string source) : source_(std::move(source)) {}

  [[noreturn]] void Fail(const std::string& where, const std::string& what) const {
    throw Failure(source_ + ": " + where + ": " + what);
  }

  // Refuses members the form does not know, so that a misspelt name is not
  // silently replaced by its default.
  void OnlyKnown(const Json& obj, const std::string& where,
                 std::initializer_list<const char*> names) const {
    if (!obj.is_object()) Fail(where, "expected an object");
    for (const auto& item : obj.items()) {
      bool known = false;
      for (const char* n : names) known = known || item.key() == n;
      if (!known) Fail(where, "unknown member \"" + item.key() + "\"");
    }
  }

  static const Json* Find(const Json& obj, const char* name) {
    auto it = obj.find(name);
    return it == obj.end() ? nullptr : &*it;
  }

  template <class Int>
  Int Integer(const Json& obj, const std::string& where, const char* name, Int fallback) const {
    const Json* v = Find(obj, name);
    if (v == nullptr) return fallback;
    const std::string at = where + "." + name;
    if (!v->is_number_integer()) Fail(at, "expected an integer");
    if (v->is_number_unsigned()) {
      uint64_t u = v->get<uint64_t>();
      if (u > static_cast<uint64_t>(std::numeric_limits<Int>::max())) Fail(at, "out of range");
      return static_cast<Int>(u);
    }
    int64_t s = v->get<int64_t>();
    if (s < static_cast<int64_t>(std::numeric_limits<Int>::min()) ||
        (s > 0 && static_cast<uint64_t>(s) > static_cast<uint64_t>(std::numeric_limits<Int>::max())))
      Fail(at, "out of range");
    return static_cast<Int>(s);
  }

  // A JSON number must be a finite float; other values come only as their
  // bit pattern, written on purpose.
  float Float(const Json& obj, const std::string& where, const char* name, float fallback) const {
    const Json* v = Find(obj, name);
    if (v == nullptr) return fallback;
    const std::string at = where + "." + name;
    if (v->is_number()) {
      double d = v->get<double>();
      if (!std::isfinite(d) || std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max()))
        Fail(at, "not a finite 32-bit float");
      return static_cast<float>(d);
    }
    if (v->is_string()) {
      const std::string s = v->get<std::string>();
      uint32_t bits = 0;
      if (s.size() == 10 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X') && ParseHex(s.substr(2), &bits)) {
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
      }
    }
    Fail(at, "expected a number or a bit pattern \"0xXXXXXXXX\"");
  }

  // Returns true when the member was given as a plain string.
  bool Text(const Json& obj, const std::string& where, const char* name, char* field,
            size_t width) const {
    const Json* v = Find(obj, name);
    if (v == nullptr) return false;
    const std::string at = where + "." + name;
    std::memset(field, 0, width);
    if (v->is_string()) {
      const std::string s = v->get<std::string>();
      if (s.size() >= width)
        Fail(at, "text longer than " + std::to_string(width - 1) + " bytes");
      if (s.find('\0') != std::string::npos) Fail(at, "text holds a NUL");
      std::memcpy(field, s.data(), s.size());
      return true;
    }
    if (v->is_object() && v->size() == 1 && v->contains("hex") && (*v)["hex"].is_string()) {
      if (!Bytes((*v)["hex"].get<std::string>(), field, width))
        Fail(at, "hex must hold exactly " + std::to_string(width) + " bytes");
      return false;
    }
    Fail(at, "expected a string or {\"hex\": ...}");
  }

  // A GUID given as text: empty, or 38 characters {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
  // in upper-case hexadecimal, as the library makes them.
  void Guid(const Json& obj, const std::string& where, const char* name, char* field,
            size_t width) const {
    if (!Text(obj, where, name, field, width) || field[0] == '\0') return;
    static const char form[] = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    bool ok = std::strlen(field) == 38;
    for (size_t i = 0; ok && i < 38; ++i) {
      const char c = field[i];
      ok = form[i] == 'X' ? ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) : c == form[i];
    }
    if (!ok)
      Fail(where + "." + name, std::string("\"") + field +
                                   "\" is not a GUID of the form " + form +
                                   " (upper-case hexadecimal)");
  }

  void Blob(const Json& obj, const std::string& where, const char* name, uint8_t* field,
            size_t width) const {
    const Json* v = Find(obj, name);
    if (v == nullptr) return;
    if (!v->is_string() || !Bytes(v->get<std::string>(), field, width))
      Fail(where + "." + name, "expected " + std::to_string(width) + " bytes in hex");
  }

 private:
  static int Digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }
  static bool ParseHex(const std::string& s, uint32_t* out) {
    uint32_t v = 0;
    for (char c : s) {
      int d = Digit(c);
      if (d < 0) return false;
      v = (v << 4) | static_cast<uint32_t>(d);
    }
    *out = v;
    return true;
  }
  static bool Bytes(const std::string& hex, void* out, size_t width) {
    if (hex.size() != 2 * width) return false;
    auto* p = static_cast<uint8_t*>(out);
    for (size_t i = 0; i < width; ++i) {
      int hi = Digit(hex[2 * i]), lo = Digit(hex[2 * i + 1]);
      if (hi < 0 || lo < 0) return false;
      p[i] = static_cast<uint8_t>(hi * 16 + lo);
    }
    return true;
  }

  std::string source_;
};

// Returns true when the node gives its control point.
bool NodeFromJson(const Reader& r, const Json& j, const std::string& where, _PATH_NODE_* n) {
  r.OnlyKnown(j, where, {"dwSize", "nFrameIndex", "fConfidence", "fXPos", "fYPos", "fWidth",
                         "fHeight", "nPathType", "fCtrlXPos", "fCtrlYPos", "dwReserved"});
  n->dwSize = r.Integer<uint32_t>(j, where, "dwSize", n->dwSize);
  n->nFrameIndex = r.Integer<int32_t>(j, where, "nFrameIndex", n->nFrameIndex);
  n->fConfidence = r.Float(j, where, "fConfidence", n->fConfidence);
  n->fXPos = r.Float(j, where, "fXPos", n->fXPos);
  n->fYPos = r.Float(j, where, "fYPos", n->fYPos);
  n->fWidth = r.Float(j, where, "fWidth", n->fWidth);
  n->fHeight = r.Float(j, where, "fHeight", n->fHeight);
  if (n->fWidth < 0) r.Fail(where + ".fWidth", "a box width is not negative");
  if (n->fHeight < 0) r.Fail(where + ".fHeight", "a box height is not negative");
  n->nPathType = r.Integer<int32_t>(j, where, "nPathType", n->nPathType);
  n->fCtrlXPos = r.Float(j, where, "fCtrlXPos", n->fCtrlXPos);
  n->fCtrlYPos = r.Float(j, where, "fCtrlYPos", n->fCtrlYPos);
  if (const Json* reserved = Reader::Find(j, "dwReserved")) {
    if (!reserved->is_array() || reserved->size() != 5)
      r.Fail(where + ".dwReserved", "expected an array of 5 integers");
    for (size_t i = 0; i < 5; ++i) {
      Json holder = {{"v", (*reserved)[i]}};
      n->dwReserved[i] = r.Integer<uint32_t>(
          holder, where + ".dwReserved[" + std::to_string(i) + "]", "v", 0);
    }
  }
  return j.contains("fCtrlXPos") || j.contains("fCtrlYPos");
}

// Frames run strictly upward; a four-point path (type 403) holds four runs.
void CheckFrames(const Reader& r, const _PATH_INFO_& p, const std::string& where) {
  const int32_t n = p.nTotalPathNodeNum;
  const int32_t run = p.nTrackType == 403 && n % 4 == 0 ? n / 4 : n;
  for (int32_t i = 1; i < n; ++i) {
    if (i % run != 0 && p.pPathNodes[i].nFrameIndex <= p.pPathNodes[i - 1].nFrameIndex)
      r.Fail(where + ".nodes[" + std::to_string(i) + "].nFrameIndex",
             "frame " + std::to_string(p.pPathNodes[i].nFrameIndex) + " does not follow frame " +
                 std::to_string(p.pPathNodes[i - 1].nFrameIndex));
  }
}

// Fills a path the list already owns, so that a failure halfway leaves
// nothing for anyone but the list to release.
void PathFromJson(const Reader& r, const Json& j, const std::string& where, _PATH_INFO_* p) {
  r.OnlyKnown(j, where,
              {"dwSize", "dwMatchKey1", "dwMatchKey2", "dwMatchKey3", "szAssociateFile",
               "qwAssociateFileSize", "szGUID", "szTimeStamp", "dwReserved1", "nPathInIndex",
               "nPathOutIndex", "nTotalPathNodeNum", "pReserved", "dwReserved2", "bHasExtraNode",
               "dwReserved3", "nVideoWidth", "nVideoHeight", "nVideoAspect", "nFrameWidth",
               "nFrameHeight", "nFrameAspect", "dwReserved4", "szOriginGUID", "dwReserved5",
               "fRotation", "nTrackType", "nTrackParam", "dwReserved6", "nodes", "extraNode"});
  p->dwSize = r.Integer<uint32_t>(j, where, "dwSize", p->dwSize);
  p->dwMatchKey1 = r.Integer<uint32_t>(j, where, "dwMatchKey1", p->dwMatchKey1);
  p->dwMatchKey2 = r.Integer<uint32_t>(j, where, "dwMatchKey2", p->dwMatchKey2);
  p->dwMatchKey3 = r.Integer<uint32_t>(j, where, "dwMatchKey3", p->dwMatchKey3);
  r.Text(j, where, "szAssociateFile", p->szAssociateFile, sizeof p->szAssociateFile);
  p->qwAssociateFileSize = r.Integer<uint64_t>(j, where, "qwAssociateFileSize", p->qwAssociateFileSize);
  r.Guid(j, where, "szGUID", p->szGUID, sizeof p->szGUID);
  if (!j.contains("szGUID")) Mlvr_PathInfo_AssignGUID(p);
  r.Text(j, where, "szTimeStamp", p->szTimeStamp, sizeof p->szTimeStamp);
  p->dwReserved1 = r.Integer<uint32_t>(j, where, "dwReserved1", p->dwReserved1);
  const int32_t in = r.Integer<int32_t>(j, where, "nPathInIndex", -1);
  const int32_t out = r.Integer<int32_t>(j, where, "nPathOutIndex", -1);
  p->pReserved = static_cast<uintptr_t>(r.Integer<uint64_t>(j, where, "pReserved", 0));
  p->dwReserved2 = r.Integer<uint32_t>(j, where, "dwReserved2", p->dwReserved2);
  p->dwReserved3 = r.Integer<uint32_t>(j, where, "dwReserved3", p->dwReserved3);
  p->nVideoWidth = r.Integer<int32_t>(j, where, "nVideoWidth", p->nVideoWidth);
  p->nVideoHeight = r.Integer<int32_t>(j, where, "nVideoHeight", p->nVideoHeight);
  p->nVideoAspect = r.Integer<int32_t>(j, where, "nVideoAspect", p->nVideoAspect);
  p->nFrameWidth = r.Integer<int32_t>(j, where, "nFrameWidth", p->nFrameWidth);
  p->nFrameHeight = r.Integer<int32_t>(j, where, "nFrameHeight", p->nFrameHeight);
  p->nFrameAspect = r.Integer<int32_t>(j, where, "nFrameAspect", p->nFrameAspect);
  p->dwReserved4 = r.Integer<uint32_t>(j, where, "dwReserved4", p->dwReserved4);
  r.Guid(j, where, "szOriginGUID", p->szOriginGUID, sizeof p->szOriginGUID);
  p->dwReserved5 = r.Integer<uint32_t>(j, where, "dwReserved5", p->dwReserved5);
  p->fRotation = r.Float(j, where, "fRotation", p->fRotation);
  p->nTrackType = r.Integer<uint32_t>(j, where, "nTrackType", p->nTrackType);
  p->nTrackParam = r.Integer<uint32_t>(j, where, "nTrackParam", p->nTrackParam);
  p->dwReserved6 = r.Integer<uint32_t>(j, where, "dwReserved6", p->dwReserved6);

  const Json empty = Json::array();
  const Json* given = Reader::Find(j, "nodes");
  const Json& nodes = given == nullptr ? empty : *given;
  if (!nodes.is_array()) r.Fail(where + ".nodes", "expected an array");
  const int32_t count = r.Integer<int32_t>(j, where, "nTotalPathNodeNum",
                                           static_cast<int32_t>(nodes.size()));
  if (static_cast<size_t>(count) != nodes.size() || count < 0)
    r.Fail(where + ".nTotalPathNodeNum", "does not match the " + std::to_string(nodes.size()) +
                                             " nodes given");
  bool ctrlGiven = false;
  if (count > 0) {
    p->pPathNodes = new _PATH_NODE_[static_cast<size_t>(count)];
    p->nTotalPathNodeNum = count;
    for (int32_t i = 0; i < count; ++i)
      ctrlGiven |= NodeFromJson(r, nodes[static_cast<size_t>(i)],
                                where + ".nodes[" + std::to_string(i) + "]", &p->pPathNodes[i]);
    CheckFrames(r, *p, where);
  }
  // In and out are the first and last frames: derived when left out, and
  // checked when given for a path with nodes.
  p->nPathInIndex = count > 0 && !j.contains("nPathInIndex") ? p->pPathNodes[0].nFrameIndex : in;
  p->nPathOutIndex =
      count > 0 && !j.contains("nPathOutIndex") ? p->pPathNodes[count - 1].nFrameIndex : out;
  if (count > 0 && p->nPathInIndex != p->pPathNodes[0].nFrameIndex)
    r.Fail(where + ".nPathInIndex", "is not the first node's frame " +
                                        std::to_string(p->pPathNodes[0].nFrameIndex));
  if (count > 0 && p->nPathOutIndex != p->pPathNodes[count - 1].nFrameIndex)
    r.Fail(where + ".nPathOutIndex", "is not the last node's frame " +
                                         std::to_string(p->pPathNodes[count - 1].nFrameIndex));
  // Without any control point given, linear segments get theirs as the
  // library places them.
  if (count > 0 && !ctrlGiven) Mlvr_PathInfo_CorrectCtrlPtrBasedOnPathType(p);

  const Json* extra = Reader::Find(j, "extraNode");
  const bool extraGiven = extra != nullptr && !extra->is_null();
  const uint32_t hasExtra = r.Integer<uint32_t>(j, where, "bHasExtraNode", extraGiven ? 1 : 0);
  if (hasExtra != 0) {
    if (!extraGiven) r.Fail(where + ".extraNode", "bHasExtraNode is set but no node is given");
    p->pExtraNode = new _PATH_NODE_[1];
    p->bHasExtraNode = hasExtra;
    NodeFromJson(r, *extra, where + ".extraNode", p->pExtraNode);
  } else if (extraGiven) {
    r.Fail(where + ".extraNode", "given while bHasExtraNode is 0");
  }
}

}  // namespace

double ShortestDecimal(float v) {
  // The shortest decimal that reads back as the same float, so that 0.2f
  // shows as 0.2 rather than as the double nearest to it.
  char text[32];
  for (int digits = 1; digits <= 9; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(v));
    if (std::strtof(text, nullptr) == v) break;
  }
  return std::strtod(text, nullptr);
}

nlohmann::ordered_json ListToJson(const List& list) {
  Json doc;
  doc["format"] = kFormat;
  doc["version"] = kFormatVersion;
  const _PATH_INFO_ARRAY_* a = list.get();
  Json header;
  header["dwSize"] = a->dwSize;
  header["abReserved1"] = Hex(a->abReserved1, sizeof a->abReserved1);
  header["nNumOfPathInfos"] = a->nNumOfPathInfos;
  header["abReserved2"] = Hex(a->abReserved2, sizeof a->abReserved2);
  doc["header"] = header;
  Json paths = Json::array();
  for (int32_t i = 0; i < list.size(); ++i) {
    if (list.path(i) != nullptr) paths.push_back(PathToJson(*list.path(i)));
  }
  doc["paths"] = paths;
  return doc;
}

nlohmann::ordered_json ParseJson(const std::string& text, const std::string& source) {
  try {
    return Json::parse(text);
  } catch (const Json::parse_error& e) {
    // The parser's byte offset, told as a line and column of the text.
    const size_t at = std::min(e.byte == 0 ? 0 : e.byte - 1, text.size());
    size_t line = 1, column = 1;
    for (size_t i = 0; i < at; ++i) {
      if (text[i] == '\n') {
        ++line;
        column = 1;
      } else {
        ++column;
      }
    }
    if (at >= text.size())
      throw Failure(source + ": not valid JSON: the text ends early (line " + std::to_string(line) + ")");
    throw Failure(source + ": not valid JSON at line " + std::to_string(line) + ", column " +
                  std::to_string(column));
  }
}

List ListFromJson(const nlohmann::ordered_json& doc, const std::string& source) {
  const Reader r(source);
  r.OnlyKnown(doc, "top level", {"format", "version", "header", "paths"});
  if (const Json* format = Reader::Find(doc, "format"); format != nullptr && *format != kFormat)
    r.Fail("format", std::string("expected \"") + kFormat + "\"");
  if (r.Integer<int32_t>(doc, "top level", "version", kFormatVersion) != kFormatVersion)
    r.Fail("version", "expected " + std::to_string(kFormatVersion));
  const Json* paths = Reader::Find(doc, "paths");
  if (paths == nullptr) r.Fail("top level", "missing member \"paths\"");
  if (!paths->is_array()) r.Fail("paths", "expected an array");
  const Json noHeader = Json::object();
  const Json* given = Reader::Find(doc, "header");
  const Json& header = given == nullptr ? noHeader : *given;
  r.OnlyKnown(header, "header", {"dwSize", "abReserved1", "nNumOfPathInfos", "abReserved2"});

  List list(new _PATH_INFO_ARRAY_());
  _PATH_INFO_ARRAY_* a = list.get();
  a->dwSize = r.Integer<uint32_t>(header, "header", "dwSize", a->dwSize);
  r.Blob(header, "header", "abReserved1", a->abReserved1, sizeof a->abReserved1);
  r.Blob(header, "header", "abReserved2", a->abReserved2, sizeof a->abReserved2);
  const int32_t count = static_cast<int32_t>(paths->size());
  if (r.Integer<int32_t>(header, "header", "nNumOfPathInfos", count) != count)
    r.Fail("header.nNumOfPathInfos", "does not match the " + std::to_string(count) +
                                         " paths given");
  for (size_t i = 0; i < paths->size(); ++i) {
    _PATH_INFO_* p = new _PATH_INFO_[1];
    if (Mlvr_PathInfoArray_Add(list.ref(), p) != 1) {
      Mlvr_PathInfo_FreeInfos(&p, 1);
      throw Failure(source + ": cannot build the path list");
    }
    PathFromJson(r, (*paths)[i], "paths[" + std::to_string(i) + "]", p);
  }
  return list;
}

}  // namespace mlvr
