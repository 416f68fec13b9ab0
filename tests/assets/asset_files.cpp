#include "asset_files.h"

#include <fstream>
#include <iterator>
#include <sstream>

std::string AssetPath(const std::string& relative) {
  return std::string(QUORBEL_ASSETS_DIR) + "/" + relative;
}

std::vector<uint8_t> ReadAsset(const std::string& relative) {
  std::ifstream f(AssetPath(relative), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f),
                              std::istreambuf_iterator<char>());
}

Manifest ReadManifest() {
  Manifest m;
  std::ifstream in(AssetPath("manifest.txt"));
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string type, file, extra;
    int number = 0;
    if (!(fields >> type >> number >> file) || (fields >> extra)) {
      m.problems.push_back("malformed: " + line);
      continue;
    }
    if (!m.files.emplace(std::make_pair(type, number), file).second)
      m.problems.push_back("duplicate: " + line);
  }
  return m;
}
