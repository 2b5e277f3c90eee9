#!/usr/bin/env bash
# Try Kairon in one command: installs what is missing, builds, starts the
# reference server with its demo data on 127.0.0.1:8765 (stopped again when the
# program ends) and opens the program. The program's database beside it
# (build/bin/kairon.db3) points at that server; an existing one is kept, so
# entries survive from one run to the next. Demo sign-in: user "demo", password "demo".
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
bash scripts/setup.sh
port="${KAIRON_DEMO_PORT:-8765}"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAIRON_DEFAULT_URL="http://127.0.0.1:${port}/" >/dev/null
cmake --build build -j "$(nproc 2>/dev/null || echo 2)" --target kairon kairon_refserver

mkdir -p build/demo
server_pid=""
cleanup() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT INT TERM

if (exec 3<>"/dev/tcp/127.0.0.1/${port}") 2>/dev/null; then
  echo "A server already listens on 127.0.0.1:${port}; using it."
else
  build/bin/kairon_refserver --host 127.0.0.1 --port "$port" --db build/demo/kairon_refserver.db3 \
    >build/demo/refserver.log 2>&1 &
  server_pid=$!
  for _ in $(seq 1 50); do
    if (exec 3<>"/dev/tcp/127.0.0.1/${port}") 2>/dev/null; then break; fi
    if ! kill -0 "$server_pid" 2>/dev/null; then
      echo "The reference server did not start:"; cat build/demo/refserver.log; exit 1
    fi
    sleep 0.1
  done
  echo "Reference server on http://127.0.0.1:${port}/ (user \"demo\", password \"demo\")."
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found. Run under a desktop session, or for example: xvfb-run -a scripts/run.sh"
  exit 1
fi
build/bin/kairon
