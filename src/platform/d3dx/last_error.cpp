#include "platform/d3dx/last_error.h"

#include "platform/d3dx/d3dx9core.h"

namespace {
thread_local std::string lastError;
}

void SetD3DXLastError(const std::string& reason) { lastError = reason; }
void ClearD3DXLastError() { lastError.clear(); }

HRESULT D3DXFail(HRESULT code, const std::string& reason) {
  lastError = reason;
  return code;
}

const char* D3DXGetLastErrorText() { return lastError.c_str(); }
