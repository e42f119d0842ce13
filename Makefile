# The two commands of the README: `make run` and `make test`.
PRESETS_TESTED := default asan fuzz
JOBS ?= $(shell nproc)
# `make fuzz`: seconds per target, and processes side by side.
FUZZ_SECONDS ?= 300
FUZZ_JOBS ?= 1

.PHONY: setup build run test bench tsan fuzz clean

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

fuzz: setup
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)
	@status=0; for t in decode faq tags uri; do \
	    FUZZ_JOBS=$(FUZZ_JOBS) FUZZ_MERGE=1 tests/fuzz/run_fuzz.sh build/fuzz $$t $(FUZZ_SECONDS) || status=1; \
	done; exit $$status

bench: build
	@bench/run_all.sh build/default

clean:
	rm -rf build
