// The title bitmap's bytes, taken into the program by the assembler at build
// time from the file the build generated (its path comes from the generated
// header title_bitmap_path.h), so the program needs no file to show it.
#include "linux/title_bitmap.h"

#include "title_bitmap_path.h"

extern "C" const unsigned char halvane_title_bitmap_start[];
extern "C" const unsigned char halvane_title_bitmap_end[];

__asm__(
    ".section .rodata\n"
    ".balign 16\n"
    ".globl halvane_title_bitmap_start\n"
    ".hidden halvane_title_bitmap_start\n"
    "halvane_title_bitmap_start:\n"
    ".incbin \"" HALVANE_TITLE_BITMAP_PATH "\"\n"
    ".globl halvane_title_bitmap_end\n"
    ".hidden halvane_title_bitmap_end\n"
    "halvane_title_bitmap_end:\n"
    ".previous\n");

const unsigned char* GetTitleBitmap(size_t* size)
{
    *size = static_cast<size_t>(halvane_title_bitmap_end - halvane_title_bitmap_start);
    return halvane_title_bitmap_start;
}
