#include "texture_catalog.h"

namespace texgen {

const std::vector<DeliveredTexture>& deliveredTextures()
{
    static const std::vector<DeliveredTexture> textures = {
        {"1.bmp", drawCheckerboard},  {"2.bmp", drawTiles},           {"City02_01.jpg", drawFacade},
        {"earth1.jpg", drawEarthDay}, {"earth2.jpg", drawEarthNight}, {"earth3.jpg", drawEarthPolitical},
        {"mars1.jpg", drawMars},      {"moon1.jpg", drawMoon},        {"sky1.jpg", drawDaySky},
        {"sky2.jpg", drawSunsetSky},
    };
    return textures;
}

}  // namespace texgen
