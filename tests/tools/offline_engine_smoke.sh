#!/usr/bin/env bash
# The engine program as make demo uses it: it prints its port, serves a
# result page with a related-searches block, and ends cleanly on SIGTERM.
set -euo pipefail
engine=${1:?usage: offline_engine_smoke.sh PATH-TO-offline_engine}

exec {output}< <(exec "$engine" --port 0 --graph-size 100)
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
read -r -t 10 -u "$output" port
[[ "$port" =~ ^[0-9]+$ ]] || { echo "no port printed: '$port'"; exit 1; }

exec {connection}<>"/dev/tcp/127.0.0.1/$port"
printf 'GET /s?wd=abc HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' >&"$connection"
response=$(timeout 10 cat <&"$connection" | tr -d '\0')
exec {connection}<&-
[[ "$response" == "HTTP/1.0 200 OK"* ]] || { echo "unexpected response: ${response:0:200}"; exit 1; }
[[ "$response" == *'<div id="rs">'*'</a></td>'* ]] || { echo "no related-searches block"; exit 1; }

kill -TERM "$pid"
wait "$pid"
trap - EXIT
echo "engine on port $port served a result page and stopped"
