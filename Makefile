# The two commands of the README, and a few more for developers.
#   make run [ARGS="--windowed --start 24"]   build (release) and play
#   make test                                 build and run every test headless
#   make PRESET=debug|asan|tsan test          the same with another preset
#   make bench                                frame times per section, timer stats
#   make install [PREFIX=/usr/local]          program, desktop entry, icon, manual
#   make package                              build/package/quorbel_<version>_<arch>.deb
#   make WERROR=1 test                        warnings are errors (CI)
PRESET ?= release
BUILD := build/$(PRESET)
JOBS ?= $(shell nproc)
# More ctest arguments for `make test`, e.g. CTEST_ARGS='-R Golden'.
CTEST_ARGS ?=
ARGS ?=
PREFIX ?= /usr/local
WERROR ?=

CONFIGURE_FLAGS := -DCMAKE_COMPILE_WARNING_AS_ERROR=$(if $(WERROR),ON,OFF)

# The sanitizer options only matter to the asan and tsan presets: Mesa, EGL
# and the desktop bus are not built with the sanitizers. Under ASan Mesa's
# GL driver and EGL library are kept loaded to the end, so that the leak
# check at exit still sees what they hold (see tests/support/lsan.supp);
# ASan then lets them come before its own runtime in the list of
# libraries, which is harmless since neither replaces malloc.
LIBDIR := /usr/lib/$(shell gcc -print-multiarch 2>/dev/null)
MESA_KEPT := $(LIBDIR)/dri/swrast_dri.so:$(LIBDIR)/libEGL_mesa.so.0
# LeakSanitizer would list the suppressions it used on stderr, which tests
# that want a silent stderr (a live show ending by itself) take for a
# report; without them it prints only leaks it did not suppress.
SANITIZER_ENV := \
  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/support/lsan.supp:print_suppressions=0 \
  TSAN_OPTIONS=suppressions=$(CURDIR)/tests/shell/tsan-mesa.supp
ifeq ($(PRESET),asan)
SANITIZER_ENV += LD_PRELOAD=$(MESA_KEPT) ASAN_OPTIONS=verify_asan_link_order=0
endif

.PHONY: run test build bootstrap bench clean install package

run: build
	./$(BUILD)/quorbel $(ARGS)

# Headless: SDL's offscreen video (EGL, llvmpipe without a GPU) and dummy
# audio, whatever the session has.
test: build
	cd $(BUILD) && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
	  $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS) $(CTEST_ARGS)

build: bootstrap
	cmake --preset $(PRESET) $(CONFIGURE_FLAGS) >/dev/null
	cmake --build --preset $(PRESET) -j $(JOBS)

bench: build
	SDL_VIDEODRIVER=offscreen ./$(BUILD)/quorbel --bench
	./$(BUILD)/bench/timer/timer_bench

# Only what is installed is built; DESTDIR=... stages it elsewhere.
install: bootstrap
	cmake --preset $(PRESET) >/dev/null
	cmake --build --preset $(PRESET) -j $(JOBS) --target quorbel quorbel_manual
	cmake --install $(BUILD) --prefix $(PREFIX) --strip

# Its own build (no tests, tools or benchmarks) in build/package; the
# package's dependencies come from dpkg-shlibdeps.
package: bootstrap
	cmake --preset package >/dev/null
	cmake --build --preset package -j $(JOBS)
	cd build/package && cpack

bootstrap:
	@scripts/bootstrap

clean:
	rm -rf build
