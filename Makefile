# Quillmore: two commands do all the set-up on a fresh Debian 12 machine.
#   make demo   build, then scan a small sample shoot made in a temporary folder
#   make test   build and run the whole test suite
.PHONY: setup configure build test demo release bench bench-copy clean

PRESET ?= debug

setup:
	@./scripts/setup

configure: setup
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET)

test: build
	@ctest --preset $(PRESET)

demo: build
	@./scripts/demo build/$(PRESET)/src/app/quillmore-cli

release:
	@$(MAKE) --no-print-directory build PRESET=release

# Benchmarks build in release mode; BENCH_DATA is where the generated trees are kept between runs.
BENCH_DATA ?= $(CURDIR)/bench-data
bench: release
	@./build/release/bench/bench-scan $(BENCH_DATA)

# Safe copy and hasher against cp, sync, dd and openssl (about 3 GiB of data in BENCH_DATA).
bench-copy: release
	@./build/release/bench/bench-copy $(BENCH_DATA)

clean:
	@rm -rf build
