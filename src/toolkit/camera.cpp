#include "toolkit/camera.h"

D3DXMATRIX ViewMatrix(const D3DXVECTOR3& eye, const D3DXVECTOR3& target,
                      const D3DXVECTOR3& up) {
  D3DXMATRIX view;
  D3DXMatrixLookAtLH(&view, &eye, &target, &up);
  return view;
}

D3DXMATRIX ProjectionMatrix(const Lens& lens) {
  D3DXMATRIX projection;
  D3DXMatrixPerspectiveFovLH(&projection, lens.fovY, lens.aspect, lens.zNear,
                             lens.zFar);
  return projection;
}

void SetView(IDirect3DDevice9* device, const D3DXVECTOR3& eye,
             const D3DXVECTOR3& target, const D3DXVECTOR3& up) {
  const D3DXMATRIX view = ViewMatrix(eye, target, up);
  device->SetTransform(D3DTS_VIEW, &view);
}

void SetProjection(IDirect3DDevice9* device, const Lens& lens) {
  const D3DXMATRIX projection = ProjectionMatrix(lens);
  device->SetTransform(D3DTS_PROJECTION, &projection);
}

void SetCamera(IDirect3DDevice9* device, const D3DXVECTOR3& eye,
               const D3DXVECTOR3& target, const D3DXVECTOR3& up,
               const Lens& lens) {
  SetView(device, eye, target, up);
  SetProjection(device, lens);
}
