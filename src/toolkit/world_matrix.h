// A world matrix built up by rotate, translate and scale steps. Each step
// multiplies on the right (row vectors: the new transform applies after
// the ones already there), so Translate then RotateY swings the moved
// object around the world's origin.
//
// MeshObject keeps one, and sections keep theirs in their animation state,
// so that the matrix a tick turns is never the one a frame is drawing.
#pragma once

#include "platform/d3dx/d3dx9math.h"

struct WorldMatrix : D3DXMATRIX {
  // The identity.
  WorldMatrix();

  void SetIdentity();
  void RotateX(float angle);
  void RotateY(float angle);
  void RotateZ(float angle);
  // RotateX, then RotateY, then RotateZ.
  void RotateXYZ(float ax, float ay, float az);
  void Translate(float x, float y, float z);
  void Scale(float x, float y, float z);
  void Multiply(const D3DXMATRIX& transform);
};
