# make run   installs what building and running need, builds and starts the editor.
# make build installs what building needs and builds (the tests too where googletest is).
# make test  installs that and the test tools, builds and runs every test, JOBS side by side,
#            each on a private display of its own.
# make check builds and runs the unit tests alone, in one process (a display of its own).
# make test-debug runs the unit and end-to-end tests in build-debug, with the framework's
#            assertions and leak detector on; an assertion fails the test.
# make format-check fails on any difference from .clang-format.
# make fuzz  builds the fuzz targets with clang and runs each for FUZZ_SECONDS.
# make format applies .clang-format to every C++ file of the tree.
# make explore runs the explorer of the link's course for SECONDS (default 60); EXPLORE_ARGS
#              adds its options (--seed S, --replay "EVENTS", --ignore NAME, --verbose).
JOBS ?= $(shell nproc)
BUILD ?= build
FUZZ_SECONDS ?= 60
SETUP ?= run
FUZZ_TARGETS = fuzz_decoders fuzz_reception fuzz_handshakes fuzz_project_open fuzz_tonewheel_load

.PHONY: setup build run test check test-asan test-tsan test-debug fuzz format format-check clean explore explore-tsan

setup:
	@tools/setup.sh $(SETUP)

build: setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS) $(TARGETS:%=--target %)

run: build
	@if [ -z "$$DISPLAY" ]; then echo "The Orvane Editor needs a graphical display: set DISPLAY (or run it under Xvfb)." >&2; exit 1; fi
	$(BUILD)/bin/orvane-editor

CTEST = ctest --test-dir $(BUILD) --output-on-failure --no-tests=error -j $(JOBS)

test:
	@$(MAKE) --no-print-directory build SETUP=test
	$(CTEST) $(CTEST_ARGS)

check:
	@$(MAKE) --no-print-directory build SETUP=test TARGETS=unit_tests
	tests/run-test.sh $(BUILD)/tests/unit_tests --gtest_color=no

test-asan:
	$(MAKE) test BUILD=build-asan CMAKE_ARGS=-DORVANE_SANITIZER=address

test-tsan:
	$(MAKE) test BUILD=build-tsan CMAKE_ARGS=-DORVANE_SANITIZER=thread

# The framework's assertions print "JUCE Assertion failure" (any fails its test); the count is
# printed from the log of the whole run.
test-debug:
	$(MAKE) test BUILD=build-debug CMAKE_ARGS=-DORVANE_FRAMEWORK_CHECKS=ON CTEST_ARGS="-L 'unit|e2e'"
	@echo "framework assertions hit: $$(grep -c 'JUCE Assertion failure' build-debug/Testing/Temporary/LastTest.log)"

fuzz:
	@tools/setup.sh test
	CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_FUZZ=ON
	cmake --build build-fuzz -j $(JOBS) --target $(FUZZ_TARGETS)
	tools/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# The explorer: random orders of the link's events against the organ emulator (tests/explorer).
SECONDS ?= 60
EXPLORE_ARGS ?=
explore:
	@$(MAKE) --no-print-directory build SETUP=test
	TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/tsan.supp" \
	    tools/with-display.sh $(BUILD)/tests/explorer --gtest_filter=Explore.* --seconds $(SECONDS) $(EXPLORE_ARGS)

explore-tsan:
	$(MAKE) explore BUILD=build-tsan CMAKE_ARGS=-DORVANE_SANITIZER=thread

format:
	@tools/setup.sh format
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format -i --style=file

format-check:
	@tools/setup.sh format
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror --style=file

clean:
	rm -rf build build-asan build-tsan build-debug build-fuzz
