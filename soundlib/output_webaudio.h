// The browser's output device (output_webaudio.cpp): besides what
// sound_output.h asks of every device, the page's call that feeds it.
#pragma once

// Mixes what the output will play next, up to its fixed lead ahead of what
// it has played, and hands it over. The page calls it every few
// milliseconds and after each frame; there is no thread to do it.
extern "C" void FeedWebAudioOutput();
