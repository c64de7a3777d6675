#!/usr/bin/env bash
# Resident memory of lumora idle in the tray after start-up (its cam's picture installed on the
# root window), next to a bare Qt tray program, both on the same Xvfb with the same tray host.
# Prints: bench_app_memory ratio=R goal=0.77, with R = bare tray RSS / lumora RSS.
set -euo pipefail
build="${BENCH_BUILD:-build/release}"
lumora="$build/src/lumora"
bare="$build/bench/bench_bare_tray"
[ -x "$lumora" ] && [ -x "$bare" ] || { echo "build the release preset first" >&2; exit 1; }
here="$(cd "$(dirname "$0")/.." && pwd)"

run() {
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' RETURN
  export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_CACHE_HOME="$scratch/cache"
  export XDG_RUNTIME_DIR="$scratch/runtime" XDG_DOCUMENTS_DIR="$scratch/home/Documents"
  mkdir -p "$HOME/Documents" "$XDG_CONFIG_HOME/Lumora" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR" "$scratch/www"
  chmod 700 "$XDG_RUNTIME_DIR"
  unset QT_QPA_PLATFORM

  # A 1280x720 cam picture from a local server on 127.0.0.1.
  /usr/bin/convert -size 1280x720 gradient:navy-orange -quality 85 "$scratch/www/cam.jpg"
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
  python3 -m http.server "$port" --bind 127.0.0.1 --directory "$scratch/www" >/dev/null 2>&1 &
  server=$!
  printf '[General]\nURL=http://cams.bench/cam.jpg\nName=Bench\nRefID=1\nRefresh=60\nActive=1\nShowMessages=0\nStretch=1\n' \
    > "$XDG_CONFIG_HOME/Lumora/Lumora.conf"
  export LUMORA_CONNECT_TO="cams.bench:80:127.0.0.1:$port" LUMORA_DESKTOP=x11

  trayer --edge top --align right --widthtype pixel --width 100 --height 24 --SetDockType true >/dev/null 2>&1 &
  trayer=$!
  sleep 1

  measure() { # program, seconds to settle -> RSS in kB
    "$1" >/dev/null 2>&1 &
    local pid=$!
    sleep "$2"
    local rss
    rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    echo "$rss"
  }
  bare_kb=$(measure "$bare" 4)
  lumora_kb=$(measure "$lumora" 6)
  kill "$trayer" "$server" 2>/dev/null || true
  wait 2>/dev/null || true
  echo "bare Qt tray: ${bare_kb} kB resident"
  echo "lumora idle:  ${lumora_kb} kB resident"
  awk -v b="$bare_kb" -v l="$lumora_kb" 'BEGIN { printf "bench_app_memory ratio=%.2f goal=0.77\n", b / l }'
}

# The measurement runs on its own X server: the script starts itself again inside xvfb-run.
if [ "${1:-}" = "--inside-x" ]; then
  run
else
  BENCH_BUILD="$build" xvfb-run -a -s "-screen 0 1920x1080x24" "$0" --inside-x
fi
