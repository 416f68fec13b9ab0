#include "toolkit/device_settings.h"

#include "toolkit/expect_ok.h"

void ApplySettings(IDirect3DDevice9* device, DeviceSettings settings) {
  for (const DeviceSetting& setting : settings) {
    switch (setting.kind) {
      case DeviceSetting::Kind::Render:
        device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(setting.state),
                               setting.value);
        break;
      case DeviceSetting::Kind::Stage:
        device->SetTextureStageState(
            0, static_cast<D3DTEXTURESTAGESTATETYPE>(setting.state),
            setting.value);
        break;
      case DeviceSetting::Kind::Projection:
        SetProjection(device, setting.lens);
        break;
    }
  }
}

HRESULT RecordedStates::Record(IDirect3DDevice9* device,
                               DeviceSettings settings) {
  block_.Reset();
  HRESULT hr = device->BeginStateBlock();
  if (FAILED(hr)) return hr;
  ApplySettings(device, settings);
  return device->EndStateBlock(block_.Receive());
}

bool RecordedStates::Apply() const {
  // Applying before a successful Record is a programming error too.
  const HRESULT hr = block_ ? block_->Apply() : D3DERR_INVALIDCALL;
  return QUORBEL_EXPECT_OK(hr);
}
