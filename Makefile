# Thin wrapper over the CMake presets.
JOBS ?= $(shell nproc)

.PHONY: run test bench asan tsan deps clean

deps:
	@scripts/setup-deps

build/default/build.ninja: | deps
	cmake --preset default >/dev/null

run: deps build/default/build.ninja
	cmake --build --preset default -j $(JOBS)
	build/default/tools/corvane/corvane info

test: deps build/default/build.ninja
	cmake --build --preset default -j $(JOBS)
	ctest --preset default -j $(JOBS)

bench: deps
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j $(JOBS)
	bench/run-all build/bench

asan: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

tsan: deps
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan -j $(JOBS)

clean:
	rm -rf build
