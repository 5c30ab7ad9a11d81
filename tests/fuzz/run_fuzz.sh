#!/usr/bin/env bash
# Builds the libFuzzer targets in this folder with clang (address and undefined-behaviour sanitizers,
# the console's own code instrumented for coverage) and runs each for a bounded time. Not part of
# the normal build or CI.
#
#   tests/fuzz/run_fuzz.sh [seconds per target] [target ...]
#
# FUZZ_JOBS=n runs n fuzzing processes per target at once (default 1). Work files (the build,
# corpora, crash inputs) go to build-fuzz/ at the top of the repository. Exits non-zero when a target
# fails to build or finds a crash.
set -euo pipefail

seconds="${1:-60}"
shift || true
jobs="${FUZZ_JOBS:-1}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
work="${root}/build-fuzz"
cxx="${CXX_FUZZ:-clang++}"
mkdir -p "${work}"

if ! command -v "${cxx}" >/dev/null; then
  echo "${cxx} not found (Debian: apt-get install -y clang libclang-rt-14-dev)" >&2
  exit 2
fi

flags="-O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "${root}" -B "${work}/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="${cxx}" \
  -DCMAKE_CXX_FLAGS="${flags}" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DVQ_BUILD_TESTS=OFF -DVQ_BUILD_FUZZ=ON "${launcher[@]}" >/dev/null
cmake --build "${work}/build" --target fuzz_targets make_demo_show -j "${FUZZ_BUILD_JOBS:-8}"

# The demo show (7 cues of 1240 bytes and its one-to-one soft patch of 1025 lines): real records to
# start the file targets from.
demo="${work}/demo"
mkdir -p "${demo}"
ASAN_OPTIONS=detect_leaks=0 "${work}/build/tools/make_demo_show/make_demo_show" "${demo}/demo.lcue" "${demo}/demo.spch"

# Seed inputs: well-formed examples, so the fuzzer starts from the interesting shapes.
seed() {
  local name="$1" dir="$2"
  mkdir -p "${dir}"
  case "${name}" in
    osc_unpack_fuzz)
      printf '/vqlight\0\0\0\0,s\0\0play 3\0\0' >"${dir}/message"
      printf '#bundle\0\0\0\0\0\0\0\0\001\0\0\0\030/vqlight\0\0\0\0,s\0\0play 3\0\0' >"${dir}/bundle"
      printf '/eos/user/0/chan/2\0\0,f\0\0\103\0\0\0' >"${dir}/level"
      printf '/a\0\0,ifs\0\0\0\0\0\0\001\077\200\0\0hi\0\0' >"${dir}/arguments"
      printf '#bundle\0\0\0\0\0\0\0\0\001\0\0\0\034#bundle\0\0\0\0\0\0\0\0\001\0\0\0\010/b\0\0,\0\0\0' >"${dir}/nested"
      ;;
    osc_pattern_fuzz)
      printf '/eos/*\0/eos/user/0/chan/3' >"${dir}/star"
      printf '/{TC,MTC}/t[a-i]m?\0/MTC/time' >"${dir}/list"
      printf '/[!A-Z]C/time\0/TC/time' >"${dir}/negated"
      printf '*a*a*a*a*a*a*b\0aaaaaaaaaaaaaaaaaaaaaaaa' >"${dir}/stars"
      ;;
    widget_reply_fuzz)
      printf '\003\176\012\004\000\001\002\003\004\347' >"${dir}/serial"
      printf '\005\176\003\005\000\001\002\012\004\000\347' >"${dir}/parameters"
      printf '\001\176\005\005\000\000\000\176\347\001\347' >"${dir}/dmx_in"
      ;;
    remote_text_fuzz)
      printf '\000\003goto 3\r\nplay\rset 1@50\nread 2\r\nstop' >"${dir}/ansi"
      printf '\001\005s\000e\000t\000 \0001\000@\0005\0000\000\r\000\n\000' >"${dir}/pipe"
      printf '\002\004p\000l\000a\000y\000 \0003\000\036\000e\000n\000d\000\000\000' >"${dir}/follow_spot"
      ;;
    settings_file_fuzz)
      printf '[Settings]\r\nMaxChannels=512\r\nLogging=$1F\r\n; note\r\n[CueFile]\r\nLast=C:\\Shows\\Caf\351.lcue\r\n' >"${dir}/settings"
      printf '\357\273\277[Settings]\r\nnetport=5085\r\nFileSource=0\r\nFont=Arial,0,255,12,1\r\n[MRU List]\r\n1=/shows/a.lcue\r\n2=\r\n' >"${dir}/bom"
      ;;
    soft_patch_fuzz)
      # The first byte picks the channel count (47: 48 channels, 255: 1024), the rest is the file.
      { printf '\057'; cat "${demo}/demo.spch"; } | head -c 8192 >"${dir}/one_to_one"
      { printf '\377'; head -c 8000 "${demo}/demo.spch"; } >"${dir}/one_to_one_1024"
      printf '\057-1\r\n1,1,Front,\r\n2,2 3/50,Side BUMP5,\r\n3,,Back,\r\n4,10 11  12,Mover,10\r\n5,60,,\r\n' >"${dir}/patch"
      printf '\0570\r\n1(1),1/40,,\r\n' >"${dir}/by_dimmer"
      ;;
    cue_file_fuzz)
      cp "${demo}/demo.lcue" "${dir}/demo"
      head -c 1240 "${demo}/demo.lcue" >"${dir}/first_cue"
      head -c 3720 "${demo}/demo.lcue" >"${dir}/three_cues"
      head -c 2000 "${demo}/demo.lcue" >"${dir}/partial_second_cue"
      ;;
    *) ;;
  esac
}

