// The track from score to file (see music_gen.h): play the arrangement into
// the buses, mix it down, encode it.
#include "tools/content/music/music_gen.h"

#include <cstdio>
#include <vector>

#include "tools/content/music/music_mix.h"
#include "tools/content/music/music_score.h"
#include "tools/content/music/music_vorbis.h"

bool GenerateMusic(const char* path)
{
    // Open first, so an unwritable path fails before the render's work.
    FILE* file = fopen(path, "wb");
    if (!file)
        return false;
    ResetMusicMix();
    PlayScore();
    std::vector<float> track = MixDownTrack();
    bool ok = EncodeOggVorbis(file, track.data(), track.size() / 2);
    if (fclose(file) != 0)
        ok = false;
    if (!ok)
        remove(path);
    return ok;
}
