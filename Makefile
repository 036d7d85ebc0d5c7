# Set-up commands: `make run` starts the window, `make test` runs every test.
# Both install missing Debian packages first, then configure and build.

BUILD    ?= build
JOBS     ?= $(shell nproc 2>/dev/null || echo 2)
PACKAGES := cmake g++ make qt6-base-dev qt6-serialport-dev libfontconfig-dev
RUN_PACKAGES := fonts-wine
# The package test builds, validates and unpacks the .deb (manual pages through
# groff) and runs it on Xvfb.
TEST_PACKAGES := dpkg-dev file desktop-file-utils appstream groff-base xvfb xdotool
PACKAGE_PACKAGES := dpkg-dev file
BENCH_PACKAGES := libbenchmark-dev libx11-dev xvfb xauth
FUZZ_PACKAGES := clang libclang-rt-14-dev

.PHONY: all run test check build deps bench fuzz package clean test-windows windows windows-configure \
        windows-build windows-installer windows-icon qt-mingw format format-check

all: build

# Installs what is missing (as root), or names the one command to run.
define install_missing
	@missing=""; \
	if command -v dpkg-query >/dev/null 2>&1; then \
	  for p in $(1); do \
	    dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	  done; \
	fi; \
	if [ -n "$$missing" ]; then \
	  if [ "$$(id -u)" = 0 ]; then \
	    echo "Installing:$$missing"; \
	    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing >/dev/null || exit 1; \
	  else \
	    echo "Missing Debian packages:$$missing"; \
	    echo "Install them with:  sudo apt-get install -y$$missing"; \
	    exit 1; \
	  fi; \
	fi
endef

deps:
	$(call install_missing,$(PACKAGES))

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build $(BUILD) -j $(JOBS)

test: build
	$(call install_missing,$(TEST_PACKAGES))
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The quick loop: every test but those labelled slow (the end-to-end,
# settings-safety, package and Wine tests).
check: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) -LE slow

# Every C++ source formatted with the project's .clang-format (Debian's
# clang-format); format-check fails, naming the files, where it differs.
FORMAT_PACKAGES := clang-format git
SOURCES = $(shell git ls-files '*.cpp' '*.h' 2>/dev/null)
format:
	$(call install_missing,$(FORMAT_PACKAGES))
	clang-format -i $(SOURCES)

format-check:
	$(call install_missing,$(FORMAT_PACKAGES))
	@bad=""; for f in $(SOURCES); do \
	  clang-format --dry-run -Werror "$$f" >/dev/null 2>&1 || bad="$$bad $$f"; \
	done; \
	if [ -n "$$bad" ]; then echo "Not formatted (run make format):$$bad"; exit 1; fi

run: build
	$(call install_missing,$(RUN_PACKAGES))
	@if [ "$$(uname -s)" = Linux ] && [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ] && [ -z "$$QT_QPA_PLATFORM" ]; then \
	  echo "No display found: the window needs one. On a machine without a screen run:"; \
	  echo "    xvfb-run make run"; \
	  exit 1; \
	fi
	./$(BUILD)/lumidex-app

# The Debian package, written to $(BUILD)/lumidex-app_<version>_<arch>.deb.
package: build
	$(call install_missing,$(PACKAGE_PACKAGES))
	cd $(BUILD) && cpack -G DEB

# Rounds of the start-up comparison (each program once a round).
START_RUNS ?= 11
bench:
	$(call install_missing,$(PACKAGES) $(BENCH_PACKAGES))
	cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DLUMIDEX_BENCH=ON >/dev/null
	cmake --build build-bench -j $(JOBS) --target lumidex-bench lumidex-startwatch bare-window lumidex-app lumidex-send
	QT_QPA_PLATFORM=offscreen ./build-bench/bench/lumidex-bench
	@echo "Start-up against a bare Qt window on a virtual X server:"
	xvfb-run -a -s "-screen 0 1280x1024x24" ./build-bench/bench/lumidex-startwatch --runs $(START_RUNS) \
	  ./build-bench/bench/bare-window ./build-bench/lumidex-app "./build-bench/bench/bare-window --label" \
	  "./build-bench/bench/bare-window --text" "./build-bench/bench/bare-window --accessibility"

