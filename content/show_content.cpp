// The show's content records (see show_content.h): empty until InitShow
// loads them, shared by the timeline, the overlays and the scenes.
#include "content/show_content.h"

Mesh g_upperSphereHalf = {};
Mesh g_lowerSphereHalf = {};
Mesh g_tunnelRing = {};
Mesh g_knots[4] = {};

TextureId g_captionTextures[CAPTION_SLOT_COUNT] = {};
TextureId g_creditsTexture = 0;
