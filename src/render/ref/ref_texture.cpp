#include "render/ref/ref_texture.h"

#include <algorithm>
#include <new>

namespace d3d::ref {
namespace {

constexpr int kMaxTextureSize = 16384;

// Levels must halve (rounding down, never below 1) from one to the next.
bool formsMipChain(const std::vector<QImage>& levels)
{
    if (levels.empty() || levels.size() > 15)
        return false;
    int w = levels[0].width(), h = levels[0].height();
    if (w <= 0 || h <= 0 || w > kMaxTextureSize || h > kMaxTextureSize)
        return false;
    for (std::size_t i = 1; i < levels.size(); ++i) {
        if (w == 1 && h == 1)
            return false;  // past the 1×1 level
        w = std::max(1, w / 2);
        h = std::max(1, h / 2);
        if (levels[i].width() != w || levels[i].height() != h)
            return false;
    }
    return true;
}

}  // namespace

HRESULT RefTexture::create(DeviceLinkPtr owner, const std::vector<QImage>& levels, bool hasAlpha,
                           TexturePtr& texture)
{
    if (!formsMipChain(levels))
        return D3DERR_INVALIDCALL;
    std::shared_ptr<RefTexture> made(new (std::nothrow) RefTexture);
    if (!made)
        return E_OUTOFMEMORY;
    made->owner_ = std::move(owner);
    made->hasAlpha_ = hasAlpha;
    try {
        made->levels_.resize(levels.size());
        for (std::size_t i = 0; i < levels.size(); ++i) {
            const QImage image = levels[i].format() == QImage::Format_ARGB32
                                     ? levels[i]
                                     : levels[i].convertToFormat(QImage::Format_ARGB32);
            if (image.isNull())
                return E_OUTOFMEMORY;
            TextureLevel& level = made->levels_[i];
            level.width = image.width();
            level.height = image.height();
            level.texels.resize(std::size_t(level.width) * std::size_t(level.height));
            for (int y = 0; y < level.height; ++y) {
                const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
                std::copy_n(row, level.width, level.texels.begin() + std::ptrdiff_t(y) * level.width);
            }
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    texture = std::move(made);
    return D3D_OK;
}

}  // namespace d3d::ref
