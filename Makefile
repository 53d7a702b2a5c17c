# shiori: the two commands of the README.
#   make run [ARGS="0 r"]   set up, build the reader alone and start it
#   make test               set up, build the tests and run them (without the
#                           real-text corpus, ../shared/corpus or
#                           SHIORI_CORPUS_DIR, the tests that read it skip)
#   make build              build everything: the reader, the tests, the benchmarks
# The Windows program, cross-built with MinGW-w64 and tested under wine:
#   make windows            build build-win/shiori.exe
#   make test-windows       build it with its tests and run them under wine
#   make sanitize           every test again under ASan and UBSan (build-sanitize/)
#   make fuzz [FUZZ_SECONDS=30]  each libFuzzer target of fuzz/ for that long (build-fuzz/)
#   make bench              build and run the benchmarks (bench/README.md)
BUILD ?= build
WINBUILD ?= build-win
JOBS ?= 2
ARGS ?=
FUZZ_SECONDS ?= 30

.PHONY: run test build configure deps clean windows test-windows sanitize fuzz bench

deps:
	@scripts/setup-deps.sh base test speech music image cues

configure: deps
	@cmake -S . -B $(BUILD) -DSHIORI_WERROR=$(if $(CI),ON,OFF) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: configure
	@cmake --build $(BUILD) -j $(JOBS) --target shiori
	@$(BUILD)/shiori $(ARGS)

test: configure
	@cmake --build $(BUILD) -j $(JOBS) --target shiori_tests
	@scripts/run-ctest.sh $(BUILD) --output-on-failure --timeout 300 -j $(JOBS)

windows:
	@SHIORI_WERROR=$(if $(CI),ON,OFF) JOBS=$(JOBS) scripts/build-windows.sh $(WINBUILD)

test-windows:
	@SHIORI_WERROR=$(if $(CI),ON,OFF) JOBS=$(JOBS) scripts/test-windows.sh $(WINBUILD)

sanitize:
	@JOBS=$(JOBS) scripts/test-sanitize.sh

fuzz:
	@JOBS=$(JOBS) scripts/fuzz.sh $(FUZZ_SECONDS)

bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target shiori_bench
	@$(BUILD)/shiori_bench

clean:
	rm -rf $(BUILD) $(WINBUILD) build-sanitize build-fuzz
