# Quillon: the two commands for a fresh Debian machine are `make run` and `make test`.
BUILD      ?= build
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# A compiler cache, where one is installed, makes rebuilds in several checkouts cheap.
ifneq ($(shell command -v ccache 2>/dev/null),)
CMAKE_ARGS += -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
endif

.PHONY: all deps configure build run test bench fuzz install package clean

all: build

deps:
	@bash scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

# libFuzzer targets need clang; they live in their own build tree.
fuzz: deps
	@cmake -S fuzz -B $(BUILD)/fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(BUILD)/fuzz -j$(JOBS)

test: build fuzz
	@bash scripts/run-tests.sh $(BUILD)

run: build
	@bash scripts/run-quillon.sh $(BUILD)

bench: build
	@bash scripts/run-bench.sh $(BUILD)

# `make install PREFIX=/usr DESTDIR=/tmp/stage`: the prefix defaults to /usr/local.
PREFIX ?= /usr/local
install: build
	@DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, build/quillon_<version>_<arch>.deb.
package: build
	@cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD)
