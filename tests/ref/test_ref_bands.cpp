// Rasterising in bands on several threads gives the same picture and depth
// buffer, bit for bit, as one thread; and the same scene drawn twice gives
// the same pixels.
#include <gtest/gtest.h>

#include <QImage>

#include "ref_scene.h"
#include "ref_sphere.h"

using namespace reftest;

namespace {

struct Result {
    QImage image;
    std::vector<std::uint16_t> depth;
};

TexturePtr noiseTexture(const DevicePtr& device)
{
    std::vector<QImage> levels;
    std::uint32_t seed = 7;
    for (int size = 16; size >= 1; size /= 2) {
        QImage level(size, size, QImage::Format_ARGB32);
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                seed = seed * 1664525u + 1013904223u;
                level.setPixel(x, y, seed | 0x80000000u);
            }
        }
        levels.push_back(level);
    }
    TexturePtr texture;
    factory(device).CreateTextureFromLevels(levels, true, texture);
    return texture;
}

// Lit, textured, specular, depth-tested, blended and wireframe geometry with
// enough faces and pixels that every stage runs on all threads.
Result drawScene(unsigned threads)
{
    DevicePtr device = makeDevice(201, 157, threads);
    device->SetTransform(D3DTS_VIEW, D3DXMatrixLookAtLH({0.3f, 0.5f, -4}, {0, 0, 0}, {0, 1, 0}));
    device->SetTransform(D3DTS_PROJECTION, D3DXMatrixPerspectiveFovLH(0.9f, 201.0f / 157.0f, 0.5f, 50));
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 0.9f, 0.8f, 1};
    light.Specular = {1, 1, 1, 1};
    light.Direction = {0.4f, -0.6f, 0.7f};
    device->SetLight(0, light);
    device->LightEnable(0, 1);
    device->SetMaterial(
        {{0.8f, 0.7f, 0.6f, 1}, {0.2f, 0.2f, 0.2f, 1}, {0.6f, 0.6f, 0.6f, 1}, {0, 0, 0, 1}, 12});
    device->SetRenderState(D3DRS_AMBIENT, 0x00303030);
    device->SetRenderState(D3DRS_SPECULARENABLE, 1);
    device->SetTexture(0, noiseTexture(device));
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);

    MeshPtr sphere = makeMesh(device, sphereMesh(48, 96, 1.2f));
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00203040, 1.0f, 0);
    device->BeginScene();
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    EXPECT_EQ(sphere->DrawSubset(0), D3D_OK);

    D3DMATRIX shifted = D3DXMatrixIdentity();
    shifted.m[3][0] = 1.1f, shifted.m[3][2] = -0.8f;
    device->SetTransform(D3DTS_WORLD, shifted);
    device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_FLAT);
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
    EXPECT_EQ(sphere->DrawSubset(0), D3D_OK);

    device->SetTransform(D3DTS_WORLD, D3DXMatrixIdentity());
    device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
    device->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    device->SetRenderState(D3DRS_LIGHTING, 0);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetTexture(0, nullptr);
    xfile::MeshData veil = coloredMesh({{-3, 2, 0.2f, 0x80FF8000},
                                        {3, 2, 0.2f, 0x2000FF80},
                                        {3, -2, 0.2f, 0xC08000FF},
                                        {-3, -2, 0.2f, 0x40FFFFFF}},
                                       {0, 1, 2, 0, 2, 3});
    EXPECT_EQ(makeMesh(device, veil)->DrawSubset(0), D3D_OK);
    device->EndScene();

    Result r;
    device->GetBackBufferImage(r.image);
    std::uint32_t w = 0, h = 0;
    device->GetDepthBuffer(r.depth, w, h);
    return r;
}

}  // namespace

TEST(RefBands, ParallelBandsMatchOneThreadBitForBit)
{
    const Result single = drawScene(1);
    // The scene must actually cover the frame for the comparison to mean anything.
    int drawn = 0;
    for (std::uint16_t d : single.depth)
        drawn += d != 0xFFFF;
    ASSERT_GT(drawn, 201 * 157 / 4);

    for (unsigned threads : {2u, 3u, 5u}) {
        const Result banded = drawScene(threads);
        EXPECT_TRUE(banded.image == single.image) << threads << " threads";
        EXPECT_TRUE(banded.depth == single.depth) << threads << " threads";
    }
}

TEST(RefBands, SameSceneSamePixels)
{
    const Result a = drawScene(2), b = drawScene(2);
    EXPECT_TRUE(a.image == b.image);
    EXPECT_TRUE(a.depth == b.depth);
}
