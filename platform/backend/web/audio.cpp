// Sound in the browser: Web Audio at 44,100 Hz, a script processor node that
// asks the layer's mix for each block it plays. Browsers start audio only
// after the user has pressed a key or clicked, so the graph is made at the
// first of these; until then nothing is pulled, and what was started plays
// from where it stood. The node's handler runs between the program's turns
// (while it sleeps or yields) and never sleeps itself, as ASYNCIFY requires
// of code called while the program is paused. Module.qxAudio.frames counts
// the frames the graph has taken, and .peak the loudest sample among them,
// for the page tests.
#include "backend/web/web.h"

#include <emscripten.h>

namespace plat::backend::web {

namespace {

constexpr int kFrames = 1024;  // a block of the script processor (a power of two)

AudioPull g_pull = nullptr;
int16_t g_block[kFrames * 2];

EM_JS(void, listen_for_gesture, (int frames), {
    Module.qxAudio = {frames : 0, peak : 0, context : null};
    var start = function() {
        if (Module.qxAudio.context) return;
        var Context = window.AudioContext || window.webkitAudioContext;
        if (!Context) return;
        var context = new Context({sampleRate : 44100});
        var node = context.createScriptProcessor(frames, 0, 2);
        node.onaudioprocess = function(e) {
            var left = e.outputBuffer.getChannelData(0), right = e.outputBuffer.getChannelData(1);
            var n = Math.min(left.length, frames);
            var at = Module._qx_audio_render(n) >> 1;
            var peak = Module.qxAudio.peak;
            for (var i = 0; i < n; ++i) {
                var l = HEAP16[at + 2 * i], r = HEAP16[at + 2 * i + 1];
                left[i] = l / 32768;
                right[i] = r / 32768;
                peak = Math.max(peak, l < 0 ? -l : l, r < 0 ? -r : r);
            }
            Module.qxAudio.frames += n;
            Module.qxAudio.peak = peak;
        };
        node.connect(context.destination);
        Module.qxAudio.context = context;
        if (context.resume) context.resume();
    };
    window.addEventListener('keydown', start, true);
    window.addEventListener('mousedown', start, true);
    window.addEventListener('touchstart', start, true);
});

}  // namespace

bool audio_open(AudioPull pull) {
    g_pull = pull;
    listen_for_gesture(kFrames);
    return true;
}

}  // namespace plat::backend::web

// The next frames (at most a block) of the mix, for the page's audio graph.
extern "C" EMSCRIPTEN_KEEPALIVE int16_t* qx_audio_render(int frames) {
    using namespace plat::backend::web;
    if (frames > kFrames) frames = kFrames;
    g_pull(g_block, frames);
    return g_block;
}
