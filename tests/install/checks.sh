# What the install checks share; sourced by check_install.sh and check_package.sh.

# require TOOL:PACKAGE ...: exits 77 (skipped) with the reason when a tool is missing.
require() {
  local tool
  for tool in "$@"; do
    if ! command -v "${tool%%:*}" >/dev/null; then
      echo "SKIP: ${tool%%:*} is missing (Debian package ${tool#*:})"
      exit 77
    fi
  done
}

# fail MESSAGE: counts a failed check and goes on; finish ends the run with the count.
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# finish WHAT: exits 1 when a check failed, else says that every check on WHAT passed.
finish() {
  if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "$1: all checks passed"
}
