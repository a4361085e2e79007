# Kestrow: `make` builds, `make run` starts the program, `make test` runs the suite.
# `make run` and `make test` first install any missing Debian packages.
# `make sanitize` runs the suite under AddressSanitizer and UBSan (leak checking
# on); `make fuzz FUZZ_SECONDS=N` runs every fuzz target for N seconds.
BUILD_DIR ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)
SANITIZE_DIR ?= build-sanitize
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60

# Sanitizer run-time options for the sanitize and fuzz runs: stop at the first
# report, check for leaks at exit, and skip only the leaks of the third-party
# libraries listed (and commented) in tests/lsan.supp.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:check_initialization_order=1:strict_init_order=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

.PHONY: all build setup configure run test install clean format sanitize fuzz

all: build

setup:
	@./scripts/setup.sh

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DCMAKE_EXPORT_COMPILE_COMMANDS=ON

configure: $(BUILD_DIR)/build.ninja

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: setup
	@$(MAKE) --no-print-directory build
	./scripts/run.sh

test: setup
	@$(MAKE) --no-print-directory build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

$(SANITIZE_DIR)/build.ninja:
	cmake -S . -B $(SANITIZE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DKESTROW_SANITIZE=ON

sanitize: setup
	@$(MAKE) --no-print-directory $(SANITIZE_DIR)/build.ninja
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	cd $(SANITIZE_DIR) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS)

$(FUZZ_DIR)/build.ninja:
	CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) -DKESTROW_FUZZ=ON

fuzz: setup
	@$(MAKE) --no-print-directory $(FUZZ_DIR)/build.ninja
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target kestrow_fuzz_targets
	$(SANITIZER_ENV) ./fuzz/run.sh $(FUZZ_DIR) $(FUZZ_SECONDS)

# Installs under PREFIX (default /usr/local); DESTDIR stages the files elsewhere.
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)

format:
	find src tests bench fuzz -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR)
