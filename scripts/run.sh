#!/usr/bin/env bash
# Try Kairon in one command: installs what is missing, builds, starts the
# reference server with its demo data on 127.0.0.1 (port 8765, or a free port
# when that one is taken; stopped again when the program ends) and opens the
# program. The program's database beside it (build/bin/kairon.db3) points at
# that server; an existing one is kept, so entries survive from one run to the
# next. Demo sign-in: user "demo", password "demo".
#
#   KAIRON_DEMO_PORT=9000 scripts/run.sh    another port for the reference server
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"

# The program opens a window; say so before spending minutes on the build.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found. Run it in a desktop session, or without one for example: xvfb-run -a scripts/run.sh" >&2
  exit 1
fi

bash scripts/setup.sh
port="${KAIRON_DEMO_PORT:-8765}"
case "$port" in
  '' | *[!0-9]*) echo "KAIRON_DEMO_PORT must be a port number, not \"$port\"." >&2; exit 2 ;;
esac
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAIRON_DEFAULT_URL="http://127.0.0.1:${port}/" >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target kairon kairon_refserver

db=build/bin/kairon.db3
demo=build/demo
mkdir -p "$demo"
server_pid=""
program_pid=""
cleanup() {
  for pid in $program_pid $server_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

# Our own server, always: whatever else listens on the port may not speak Kairon.
if listening "$port"; then
  echo "Port ${port} on 127.0.0.1 is taken; the reference server takes a free port instead."
  port=0
fi
log="$demo/refserver.log"
# Starts the server on port $1 and sets url to the address it listens on;
# fails when it ends before saying so.
start_server() {
  build/bin/kairon_refserver --host 127.0.0.1 --port "$1" --db "$demo/kairon_refserver.db3" >"$log" 2>&1 &
  server_pid=$!
  url=""
  for _ in $(seq 1 100); do
    # The first line of its output names the address.
    url="$(sed -n 's|^Listening on \(http://127\.0\.0\.1:[0-9]*/\)$|\1|p' "$log" 2>/dev/null | head -n 1)"
    if [ -n "$url" ]; then return 0; fi
    if ! kill -0 "$server_pid" 2>/dev/null; then break; fi
    sleep 0.1
  done
  kill "$server_pid" 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
  server_pid=""
  return 1
}
# Taken between the check and the start: try a free port once more.
if ! start_server "$port" && { [ "$port" = 0 ] || ! start_server 0; }; then
  echo "The reference server did not start:" >&2
  cat "$log" >&2
  exit 1
fi

# The demo database follows the server to its port. A database that names
# another server (not a loopback address) is left as it is.
current="$(sqlite3 -cmd '.timeout 3000' "$db" "SELECT fieldvalue FROM tblConfig WHERE fielddesc = 'url' ORDER BY id LIMIT 1;")"
if [ "$current" != "$url" ]; then
  if [[ "$current" =~ ^http://(127\.0\.0\.1|localhost)(:[0-9]+)?/?$ ]]; then
    sqlite3 -cmd '.timeout 3000' "$db" "UPDATE tblConfig SET fieldvalue = '${url}' WHERE fielddesc = 'url';"
  else
    echo "Note: ${db} points at ${current:-no server}, not at the demo server; it is left as it is."
  fi
fi
echo "Reference server on ${url} (user \"demo\", password \"demo\"); its log: ${log}"

# In the background, so that Ctrl+C or a closed terminal ends the program and
# the server at once rather than after the window is closed.
build/bin/kairon &
program_pid=$!
status=0
wait "$program_pid" || status=$?
program_pid=""
exit "$status"
