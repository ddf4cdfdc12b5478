# Thin wrapper around CMake: `make run`, `make test`, `make bench`.
JOBS   ?= $(shell nproc 2>/dev/null || echo 2)
ARCH   ?=
CMAKE_ARCH := $(if $(ARCH),-DTOLVAREN_ARCH=$(ARCH),)

.PHONY: all build check run test bench tsan format clean

all: build

build:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARCH) >/dev/null
	cmake --build build -j $(JOBS)

check:
	cmake -S . -B build-check -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVAREN_SANITIZE=ON >/dev/null
	cmake --build build-check -j $(JOBS)

run: build
	./build/tolvaren

test: build check
	cd build && ctest --output-on-failure -j $(JOBS)
	cd build-check && ctest --output-on-failure -j $(JOBS)

# ThreadSanitizer run of the search and protocol tests (threads, split points, stop and quit).
# The engine children of the process tests inherit TSAN_OPTIONS and fail on the first race.
TSAN_TESTS := ^(Search|ParallelSearch|SplitPoint|Helpers|Hashtabelle|MovePicker|History|Killers|Zeitkontrolle|Uci|Options|GoCommand|TextScan|XBoard)
tsan:
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVAREN_TSAN=ON >/dev/null
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1" \
		ctest --output-on-failure -j $(JOBS) -R '$(TSAN_TESTS)'

bench: build
	cmake --build build -j $(JOBS) --target eval_bench bitbase_bench >/dev/null
	@sh scripts/bench.sh ./build/tolvaren ./build/eval_bench ./build/bitbase_bench

format:
	clang-format -i $$(find src tests devtools -name '*.cpp' -o -name '*.h' 2>/dev/null)

clean:
	rm -rf build build-check build-tsan
