// Where the committed assets are, and the manifest as the build reads it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

std::string AssetPath(const std::string& relative);
std::vector<uint8_t> ReadAsset(const std::string& relative);

// (TYPE, NUMBER) -> FILE of every manifest line; duplicates are reported.
struct Manifest {
  std::map<std::pair<std::string, int>, std::string> files;
  std::vector<std::string> problems;  // malformed or duplicated lines
};
Manifest ReadManifest();
