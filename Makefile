# The two commands of the README, and a few more for developers.
#   make run [ARGS="--windowed --start 24"]   build (release) and play
#   make test                                 build and run every test headless
#   make PRESET=debug|asan|tsan test          the same with another preset
#   make bench                                frame times per section, timer stats
PRESET ?= release
BUILD := build/$(PRESET)
JOBS ?= $(shell nproc)
ARGS ?=

.PHONY: run test build bootstrap bench clean

run: build
	./$(BUILD)/quorbel $(ARGS)

# Headless: SDL's offscreen video (EGL, llvmpipe without a GPU) and dummy
# audio, whatever the session has.
# The sanitizer options only matter to the asan and tsan presets: Mesa, EGL
# and the desktop bus are not built with the sanitizers.
test: build
	cd $(BUILD) && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/support/lsan.supp \
	  TSAN_OPTIONS=suppressions=$(CURDIR)/tests/shell/tsan-mesa.supp \
	  ctest --output-on-failure -j $(JOBS)

build: bootstrap
	cmake --preset $(PRESET) >/dev/null
	cmake --build --preset $(PRESET) -j $(JOBS)

bench: build
	SDL_VIDEODRIVER=offscreen ./$(BUILD)/quorbel --bench
	./$(BUILD)/bench/timer/timer_bench

bootstrap:
	@scripts/bootstrap

clean:
	rm -rf build
