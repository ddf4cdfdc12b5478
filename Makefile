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

bench: build
	cmake --build build -j $(JOBS) --target eval_bench >/dev/null
	@sh scripts/bench.sh ./build/tolvaren ./build/eval_bench

format:
	clang-format -i $$(find src tests devtools -name '*.cpp' -o -name '*.h' 2>/dev/null)

clean:
	rm -rf build build-check build-tsan
