# One-command entry points. `make test` is what CI runs.
BUILD_DIR ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps configure build test check-asan run install uninstall deb test-deb bench format clean

deps:
	./scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# All tests headless: widgets on the offscreen platform; tests labelled x11 spread over several
# Xvfb servers, one at a time on each because the tests of a display share its clipboard and
# pointer (scripts/run-x11-tests); tests labelled wayland inside one headless sway, one at a time
# for the same reason.
# The Debian package's test (label deb) runs only in `make test-deb`.
test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) -LE 'x11|wayland|deb'
	./scripts/run-x11-tests $(BUILD_DIR)
	cd $(BUILD_DIR) && $(CURDIR)/scripts/wayland-run ctest --output-on-failure -L wayland --no-tests=ignore -j 1

# The whole suite in the sanitizer build (address + undefined, the `asan` preset) in its own
# folder. Leaks fail a test; tests/lsan.supp names the few inside third-party libraries.
ASAN_BUILD_DIR ?= build-asan
ASAN_ENV = QT_QPA_PLATFORM=offscreen LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp
check-asan: deps
	cmake --preset asan -B $(ASAN_BUILD_DIR)
	cmake --build $(ASAN_BUILD_DIR) -j $(JOBS)
	cd $(ASAN_BUILD_DIR) && $(ASAN_ENV) ctest --output-on-failure -j $(JOBS) -LE 'x11|wayland|deb'
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ./scripts/run-x11-tests $(ASAN_BUILD_DIR)

# Only the programs. Tarsel starts in the background and stays running (on the display when
# there is one); the last lines say where the programs are and how to reach the menu.
# ARGS="..." passes it an address.
PROGRAMS = Tarsel tarsel-finder tarsel-clipboard TarselFinderExtension
BIN_DIR = $(abspath $(BUILD_DIR))/bin
run: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target $(PROGRAMS)
	@$(BIN_DIR)/Tarsel $(ARGS) >/dev/null &
	@echo "Tarsel is running. The programs are in $(BIN_DIR) (make install puts them in ~/.local)."
	@echo "Its menu: the tray icon, or $(BIN_DIR)/tarsel-finder popup --kind 1 --target FOLDER (README: file managers)."
	@echo "End it with: $(BIN_DIR)/Tarsel --quit"

# The programs, desktop entry, icons and file-manager snippets under PREFIX (no root needed for
# the default; PREFIX=/usr/local with sudo). `make uninstall` removes exactly what the install's
# manifest lists; it is kept under its own name, since every other install step (cpack, the
# install tests) rewrites install_manifest.txt.
PREFIX ?= $(HOME)/.local
MANIFEST = $(BUILD_DIR)/make_install_manifest.txt
install: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target $(PROGRAMS)
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)
	cp $(BUILD_DIR)/install_manifest.txt $(MANIFEST)

uninstall:
	./scripts/uninstall $(MANIFEST)

# A Debian package that installs into /usr, written into the build folder; `make test-deb`
# makes one and checks it (lintian among others), which takes longer than the other tests.
deb: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target $(PROGRAMS)
	cd $(BUILD_DIR) && cpack -G DEB

test-deb: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target package_tests
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -L deb

bench: configure
	./scripts/install-deps --bench
	cmake --build $(BUILD_DIR) -j $(JOBS) --target benchmarks

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR)
