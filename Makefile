# Thin wrapper around CMake: `make run`, `make test`, `make bench`.
JOBS   ?= $(shell nproc 2>/dev/null || echo 2)
ARCH   ?=
CMAKE_ARCH := $(if $(ARCH),-DTOLVAREN_ARCH=$(ARCH),)

.PHONY: all engine build check run test setup layers bench tsan format clean install book
PREFIX ?= /usr/local
DESTDIR ?=

all: build

# The engine alone: a compiler and CMake suffice.
engine:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARCH) >/dev/null
	cmake --build build -j $(JOBS) --target tolvaren

run: engine
	./build/tolvaren

setup:
	@bash scripts/setup.sh

build: setup
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTOLVAREN_TESTS=ON $(CMAKE_ARCH) >/dev/null
	cmake --build build -j $(JOBS)

check: setup
	cmake -S . -B build-check -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVAREN_SANITIZE=ON -DTOLVAREN_TESTS=ON >/dev/null
	cmake --build build-check -j $(JOBS)

layers:
	@bash scripts/check_layers.sh

# Both test suites, the include layers, and the bench signature of the optimised
# build against the sanitizer build.
test: layers build check
	cd build && ctest --output-on-failure -j $(JOBS)
	cd build-check && ctest --output-on-failure -j $(JOBS)
	@bash scripts/bench_compare.sh ./build/tolvaren ./build-check/tolvaren

# ThreadSanitizer run of the search and protocol tests (threads, split points, stop and quit).
# The engine children of the process tests inherit TSAN_OPTIONS and fail on the first race.
TSAN_TESTS := ^(Search|Book|Buch|Zufall|ParallelSearch|SplitPoint|Helpers|Hashtabelle|MovePicker|History|Killers|Zeitkontrolle|Uci|Options|GoCommand|TextScan|Xboard|XBoard)
tsan: setup
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVAREN_TSAN=ON -DTOLVAREN_TESTS=ON >/dev/null
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1" \
		ctest --output-on-failure -j $(JOBS) -R '$(TSAN_TESTS)'

bench: engine
	cmake --build build -j $(JOBS) --target eval_bench bitbase_bench book_bench >/dev/null
	@sh scripts/bench.sh ./build/tolvaren ./build/eval_bench ./build/bitbase_bench ./build/book_bench

# The engine, its book, generated bitbases and the manual page under $(DESTDIR)$(PREFIX).
install:
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=$(PREFIX) $(CMAKE_ARCH) >/dev/null
	cmake --build build -j $(JOBS) --target tolvaren
	DESTDIR=$(DESTDIR) cmake --install build

# Rebuilds book/Tolvaren.opn from Debian's scid-data ECO file (see the README).
book: engine
	bash scripts/make_book.sh build/tolvaren

format:
	clang-format -i $$(find src tests devtools -name '*.cpp' -o -name '*.h' 2>/dev/null)

clean:
	rm -rf build build-check build-tsan
