# shiori: the two commands of the README.
#   make run [ARGS="0 r"]   set up, build and start the reader
#   make test               set up, build and run every test
#   make bench              build and run the benchmarks (bench/README.md)
BUILD ?= build
JOBS ?= 2
ARGS ?=

.PHONY: run test build deps clean bench

deps:
	@scripts/setup-deps.sh base test speech music image cues

build: deps
	@cmake -S . -B $(BUILD) -DSHIORI_WERROR=$(if $(CI),ON,OFF) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@$(BUILD)/shiori $(ARGS)

test: build
	@cd $(BUILD) && ctest --output-on-failure --timeout 300 -j $(JOBS)

bench: build
	@cmake --build $(BUILD) -j $(JOBS) --target shiori_bench
	@$(BUILD)/shiori_bench

clean:
	rm -rf $(BUILD)
