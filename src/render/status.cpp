#include "render/status.h"

#include <cstdio>

namespace d3d {

std::string statusName(HRESULT hr)
{
    switch (hr) {
    case E_FAIL:
        return "E_FAIL";
    case E_OUTOFMEMORY:
        return "E_OUTOFMEMORY";
    case D3DERR_WRONGTEXTUREFORMAT:
        return "D3DERR_WRONGTEXTUREFORMAT";
    case D3DERR_NOTFOUND:
        return "D3DERR_NOTFOUND";
    case D3DERR_MOREDATA:
        return "D3DERR_MOREDATA";
    case D3DERR_DEVICELOST:
        return "D3DERR_DEVICELOST";
    case D3DERR_NOTAVAILABLE:
        return "D3DERR_NOTAVAILABLE";
    case D3DERR_OUTOFVIDEOMEMORY:
        return "D3DERR_OUTOFVIDEOMEMORY";
    case D3DERR_INVALIDDEVICE:
        return "D3DERR_INVALIDDEVICE";
    case D3DERR_INVALIDCALL:
        return "D3DERR_INVALIDCALL";
    case D3DXERR_INVALIDDATA:
        return "D3DXERR_INVALIDDATA";
    default:
        break;
    }
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08x", static_cast<std::uint32_t>(hr));
    return buf;
}

void check(HRESULT hr, const char* operation, const std::string& detail)
{
    if (SUCCEEDED(hr))
        return;
    std::string text = std::string(operation) + " に失敗しました (" + statusName(hr) + ")。";
    if (!detail.empty())
        text += "\n" + detail;
    throw platform::RuntimeError(hr, text, detail);
}

}  // namespace d3d
