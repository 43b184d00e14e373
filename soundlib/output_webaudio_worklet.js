// The browser output's player: an AudioWorkletProcessor (see
// output_webaudio.cpp). It numbers its output frames from 0 and plays
// frame n of a chunk at its own n-th frame; what arrives after its time is
// dropped and what has not arrived is silence. Every other render quantum
// it tells the page how many frames it has played, and at once when asked.
class HalvaneOutput extends AudioWorkletProcessor {
  constructor() {
    super();
    this.chunks = [];
    this.played = 0;
    this.quanta = 0;
    this.stopped = false;
    this.port.onmessage = (event) => {
      if (event.data.stop)
        this.stopped = true;
      else if (event.data.ask)
        this.port.postMessage({ played: this.played, asked: event.data.ask });
      else
        this.chunks.push(event.data);
    };
  }

  process(inputs, outputs) {
    const left = outputs[0][0];
    const right = outputs[0][1] || left;
    const size = left.length;
    const end = this.played + size;
    while (this.chunks.length && this.chunks[0].first + this.chunks[0].samples.length / 2 <= this.played)
      this.chunks.shift();
    for (const chunk of this.chunks) {
      if (chunk.first >= end)
        break;
      const from = Math.max(chunk.first, this.played);
      const to = Math.min(chunk.first + chunk.samples.length / 2, end);
      for (let frame = from; frame < to; ++frame) {
        const i = 2 * (frame - chunk.first);
        left[frame - this.played] = chunk.samples[i];
        right[frame - this.played] = chunk.samples[i + 1];
      }
    }
    this.played = end;
    if (++this.quanta % 2 === 0)
      this.port.postMessage({ played: this.played });
    return !this.stopped;
  }
}

registerProcessor('halvane-output', HalvaneOutput);
