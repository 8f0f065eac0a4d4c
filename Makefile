# The two commands: `make run` starts the program under Wine, `make test` builds everything and
# runs every test. Both install what is missing first.
.PHONY: deps build build-native build-windows build-fuzz package run test bench fuzz screenshots clean

FUZZ_SECONDS ?= 120

deps:
	@bash scripts/install-deps.sh

build: deps build-windows package build-native build-fuzz

build-windows:
	cmake --preset windows-x64 >/dev/null
	cmake --build --preset windows-x64
	cmake --preset windows-x86 >/dev/null
	cmake --build --preset windows-x86

# The Windows Installer packages, x64 and x86, into build/package/, with their SHA-256 sums.
package: deps build-windows
	rm -f build/package/*.msi
	bash installer/build_package.sh x64 build/windows-x64 build/package
	bash installer/build_package.sh x86 build/windows-x86 build/package
	cd build/package && sha256sum *.msi > SHA256SUMS

build-native:
	cmake --preset native >/dev/null
	cmake --build --preset native

build-fuzz:
	CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DTOLVEX_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	cmake --build build/fuzz --target fuzzers

# Every fuzz target for FUZZ_SECONDS each.
fuzz: deps build-fuzz
	bash tests/fuzz/run_fuzz.sh $(FUZZ_SECONDS) build/fuzz

# Benchmarks of the phonebook unit; their figures are kept in bench/README.md, never asserted.
bench: deps
	cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVEX_BENCH=ON >/dev/null
	cmake --build build/bench --target phonebook_bench eventlog_bench
	bash bench/run_bench.sh build/bench

run: deps
	cmake --preset windows-x64 >/dev/null
	cmake --build --preset windows-x64
	bash scripts/run_app.sh build/windows-x64

# A second build of the commit elsewhere must give the same programs and packages.
test: build
	bash scripts/check_reproducible.sh build
	ctest --preset native

# Saves the dialog's screenshots from the end-to-end run into docs/.
screenshots:
	for shot in dialog-en dialog-ja connected-en; do \
	  convert build/windows-x64/e2e/screenshots/$$shot.png -crop 300x125+0+0 +repage docs/$$shot.png; \
	done
	convert build/windows-x64/e2e/screenshots/diagnostics-en.png -crop 566x358+0+0 +repage docs/diagnostics-en.png

clean:
	rm -rf build
