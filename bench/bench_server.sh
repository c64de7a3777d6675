#!/usr/bin/env bash
# The catalogue reply of a 2,000-cam catalogue under wrk (32 connections), lumora-server against nginx
# serving the same bytes as a static file, in the same run on 127.0.0.1. Both get the same POST that
# Lumora sends. R = lumora-server's requests per second / nginx's; the p99 latencies are printed beside.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${BENCH_BUILD:-build/release}
SERVER="$BUILD/server/lumora-server"
DURATION=${BENCH_SECONDS:-10}
CONNECTIONS=32
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

"$SERVER" serve --db "$work/catalogue.db" --listen 127.0.0.1:0 --no-access-log \
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
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/logs/error.log;
$( [ "$(id -u)" = 0 ] && echo "user root;" )
events { worker_connections 1024; }
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

run_wrk() { # name port -> "rps p99ms"
  wrk -t2 -c$CONNECTIONS -d2s -s "$work/post.lua" "http://127.0.0.1:$2/lmr/camlist3.php" >/dev/null # warm-up
  wrk -t2 -c$CONNECTIONS -d${DURATION}s --latency -s "$work/post.lua" "http://127.0.0.1:$2/lmr/camlist3.php" \
    > "$work/$1.wrk"
  local rps p99
  rps=$(awk '/^Requests\/sec:/ {print $2}' "$work/$1.wrk")
  p99=$(awk '$1 == "99%" {v=$2; if (v ~ /us$/) {sub(/us$/,"",v); v/=1000} else if (v ~ /ms$/) {sub(/ms$/,"",v)} else if (v ~ /s$/) {sub(/s$/,"",v); v*=1000}; print v}' "$work/$1.wrk")
  local errors
  errors=$(grep -E "Non-2xx|Socket errors" "$work/$1.wrk" || true)
  [ -z "$errors" ] || echo "$1: $errors" >&2
  echo "$rps $p99"
}

read -r nginx_rps nginx_p99 < <(run_wrk nginx "$nginx_port")
read -r ours_rps ours_p99 < <(run_wrk lumora "$server_port")

echo "catalogue reply: $bytes bytes, 2000 cams, $CONNECTIONS connections, ${DURATION}s each"
printf 'nginx (static file): %10.0f requests/s  p99 %8.2f ms\n' "$nginx_rps" "$nginx_p99"
printf 'lumora-server:       %10.0f requests/s  p99 %8.2f ms\n' "$ours_rps" "$ours_p99"
awk -v o="$ours_p99" -v n="$nginx_p99" 'BEGIN { printf "p99 %s nginx'"'"'s\n", (o <= n ? "no worse than" : "worse than") }'
awk -v o="$ours_rps" -v n="$nginx_rps" 'BEGIN { printf "bench_server ratio=%.2f goal=0.8\n", o / n }'
