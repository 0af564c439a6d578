# Ostrak: the commands. `make test` sets up a fresh Debian 12 machine (as root), builds the
# native and Windows configurations and runs every test; `make run` starts the program.
SHELL := /bin/bash
MAKEFLAGS += --no-print-directory
JOBS ?= $(shell nproc)
BUILD := build
WIN_TOOLCHAIN := cmake/mingw-w64-x86_64.cmake
FUZZ_SECONDS ?= 60
VERSION := $(shell sed -n 's/^project.Ostrak VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# Only the distribution needs these; `make dist` installs them with the rest.
DIST_PACKAGES := nsis zip

.PHONY: all run deps check-layers check-file-calls native asan windows test test-native test-asan test-report test-windows dist test-dist fuzz fuzz-build fuzz-smoke bench clean

all: native windows

deps:
	@tools/install-deps.sh

# Every #include goes down the tree of libraries the CMake files declare.
check-layers: deps
	python3 tools/check-layers.py

# No two source files of the program call each other, in either build.
check-file-calls:
	python3 tools/check-file-calls.py $(BUILD)/native
	python3 tools/check-file-calls.py $(BUILD)/win x86_64-w64-mingw32-nm

native: deps
	@cmake -S . -B $(BUILD)/native -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD)/native -j $(JOBS)

asan: deps
	@cmake -S . -B $(BUILD)/asan -DCMAKE_BUILD_TYPE=Debug -DOSTRAK_SANITIZE=ON >/dev/null
	@cmake --build $(BUILD)/asan -j $(JOBS)

windows: deps
	@cmake -S . -B $(BUILD)/win -DCMAKE_TOOLCHAIN_FILE=$(WIN_TOOLCHAIN) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD)/win -j $(JOBS)

run: windows
	@tools/run.sh

test-native: native
	ctest --test-dir $(BUILD)/native -j $(JOBS) --output-on-failure

test-asan: asan
	ctest --test-dir $(BUILD)/asan -j $(JOBS) --output-on-failure

# The report application's scripts under Node, and the check that they are plain ES5.
test-report:
	tools/report-tests.sh

test-windows: windows
	tools/wine-tests.sh $(BUILD)/win

test: deps
	$(MAKE) check-layers
	$(MAKE) native asan windows
	$(MAKE) check-file-calls
	$(MAKE) fuzz-smoke
	$(MAKE) test-native
	$(MAKE) test-asan
	$(MAKE) test-report
	$(MAKE) test-windows
	$(MAKE) test-dist

# The program folder $(BUILD)/dist, a zip of it and the per-user installer beside it.
dist:
	@tools/install-deps.sh $(DIST_PACKAGES)
	@cmake -S . -B $(BUILD)/win -DCMAKE_TOOLCHAIN_FILE=$(WIN_TOOLCHAIN) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD)/win -j $(JOBS) --target Ostrak
	@# CMake puts the program folder into build/dist whatever the build folder.
	installer/make-dist.sh build/dist $(BUILD) $(VERSION)

# The installer under Wine in a private prefix, once per ANSI code page (about 25 s each).
test-dist: dist
	@cmake --build $(BUILD)/win -j $(JOBS) --target ostrak_demo_session
	LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 tools/installer-test.sh $(BUILD)/Ostrak-$(VERSION)-win64-setup.exe \
		$(BUILD)/package/Ostrak $(BUILD)/win/tests/e2e/ostrak_demo_session.exe
	LANG=C LC_ALL=C tools/installer-test.sh $(BUILD)/Ostrak-$(VERSION)-win64-setup.exe \
		$(BUILD)/package/Ostrak $(BUILD)/win/tests/e2e/ostrak_demo_session.exe

# The fuzzer links the CMake XML library, built by clang++ with libFuzzer in a folder of its own.
fuzz-build: deps
	@cmake -S . -B $(BUILD)/fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DOSTRAK_TESTS=OFF -DOSTRAK_FUZZ=ON >/dev/null
	@cmake --build $(BUILD)/fuzz -j $(JOBS) --target xml_fuzz >/dev/null

fuzz: fuzz-build
	@mkdir -p $(BUILD)/fuzz/corpus
	$(BUILD)/fuzz/xml_fuzz -max_len=65536 -artifact_prefix=$(BUILD)/fuzz/ $(BUILD)/fuzz/corpus tests/golden/save tests/golden/fuzz

fuzz-smoke: fuzz-build
	@mkdir -p $(BUILD)/fuzz/corpus
	@echo "fuzzing the XML round trip for $(FUZZ_SECONDS) s"
	@set -o pipefail; $(BUILD)/fuzz/xml_fuzz -max_total_time=$(FUZZ_SECONDS) -max_len=8192 -artifact_prefix=$(BUILD)/fuzz/ \
		$(BUILD)/fuzz/corpus tests/golden/save tests/golden/fuzz > $(BUILD)/fuzz/last-run.log 2>&1 \
		|| { tail -n 40 $(BUILD)/fuzz/last-run.log; exit 1; }
	@grep -E '^#[0-9]+.*DONE' $(BUILD)/fuzz/last-run.log | tail -n 1

bench: deps
	@tools/install-deps.sh libbenchmark-dev libpugixml-dev libxml2-dev pkg-config
	@cmake -S . -B $(BUILD)/bench -DCMAKE_BUILD_TYPE=Release -DOSTRAK_TESTS=OFF -DOSTRAK_BENCH=ON >/dev/null
	@cmake --build $(BUILD)/bench -j $(JOBS)
	$(BUILD)/bench/bench/ostrak_bench
	node --expose-gc bench/report_bench.js
	@# The idle cost is measured on the program itself, so only the program is built for it.
	@cmake -S . -B $(BUILD)/win -DCMAKE_TOOLCHAIN_FILE=$(WIN_TOOLCHAIN) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD)/win -j $(JOBS) --target Ostrak
	@# The same with the generated one-year and ten-year logs as the user's time log.
	$(BUILD)/bench/bench/ostrak_bench --write-time-log 365 $(BUILD)/bench/one-year-Time.xml
	$(BUILD)/bench/bench/ostrak_bench --write-time-log 3650 $(BUILD)/bench/ten-year-Time.xml
	tools/idle-cost.sh $(BUILD)/dist/Ostrak.exe "one-year log=$(BUILD)/bench/one-year-Time.xml" \
		"ten-year log=$(BUILD)/bench/ten-year-Time.xml"

clean:
	rm -rf $(BUILD)
