#!/bin/sh
# The demo, with a port taken on an address that it needs (the sample servers' UDP port 23000, a
# UDP port of its range of varied servers, or its sample master's TCP port 28910), says in one
# line which port and which program holds it, exits non-zero and leaves nothing running. Its
# probe waits for servers of either protocol on any port and for a master to listen, and gives
# up on one that has ended or, when the time is out, on one that never listened.
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
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP
failures=0

# protocol, address, port, display ("-" for none). The demo checks the range's and the master's
# ports only with a display, since only the window on it asks them; the display given is never
# opened, as the demo stops at the check, before it builds anything.
while read -r protocol address port display; do
    rm -f "$work/ready"
    mkfifo "$work/ready"
    python3 -c '
import socket, sys, time
kind = socket.SOCK_DGRAM if sys.argv[1] == "UDP" else socket.SOCK_STREAM
held = socket.socket(socket.AF_INET, kind)
held.bind((sys.argv[2], int(sys.argv[3])))
if kind == socket.SOCK_STREAM:
    held.listen()
print("held", flush=True)
time.sleep(60)' "$protocol" "$address" "$port" >"$work/ready" 2>"$work/holder.err" &
    holder=$!
    read -r said <"$work/ready" || said=""
    if [ "$said" != held ]; then
        echo "FAIL: cannot take $protocol port $port on $address for the test: $(cat "$work/holder.err")"
        exit 1
    fi

    case_name="$protocol port $port taken on $address"
    mark="demo-port-test-$$-$protocol-$address-$port"
    status=0
    if [ "$display" = - ]; then
        env -u DISPLAY VANTOREL_DEMO_TEST_MARK="$mark" sh "$root/scripts/demo.sh" </dev/null >"$work/output" 2>&1 ||
            status=$?
    else
        env DISPLAY="$display" VANTOREL_DEMO_TEST_MARK="$mark" sh "$root/scripts/demo.sh" </dev/null >"$work/output" 2>&1 ||
            status=$?
    fi
    expected="$protocol port $port on $address is taken by python3 (pid $holder)"
    if [ "$status" -eq 0 ]; then
        echo "FAIL: with $case_name the demo exited 0"
        failures=$((failures + 1))
    fi
    if [ "$(wc -l <"$work/output")" -ne 1 ] || ! grep -qF "$expected" "$work/output"; then
        echo "FAIL: with $case_name the demo said (expected one line with \"$expected\"):"
        sed 's/^/    /' "$work/output"
        failures=$((failures + 1))
    fi
    # Everything the demo starts inherits its environment, the mark included.
    left=$(grep -lsa "VANTOREL_DEMO_TEST_MARK=$mark" /proc/[0-9]*/environ || true)
    if [ -n "$left" ]; then
        echo "FAIL: with $case_name the demo left running: $left"
        failures=$((failures + 1))
    fi

    kill "$holder"
    wait "$holder" 2>/dev/null || true
    holder=""
done <<EOF
UDP 127.0.0.1 23000 -
UDP 127.0.0.3 23000 -
UDP 0.0.0.0 23000 -
UDP 127.0.0.1 23030 :97
UDP 0.0.0.0 23060 :97
TCP 127.0.0.1 28910 :97
TCP 0.0.0.0 28910 :97
EOF

# A server that has ended is a zombie until the demo, busy running the probe, waits for it. Here
# the probe becomes the parent of such a server, and never waits for it either.
while read -r target expected; do
    said=$(python3 -c '
import os, sys
server = os.fork()
if server == 0:
    os._exit(2)
os.execvp("python3", ["python3", sys.argv[1], "5", f"{sys.argv[2]}={server}"])' "$root/scripts/probe-servers.py" "$target") &&
        status=0 || status=$?
    if [ "$status" -ne 1 ] || [ "$said" != "$expected" ]; then
        echo "FAIL: the probe of an ended $target exited $status and said: $said"
        failures=$((failures + 1))
    fi
done <<EOF
127.0.0.1 the sample server on 127.0.0.1 ended before it answered
127.0.0.1:23001 the sample server on 127.0.0.1:23001 ended before it answered
tcp:127.0.0.1:28910 the sample master on 127.0.0.1:28910 ended before it listened
EOF

# A master that runs but never listens is given up when the time is out. (The PID is this
# shell's, which runs throughout.)
said=$(python3 "$root/scripts/probe-servers.py" 1 "tcp:127.0.0.1:28910=$$") && status=0 || status=$?
if [ "$status" -ne 1 ] || [ "$said" != "the sample master on 127.0.0.1:28910 did not listen within 1 seconds" ]; then
    echo "FAIL: the probe of a master that does not listen exited $status and said: $said"
    failures=$((failures + 1))
fi

# One server answers only the text query, another only the binary one, a third (on a port of
# the range, not 23000) the text one; the master only has to take the connection.
python3 -c '
import socket
servers = []
for address, port, request in (("127.0.0.2", 23000, b"\\"), ("127.0.0.3", 23000, b"\xfe\xfd\x00"),
                               ("127.0.0.1", 23001, b"\\")):
    server = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    server.bind((address, port))
    server.settimeout(10)
    servers.append((server, request))
master = socket.socket()
master.bind(("127.0.0.1", 28910))
master.listen()
master.settimeout(10)
print("held", flush=True)
for server, request in servers:
    while True:
        data, sender = server.recvfrom(2048)
        if data.startswith(request):
            server.sendto(b"\\hostname\\x", sender)
            break
master.accept()' >"$work/ready" 2>"$work/holder.err" &
holder=$!
read -r said <"$work/ready" || said=""
said=$(python3 "$root/scripts/probe-servers.py" 10 "127.0.0.2=$holder" "127.0.0.3=$holder" "127.0.0.1:23001=$holder" \
    "tcp:127.0.0.1:28910=$holder") && status=0 || status=$?
if [ "$status" -ne 0 ]; then
    echo "FAIL: the probe of a text, a binary and a range server and a master exited $status and said: $said $(cat "$work/holder.err")"
    failures=$((failures + 1))
fi
wait "$holder" 2>/dev/null || true
holder=""

if [ "$failures" -ne 0 ]; then
    exit 1
fi
echo "the demo names the program holding UDP port 23000, a UDP port of its range or the master's TCP"
echo "port 28910, and stops; its probe hears servers of both protocols on any port and a master that"
echo "listens, and gives up on one that has ended or never listens"
