// Small pictures of the show's four scenes, painted with cairo for the
// credits image, the title bitmap and the icon: squares, the split sphere, the ring
// tunnel and a knot, in the colours the scenes use.
#pragma once

#include <cairo.h>

// A tunnel of count toothed rings seen down its axis, centred on (cx, cy),
// the nearest ring's outer radius nearRadius, in the tunnel's own ring
// colours (the show's random sequence), each ring at opacity alpha.
void PaintTunnelMotif(cairo_t* cr, double cx, double cy, double nearRadius, int count, double alpha);

// A (p, q) torus knot as a teal tube with dark outline, crossings drawn over
// and under, fitted into a circle of radius radius about (cx, cy).
void PaintKnotMotif(cairo_t* cr, double cx, double cy, double radius, int p, int q);

// The sphere of two halves, slightly apart, with its sparks between.
void PaintSphereMotif(cairo_t* cr, double cx, double cy, double radius);

// A few turned orange squares of the opening scene, in a box of size size.
void PaintSquaresMotif(cairo_t* cr, double cx, double cy, double size);

// The title picture's ground over the whole clip: deep teal, lighter about
// (cx, cy) from innerRadius out to outerRadius.
void PaintTitleGround(cairo_t* cr, double cx, double cy, double innerRadius, double outerRadius);

// The title picture's dark veil: opacity alpha at (cx, cy), fading to none
// between innerRadius and outerRadius, so what is painted over it reads.
void PaintTitleVeil(cairo_t* cr, double cx, double cy, double innerRadius, double outerRadius, double alpha);
