#include "tests/support/test_support.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <tuple>

namespace mlvns {
namespace testing_support {

TempDir::TempDir() {
  namespace fs = std::filesystem;
  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path p = fs::temp_directory_path() / ("molvaren-test-" + std::to_string(rd()));
    std::error_code ec;
    if (fs::create_directory(p, ec)) {
      path_ = p.string();
      return;
    }
  }
  throw std::runtime_error("no temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

_PATH_NODE_ Node(int32_t frame, float x, float y, float w, float h) {
  _PATH_NODE_ n;
  n.nFrameIndex = frame;
  std::tie(n.fXPos, n.fYPos, n.fWidth, n.fHeight) = std::tie(x, y, w, h);
  return n;
}

_PATH_INFO_* NewPath(const std::vector<_PATH_NODE_>& nodes) {
  auto* p = new _PATH_INFO_[1]();
  if (!nodes.empty()) {
    p->pPathNodes = new _PATH_NODE_[nodes.size()];
    for (size_t i = 0; i < nodes.size(); ++i) p->pPathNodes[i] = nodes[i];
    p->nTotalPathNodeNum = static_cast<int32_t>(nodes.size());
    p->nPathInIndex = nodes.front().nFrameIndex;
    p->nPathOutIndex = nodes.back().nFrameIndex;
  }
  return p;
}

_PATH_INFO_ARRAY_* NewList(const std::vector<_PATH_INFO_*>& paths) {
  auto* a = new _PATH_INFO_ARRAY_();
  for (_PATH_INFO_* p : paths) Mlvr_PathInfoArray_Add(&a, p);
  return a;
}

std::vector<int32_t> Frames(const _PATH_INFO_* p) {
  std::vector<int32_t> out;
  for (int32_t i = 0; i < p->nTotalPathNodeNum; ++i) out.push_back(p->pPathNodes[i].nFrameIndex);
  return out;
}

std::vector<uint8_t> Snapshot(const _PATH_INFO_* p) {
  std::vector<uint8_t> out = RawBytes(*p);
  for (int32_t i = 0; i < p->nTotalPathNodeNum && p->pPathNodes != nullptr; ++i) {
    auto n = RawBytes(p->pPathNodes[i]);
    out.insert(out.end(), n.begin(), n.end());
  }
  return out;
}

}  // namespace testing_support
}  // namespace mlvns
