# Entry points: `make run` (the demo) and `make test` (every test); both install what they need.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLANTH_WERROR=ON

.PHONY: all deps configure build run test bench format clean

all: build

deps:
	@tools/install-deps

$(BUILD_DIR)/CMakeCache.txt:
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)

configure: deps $(BUILD_DIR)/CMakeCache.txt

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	rm -f $(BUILD_DIR)/sample.zip
	$(BUILD_DIR)/vorlanth zip --keep-paths --root samples $(BUILD_DIR)/sample.zip samples/site
	unzip -l $(BUILD_DIR)/sample.zip

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

bench: build
	bench/run-all

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD_DIR)
