# Halvane's entry points. On a fresh Debian 12 machine, as root:
#   make run    play the show (or, with no display, render it to video)
#   make test   build everything and run every test
#   make web    the show for a browser (build/web, build/halvane-web.zip);
#               make run-web serves it on localhost
# (./halvane run and ./halvane test do the same where make is missing.)
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
# The sanitizer build (ASan + UBSan), the ThreadSanitizer build of the
# sound library's tests and the fuzz build (clang's libFuzzer), beside the
# normal one; make fuzz runs each fuzz target for FUZZ_SECONDS.
SANITIZE_DIR ?= $(BUILD_DIR)-asan
TSAN_DIR ?= $(BUILD_DIR)-tsan
FUZZ_DIR ?= $(BUILD_DIR)-fuzz
FUZZ_SECONDS ?= 600

.PHONY: all deps configure build test run windows web run-web clean run-deps configure-run run-windows deb sheet sanitize tsan fuzz-build fuzz

all: build

# Installs what is missing from Debian's packages.
deps:
	scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build sanitize tsan fuzz-build
	SANITIZE_DIR=$(SANITIZE_DIR) TSAN_DIR=$(TSAN_DIR) FUZZ_DIR=$(FUZZ_DIR) scripts/run-tests $(BUILD_DIR)

# A debug build (asserts on, -O1 -g); clang builds it in half the time gcc
# takes.
sanitize: configure
	cmake -S . -B $(SANITIZE_DIR) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
	  -DCMAKE_CXX_COMPILER=clang++ -DHALVANE_SANITIZE=ON
	cmake --build $(SANITIZE_DIR) -j $(JOBS)

# Only the sound library's tests: its threads under ThreadSanitizer.
tsan: configure
	cmake -S . -B $(TSAN_DIR) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
	  -DCMAKE_CXX_COMPILER=clang++ -DHALVANE_TSAN=ON
	cmake --build $(TSAN_DIR) -j $(JOBS) --target soundlib_tests

# Seeded from the normal build's generated content.
fuzz-build: build
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
	  -DCMAKE_CXX_COMPILER=clang++ -DHALVANE_FUZZ=ON -DHALVANE_FUZZ_DATA=$(abspath $(BUILD_DIR))/data
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz

# e.g. make fuzz FUZZ_SECONDS=60
fuzz: fuzz-build
	scripts/run-fuzz --seconds $(FUZZ_SECONDS) $(FUZZ_DIR)

# Installs and configures only what building and playing the show needs;
# scripts/run-show then builds just what it runs.
run-deps:
	scripts/install-deps run

configure-run: run-deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

# In a display the native Linux player; without one the video and the
# contact sheet.
run: configure-run
	JOBS=$(JOBS) scripts/run-show $(BUILD_DIR)

# The Windows program under Wine, in the current display.
run-windows: configure
	JOBS=$(JOBS) scripts/run-show --windows $(BUILD_DIR)

# The Debian package of the native player: build/halvane_*.deb (make test
# builds it too and checks it with lintian).
deb: configure-run
	cmake --build $(BUILD_DIR) -j $(JOBS) --target halvane halvane_content halvane_package_files
	cd $(BUILD_DIR) && cpack -G DEB

# The README's picture: a small contact sheet of the show, docs/halvane-sheet.png.
sheet: configure-run
	JOBS=$(JOBS) scripts/render-sheet $(BUILD_DIR)

# Cross-builds the Windows program (x86_64 and i686) and packages
# build/halvane-win64.zip.
windows: build
	scripts/build-windows $(BUILD_DIR)

# The show for a browser: build/web/ and build/halvane-web.zip (Emscripten).
web: configure
	JOBS=$(JOBS) scripts/build-web $(BUILD_DIR)

# Serves build/web on localhost and prints the address to open.
run-web: web
	scripts/serve-web $(BUILD_DIR)/web

clean:
	rm -rf $(BUILD_DIR) build-*
