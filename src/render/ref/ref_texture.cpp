#include "render/ref/ref_texture.h"

#include <algorithm>
#include <new>

#include "render/resource_checks.h"

namespace d3d::ref {
namespace {

constexpr int kMaxTextureSize = 16384;

}  // namespace

HRESULT RefTexture::create(DeviceLinkPtr owner, const std::vector<QImage>& levels, bool hasAlpha,
                           TexturePtr& texture)
{
    if (!formsMipChain(levels, kMaxTextureSize))
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
