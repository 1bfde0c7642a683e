# Thin wrapper around CMake + Ninja. `make run` and `make test` install what is
# missing first (scripts/setup), so a fresh Debian 12 machine needs nothing else.
BUILD ?= build
SAN_BUILD ?= build-san
FUZZ_BUILD ?= build-fuzz
JOBS ?= $(shell nproc)

.PHONY: all setup configure build run demo-clean test san fuzz bench format clean

all: build

setup:
	bash scripts/setup

configure: setup
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The program on a demo home inside the build folder (scripts/run); the
# user's own documents are used only when build/brantel is started directly.
run: build
	BUILD=$(BUILD) bash scripts/run

# Forgets the demo home, so the next `make run` starts from a fresh sample.
demo-clean:
	rm -rf $(BUILD)/demo-home

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Built with clang, so the same tree carries the fuzz targets (build-san/fuzz_*).
san: setup
	CC=clang CXX=clang++ cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBRANTEL_SANITIZE=ON
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && ctest --output-on-failure -j $(JOBS)

fuzz: setup
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRANTEL_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets

bench: setup
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS) --target benchmarks

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD)
