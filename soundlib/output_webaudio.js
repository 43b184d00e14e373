// The browser output's main-thread side (an Emscripten JS library; see
// output_webaudio.cpp). The page makes the AudioContext and the worklet
// node on the user's click and leaves them in Module.halvaneAudio
// ({ context, node }); this side posts the mixed chunks to the node and
// keeps the number of frames the node says it has played. Its reports
// reach this thread only between tasks, and those sent during a long task
// (the show's loading) arrive stale after it; HalvaneAudioAskPlayed asks the
// node for its count and calls back once that answer is in.
var LibraryHalvaneAudio = {
  HalvaneAudioOpen: function (rate) {
    var audio = Module.halvaneAudio;
    if (!audio || !audio.node || audio.context.sampleRate !== rate)
      return 0;
    audio.played = audio.played || 0;
    audio.node.port.onmessage = function (event) {
      audio.played = event.data.played;
      if (event.data.asked && event.data.asked === audio.asked && audio.answered) {
        var then = audio.answered;
        audio.answered = null;
        then();
      }
    };
    audio.ask = function (then) {
      audio.asked = (audio.asked || 0) + 1;
      audio.answered = then;
      audio.node.port.postMessage({ ask: audio.asked });
    };
    return 1;
  },

  HalvaneAudioPlayed: function () {
    return Module.halvaneAudio.played;
  },

  // The browser's own delay from the worklet's output to the speaker.
  HalvaneAudioLatency: function () {
    var context = Module.halvaneAudio.context;
    return Math.round(((context.outputLatency || 0) + (context.baseLatency || 0)) * context.sampleRate);
  },

  // Signed 16-bit stereo frames, interleaved, as floats for the worklet.
  HalvaneAudioPost: function (samples, frames, firstFrame) {
    var floats = new Float32Array(2 * frames);
    var from = samples >> 1;
    for (var i = 0; i < 2 * frames; ++i)
      floats[i] = HEAP16[from + i] / 32768;
    Module.halvaneAudio.node.port.postMessage({ first: firstFrame, samples: floats }, [floats.buffer]);
  },

  HalvaneAudioClose: function () {
    var audio = Module.halvaneAudio;
    audio.node.port.postMessage({ stop: true });
  },
};

mergeInto(LibraryManager.library, LibraryHalvaneAudio);
