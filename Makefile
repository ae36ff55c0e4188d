# Quillmore: two commands do all the set-up on a fresh Debian 12 machine.
#   make run    build, then start the desktop app
#   make test   build and run the whole test suite
# (make demo builds, then scans and gathers a small sample shoot with quillmore-cli.)
.PHONY: setup configure build run test check-format test-asan test-tsan demo screenshots release package bench bench-copy bench-gather bench-ocr fuzz crash-test clean

PRESET ?= debug

setup:
	@./scripts/setup

configure: setup
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET)

# The format of the changed files, the whole suite, then the unit tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer and the threaded suites under ThreadSanitizer
# (a build folder each), failing on any report.
test: check-format build
	@ctest --preset $(PRESET)
	@$(MAKE) --no-print-directory test-asan
	@$(MAKE) --no-print-directory test-tsan

# C++ files changed on this branch or not yet committed that clang-format would change.
check-format: setup
	@./scripts/check-format

test-asan: setup
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan
	@ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
		ctest --preset asan -L unit

# The suites labelled "threaded" (controller, quality checks, screenshot batch, thumbnails, safe
# copy); the build preset builds only those. Qt is not built with ThreadSanitizer: what its own
# code reads and writes is not checked (ignore_noninstrumented_modules), and tests/tsan.supp names
# the hand-overs inside Qt that the checker cannot see.
test-tsan: setup
	@cmake --preset tsan >/dev/null
	@cmake --build --preset tsan
	@TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1 \
		TSAN_OPTIONS="$$TSAN_OPTIONS:suppressions=$(CURDIR)/tests/tsan.supp" ctest --preset tsan

run: build
	@./build/$(PRESET)/src/app/quillmore

# Pictures of every stage for the README, taken under a virtual display.
screenshots: configure
	@./scripts/screenshots docs/screenshots

demo: build
	@./scripts/demo build/$(PRESET)/src/app/quillmore-cli

release:
	@$(MAKE) --no-print-directory build PRESET=release

# The Debian package, from the release build: build/release/package/quillmore_<version>_amd64.deb
package: release
	@cd build/release && cpack -G DEB -B package

# Benchmarks build in release mode; BENCH_DATA is where the generated trees are kept between runs.
BENCH_DATA ?= $(CURDIR)/bench-data
bench: release
	@./build/release/bench/bench-scan $(BENCH_DATA)
	@./build/release/bench/bench-quality $(BENCH_DATA)
	@./build/release/bench/bench-sheets 10000

# Each fuzz target runs for FUZZ_SECONDS on a copy of its corpus; a crash fails the run and leaves
# the input in build/fuzz/artifacts (add it to fuzz/corpus/<target> once fixed).
FUZZ_SECONDS ?= 60
fuzz:
	@./scripts/setup fuzz
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz
	@./scripts/fuzz build/fuzz $(FUZZ_SECONDS)

# Safe copy and hasher against cp, sync, dd and openssl (about 3 GiB of data in BENCH_DATA).
bench-copy: release
	@./build/release/bench/bench-copy $(BENCH_DATA)

# Screenshot reading on one core: 24 rendered file-list screenshots, against plain tesseract.
# Real ones: bench/ocr/capture-real-screenshots DIR (scripts/setup ocr-corpus first), then
# taskset -c 0 build/release/bench/bench-ocr --no-baseline DIR/*/*.png DIR/*/*.jpg
# With OCR_CORPUS=DIR (made by capture-real-screenshots), the real screenshots are read as well.
# Then a batch of 8 of the rendered screenshots (each view, theme, scale and format), read on two
# cores against one (bench/ocr/batch-ratio, which takes any screenshots).
bench-ocr: release
	@taskset -c 0 ./build/release/bench/bench-ocr --count 24 --corpus $(BENCH_DATA)/ocr
	@if [ -n "$(OCR_CORPUS)" ]; then taskset -c 0 ./build/release/bench/bench-ocr --no-baseline \
	  $(wildcard $(OCR_CORPUS)/*/*.png) $(wildcard $(OCR_CORPUS)/*/*.jpg); fi
	@./bench/ocr/batch-ratio --pairs 10 \
	  $$(ls $(BENCH_DATA)/ocr/shot-*.png $(BENCH_DATA)/ocr/shot-*.jpg | sort | awk '(NR - 1) % 3 == int((NR - 1) / 3) % 3')

# What the workflow controller adds to a whole gather (200,000-file tree, 1,000 verified copies).
bench-gather: release
	@./build/release/bench/bench-gather $(BENCH_DATA)

# 50 SIGKILLs at random moments of a verified gather of 300 files, each followed by a check of
# the destination, then a SIGINT.
crash-test: build
	@./scripts/crash-consistency build/$(PRESET)/src/app/quillmore-cli 50 300

clean:
	@rm -rf build
