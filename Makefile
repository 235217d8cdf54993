# Front door: `make run` and `make test` work on a fresh Debian 12 machine.
BUILD_DIR ?= build
BUILD_TYPE ?= Release
CMAKE_FLAGS ?=
JOBS ?= 2
PREFIX ?= /usr/local

.PHONY: all bootstrap configure build run test bench clean format format-check install package

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

# In-process benchmarks, then whole jobs side by side with pandas and DuckDB
# (installed on first use) on the generated 1,000,000-row file.
bench: build
	QT_QPA_PLATFORM=offscreen ./$(BUILD_DIR)/bench/varnix_bench
	bash bench/peers.sh

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
