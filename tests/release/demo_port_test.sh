#!/bin/sh
# The demo, with UDP port 23000 taken on an address that its sample servers need, says in one
# line which port and which program holds it, exits non-zero and leaves nothing running. Its
# probe waits for servers of either protocol, and gives up on one that has ended.
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

# A server that has ended is a zombie until the demo, busy running the probe, waits for it. Here
# the probe becomes the parent of such a server, and never waits for it either.
said=$(python3 -c '
import os, sys
server = os.fork()
if server == 0:
    os._exit(2)
os.execvp("python3", ["python3", sys.argv[1], "5", f"127.0.0.1={server}"])' "$root/scripts/probe-servers.py") &&
    status=0 || status=$?
if [ "$status" -ne 1 ] || [ "$said" != "the sample server on 127.0.0.1 ended before it answered" ]; then
    echo "FAIL: the probe of an ended server exited $status and said: $said"
    failures=$((failures + 1))
fi

# One server answers only the text query, the other only the binary one.
python3 -c '
import socket
servers = []
for address, request in (("127.0.0.2", b"\\"), ("127.0.0.3", b"\xfe\xfd\x00")):
    server = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    server.bind((address, 23000))
    server.settimeout(10)
    servers.append((server, request))
print("held", flush=True)
for server, request in servers:
    while True:
        data, sender = server.recvfrom(2048)
        if data.startswith(request):
            server.sendto(b"\\hostname\\x", sender)
            break' >"$work/ready" 2>"$work/holder.err" &
holder=$!
read -r said <"$work/ready" || said=""
said=$(python3 "$root/scripts/probe-servers.py" 10 "127.0.0.2=$holder" "127.0.0.3=$holder") && status=0 || status=$?
if [ "$status" -ne 0 ]; then
    echo "FAIL: the probe of a text and a binary server exited $status and said: $said $(cat "$work/holder.err")"
    failures=$((failures + 1))
fi
wait "$holder" 2>/dev/null || true
holder=""

if [ "$failures" -ne 0 ]; then
    exit 1
fi
echo "the demo names the program holding port 23000 on 127.0.0.1, 127.0.0.3 and 0.0.0.0, and stops;"
echo "its probe hears servers of both protocols and gives up on one that has ended"
