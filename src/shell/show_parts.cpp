#include "shell/show_parts.h"

#include "glow/glow_effect.h"
#include "resources/texture_bank.h"
#include "shell/section_table.h"

TextureBank* ShowParts::NewTextureBank() { return new TextureBank; }

HRESULT ShowParts::LoadTextures(TextureBank* bank, IDirect3DDevice9* device) {
  bank->SetDevice(device);
  return bank->LoadAll();
}

void ShowParts::DestroyTextures(TextureBank* bank) { bank->Destroy(); }

GlowEffect* ShowParts::NewGlow() { return new GlowEffect; }

HRESULT ShowParts::InitGlow(GlowEffect* glow, IDirect3DDevice9* device,
                            TextureBank* bank) {
  return glow->Init(device, bank);
}

void ShowParts::ReleaseGlow(GlowEffect* glow) { glow->Release(); }

void ShowParts::Flash(GlowEffect* glow) { glow->Flash(); }

void ShowParts::UpdateFlash(GlowEffect* glow, uint32_t elapsed,
                            uint32_t delta) {
  glow->UpdateFlash(elapsed, delta);
}

void ShowParts::DrawFlash(GlowEffect* glow) { glow->DrawFlash(); }

BaseSection* ShowParts::NewSection(int index) { return ::NewSection(index); }
