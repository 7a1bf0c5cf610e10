#include "tools/mlvr/svg_plot.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <set>
#include <sstream>
#include <vector>

namespace mlvr {
namespace {

constexpr double kFrameH = 540.0;
constexpr double kMargin = 20.0;
constexpr double kLegendLine = 16.0;
// The second file of --compare is drawn in its own colour, dashed.
const char* const kCompareColour = "#222222";
const char* const kColours[] = {"#d62728", "#1f77b4", "#2ca02c", "#9467bd",
                                "#ff7f0e", "#17becf", "#8c564b", "#e377c2"};

std::string Escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      default:
        // Control characters are not allowed in XML 1.0.
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
    }
  }
  return out;
}

std::string Num(double v) {
  if (!std::isfinite(v)) v = 0;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

bool Finite(const _PATH_NODE_& n) {
  return std::isfinite(n.fXPos) && std::isfinite(n.fYPos) && std::isfinite(n.fWidth) &&
         std::isfinite(n.fHeight) && std::isfinite(n.fCtrlXPos) && std::isfinite(n.fCtrlYPos);
}

class Canvas {
 public:
  Canvas(double w) : w_(w) {}
  double X(double x) const { return kMargin + x * w_; }
  double Y(double y) const { return kMargin + (1.0 - y) * kFrameH; }  // y grows upward
  double w() const { return w_; }

 private:
  double w_;
};

bool Selected(const _PATH_INFO_* p, const PlotOptions& o) {
  return p != nullptr && (o.guid.empty() || FieldText(p->szGUID, sizeof p->szGUID) == o.guid);
}

std::vector<const _PATH_NODE_*> DrawnNodes(const _PATH_INFO_& p, const PlotOptions& o) {
  std::vector<const _PATH_NODE_*> nodes;
  for (int32_t i = 0; i < p.nTotalPathNodeNum && p.pPathNodes != nullptr; ++i) {
    const _PATH_NODE_& n = p.pPathNodes[i];
    if (n.nFrameIndex >= o.firstFrame && n.nFrameIndex <= o.lastFrame && Finite(n))
      nodes.push_back(&n);
  }
  return nodes;
}

// Frames between nodes that the path usually spans; a longer step is a gap
// the tracker left, drawn dashed.
int32_t UsualStep(const std::vector<const _PATH_NODE_*>& nodes) {
  std::vector<int32_t> steps;
  for (size_t i = 1; i < nodes.size(); ++i)
    steps.push_back(nodes[i]->nFrameIndex - nodes[i - 1]->nFrameIndex);
  if (steps.empty()) return 1;
  std::nth_element(steps.begin(), steps.begin() + steps.size() / 2, steps.end());
  return std::max(1, steps[steps.size() / 2]);
}

// The frames whose nodes the library's simplification keeps: where the
// motion changes, so that boxes there tell the story without a smear.
std::set<int32_t> KeptFrames(const _PATH_INFO_& p) {
  std::set<int32_t> kept;
  _PATH_INFO_* copy = new _PATH_INFO_[1];
  Mlvr_PathInfo_Clone(copy, &p, 1, nullptr);
  Mlvr_LinearRegressionPathInfo(copy);
  for (int32_t i = 0; i < copy->nTotalPathNodeNum && copy->pPathNodes != nullptr; ++i)
    kept.insert(copy->pPathNodes[i].nFrameIndex);
  Mlvr_PathInfo_FreeInfos(&copy, 1);
  return kept;
}

std::string Opacity(float confidence) {
  const double o = std::isfinite(confidence) ? std::min(1.0, std::max(0.15, double(confidence))) : 1;
  return Num(o);
}

void DrawPath(std::ostringstream& svg, const Canvas& c, const _PATH_INFO_& p, const char* colour,
              bool compare, const PlotOptions& o) {
  const std::vector<const _PATH_NODE_*> nodes = DrawnNodes(p, o);
  const std::string guid = FieldText(p.szGUID, sizeof p.szGUID);
  svg << "<g class=\"path" << (compare ? " compare" : "") << "\" data-guid=\"" << Escape(guid)
      << "\">\n";
  // Boxes first, so that the trajectory stays on top.
  const std::set<int32_t> kept = o.boxes == "nodes" ? KeptFrames(p) : std::set<int32_t>{};
  for (const _PATH_NODE_* n : nodes) {
    if (o.boxes == "none" || (o.boxes == "nodes" && kept.count(n->nFrameIndex) == 0)) continue;
    svg << "<rect class=\"box\" x=\"" << Num(c.X(n->fXPos - n->fWidth / 2)) << "\" y=\""
        << Num(c.Y(n->fYPos + n->fHeight / 2)) << "\" width=\"" << Num(n->fWidth * c.w())
        << "\" height=\"" << Num(n->fHeight * kFrameH) << "\" fill=\"none\" stroke=\"" << colour
        << "\" stroke-opacity=\"0.35\" stroke-width=\"1\"/>\n";
  }
  const int32_t usual = UsualStep(nodes);
  std::string solid, gaps;
  for (size_t i = 0; i + 1 < nodes.size(); ++i) {
    const _PATH_NODE_& a = *nodes[i];
    const _PATH_NODE_& b = *nodes[i + 1];
    const std::string from = Num(c.X(a.fXPos)) + " " + Num(c.Y(a.fYPos));
    const std::string to = Num(c.X(b.fXPos)) + " " + Num(c.Y(b.fYPos));
    if (b.nFrameIndex - a.nFrameIndex > 2 * usual) {
      gaps += "M " + from + " L " + to + " ";
      continue;
    }
    solid += "M " + from;
    solid += a.nPathType == 1
                 ? " Q " + Num(c.X(a.fCtrlXPos)) + " " + Num(c.Y(a.fCtrlYPos)) + " " + to + " "
                 : " L " + to + " ";
  }
  const std::string dash = compare ? " stroke-dasharray=\"6 4\"" : "";
  if (!solid.empty())
    svg << "<path class=\"trajectory\" d=\"" << solid << "\" fill=\"none\" stroke=\"" << colour
        << "\" stroke-width=\"2\"" << dash << "/>\n";
  if (!gaps.empty())
    svg << "<path class=\"gap\" d=\"" << gaps << "\" fill=\"none\" stroke=\"" << colour
        << "\" stroke-width=\"1.5\" stroke-dasharray=\"2 5\"/>\n";
  // Control points of the curved segments, tied to their ends.
  for (size_t i = 0; i + 1 < nodes.size(); ++i) {
    const _PATH_NODE_& a = *nodes[i];
    const _PATH_NODE_& b = *nodes[i + 1];
    if (a.nPathType != 1) continue;
    svg << "<polyline class=\"control\" points=\"" << Num(c.X(a.fXPos)) << ","
        << Num(c.Y(a.fYPos)) << " " << Num(c.X(a.fCtrlXPos)) << "," << Num(c.Y(a.fCtrlYPos))
        << " " << Num(c.X(b.fXPos)) << "," << Num(c.Y(b.fYPos)) << "\" fill=\"none\" stroke=\""
        << colour << "\" stroke-opacity=\"0.5\" stroke-dasharray=\"2 2\"/>\n";
  }
  // Markers: opacity tells the tracker's confidence.
  for (const _PATH_NODE_* n : nodes) {
    svg << "<circle class=\"node\" cx=\"" << Num(c.X(n->fXPos)) << "\" cy=\""
        << Num(c.Y(n->fYPos)) << "\" r=\"3\" fill=\"" << colour << "\" fill-opacity=\""
        << Opacity(n->fConfidence) << "\" stroke=\"none\"><title>frame " << n->nFrameIndex
        << "</title></circle>\n";
  }
  if (!nodes.empty()) {
    // Start and end, and a frame label every so often along the way.
    const _PATH_NODE_& first = *nodes.front();
    const _PATH_NODE_& last = *nodes.back();
    svg << "<circle class=\"start\" cx=\"" << Num(c.X(first.fXPos)) << "\" cy=\""
        << Num(c.Y(first.fYPos)) << "\" r=\"7\" fill=\"none\" stroke=\"" << colour
        << "\" stroke-width=\"2\"/>\n";
    svg << "<rect class=\"end\" x=\"" << Num(c.X(last.fXPos) - 6) << "\" y=\""
        << Num(c.Y(last.fYPos) - 6) << "\" width=\"12\" height=\"12\" fill=\"" << colour
        << "\"/>\n";
    const size_t every = std::max<size_t>(1, nodes.size() / 6);
    for (size_t i = 0; i < nodes.size(); ++i) {
      const bool last = i + 1 == nodes.size();
      if (last ? i % every < every / 2 && i >= every : i % every != 0) continue;
      svg << "<text class=\"frame-label\" x=\"" << Num(c.X(nodes[i]->fXPos) + 8) << "\" y=\""
          << Num(c.Y(nodes[i]->fYPos) - 6) << "\" font-family=\"sans-serif\" font-size=\"11\" fill=\""
          << colour << "\">" << nodes[i]->nFrameIndex << "</text>\n";
    }
  }
  svg << "</g>\n";
}

// Pixel ticks along the top and left edges of the frame, for a frame of
// `pw` x `ph` pixels.
void DrawAxis(std::ostringstream& svg, const Canvas& c, int32_t pw, int32_t ph) {
  for (int k = 0; k <= 4; ++k) {
    const double f = k / 4.0;
    svg << "<text class=\"axis\" x=\"" << Num(c.X(f)) << "\" y=\"" << Num(kMargin - 5)
        << "\" text-anchor=\"middle\" font-family=\"sans-serif\" font-size=\"10\" fill=\"#666\">"
        << static_cast<int>(std::lround(f * pw)) << "</text>\n";
    svg << "<text class=\"axis\" x=\"" << Num(kMargin - 3) << "\" y=\"" << Num(c.Y(1 - f) + 3)
        << "\" text-anchor=\"end\" font-family=\"sans-serif\" font-size=\"10\" fill=\"#666\">"
        << static_cast<int>(std::lround(f * ph)) << "</text>\n";
  }
}

// The time view: x (top panel) and y (bottom panel) against the frame.
void DrawTime(std::ostringstream& svg, const std::vector<std::pair<const _PATH_INFO_*, const char*>>& paths,
              const PlotOptions& o, double width) {
  int32_t lo = INT32_MAX, hi = INT32_MIN;
  for (const auto& [p, colour] : paths) {
    for (const _PATH_NODE_* n : DrawnNodes(*p, o)) {
      lo = std::min(lo, n->nFrameIndex);
      hi = std::max(hi, n->nFrameIndex);
    }
  }
  if (lo > hi) return;
  const double panel = (kFrameH - kMargin) / 2;
  auto fx = [&](int32_t f) { return kMargin + (hi == lo ? 0.5 : double(f - lo) / (hi - lo)) * width; };
  for (int k = 0; k < 2; ++k) {
    const double top = kMargin + k * (panel + kMargin);
    svg << "<rect class=\"panel\" x=\"" << Num(kMargin) << "\" y=\"" << Num(top) << "\" width=\""
        << Num(width) << "\" height=\"" << Num(panel) << "\" fill=\"none\" stroke=\"#999999\"/>\n"
        << "<text class=\"axis\" x=\"" << Num(kMargin + 4) << "\" y=\"" << Num(top + 14)
        << "\" font-family=\"sans-serif\" font-size=\"12\" fill=\"#666\">" << (k == 0 ? "x" : "y")
        << " (0 to 1)</text>\n";
    for (const auto& [p, colour] : paths) {
      const auto nodes = DrawnNodes(*p, o);
      const int32_t usual = UsualStep(nodes);
      std::string d, gaps;
      std::string at;
      for (size_t i = 0; i < nodes.size(); ++i) {
        const double v = k == 0 ? nodes[i]->fXPos : nodes[i]->fYPos;
        const bool gap = i > 0 && nodes[i]->nFrameIndex - nodes[i - 1]->nFrameIndex > 2 * usual;
        const std::string here = Num(fx(nodes[i]->nFrameIndex)) + " " + Num(top + (1 - v) * panel);
        if (gap) gaps += "M " + at + " L " + here + " ";
        d += (i == 0 || gap ? "M " : "L ") + here + " ";
        at = here;
      }
      svg << "<path class=\"time\" d=\"" << d << "\" fill=\"none\" stroke=\"" << colour
          << "\" stroke-width=\"2\"/>\n";
      if (!gaps.empty())
        svg << "<path class=\"gap\" d=\"" << gaps << "\" fill=\"none\" stroke=\"" << colour
            << "\" stroke-width=\"1.5\" stroke-dasharray=\"2 5\"/>\n";
    }
  }
  for (int k = 0; k <= 4; ++k) {
    const int32_t f = lo + static_cast<int32_t>((int64_t(hi) - lo) * k / 4);
    svg << "<text class=\"axis\" x=\"" << Num(fx(f)) << "\" y=\"" << Num(kFrameH + kMargin - 4)
        << "\" text-anchor=\"" << (k == 0 ? "start" : k == 4 ? "end" : "middle")
        << "\" font-family=\"sans-serif\" font-size=\"10\" fill=\"#666\">frame "
        << f << "</text>\n";
  }
}

}  // namespace

