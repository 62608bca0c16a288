# The two commands of the README: `make run` and `make test`. Both install what is missing first:
# `make run` what building and running the program needs, `make test` the test tools besides.
BUILD      ?= build
JOBS       ?= $(shell nproc)
# ninja-build is one of the packages below; on a new machine it is installed only after this file is read.
GENERATOR  := Ninja
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
FUZZ_SECONDS ?= 60

# What building the program needs. fonts-dejavu-core: DejaVu Sans and DejaVu Sans Bold, compiled in
# as the plain face; fonts-dejavu-extra: DejaVu Sans Condensed, the face of the captions drawn into
# the images at build time. The program reads no font file when it runs.
BUILD_PACKAGES := build-essential cmake ninja-build pkg-config \
	juce-modules-source juce-tools libasound2-dev libfreetype-dev libpng-dev libjpeg-dev zlib1g-dev \
	libx11-dev libxrandr-dev libxinerama-dev libxcursor-dev libxext-dev \
	fonts-dejavu-core fonts-dejavu-extra
# What running it needs besides the libraries above: zenity gives the file dialogs of the desktop.
RUN_PACKAGES := zenity
# fontconfig-config: /etc/fonts/fonts.conf, where JUCE finds the font folders for the faces that
# tests make through JUCE itself (to compare the compiled-in faces with).
TEST_PACKAGES := libgtest-dev libgmock-dev googletest libbenchmark-dev \
	xvfb xauth xdotool imagemagick tesseract-ocr tesseract-ocr-eng fontconfig-config
CI_PACKAGES := clang libclang-rt-14-dev
VM_PACKAGES := qemu-system-x86 debootstrap cpio xz-utils zstd
FRESH_PACKAGES := debootstrap git xvfb xdotool

.PHONY: deps test-deps ci-deps build-app build run test test-fresh test-alsa test-asan test-tsan fuzz bench clean

deps:
	@missing=$$(for p in $(BUILD_PACKAGES) $(RUN_PACKAGES) $(EXTRA_PACKAGES); do dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -q && $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $$missing; \
	fi

test-deps:
	@$(MAKE) --no-print-directory deps EXTRA_PACKAGES="$(TEST_PACKAGES) $(EXTRA_PACKAGES)"

ci-deps:
	@$(MAKE) --no-print-directory test-deps EXTRA_PACKAGES="$(CI_PACKAGES)"

# The program alone; the tests too where GoogleTest is installed, but only the program is built.
build-app: deps
	cmake -S . -B $(BUILD) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j$(JOBS) --target KEditor

run: build-app
	$(BUILD)/app/KEditor

build: test-deps
	cmake -S . -B $(BUILD) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKE_TESTS=ON
	cmake --build $(BUILD) -j$(JOBS)

# Every test goes through CTest; the GUI tests share one virtual display.
test: build
	cd $(BUILD) && $(CURDIR)/tools/with-xvfb ctest --output-on-failure -j$(JOBS) --timeout 600

# The two commands above on a fresh Debian of this machine's release: `make run` builds and starts
# the program with its packages alone, then `make test` passes (tools/test-fresh).
test-fresh:
	@$(MAKE) --no-print-directory deps EXTRA_PACKAGES="$(FRESH_PACKAGES)"
	$(SUDO) tools/with-xvfb tools/test-fresh/test-fresh $(BUILD)

# The MIDI sessions against a real ALSA sequencer, in a virtual machine whose image is cached in
# $(BUILD)/alsa-vm. The guest's screenshots come back as PNG in $(BUILD)/alsa-out, failed or not.
test-alsa: build
	@$(MAKE) --no-print-directory deps EXTRA_PACKAGES="$(VM_PACKAGES)"
	@rm -rf $(BUILD)/alsa-out; status=0; \
	$(SUDO) tools/alsa-vm/vm-run $(BUILD) $(BUILD)/alsa-out -- /src/tests/alsa/run-sessions.sh || status=$$?; \
	for f in $(BUILD)/alsa-out/*.xwd $(BUILD)/alsa-out/*.pnm; do \
	  [ ! -f "$$f" ] || { convert "$$f" "$${f%.*}.png" && echo "screenshot: $${f%.*}.png"; } || status=1; \
	done; exit $$status

test-asan: ci-deps
	cmake -S . -B build-asan -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Debug -DKE_SANITIZE=address,undefined -DKE_BENCH=OFF -DKE_TESTS=ON
	cmake --build build-asan -j$(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  $(CURDIR)/tools/with-xvfb ctest --output-on-failure -j$(JOBS) --timeout 900

# The link tests (label "link") under ThreadSanitizer.
test-tsan: ci-deps
	cmake -S . -B build-tsan -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Debug -DKE_SANITIZE=thread -DKE_BENCH=OFF -DKE_TESTS=ON \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
	cmake --build build-tsan -j$(JOBS)
	cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
	  $(CURDIR)/tools/with-xvfb ctest --output-on-failure -j$(JOBS) -L link --timeout 900

fuzz: ci-deps
	cmake -S . -B build-fuzz -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKE_FUZZ=ON -DKE_TESTS=ON \
	  -DKE_SANITIZE=address,undefined -DKE_BENCH=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
	cmake --build build-fuzz -j$(JOBS) --target fuzzers
	tools/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS)

bench: build
	@for b in $$(find $(BUILD) -type f -executable -name 'bench_*'); do echo "== $$b"; $$b; done

clean:
	rm -rf build build-asan build-tsan build-fuzz
