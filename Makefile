# The two commands of the README: `make run` and `make test`.
JOBS ?= $(shell nproc)
RELEASE_DIR := build/release
TEST_DIR := build/test
TSAN_DIR := build/tsan
FUZZ_DIR := build/fuzz
# The fuzz target `make test` builds with clang and runs for a moment: it
# takes in the runtime, the platform layer and the whole imaging stack.
FUZZ_SMOKE := bmp_fuzz
# The tests of threads, the queue and the platform's cross-thread calls, run
# under ThreadSanitizer by `make test` as well.
THREAD_TESTS := ^(TThread|SyncObjs|QueueTest|ThreadQueueTest|GdiObjects|DebugOutput|IOThreadTest|ThumbLoaderTest)\.

.PHONY: deps build run test test-threads test-tsan test-fuzz bench clean

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DNOBRIVO_TESTS=OFF >/dev/null
	@cmake --build $(RELEASE_DIR) -j $(JOBS)

run: build
	@if [ -x $(RELEASE_DIR)/app/nobrivo ]; then $(RELEASE_DIR)/app/nobrivo; \
	 else echo "nobrivo: the viewer is not built yet (app/ is still to come)"; fi

test: deps
	@cmake -S . -B $(TEST_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNOBRIVO_SANITIZE=ON >/dev/null
	@cmake --build $(TEST_DIR) -j $(JOBS)
	@cd $(TEST_DIR) && ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory test-threads
	@$(MAKE) --no-print-directory test-fuzz

# Only the runtime's and the platform's test programs, the imaging
# component's worker tests and the thumbnail loader's tests are built for it.
test-threads: deps
	@cmake -S . -B $(TSAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNOBRIVO_TSAN=ON >/dev/null
	@cmake --build $(TSAN_DIR) -j $(JOBS) --target rtl_tests platform_tests imaging_io_thread_tests \
	  imaging_view_loader_tests
	@cd $(TSAN_DIR) && ctest --output-on-failure -j $(JOBS) -R '$(THREAD_TESTS)'

# The fuzz targets build only with clang (libFuzzer): one of them is built and
# run a few thousand times from a fixed seed, so that the fuzz build cannot
# break unseen. Without clang this says so and passes.
test-fuzz: deps
	@if command -v clang++ >/dev/null 2>&1; then \
	  set -e; \
	  CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DNOBRIVO_FUZZ=ON -DNOBRIVO_SANITIZE=ON \
	    -DNOBRIVO_TESTS=OFF >/dev/null; \
	  cmake --build $(FUZZ_DIR) -j $(JOBS) --target $(FUZZ_SMOKE); \
	  log=$(FUZZ_DIR)/$(FUZZ_SMOKE)-smoke.log; \
	  if ASAN_OPTIONS=quarantine_size_mb=16 $(FUZZ_DIR)/fuzz/imaging/$(FUZZ_SMOKE) -runs=3000 -seed=1 \
	      -rss_limit_mb=512 -malloc_limit_mb=512 >$$log 2>&1; then tail -n 1 $$log; \
	  else cat $$log; exit 1; fi; \
	else echo "test-fuzz: clang is not installed, the fuzz build is not checked"; fi

# The whole suite under ThreadSanitizer.
test-tsan: deps
	@cmake -S . -B $(TSAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNOBRIVO_TSAN=ON >/dev/null
	@cmake --build $(TSAN_DIR) -j $(JOBS)
	@cd $(TSAN_DIR) && ctest --output-on-failure -j $(JOBS)

bench: deps
	@cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DNOBRIVO_TESTS=OFF -DNOBRIVO_BENCH=ON >/dev/null
	@cmake --build build/bench -j $(JOBS)

clean:
	@rm -rf build
