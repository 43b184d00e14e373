// The show's music: renders the original track "Orrin Lumo" (180 s, 44.1 kHz
// stereo) with our own synthesis and writes it as Ogg Vorbis. The same
// program always writes the same bytes.
#pragma once

// Renders the track and writes it to `path`. Returns false (and leaves no
// file) when the file cannot be written.
bool GenerateMusic(const char* path);
