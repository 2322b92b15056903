#pragma once

// The images delivered in Texture/ and the painter of each.

#include <QImage>

#include <string>
#include <vector>

namespace texgen {

QImage drawCheckerboard();    // 1.bmp
QImage drawTiles();           // 2.bmp
QImage drawFacade();          // City02_01.jpg
QImage drawEarthDay();        // earth1.jpg
QImage drawEarthNight();      // earth2.jpg
QImage drawEarthPolitical();  // earth3.jpg
QImage drawMars();            // mars1.jpg
QImage drawMoon();            // moon1.jpg
QImage drawDaySky();          // sky1.jpg
QImage drawSunsetSky();       // sky2.jpg

struct DeliveredTexture {
    std::string fileName;
    QImage (*draw)();
};

const std::vector<DeliveredTexture>& deliveredTextures();

}  // namespace texgen
