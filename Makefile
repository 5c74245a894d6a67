# Entry points; see README.md. Every target installs what is missing first.
BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_FUZZ ?= build-fuzz
BUILD_WINDOWS ?= build-windows
BUILD_WEB  ?= build-web
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 60

CMAKE_GEN = -G Ninja

.PHONY: all deps build run test test-asan windows test-windows bench fuzz clean web run-web web-tools bench-web bench-read

all: build

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

# Without a display: a virtual one, a picture in $(BUILD)/kavrel.png, then a close.
run: build
	@scripts/run $(BUILD)

test: build test-asan web web-tools
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	cmake -S . -B $(BUILD_ASAN) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DKAVREL_SANITIZE=ON -DKAVREL_BENCH=OFF
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS)

# Kavrel.exe for Windows, cross-compiled with MinGW-w64: build-windows/Kavrel.exe
# and a zip holding it with a text for users.
windows:
	BUILD_WINDOWS=$(BUILD_WINDOWS) JOBS=$(JOBS) scripts/test-windows --build-only

# Kavrel.exe and the tests built for Windows and run under Wine: the core's
# tests and the end-to-end suite on a virtual display.
test-windows:
	BUILD_WINDOWS=$(BUILD_WINDOWS) JOBS=$(JOBS) scripts/test-windows

# The Google Benchmark programs, then start-up, memory and keystroke figures
# of the desktop program on a virtual display, then Kavrel.exe's start-up
# under Wine and its size.
bench: build windows
	@for b in $(BUILD)/bench/bench_*; do \
	  [ -x "$$b" ] || continue; echo "== $$b"; "$$b" || exit 1; done
	@$(MAKE) --no-print-directory bench-read
	@echo "== bench/startup.py"; bench/startup.py $(BUILD)
	cmake --build $(BUILD_WINDOWS) -j $(JOBS) --target bare_window_win32 controls_window_win32
	@echo "== bench/startup_wine.py"; WINEPREFIX=$(abspath $(BUILD_WINDOWS))/wineprefix bench/startup_wine.py $(BUILD_WINDOWS)
	@$(MAKE) --no-print-directory bench-web

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DKAVREL_FUZZ=ON -DKAVREL_QT=OFF -DKAVREL_TESTS=OFF -DKAVREL_BENCH=OFF
	cmake --build $(BUILD_FUZZ) -j $(JOBS)
	@for f in $(BUILD_FUZZ)/fuzz/fuzz_*; do \
	  [ -x "$$f" ] || continue; echo "== $$f"; \
	  mkdir -p $(BUILD_FUZZ)/corpus/$$(basename $$f); \
	  "$$f" -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 -artifact_prefix=$(BUILD_FUZZ)/ $(BUILD_FUZZ)/corpus/$$(basename $$f) || exit 1; \
	done

# The page: kavrel_page (native) writes its texts and layout from the core,
# emscripten compiles the core to WebAssembly, the reading engine comes from
# npm (web-tools); the site is $(BUILD_WEB)/site.
EMSCRIPTEN_ENV = NODE_PATH=/usr/share/nodejs
web: deps web-tools
	cmake -S . -B $(BUILD_WEB)/host $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release \
	  -DKAVREL_QT=OFF -DKAVREL_TESTS=OFF -DKAVREL_BENCH=OFF
	cmake --build $(BUILD_WEB)/host -j $(JOBS) --target kavrel_page
	$(EMSCRIPTEN_ENV) emcmake cmake -S . -B $(BUILD_WEB)/wasm $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=MinSizeRel \
	  -DKAVREL_QT=OFF -DKAVREL_TESTS=OFF -DKAVREL_BENCH=OFF \
	  -DKAVREL_PAGE_TOOL=$(abspath $(BUILD_WEB))/host/ui/web/kavrel_page -DKAVREL_SITE_DIR=$(abspath $(BUILD_WEB))/site
	$(EMSCRIPTEN_ENV) cmake --build $(BUILD_WEB)/wasm -j $(JOBS) --target site

# Serves the site on 127.0.0.1 and prints the address to open; Ctrl+C ends it.
run-web: web
	scripts/serve-web $(BUILD_WEB)/site

# The browser tests' and the web benchmark's packages, as the lock file pins
# them; no browser is downloaded (they drive Debian's chromium).
web-tools: deps node_modules/.package-lock.json
node_modules/.package-lock.json: package.json package-lock.json
	PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund
	@touch $@

# Sizes of the site's files, a keystroke in the page and Lighthouse's
# scores, in headless Chromium; then the photo reader in the page over the
# photos that bench-read reads natively (made once into $(BUILD)).
bench-web: web web-tools
	@echo "== bench/web.mjs"; node bench/web.mjs $(BUILD_WEB)/site
	@echo "== bench/reader.mjs"; node bench/reader.mjs $(BUILD_WEB)/site $(BUILD)

# Reading the serial from photos: make-plates' photos through the core's
# plan and the native engine (the first run makes the photos, some minutes).
bench-read: deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS) --target read_photos
	@echo "== bench/read-photos"; bench/read-photos $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_FUZZ) $(BUILD_WINDOWS) $(BUILD_WEB)
