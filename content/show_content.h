// The show's content records: seven meshes and twelve textures, process-wide,
// empty until InitShow loads them and never released. Defined in
// show_content.cpp.
#pragma once

#include "content/mesh.h"
#include "content/texture.h"

extern Mesh g_upperSphereHalf;  // "data/sphere_up.obj", drawn by the split sphere
extern Mesh g_lowerSphereHalf;  // "data/sphere_down.obj", drawn by the split sphere
extern Mesh g_tunnelRing;       // "data/startunnel.obj", drawn by the star tunnel
extern Mesh g_knots[4];         // "data/knot1.obj" .. "data/knot4.obj", drawn by the knots

extern TextureId g_captionTextures[CAPTION_SLOT_COUNT];  // caption slots 0 .. 10
extern TextureId g_creditsTexture;                       // "data/png/credits.png"
