# The two commands of the README:
#   make demo   builds the program and runs the main job on the bundled example
#   make test   builds everything with sanitizers and runs every test
# and `make fuzz`, which fuzzes every file reader for a few seconds.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: demo test bench fuzz fuzz-long deps release-build test-build clean

deps:
	@scripts/install-deps

release-build: deps
	cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTALUVO_TESTS=OFF -DTALUVO_UNITY=ON >/dev/null
	cmake --build build/release -j $(JOBS)

# The bundled run is copied first: an analysis writes its own files beside
# the data. The parameter file names build/demo/data and build/demo/results.
demo: release-build
	rm -rf build/demo && mkdir -p build/demo/data
	cp examples/velocity/*.RA1 build/demo/data/
	@start=$$(date +%s.%N); \
	build/release/src/taluvo examples/velocity/cs-analysis.txt 2> build/demo/log.txt; \
	status=$$?; end=$$(date +%s.%N); \
	echo "batch analysis finished with exit code $$status in $$(awk "BEGIN { printf \"%.1f\", $$end - $$start }") s (log: build/demo/log.txt)"; \
	test $$status -eq 0
	@scripts/demo-summary build/demo/results

test-build: deps
	cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DTALUVO_SANITIZE=ON -DTALUVO_UNITY=ON >/dev/null
	cmake --build build/test -j $(JOBS)

test: test-build
	cd build/test && ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DTALUVO_TESTS=OFF -DTALUVO_BENCH=ON >/dev/null
	cmake --build build/bench -j $(JOBS)
	for b in build/bench/bench/taluvo_*_bench; do $$b; done

# Builds the readers' libFuzzer targets (clang) and runs each for
# FUZZ_SECONDS (10 by default); `make fuzz-long` gives each ten minutes.
FUZZ_SECONDS ?= 10
fuzz: deps
	@scripts/install-deps fuzz
	FUZZ_JOBS=$(JOBS) scripts/fuzz $(FUZZ_SECONDS)

fuzz-long: deps
	@scripts/install-deps fuzz
	FUZZ_JOBS=$(JOBS) scripts/fuzz 600

clean:
	rm -rf build
