# Entry points on a fresh Debian machine:
#   make demo   build, then find circles and lines in a generated scene
#   make test   build with AddressSanitizer + UBSan and run every test
#   make bench  build optimised and run the benchmarks
#   make peers  install OpenCV, then time our tools against it
#   make fuzz   build the libFuzzer programs with clang and run each FUZZ_TIME seconds
#   make install PREFIX=/usr/local   build, then install the library, its CMake package,
#               pkg-config file and Python module under PREFIX
# Missing Debian packages are installed first (we run as root).

JOBS     ?= $(shell nproc)
CMAKE    ?= cmake
PACKAGES := cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
            libpng-dev nlohmann-json3-dev libcli11-dev \
            pybind11-dev python3-dev python3-numpy python3-pytest
PEER_PACKAGES := libopencv-dev libopencv-contrib-dev python3-skimage
FUZZ_PACKAGES := clang libclang-rt-14-dev

RELEASE := build/release
ASAN    := build/asan
PEERS   := build/peers
FUZZ    := build/fuzz
PREFIX  ?= /usr/local
PYTHON  ?= /usr/bin/python3

# make fuzz: seconds per program, and the programs (fuzz/fuzz_<name>.cpp).
FUZZ_TIME    ?= 60
FUZZ_TARGETS := image_files archive edge_tools

.PHONY: all deps build test demo bench peers fuzz install format clean

all: build

# Install only what dpkg does not already know as installed.
define install_missing
	@missing=$$(for p in $(1); do dpkg -s $$p >/dev/null 2>&1 || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $$missing; \
	fi
endef

deps:
	$(call install_missing,$(PACKAGES))

build: deps
	$(CMAKE) -S . -B $(RELEASE) -DCMAKE_BUILD_TYPE=Release >/dev/null
	$(CMAKE) --build $(RELEASE) -j $(JOBS)

# Tests run optimised (-O1) so that image tests stay quick under the sanitizers.
test: deps
	$(CMAKE) -S . -B $(ASAN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVSHSL_SANITIZE=ON \
	  -DTAVSHSL_BENCH=OFF -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" >/dev/null
	$(CMAKE) --build $(ASAN) -j $(JOBS)
	cd $(ASAN) && ctest --output-on-failure -j $(JOBS)

demo: build
	@bash apps/demo.sh $(RELEASE)

bench: build
	@for b in $(RELEASE)/bin/bench_*; do echo "== $$b"; $$b; done
	@echo "== Python call overhead"; PYTHONPATH=$(RELEASE)/python $(PYTHON) bench/python/overhead.py $(RELEASE)
	@echo "== Peak memory on small hostile files"; $(PYTHON) bench/hostile/peak_memory.py $(RELEASE)

install: build
	$(CMAKE) --install $(RELEASE) --prefix $(PREFIX)

peers: deps
	$(call install_missing,$(PEER_PACKAGES))
	$(CMAKE) -S . -B $(PEERS) -DCMAKE_BUILD_TYPE=Release -DTAVSHSL_PEERS=ON -DTAVSHSL_TESTS=OFF >/dev/null
	$(CMAKE) --build $(PEERS) -j $(JOBS) --target peers peers_shapes
	$(PEERS)/bin/peers
	$(PEERS)/bin/peers_shapes

# New inputs go to build/fuzz/corpus/<name>; a finding is written to build/fuzz/ and stops
# the run. Once fixed, its input belongs in fuzz/corpus/<name>, which `make test` replays.
fuzz: deps
	$(call install_missing,$(FUZZ_PACKAGES))
	$(CMAKE) -S . -B $(FUZZ) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DTAVSHSL_SANITIZE=ON -DTAVSHSL_FUZZ=ON -DTAVSHSL_TESTS=OFF -DTAVSHSL_BENCH=OFF \
	  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" >/dev/null
	$(CMAKE) --build $(FUZZ) -j $(JOBS) $(addprefix --target fuzz_,$(FUZZ_TARGETS))
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ)/corpus/$$t; \
	  echo "== fuzz_$$t, $(FUZZ_TIME) s"; \
	  $(FUZZ)/bin/fuzz_$$t -max_total_time=$(FUZZ_TIME) -rss_limit_mb=2048 \
	    -artifact_prefix=$(FUZZ)/$$t- $(FUZZ)/corpus/$$t fuzz/corpus/$$t || exit 1; \
	done

format:
	@git ls-files '*.h' '*.cpp' | xargs clang-format -i

clean:
	rm -rf build demo/out
