# Front door: `make run` converts the bundled example, `make test` is the
# everyday loop (one build, every test it can run), `make check` the whole
# matrix that CI runs. Other targets: install, uninstall, package, bench,
# microbench, fuzz, windows, clean.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
EXAMPLE_BMP = examples/example.bmp
EXAMPLE_GIF = examples/example.gif
FUZZ_SECONDS ?= 60
PREFIX ?= /usr/local

.PHONY: all build run test check test-deps check-deps unit-tests sanitize-tests tsan-tests windows windows-tests \
        install-tests install uninstall package package-deb package-zip \
        bench microbench fuzz clean

all: build

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DVASTRELMON_TESTS=OFF
	cmake --build $(BUILD) --target vastrelmon -j $(JOBS)

# The program never overwrites, so an earlier output is removed first.
run: build
	rm -f $(EXAMPLE_GIF)
	./$(BUILD)/vastrelmon $(EXAMPLE_BMP) $(EXAMPLE_GIF)

# The everyday loop: one build and every unit and end-to-end test on it.
test: unit-tests

# Everything: the tests of `make test`, the same again under
# AddressSanitizer/UndefinedBehaviorSanitizer/LeakSanitizer, the second
# threads under ThreadSanitizer, the Windows build under Wine when MinGW-w64
# and Wine are installed, and the installation, manual pages and packages.
check: unit-tests sanitize-tests tsan-tests windows-tests install-tests python-tests web-tests

test-deps:
	@sh tools/ensure-test-deps.sh

check-deps:
	@sh tools/ensure-test-deps.sh --check

unit-tests: test-deps
	cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Release -DVASTRELMON_TESTS=ON
	cmake --build build-test -j $(JOBS)
	cd build-test && ctest --output-on-failure -j $(JOBS)

sanitize-tests: test-deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVASTRELMON_TESTS=ON -DVASTRELMON_SANITIZE=ON
	cmake --build build-asan -j $(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# The second threads under ThreadSanitizer: rows read from an input cut
# while they are read ahead, a full disk while the file is written behind,
# the program on pictures big enough for both; and the library called from
# eight threads at once.
TSAN_APP_TESTS = BmpTest.RowsLeftInTheFileThatGoMissingAreTheReadFailure
TSAN_E2E_TESTS = Faults.FullDiskWhileABigPictureIsCodedIsTheSameFailure
TSAN_LIB_TESTS = Library.ThreadsConvertAtOnceAsOneAtATime
tsan-tests: test-deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVASTRELMON_TESTS=ON -DVASTRELMON_TSAN=ON
	cmake --build build-tsan --target test_app test_lib test_e2e vastrelmon bmpgen -j $(JOBS)
	TSAN_OPTIONS=halt_on_error=1 ./build-tsan/tests/test_app --gtest_filter='$(TSAN_APP_TESTS)'
	TSAN_OPTIONS=halt_on_error=1 ./build-tsan/tests/test_lib --gtest_filter='$(TSAN_LIB_TESTS)'
	TSAN_OPTIONS=halt_on_error=1 ./build-tsan/tests/test_e2e --gtest_filter='$(TSAN_E2E_TESTS)'
	TSAN_OPTIONS=halt_on_error=1 sh tools/run_big_pictures.sh build-tsan

# The library compiled with Emscripten for browsers and Node.js: in
# build-web the WebAssembly, the module vastrelmon.mjs and the page.
.PHONY: web web-tests
web:
	@sh web/ensure-deps.sh
	sh web/build.sh build-web

# The module against the program in Node.js, and the page in headless
# Chromium. Emscripten and Chromium are installed when root; otherwise the
# tests are skipped with the command that installs them.
web-tests:
	@sh web/ensure-deps.sh; status=$$?; \
	if [ $$status = 3 ]; then exit 0; elif [ $$status != 0 ]; then exit $$status; fi; \
	$(MAKE) test-deps web && sh web/run-tests.sh

# The Python package (python/): built into a virtual environment under
# build-python/ and tested against the program of build-test/.
.PHONY: python-tests
python-tests:
	sh python/run_tests.sh

# Native Windows executables, cross-built with MinGW-w64.
windows:
	cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DVASTRELMON_TESTS=ON
	cmake --build build-windows -j $(JOBS)

windows-tests: unit-tests
	@if command -v x86_64-w64-mingw32-g++ >/dev/null && command -v wine >/dev/null; then \
	  $(MAKE) windows && sh tests/windows/run_wine_tests.sh build-windows build-test; \
	else \
	  echo "Skipping the Windows tests: install g++-mingw-w64-x86-64 and wine to run them."; \
	fi

# make install, the manual pages, the .deb (installed with dpkg when root)
# and the Windows zip.
install-tests: check-deps windows-tests
	sh tests/install/run_install_tests.sh

# The program, its manual pages, README and copyright, and the library
# (shared and static, header, pkg-config and CMake files, manual page) under
# $(PREFIX) (within $(DESTDIR) when given). `make uninstall`, with the same
# DESTDIR, removes exactly that, using the lists the installation leaves in
# $(BUILD).
install: build
	cmake --build $(BUILD) --target man_pages libvastrelmon libvastrelmon_static -j $(JOBS)
	VASTRELMON_INSTALL_DIRS="$(abspath $(BUILD))/install_dirs.txt" DESTDIR="$(DESTDIR)" \
	  cmake --install $(BUILD) --prefix "$(PREFIX)"

uninstall:
	DESTDIR="$(DESTDIR)" cmake -DBUILD_DIR="$(abspath $(BUILD))" -P cmake/uninstall.cmake

# build-package/vastrelmon_<version>_amd64.deb (the program),
# libvastrelmon1_<version>_amd64.deb and libvastrelmon-dev_<version>_amd64.deb
# (the library), built with Debian's hardening flags for the prefix /usr
# (the library in /usr/lib/<multiarch triplet>), and
# build-package/vastrelmon-<version>-win64.zip from the MinGW-w64 build.
package: package-deb package-zip

package-deb:
	export DEB_BUILD_MAINT_OPTIONS=hardening=+all; \
	cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DVASTRELMON_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr \
	  -DCMAKE_CXX_FLAGS="$$(dpkg-buildflags --get CPPFLAGS) $$(dpkg-buildflags --get CXXFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
	  -DCMAKE_SHARED_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)"
	cmake --build build-package -j $(JOBS)
	cd build-package && cpack -G DEB

package-zip: windows
	cd build-windows && cpack -G ZIP -B "$(CURDIR)/build-package"

# Side by side with the common converters (installs them when missing), and
# the library in memory against Pillow in memory.
bench:
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DVASTRELMON_TESTS=OFF -DVASTRELMON_BENCH=ON
	cmake --build build-bench -j $(JOBS)
	@# Every figure is printed even when a target is missed; the status says whether all were met.
	status=0; /usr/bin/python3 bench/compare.py || status=1; \
	/usr/bin/python3 bench/library_vs_pillow.py --build build-bench || status=1; exit $$status

microbench:
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DVASTRELMON_TESTS=OFF -DVASTRELMON_BENCH=ON
	cmake --build build-bench -j $(JOBS)
	./build-bench/bench/microbench

# libFuzzer targets, each run for FUZZ_SECONDS from a generated seed corpus.
fuzz: test-deps
	CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVASTRELMON_TESTS=OFF \
	  -DVASTRELMON_FUZZ=ON -DVASTRELMON_SANITIZE=ON
	cmake --build build-fuzz -j $(JOBS)
	sh fuzz/run.sh build-fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) build-test build-asan build-tsan build-trial build-bench build-fuzz build-windows \
	  build-package build-install build-web build-python
