// The caption and credits overlays, drawn flat over the scenes, and the
// loading of the caption images they draw.
#pragma once

// Loads the eleven caption images into g_captionTextures, slot 0 to 10, each
// from the file its caption sheet names.
void LoadCaptionImages();

// Shows the revealed pieces of the caption sheet open at g_demoTime; a sheet
// whose image could not be loaded (texture 0) shows nothing.
void DrawCaptions();

// Draws one rectangle (caption-layout pixels, 1280 x 720, y down) of the
// bound caption texture at the matching place of the overlay space.
void DrawCaptionPiece(int x1, int y1, int x2, int y2);

// Covers the show viewport with the opaque credits image.
void DrawCredits();
