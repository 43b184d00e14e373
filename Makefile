# Halvane's entry points. On a fresh Debian 12 machine, as root:
#   make run    play the show (or, with no display, render it to video)
#   make test   build everything and run every test
BUILD_DIR ?= build
JOBS ?= $(shell nproc)

.PHONY: all deps configure build test run windows clean

all: build

# Installs what is missing from Debian's packages.
deps:
	scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	scripts/run-tests $(BUILD_DIR)

run: build
	scripts/run-show $(BUILD_DIR)

# Cross-builds the Windows program (x86_64 and i686) and packages
# build/halvane-win64.zip.
windows: build
	scripts/build-windows $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) build-*
