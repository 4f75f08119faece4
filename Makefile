# make run   installs what is missing, builds and starts the editor.
# make test  installs what is missing, builds and runs every test.
# make format applies .clang-format to every C++ file of the tree.
JOBS ?= $(shell nproc)
BUILD ?= build

.PHONY: setup build run test test-asan test-tsan format clean

setup:
	@tools/setup.sh

build: setup
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@if [ -z "$$DISPLAY" ]; then echo "The Orvane Editor needs a graphical display: set DISPLAY (or run it under Xvfb)." >&2; exit 1; fi
	$(BUILD)/bin/orvane-editor

test: build
	tools/with-display.sh ctest --test-dir $(BUILD) --output-on-failure

test-asan:
	$(MAKE) test BUILD=build-asan CMAKE_ARGS=-DORVANE_SANITIZER=address

test-tsan:
	$(MAKE) test BUILD=build-tsan CMAKE_ARGS=-DORVANE_SANITIZER=thread

format: setup
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format -i --style=file

clean:
	rm -rf build build-asan build-tsan
