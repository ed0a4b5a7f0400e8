#!/bin/sh
# The demo, with UDP port 23000 taken on an address that its sample servers need, says in one
# line which port and which program holds it, exits non-zero and leaves nothing running.
# It runs in a network namespace of its own when it can (as root), so that servers of other
# test runs on this machine neither disturb it nor are disturbed.
# Usage: demo_port_test.sh
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
if [ -z "${DEMO_PORT_TEST_NAMESPACE:-}" ] && unshare -n true 2>/dev/null; then
    exec env DEMO_PORT_TEST_NAMESPACE=1 unshare -n sh "$0" "$@"
fi
if [ -n "${DEMO_PORT_TEST_NAMESPACE:-}" ]; then
    ip link set lo up
fi

work=$(mktemp -d /tmp/vantorel-demo-port.XXXXXX)
holder=""
cleanup() {
    [ -z "$holder" ] || kill "$holder" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM
failures=0

for address in 127.0.0.1 127.0.0.3 0.0.0.0; do
    rm -f "$work/ready"
    mkfifo "$work/ready"
    python3 -c '
import socket, sys, time
held = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
held.bind((sys.argv[1], 23000))
print("held", flush=True)
time.sleep(60)' "$address" >"$work/ready" 2>"$work/holder.err" &
    holder=$!
    read -r said <"$work/ready" || said=""
    if [ "$said" != held ]; then
        echo "FAIL: cannot take port 23000 on $address for the test: $(cat "$work/holder.err")"
        exit 1
    fi

    mark="demo-port-test-$$-$address"
    status=0
    env -u DISPLAY VANTOREL_DEMO_TEST_MARK="$mark" sh "$root/scripts/demo.sh" >"$work/output" 2>&1 || status=$?
    expected="UDP port 23000 on $address is taken by python3 (pid $holder)"
    if [ "$status" -eq 0 ]; then
        echo "FAIL: with port 23000 taken on $address the demo exited 0"
        failures=$((failures + 1))
    fi
    if [ "$(wc -l <"$work/output")" -ne 1 ] || ! grep -qF "$expected" "$work/output"; then
        echo "FAIL: with port 23000 taken on $address the demo said (expected one line with \"$expected\"):"
        sed 's/^/    /' "$work/output"
        failures=$((failures + 1))
    fi
    # Everything the demo starts inherits its environment, the mark included.
    left=$(grep -lsa "VANTOREL_DEMO_TEST_MARK=$mark" /proc/[0-9]*/environ || true)
    if [ -n "$left" ]; then
        echo "FAIL: the demo left running: $left"
        failures=$((failures + 1))
    fi

    kill "$holder"
    wait "$holder" 2>/dev/null || true
    holder=""
done

if [ "$failures" -ne 0 ]; then
    exit 1
fi
echo "the demo names the program holding port 23000 on 127.0.0.1, 127.0.0.3 and 0.0.0.0, and stops"
