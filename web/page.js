// The page of the browser show: the setup dialog, the canvas, the keys,
// the message boxes, the sound's start and the frame loop around the
// program (halvane.js, halvane.wasm, the content in halvane.data).
//
// The page's states (document.body.dataset.state): loading, setup, show,
// ended (the show's end or Escape), left (Exit without a run), error (the
// show cannot run here; the page says why).
//
// Test mode, through the URL:
//   ?aspect=16:9|4:3&mode=windowed|fullscreen   skips the dialog with these
//                                              choices and plays the show
//   &at=T[&fps=N]     draws only the frame at demo time T as the offline
//                     renderer's --at T [--fps N] does (default 60), silent,
//                     then sets window.halvaneDrawn = true
//   &drop=FILE,...    removes these content files (e.g. data/png/09.png)
//                     before the start, as if they were missing
// window.halvaneMessages lists the messages shown ("caption: text", or the
// text alone), window.halvaneBoxesShown counts the boxes opened so far (a
// box is known by its number, so a second box of the same text is not the
// first); window.halvaneFrames, for each frame, its demo time, the
// whole frame's time and the wasm side's (ms), the music position in bytes
// the seconds from the frame's clock reading to that position's, and the
// wall-clock time of the frame (ms since 1970);
// window.halvaneFirstFrame is the page time of the first frame.
'use strict';

var params = new URLSearchParams(location.search);
var page = {
  choice: null,        // { fourThirds, fullscreen } once chosen
  queue: [],           // messages waiting to be shown
  idle: null,          // called once the queue is empty
  feeder: 0,           // the sound's feeding interval
  lastFrame: 0,
};
window.halvaneMessages = [];
window.halvaneBoxesShown = 0;
window.halvaneFrames = [];
window.halvaneDrawn = false;

function setState(state) {
  document.body.dataset.state = state;
}

// The page's one way to say that the show cannot run, and why.
function halvaneFail(reason) {
  document.getElementById('farewell-text').textContent = 'The show cannot run in this browser: ' + reason + '.';
  document.getElementById('again').textContent = 'Try again';
  setState('error');
}

function setStatus(text) {
  document.getElementById('status').textContent = text;
}

// --- Messages: one modal box at a time, in order --------------------------

function showNextMessage() {
  var box = document.getElementById('message');
  if (box.open)
    return;
  if (!page.queue.length) {
    var idle = page.idle;
    page.idle = null;
    if (idle)
      idle();
    return;
  }
  var message = page.queue.shift();
  document.getElementById('message-caption').textContent = message.caption;
  document.getElementById('message-text').textContent = message.text;
  window.halvaneBoxesShown += 1;
  box.showModal();
}

// Calls then() once every queued message has been dismissed.
function afterMessages(then) {
  page.idle = then;
  showNextMessage();
}

// --- The program -------------------------------------------------------------

var Module = {
  halvaneMessage: function (text, caption, flags) {
    window.halvaneMessages.push(caption ? caption + ': ' + text : text);
    page.queue.push({ text: text, caption: caption || 'Halvane', flags: flags });
  },
  setStatus: function (text) {
    if (text)
      setStatus(text.replace(/Downloading data\.\.\. \((\d+)\/(\d+)\)/, function (all, done, total) {
        return 'Loading the show\u2026 ' + Math.round(100 * done / total) + ' %';
      }));
  },
  onAbort: function (what) {
    halvaneFail('the program stopped (' + what + ')');
  },
  onRuntimeInitialized: function () {
    dropFiles();
    if (params.has('aspect') || params.has('mode'))
      startTestMode();
    else
      openSetup();
  },
};

// The test mode's missing files.
function dropFiles() {
  var drop = params.get('drop');
  if (!drop)
    return;
  drop.split(',').forEach(function (file) {
    try { Module.FS.unlink(file); } catch (e) { console.warn('drop: no file ' + file); }
  });
}

// --- The setup dialog ----------------------------------------------------------

function openSetup() {
  setState('setup');
  setStatus('Choose and press Run Demo.');
  var run = document.getElementById('run');
  run.disabled = false;
  run.focus();
}

function readChoice() {
  var form = document.getElementById('choices');
  return {
    fourThirds: form.elements.aspect.value === '4:3',
    fullscreen: form.elements.mode.value === 'fullscreen',
  };
}

document.getElementById('choices').addEventListener('submit', function (event) {
  event.preventDefault();
  if (document.body.dataset.state !== 'setup')
    return;
  var choice = readChoice();
  // Fullscreen must be asked for within the click itself.
  if (choice.fullscreen)
    enterFullscreen();
  startShow(choice, openSound());
});

document.getElementById('leave').addEventListener('click', leaveWithoutRun);

function leaveWithoutRun() {
  document.getElementById('farewell-text').textContent = 'Halvane was not run.';
  setState('left');
}

document.getElementById('again').addEventListener('click', function () {
  location.href = location.pathname;
});

document.getElementById('message').addEventListener('close', function () {
  setTimeout(showNextMessage, 0);
});

// --- Sound ---------------------------------------------------------------------