# Short bounded libFuzzer runs of the settings-file reader/updater and the
# frame decoder (FUZZ_SECONDS each), built with clang in build-fuzz/.
FUZZ_SECONDS ?= 30
fuzz:
	$(call install_missing,$(PACKAGES) $(FUZZ_PACKAGES))
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMIDEX_FUZZ=ON >/dev/null
	cmake --build build-fuzz -j $(JOBS) --target fuzz_profile fuzz_decoder
	mkdir -p build-fuzz/corpus-profile build-fuzz/corpus-decoder
	./build-fuzz/fuzz/fuzz_profile -max_total_time=$(FUZZ_SECONDS) -max_len=4096 build-fuzz/corpus-profile
	./build-fuzz/fuzz/fuzz_decoder -max_total_time=$(FUZZ_SECONDS) -max_len=1024 build-fuzz/corpus-decoder

# Windows, cross-built with MinGW-w64 against a prebuilt Qt for it (archive
# in QT_MINGW_ARCHIVES, unpacked once into QT_MINGW_CACHE), and tested under
# Wine in a throwaway prefix. Its host tools (moc, rcc, uic) are those of
# Debian's own Qt, the same version (qt6-base-dev and qt6-base-dev-tools).
QT_MINGW_VERSION  := 6.4.2
QT_MINGW_ARCHIVES ?= ../shared/qt6-mingw
QT_MINGW_CACHE    ?= $(or $(XDG_CACHE_HOME),$(HOME)/.cache)/lumidex/qt$(QT_MINGW_VERSION)-mingw
WINDOWS_BUILD     ?= build-windows
WINDOWS_PACKAGES  := cmake ninja-build g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 qt6-base-dev \
                     wine64 fonts-wine xz-utils locales xvfb xdotool imagemagick \
                     wixl osslsigncode openssl icoutils
WINDOWS_ICON_PACKAGES := librsvg2-bin icoutils
# Signing of the Windows programs and installer (tools/windows-sign.sh, run
# from the build folder), and the installer's version when it is not the
# project's.
ifneq ($(SIGN_PKCS12),)
override SIGN_PKCS12 := $(abspath $(SIGN_PKCS12))
endif
export SIGN_PKCS12 SIGN_PASSWORD SIGN_TIMESTAMP_URL
MSI_VERSION ?=
QT_MINGW_ARCHIVE := $(QT_MINGW_ARCHIVES)/qt$(QT_MINGW_VERSION)-mingw-w64-x86_64.tar.xz

qt-mingw:
	$(call install_missing,$(WINDOWS_PACKAGES))
	@tools/unpack-qt-mingw.sh "$(QT_MINGW_ARCHIVE)" "$(QT_MINGW_CACHE)"

windows-configure: qt-mingw
	cmake -S . -B $(WINDOWS_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-qt.cmake \
	  -DLUMIDEX_QT_PREFIX=$(QT_MINGW_CACHE)/target \
	  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
	  -DLUMIDEX_MSI_VERSION=$(MSI_VERSION) >/dev/null

windows-build: windows-configure
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)

# The Windows test programs under Wine, then the Linux ones that drive Windows
# programs (label "wine"), all in one throwaway Wine prefix. Screenshots of
# the window under Wine and on Linux go to build-windows/screenshots/. The zip
# and the installer are built first: tests check them.
test-windows: build windows-build
	cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target windows-zip windows-installer
	LUMIDEX_WINE_RUN=$(abspath $(WINDOWS_BUILD))/wine-run \
	LUMIDEX_WINDOWS_BUILD=$(abspath $(WINDOWS_BUILD)) \
	LUMIDEX_SCREENSHOTS=$(abspath $(WINDOWS_BUILD))/screenshots \
	tools/wine-session.sh sh -c '\
	  status=0; \
	  ctest --test-dir $(WINDOWS_BUILD) --output-on-failure -j $(JOBS) || status=1; \
	  ctest --test-dir $(BUILD) -L wine --output-on-failure -j $(JOBS) || status=1; \
	  exit $$status'

# The folder to hand to a Windows user, build-windows/lumidex/, and the same
# as build-windows/lumidex-app-<version>-win64.zip.
windows: windows-configure
	cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target windows-zip
	@echo "Windows program: $(WINDOWS_BUILD)/lumidex/ (lumidex-app.exe and lumidex-send.exe with their DLLs), zipped beside it"

# The installer, build-windows/lumidex-app-<version>-x64.msi (MSI_VERSION=
# gives it another version).
windows-installer: windows-configure
	cmake --build $(WINDOWS_BUILD) -j $(JOBS) --target windows-installer

# Renders windows/lumidex-app.ico again from the program's SVG icon.
windows-icon:
	$(call install_missing,$(WINDOWS_ICON_PACKAGES))
	tools/make-windows-icon.sh

clean:
	rm -rf $(BUILD) build-bench build-fuzz $(WINDOWS_BUILD)
