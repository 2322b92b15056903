#include "model_catalog.h"

#include "models.h"

namespace xgen {

namespace {

constexpr FileFormat kText{Encoding::Text, FloatWidth::Bits32};
constexpr FileFormat kText64{Encoding::Text, FloatWidth::Bits64};
constexpr FileFormat kBinary{Encoding::Binary, FloatWidth::Bits32};
constexpr FileFormat kBinary64{Encoding::Binary, FloatWidth::Bits64};
constexpr FileFormat kZipText{Encoding::CompressedText, FloatWidth::Bits32};
constexpr FileFormat kZipBinary{Encoding::CompressedBinary, FloatWidth::Bits32};
constexpr FileFormat kZipBinary64{Encoding::CompressedBinary, FloatWidth::Bits64};

}  // namespace

const std::vector<DeliveredModel>& deliveredModels()
{
    static const std::vector<DeliveredModel> models = {
        {"beer.x", kText, beerMug},
        {"beer_.x", kBinary, beerBottle},
        {"box2.x", kText, splitNormalBox},
        {"box.x", kText, plainBox},
        {"box_2.x", kBinary64, roundedBox},
        {"circle.x", kText, disc},
        {"circle_2.x", kZipText, flatRing},
        {"city02_01.x", kText, cityBlock},
        {"haguruma.x", kBinary, gear},
        {"hedra.x", kText64, platonicSolids},
        {"object.x", kZipText, vase},
        {"panel.x", kText, singlePanel},
        {"panel2.x", kBinary, tiledPanel},
        {"panel3.x", kZipBinary, foldingScreen},
        {"stars.x", kBinary, stars},
        {"teapot.x", kZipText, teapot},
        {"tours.x", kBinary64, torus},
        {"tube.x", kText, hollowTube},
        {"vorkan.x", kBinary, trefoilKnot},
        {"vorkan_mozi.x", kText, vorkanLettering},
        {"vorkan_logo.x", kZipText, vorkanEmblem},
        {"vorkan_logo_.x", kZipBinary64, vorkanEmblemPlate},
    };
    return models;
}

}  // namespace xgen
