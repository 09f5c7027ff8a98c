# The two commands of a fresh machine: `make play` and `make test`.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: deps configure build play test soak sanitize bench tour windows windows-test clean

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

play: build
	./$(BUILD)/src/vartolin

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS) -LE soak

# 100,000 random clicks through all eight levels.
soak: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -L soak

# Every suite and the soak again, built with the address, undefined-behaviour and leak sanitizers.
sanitize: deps
	cmake -S . -B $(BUILD)-sanitize -DCMAKE_BUILD_TYPE=Debug -DVARTOLIN_SANITIZE=ON
	cmake --build $(BUILD)-sanitize -j$(JOBS)
	cd $(BUILD)-sanitize && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j$(JOBS)

# Once on Qt's offscreen platform (no display server at all), once on a display: the user's, or a
# private X server when there is none. Fails when a figure misses its goal on either.
bench: build
	status=0; \
	QT_QPA_PLATFORM=offscreen ./$(BUILD)/bench/bench || status=1; \
	bash scripts/on-display.sh ./$(BUILD)/bench/bench || status=1; \
	exit $$status

tour: build
	cmake --build $(BUILD) --target run_tour

# Cross-built for Windows with MinGW-w64 against Qt built from Debian's Qt source (cached in
# ~/.cache/vartolin): build-windows/deploy/ and the installer build-windows/Vartolin-*-win64.exe.
windows:
	bash scripts/windows.sh

# Every suite, the game, the tour and the installer as Windows programs under Wine.
windows-test: windows
	bash scripts/windows-test.sh

clean:
	rm -rf $(BUILD) build-windows
