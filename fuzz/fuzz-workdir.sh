# Sourced by the fuzz runners: checks the target, makes a scratch folder
# (removed on exit, so the runner must not exec the fuzzer) and sets $work, $seeds, $corpus and $artifacts.
#   fuzz_workdir NAME FUZZER
# FUZZ_CORPUS_DIR keeps what the fuzzer learns between runs; crashing inputs
# go to FUZZ_ARTIFACT_DIR (default: beside FUZZER).
fuzz_workdir() {
  local name=$1 fuzzer=$2
  [ -x "$fuzzer" ] || { echo "missing $fuzzer: run 'make fuzz' first" >&2; exit 1; }
  work=$(mktemp -d "/tmp/$name.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  seeds="$work/seeds"
  corpus=${FUZZ_CORPUS_DIR:-$work/corpus}
  artifacts=${FUZZ_ARTIFACT_DIR:-$(dirname "$fuzzer")/artifacts}
  mkdir -p "$seeds" "$corpus" "$artifacts"
}
