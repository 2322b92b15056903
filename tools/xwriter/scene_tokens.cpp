// Scene -> token stream. Separators follow the usual .x layout: every member
// ends with ';', elements of an array are separated by ',' and the array ends
// with ';', and a member of structure type adds its own closing ';'.

#include "token_stream.h"

#include <stdexcept>

namespace xgen {

namespace {

class SceneTokenizer {
public:
    explicit SceneTokenizer(std::vector<Token>& tokens) : out_(tokens) {}

    void scene(const Scene& s)
    {
        if (s.headerObject) {
            open("Header", "");
            out_.integer(1);
            out_.symbol(';');
            out_.integer(0);
            out_.symbol(';');
            out_.integer(1);
            out_.symbol(';');
            out_.lineBreak();
            close();
        }
        for (const Mesh& m : s.meshes) {
            mesh(m);
        }
        for (const Frame& f : s.frames) {
            frame(f);
        }
    }

private:
    void open(const std::string& type, const std::string& name)
    {
        out_.name(type);
        if (!name.empty()) {
            out_.name(name);
        }
        out_.symbol('{');
        out_.lineBreak();
    }

    void close()
    {
        out_.symbol('}');
        out_.lineBreak();
    }

    // One DWORD member.
    void count(std::size_t n)
    {
        out_.integer(static_cast<std::uint32_t>(n));
        out_.symbol(';');
        out_.lineBreak();
    }

    // Elements separated by ',' and the array closed by ';'; each element is
    // written by `element`, followed by a line break.
    template <typename T, typename F>
    void array(const std::vector<T>& items, F element)
    {
        for (std::size_t i = 0; i < items.size(); ++i) {
            element(items[i]);
            out_.symbol(i + 1 < items.size() ? ',' : ';');
            out_.lineBreak();
        }
        if (items.empty()) {
            out_.symbol(';');
            out_.lineBreak();
        }
    }

    void floats(std::initializer_list<double> values)
    {
        for (double v : values) {
            out_.number(v);
            out_.symbol(';');
        }
    }

    void vector3(const Vec3& v) { floats({v.x, v.y, v.z}); }

    void polygon(const Polygon& p)
    {
        out_.integer(static_cast<std::uint32_t>(p.size()));
        out_.symbol(';');
        for (std::size_t i = 0; i < p.size(); ++i) {
            out_.integer(p[i]);
            out_.symbol(i + 1 < p.size() ? ',' : ';');
        }
    }

    void mesh(const Mesh& m)
    {
        check(m);
        open("Mesh", m.name);
        count(m.positions.size());
        array(m.positions, [this](const Vec3& v) { vector3(v); });
        count(m.faces.size());
        array(m.faces, [this](const Polygon& p) { polygon(p); });
        if (!m.normals.empty()) {
            open("MeshNormals", "");
            count(m.normals.size());
            array(m.normals, [this](const Vec3& v) { vector3(v); });
            count(m.normalFaces.size());
            array(m.normalFaces, [this](const Polygon& p) { polygon(p); });
            close();
        }
        if (!m.texCoords.empty()) {
            open("MeshTextureCoords", "");
            count(m.texCoords.size());
            array(m.texCoords, [this](const TexCoord& t) { floats({t.u, t.v}); });
            close();
        }
        if (!m.materials.empty()) {
            open("MeshMaterialList", "");
            count(m.materials.size());
            count(m.faceMaterials.size());
            array(m.faceMaterials, [this](std::uint32_t index) { out_.integer(index); });
            for (const Material& mat : m.materials) {
                material(mat);
            }
            close();
        }
        close();
    }

    void material(const Material& mat)
    {
        open("Material", mat.name);
        floats({mat.diffuse.r, mat.diffuse.g, mat.diffuse.b, mat.diffuse.a});
        out_.symbol(';');
        out_.lineBreak();
        floats({mat.power});
        out_.lineBreak();
        vector3(mat.specular);
        out_.symbol(';');
        out_.lineBreak();
        vector3(mat.emissive);
        out_.symbol(';');
        out_.lineBreak();
        if (!mat.textureFile.empty()) {
            open("TextureFilename", "");
            out_.string(mat.textureFile);
            out_.symbol(';');
            out_.lineBreak();
            close();
        }
        close();
    }

    void frame(const Frame& f)
    {
        open("Frame", f.name);
        if (f.transform) {
            open("FrameTransformMatrix", "");
            const auto& m = f.transform->m;
            for (std::size_t i = 0; i < m.size(); ++i) {
                out_.number(m[i]);
                out_.symbol(i + 1 < m.size() ? ',' : ';');
                if (i % 4 == 3 && i + 1 < m.size()) {
                    out_.lineBreak();
                }
            }
            out_.symbol(';');
            out_.lineBreak();
            close();
        }
        for (const Mesh& m : f.meshes) {
            mesh(m);
        }
        for (const Frame& child : f.children) {
            frame(child);
        }
        close();
    }

    static void check(const Mesh& m)
    {
        const auto fail = [&m](const char* what) {
            throw std::invalid_argument("mesh '" + m.name + "': " + what);
        };
        for (const Polygon& p : m.faces) {
            if (p.size() < 3) {
                fail("face with fewer than 3 corners");
            }
            for (std::uint32_t i : p) {
                if (i >= m.positions.size()) {
                    fail("face index out of range");
                }
            }
        }
        if (!m.normals.empty()) {
            if (m.normalFaces.size() != m.faces.size()) {
                fail("normal face count differs from face count");
            }
            for (std::size_t f = 0; f < m.faces.size(); ++f) {
                if (m.normalFaces[f].size() != m.faces[f].size()) {
                    fail("normal face corner count differs");
                }
                for (std::uint32_t i : m.normalFaces[f]) {
                    if (i >= m.normals.size()) {
                        fail("normal index out of range");
                    }
                }
            }
        }
        if (!m.texCoords.empty() && m.texCoords.size() != m.positions.size()) {
            fail("texture coordinate count differs from vertex count");
        }
        if (!m.materials.empty()) {
            if (m.faceMaterials.size() != m.faces.size()) {
                fail("material index count differs from face count");
            }
            for (std::uint32_t i : m.faceMaterials) {
                if (i >= m.materials.size()) {
                    fail("material index out of range");
                }
            }
        }
    }

    TokenStream out_;
};

}  // namespace

std::vector<Token> sceneTokens(const Scene& scene)
{
    std::vector<Token> tokens;
    if (scene.declareTemplates) {
        tokens = standardTemplateTokens();
        tokens.push_back({TokenKind::LineBreak});
    }
    SceneTokenizer(tokens).scene(scene);
    return tokens;
}

}  // namespace xgen
