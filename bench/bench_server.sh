#!/usr/bin/env bash
# The catalogue reply of a 2,000-cam catalogue under wrk, at 32 and at 1,000 connections (BENCH_CONNECTIONS),
# lumora-server against nginx serving the same bytes as a static file, in the same run on 127.0.0.1. Both
# get the same POST that Lumora sends. R = lumora-server's requests per second / nginx's; the p99
# latencies, socket errors and timeouts (wrk's 10 s) are printed beside. The last line holds the smallest R.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BENCH_BUILD:-build/release}
SERVER="$BUILD/server/lumora-server"
DURATION=${BENCH_SECONDS:-5}
ROUNDS=${BENCH_ROUNDS:-3}
CONNECTION_COUNTS=${BENCH_CONNECTIONS:-32 1000}
# wrk, nginx and the server each hold one descriptor per connection.
ulimit -n "$(ulimit -Hn)"
[ -x "$SERVER" ] || { echo "no $SERVER: build the release preset first" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/lumora-bench-server.XXXXXX")
server_pid=""
nginx_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill -TERM "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null || true
  [ -n "$nginx_pid" ] && kill -QUIT "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null || true
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
"$SERVER" import-cams "$work/cams.txt" --db "$work/catalogue.db" >/dev/null

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

# BENCH_SERVER_OPTIONS adds options to serve, e.g. "--threads 4" to compare front settings.
# shellcheck disable=SC2086
"$SERVER" serve --db "$work/catalogue.db" --listen 127.0.0.1:0 --no-access-log ${BENCH_SERVER_OPTIONS:-} \
  > "$work/server.out" 2> "$work/server.err" &
server_pid=$!
for _ in $(seq 100); do grep -q "listening on" "$work/server.out" && break; sleep 0.1; done
server_port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/server.out")
[ -n "$server_port" ] || { echo "lumora-server did not start" >&2; cat "$work/server.err" >&2; exit 1; }

body='language=0&computer=GenuineIntel0000000000000000000000000000000000000000000000'
mkdir -p "$work/www/lmr"
curl -s -0 --data-binary "$body" "http://127.0.0.1:$server_port/lmr/camlist3.php" -o "$work/www/lmr/camlist3.php"
bytes=$(stat -c %s "$work/www/lmr/camlist3.php")
[ "$bytes" -gt 100000 ] || { echo "unexpected reply of $bytes bytes" >&2; exit 1; }

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

echo "catalogue reply: $bytes bytes, 2000 cams, $ROUNDS rounds of ${DURATION}s per server"
printf '%12s %14s %10s %7s %14s %10s %7s\n' connections "nginx req/s" "p99 ms" errors "lumora req/s" "p99 ms" errors
ratios=()
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
  echo "bench_server_c$connections ratio=$ratio goal=1.0"
  ratios+=("$ratio")
done
smallest=$(printf '%s\n' "${ratios[@]}" | sort -g | head -1)
echo "bench_server ratio=$smallest goal=1.0"
