#include "toolkit/world_matrix.h"

WorldMatrix::WorldMatrix() { SetIdentity(); }

void WorldMatrix::SetIdentity() { D3DXMatrixIdentity(this); }

void WorldMatrix::Multiply(const D3DXMATRIX& transform) {
  D3DXMatrixMultiply(this, this, &transform);
}

void WorldMatrix::RotateX(float angle) {
  D3DXMATRIX rotation;
  Multiply(*D3DXMatrixRotationX(&rotation, angle));
}

void WorldMatrix::RotateY(float angle) {
  D3DXMATRIX rotation;
  Multiply(*D3DXMatrixRotationY(&rotation, angle));
}

void WorldMatrix::RotateZ(float angle) {
  D3DXMATRIX rotation;
  Multiply(*D3DXMatrixRotationZ(&rotation, angle));
}

void WorldMatrix::RotateXYZ(float ax, float ay, float az) {
  RotateX(ax);
  RotateY(ay);
  RotateZ(az);
}

void WorldMatrix::Translate(float x, float y, float z) {
  D3DXMATRIX translation;
  Multiply(*D3DXMatrixTranslation(&translation, x, y, z));
}

void WorldMatrix::Scale(float x, float y, float z) {
  D3DXMATRIX scaling;
  Multiply(*D3DXMatrixScaling(&scaling, x, y, z));
}
