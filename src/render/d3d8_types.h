// The records, constants and statuses of the graphics runtime, with Direct3D 8's
// names, values and field orders. Every record is plain data and starts
// zero-filled when value-initialised ({}).
#pragma once

#include <cstdint>

class QWidget;

namespace d3d {

// A status: negative is failure. Values are Direct3D 8's own, so that an error
// message shows the code a Windows user would recognise.
using HRESULT = std::int32_t;

constexpr HRESULT mkStatus(std::uint32_t v) { return static_cast<HRESULT>(v); }
constexpr HRESULT D3D_OK = 0;
constexpr HRESULT E_FAIL = mkStatus(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = mkStatus(0x8007000Eu);
constexpr HRESULT D3DERR_WRONGTEXTUREFORMAT = mkStatus(0x88760818u);
constexpr HRESULT D3DERR_NOTFOUND = mkStatus(0x88760866u);
constexpr HRESULT D3DERR_MOREDATA = mkStatus(0x88760867u);
constexpr HRESULT D3DERR_DEVICELOST = mkStatus(0x88760868u);
constexpr HRESULT D3DERR_NOTAVAILABLE = mkStatus(0x8876086Au);
constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = mkStatus(0x8876017Cu);
constexpr HRESULT D3DERR_INVALIDDEVICE = mkStatus(0x88760865u);
constexpr HRESULT D3DERR_INVALIDCALL = mkStatus(0x8876086Cu);
constexpr HRESULT D3DXERR_INVALIDDATA = mkStatus(0x88760B59u);

constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }

// A window of the host's window manager. The render panel and the windows
// that contain it are Qt widgets; the parent query walks their nesting.
using HWND = QWidget*;

using D3DCOLOR = std::uint32_t;  // ARGB, alpha in the top byte

struct D3DVECTOR {
    float x, y, z;
};

struct D3DCOLORVALUE {
    float r, g, b, a;
};

// A packed ARGB colour as four channels in 0..1: the one place both devices
// unpack colours, so they agree to the bit.
constexpr D3DCOLORVALUE unpackColor(D3DCOLOR c)
{
    return {float((c >> 16) & 0xFF) / 255.0f, float((c >> 8) & 0xFF) / 255.0f, float(c & 0xFF) / 255.0f,
            float(c >> 24) / 255.0f};
}

// The same into r, g, b, a of an array.
inline void unpackColor(D3DCOLOR c, float out[4])
{
    const D3DCOLORVALUE v = unpackColor(c);
    out[0] = v.r, out[1] = v.g, out[2] = v.b, out[3] = v.a;
}

// Row-major, row vectors: a point v becomes v × M; translation lives in row 4.
struct D3DMATRIX {
    float m[4][4];
};

enum D3DDEVTYPE : std::int32_t { D3DDEVTYPE_HAL = 1, D3DDEVTYPE_REF = 2, D3DDEVTYPE_SW = 3 };

enum D3DFORMAT : std::uint32_t {
    D3DFMT_UNKNOWN = 0,
    D3DFMT_R8G8B8 = 20,
    D3DFMT_A8R8G8B8 = 21,
    D3DFMT_X8R8G8B8 = 22,
    D3DFMT_R5G6B5 = 23,
    D3DFMT_D16_LOCKABLE = 70,
    D3DFMT_D16 = 80,
};

enum D3DMULTISAMPLE_TYPE : std::uint32_t { D3DMULTISAMPLE_NONE = 0 };

enum D3DSWAPEFFECT : std::uint32_t {
    D3DSWAPEFFECT_DISCARD = 1,
    D3DSWAPEFFECT_FLIP = 2,
    D3DSWAPEFFECT_COPY = 3,
    D3DSWAPEFFECT_COPY_VSYNC = 4,
};

constexpr std::uint32_t D3DADAPTER_DEFAULT = 0;
constexpr std::uint32_t D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x20;
constexpr std::uint32_t D3DPRESENTFLAG_LOCKABLE_BACKBUFFER = 1;

struct D3DDISPLAYMODE {
    std::uint32_t Width;
    std::uint32_t Height;
    std::uint32_t RefreshRate;
    D3DFORMAT Format;
};

struct D3DPRESENT_PARAMETERS {
    std::uint32_t BackBufferWidth;
    std::uint32_t BackBufferHeight;
    D3DFORMAT BackBufferFormat;
    std::uint32_t BackBufferCount;
    D3DMULTISAMPLE_TYPE MultiSampleType;
    D3DSWAPEFFECT SwapEffect;
    HWND hDeviceWindow;
    std::int32_t Windowed;
    std::int32_t EnableAutoDepthStencil;
    D3DFORMAT AutoDepthStencilFormat;
    std::uint32_t Flags;
    std::uint32_t FullScreen_RefreshRateInHz;
    std::uint32_t FullScreen_PresentationInterval;
};

enum D3DLIGHTTYPE : std::int32_t {
    D3DLIGHT_POINT = 1,
    D3DLIGHT_SPOT = 2,
    D3DLIGHT_DIRECTIONAL = 3,
};

struct D3DLIGHT8 {
    D3DLIGHTTYPE Type;
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Ambient;
    D3DVECTOR Position;
    D3DVECTOR Direction;
    float Range;
    float Falloff;
    float Attenuation0;
    float Attenuation1;
    float Attenuation2;
    float Theta;
    float Phi;
};

struct D3DMATERIAL8 {
    D3DCOLORVALUE Diffuse;
    D3DCOLORVALUE Ambient;
    D3DCOLORVALUE Specular;
    D3DCOLORVALUE Emissive;
    float Power;
};

struct D3DRECT {
    std::int32_t x1, y1, x2, y2;
};

enum D3DTRANSFORMSTATETYPE : std::uint32_t {
    D3DTS_VIEW = 2,
    D3DTS_PROJECTION = 3,
    D3DTS_WORLD = 256,
};

constexpr std::uint32_t D3DCLEAR_TARGET = 1;
constexpr std::uint32_t D3DCLEAR_ZBUFFER = 2;
constexpr std::uint32_t D3DCLEAR_STENCIL = 4;

enum D3DRENDERSTATETYPE : std::uint32_t {
    D3DRS_ZENABLE = 7,
    D3DRS_FILLMODE = 8,
    D3DRS_SHADEMODE = 9,
    D3DRS_ZWRITEENABLE = 14,
    D3DRS_ALPHATESTENABLE = 15,
    D3DRS_LASTPIXEL = 16,
    D3DRS_SRCBLEND = 19,
    D3DRS_DESTBLEND = 20,
    D3DRS_CULLMODE = 22,
    D3DRS_ZFUNC = 23,
    D3DRS_ALPHAREF = 24,
    D3DRS_ALPHAFUNC = 25,
    D3DRS_DITHERENABLE = 26,
    D3DRS_ALPHABLENDENABLE = 27,
    D3DRS_FOGENABLE = 28,
    D3DRS_SPECULARENABLE = 29,
    D3DRS_LIGHTING = 137,
    D3DRS_AMBIENT = 139,
    D3DRS_COLORVERTEX = 141,
    D3DRS_LOCALVIEWER = 142,
    D3DRS_NORMALIZENORMALS = 143,
    D3DRS_DIFFUSEMATERIALSOURCE = 145,
    D3DRS_SPECULARMATERIALSOURCE = 146,
    D3DRS_AMBIENTMATERIALSOURCE = 147,
    D3DRS_EMISSIVEMATERIALSOURCE = 148,
};
constexpr std::uint32_t D3DRS_COUNT = 256;  // render states are stored in a table this long

enum D3DFILLMODE : std::uint32_t { D3DFILL_POINT = 1, D3DFILL_WIREFRAME = 2, D3DFILL_SOLID = 3 };
enum D3DSHADEMODE : std::uint32_t { D3DSHADE_FLAT = 1, D3DSHADE_GOURAUD = 2 };
enum D3DCULL : std::uint32_t { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };
enum D3DCMPFUNC : std::uint32_t {
    D3DCMP_NEVER = 1,
    D3DCMP_LESS = 2,
    D3DCMP_EQUAL = 3,
    D3DCMP_LESSEQUAL = 4,
    D3DCMP_GREATER = 5,
    D3DCMP_NOTEQUAL = 6,
    D3DCMP_GREATEREQUAL = 7,
    D3DCMP_ALWAYS = 8,
};
enum D3DBLEND : std::uint32_t {
    D3DBLEND_ZERO = 1,
    D3DBLEND_ONE = 2,
    D3DBLEND_SRCCOLOR = 3,
    D3DBLEND_INVSRCCOLOR = 4,
    D3DBLEND_SRCALPHA = 5,
    D3DBLEND_INVSRCALPHA = 6,
    D3DBLEND_DESTALPHA = 7,
    D3DBLEND_INVDESTALPHA = 8,
    D3DBLEND_DESTCOLOR = 9,
    D3DBLEND_INVDESTCOLOR = 10,
    D3DBLEND_SRCALPHASAT = 11,
    D3DBLEND_BOTHSRCALPHA = 12,
    D3DBLEND_BOTHINVSRCALPHA = 13,
};
enum D3DZBUFFERTYPE : std::uint32_t { D3DZB_FALSE = 0, D3DZB_TRUE = 1 };
enum D3DMATERIALCOLORSOURCE : std::uint32_t { D3DMCS_MATERIAL = 0, D3DMCS_COLOR1 = 1, D3DMCS_COLOR2 = 2 };

enum D3DTEXTURESTAGESTATETYPE : std::uint32_t {
    D3DTSS_COLOROP = 1,
    D3DTSS_COLORARG1 = 2,
    D3DTSS_COLORARG2 = 3,
    D3DTSS_ALPHAOP = 4,
    D3DTSS_ALPHAARG1 = 5,
    D3DTSS_ALPHAARG2 = 6,
    D3DTSS_TEXCOORDINDEX = 11,
    D3DTSS_ADDRESSU = 13,
    D3DTSS_ADDRESSV = 14,
    D3DTSS_BORDERCOLOR = 15,
    D3DTSS_MAGFILTER = 16,
    D3DTSS_MINFILTER = 17,
    D3DTSS_MIPFILTER = 18,
    D3DTSS_ADDRESSW = 25,
};
constexpr std::uint32_t D3DTSS_COUNT = 32;

// The whole set of stage operations a program may ask for. The devices carry
// out DISABLE, SELECTARG1, SELECTARG2 and MODULATE; the others are named so a
// state set to one of them reads as what it is.
enum D3DTEXTUREOP : std::uint32_t {
    D3DTOP_DISABLE = 1,
    D3DTOP_SELECTARG1 = 2,
    D3DTOP_SELECTARG2 = 3,
    D3DTOP_MODULATE = 4,
    D3DTOP_MODULATE2X = 5,
    D3DTOP_MODULATE4X = 6,
    D3DTOP_ADD = 7,
    D3DTOP_ADDSIGNED = 8,
    D3DTOP_ADDSIGNED2X = 9,
    D3DTOP_SUBTRACT = 10,
    D3DTOP_ADDSMOOTH = 11,
    D3DTOP_BLENDDIFFUSEALPHA = 12,
    D3DTOP_BLENDTEXTUREALPHA = 13,
    D3DTOP_BLENDFACTORALPHA = 14,
    D3DTOP_BLENDTEXTUREALPHAPM = 15,
    D3DTOP_BLENDCURRENTALPHA = 16,
    D3DTOP_PREMODULATE = 17,
    D3DTOP_MODULATEALPHA_ADDCOLOR = 18,
    D3DTOP_MODULATECOLOR_ADDALPHA = 19,
    D3DTOP_MODULATEINVALPHA_ADDCOLOR = 20,
    D3DTOP_MODULATEINVCOLOR_ADDALPHA = 21,
    D3DTOP_BUMPENVMAP = 22,
    D3DTOP_BUMPENVMAPLUMINANCE = 23,
    D3DTOP_DOTPRODUCT3 = 24,
    D3DTOP_MULTIPLYADD = 25,
    D3DTOP_LERP = 26,
};

// A stage argument: a source in the low bits, modifiers above them.
constexpr std::uint32_t D3DTA_SELECTMASK = 0x0000000F;
constexpr std::uint32_t D3DTA_DIFFUSE = 0;
constexpr std::uint32_t D3DTA_CURRENT = 1;
constexpr std::uint32_t D3DTA_TEXTURE = 2;
constexpr std::uint32_t D3DTA_TFACTOR = 3;
constexpr std::uint32_t D3DTA_SPECULAR = 4;
constexpr std::uint32_t D3DTA_COMPLEMENT = 0x00000010;
constexpr std::uint32_t D3DTA_ALPHAREPLICATE = 0x00000020;

enum D3DTEXTUREADDRESS : std::uint32_t {
    D3DTADDRESS_WRAP = 1,
    D3DTADDRESS_MIRROR = 2,
    D3DTADDRESS_CLAMP = 3,
    D3DTADDRESS_BORDER = 4,
    D3DTADDRESS_MIRRORONCE = 5,
};
enum D3DTEXTUREFILTERTYPE : std::uint32_t {
    D3DTEXF_NONE = 0,
    D3DTEXF_POINT = 1,
    D3DTEXF_LINEAR = 2,
    D3DTEXF_ANISOTROPIC = 3,
    D3DTEXF_FLATCUBIC = 4,
    D3DTEXF_GAUSSIANCUBIC = 5,
};

}  // namespace d3d
