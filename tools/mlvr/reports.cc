#include "tools/mlvr/reports.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "tools/mlvr/json_form.h"

namespace mlvr {
namespace {

std::string Turn(float degrees) { return Format("%g", static_cast<double>(degrees)); }

// Non-finite values have no JSON number; they show as null.
nlohmann::ordered_json Short(float v) {
  return std::isfinite(v) ? nlohmann::ordered_json(ShortestDecimal(v)) : nlohmann::ordered_json();
}

}  // namespace

std::string PathTable(const List& list) {
  const std::vector<std::string> head = {"#",  "GUID",       "associate file", "in",   "out",
                                         "nodes", "track type", "frame",        "video", "turn"};
  std::vector<std::vector<std::string>> rows;
  for (int32_t i = 0; i < list.size(); ++i) {
    const _PATH_INFO_* p = list.path(i);
    if (p == nullptr) continue;
    rows.push_back({std::to_string(i), FieldText(p->szGUID, sizeof p->szGUID),
                    FieldText(p->szAssociateFile, sizeof p->szAssociateFile),
                    std::to_string(p->nPathInIndex), std::to_string(p->nPathOutIndex),
                    std::to_string(p->nTotalPathNodeNum), std::to_string(p->nTrackType),
                    ShapeText(p->nFrameAspect, p->nFrameWidth, p->nFrameHeight),
                    ShapeText(p->nVideoAspect, p->nVideoWidth, p->nVideoHeight),
                    Turn(p->fRotation)});
  }
  std::vector<size_t> width(head.size());
  for (size_t c = 0; c < head.size(); ++c) {
    width[c] = head[c].size();
    for (const auto& r : rows) width[c] = std::max(width[c], r[c].size());
  }
  auto line = [&](const std::vector<std::string>& cells) {
    std::string out;
    for (size_t c = 0; c < cells.size(); ++c) {
      std::string cell = cells[c];
      if (c + 1 < cells.size()) cell.resize(width[c], ' ');
      out += cell;
      if (c + 1 < cells.size()) out += "  ";
    }
    return out + "\n";
  };
  std::string out = line(head);
  for (const auto& r : rows) out += line(r);
  out += Format("%d path%s\n", list.size(), list.size() == 1 ? "" : "s");
  return out;
}

std::string NodeLine(const _PATH_NODE_& n) {
  std::string out = Format("frame %6d  x %.6f  y %.6f  w %.6f  h %.6f  conf %.3f", n.nFrameIndex,
                           static_cast<double>(n.fXPos), static_cast<double>(n.fYPos),
                           static_cast<double>(n.fWidth), static_cast<double>(n.fHeight),
                           static_cast<double>(n.fConfidence));
  if (n.nPathType == 1) {
    out += Format("  bezier ctrl (%.6f, %.6f)", static_cast<double>(n.fCtrlXPos),
                  static_cast<double>(n.fCtrlYPos));
  } else if (n.nPathType == 0) {
    out += "  linear";
  } else {
    out += Format("  type %d", n.nPathType);
  }
  return out;
}

std::string NodeDump(const List& list) {
  std::string out;
  for (int32_t i = 0; i < list.size(); ++i) {
    const _PATH_INFO_* p = list.path(i);
    if (p == nullptr) continue;
    out += Format("path %d %s  frames %d..%d  %d nodes  frame %s  video %s  turn %s\n", i,
                  FieldText(p->szGUID, sizeof p->szGUID).c_str(), p->nPathInIndex,
                  p->nPathOutIndex, p->nTotalPathNodeNum,
                  ShapeText(p->nFrameAspect, p->nFrameWidth, p->nFrameHeight).c_str(),
                  ShapeText(p->nVideoAspect, p->nVideoWidth, p->nVideoHeight).c_str(),
                  Turn(p->fRotation).c_str());
    for (int32_t k = 0; k < p->nTotalPathNodeNum && p->pPathNodes != nullptr; ++k)
      out += Format("  %5d  ", k) + NodeLine(p->pPathNodes[k]) + "\n";
    if (p->bHasExtraNode != 0 && p->pExtraNode != nullptr)
      out += "  extra  " + NodeLine(*p->pExtraNode) + "\n";
  }
  return out;
}

std::string BoxReport(const _PATH_NODE_& n, MLVR_SIZE target, const char* associate) {
  MLVR_RECT frame{0, 0, target.cx, target.cy};
  MLVR_RECT px{};
  Mlvr_PathNode_PathNode2Rect(&n, frame, &px);
  char buf[512];
  std::snprintf(buf, sizeof buf,
                "associate file %s\n"
                "normalised  x %.6f  y %.6f  width %.6f  height %.6f  (y upward)\n"
                "pixels      left %d  top %d  right %d  bottom %d  of %dx%d\n",
                associate, static_cast<double>(n.fXPos), static_cast<double>(n.fYPos),
                static_cast<double>(n.fWidth), static_cast<double>(n.fHeight), px.left, px.top,
                px.right, px.bottom, target.cx, target.cy);
  return buf;
}

std::string JsonText(const nlohmann::ordered_json& doc) {
  return doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

nlohmann::ordered_json PathSummaryJson(const List& list) {
  nlohmann::ordered_json paths = nlohmann::ordered_json::array();
  for (int32_t i = 0; i < list.size(); ++i) {
    const _PATH_INFO_* p = list.path(i);
    if (p == nullptr) continue;
    paths.push_back({{"index", i},
                     {"guid", FieldText(p->szGUID, sizeof p->szGUID)},
                     {"associateFile", FieldText(p->szAssociateFile, sizeof p->szAssociateFile)},
                     {"in", p->nPathInIndex},
                     {"out", p->nPathOutIndex},
                     {"nodes", p->nTotalPathNodeNum},
                     {"trackType", p->nTrackType},
                     {"frame", ShapeText(p->nFrameAspect, p->nFrameWidth, p->nFrameHeight)},
                     {"video", ShapeText(p->nVideoAspect, p->nVideoWidth, p->nVideoHeight)},
                     {"rotation", Short(p->fRotation)}});
  }
  return paths;
}

nlohmann::ordered_json BoxJson(const _PATH_NODE_& n, MLVR_SIZE target, const char* associate) {
  MLVR_RECT px{};
  Mlvr_PathNode_PathNode2Rect(&n, MLVR_RECT{0, 0, target.cx, target.cy}, &px);
  return {{"associateFile", associate},
          {"normalised", {{"x", Short(n.fXPos)}, {"y", Short(n.fYPos)}, {"width", Short(n.fWidth)},
                          {"height", Short(n.fHeight)}}},
          {"pixels", {{"left", px.left}, {"top", px.top}, {"right", px.right}, {"bottom", px.bottom}}},
          {"target", {target.cx, target.cy}}};
}

}  // namespace mlvr
