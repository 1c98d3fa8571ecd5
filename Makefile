# Thin layer over the CMake presets. Every target installs what is missing first.
SHELL := /bin/bash
JOBS ?= 2
FUZZ_SECONDS ?= 600
FUZZ_SMOKE_SECONDS ?= 30

.PHONY: all deps native asan win64 win32 check-win32 fuzz-build test test-native test-asan test-win64 test-win32 test-fuzz demo docs-pictures bench fuzz clean

all: native win64 win32

deps:
	@tools/install-deps

native: deps
	@cmake --preset native >/dev/null
	@cmake --build --preset native -j$(JOBS)

asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j$(JOBS)

win64: deps
	@cmake --preset win64 >/dev/null
	@cmake --build --preset win64 -j$(JOBS)

win32: deps
	@cmake --preset win32 >/dev/null
	@cmake --build --preset win32 -j$(JOBS)

# What ships must import only what Windows 95 and NT 4.0 both export (the
# 64-bit files the same, besides the x64 runtime's own entries), and the
# DLL exports exactly the four server functions and DllInstall.
check-win32: win32 win64
	@tools/check-imports build/win32/OvSShow.dll build/win32/OvUninst.exe build/win64/OvSShow.dll build/win64/OvUninst.exe
	@tools/check-exports build/win32/OvSShow.dll DllCanUnloadNow DllGetClassObject DllInstall DllRegisterServer DllUnregisterServer

fuzz-build: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j$(JOBS)

test-native: native
	ctest --preset native

test-asan: asan
	ctest --preset asan

test-win64: win64
	ctest --preset win64

# The same Wine tests on the i686 build, under the 32-bit Wine that
# tools/setup-wine32 sets up; each is reported as skipped, with the reason,
# where this machine can't run one.
test-win32: win32
	ctest --preset win32

test-fuzz: fuzz-build
	@tools/fuzz-run build/fuzz $(FUZZ_SMOKE_SECONDS)

# Every test: native, under the sanitizers, under Wine in both bitnesses, the
# shipped binaries' imports and exports, a short fuzz run on the seed corpus.
# Every stage runs whatever failed before it; the last line counts them all.
test:
	@JOBS=$(JOBS) FUZZ_SMOKE_SECONDS=$(FUZZ_SMOKE_SECONDS) tools/test-all

# The i686 library's menus too, where a 32-bit Wine can run.
demo: win64
	@demo/run build/win64
	@if tools/setup-wine32 --status >/dev/null 2>&1; then \
		$(MAKE) --no-print-directory win32 && OVS_WINE_ARCH=i686 demo/run build/win32; \
	else echo "demo: the i686 library is not shown: $$(tools/setup-wine32 --status)"; fi

# The menu pictures the README shows (docs/), drawn again by Wine on a virtual
# X display; fails where no X server can be started.
docs-pictures: win64
	@demo/pictures build/win64 build/demo
	@mkdir -p docs
	@# Without time stamps, so a picture that did not change is the same file.
	@/usr/bin/convert build/demo/menu-jpeg-144dpi-pointer.png -define png:exclude-chunks=date,time \
		docs/menu-jpeg-144dpi-pointer.png
	@/usr/bin/convert build/demo/items-jpeg-144dpi-light.png build/demo/items-jpeg-144dpi-dark.png -append \
		-define png:exclude-chunks=date,time docs/items-jpeg-144dpi-light-dark.png
	@echo "docs/menu-jpeg-144dpi-pointer.png, docs/items-jpeg-144dpi-light-dark.png: drawn again"

bench: native win64
	@tools/bench-run

fuzz: fuzz-build
	@tools/fuzz-run build/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf build
