# Sourced by the checks that watch a program's windows on an X server (Xvfb).

# viewable_windows TITLE: how many windows of that title are on screen now.
viewable_windows() {
    xwininfo -root -tree 2>/dev/null | awk -v title="\"$1\"" 'index($0, title) {print $1}' | while read -r id; do
        xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' && echo "$id"
    done | wc -l
}

# await_windows TITLE COUNT SECONDS: waits until at least COUNT of them are on screen; false if
# they are not there after SECONDS.
await_windows() {
    local _
    for _ in $(seq 1 $(($3 * 4))); do
        [ "$(viewable_windows "$1")" -ge "$2" ] && return 0
        sleep 0.25
    done
    return 1
}
