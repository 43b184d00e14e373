// The four timed scenes. Each is a free function of the demo time t and its
// scene progress (0..1 through its window), called by RenderFrame with the
// modelview matrix current; each sets the GL state it needs at its start.
// The star tunnel and the knots depend on their progress alone.
#pragma once

// 2.0 .. 24.0 s: cubes gathered on loud frames, pulsing with the music.
void ScenePulseSquares(float t, float progress);

// Draws an axis-aligned cube of half-edge s at the current origin, 6 quads.
void DrawPulseCube(float s);

// 24.0 .. 63.0 s: two sphere halves moved apart by the music, a spark column.
void SceneSplitSphere(float t, float progress);

// Draws the tunnel's random ring angles and colours and loads its ring mesh.
void InitStarTunnel();

// 62.0 .. 92.5 s: a spark cloud and fifty spinning rings sliding away.
void SceneStarTunnel(float t, float progress);

// 92.5 .. 160.0 s: four knots, turning and breathing, in black wire cages.
void SceneKnots(float t, float progress);
