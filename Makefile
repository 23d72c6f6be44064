# Quillon: the two commands for a fresh Debian machine are `make run` and `make test`.
BUILD      ?= build
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# A compiler cache, where one is installed, makes rebuilds in several checkouts cheap.
ifneq ($(shell command -v ccache 2>/dev/null),)
CMAKE_ARGS += -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
endif

.PHONY: all deps test-deps configure build build-tests run test bench fuzz install package clean

all: build

# What the program needs; test-deps adds GoogleTest, clang, the reference
# tools and the second sound server of the tests.
deps:
	@bash scripts/install-deps.sh

test-deps:
	@bash scripts/install-deps.sh --tests

# The tests and benchmarks are built where GoogleTest is installed.
configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

build-tests: test-deps
	@cmake -S . -B $(BUILD) $(CMAKE_ARGS) -DQUILLON_TESTS=ON -DQUILLON_BENCH=ON >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

# libFuzzer targets need clang; they live in their own build tree.
fuzz: test-deps
	@cmake -S fuzz -B $(BUILD)/fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
	@cmake --build $(BUILD)/fuzz -j$(JOBS)

test: build-tests fuzz
	@bash scripts/run-tests.sh $(BUILD)

run: build
	@bash scripts/run-quillon.sh $(BUILD)

bench: build-tests
	@bash scripts/run-bench.sh $(BUILD)

# `make install PREFIX=/usr DESTDIR=/tmp/stage`: the prefix defaults to /usr/local.
PREFIX ?= /usr/local
install: build
	@DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, build/quillon_<version>_<arch>.deb.
package: test-deps build
	@cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD)
