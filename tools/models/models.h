#pragma once

// Builders of the delivered models, one per file in this folder.

#include "xwriter/xscene.h"

namespace xgen {

Scene beerMug();            // beer.x
Scene beerBottle();         // beer_.x
Scene splitNormalBox();     // box2.x
Scene plainBox();           // box.x
Scene roundedBox();         // box_2.x
Scene disc();               // circle.x
Scene flatRing();           // circle_2.x
Scene cityBlock();          // city02_01.x
Scene gear();               // haguruma.x
Scene platonicSolids();     // hedra.x
Scene vase();               // object.x
Scene singlePanel();        // panel.x
Scene tiledPanel();         // panel2.x
Scene foldingScreen();      // panel3.x
Scene stars();              // stars.x
Scene teapot();             // teapot.x
Scene torus();              // tours.x
Scene hollowTube();         // tube.x
Scene trefoilKnot();        // vorkan.x
Scene vorkanLettering();    // vorkan_mozi.x
Scene vorkanEmblem();       // vorkan_logo.x
Scene vorkanEmblemPlate();  // vorkan_logo_.x

}  // namespace xgen
