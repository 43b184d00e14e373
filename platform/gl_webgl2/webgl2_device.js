// The GL layer's WebGL 2 side (an Emscripten JS library; see gl_webgl2.h):
// the context on the canvas "halvane", one shader (colour, texture
// modulate), one stream buffer, the textures, and two frame buffers of the
// show's frame size with depth: one with four samples (RGB8: with an opaque
// canvas only RGB8 blits) and one with a single sample. A frame is drawn
// into the one its GL_MULTISAMPLE switch chose and blitted to the canvas,
// which the page scales (a fullscreen canvas keeps the frame's shape).
// Vertex and command layouts are those of gl_layer.h.
var LibraryHalvaneWebGl = {
  $HalvaneGl: {
    gl: null,
    program: null,
    texturing: null,
    viewport: null,
    points: null,
    buffer: null,
    vao: null,
    textures: [null],
    multisampled: null,
    single: null,
    width: 0,
    height: 0,
  },

  $HalvaneGlCompile__deps: ['$HalvaneGl'],
  $HalvaneGlCompile: function () {
    var g = HalvaneGl.gl;
    var vertex = '#version 300 es\n' +
      'in vec4 aPosition; in vec4 aColour; in vec2 aTexcoord; in float aPointSize;\n' +
      'uniform vec4 uViewport; uniform bool uPoints;\n' +
      'out vec4 vColour; out vec2 vTexcoord;\n' +
      'void main() { gl_Position = aPosition; vColour = aColour; vTexcoord = aTexcoord;\n' +
      '  float size = max(1.0, floor(aPointSize + 0.5)); gl_PointSize = size;\n' +
      '  if (uPoints && aPosition.w > 0.0) {\n' +
      // An aliased GL point covers whole pixels: an odd size centred on a
      // pixel centre, an even one on a pixel corner.
      '    vec2 w = (aPosition.xy / aPosition.w * 0.5 + 0.5) * uViewport.zw;\n' +
      '    w = mod(size, 2.0) == 1.0 ? floor(w) + 0.5 : floor(w + 0.5);\n' +
      '    gl_Position.xy = (w / uViewport.zw * 2.0 - 1.0) * aPosition.w; } }\n';
    var fragment = '#version 300 es\nprecision highp float;\n' +
      'in vec4 vColour; in vec2 vTexcoord; uniform sampler2D uTexture; uniform bool uTexturing;\n' +
      'out vec4 fragColour;\n' +
      'void main() { vec4 c = clamp(vColour, 0.0, 1.0);\n' +
      '  if (uTexturing) c *= texture(uTexture, vTexcoord);\n' +
      '  fragColour = c; }\n';
    var program = g.createProgram();
    [[g.VERTEX_SHADER, vertex], [g.FRAGMENT_SHADER, fragment]].forEach(function (part) {
      var shader = g.createShader(part[0]);
      g.shaderSource(shader, part[1]);
      g.compileShader(shader);
      if (!g.getShaderParameter(shader, g.COMPILE_STATUS))
        throw new Error('GL layer shader: ' + g.getShaderInfoLog(shader));
      g.attachShader(program, shader);
    });
    ['aPosition', 'aColour', 'aTexcoord', 'aPointSize'].forEach(function (name, i) {
      g.bindAttribLocation(program, i, name);
    });
    g.linkProgram(program);
    if (!g.getProgramParameter(program, g.LINK_STATUS))
      throw new Error('GL layer program: ' + g.getProgramInfoLog(program));
    HalvaneGl.program = program;
    HalvaneGl.texturing = g.getUniformLocation(program, 'uTexturing');
    HalvaneGl.viewport = g.getUniformLocation(program, 'uViewport');
    HalvaneGl.points = g.getUniformLocation(program, 'uPoints');
    g.useProgram(program);
    g.uniform1i(g.getUniformLocation(program, 'uTexture'), 0);

    // 11 floats a vertex: position 4, colour 4, texcoord 2, point size 1.
    HalvaneGl.buffer = g.createBuffer();
    HalvaneGl.vao = g.createVertexArray();
    g.bindVertexArray(HalvaneGl.vao);
    g.bindBuffer(g.ARRAY_BUFFER, HalvaneGl.buffer);
    var sizes = [4, 4, 2, 1], offset = 0;
    for (var i = 0; i < 4; ++i) {
      g.enableVertexAttribArray(i);
      g.vertexAttribPointer(i, sizes[i], g.FLOAT, false, 44, offset);
      offset += 4 * sizes[i];
    }
  },

  // A frame buffer of the frame's size: RGB8 colour and 24-bit depth.
  $HalvaneGlFrameBuffer__deps: ['$HalvaneGl'],
  $HalvaneGlFrameBuffer: function (samples) {
    var g = HalvaneGl.gl;
    var frame = g.createFramebuffer();
    g.bindFramebuffer(g.FRAMEBUFFER, frame);
    [[g.RGB8, g.COLOR_ATTACHMENT0], [g.DEPTH_COMPONENT24, g.DEPTH_ATTACHMENT]].forEach(function (part) {
      var buffer = g.createRenderbuffer();
      g.bindRenderbuffer(g.RENDERBUFFER, buffer);
      if (samples > 0)
        g.renderbufferStorageMultisample(g.RENDERBUFFER, samples, part[0], HalvaneGl.width, HalvaneGl.height);
      else
        g.renderbufferStorage(g.RENDERBUFFER, part[0], HalvaneGl.width, HalvaneGl.height);
      g.framebufferRenderbuffer(g.FRAMEBUFFER, part[1], g.RENDERBUFFER, buffer);
    });
    if (g.checkFramebufferStatus(g.FRAMEBUFFER) !== g.FRAMEBUFFER_COMPLETE)
      return null;
    return frame;
  },

  HalvaneWebGlCreate__deps: ['$HalvaneGl', '$HalvaneGlCompile', '$HalvaneGlFrameBuffer'],
  HalvaneWebGlCreate: function (width, height) {
    var canvas = document.getElementById('halvane');
    var g = canvas && canvas.getContext('webgl2', {
      alpha: false, depth: false, stencil: false, antialias: false,
      preserveDrawingBuffer: true, powerPreference: 'high-performance'
    });
    if (!g)
      return -1;
    canvas.width = width;
    canvas.height = height;
    HalvaneGl.gl = g;
    HalvaneGl.width = width;
    HalvaneGl.height = height;
    HalvaneGlCompile();
    var samples = Math.min(4, g.getParameter(g.MAX_SAMPLES));
    HalvaneGl.single = HalvaneGlFrameBuffer(0);
    HalvaneGl.multisampled = samples > 1 ? HalvaneGlFrameBuffer(samples) : null;
    if (!HalvaneGl.multisampled)
      samples = 0;
    return HalvaneGl.single ? samples : -1;
  },

  HalvaneWebGlCreateTexture__deps: ['$HalvaneGl'],
  HalvaneWebGlCreateTexture: function () {
    HalvaneGl.textures.push(HalvaneGl.gl.createTexture());
    return HalvaneGl.textures.length - 1;
  },

  HalvaneWebGlTexParameter__deps: ['$HalvaneGl'],
  HalvaneWebGlTexParameter: function (texture, name, value) {
    var g = HalvaneGl.gl;
    g.bindTexture(g.TEXTURE_2D, HalvaneGl.textures[texture]);
    g.texParameteri(g.TEXTURE_2D, name, value);
  },

  HalvaneWebGlTexImage__deps: ['$HalvaneGl'],
  HalvaneWebGlTexImage: function (texture, width, height, format, pixels, alignment) {
    var g = HalvaneGl.gl;
    var channels = { 0x1909: 1, 0x190A: 2, 0x1907: 3, 0x1908: 4 }[format];
    if (!channels)
      return;
    var row = Math.ceil(width * channels / alignment) * alignment;
    g.bindTexture(g.TEXTURE_2D, HalvaneGl.textures[texture]);
    g.pixelStorei(g.UNPACK_ALIGNMENT, alignment);
    g.texImage2D(g.TEXTURE_2D, 0, format, width, height, 0, format, g.UNSIGNED_BYTE,
      HEAPU8.subarray(pixels, pixels + row * (height - 1) + width * channels));
  },

  HalvaneWebGlDrawFrame__deps: ['$HalvaneGl'],
  HalvaneWebGlDrawFrame: function (vertices, vertexCount, commands, commandCount, multisample) {
    var g = HalvaneGl.gl;
    var target = multisample && HalvaneGl.multisampled ? HalvaneGl.multisampled : HalvaneGl.single;
    g.bindFramebuffer(g.FRAMEBUFFER, target);
    g.useProgram(HalvaneGl.program);
    g.bindVertexArray(HalvaneGl.vao);
    g.bindBuffer(g.ARRAY_BUFFER, HalvaneGl.buffer);
    g.bufferData(g.ARRAY_BUFFER, HEAPF32.subarray(vertices >> 2, (vertices >> 2) + vertexCount * 11), g.STREAM_DRAW);
    g.depthMask(true);
    g.activeTexture(g.TEXTURE0);
    // 18 words a command: kind, primitive, first, count, viewport x y w h,
    // depth test, blend, blend source, blend target, texture, clear mask,
    // clear colour r g b a.
    for (var i = 0; i < commandCount; ++i) {
      var c = (commands >> 2) + 18 * i;
      if (HEAP32[c] === 1) {
        g.clearColor(HEAPF32[c + 14], HEAPF32[c + 15], HEAPF32[c + 16], HEAPF32[c + 17]);
        g.clear(HEAP32[c + 13]);
        continue;
      }
      g.viewport(HEAP32[c + 4], HEAP32[c + 5], HEAP32[c + 6], HEAP32[c + 7]);
      g.uniform4f(HalvaneGl.viewport, HEAP32[c + 4], HEAP32[c + 5], HEAP32[c + 6], HEAP32[c + 7]);
      g.uniform1i(HalvaneGl.points, HEAP32[c + 1]);
      if (HEAP32[c + 8]) g.enable(g.DEPTH_TEST); else g.disable(g.DEPTH_TEST);
      if (HEAP32[c + 9]) {
        g.enable(g.BLEND);
        g.blendFunc(HEAP32[c + 10], HEAP32[c + 11]);
      } else {
        g.disable(g.BLEND);
      }
      var texture = HEAP32[c + 12];
      g.uniform1i(HalvaneGl.texturing, texture ? 1 : 0);
      g.bindTexture(g.TEXTURE_2D, texture ? HalvaneGl.textures[texture] : null);
      g.drawArrays(HEAP32[c + 1] ? g.POINTS : g.TRIANGLES, HEAP32[c + 2], HEAP32[c + 3]);
    }
    g.bindFramebuffer(g.READ_FRAMEBUFFER, target);
    g.bindFramebuffer(g.DRAW_FRAMEBUFFER, null);
    g.blitFramebuffer(0, 0, HalvaneGl.width, HalvaneGl.height, 0, 0, HalvaneGl.width, HalvaneGl.height,
      g.COLOR_BUFFER_BIT, g.NEAREST);
  },
};

mergeInto(LibraryManager.library, LibraryHalvaneWebGl);
