#!/usr/bin/env bash
# Sourced: start_desktop starts a virtual X server on a free display with a
# window manager (openbox), as a user's desktop would have, and exports
# DISPLAY; stop_desktop stops both. They are the screenshot script's own
# (tools/qx-shot.sh), which games call too.
. "$(dirname "${BASH_SOURCE[0]}")/../tools/qx-shot.sh"
