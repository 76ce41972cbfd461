# The two commands of the project: `make demo` and `make test`. Both install missing
# Debian packages first (scripts/install-deps.sh).
JOBS ?= $(shell nproc)
BUILD ?= build
CMAKE_FLAGS ?= -DKG_WERROR=ON
# The ThreadSanitizer build compiles through ccache when it is installed.
TSAN_LAUNCHER := $(if $(shell command -v ccache 2>/dev/null),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

.PHONY: all deps configure build test test-sanitize test-tsan bench fuzz fuzz-ci demo package architecture clean

all: build

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300

# The libraries that decode bytes from the network and files (the protocol, the MPEG
# headers, the archive's files, the server's connections), and the core under them, tested
# again under AddressSanitizer and UndefinedBehaviorSanitizer. SANITIZE_LIBS=all takes
# every test.
SANITIZE_LIBS ?= core transport intervals common mpeg archive server
test-sanitize: deps
	cmake -S . -B build-asan -DKG_WERROR=ON -DKG_SANITIZE=ON -DKG_BENCH=OFF
ifeq ($(SANITIZE_LIBS),all)
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ctest --output-on-failure -j $(JOBS) --timeout 600
else
	cmake --build build-asan -j $(JOBS) --target $(addsuffix _test,$(SANITIZE_LIBS))
	cd build-asan && ctest --output-on-failure -j $(JOBS) --timeout 600 -L '^($(subst $(eval) ,|,$(strip $(SANITIZE_LIBS))))$$'
endif

# The libraries with threads of their own (the message loop, the playback engine and its
# outputs, the player core, the server) tested again under ThreadSanitizer. TSAN_LIBS=all
# takes every test. What is reported inside the uninstrumented system libraries is
# suppressed by tests/tsan.supp, each entry with its reason.
TSAN_LIBS ?= transport audio player server
TSAN_ENV = TSAN_OPTIONS="suppressions=$(CURDIR)/tests/tsan.supp halt_on_error=1 second_deadlock_stack=1"
test-tsan: deps
	cmake -S . -B build-tsan -DKG_WERROR=ON -DKG_TSAN=ON -DKG_BENCH=OFF $(TSAN_LAUNCHER)
ifeq ($(TSAN_LIBS),all)
	cmake --build build-tsan -j $(JOBS)
	cd build-tsan && $(TSAN_ENV) ctest --output-on-failure -j $(JOBS) --timeout 600
else
	cmake --build build-tsan -j $(JOBS) --target $(addsuffix _test,$(TSAN_LIBS))
	cd build-tsan && $(TSAN_ENV) ctest --output-on-failure -j $(JOBS) --timeout 600 -L '^($(subst $(eval) ,|,$(strip $(TSAN_LIBS))))$$'
endif

# The Debian package (CPack): $(BUILD)/korwendogra_VERSION_ARCH.deb, its files under /usr
# (packaging/CMakeLists.txt says which).
package: build
	cd $(BUILD) && cpack -G DEB

# The picture of the layers, docs/architecture.svg (checked in): the links between the
# project's libraries and programs as the build states them, drawn by Graphviz.
# CMakeGraphVizOptions.cmake says what is drawn. Run again when a library or a link changes.
architecture: configure
	mkdir -p $(BUILD)/architecture
	cmake --graphviz=$(BUILD)/architecture/layers.dot $(BUILD)
	dot -Tsvg $(BUILD)/architecture/layers.dot -o docs/architecture.svg

bench: build
	for b in $(BUILD)/bin/bench_*; do echo "== $$b"; $$b; done

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DKG_FUZZ=ON -DKG_BENCH=OFF
	cmake --build build-fuzz -j $(JOBS)

# CI's fuzz step: the fuzz targets only, built with two jobs, each run from its seed corpus
# for a few seconds (fuzz/run_ci.sh); a crash, leak or timeout fails it with the input saved.
FUZZ_SECONDS ?= 5
fuzz-ci: deps
	BUILD=build-fuzz FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_JOBS=2 bash fuzz/run_ci.sh

# The archive server recording its three demo stations on loopback, in the background, and
# the player on its station Zegar from ten minutes ago (on the sound server when one
# answers, else on the null output): the window, KorwendoGra, where a display exists
# ($$DISPLAY or $$WAYLAND_DISPLAY), with a settings directory of its own under the demo
# archive; else the headless korwendo-play. The server stops when the player does.
DEMO_DIR ?= $(or $(XDG_DATA_HOME),$(HOME)/.local/share)/KorwendoGra/demo
demo: SHELL := /bin/bash
demo: build
	mkdir -p "$(DEMO_DIR)"
	@$(BUILD)/bin/korwendo-server --demo --silences --archive "$(DEMO_DIR)" --listen 127.0.0.1:12540 & srv=$$!; \
	trap 'kill $$srv 2>/dev/null; wait $$srv 2>/dev/null' EXIT; trap 'exit 130' INT TERM; \
	for i in $$(seq 300); do \
	  (exec 3<>/dev/tcp/127.0.0.1/12540) 2>/dev/null && break; \
	  kill -0 $$srv 2>/dev/null || { echo "korwendo-server stopped" >&2; exit 1; }; \
	  sleep 0.1; \
	done; \
	(exec 3<>/dev/tcp/127.0.0.1/12540) 2>/dev/null || { echo "korwendo-server does not answer on 127.0.0.1:12540" >&2; exit 1; }; \
	if pactl info >/dev/null 2>&1; then audio=pulse; else audio=null; fi; \
	od="$$(date -u -d '-10 minutes' +%Y-%m-%dT%H:%M:%SZ)"; \
	if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  echo "KorwendoGra on $$audio output; close the window to stop"; \
	  $(BUILD)/bin/KorwendoGra --config "$(DEMO_DIR)/.settings" --server 127.0.0.1:12540 --station Zegar \
	    --at "$$od" --audio $$audio; \
	else \
	  echo "no display: korwendo-play on $$audio output; commands: play, stop, seek +5s|-1m|TIME, station NAME, quit"; \
	  $(BUILD)/bin/korwendo-play --server 127.0.0.1:12540 --station Zegar --at "$$od" --audio $$audio; \
	fi

clean:
	rm -rf build build-asan build-tsan build-fuzz
