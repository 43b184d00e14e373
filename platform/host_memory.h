// How a Linux host program sets up the C library's heap before it renders.
//
// Mesa's software rasterizer allocates and frees large blocks (texture
// storage, vertex uploads, bins) as it draws. With the heap's default
// settings those blocks are mapped and unmapped again and again, and every
// first touch of a fresh 4 KB page is a page fault; on a virtual machine a
// fault costs microseconds. The twelve pictures InitShow uploads touch about
// 40 MB, and a frame of sparks used to fault a few hundred times.
#pragma once

// Keeps freed blocks of up to 32 MB in the heap instead of returning them to
// the system, so that a block freed and asked for again keeps its pages.
// Call it first in main, before the heap grows.
void TuneHostMemory();