// The AudioContext and the worklet node of the sound library's output;
// resolves to null where the browser gives no sound (the show then says
// "Bass init error" and goes on silently, as on a machine without sound).
function openSound() {
  var context;
  try {
    context = new AudioContext({ sampleRate: 44100, latencyHint: 'interactive' });
  } catch (e) {
    return Promise.resolve(null);
  }
  context.resume();
  return context.audioWorklet.addModule('output_webaudio_worklet.js').then(function () {
    var node = new AudioWorkletNode(context, 'halvane-output',
      { numberOfInputs: 0, numberOfOutputs: 1, outputChannelCount: [2] });
    node.connect(context.destination);
    return { context: context, node: node, played: 0 };
  }).catch(function (e) {
    console.warn('no sound: ' + e);
    return null;
  });
}

// --- The show ------------------------------------------------------------------

function startShow(choice, sound) {
  page.choice = choice;
  sound.then(function (audio) {
    Module.halvaneAudio = audio;
    var canvas = document.getElementById('halvane');
    setState('show');
    canvas.focus();
    var samples = Module.ccall('HalvanePrepareShow', 'number', ['number', 'number'],
      [choice.fourThirds ? 1 : 0, choice.fullscreen ? 1 : 0]);
    if (samples < 0) {
      leaveFullscreen();
      halvaneFail('it offers no WebGL 2');
      return;
    }
    if (audio)
      page.feeder = setInterval(function () { Module._FeedWebAudioOutput(); }, 10);
    afterMessages(function () {
      whenSoundCurrent(play);
    });
    function play() {
      Module._HalvanePlayShow();
      afterMessages(function () {
        page.lastFrame = performance.now();
        requestAnimationFrame(stepFrame);
      });
    }
  });
}

// Calls then() once the sound output knows how far its node has played:
// the music must start against a count taken after the loading's long task,
// or its first chunks would be placed in the past and lost.
function whenSoundCurrent(then) {
  var audio = Module.halvaneAudio;
  if (audio && audio.ask)
    audio.ask(then);
  else
    then();
}

function stepFrame() {
  if (document.body.dataset.state !== 'show')
    return;
  var running = Module._HalvaneStepFrame();
  var now = performance.now();
  if (!window.halvaneFrames.length)
    window.halvaneFirstFrame = now;
  window.halvaneFrames.push([Module._HalvaneGetDemoTime(), now - page.lastFrame, Module._HalvaneGetFrameWork(),
    Module._HalvaneGetMusicPosition(), Module._HalvaneGetSinceFrameClock(), performance.timeOrigin + now]);
  page.lastFrame = now;
  if (running)
    requestAnimationFrame(stepFrame);
  else
    endShow('The show has ended.');
}

function endShow(text) {
  if (document.body.dataset.state !== 'show')
    return;
  clearInterval(page.feeder);
  Module._HalvaneEndShow();
  leaveFullscreen();
  document.getElementById('farewell-text').textContent = text;
  setState('ended');
}

// --- Fullscreen and keys ---------------------------------------------------------

function enterFullscreen() {
  var stage = document.getElementById('stage');
  if (!stage.requestFullscreen)
    return;
  stage.requestFullscreen().then(function () {
    // Escape then reaches the page: it ends the show, as in the other shells.
    if (navigator.keyboard && navigator.keyboard.lock)
      navigator.keyboard.lock(['Escape']).catch(function () {});
  }).catch(function () {});
}

function leaveFullscreen() {
  if (document.fullscreenElement)
    document.exitFullscreen().catch(function () {});
}

// Fullscreen on and off; the canvas, the music and the clock go on.
function toggleFullscreen() {
  if (document.fullscreenElement)
    leaveFullscreen();
  else
    enterFullscreen();
}

document.addEventListener('keydown', function (event) {
  var state = document.body.dataset.state;
  if (state === 'setup' && event.key === 'Escape' && !document.getElementById('message').open) {
    event.preventDefault();
    leaveWithoutRun();
  } else if (state === 'show' && !document.getElementById('message').open) {
    if (event.key === 'Escape') {
      event.preventDefault();
      endShow('The show was ended.');
    } else if (event.key === 'F11' || event.key === 'f' || event.key === 'F'
               || (event.key === 'Enter' && event.altKey)) {
      event.preventDefault();
      toggleFullscreen();
    }
  }
});

// --- Test mode -------------------------------------------------------------------

function startTestMode() {
  var choice = {
    fourThirds: params.get('aspect') === '4:3',
    fullscreen: params.get('mode') === 'fullscreen',
  };
  if (!params.has('at')) {
    if (choice.fullscreen)
      enterFullscreen();
    startShow(choice, openSound());
    return;
  }
  setState('show');
  var drawn = Module.ccall('HalvaneDrawTestFrame', 'number', ['number', 'number', 'number'],
    [choice.fourThirds ? 1 : 0, parseFloat(params.get('at')), parseInt(params.get('fps') || '60', 10)]);
  if (drawn < 0) {
    halvaneFail('it offers no WebGL 2');
    return;
  }
  window.halvaneDrawnTime = drawn;
  afterMessages(function () { window.halvaneDrawn = true; });
}

window.addEventListener('error', function (event) {
  if (document.body.dataset.state === 'loading')
    halvaneFail(event.message || 'the program failed to load');
});
