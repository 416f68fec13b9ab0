// Image operators over Fields: Gaussian blur, normals-from-height lighting,
// colour ramps.
#pragma once

#include <vector>

#include "image.h"

enum class Edge { Wrap, Clamp };

// Separable Gaussian blur with standard deviation `sigma` pixels.
void Blur(Field* f, double sigma, Edge edge);
// Blurs each channel of a premultiplied picture.
void Blur(Image* img, double sigma, Edge edge);

// Lights a height field as a surface: Sobel normals with `strength`,
// directional light from (lx, ly, lz), ambient 0.15, diffuse 0.85 and a
// Blinn highlight. Returns (diffuse term, specular term) fields.
struct Lighting {
  Field diffuse;
  Field specular;
};
Lighting BumpLight(const Field& height, double strength, double lx, double ly,
                   double lz, double shininess, Edge edge);

// A colour ramp of keys (position 0..1, sRGB colour), interpolated in
// linear light.
class ColorRamp {
 public:
  struct Key {
    double t;
    double r, g, b;
  };
  explicit ColorRamp(std::vector<Key> keys);
  Rgba operator()(double t) const;

 private:
  std::vector<Key> keys_;  // colours stored as linear light
};

// sRGB transfer in both directions.
double ToLinear(double s);
double ToSrgb(double l);
