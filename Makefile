# The two commands of the README, and a few more for developers.
PRESET ?= release
BUILD := build/$(PRESET)
JOBS ?= $(shell nproc)

.PHONY: run test build bootstrap clean

run: build
	./$(BUILD)/quorbel

test: build
	cd $(BUILD) && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy \
	  ctest --output-on-failure -j $(JOBS)

build: bootstrap
	cmake --preset $(PRESET) >/dev/null
	cmake --build --preset $(PRESET) -j $(JOBS)

bootstrap:
	@scripts/bootstrap

clean:
	rm -rf build
