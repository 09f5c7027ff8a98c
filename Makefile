# The two commands of a fresh machine: `make play` and `make test`. Build kinds are the CMake presets
# of CMakePresets.json (default, sanitize, package, release, windows, windows-release).
BUILD := build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# The presets build with Ninja; a folder configured for another generator is configured afresh.
same_generator = [ ! -f $(1)/CMakeCache.txt ] || grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$$' $(1)/CMakeCache.txt \
                 || rm -rf $(1)/CMakeCache.txt $(1)/CMakeFiles

.PHONY: deps configure build play test soak sanitize bench tour windows windows-test windows-bench \
        release check-reproducible clean

deps:
	bash scripts/install-deps.sh

configure: deps
	@$(call same_generator,$(BUILD))
	cmake --preset default

build: configure
	cmake --build --preset default -j$(JOBS)

play: build
	./$(BUILD)/src/vartolin

# Every suite headless; the soak runs a short round here.
test: build
	ctest --preset default -j$(JOBS)

# 100,000 random clicks through all eight levels.
soak: build
	ctest --preset soak

# Every suite and the soak again, built with the address, undefined-behaviour and leak sanitizers.
sanitize: deps
	@$(call same_generator,build-sanitize)
	cmake --preset sanitize
	cmake --build --preset sanitize -j$(JOBS)
	ctest --preset sanitize -j$(JOBS)

# Once on Qt's offscreen platform (no display server at all), once on a display: the user's, or a
# private X server when there is none. Fails when a figure misses its goal on either (bench's exit
# status 1), and also, told apart, when a figure's interval straddles its goal (2, uncertain).
bench: build
	status=0; \
	QT_QPA_PLATFORM=offscreen ./$(BUILD)/bench/bench || status=$$?; \
	bash scripts/on-display.sh ./$(BUILD)/bench/bench || { s=$$?; [ $$status -eq 1 ] || status=$$s; }; \
	[ $$status -ne 2 ] || echo "bench: uncertain, not missed: run it again on a quieter machine"; \
	exit $$status

tour: build
	cmake --build $(BUILD) --target run_tour

# Cross-built for Windows with MinGW-w64 against Qt built from Debian's Qt source (cached in
# ~/.cache/vartolin): build-windows/deploy/ and the packages build-windows/Vartolin-*-win64.exe,
# .zip and .msi.
windows:
	bash scripts/windows.sh

# Every suite, the game, the tour, the installer and the MSI, and a crash, as Windows programs under Wine.
windows-test: windows
	bash scripts/windows-test.sh

# The benchmark as a Windows program under Wine.
windows-bench: windows
	bash scripts/windows-bench.sh

# dist/: the .deb, the Windows installer, MSI and ZIP, the source tarball, the symbols archive and
# SHA256SUMS, built from the commit and checked (signed when VARTOLIN_SIGN_PKCS12 names a certificate).
release:
	bash scripts/release.sh

# Two releases of the commit in different folders, compared byte for byte; FULL=1 builds Qt for
# Windows again for the second.
check-reproducible:
	bash scripts/check-reproducible.sh $(if $(FULL),--full)

clean:
	rm -rf $(BUILD) build-sanitize build-pkg build-release build-windows dist
