// The star tunnel's ring tables: one fixed turn and one colour per ring,
// drawn from the show's generator by InitStarTunnel and only read afterwards.
// Defined in star_tunnel.cpp.
#pragma once

// Rings in the tunnel.
enum { TUNNEL_RING_COUNT = 50 };

extern int g_ringAngles[TUNNEL_RING_COUNT];  // degrees, 0 .. 89
extern int g_ringReds[TUNNEL_RING_COUNT];    // 0 .. 254 (modulo 255)
extern int g_ringGreens[TUNNEL_RING_COUNT];  // 0 .. 254
extern int g_ringBlues[TUNNEL_RING_COUNT];   // 0 .. 254
