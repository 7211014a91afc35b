# Thin wrapper over the CMake presets.
JOBS ?= $(shell nproc)

# Seconds each fuzz target runs under `make fuzz`.
FUZZ_TIME ?= 60

.PHONY: run test install-check bench asan tsan fuzz deps clean

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

# Static (the tree of `make test`) and shared installs, each with examples/consumer built and run
# against it.
install-check: deps build/default/build.ninja
	cmake --build --preset default -j $(JOBS)
	JOBS=$(JOBS) scripts/check-install

bench: deps
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j $(JOBS)
	bench/run-all build/bench

asan: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

# The suites whose code runs threads, under the thread sanitizer.
TSAN_SUITES = kelvra_tests buffers_tests pinweave_tests streams_tests corvane_tests processing_tests
tsan: deps
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan -j $(JOBS) --target $(TSAN_SUITES)
	ctest --preset tsan -j $(JOBS) -L '$(subst $() ,|,$(TSAN_SUITES))'

fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS) --target xml_text_fuzz xml_binary_fuzz
	fuzz/run-all build/fuzz $(FUZZ_TIME)

clean:
	rm -rf build
