// The show table: when each timed pass runs, and the scene progress it gets.
#pragma once

// A closed interval of demo time during which one pass runs; both bounds
// inclusive, single-precision seconds.
struct SceneWindow {
    float start;
    float end;
};

// The five windows, in the order RenderFrame tests them.
extern const SceneWindow PULSE_SQUARES_WINDOW;  // 2.0 .. 24.0
extern const SceneWindow SPLIT_SPHERE_WINDOW;   // 24.0 .. 63.0
extern const SceneWindow STAR_TUNNEL_WINDOW;    // 62.0 .. 92.5
extern const SceneWindow KNOTS_WINDOW;          // 92.5 .. 160.0
extern const SceneWindow CREDITS_WINDOW;        // 162.8 .. 180.0

// True when start <= t <= end.
bool IsInSceneWindow(const SceneWindow& window, float t);

// How far through the window t is: 0 at or before start, 1 at or after end,
// else (t - start) / (end - start) in single precision.
float GetSceneProgress(const SceneWindow& window, float t);
