# The two commands of the README: `make run` and `make test`.
PRESETS_TESTED := default asan
JOBS ?= $(shell nproc)

.PHONY: setup build run test bench tsan clean

setup:
	@scripts/setup.sh

build: setup
	cmake --preset default >/dev/null
	cmake --build --preset default -j $(JOBS)

run: build
	@scripts/run.sh build/default/bin/zt4

test: setup
	@set -e; for p in $(PRESETS_TESTED); do \
	    echo "== preset $$p"; \
	    cmake --preset $$p >/dev/null; \
	    cmake --build --preset $$p -j $(JOBS); \
	    ctest --preset $$p; \
	done

tsan: setup
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan -j $(JOBS)
	ctest --preset tsan

bench: build
	@bench/run_all.sh build/default

clean:
	rm -rf build
