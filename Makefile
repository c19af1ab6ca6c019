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

# Cross-compiles for 32- and 64-bit Windows and runs the 64-bit tests under Wine in a fresh prefix. The
# tests share the prefix's registry and printers, so they run one at a time; a persistent wineserver
# saves starting one per test.
WINE_PREFIX := $(CURDIR)/build/windows-x64/wineprefix
WINE_DRIVE := $(CURDIR)/build/windows-x64/test-drive
WINE_ENV := WINEPREFIX=$(WINE_PREFIX) WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" PF_TEST_DRIVE=T:
# Found by the shell when the recipe runs, after the Windows packages are installed: Debian keeps the
# 64-bit loader out of PATH.
WINE64 = $$(command -v /usr/lib/wine/wine64 || command -v wine64 || echo wine64)

.PHONY: test-windows
test-windows:
	@scripts/install-deps.sh windows
	cmake --preset windows-i686
	cmake --build --preset windows-i686
	cmake --preset windows-x64
	cmake --build --preset windows-x64
	rm -rf $(WINE_PREFIX) $(WINE_DRIVE) && mkdir -p $(WINE_PREFIX) $(WINE_DRIVE)
	$(WINE_ENV) wineserver -p
	$(WINE_ENV) $(WINE64) wineboot -i > /dev/null 2>&1 && \
		ln -s $(WINE_DRIVE) $(WINE_PREFIX)/dosdevices/t: && \
		$(WINE_ENV) ctest --preset windows-x64 --output-on-failure -j1; status=$$?; \
		$(WINE_ENV) wineserver -k; exit $$status

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
