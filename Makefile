# The two commands of the README, and a few for developers.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
JOBS       ?= 2
CMAKE_FLAGS = -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: deps build test demo install package sanitize tsan fuzz bench clean

deps:
	@scripts/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

demo: build
	cd examples && ../$(BUILD)/libs/molvo/molvo-sim demo.lua

# make install PREFIX=/opt/ferrolink (default /usr/local); the library finds its modules wherever it lands.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package ferrolink_<version>_amd64.deb, in $(BUILD).
package: build
	cd $(BUILD) && cpack -G DEB

sanitize: deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_FLAGS) -DFERROLINK_SANITIZE=ON -DFERROLINK_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

tsan: deps
	cmake -S . -B $(TSAN_BUILD) $(CMAKE_FLAGS) -DFERROLINK_TSAN=ON -DFERROLINK_BENCH=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS)
	TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/support/tsan.supp" ctest --test-dir $(TSAN_BUILD) --output-on-failure -j $(JOBS)

fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) $(CMAKE_FLAGS) -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
	      -DFERROLINK_FUZZ=ON -DFERROLINK_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	scripts/run-fuzzers $(FUZZ_BUILD)

bench: build
	scripts/run-benchmarks $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
