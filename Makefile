# Thin front door: the work is in scripts/ and CMake.
.PHONY: all setup build test demo bench fuzz package maven clean

all: build

setup:
	@sh scripts/setup.sh

build: setup
	@sh scripts/build.sh

# It builds too, beside the 32-bit guest's image when that is missing.
test: setup
	@sh scripts/test.sh

# Builds only what it packs with.
demo: setup
	@sh scripts/build.sh demo
	@sh scripts/demo.sh

# zov-maven-plugin, built offline and installed into $ZOV_M2 (default
# ~/.m2/repository); make test does it too.
maven: setup
	@sh scripts/maven.sh

# Not a test: measures, reports, and fails only when it cannot measure.
bench: build
	@sh bench/run.sh

# Each fuzz target for FUZZ_SECONDS (default 60) seconds.
fuzz: build
	@FUZZ_SECONDS=$(or $(FUZZ_SECONDS),60) sh scripts/fuzz.sh

# build/zov_<version>_amd64.deb, and zovpack.exe with its stubs in
# build/zov-<version>-windows.zip.
package: build
	@cmake --build build/linux --target package zov_windows_zip

clean:
	rm -rf build
