// Asset names and model loading. Names are relative paths with "\" between
// folders; a name is looked up from the current folder first and then below
// the program's folder, and a name found in neither ends the program.
#include <QString>

#include "platform/host_path.h"
#include "platform/services.h"
#include "render/status.h"
#include "viewer/scene.h"

namespace viewer {
namespace {

// Whether `name` (viewer spelling) finds a file; the spelling that matched,
// when only a case-insensitive match did.
std::optional<QString> existingFile(const QString& name)
{
    if (platform::fileExists(platform::hostPath(name)))
        return name;
    return platform::findFile(platform::hostPath(name));
}

}  // namespace

QString Scene::ResolveAssetPath(QString name)
{
    if (auto found = existingFile(name))
        return *found;
    const QString candidate = platform::programFolder() + QStringLiteral("\\") + name;
    if (auto found = existingFile(candidate))
        return *found;

    // Hold the frame loop: the device was already replaced by this Run while
    // the model still belongs to the previous one, and nothing is to be drawn
    // before the program ends.
    framesHeld_ = true;
    unresolved_ = name;
    platform::messageBox(
        QStringLiteral("Xファイル、または テクスチャが見つかりません。プログラムを終了します。"));
    platform::endProgram(1);
}

void Scene::LoadModel()
{
    const QString path = ResolveAssetPath(controls_.Text1());
    d3d::MeshPtr mesh;
    std::vector<std::uint32_t> adjacency;
    std::vector<d3d::D3DXMATERIAL> materials;
    std::uint32_t materialCount = 0;
    const d3d::HRESULT hr = module_.runtime().D3DXLoadMeshFromX(path.toStdString(), 0, module_.Device,
                                                                &adjacency, &materials, &materialCount, mesh);
    d3d::check(hr, "D3DXLoadMeshFromX", module_.runtime().lastFailureDetail());
    ModelMesh = std::move(mesh);

    const std::uint32_t vertices = ModelMesh->GetNumVertices();
    const std::uint32_t faces = ModelMesh->GetNumFaces();
    controls_.setLabel7(QStringLiteral("面の数は   ") + QString::number(faces));
    controls_.setLabel8(QStringLiteral("頂点の数は   ") + QString::number(vertices));
}

}  // namespace viewer
