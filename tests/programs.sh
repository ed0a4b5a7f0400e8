# Sourced by the tests that run the project's programs over loopback. The caller sets `bin`
# (the folder of the programs), `runner` (empty, or what runs a Windows program: e.g.
# scripts/wine-run) and `name` (for the scratch folder). This gives `ext`, a scratch folder
# `work`, programs started in the background and ended on exit, `fail`, and `start`.

ext=""
[ -n "$runner" ] && ext=".exe"
work=$(mktemp -d "/tmp/vantorel-$name.XXXXXX")
pids=""
cleanup() {
    status=$?
    for pid in $pids; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Starts PROGRAM with its options and waits for the line READY that says it is ready; sets
# `log` and `bound`, the port it took (its first one). Returns 1, leaving the reason in the
# log, when the program ends before it is ready (a port of a range taken, say).
started=0
start() {
    program=$1
    ready=$2
    shift 2
    started=$((started + 1))
    log="$work/started$started.log"
    $runner "$bin/$program$ext" --duration 150 "$@" >"$log" 2>&1 &
    pid=$!
    i=0
    until grep -q "$ready" "$log" 2>/dev/null; do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid" 2>/dev/null || true
            grep -q "$ready" "$log" 2>/dev/null && break
            return 1
        fi
        i=$((i + 1))
        [ "$i" -gt 900 ] && fail "$program did not start: $(cat "$log")"
        sleep 0.1
    done
    pids="$pids $pid"
    bound=$(sed -n "s/^$ready .* port \([0-9]*\).*$/\1/p" "$log")
}

# Holds a silent port on 127.0.0.1 of that kind (tcp: one that accepts and never answers;
# udp: one that takes datagrams and never answers) and finds a closed one (bound once, then
# let go); sets `silent` and `closed`.
hold_ports() {
    python3 -c '
import socket, sys, time
tcp = sys.argv[1] == "tcp"
kind = socket.SOCK_STREAM if tcp else socket.SOCK_DGRAM
silent = socket.socket(socket.AF_INET, kind); silent.bind(("127.0.0.1", 0))
if tcp:
    silent.listen(8)
closed = socket.socket(socket.AF_INET, kind); closed.bind(("127.0.0.1", 0))
print(silent.getsockname()[1], closed.getsockname()[1], flush=True)
closed.close()
time.sleep(150)
' "$1" >"$work/ports-$1" &
    pids="$pids $!"
    i=0
    until [ -s "$work/ports-$1" ]; do
        i=$((i + 1))
        [ "$i" -gt 100 ] && fail "no silent $1 port"
        sleep 0.1
    done
    read -r silent closed <"$work/ports-$1"
}

query() {
    $runner "$bin/bfv-query$ext" "$@"
}
