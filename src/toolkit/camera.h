// View and projection from the terms the show thinks in: an eye looking at
// a target with an up direction, and a lens (vertical field of view in
// radians, aspect ratio, near and far planes). Left-handed, row vectors.
#pragma once

#include "platform/d3dx/d3dx9.h"

struct Lens {
  float fovY;
  float aspect;
  float zNear;
  float zFar;
};

D3DXMATRIX ViewMatrix(const D3DXVECTOR3& eye, const D3DXVECTOR3& target,
                      const D3DXVECTOR3& up);
D3DXMATRIX ProjectionMatrix(const Lens& lens);

// SetTransform(D3DTS_VIEW, ...) and SetTransform(D3DTS_PROJECTION, ...).
void SetView(IDirect3DDevice9* device, const D3DXVECTOR3& eye,
             const D3DXVECTOR3& target, const D3DXVECTOR3& up);
void SetProjection(IDirect3DDevice9* device, const Lens& lens);
// The view, then the projection.
void SetCamera(IDirect3DDevice9* device, const D3DXVECTOR3& eye,
               const D3DXVECTOR3& target, const D3DXVECTOR3& up,
               const Lens& lens);
