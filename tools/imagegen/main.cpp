// imagegen: paints every picture of the show into <assets>/images and,
// with --manifest, writes their lines into <assets>/manifest.txt.
//   imagegen <assets dir> [--manifest] [--only RESOURCE]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "catalog.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: imagegen <assets dir> [--manifest] [--only N]\n");
    return 2;
  }
  std::filesystem::path root = argv[1];
  bool manifest = false;
  int only = -1;
  for (int i = 2; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--manifest")) manifest = true;
    if (!std::strcmp(argv[i], "--only") && i + 1 < argc)
      only = std::atoi(argv[++i]);
  }
  std::vector<ManifestLine> lines;
  for (const ImageEntry& e : ImageCatalog()) {
    lines.push_back({"RCDATA", e.resource, e.file});
    if (only >= 0 && e.resource != only) continue;
    auto t0 = std::chrono::steady_clock::now();
    auto bytes = RenderImage(e);
    double ms = std::chrono::duration<double, std::milli>(
                    std::chrono::steady_clock::now() - t0)
                    .count();
    std::filesystem::path out = root / e.file;
    std::filesystem::create_directories(out.parent_path());
    std::ofstream f(out, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
    if (!f) {
      std::fprintf(stderr, "imagegen: cannot write %s\n", out.c_str());
      return 1;
    }
    std::printf("%3d  slot %2d  %7zu bytes  %6.0f ms  %s\n", e.resource, e.slot,
                bytes.size(), ms, e.file);
  }
  if (manifest && !UpdateManifest((root / "manifest.txt").string(), lines)) {
    std::fprintf(stderr, "imagegen: cannot update the manifest\n");
    return 1;
  }
  return 0;
}
