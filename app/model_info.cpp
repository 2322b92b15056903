#include "model_info.h"

#include "xfile/xfile.h"

namespace app {

int printModelInfo(const std::vector<std::string>& files, std::ostream& out)
{
    int status = 0;
    for (const std::string& file : files) {
        xfile::MeshData mesh;
        xfile::LoadError error;
        if (!xfile::loadMeshFile(file, mesh, error)) {
            out << file << ": error: " << error.message << '\n';
            status = 1;
            continue;
        }
        out << file << ": faces=" << mesh.faceCount() << " vertices=" << mesh.vertexCount()
            << " subsets=" << mesh.groups.size() << " format=" << xfile::encodingName(mesh.encoding)
            << " float=" << mesh.floatBits << '\n';
    }
    return status;
}

}  // namespace app
