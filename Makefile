# The two commands of the README: `make run` and `make test`.
JOBS ?= $(shell nproc)
RELEASE_DIR := build/release
TEST_DIR := build/test
TSAN_DIR := build/tsan
# The tests of threads, the queue and the platform's cross-thread calls, run
# under ThreadSanitizer by `make test` as well.
THREAD_TESTS := ^(TThread|SyncObjs|QueueTest|ThreadQueueTest|GdiObjects|DebugOutput|IOThreadTest|ThumbLoaderTest)\.

.PHONY: deps build run test test-threads test-tsan bench clean

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

# Only the runtime's and the platform's test programs, the imaging
# component's worker tests and the thumbnail loader's tests are built for it.
test-threads: deps
	@cmake -S . -B $(TSAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DNOBRIVO_TSAN=ON >/dev/null
	@cmake --build $(TSAN_DIR) -j $(JOBS) --target rtl_tests platform_tests imaging_io_thread_tests \
	  imaging_view_loader_tests
	@cd $(TSAN_DIR) && ctest --output-on-failure -j $(JOBS) -R '$(THREAD_TESTS)'

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
