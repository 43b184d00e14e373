// The arrangement of the show's track, "Orrin Lumo": A minor at 120 beats a
// minute, bars on the even demo seconds from 2.0. It follows the show's scenes:
//   0.3-2    intro: a pad and a rising swell into the first downbeat
//   2-24     the beat: four-on-the-floor kick, claps and hats whose hits make
//            the pulse squares appear (the bar's loud frames)
//   24-62.5  the sphere: a pumping pad wall and rolling bass that keep the
//            level up and breathing; a lead enters; a build, a breath, and at
//            62.5 the hit that splits the sphere
//   62.5-92  the tunnel: the full groove with the main theme
//   92.5-160 the knots: from pad and arpeggio alone, layer by layer to a peak
//   160-180  the outro under the credits, fading to silence by 178.5
// Every caption word rings a bell at its reveal time, so the words arrive
// on the music.
#pragma once

// Plays the whole arrangement into g_musicMix (which must have been reset).
void PlayScore();

// Number of bars from the first downbeat (demo 2.0) to the end of the show.
enum { SCORE_BAR_COUNT = 89 };
