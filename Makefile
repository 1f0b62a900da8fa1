# Front door: `make run` converts the bundled example, `make test` builds and
# runs every test. Other targets: bench, fuzz, windows, clean.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
EXAMPLE_BMP = examples/example.bmp
EXAMPLE_GIF = examples/example.gif

.PHONY: all build run test test-deps unit-tests clean

all: build

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DVASTRELMON_TESTS=OFF

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) --target vastrelmon -j $(JOBS)

# The program never overwrites, so an earlier output is removed first.
run: build
	rm -f $(EXAMPLE_GIF)
	./$(BUILD)/vastrelmon $(EXAMPLE_BMP) $(EXAMPLE_GIF)

# giflib is the independent decoder the tests check our files against.
test-deps:
	@sh tools/ensure-test-deps.sh

unit-tests: test-deps
	cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Release -DVASTRELMON_TESTS=ON
	cmake --build build-test -j $(JOBS)
	cd build-test && ctest --output-on-failure -j $(JOBS)

test: unit-tests

clean:
	rm -rf $(BUILD) build-test build-asan build-bench build-fuzz build-windows
