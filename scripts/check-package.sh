#!/usr/bin/env bash
# CI packaging check: builds the Debian package from the already built tree,
# installs it on this machine with apt as a user would, and uses the installed
# copy: -help, a command-line job on the installed example, the manual page,
# and the file type that opens .transform documents with the menu entry.
# The package is removed again at the end unless KEEP_PACKAGE=1. DEB=path
# tries a package built elsewhere (on a fresh machine without a build).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
# Another apt run on the machine holds the lock for a while: wait for it.
apt_get() { $sudo apt-get -o DPkg::Lock::Timeout=300 -y -qq "$@"; }
# Package lists may be missing or stale on a fresh machine: refresh them once
# and retry when an install fails.
apt_install() { apt_get install "$@" || { apt_get update && apt_get install "$@"; }; }

fail() { echo "check-package: $*" >&2; exit 1; }

deb=${DEB:-}
if [ -z "$deb" ]; then
  make package BUILD_DIR="$BUILD_DIR"
  deb=$(ls -t "$BUILD_DIR"/varnix_*.deb | head -n 1)
fi
# apt takes a local file only when the argument is a path.
# Recommends on, as apt has by default: they bring the cache triggers.
(cd "$(dirname "$deb")" && apt_install -o APT::Install-Recommends=true "./$(basename "$deb")")
work=$(mktemp -d)
trap 'cd /; rm -rf "$work"; [ "${KEEP_PACKAGE:-0}" = 1 ] || apt_get remove varnix >/dev/null' EXIT
command -v xdg-mime >/dev/null || apt_install --no-install-recommends xdg-utils

# Run the installed copy from elsewhere, with a home of its own, so nothing
# from the source or build tree can be picked up.
cd "$work"
export HOME="$work"
program=$(command -v varnix) || fail "varnix is not on the PATH"
[ "$program" = /usr/bin/varnix ] || fail "varnix runs from $program, not the package"

help=$(varnix -help)
grep -q '^Usage: varnix' <<<"$help" || fail "-help printed: $help"

# The example's input path is relocated to the installed example folder.
report=$(varnix /usr/share/varnix/examples/people.transform -cli -verbosity 2) \
  || fail "the command-line job failed: $report"
grep -q '^Processed: 1 Input(s), 4 Transform(s)' <<<"$report" \
  || fail "the command-line job reported: $report"
grep -q '^Results: 0 error(s)' <<<"$report" || fail "the command-line job reported: $report"

# A job with its input and output pointed at other files by alias.
printf 'name,city\n Ann ,Oslo\nBob,Rome\n' >march.csv
cat >job.transform <<'EOF'
<!DOCTYPE Varnix>
<root>
    <meta><version value="87"/></meta>
    <inputs><input id="1" pos="0^0" path="in.csv" alias="in" header="1" trim="1"/></inputs>
    <outputs><output id="2" pos="0^110" path="out.csv" alias="out" file_type="0"/></outputs>
    <connections><connection start_id="1" end_id="2"/></connections>
</root>
EOF
varnix job.transform -file "in=$work/march.csv" -file "out=$work/clean.csv" -cli \
  || fail "the aliased command-line job failed"
grep -q '^Ann,Oslo' clean.csv || fail "the aliased command-line job wrote: $(cat clean.csv)"

# Every option of -help on the manual page as man sets it.
if command -v man >/dev/null && [ -e /usr/share/man/man1/varnix.1.gz ]; then
  page=$(MANWIDTH=80 man -P cat varnix 2>/dev/null)
  for option in $(grep -oE '^  -[a-z_-]+' <<<"$help"); do
    grep -qE "^ +${option}( |\$)" <<<"$page" || fail "man varnix does not show $option"
  done
else
  echo "check-package: no man, or manual pages are excluded on this machine: page not read"
fi

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate --no-hints /usr/share/applications/varnix.desktop
fi
default=$(xdg-mime query default application/x-varnix-transform)
[ "$default" = varnix.desktop ] \
  || fail "application/x-varnix-transform opens with '$default', not varnix.desktop"
grep -q '^application/x-varnix-transform:\*\.transform$' /usr/share/mime/globs \
  || fail "the MIME database does not know *.transform"
echo "check-package: $(basename "$deb") installs and works"
