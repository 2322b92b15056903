// Frame time of the reference device at the viewer's panel size (505 × 499):
// a lit ~1000-triangle sphere and a lit 100,000-triangle grid, on one thread
// and on two. Prints the median and the fastest of the measured frames.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "ref_scene.h"
#include "ref_sphere.h"

using namespace reftest;

namespace {

constexpr int kWidth = 505, kHeight = 499;

void setUpScene(const DevicePtr& device)
{
    device->SetTransform(D3DTS_VIEW, D3DXMatrixLookAtLH({0, 0, -3.2f}, {0, 0, 0}, {0, 1, 0}));
    device->SetTransform(D3DTS_PROJECTION,
                         D3DXMatrixPerspectiveFovLH(0.8f, float(kWidth) / float(kHeight), 0.1f, 100.0f));
    D3DLIGHT8 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 1};
    light.Specular = {1, 1, 1, 1};
    light.Direction = {0.3f, -0.4f, 0.8f};
    device->SetLight(0, light);
    device->LightEnable(0, 1);
    device->SetMaterial(
        {{0.8f, 0.6f, 0.4f, 1}, {0.2f, 0.2f, 0.2f, 1}, {0.5f, 0.5f, 0.5f, 1}, {0, 0, 0, 1}, 20});
    device->SetRenderState(D3DRS_AMBIENT, 0x00202020);
    device->SetRenderState(D3DRS_SPECULARENABLE, 1);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
}

void measure(const char* name, const xfile::MeshData& data, unsigned threads)
{
    DevicePtr device = makeDevice(kWidth, kHeight, threads);
    setUpScene(device);
    MeshPtr mesh = makeMesh(device, data);
    std::vector<double> ms;
    for (int frame = 0; frame < 25; ++frame) {
        const auto start = std::chrono::steady_clock::now();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0x00000040, 1.0f, 0);
        device->BeginScene();
        mesh->DrawSubset(0);
        device->EndScene();
        const auto end = std::chrono::steady_clock::now();
        if (frame >= 3)  // the first frames grow the scratch memory
            ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-34s %u thread%s  median %7.2f ms  best %7.2f ms\n", name, threads,
                threads == 1 ? " " : "s", ms[ms.size() / 2], ms.front());
}

}  // namespace

int main()
{
    const xfile::MeshData sphere = sphereMesh(20, 25, 1.0f);  // 1,000 triangles
    const xfile::MeshData grid = gridMesh(224);               // 100,352 triangles
    std::printf("reference device, %d x %d\n", kWidth, kHeight);
    for (unsigned threads : {1u, 2u}) {
        measure("sphere, 1000 triangles", sphere, threads);
        measure("grid, 100352 triangles", grid, threads);
    }
    return 0;
}
