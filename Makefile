# Two commands do everything on a fresh Debian 12 machine: `make run` and
# `make test`. The other targets are for developers.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=

.PHONY: run test check deps build build-asan build-tsan test-asan test-tsan build-fuzz fuzz demo bench format clean
FUZZ_SECONDS ?= 60

deps:
	@scripts/install-deps.sh

build: deps
	@cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) >/dev/null
	@cmake --build build -j $(JOBS)

build-asan: deps
	@cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKW_SANITIZER=address $(CMAKE_FLAGS) >/dev/null
	@cmake --build build-asan -j $(JOBS)

build-tsan: deps
	@cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKW_SANITIZER=thread $(CMAKE_FLAGS) >/dev/null
	@cmake --build build-tsan -j $(JOBS)

run: build
	@scripts/run-program.sh build/kwtool

# The whole suite: the plain build, then the same tests under ASan+UBSan,
# then the core tests and the threaded program tests under TSan.
test: check test-asan test-tsan

check: build
	@cd build && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	@cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --output-on-failure -j $(JOBS) -LE no-asan

test-tsan: build-tsan
	@cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/tsan.supp" \
		ctest --output-on-failure -j $(JOBS) -L 'core|threads'

build-fuzz: deps
	@cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
		-DKW_FUZZ=ON -DKW_BUILD_GUI=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build build-fuzz -j $(JOBS)

# Each fuzz target for FUZZ_SECONDS (60 by default).
fuzz: build-fuzz
	@scripts/run-fuzzers.sh $(FUZZ_SECONDS)

# The program against the offline search engine on this machine (build-demo).
demo: deps
	@JOBS=$(JOBS) scripts/demo.sh

# The benchmark in a Release build of its own (build-bench): the mining run
# and the filter pass against the offline engine on loopback, each measured
# three times in a process of its own; the medians come last. A few minutes.
bench: deps
	@cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS) >/dev/null
	@cmake --build build-bench -j $(JOBS) --target kw_bench
	@build-bench/bench/kw_bench

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build build-asan build-tsan build-fuzz build-demo build-bench
