# The two commands of the project: `make demo` and `make test`.
JOBS ?= 2
BUILD ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_SHORT_SECONDS ?= 6
# ccache makes the second build of the same sources (and CI after a session) quick.
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
LAUNCHER := $(if $(shell command -v ccache 2>/dev/null),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER)

.PHONY: demo test deps build build-asan test-asan bench screenshots package clean build-fuzz fuzz

deps:
	@bash scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELANTOR_SANITIZE=ON -DVELANTOR_WITH_QT=OFF -DVELANTOR_BENCH=OFF $(LAUNCHER)

build-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# The fuzz targets (clang, libFuzzer with ASan + UBSan) over the core and the emulator.
$(FUZZ_BUILD)/build.ninja:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELANTOR_FUZZ=ON -DVELANTOR_BENCH=OFF $(LAUNCHER)

build-fuzz: deps $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets

# Each fuzz target for FUZZ_SECONDS, one after another, on a copy of its seed corpus.
fuzz: build-fuzz
	bash fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# Every test of the normal build, then the core tests again under ASan + UBSan, then a short run
# of each fuzz target.
test: build build-asan build-fuzz
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 300
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) --timeout 300
	bash fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SHORT_SECONDS)

bench: build
	@for b in $(BUILD)/bench/*_bench $(BUILD)/bench/*_qtbench; do echo "== $$b"; QT_QPA_PLATFORM=offscreen $$b; done

demo: build
	bash scripts/demo.sh $(BUILD)

screenshots: build
	bash scripts/screenshots.sh $(BUILD)

# The Debian package, from a Release build of its own that builds the programs but not the tests.
# GCC 12 at -O3 warns falsely (-Wrestrict) in std::string code, so this build does not turn
# warnings into errors; the test builds do.
PACKAGE_BUILD ?= build-release
package: deps
	cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELANTOR_BENCH=OFF -DVELANTOR_WERROR=OFF \
	  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON $(LAUNCHER)
	cmake --build $(PACKAGE_BUILD) -j $(JOBS) --target package_contents
	cd $(PACKAGE_BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(PACKAGE_BUILD) $(FUZZ_BUILD)
