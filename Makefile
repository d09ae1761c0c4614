# Kavrel: `make` builds, `make run` runs the shipped examples, `make test`
# builds and runs every test (plain, then under ASan/UBSan), `make fuzz` builds
# the file readers' libFuzzer targets with clang and runs each for
# FUZZ_SECONDS (fuzz/README.md); `make fuzz-smoke` is a short pass of them.
# `make test-slurm` runs a study through a single-node Slurm on this machine.
# `make verify` runs the verification cases and writes docs/verification.md
# with its figures; it fails when a case leaves its tolerance.
BUILD   := build
ASAN    := build/asan
FUZZ    := build/fuzz
FUZZ_CXX ?= clang++
FUZZ_SECONDS ?= 60
JOBS    ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps build run test test-plain test-sanitize test-tsan test-slurm verify bench fuzz fuzz-build fuzz-smoke clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$(JOBS)
	@test -x $(BUILD)/bin/kavrel-gui || { \
	  echo "***"; \
	  echo "*** kavrel-gui and kavrel plot were NOT built: Qt 6 or QCustomPlot is missing."; \
	  echo "*** Install them with scripts/install-deps.sh (as root or with sudo), then"; \
	  echo "*** remove $(BUILD)/CMakeCache.txt and run make again."; \
	  echo "***"; }

run: deps build
	@rm -rf $(BUILD)/run && mkdir -p $(BUILD)/run
	@cp examples/*.inp examples/*.top $(BUILD)/run/ 2>/dev/null || cp examples/*.inp $(BUILD)/run/
	@for m in panel two_seam hill every_option; do \
	  echo "== kavrel run $(BUILD)/run/$$m.inp"; \
	  $(BUILD)/bin/kavrel run $(BUILD)/run/$$m.inp || exit $$?; \
	  if $(BUILD)/bin/kavrel --help | grep -q '^       kavrel plot'; then \
	    $(BUILD)/bin/kavrel plot $(BUILD)/run/$$m.inp || exit $$?; \
	  fi; \
	done
	@echo "results, logs and pictures are in $(BUILD)/run/"

test: deps test-plain test-sanitize

test-plain: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

test-sanitize:
	cmake -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVREL_SANITIZE=ON -DKAVREL_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(ASAN) -j$(JOBS)
	cd $(ASAN) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

verify: build
	@test -x $(BUILD)/bin/kavrel_verify || { echo "make verify needs Qt 6 and QCustomPlot (scripts/install-deps.sh)"; exit 1; }
	$(BUILD)/bin/kavrel_verify $(BUILD)/bin/kavrel $(BUILD)/verify docs

# The threaded whole runs under ThreadSanitizer: the program and the test
# that runs it with 1, 2 and 3 threads, and the seam solve in row bands.
TSAN := build/tsan
test-tsan:
	cmake -S . -B $(TSAN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAVREL_TSAN=ON -DKAVREL_BENCH=OFF -DKAVREL_GUI=OFF $(CMAKE_FLAGS)
	cmake --build $(TSAN) -j$(JOBS) --target kavrel test_run_run_threads_test test_solver_row_bands_test test_run_worker_pool_test
	cd $(TSAN) && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -R 'run_threads|row_bands|worker_pool'

# A study run through a real single-node Slurm (munge, slurmctld and slurmd
# started and stopped by the script, everything in a temporary folder).
test-slurm: deps build
	scripts/slurm-local.sh $(BUILD)/bin/kavrel

fuzz-build:
	cmake -S fuzz -B $(FUZZ) -DCMAKE_CXX_COMPILER=$(FUZZ_CXX)
	cmake --build $(FUZZ) -j$(JOBS)

fuzz: fuzz-build
	fuzz/run.sh $(FUZZ) $(FUZZ_SECONDS)

fuzz-smoke: fuzz-build
	fuzz/run.sh $(FUZZ) 20

# Every benchmark program; bench_generate_model only writes models (README,
# "Benchmarks"). The whole runs take minutes.
bench: build
	@for b in $(BUILD)/bin/bench_*; do \
	  case $$b in */bench_generate_model) continue;; esac; \
	  echo "== $$b"; $$b || exit $$?; \
	done

clean:
	rm -rf $(BUILD)
