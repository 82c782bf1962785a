#!/usr/bin/env bash
# make demo: the program pointed at the offline search engine on this
# machine, so that a full mining run can be watched without a network.
# Builds into build-demo with the engine's address compiled in, starts the
# engine on a fixed local port, runs kwtool, and stops the engine when the
# program exits. With --engine-only it only builds and runs the engine.
set -euo pipefail
cd "$(dirname "$0")/.."

port=${KW_DEMO_PORT:-47810}
jobs=${JOBS:-$(nproc)}
build=build-demo
engine_only=false
[ "${1:-}" = "--engine-only" ] && engine_only=true

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DSEARCH_URL_PREFIX=http://127.0.0.1:$port/s?wd=" >/dev/null
cmake --build "$build" -j "$jobs" --target offline_engine
if ! $engine_only && ! cmake --build "$build" -j "$jobs" --target kwtool; then
    echo "kwtool could not be built in $build; 'scripts/demo.sh --engine-only' runs the engine alone." >&2
    exit 1
fi

exec {engine_output}< <(exec "$build/tools/offline_engine/offline_engine" --port "$port")
engine_pid=$!
stop_engine() {
    kill "$engine_pid" 2>/dev/null || true
    wait "$engine_pid" 2>/dev/null || true
}
trap stop_engine EXIT
trap 'exit 130' INT TERM HUP
if ! read -r -t 10 -u "$engine_output" bound_port || [ "$bound_port" != "$port" ]; then
    echo "The offline engine did not start on port $port (is the port in use? KW_DEMO_PORT picks another)." >&2
    exit 1
fi

if $engine_only; then
    echo "Offline engine at http://127.0.0.1:$port/s?wd= ; Ctrl-C stops it." >&2
    wait "$engine_pid" || true
else
    echo "Offline engine at http://127.0.0.1:$port/s?wd= ; type a seed such as 手机 and press 开始挖掘." >&2
    scripts/run-program.sh "$build/kwtool"
fi
