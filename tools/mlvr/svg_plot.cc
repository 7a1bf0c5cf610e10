#include "tools/mlvr/svg_plot.h"

#include <cmath>
#include <cstdio>
#include <sstream>
#include <vector>

namespace mlvr {
namespace {

constexpr double kFrameH = 540.0;
constexpr double kMargin = 20.0;
constexpr double kLegendLine = 16.0;
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

void DrawPath(std::ostringstream& svg, const Canvas& c, const _PATH_INFO_& p, const char* colour,
              bool dashed, const PlotOptions& o) {
  std::vector<const _PATH_NODE_*> nodes;
  for (int32_t i = 0; i < p.nTotalPathNodeNum && p.pPathNodes != nullptr; ++i) {
    const _PATH_NODE_& n = p.pPathNodes[i];
    if (n.nFrameIndex >= o.firstFrame && n.nFrameIndex <= o.lastFrame && Finite(n))
      nodes.push_back(&n);
  }
  const std::string guid = FieldText(p.szGUID, sizeof p.szGUID);
  svg << "<g class=\"path" << (dashed ? " compare" : "") << "\" data-guid=\"" << Escape(guid)
      << "\">\n";
  // Boxes first, so that the trajectory stays on top.
  for (const _PATH_NODE_* n : nodes) {
    svg << "<rect class=\"box\" x=\"" << Num(c.X(n->fXPos - n->fWidth / 2)) << "\" y=\""
        << Num(c.Y(n->fYPos + n->fHeight / 2)) << "\" width=\"" << Num(n->fWidth * c.w())
        << "\" height=\"" << Num(n->fHeight * kFrameH) << "\" fill=\"none\" stroke=\"" << colour
        << "\" stroke-opacity=\"0.35\" stroke-width=\"1\""
        << (dashed ? " stroke-dasharray=\"4 3\"" : "") << "/>\n";
  }
  if (nodes.size() >= 2) {
    svg << "<path class=\"trajectory\" d=\"M " << Num(c.X(nodes[0]->fXPos)) << " "
        << Num(c.Y(nodes[0]->fYPos));
    for (size_t i = 0; i + 1 < nodes.size(); ++i) {
      const _PATH_NODE_& a = *nodes[i];
      const _PATH_NODE_& b = *nodes[i + 1];
      if (a.nPathType == 1) {
        svg << " Q " << Num(c.X(a.fCtrlXPos)) << " " << Num(c.Y(a.fCtrlYPos)) << " "
            << Num(c.X(b.fXPos)) << " " << Num(c.Y(b.fYPos));
      } else {
        svg << " L " << Num(c.X(b.fXPos)) << " " << Num(c.Y(b.fYPos));
      }
    }
    svg << "\" fill=\"none\" stroke=\"" << colour << "\" stroke-width=\"2\""
        << (dashed ? " stroke-dasharray=\"6 4\"" : "") << "/>\n";
    // Control points of the curved segments, tied to their ends.
    for (size_t i = 0; i + 1 < nodes.size(); ++i) {
      const _PATH_NODE_& a = *nodes[i];
      const _PATH_NODE_& b = *nodes[i + 1];
      if (a.nPathType != 1) continue;
      svg << "<polyline class=\"control\" points=\"" << Num(c.X(a.fXPos)) << ","
          << Num(c.Y(a.fYPos)) << " " << Num(c.X(a.fCtrlXPos)) << "," << Num(c.Y(a.fCtrlYPos))
          << " " << Num(c.X(b.fXPos)) << "," << Num(c.Y(b.fYPos)) << "\" fill=\"none\" stroke=\""
          << colour << "\" stroke-opacity=\"0.5\" stroke-dasharray=\"2 2\"/>\n";
      svg << "<rect class=\"control-point\" x=\"" << Num(c.X(a.fCtrlXPos) - 2.5) << "\" y=\""
          << Num(c.Y(a.fCtrlYPos) - 2.5) << "\" width=\"5\" height=\"5\" fill=\"white\" stroke=\""
          << colour << "\"/>\n";
    }
  }
  for (const _PATH_NODE_* n : nodes) {
    svg << "<circle class=\"node\" cx=\"" << Num(c.X(n->fXPos)) << "\" cy=\""
        << Num(c.Y(n->fYPos)) << "\" r=\"" << (dashed ? "2" : "3") << "\" fill=\""
        << (dashed ? "white" : colour) << "\" stroke=\"" << colour << "\"><title>frame "
        << n->nFrameIndex << "</title></circle>\n";
  }
  svg << "</g>\n";
}

}  // namespace

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
  std::vector<std::string> legend;
  std::ostringstream body;
  int colour = 0;
  for (int32_t i = 0; i < list.size(); ++i) {
    const _PATH_INFO_* p = list.path(i);
    if (!Selected(p, o)) continue;
    const char* col = kColours[colour++ % 8];
    DrawPath(body, c, *p, col, false, o);
    legend.push_back(std::string(col) + "|" + FieldText(p->szGUID, sizeof p->szGUID) + "  " +
                     std::to_string(p->nTotalPathNodeNum) + " nodes" +
                     (o.title.empty() ? "" : "  (" + o.title + ")"));
    if (compare != nullptr) {
      for (int32_t k = 0; k < compare->size(); ++k) {
        const _PATH_INFO_* q = compare->path(k);
        if (q == nullptr || FieldText(q->szGUID, sizeof q->szGUID) !=
                                FieldText(p->szGUID, sizeof p->szGUID))
          continue;
        DrawPath(body, c, *q, col, true, o);
        legend.push_back(std::string(col) + "|- - " + FieldText(q->szGUID, sizeof q->szGUID) +
                         "  " + std::to_string(q->nTotalPathNodeNum) + " nodes" +
                         (o.compareTitle.empty() ? "" : "  (" + o.compareTitle + ")"));
      }
    }
  }
  // Paths of the other file without a partner are still shown.
  if (compare != nullptr) {
    for (int32_t k = 0; k < compare->size(); ++k) {
      const _PATH_INFO_* q = compare->path(k);
      if (!Selected(q, o)) continue;
      bool partner = false;
      for (int32_t i = 0; i < list.size() && !partner; ++i) {
        partner = list.path(i) != nullptr && FieldText(list.path(i)->szGUID, 39) ==
                                                 FieldText(q->szGUID, sizeof q->szGUID);
      }
      if (partner) continue;
      const char* col = kColours[colour++ % 8];
      DrawPath(body, c, *q, col, true, o);
      legend.push_back(std::string(col) + "|- - " + FieldText(q->szGUID, sizeof q->szGUID) +
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
      << "<rect class=\"frame\" x=\"" << Num(kMargin) << "\" y=\"" << Num(kMargin)
      << "\" width=\"" << Num(frameW) << "\" height=\"" << Num(kFrameH)
      << "\" fill=\"white\" stroke=\"#999999\" stroke-width=\"1\"/>\n"
      << body.str();
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
