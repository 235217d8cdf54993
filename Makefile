# Front door: `make run` and `make test` work on a fresh Debian 12 machine.
BUILD_DIR ?= build
BUILD_TYPE ?= Release
CMAKE_FLAGS ?=
JOBS ?= 2
PREFIX ?= /usr/local

ASAN_DIR ?= build-asan
TSAN_DIR ?= build-tsan
# The programs whose work is split over two threads: the shared helpers,
# tables, the chunked readers and writers, the transforms that split, and
# the graph and window runs on their worker thread.
TSAN_TESTS ?= tst_dataset tst_textcolumn tst_values tst_chunkedread tst_streamedrun tst_delimitedwriter tst_formatwriters \
	tst_join tst_pivot tst_unique tst_sort tst_goldencases tst_structuredreaders \
	tst_parallel tst_paralleltransforms tst_javascript tst_inputnode tst_commandline \
	tst_graphmodel tst_graphworker tst_mainwindowdocument tst_mainwindow tst_windowfaults \
	tst_mainwindowworkflow tst_columnprofile tst_runrecord tst_batchrun
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 600
FUZZ_TARGETS ?= delimited document clipboard commandline json jsonlines xml vcard fixedwidth \
	xlsx xlsxparts xls transforms
FUZZ_SMOKE_SECONDS ?= 30

.PHONY: all bootstrap configure build run test test-asan test-tsan fuzz fuzz-smoke fuzz-build fuzz-one bench clean format format-check install package

all: build

bootstrap:
	@bash scripts/bootstrap.sh

$(BUILD_DIR)/build.ninja:
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)

configure: bootstrap $(BUILD_DIR)/build.ninja

# The moc step does not always notice a header that a re-glob brought in;
# dropping its stamp makes it re-scan (cheap: only changed files are re-mocked).
build: configure
	rm -f $(BUILD_DIR)/*_autogen/timestamp
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	./$(BUILD_DIR)/varnix $(wildcard examples/people.transform)

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --no-tests=error --output-on-failure -j $(JOBS)

# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer
# in a tree of its own (jemalloc left out: the sanitizer brings its own allocator).
# Qt and fontconfig keep caches for the life of the process, so leaks are not
# reported here.
test-asan: bootstrap
	cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		"-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" -DVARNIX_SANITIZE=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_DIR) -j $(JOBS)
	cd $(ASAN_DIR) && QT_QPA_PLATFORM=offscreen \
		ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:allocator_may_return_null=1 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
		ctest --no-tests=error --output-on-failure -j $(JOBS)

# The tests that split work over two threads, built with ThreadSanitizer in a
# tree of its own; a reported race fails the run. Qt's own libraries are not
# instrumented, so its internal locking is taken on trust.
test-tsan: bootstrap
	cmake -S . -B $(TSAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		"-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" -DVARNIX_TSAN=ON $(CMAKE_FLAGS)
	cmake --build $(TSAN_DIR) -j $(JOBS) --target $(TSAN_TESTS)
	cd $(TSAN_DIR) && QT_QPA_PLATFORM=offscreen \
		TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$(CURDIR)/tests/tsan.supp \
		ctest --no-tests=error --output-on-failure -j $(JOBS) \
		-R '/($(subst $(eval) ,|,$(strip $(TSAN_TESTS))))$$'

# libFuzzer targets with AddressSanitizer and UndefinedBehaviorSanitizer, each
# run for FUZZ_SECONDS from the seed corpus of tests/fuzz/corpus (new finds
# are kept in $(FUZZ_DIR)/corpus). The fuzzer runtime comes with Debian's
# libclang-rt-14-dev, installed on first use.
fuzz: fuzz-build
	@for t in $(FUZZ_TARGETS); do \
		$(MAKE) --no-print-directory fuzz-one TARGET=$$t SECONDS=$(FUZZ_SECONDS) || exit 1; \
	done

# Every target for FUZZ_SMOKE_SECONDS from its seeds: a quick check that no
# target fails at once, kept out of `make test`.
fuzz-smoke: fuzz-build
	@for t in $(FUZZ_TARGETS); do \
		$(MAKE) --no-print-directory fuzz-one TARGET=$$t SECONDS=$(FUZZ_SMOKE_SECONDS) || exit 1; \
	done

fuzz-build: bootstrap
	@dpkg -s clang libclang-rt-14-dev >/dev/null 2>&1 || \
		$$( [ "$$(id -u)" = 0 ] || echo sudo ) apt-get install -y clang libclang-rt-14-dev
	CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		"-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" -DVARNIX_FUZZ=ON $(CMAKE_FLAGS)
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target $(addprefix fuzz_,$(FUZZ_TARGETS))

fuzz-one:
	@mkdir -p $(FUZZ_DIR)/corpus/$(TARGET) $(FUZZ_DIR)/findings/$(TARGET)
	@echo "fuzz_$(TARGET): $(SECONDS) s"
	QT_QPA_PLATFORM=offscreen LSAN_OPTIONS=suppressions=tests/fuzz/lsan.supp \
		./$(FUZZ_DIR)/tests/fuzz/fuzz_$(TARGET) -max_total_time=$(SECONDS) \
		-timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
		-artifact_prefix=$(FUZZ_DIR)/findings/$(TARGET)/ \
		$(FUZZ_DIR)/corpus/$(TARGET) tests/fuzz/corpus/$(TARGET)

# In-process benchmarks, then whole jobs side by side with pandas and DuckDB
# (installed on first use) on the generated 1,000,000-row file.
bench: build
	QT_QPA_PLATFORM=offscreen ./$(BUILD_DIR)/bench/varnix_bench
	bash bench/peers.sh
	bash bench/startup.sh $(BUILD_DIR)/varnix
	QT_QPA_PLATFORM=offscreen ./$(BUILD_DIR)/bench/varnix_windowstall
	QT_QPA_PLATFORM=offscreen ./$(BUILD_DIR)/bench/varnix_columnfrequencies
	QT_QPA_PLATFORM=offscreen ./$(BUILD_DIR)/bench/varnix_profilestrip

# The program, its menu entry, icons, file type and manual page under PREFIX
# (run as root for /usr/local; DESTDIR stages them elsewhere). A package gets
# its desktop, MIME and icon caches refreshed by triggers; here it is done by
# hand, and only for a real install. It builds only when nothing is built
# yet, so that `sudo make install` after `make build` leaves no files owned by
# root in the build folder.
install: $(BUILD_DIR)/varnix
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)
	@if [ -z "$(DESTDIR)" ]; then \
	  if command -v update-desktop-database >/dev/null; then update-desktop-database -q $(PREFIX)/share/applications; fi; \
	  if command -v update-mime-database >/dev/null; then update-mime-database $(PREFIX)/share/mime; fi; \
	  if command -v gtk-update-icon-cache >/dev/null; then gtk-update-icon-cache -q -t -f $(PREFIX)/share/icons/hicolor; fi; \
	fi

$(BUILD_DIR)/varnix:
	$(MAKE) build

# The Debian package $(BUILD_DIR)/varnix_<version>_<arch>.deb, from the built tree.
package: build
	bash scripts/package.sh $(BUILD_DIR)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Fails when a checked-in source differs from the project's format.
format-check: bootstrap
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

clean:
	rm -rf $(BUILD_DIR)
