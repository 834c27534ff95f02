# Entry points for people and CI; the real work is in CMakePresets.json.
#   make test   every test suite: native, sanitizers, 32-bit Windows under Wine,
#               a second build of what make dist ships, from a copy of the tree in
#               another folder, compared byte for byte with the first (about a
#               minute), and the fuzzer (its corpus replayed, then a minute of new inputs);
#               where the kernel cannot run 32-bit programs, the Windows tests
#               run on a 64-bit build of the same sources under wine64 instead
#   make demo   the stand-in host draws the examples through Tessaly.dll into out/
#   make draw   the interactive stand-in on your display (DRAW_ARGS adds options),
#               recording the session to out/session.strokes
#   make dist   dist/Tessaly-VERSION.zip: Tessaly.dll, the install note, the stand-in
#               and the validator, and dist/SHA256SUMS; the same sources give the
#               same bytes, in any folder (make test builds them twice and compares)
#   make bench  the stamping benchmarks: the fast engine against the previous
#               revision's, the literal one and the write-once baseline,
#               natively and under Wine, and what each stamping path buys
#   make fuzz   FUZZ_SECONDS (600) of fuzzing; inputs that add coverage go to fuzz/corpus
#   make fuzz-scripts  the same for the stand-in's script reader, into fuzz/script-corpus
# Each target installs missing prerequisites first.

.PHONY: prereqs test test-native test-sanitize test-win32 test-win64 test-fuzz test-reproducible \
	build-win32 dist bench fuzz fuzz-scripts demo draw format clean

prereqs:
	@scripts/install-prereqs.sh

# Exit status 77 from this probe: the kernel cannot run 32-bit programs.
CAN_RUN_WIN32 = sh cmake/wine-run.sh --host true 2>/dev/null

# $(call with-windows-build,TARGETS,SCRIPT,ARGS): SCRIPT BUILD_DIR ARGS with the
# 32-bit build (its TARGETS built already); where the kernel cannot run 32-bit
# programs, with the 64-bit build under wine64 instead, its TARGETS built here.
with-windows-build = if $(CAN_RUN_WIN32); then $(2) build/win32 $(3); else \
	  echo "No 32-bit programs on this machine: using the 64-bit build of the pen under wine64."; \
	  cmake --preset win64 >/dev/null && cmake --build --preset win64 --target $(1) && \
	  TESSALY_WINE=/usr/lib/wine/wine64 $(2) build/win64 $(3); fi

# What make dist packs: the 32-bit build's library, the stand-in's programs
# and the validator.
DIST_TARGETS = Tessaly standin standin-gui pencheck

test: prereqs
	cmake --workflow --preset native
	cmake --workflow --preset sanitize
	cmake --workflow --preset win32
	python3 scripts/check_reproducible.py $(DIST_TARGETS)
	@$(CAN_RUN_WIN32) || { echo "No 32-bit programs on this machine: the Windows tests run on the 64-bit build."; \
	  cmake --workflow --preset win64; }
	cmake --workflow --preset fuzz

test-native: prereqs
	cmake --workflow --preset native

test-sanitize: prereqs
	cmake --workflow --preset sanitize

test-win32: prereqs
	cmake --workflow --preset win32

test-win64: prereqs
	cmake --workflow --preset win64

test-fuzz: prereqs
	cmake --workflow --preset fuzz

# A second build of the shipped files from a copy of the tree, compared byte
# for byte with build/win32's.
test-reproducible: prereqs
	python3 scripts/check_reproducible.py $(DIST_TARGETS)

build-win32: prereqs
	cmake --preset win32
	cmake --build --preset win32

# The library, the note with Windows line ends, and the stand-in and the
# validator a user runs when something goes wrong (scripts/pack-dist.sh), with
# their checksum.
dist: prereqs
	cmake --preset win32
	cmake --build --preset win32 --target $(DIST_TARGETS)
	@sh scripts/pack-dist.sh build/win32 dist

# Optimised native build; prints a table of medians and ratios when done
# (BENCH_ARGS adds Google Benchmark options). Then the timers of the tiny and
# the long strokes, natively and in the Windows build under Wine: the 32-bit
# one, or the 64-bit one under wine64 where the kernel cannot run 32-bit
# programs. Then the gains of the stamping paths, last because it fails (and
# make bench with it) when a row no longer wins where the table says it does.
WINE_TIMERS = tiny_strokes long_strokes
bench: prereqs
	cmake --preset bench
	cmake --build --preset bench
	build/bench/bench/stamping_benchmark --benchmark_enable_random_interleaving=true $(BENCH_ARGS)
	build/bench/bench/tiny_strokes
	build/bench/bench/long_strokes
	@if $(CAN_RUN_WIN32); then \
	  cmake --preset win32 >/dev/null && cmake --build --preset win32 --target $(WINE_TIMERS) && \
	  sh bench/wine-bench.sh build/win32 $(WINE_TIMERS); \
	else \
	  echo "No 32-bit programs on this machine: the timers under Wine run in the 64-bit build, under wine64."; \
	  cmake --preset win64 >/dev/null && cmake --build --preset win64 --target $(WINE_TIMERS) && \
	  TESSALY_WINE=/usr/lib/wine/wine64 sh bench/wine-bench.sh build/win64 $(WINE_TIMERS); fi
	build/bench/bench/path_gains

# Fuzzes the pen entry point; any crash or failed check stops the run and
# leaves the input in build/fuzz/artifacts. New inputs that add coverage are
# merged into fuzz/corpus, to be committed. FUZZ_ARGS adds libFuzzer options.
FUZZ_SECONDS ?= 600
fuzz: prereqs
	cmake --preset fuzz
	cmake --build --preset fuzz --target pen_fuzzer
	FUZZ_ARGS="$(FUZZ_ARGS)" sh fuzz/run-fuzzer.sh keep build/fuzz/fuzz/pen_fuzzer fuzz/corpus \
	  build/fuzz $(FUZZ_SECONDS)

# Inputs carry the pictures their scripts read, hence the longer inputs.
fuzz-scripts: prereqs
	cmake --preset fuzz
	cmake --build --preset fuzz --target script_fuzzer
	FUZZ_ARGS="$(FUZZ_ARGS)" FUZZ_MAX_LEN=65536 sh fuzz/run-fuzzer.sh keep \
	  build/fuzz/fuzz/script_fuzzer fuzz/script-corpus build/fuzz/scripts $(FUZZ_SECONDS)

# The stand-in host replays examples/ through the real DLL under Wine.
demo: prereqs
	cmake --preset win32
	cmake --build --preset win32 --target Tessaly standin
	@$(call with-windows-build,Tessaly standin,scripts/demo.sh)

draw: prereqs
	cmake --preset win32
	cmake --build --preset win32 --target Tessaly standin standin-gui
	@$(call with-windows-build,Tessaly standin standin-gui,scripts/draw.sh,$(DRAW_ARGS))

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build dist out
