# One-command entry points. `make test` is what CI runs.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps configure build test check-asan run bench format clean

deps:
	./scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# All tests headless: widgets on the offscreen platform, tests labelled x11 inside one Xvfb,
# tests labelled wayland inside one headless sway, one at a time because they share the
# clipboard and pointer.
test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) -LE 'x11|wayland'
	cd $(BUILD_DIR) && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -L x11 --no-tests=ignore -j 1
	cd $(BUILD_DIR) && $(CURDIR)/scripts/wayland-run ctest --output-on-failure -L wayland --no-tests=ignore -j 1

# The whole suite in the sanitizer build (address + undefined, the `asan` preset) in its own
# folder. Leaks fail a test; tests/lsan.supp names the few inside third-party libraries.
ASAN_BUILD_DIR ?= build-asan
ASAN_ENV = QT_QPA_PLATFORM=offscreen LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp
check-asan: deps
	cmake --preset asan -B $(ASAN_BUILD_DIR)
	cmake --build $(ASAN_BUILD_DIR) -j $(JOBS)
	cd $(ASAN_BUILD_DIR) && $(ASAN_ENV) ctest --output-on-failure -j $(JOBS) -LE 'x11|wayland'
	cd $(ASAN_BUILD_DIR) && LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -L x11 --no-tests=ignore

# Only the three programs. Tarsel stays running (on the display when there is one) and prints
# how to reach its menu; Ctrl-C or `Tarsel --quit` ends it. ARGS="..." passes it an address.
run: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target Tarsel tarsel-finder TarselFinderExtension
	$(BUILD_DIR)/app/Tarsel $(ARGS)

bench: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target benchmarks

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR)
