# Elvaro-Q3: the two commands a new user needs are `make run` and `make test`.
# Every Debian package the project needs is listed here and nowhere else.

DEBIAN_PACKAGES := build-essential cmake ninja-build pkg-config \
    libgtest-dev libgmock-dev \
    qt6-base-dev qt6-serialport-dev libgl-dev \
    libxlsxwriter-dev libminizip-dev zlib1g-dev python3-openpyxl poppler-utils \
    clang libclang-rt-14-dev fonts-dejavu-core \
    desktop-file-utils appstream man-db clang-format clang-tidy

BUILD_DIR ?= build
ASAN_BUILD_DIR ?= build-asan
FUZZ_BUILD_DIR ?= build-fuzz
FUZZ_SECONDS ?= 600
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps build run test lint bench package test-asan fuzz clean

all: build

# Installs only what is missing; does nothing when every package is there.
deps:
	@missing=""; \
	for p in $(DEBIAN_PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: deps $(BUILD_DIR)/build.ninja
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	$(BUILD_DIR)/elvaro-q3 --demo

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

# The formatting of every C++ file, and clang-tidy's checks (.clang-tidy) over src/, with the
# build's compile_commands.json.
lint: build
	@echo "clang-format: every .cpp and .h in src, tests, bench and fuzz"
	@find src tests bench fuzz -name '*.cpp' -o -name '*.h' | sort | xargs clang-format --dry-run -Werror
	@echo "clang-tidy: every .cpp in src"
	@find src -name '*.cpp' | sort | xargs -P $(JOBS) -n 8 nice clang-tidy -p $(BUILD_DIR) --quiet
	@echo "lint: clean"

bench: build
	$(BUILD_DIR)/bench/run-benchmarks

# The Debian package, in $(BUILD_DIR): elvaro-q3_VERSION_ARCH.deb.
package: build
	cmake --build $(BUILD_DIR) --target package

test-asan: deps
	cmake -S . -B $(ASAN_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DELVARO_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD_DIR) -j $(JOBS)
	cd $(ASAN_BUILD_DIR) && LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ctest --output-on-failure -j $(JOBS)

# Fuzzes the report path for FUZZ_SECONDS (make fuzz FUZZ_SECONDS=1800). New inputs collect in
# $(FUZZ_BUILD_DIR)/corpus; the seeds in fuzz/corpus stay as they are. Findings land in $(FUZZ_BUILD_DIR)/findings.
fuzz: deps
	cmake -S . -B $(FUZZ_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DELVARO_FUZZ=ON -DELVARO_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(FUZZ_BUILD_DIR) --target report_fuzzer -j $(JOBS)
	mkdir -p $(FUZZ_BUILD_DIR)/corpus $(FUZZ_BUILD_DIR)/findings
	$(FUZZ_BUILD_DIR)/report_fuzzer -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=4096 \
	  -max_len=65536 -artifact_prefix=$(FUZZ_BUILD_DIR)/findings/ $(FUZZ_BUILD_DIR)/corpus fuzz/corpus

clean:
	rm -rf $(BUILD_DIR) $(ASAN_BUILD_DIR) $(FUZZ_BUILD_DIR)
