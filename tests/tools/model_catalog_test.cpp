// The delivered set as a whole: the exact file names the program lists, and
// between them every encoding and mesh feature a .x loader has to handle.

#include "models/model_catalog.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace {

using namespace xgen;

const std::vector<std::string> kExpectedNames = {
    "beer.x",     "beer_.x",       "box2.x",        "box.x",         "box_2.x",  "circle.x",
    "circle_2.x", "city02_01.x",   "haguruma.x",    "hedra.x",       "object.x", "panel.x",
    "panel2.x",   "panel3.x",      "stars.x",       "teapot.x",      "tours.x",  "tube.x",
    "vorkan.x",   "vorkan_mozi.x", "vorkan_logo.x", "vorkan_logo_.x"};

void forEachMesh(const Frame& f, const std::function<void(const Mesh&)>& visit)
{
    for (const Mesh& m : f.meshes) {
        visit(m);
    }
    for (const Frame& c : f.children) {
        forEachMesh(c, visit);
    }
}

void forEachMesh(const Scene& s, const std::function<void(const Mesh&)>& visit)
{
    for (const Mesh& m : s.meshes) {
        visit(m);
    }
    for (const Frame& f : s.frames) {
        forEachMesh(f, visit);
    }
}

TEST(ModelCatalog, HasExactlyTheListedModels)
{
    std::vector<std::string> names;
    for (const DeliveredModel& m : deliveredModels()) {
        names.push_back(m.fileName);
    }
    EXPECT_EQ(names, kExpectedNames);
}

TEST(ModelCatalog, CoversEveryEncodingAndFloatWidth)
{
    std::set<Encoding> encodings;
    bool wide = false;
    bool wideBinary = false;
    for (const DeliveredModel& m : deliveredModels()) {
        encodings.insert(m.format.encoding);
        wide = wide || m.format.floats == FloatWidth::Bits64;
        wideBinary =
            wideBinary || (m.format.floats == FloatWidth::Bits64 && m.format.encoding == Encoding::Binary);
    }
    EXPECT_EQ(encodings.size(), 4u);
    EXPECT_TRUE(wide);
    EXPECT_TRUE(wideBinary);
}

TEST(ModelCatalog, CoversTheMeshFeaturesLoadersMustHandle)
{
    int polygonsOverFour = 0, multiMaterial = 0, separateNormalFaces = 0, textured = 0, framed = 0,
        withTemplates = 0, binaryWithTemplates = 0, texturedMaterial = 0;
    for (const DeliveredModel& entry : deliveredModels()) {
        const Scene scene = entry.build();
        bool hasNgon = false, hasMulti = false, hasSplit = false, hasUv = false, hasTextureFile = false;
        forEachMesh(scene, [&](const Mesh& m) {
            for (std::size_t f = 0; f < m.faces.size(); ++f) {
                hasNgon = hasNgon || m.faces[f].size() > 4;
                hasSplit = hasSplit || (!m.normals.empty() && m.normalFaces[f] != m.faces[f]);
            }
            hasMulti = hasMulti || m.materials.size() > 1;
            hasUv = hasUv || !m.texCoords.empty();
            for (const Material& mat : m.materials) {
                hasTextureFile = hasTextureFile || !mat.textureFile.empty();
            }
        });
        polygonsOverFour += hasNgon;
        multiMaterial += hasMulti;
        separateNormalFaces += hasSplit;
        textured += hasUv;
        texturedMaterial += hasTextureFile;
        bool hasMatrix = false;
        for (const Frame& f : scene.frames) {
            hasMatrix = hasMatrix || f.transform.has_value();
        }
        framed += hasMatrix;
        withTemplates += scene.declareTemplates;
        const bool binary =
            entry.format.encoding == Encoding::Binary || entry.format.encoding == Encoding::CompressedBinary;
        binaryWithTemplates += scene.declareTemplates && binary;
    }
    EXPECT_GE(polygonsOverFour, 2);
    EXPECT_GE(multiMaterial, 2);
    EXPECT_GE(separateNormalFaces, 3);
    EXPECT_GE(textured, 18);
    EXPECT_GE(framed, 3);
    EXPECT_GE(withTemplates, 2);
    EXPECT_GE(binaryWithTemplates, 1);
    EXPECT_GE(texturedMaterial, 1);
}

TEST(ModelCatalog, FirstMaterialGroupHoldsMostOfEveryModel)
{
    // The viewer draws material group 0 only: secondary materials may hold
    // accents, never the bulk of a model.
    for (const DeliveredModel& entry : deliveredModels()) {
        std::size_t faces = 0, firstGroup = 0;
        forEachMesh(entry.build(), [&](const Mesh& m) {
            faces += m.faces.size();
            for (std::size_t f = 0; f < m.faces.size(); ++f) {
                firstGroup += m.faceMaterials.empty() || m.faceMaterials[f] == 0;
            }
        });
        EXPECT_GT(firstGroup * 10, faces * 7) << entry.fileName;
    }
}

}  // namespace
