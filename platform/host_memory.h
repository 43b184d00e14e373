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
// the system, and, through the C library's tunables, asks for 2 MB pages on
// the heap. Tunables are read only when a process starts, so when they are
// not set yet this sets them and starts the program again in the same
// process (same id, same arguments); it returns when they are in place, when
// the environment already names the page setting (the user's choice wins),
// or when starting again fails. Call it first in main.
void TuneHostMemory(char** argv);
