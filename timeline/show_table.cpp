// The show table: the five windows of demo time and the scene progress.
#include "timeline/show_table.h"

const SceneWindow PULSE_SQUARES_WINDOW = { 2.0f, 24.0f };
const SceneWindow SPLIT_SPHERE_WINDOW = { 24.0f, 63.0f };
const SceneWindow STAR_TUNNEL_WINDOW = { 62.0f, 92.5f };
const SceneWindow KNOTS_WINDOW = { 92.5f, 160.0f };
const SceneWindow CREDITS_WINDOW = { 162.8f, 180.0f };

bool IsInSceneWindow(const SceneWindow& window, float t)
{
    return window.start <= t && t <= window.end;
}

float GetSceneProgress(const SceneWindow& window, float t)
{
    // The first two rules make the bounds exact: 0 at start, 1 at end.
    if (t <= window.start)
        return 0.0f;
    if (t >= window.end)
        return 1.0f;
    return (t - window.start) / (window.end - window.start);
}
