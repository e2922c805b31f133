# Two commands set everything up on a fresh Debian 12 machine:
#   make test   install packages, build with sanitizers, run every test
#   make demo   install packages, build, convert the sample database
.PHONY: test demo deps build build-test fuzz-smoke format-check package package-check clean

JOBS ?= $(shell nproc)
BUILD ?= build
TEST_BUILD ?= build-test
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 5

deps:
	@scripts/install-deps.sh

# The test build has its own folder, so that switching between `make test`
# and `make demo` rebuilds nothing.
test: deps
	cmake -S . -B $(TEST_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	-DTARVEL_TESTS=ON -DTARVEL_SANITIZE=ON
	cmake --build $(TEST_BUILD) -j $(JOBS)
	cd $(TEST_BUILD) && ctest --output-on-failure -j $(JOBS)
	@$(MAKE) --no-print-directory format-check
	@$(MAKE) --no-print-directory fuzz-smoke
	@$(MAKE) --no-print-directory package-check

# Every C and C++ file as .clang-format says.
format-check:
	@scripts/format-check.sh

# Each libFuzzer target runs a few seconds over its seed corpus.
fuzz-smoke:
	CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZ_BUILD) -G Ninja \
	-DCMAKE_BUILD_TYPE=Debug -DTARVEL_TESTS=OFF -DTARVEL_WIZARD=OFF -DTARVEL_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_all
	scripts/fuzz-smoke.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVEL_TESTS=OFF
	cmake --build $(BUILD) -j $(JOBS)

# The Debian package, from the optimised build: build/package/tarvel_<version>_amd64.deb.
package: build
	cd $(BUILD) && cpack -G DEB

package-check: package
	scripts/package-check.sh $(BUILD)

demo: build
	@scripts/demo.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(TEST_BUILD) $(FUZZ_BUILD)