bool AnyNodeDrawn(const List& list, const PlotOptions& o) {
  for (int32_t i = 0; i < list.size(); ++i) {
    if (Selected(list.path(i), o) && !DrawnNodes(*list.path(i), o).empty()) return true;
  }
  return false;
}

double FrameWidthPixels(const _PATH_INFO_& p) {
  double w = 16, h = 9;
  if (p.nFrameAspect == 1) {
    w = 4;
    h = 3;
  } else if (p.nFrameAspect == 2 && p.nFrameWidth > 0 && p.nFrameHeight > 0) {
    w = p.nFrameWidth;
    h = p.nFrameHeight;
  }
  double px = kFrameH * w / h;
  // Keep extreme custom shapes drawable.
  if (px < 100) px = 100;
  if (px > 4000) px = 4000;
  return px;
}

std::string PlotSvg(const List& list, const List* compare, const PlotOptions& o) {
  double frameW = kFrameH * 16 / 9;
  for (int32_t i = 0; i < list.size(); ++i) {
    if (Selected(list.path(i), o)) {
      frameW = FrameWidthPixels(*list.path(i));
      break;
    }
  }
  const Canvas c(frameW);
  int32_t pixelsW = 0, pixelsH = 0;
  std::vector<std::pair<const _PATH_INFO_*, const char*>> timed;
  std::vector<std::string> legend;
  std::ostringstream body;
  int colour = 0;
  for (int32_t i = 0; i < list.size(); ++i) {
    const _PATH_INFO_* p = list.path(i);
    if (!Selected(p, o)) continue;
    const char* col = kColours[colour++ % 8];
    if (pixelsW == 0 && p->nFrameAspect == 2 && p->nFrameWidth > 0 && p->nFrameHeight > 0) {
      pixelsW = p->nFrameWidth;
      pixelsH = p->nFrameHeight;
    }
    timed.emplace_back(p, col);
    if (!o.time) DrawPath(body, c, *p, col, false, o);
    legend.push_back(std::string(col) + "|" + FieldText(p->szGUID, sizeof p->szGUID) + "  " +
                     std::to_string(p->nTotalPathNodeNum) + " nodes" +
                     (o.title.empty() ? "" : "  (" + o.title + ")"));
    if (compare != nullptr) {
      for (int32_t k = 0; k < compare->size(); ++k) {
        const _PATH_INFO_* q = compare->path(k);
        if (o.time || q == nullptr || FieldText(q->szGUID, sizeof q->szGUID) !=
                                FieldText(p->szGUID, sizeof p->szGUID))
          continue;
        DrawPath(body, c, *q, kCompareColour, true, o);
        legend.push_back(std::string(kCompareColour) + "|- - " + FieldText(q->szGUID, sizeof q->szGUID) +
                         "  " + std::to_string(q->nTotalPathNodeNum) + " nodes" +
                         (o.compareTitle.empty() ? "" : "  (" + o.compareTitle + ")"));
      }
    }
  }
  // Paths of the other file without a partner are still shown.
  if (compare != nullptr && !o.time) {
    for (int32_t k = 0; k < compare->size(); ++k) {
      const _PATH_INFO_* q = compare->path(k);
      if (!Selected(q, o)) continue;
      bool partner = false;
      for (int32_t i = 0; i < list.size() && !partner; ++i) {
        partner = list.path(i) != nullptr && FieldText(list.path(i)->szGUID, 39) ==
                                                 FieldText(q->szGUID, sizeof q->szGUID);
      }
      if (partner) continue;
      DrawPath(body, c, *q, kCompareColour, true, o);
      legend.push_back(std::string(kCompareColour) + "|- - " + FieldText(q->szGUID, sizeof q->szGUID) +
                       "  " + std::to_string(q->nTotalPathNodeNum) + " nodes" +
                       (o.compareTitle.empty() ? "" : "  (" + o.compareTitle + ")"));
    }
  }

  const double width = frameW + 2 * kMargin;
  const double height = kFrameH + 2 * kMargin + kLegendLine * static_cast<double>(legend.size());
  std::ostringstream svg;
  svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << Num(width) << "\" height=\""
      << Num(height) << "\" viewBox=\"0 0 " << Num(width) << " " << Num(height) << "\">\n"
      << "<rect class=\"background\" x=\"0\" y=\"0\" width=\"" << Num(width) << "\" height=\""
      << Num(height) << "\" fill=\"white\"/>\n"
      ;
  if (o.time) {
    DrawTime(svg, timed, o, frameW);
  } else {
    svg << "<rect class=\"frame\" x=\"" << Num(kMargin) << "\" y=\"" << Num(kMargin)
        << "\" width=\"" << Num(frameW) << "\" height=\"" << Num(kFrameH)
        << "\" fill=\"white\" stroke=\"#999999\" stroke-width=\"1\"/>\n";
    // Pixels of the path's own frame size, or 1920 x 1080 scaled to its shape.
    DrawAxis(svg, c, pixelsW > 0 ? pixelsW : static_cast<int32_t>(std::lround(frameW * 2)),
             pixelsW > 0 ? pixelsH : 1080);
    svg << body.str();
  }
  double y = kFrameH + kMargin + 14;
  for (const std::string& entry : legend) {
    const size_t bar = entry.find('|');
    svg << "<text class=\"legend\" x=\"" << Num(kMargin) << "\" y=\"" << Num(y)
        << "\" font-family=\"monospace\" font-size=\"12\" fill=\"" << entry.substr(0, bar)
        << "\">" << Escape(entry.substr(bar + 1)) << "</text>\n";
    y += kLegendLine;
  }
  svg << "</svg>\n";
  return svg.str();
}

}  // namespace mlvr
