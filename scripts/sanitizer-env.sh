# Run-time options of the sanitizer build, sourced by scripts/build.sh,
# scripts/test.sh and scripts/fuzz.sh: the first undefined behaviour ends the
# program with a failure, and leaks inside system libraries that never free
# their caches are not reported.
_vondrel_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:check_initialization_order=1"
export LSAN_OPTIONS="suppressions=$_vondrel_root/tests/sanitizers/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
unset _vondrel_root
