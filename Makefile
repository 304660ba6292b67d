# The project's front door: `make run` starts the main program, `make test`
# installs what is missing, builds the Windows presets and the native Linux
# ones and the packages (`make dist`) and runs every test (the API's fuzz
# target among them, for a bounded time); `make fuzz` fuzzes the API for longer.
PRESETS := win32 win64
# The native build as shipped, under AddressSanitizer + UndefinedBehaviorSanitizer,
# and under ThreadSanitizer (its thread tests only).
NATIVE_PRESETS := linux linux-asan linux-tsan
JOBS ?= $(shell nproc)
# The preset whose control panel `make run` starts.
PRESET ?= win64
# Seconds `make fuzz` runs the API's fuzz target.
FUZZ_SECONDS ?= 600

.PHONY: all deps build dist test fuzz run clean $(PRESETS) $(NATIVE_PRESETS)

all: build

deps:
	@bash cmake/install-deps.sh

build: deps $(PRESETS) $(NATIVE_PRESETS)

$(PRESETS) linux linux-asan:
	@cmake --preset $@ >/dev/null
	@cmake --build build/$@ -j $(JOBS) -- --no-print-directory

# Only what its tests run.
linux-tsan:
	@cmake --preset $@ >/dev/null
	@cmake --build build/$@ -j $(JOBS) --target api_tests sim_tests -- --no-print-directory

# The installer package of each word size and the SDK zip, in dist/.
dist: deps $(PRESETS)
	@bash cmake/make-dist.sh

test: build dist
	@bash cmake/test-session.sh

# Continues from the corpus grown by earlier runs (build/linux-asan/fuzz).
fuzz: deps linux-asan
	@bash cmake/fuzz-api.sh build/linux-asan/bin/api_fuzz api/fuzz/corpus build/linux-asan/fuzz $(FUZZ_SECONDS)

# The preset is checked before it is built: one this machine cannot run is
# refused with the reason.
run: deps
	@bash cmake/run-panel.sh --check $(PRESET)
	@$(MAKE) --no-print-directory $(PRESET)
	@bash cmake/run-panel.sh $(PRESET)

clean:
	rm -rf build dist
