// The generated pictures: the eleven caption sheets, the credits image, the
// title bitmap of the setup dialog and the program's icon.
#pragma once

#include "timeline/caption_schedule.h"

// Writes the eleven caption sheets as 1280 x 720 RGBA PNGs under directory
// outDir, each at the file its schedule entry names ("data/png/17.png" ...).
// Transparent except for one dark word in every piece rectangle of the
// caption schedule. Returns false when a file fails.
bool WriteCaptionImages(const char* outDir);

// Prints, for every caption word, its box, the box's shape and the word's
// own shape, so words can be matched to boxes.
void ReportCaptionWords();

// Writes the opaque 1280 x 720 credits PNG to path.
bool WriteCreditsImage(const char* path);

// Writes the 640 x 360 title picture as an uncompressed 24-bit bottom-up BMP
// without colour table to path.
bool WriteTitleBitmap(const char* path);

// Writes the icon as RGBA PNGs into an icon theme folder:
// themeDir/hicolor/SIZExSIZE/apps/halvane.png for sizes 48, 128 and 256.
// Returns false when a file fails.
bool WriteIcons(const char* themeDir);
