# Elvaro-Q3: the two commands a new user needs are `make run` and `make test`.
# Every Debian package the project needs is listed here and nowhere else.

DEBIAN_PACKAGES := build-essential cmake ninja-build pkg-config \
    libgtest-dev libgmock-dev libbenchmark-dev \
    qt6-base-dev qt6-serialport-dev libgl-dev \
    libxlsxwriter-dev python3-openpyxl poppler-utils \
    clang libclang-rt-14-dev xvfb

BUILD_DIR ?= build
ASAN_BUILD_DIR ?= build-asan
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps build run test bench test-asan fuzz clean

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
	$(BUILD_DIR)/elvaro-q3 tree samples/worked-example.txt

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

bench: build
	$(BUILD_DIR)/bench/run-benchmarks

test-asan: deps
	cmake -S . -B $(ASAN_BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DELVARO_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_BUILD_DIR) -j $(JOBS)
	cd $(ASAN_BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD_DIR) $(ASAN_BUILD_DIR)
