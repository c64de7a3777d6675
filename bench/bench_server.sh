#!/usr/bin/env bash
# The catalogue reply of a 2,000-cam catalogue under wrk, at 32 and at 1,000 connections (BENCH_CONNECTIONS),
# lumora-server against nginx serving the same bytes as a static file, in the same run on 127.0.0.1. Both
# get the same POST that Lumora sends. R = lumora-server's requests per second / nginx's; the p99
# latencies, socket errors and timeouts (wrk's 10 s) are printed beside. The same runs again with the
# catalogue in a private PostgreSQL cluster (BENCH_STORES="sqlite postgresql"), which also prints how long
# a change takes to show in a second server's reply. The last line holds the smallest R.
# Meanwhile every server checks its cams, all of them alive on a local play server
# (bench/cam_play_server.py), every BENCH_CHECK_INTERVAL (default 10s: 200 checks a second; 0 turns the
# checker off, for the figures without it).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BENCH_BUILD:-build/release}
SERVER="$BUILD/server/lumora-server"
DURATION=${BENCH_SECONDS:-5}
ROUNDS=${BENCH_ROUNDS:-3}
CONNECTION_COUNTS=${BENCH_CONNECTIONS:-32 1000}
STORES=${BENCH_STORES:-sqlite postgresql}
CHECK_INTERVAL=${BENCH_CHECK_INTERVAL:-10s}
# wrk, nginx and the server each hold one descriptor per connection.
ulimit -n "$(ulimit -Hn)"
[ -x "$SERVER" ] || { echo "no $SERVER: build the release preset first" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/lumora-bench-server.XXXXXX")
server_pids=()
nginx_pid=""
play_pid=""
pg_bin=""
as_cluster_user=()
cleanup() {
  for pid in "${server_pids[@]}"; do kill -TERM "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true; done
  [ -n "$nginx_pid" ] && kill -QUIT "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null || true
  [ -n "$play_pid" ] && kill "$play_pid" 2>/dev/null && wait "$play_pid" 2>/dev/null || true
  [ -n "$pg_bin" ] && "${as_cluster_user[@]}" "$pg_bin/pg_ctl" -D "$work/pg/data" -m immediate -w stop >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"

# 2,000 cams over 20 categories and 40 countries.
awk 'BEGIN {
  for (i = 1; i <= 2000; i++) {
    printf "object=cam\r\nrefid=%d\r\nurl=http://cams%d.example/live/picture%d.jpg?size=large&t=1\r\n", i, i % 97, i
    printf "name=Bench Cam %d\r\ndescription=A view of place number %d, refreshed every minute\r\n", i, i
    printf "refresh=60\r\ncategory=Category %d\r\nwebpage=http://cams%d.example/\r\ncountry=Country %d\r\nend\r\n", i % 20, i % 97, i % 40
  }
}' > "$work/cams.txt"
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
body='language=0&computer=GenuineIntel0000000000000000000000000000000000000000000000'

# A private PostgreSQL cluster in the work folder, on 127.0.0.1; as root it runs as nobody, as
# PostgreSQL refuses to run as root.
start_cluster() {
  pg_bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
  [ -x "$pg_bin/initdb" ] || { echo "PostgreSQL is not installed: run scripts/setup" >&2; exit 1; }
  mkdir -p "$work/pg"
  if [ "$(id -u)" = 0 ]; then
    chown nobody:nogroup "$work/pg"
    as_cluster_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
  fi
  "${as_cluster_user[@]}" "$pg_bin/initdb" -D "$work/pg/data" -U lumora -A trust -E UTF8 --locale=C >/dev/null
  pg_port=$(free_port)
  "${as_cluster_user[@]}" "$pg_bin/pg_ctl" -D "$work/pg/data" -l "$work/pg/log" -w \
    -o "-c listen_addresses=127.0.0.1 -p $pg_port -c unix_socket_directories=$work/pg" start >/dev/null
}

# The cams' pictures, for the servers' checkers: every host name leads to the play server.
{ printf 'P6\n64 48\n255\n'; head -c $((64 * 48 * 3)) /dev/urandom; } > "$work/picture.ppm"
cjpeg -quality 80 "$work/picture.ppm" > "$work/picture.jpg"
python3 bench/cam_play_server.py "$work/picture.jpg" > "$work/play.port" &
play_pid=$!
for _ in $(seq 50); do [ -s "$work/play.port" ] && break; sleep 0.1; done
[ -s "$work/play.port" ] || { echo "the play server did not start" >&2; exit 1; }
export LUMORA_CONNECT_TO="::127.0.0.1:$(head -1 "$work/play.port")"

start_server() { # database name -> $started_port; the server's output goes to $work/NAME.out and .err
  # BENCH_SERVER_OPTIONS adds options to serve, e.g. "--threads 4" to compare front settings.
  # shellcheck disable=SC2086
  # wrk's connections all come from 127.0.0.1 and stand for as many clients: no limit per client.
  "$SERVER" serve --db "$1" --listen 127.0.0.1:0 --no-access-log --check-interval "$CHECK_INTERVAL" \
    --connections-per-client 0 \
    ${BENCH_SERVER_OPTIONS:-} \
    > "$work/$2.out" 2> "$work/$2.err" &
  server_pids+=($!)
  for _ in $(seq 100); do grep -qs "listening on" "$work/$2.out" && break; sleep 0.1; done
  started_port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/$2.out")
  [ -n "$started_port" ] || { echo "lumora-server did not start" >&2; cat "$work/$2.err" >&2; exit 1; }
}

declare -A server_ports
for store in $STORES; do
  if [ "$store" = postgresql ]; then
    start_cluster
    db="postgresql://lumora@127.0.0.1:$pg_port/postgres"
  else
    db="$work/catalogue.db"
  fi
  "$SERVER" import-cams "$work/cams.txt" --db "$db" >/dev/null
  start_server "$db" "$store"
  server_ports[$store]=$started_port
done

mkdir -p "$work/www/lmr"
first_store=${STORES%% *}
curl -s -0 --data-binary "$body" "http://127.0.0.1:${server_ports[$first_store]}/lmr/camlist3.php" -o "$work/www/lmr/camlist3.php"
bytes=$(stat -c %s "$work/www/lmr/camlist3.php")
[ "$bytes" -gt 100000 ] || { echo "unexpected reply of $bytes bytes" >&2; exit 1; }
for store in $STORES; do
  cmp -s <(curl -s -0 --data-binary "$body" "http://127.0.0.1:${server_ports[$store]}/lmr/camlist3.php") "$work/www/lmr/camlist3.php" \
    || { echo "the $store store gives another reply" >&2; exit 1; }
done

nginx_port=$(free_port)
mkdir -p "$work/nginx/logs"
cat > "$work/nginx/nginx.conf" <<CONF
worker_processes auto;
worker_rlimit_nofile 8192;
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/logs/error.log;
$( [ "$(id -u)" = 0 ] && echo "user root;" )
events { worker_connections 4096; }
http {
  access_log off;
  sendfile on;
  tcp_nopush on;
  keepalive_requests 100;
  client_body_temp_path $work/nginx/body;
  default_type text/plain;
  server {
    listen 127.0.0.1:$nginx_port;
    root $work/www;
    # Static files refuse POST: answer it with the file, as the catalogue server does.
    error_page 405 =200 \$uri;
  }
}
CONF
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" &
nginx_pid=$!
for _ in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$nginx_port/lmr/camlist3.php" && break; sleep 0.1; done
cmp -s <(curl -s --data-binary "$body" "http://127.0.0.1:$nginx_port/lmr/camlist3.php") "$work/www/lmr/camlist3.php" \
  || { echo "nginx does not serve the same bytes" >&2; exit 1; }

cat > "$work/post.lua" <<LUA
wrk.method = "POST"
wrk.body = "$body"
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
wrk.headers["User-Agent"] = "LMR"
LUA

run_wrk() { # name port connections -> "rps p99ms errors"
  wrk -t2 -c"$3" -d2s -s "$work/post.lua" "http://127.0.0.1:$2/lmr/camlist3.php" >/dev/null # warm-up
  wrk -t2 -c"$3" -d${DURATION}s --timeout 10s --latency -s "$work/post.lua" \
    "http://127.0.0.1:$2/lmr/camlist3.php" > "$work/$1.wrk"
  local rps p99 errors
  rps=$(awk '/^Requests\/sec:/ {print $2}' "$work/$1.wrk")
  p99=$(awk '$1 == "99%" {v=$2; if (v ~ /us$/) {sub(/us$/,"",v); v/=1000} else if (v ~ /ms$/) {sub(/ms$/,"",v)} else if (v ~ /s$/) {sub(/s$/,"",v); v*=1000}; print v}' "$work/$1.wrk")
  # "Socket errors: connect 0, read 0, write 0, timeout 0" and "Non-2xx or 3xx responses: N" when any.
  errors=$(awk '/Socket errors/ {s += $4 + $6 + $8 + $10} /Non-2xx/ {s += $NF} END {print s + 0}' "$work/$1.wrk")
  echo "$rps $p99 $errors"
}

# Other work on the machine comes and goes: the two servers take turns, several rounds each, and the
# figures are the mean requests per second and the median p99 over the rounds.
summary() { # file of "rps p99 errors" lines -> "mean-rps median-p99 total-errors"
  sort -k2,2g "$1" | awk '{rps += $1; p99[NR] = $2; errors += $3}
    END {printf "%.0f %.2f %d\n", rps / NR, (NR % 2 ? p99[(NR + 1) / 2] : (p99[NR / 2] + p99[NR / 2 + 1]) / 2), errors}'
}

# How long an administrator's change takes to show in the reply of a second server on the same
# PostgreSQL database: from the start of import-cams until the second server's reply holds the cam.
change_reach() {
  local second db="postgresql://lumora@127.0.0.1:$pg_port/postgres"
  start_server "$db" postgresql-second
  second=$started_port
  local times=()
  for i in 1 2 3 4 5; do
    curl -s -o /dev/null -0 --data-binary "$body" "http://127.0.0.1:$second/lmr/camlist3.php"
    printf 'object=cam\r\nurl=http://late.example/%d.jpg\r\nname=Late %d\r\nend\r\n' "$i" "$i" > "$work/late.txt"
    local start now
    start=$(date +%s%N)
    "$SERVER" import-cams "$work/late.txt" --db "$db" >/dev/null
    until curl -s -0 --data-binary "$body" "http://127.0.0.1:$second/lmr/camlist3.php" | grep -q "name=Late $i"; do
      now=$(date +%s%N)
      [ $(((now - start) / 1000000)) -lt 10000 ] || { echo "the change did not reach the second server" >&2; exit 1; }
    done
    now=$(date +%s%N)
    times+=($(((now - start) / 1000000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{t[NR] = $1} END {printf "change visible on a second server after %d ms (median of %d; slowest %d ms; goal 1000 ms)\n", t[int((NR + 1) / 2)], NR, t[NR]}'
}

echo "catalogue reply: $bytes bytes, 2000 cams, $ROUNDS rounds of ${DURATION}s per server, cams checked every $CHECK_INTERVAL"
ratios=()
for store in $STORES; do
  server_port=${server_ports[$store]}
  if [ "$store" = sqlite ]; then suffix=""; else suffix="_$store"; fi
  echo "store: $store"
  printf '%12s %14s %10s %7s %14s %10s %7s\n' connections "nginx req/s" "p99 ms" errors "lumora req/s" "p99 ms" errors
  for connections in $CONNECTION_COUNTS; do
    : > "$work/nginx.rounds"
    : > "$work/lumora.rounds"
    for round in $(seq "$ROUNDS"); do
      if [ $((round % 2)) = 1 ]; then order="nginx lumora"; else order="lumora nginx"; fi
      for name in $order; do
        if [ "$name" = nginx ]; then port=$nginx_port; else port=$server_port; fi
        run_wrk "$name" "$port" "$connections" >> "$work/$name.rounds"
        [ "$name" = nginx ] || ! grep -qE "Non-2xx|Socket errors" "$work/lumora.wrk" ||
          { echo "lumora-server at $connections connections:"; grep -E "Socket errors|Non-2xx" "$work/lumora.wrk"; }
      done
    done
    read -r nginx_rps nginx_p99 nginx_errors < <(summary "$work/nginx.rounds")
    read -r ours_rps ours_p99 ours_errors < <(summary "$work/lumora.rounds")
    printf '%12s %14.0f %10.2f %7s %14.0f %10.2f %7s\n' "$connections" "$nginx_rps" "$nginx_p99" "$nginx_errors" \
      "$ours_rps" "$ours_p99" "$ours_errors"
    awk -v c="$connections" -v o="$ours_p99" -v n="$nginx_p99" \
      'BEGIN { printf "p99 at %s connections %s nginx'"'"'s\n", c, (o <= n ? "no worse than" : "worse than") }'
    ratio=$(awk -v o="$ours_rps" -v n="$nginx_rps" 'BEGIN { printf "%.2f", o / n }')
    echo "bench_server${suffix}_c$connections ratio=$ratio goal=1.0"
    ratios+=("$ratio")
  done
  [ "$store" != postgresql ] || change_reach
done
smallest=$(printf '%s\n' "${ratios[@]}" | sort -g | head -1)
echo "bench_server ratio=$smallest goal=1.0"
