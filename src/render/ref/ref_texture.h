// Textures of the reference device: every mip level kept as 32-bit ARGB
// texels (straight alpha), top row first, in host memory.
#pragma once

#include <QImage>
#include <cstdint>
#include <memory>
#include <vector>

#include "render/ref/ref_link.h"
#include "render/runtime.h"

namespace d3d::ref {

struct TextureLevel {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> texels;  // 0xAARRGGBB, row by row

    std::uint32_t at(int x, int y) const
    {
        return texels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    }
};

class RefTexture final : public IDirect3DTexture8 {
public:
    // Copies `levels` (level 0 first, each half the one before down to 1×1,
    // at most 16384 texels a side). Fails with D3DERR_INVALIDCALL for a chain
    // that is not one, E_OUTOFMEMORY when the copy cannot be held.
    static HRESULT create(DeviceLinkPtr owner, const std::vector<QImage>& levels, bool hasAlpha,
                          TexturePtr& texture);

    std::uint32_t GetLevelCount() const override { return std::uint32_t(levels_.size()); }
    std::uint32_t Width() const override { return std::uint32_t(levels_[0].width); }
    std::uint32_t Height() const override { return std::uint32_t(levels_[0].height); }

    const std::vector<TextureLevel>& levels() const { return levels_; }
    // False for images without an alpha channel: every texel's alpha reads 1.
    bool hasAlpha() const { return hasAlpha_; }
    // The device the texture was made on; it cannot be bound to another.
    const DeviceLink* owner() const { return owner_.get(); }

private:
    RefTexture() = default;
    DeviceLinkPtr owner_;
    std::vector<TextureLevel> levels_;
    bool hasAlpha_ = true;
};

}  // namespace d3d::ref
