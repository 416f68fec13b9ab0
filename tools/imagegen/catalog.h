// Every picture the show embeds: resource number, texture-bank slot, file,
// format and size, what it is used as, and the function that paints it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image.h"

enum class ImageFormat { Jpeg, JpegProgressive, Png };

// How a picture is seen; the checks derive their limits from this.
enum class ImageRole {
  Texture,    // opaque surface or backdrop texture
  Sprite,     // additive dot on an exact black ground
  Flash,      // bright full-screen flash: a white core is intended
  Picture,    // full-screen picture with alpha (title art)
  Overlay,    // full-screen overlay: mostly transparent
  TextStrip,  // scrolling text with alpha
  Card,       // greeting card
  Static,     // TV static frame
  Icon,       // the window icon
};

struct ImageEntry {
  int resource;
  int slot;          // texture-bank slot; -1 for the icon
  const char* file;  // relative to assets/
  ImageFormat format;
  int width, height;
  int quality;  // JPEG quality
  ImageRole role;
  Image (*paint)();
  Rgba bleed;  // PNG: colour under fully transparent pixels
};

const std::vector<ImageEntry>& ImageCatalog();

// Paints and encodes one entry; identical bytes on every run.
std::vector<uint8_t> RenderImage(const ImageEntry& entry);

// Rewrites the manifest lines of the given (type, number) pairs, keeping
// every other line where it is; new lines go to the end in the given order.
struct ManifestLine {
  std::string type;
  int number;
  std::string file;
};
bool UpdateManifest(const std::string& path,
                    const std::vector<ManifestLine>& lines);
