# The project's front door: `make run` starts the main program, `make test`
# installs what is missing, builds both presets and runs every test.
PRESETS := win32 win64
JOBS ?= $(shell nproc)

.PHONY: all deps build test run clean $(PRESETS)

all: build

deps:
	@bash cmake/install-deps.sh

build: deps $(PRESETS)

$(PRESETS):
	@cmake --preset $@ >/dev/null
	@cmake --build build/$@ -j $(JOBS) -- --no-print-directory

test: build
	@bash cmake/test-session.sh

run: deps win32
	@bash cmake/run-panel.sh

clean:
	rm -rf build
