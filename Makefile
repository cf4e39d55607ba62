# Set-up and everyday commands. `make run` and `make test` install what is missing first.

BUILD_DIR ?= build
ASAN_BUILD_DIR ?= build-asan
FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_TIME ?= 30
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
CTEST_FLAGS ?= --output-on-failure
BENCH ?=

# Debian packages the build, the tests and the benchmarks need.
PACKAGES := cmake ninja-build g++ pkg-config make \
	googletest libgtest-dev libgmock-dev libbenchmark-dev \
	libssl-dev libpcre2-dev libxml2-dev libzip-dev libsqlite3-dev libicu-dev zlib1g-dev \
	qt6-base-dev qt6-webengine-dev libgl-dev \
	iproute2 util-linux curl nginx apache2-doc wget httrack fpc

# What `make fuzz` needs besides: Debian 12's clang and its libFuzzer runtime.
FUZZ_PACKAGES := clang libclang-rt-14-dev

# The two WARC readers the tests read backups' archives back with, from the npm registry into the build tree.
NPM_DIR := $(BUILD_DIR)/npm
NPM_PACKAGES := warcio@2.4.11 node-warc@3.3.1

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps fuzz-deps build run test test-asan bench fuzz fuzz-build screenshots clean

all: build

deps:
	@missing=$$(for p in $(PACKAGES); do \
		dpkg-query -W -f='$${Status}\n' "$$p" 2>/dev/null | grep -q '^install ok installed$$' || echo "$$p"; \
	done); \
	if [ -n "$$missing" ]; then \
		echo "Installing:" $$missing; \
		$(SUDO) apt-get update && \
		DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y --no-install-recommends $$missing; \
	fi
	@if [ ! -f "$(NPM_DIR)/node_modules/warcio/package.json" ] || [ ! -f "$(NPM_DIR)/node_modules/node-warc/package.json" ]; then \
		if command -v npm >/dev/null; then \
			mkdir -p "$(NPM_DIR)" && npm install --prefix "$(NPM_DIR)" --no-audit --no-fund $(NPM_PACKAGES); \
		else echo "npm is missing: the WARC read-back tests will be skipped"; fi; \
	fi

fuzz-deps:
	@$(MAKE) --no-print-directory deps PACKAGES="$(PACKAGES) $(FUZZ_PACKAGES)"

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR)

run: build
	$(BUILD_DIR)/bin/varnelo

test: build
	tools/isolated ctest --test-dir $(BUILD_DIR) $(CTEST_FLAGS)

# The same suite built with AddressSanitizer and UndefinedBehaviorSanitizer, in a tree of its own.
test-asan: deps
	cmake -S . -B $(ASAN_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVARNELO_SANITIZE=ON -DVARNELO_BENCH=OFF -DVARNELO_GUI=OFF \
		-DVARNELO_NPM_DIR=$(abspath $(NPM_DIR))
	cmake --build $(ASAN_BUILD_DIR)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		tools/isolated ctest --test-dir $(ASAN_BUILD_DIR) $(CTEST_FLAGS)

# Pictures of the windows, rendered offscreen from loopback servers, into $(BUILD_DIR)/screenshots/.
screenshots: build
	cmake --build $(BUILD_DIR) --target gui_screenshots
	tools/isolated $(BUILD_DIR)/bin/gui_screenshots $(BUILD_DIR)/screenshots

bench: build
	@if [ -n "$(BENCH)" ]; then set -- "$(BUILD_DIR)/bin/$(BENCH)"; \
	else set -- $$(ls $(BUILD_DIR)/bin/*_bench); fi; \
	for b in "$$@"; do echo "== $$(basename $$b)"; tools/isolated "$$b" || exit 1; done

# libFuzzer targets, built with clang in a tree of their own; `make fuzz` runs each FUZZ_TIME seconds on its
# corpus, `make fuzz-build` only builds them (CI, so that no target breaks unseen).
fuzz-build: fuzz-deps
	cmake -S . -B $(FUZZ_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
		-DVARNELO_FUZZ=ON -DVARNELO_TESTS=OFF -DVARNELO_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(FUZZ_BUILD_DIR)

fuzz: fuzz-build
	@for f in $(FUZZ_BUILD_DIR)/bin/*_fuzz; do \
		name=$$(basename $$f); mkdir -p $(FUZZ_BUILD_DIR)/corpus/$$name; \
		echo "== $$name"; tools/isolated $$f -max_total_time=$(FUZZ_TIME) $(FUZZ_BUILD_DIR)/corpus/$$name || exit 1; \
	done

clean:
	rm -rf $(BUILD_DIR) $(ASAN_BUILD_DIR) $(FUZZ_BUILD_DIR)
