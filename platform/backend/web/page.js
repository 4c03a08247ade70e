// The page's side of a qx program, run before the program's own script: the
// canvas, what the program prints (into the page), the status line, the
// canvas's scaling, and the program's end, which leaves the canvas as it was
// with a line that says the program ended and with what status. The figures
// a test or a benchmark reads are in the page too: the status line, the
// printed text, and data-first-frame-ms on the body (from the page's start to
// the first frame the program drew on the canvas).
Module.canvas = document.getElementById("canvas");

(function() {
    var status = document.getElementById("status");
    var output = document.getElementById("output");
    var screen = document.getElementById("screen");
    var say = function(text) {
        output.textContent += text + "\n";
    };
    Module.print = say;
    Module.printErr = function(text) {
        console.error(text);
        say(text);
    };
    // Added to, not replaced: the packed files are put in place by preRun too.
    Module.preRun = [].concat(Module.preRun || [], function() { status.textContent = ""; });

    // The largest whole multiple of the canvas's size that fits the screen
    // area (or the whole screen, in full screen), with its pixels kept sharp.
    Module.qxFit = function() {
        var c = Module.canvas;
        var k = Math.floor(Math.min(screen.clientWidth / c.width, screen.clientHeight / c.height));
        k = Math.max(1, k);
        c.style.width = c.width * k + "px";
        c.style.height = c.height * k + "px";
    };
    window.addEventListener("resize", Module.qxFit);
    document.addEventListener("fullscreenchange", Module.qxFit);

    Module.qxFirstFrame = function() {
        document.body.dataset.firstFrameMs = performance.now().toFixed(1);
    };

    // Every end of a run of the program comes here: the program's own end
    // (TerminateProcess, exit), which the backend announces (ending.cpp), and
    // the end of the first run, when the program first sleeps.
    Module.quit = function(code, toThrow) {
        if (Module.qxEnding) {
            document.body.dataset.exitStatus = code;
            status.textContent = "ended (status " + code + ")";
        }
        throw toThrow;
    };
    Module.onAbort = function(what) {
        status.textContent = "stopped: " + what;
    };
    // The end unwinds the program's stack as an exception, which reaches the
    // page from whichever callback resumed the program: an event's or a
    // timer's (an error event), or a promise's, when the program had let the
    // page run through one (a rejection nobody handles). Either is the
    // program's normal end, not an error: the console hears nothing of it.
    var normalEnd = function(e, what) {
        if (what && what.name === "ExitStatus") e.preventDefault();
    };
    window.addEventListener("error", function(e) { normalEnd(e, e.error); });
    window.addEventListener("unhandledrejection", function(e) { normalEnd(e, e.reason); });
})();
