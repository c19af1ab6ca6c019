# Quick start: `make run` starts the program, `make test` runs every test. Both install what is missing.

BIN := build/dev/bin
CTEST_FLAGS := --output-on-failure -j2

.PHONY: deps deps-package build run test test-dev test-asan package format-check lint bench-walk bench-print bench-run clean

deps:
	@scripts/install-deps.sh build

# Debian's packaging tools, which the package tests of `make test` use too.
deps-package:
	@scripts/install-deps.sh package

build: deps
	cmake --preset dev
	cmake --build --preset dev

# Installs the PDF printer for the current user, then starts the window (a display is needed).
run: build
	$(BIN)/tarnwicke-pdf-writer --install
	@if [ -z "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
		echo "No display found: run 'xvfb-run -a make run' to start Plumavert Fennic on a virtual display."; \
		exit 1; \
	fi
	$(BIN)/plumavert-fennic

test: deps deps-package test-dev test-asan test-windows

test-dev: deps-package
	cmake --preset dev
	cmake --build --preset dev
	ctest --preset dev $(CTEST_FLAGS)

# The Debian package: build/dev/plumavert-fennic_<version>_<arch>.deb; install it with
# `sudo apt-get install ./build/dev/plumavert-fennic_*.deb`.
package: build deps-package
	cmake --build --preset dev --target package

test-asan:
	cmake --preset asan
	cmake --build --preset asan
	ctest --preset asan $(CTEST_FLAGS)

# Cross-compiles for 32- and 64-bit Windows and runs the whole Windows suite on both builds: the 32-bit
# program users get under 32-bit Wine (in a 64-bit prefix, as on 64-bit Windows), the 64-bit build under
# wine64. Each build gets a fresh prefix and a virtual display of its own (the window tests make real
# windows). The tests share the prefix's registry and printers, so they run one at a time; a persistent
# wineserver saves starting one per test.
XVFB := xvfb-run -a -s "-screen 0 1024x768x24"
WINDOWS_BUILDS := windows-i686 windows-x64

.PHONY: test-windows build-windows package-windows run-windows $(addprefix test-,$(WINDOWS_BUILDS))
build-windows:
	@scripts/install-deps.sh windows
	cmake --preset windows-i686
	cmake --build --preset windows-i686
	cmake --preset windows-x64
	cmake --build --preset windows-x64

test-windows: $(addprefix test-,$(WINDOWS_BUILDS))

$(addprefix test-,$(WINDOWS_BUILDS)): test-%: build-windows
	$(XVFB) scripts/wine-session.sh --fresh build/$*/wineprefix build/$*/test-drive -- \
		ctest --preset $* --output-on-failure -j1

# The 32-bit program folder as a zip, build/windows-i686/plumavert-fennic-<version>-win32.zip, and the
# setup program beside it, plumavert-fennic-<version>-setup.exe (it builds the 64-bit print monitor too).
package-windows:
	@scripts/install-deps.sh windows
	cmake --preset windows-i686
	cmake --build --preset windows-i686 --target plumavert-fennic setup
	cd build/windows-i686 && cpack -G ZIP

# Starts the 64-bit program under wine64 in a prefix of its own (a display is needed). Wine has no
# printers of its own, so the program says how to install the PDF printer.
run-windows:
	@scripts/install-deps.sh windows
	cmake --preset windows-x64
	cmake --build --preset windows-x64 --target plumavert-fennic
	@if [ -z "$$DISPLAY" ]; then \
		echo "No display found: run 'xvfb-run -a make run-windows' to start the program on a virtual display."; \
		exit 1; \
	fi
	scripts/wine-session.sh $(CURDIR)/build/windows-x64/wineprefix-run -- \
		sh -c '"$$WINE64" build/windows-x64/bin/plumavert-fennic.exe'

format-check:
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

# clang-tidy over the product sources with the dev build's compile commands; fails on any finding.
lint: build
	@scripts/install-deps.sh lint
	scripts/lint.sh

bench-walk: build
	cmake --build --preset dev --target bench_walk
	build/dev/bench/bench_walk_tree build/dev/bench-walk-tree
	build/dev/bench/bench_walk build/dev/bench-walk-tree

bench-print: build
	@scripts/install-deps.sh bench
	cmake --build --preset dev --target bench_print
	build/dev/bench/bench_print

bench-run: build
	@scripts/install-deps.sh bench
	cmake --build --preset dev --target bench_run
	$(BIN)/bench_run

clean:
	rm -rf build
