#include "toolkit/screen_quad.h"

void SetTexVertex(TexVertex* vertices, int index, float x, float y, float z,
                  float u, float v) {
  TexVertex& vertex = vertices[index];
  vertex.x = x;
  vertex.y = y;
  vertex.z = z;
  vertex.u = u;
  vertex.v = v;
}

void SetPointVertex(PointVertex* vertices, int index, float x, float y, float z,
                    D3DCOLOR color, float size) {
  PointVertex& vertex = vertices[index];
  vertex.x = x;
  vertex.y = y;
  vertex.z = z;
  vertex.size = size;
  vertex.color = color;
}
