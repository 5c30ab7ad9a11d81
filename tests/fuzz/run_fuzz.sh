#!/usr/bin/env bash
# Builds the libFuzzer targets in this folder with clang (address and undefined-behaviour sanitizers)
# and runs each for a bounded time. Not part of the normal build or CI.
#
#   tests/fuzz/run_fuzz.sh [seconds per target]      (default 60; FUZZ_JOBS=n runs n workers each)
#
# Work files (binaries, corpora, crash inputs) go to build-fuzz/ at the top of the repository.
# Exits non-zero when a target fails to build or finds a crash.
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
work="${root}/build-fuzz"
cxx="${CXX_FUZZ:-clang++}"
mkdir -p "${work}"

if ! command -v "${cxx}" >/dev/null; then
  echo "${cxx} not found (Debian: apt-get install -y clang)" >&2
  exit 2
fi

flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
       -fno-sanitize-recover=undefined -I"${root}")
codec=("${root}/console/remote/osc_codec.cpp" "${root}/console/remote/osc_pattern.cpp")

# Seed inputs: well-formed packets, so the fuzzer starts from the interesting shapes.
seed_unpack() {
  local dir="$1"
  mkdir -p "${dir}"
  printf '/vqlight\0\0\0\0,s\0\0play 3\0\0' >"${dir}/message"
  printf '#bundle\0\0\0\0\0\0\0\0\001\0\0\0\030/vqlight\0\0\0\0,s\0\0play 3\0\0' >"${dir}/bundle"
  printf '/eos/user/0/chan/2\0\0,f\0\0\103\0\0\0' >"${dir}/level"
  printf '/a\0\0,ifs\0\0\0\0\0\0\001\077\200\0\0hi\0\0' >"${dir}/arguments"
  printf '#bundle\0\0\0\0\0\0\0\0\001\0\0\0\034#bundle\0\0\0\0\0\0\0\0\001\0\0\0\010/b\0\0,\0\0\0' >"${dir}/nested"
}
seed_pattern() {
  local dir="$1"
  mkdir -p "${dir}"
  printf '/eos/*\0/eos/user/0/chan/3' >"${dir}/star"
  printf '/{TC,MTC}/t[a-i]m?\0/MTC/time' >"${dir}/list"
  printf '/[!A-Z]C/time\0/TC/time' >"${dir}/negated"
  printf '*a*a*a*a*a*a*b\0aaaaaaaaaaaaaaaaaaaaaaaa' >"${dir}/stars"
}

status=0
summary=()
for source in "${root}"/tests/fuzz/*_fuzz.cpp; do
  name="$(basename "${source}" .cpp)"
  binary="${work}/${name}"
  echo "== building ${name}"
  if ! "${cxx}" "${flags[@]}" "${source}" "${codec[@]}" -o "${binary}"; then
    summary+=("${name}: build failed")
    status=1
    continue
  fi

  corpus="${work}/corpus/${name}"
  case "${name}" in
    osc_unpack_fuzz) seed_unpack "${corpus}" ;;
    osc_pattern_fuzz) seed_pattern "${corpus}" ;;
    *) mkdir -p "${corpus}" ;;
  esac
  mkdir -p "${work}/artifacts"
  log="${work}/${name}.log"

  echo "== running ${name} for ${seconds} s"
  set +e
  "${binary}" "${corpus}" -max_total_time="${seconds}" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="${work}/artifacts/${name}-" -print_final_stats=1 >"${log}" 2>&1
  rc=$?
  set -e
  runs="$(grep -Eo 'Done [0-9]+ runs' "${log}" | grep -Eo '[0-9]+' | tail -1 || true)"
  if [[ ${rc} -ne 0 ]]; then
    status=1
    summary+=("${name}: FAILED (exit ${rc}), see ${log} and ${work}/artifacts/")
    tail -40 "${log}" >&2
  else
    summary+=("${name}: ${runs:-?} runs in ${seconds} s, no crash")
  fi
done

echo "== summary"
printf '%s\n' "${summary[@]}"
exit "${status}"
