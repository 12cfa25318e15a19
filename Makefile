# The two commands of the project: `make demo` and `make test`.
JOBS ?= 2
BUILD ?= build
ASAN_BUILD ?= build-asan
# ccache makes the second build of the same sources (and CI after a session) quick.
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1
LAUNCHER := $(if $(shell command -v ccache 2>/dev/null),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER)

.PHONY: demo test deps build build-asan test-asan bench screenshots clean

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

# Every test of the normal build, then the core tests again under ASan + UBSan.
test: build build-asan
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 300
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) --timeout 300

bench: build
	@for b in $(BUILD)/bench/*_bench $(BUILD)/bench/*_qtbench; do echo "== $$b"; QT_QPA_PLATFORM=offscreen $$b; done

demo: build
	bash scripts/demo.sh $(BUILD)

screenshots: build
	bash scripts/screenshots.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