status=0
summary=()
targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
  for source in "${root}"/tests/fuzz/*_fuzz.cpp; do targets+=("$(basename "${source}" .cpp)"); done
fi
for name in "${targets[@]}"; do
  binary="${work}/build/fuzz/${name}"
  corpus="${work}/corpus/${name}"
  seed "${name}" "${corpus}"
  rm -rf "${work}/logs/${name}"
  mkdir -p "${work}/artifacts" "${work}/logs/${name}"
  log="${work}/${name}.log"
  max_len=8192
  [[ ${name} == cue_file_fuzz ]] && max_len=12400  # ten cue records
  echo "== running ${name} for ${seconds} s with ${jobs} job(s)"
  set +e
  if [[ ${jobs} -gt 1 ]]; then
    (cd "${work}/logs/${name}" && "${binary}" "${corpus}" -max_total_time="${seconds}" -max_len="${max_len}" -timeout=10 \
      -rss_limit_mb=2048 -artifact_prefix="${work}/artifacts/${name}-" -print_final_stats=1 \
      -jobs="${jobs}" -workers="${jobs}") >"${log}" 2>&1
  else
    "${binary}" "${corpus}" -max_total_time="${seconds}" -max_len="${max_len}" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="${work}/artifacts/${name}-" -print_final_stats=1 >"${log}" 2>&1
  fi
  rc=$?
  # One "Done N runs" line per worker (in its own log when several run): their sum is the total.
  runs="$(cat "${log}" "${work}/logs/${name}"/fuzz-*.log 2>/dev/null | grep -Eo 'Done [0-9]+ runs' |
    grep -Eo '[0-9]+' | awk '{s+=$1} END {print s+0}')"
  set -e
  if [[ ${rc} -ne 0 ]] || ls "${work}/artifacts/${name}-"* >/dev/null 2>&1; then
    status=1
    summary+=("${name}: FAILED (exit ${rc}), see ${log} and ${work}/artifacts/")
    tail -40 "${log}" >&2
  else
    summary+=("${name}: ${runs} runs in ${seconds} s, no crash")
  fi
done

echo "== summary"
printf '%s\n' "${summary[@]}"
exit "${status}"
