#!/usr/bin/env bash
# Ending by a held key: the sample polls the global keyboard once a frame and
# ends with status 1 while a letter, a main-row digit, space, an arrow or
# Enter is down, whichever window has the focus. A keypad digit is not one
# of those keys. The time from pressing to the end is printed, not checked:
# it is the machine's, which a loaded one stretches (under Wine past a
# second); that a key ends the sample within a frame is checked in virtual
# time by headless_keys.sh.
# Usage: keys.sh SAMPLE SCREENTEXT
. "$(dirname "$0")/lib.sh"
e2e_init "$0" "$@"

# Starts the sample and waits until its frame loop runs.
start_and_settle() {
    start_sample
    main_window
    sleep 0.4
    running || fail "the sample ended before any key was pressed"
}

# Holds key $1 and requires the sample to end with status 1.
expect_end_on() {
    start_and_settle
    local t0
    t0=$(now_ms)
    hold "$1"
    wait_exit 10000 || fail "still running 10 s after $1 went down"
    release "$1"
    local ms=$((EXIT_MS - t0))
    expect_status_1 "key $1"
    ok "holding $1 ends the sample (status 1, $ms ms after keydown)"
}

for key in a Return space Up 5; do
    expect_end_on "$key"
done

# A keypad digit held for a second leaves the sample running; afterwards a
# letter still ends it, so the loop was alive all along.
start_and_settle
hold KP_5
sleep 1
running || fail "holding KP_5 ended the sample (status $(exit_status))"
release KP_5
sleep 0.2
running || fail "releasing KP_5 ended the sample"
ok "holding KP_5 for 1 s leaves the sample running"
hold x
wait_exit 10000 || fail "still running 10 s after x went down (after KP_5)"
release x
expect_status_1 "key x after KP_5"
ok "after KP_5, holding x still ends it"
