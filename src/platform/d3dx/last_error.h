// The per-thread "why did it fail" line behind D3DXGetLastErrorText.
#pragma once

#include <string>

#include "platform/gfx/d3d9_types.h"

void SetD3DXLastError(const std::string& reason);
void ClearD3DXLastError();
// Records reason and hands code back, for one-line error returns.
HRESULT D3DXFail(HRESULT code, const std::string& reason);
