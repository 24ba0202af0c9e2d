# The two commands of the README:
#   make demo   builds the program and runs the main job on the bundled example
#   make test   builds everything with sanitizers and runs every test
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: demo test bench deps release-build test-build clean

deps:
	@scripts/install-deps

release-build: deps
	cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTALUVO_TESTS=OFF >/dev/null
	cmake --build build/release -j $(JOBS)

demo: release-build
	build/release/src/taluvo examples/velocity build/demo-results

test-build: deps
	cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DTALUVO_SANITIZE=ON >/dev/null
	cmake --build build/test -j $(JOBS)

test: test-build
	cd build/test && ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DTALUVO_TESTS=OFF -DTALUVO_BENCH=ON >/dev/null
	cmake --build build/bench -j $(JOBS)
	for b in build/bench/bench/taluvo_*_bench; do $$b; done

clean:
	rm -rf build
