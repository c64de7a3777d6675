#!/usr/bin/env bash
# Resident memory of lumora idle in the tray after start-up (the demo catalogue loaded, its cam's
# picture installed on the root window), next to a bare Qt tray program, both on the same Xvfb with
# the same tray host. Measured with messages off (the browser engine must not be mapped), and once
# more after the demo's welcome message has been shown and closed with OK (reported, not rated).
# Each run also tells whether libcurl is mapped in the program (it must not be: transfers run in
# lumora-fetch). Prints: bench_app_memory ratio=R goal=0.85, with R = bare tray RSS / lumora RSS (messages off).
set -euo pipefail
build="${BENCH_BUILD:-build/release}"
lumora="$build/src/lumora"
bare="$build/bench/bench_bare_tray"
server_bin="$build/server/lumora-server"
[ -x "$lumora" ] && [ -x "$bare" ] && [ -x "$server_bin" ] || { echo "build the release preset first" >&2; exit 1; }
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
  # The demo catalogue, with a welcome message for every shipped language.
  "$server_bin" serve --demo --db "$scratch/catalogue.db" --listen 127.0.0.1:0 --no-access-log \
    >"$scratch/catalogue.out" 2>/dev/null &
  catalogue=$!
  for _ in $(seq 100); do grep -q listening "$scratch/catalogue.out" && break; sleep 0.1; done
  catalogue_port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$scratch/catalogue.out")
  settings() { # ShowMessages value
    printf '[General]\nURL=http://cams.bench/cam.jpg\nName=Bench\nRefID=1\nRefresh=60\nActive=1\nShowMessages=%s\nStretch=1\n' \
      "$1" > "$XDG_CONFIG_HOME/Lumora/Lumora.conf"
  }
  export LUMORA_CONNECT_TO="cams.bench:80:127.0.0.1:$port,localhost:80:127.0.0.1:$catalogue_port" LUMORA_DESKTOP=x11

  trayer --edge top --align right --widthtype pixel --width 100 --height 24 --SetDockType true >/dev/null 2>&1 &
  trayer=$!
  sleep 1

  # Closes the messages window with OK, once it is shown.
  close_message() {
    local window
    window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Lumora - News$' | head -1) || return 1
    sleep 3 # the page settles
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool mousemove $((X + 306 + 57)) $((Y + 371 + 13)) click 1
  }
  measure() { # program, seconds to settle, [step before settling] -> "RSS-in-kB engine-(un)mapped,libcurl-(un)mapped"
    "$1" >/dev/null 2>&1 &
    local pid=$!
    [ -z "${3:-}" ] || "$3" || echo "no message window" >&2
    sleep "$2"
    local rss
    rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
    local engine=engine-unmapped
    grep -q libQt6WebEngineCore "/proc/$pid/maps" && engine=engine-mapped
    # Transfers run in a child process: the tray program never maps the HTTP library.
    local http=libcurl-unmapped
    grep -q libcurl "/proc/$pid/maps" && http=libcurl-mapped
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    echo "$rss $engine,$http"
  }
  read -r bare_kb _ < <(measure "$bare" 4)
  settings 0
  read -r lumora_kb engine_off < <(measure "$lumora" 6)
  settings 1
  read -r message_kb engine_on < <(measure "$lumora" 6 close_message)
  kill "$trayer" "$server" "$catalogue" 2>/dev/null || true
  wait 2>/dev/null || true
  echo "bare Qt tray: ${bare_kb} kB resident"
  echo "lumora idle:  ${lumora_kb} kB resident (messages off; ${engine_off})"
  echo "lumora idle after one message shown and closed: ${message_kb} kB resident (${engine_on})"
  awk -v b="$bare_kb" -v l="$lumora_kb" 'BEGIN { printf "bench_app_memory ratio=%.2f goal=0.85\n", b / l }'
}

# The measurement runs on its own X server: the script starts itself again inside xvfb-run.
if [ "${1:-}" = "--inside-x" ]; then
  run
else
  BENCH_BUILD="$build" xvfb-run -a -s "-screen 0 1920x1080x24" "$0" --inside-x
fi
