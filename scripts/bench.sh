#!/usr/bin/env bash
# Usage: scripts/bench.sh [quick|full] — prints kivo's start-up and stale-version cleanup times against minimal baselines (posix_spawn, rm -rf; ShellExecuteEx, cmd's rmdir under Wine), natively and under Wine.
#
# quick (the default) is a smoke run with few repetitions and no 100,000-file
# tree; full is the real measurement (about ten minutes on two cores).
# Every figure is a median over runs interleaved with the runs it is compared
# with, so that load on the machine falls on both sides alike.  Stale trees
# are recreated from a template (cp -al) before every run; only the removing
# command is timed, by build/bench/native/bench/time_run.
#
# Environment: KIVO_BENCH_ONLY=native|wine runs one half; KIVO_BENCH_KIVO and
# KIVO_BENCH_KIVO_EXE time another native kivo or kivo.exe than the one built
# here; KIVO_BENCH_WINEPREFIX picks the Wine prefix (default: its own, under
# build/bench, kept apart from the test prefix), whose server is restarted;
# KIVO_BENCH_WINE_RMDIR_LIMIT=N runs cmd's rmdir on trees of up to N files
# (default 10000).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
mode=${1:-quick}
case $mode in
  quick | full) ;;
  *) sed -n 2p "$0" >&2; exit 2 ;;
esac
only=${KIVO_BENCH_ONLY:-}
bench=$repo/build/bench
work=$bench/work
templates=$bench/templates
wine_sh=$repo/scripts/wine.sh
export WINEPREFIX=${KIVO_BENCH_WINEPREFIX:-$bench/wineprefix}
export WINEDEBUG=-all

# shellcheck disable=SC2034  # the arrays are passed to run_platform by name
# Repetitions: start runs, then per size of the one-version series and of the
# many-versions series.
if [ "$mode" = full ]; then
  native_start_runs=41
  native_tree_sizes=(1000 10000 100000) native_tree_runs=(21 15 9)
  native_version_counts=(1 10 100) native_version_runs=(21 21 15)
  wine_start_runs=15
  wine_tree_sizes=(1000 10000 100000) wine_tree_runs=(5 3 1)
  wine_version_counts=(1 10 100) wine_version_runs=(7 5 3)
  # cmd's rmdir takes several milliseconds a file under Wine: at 100,000
  # files one run alone would take ten minutes.
  wine_baseline_limit=${KIVO_BENCH_WINE_RMDIR_LIMIT:-10000}
else
  native_start_runs=7
  native_tree_sizes=(1000 10000) native_tree_runs=(5 3)
  native_version_counts=(1 10 100) native_version_runs=(5 5 3)
  wine_start_runs=3
  wine_tree_sizes=(1000 10000) wine_tree_runs=(1 1)
  wine_version_counts=(1 10 100) wine_version_runs=(1 1 1)
  wine_baseline_limit=${KIVO_BENCH_WINE_RMDIR_LIMIT:-10000}
fi

log() { echo "bench: $*" >&2; }
die() { log "$*"; exit 1; }

# --- building ---------------------------------------------------------------

# Configures PRESET into build/bench/PRESET, without the tests (which need
# nothing here), and builds the listed targets quietly.
build_preset() {
  local preset=$1
  shift
  local dir=$bench/$preset
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake --preset "$preset" -B "$dir" -DKIVO_TESTS=OFF >"$dir.log" 2>&1 ||
      return 1
  fi
  cmake --build "$dir" -j2 --target "$@" >"$dir.log" 2>&1
}

wine_available() {
  command -v wineserver >/dev/null &&
    { [ -x /usr/lib/wine/wine64 ] || command -v wine >/dev/null; }
}

# --- templates --------------------------------------------------------------

# build/bench/templates/tree-N: N empty files, 100 to a directory, three
# levels deep (top/dXX/dY/fZZ), so every size has the same shape.
make_tree_template() {
  local files=$1 dir=$templates/tree-$1
  [ -f "$dir.done" ] && return
  rm -rf "$dir" && mkdir -p "$dir"
  local tops=$((files / 1000)) top
  [ "$tops" -ge 1 ] || die "tree sizes are multiples of 1,000"
  for ((top = 0; top < tops; top++)); do
    mkdir -p "$dir"/d$top/d{0..9}
    touch "$dir"/d$top/d{0..9}/f{00..99}
  done
  touch "$dir.done"
}

# build/bench/templates/versions-N: stale versions 0.0.0.0 to 0.0.0.(N-1),
# 100 files each.
make_versions_template() {
  local count=$1 dir=$templates/versions-$1 i
  [ -f "$dir.done" ] && return
  rm -rf "$dir" && mkdir -p "$dir"
  for ((i = 0; i < count; i++)); do
    mkdir "$dir/0.0.0.$i"
    touch "$dir/0.0.0.$i"/f{00..99}
  done
  touch "$dir.done"
}

# --- timing -----------------------------------------------------------------

# Prints the microseconds one run of the command takes; a failing run
# invalidates the figures, so it stops the benchmark.
time_us() {
  "$bench/native/bench/time_run" "$@" || die "failed: $*"
}

# Waits until no copy of the started stand-in is still running, so that it
# does not eat into the next timed run.  Zombies do not count.
wait_for_target() {
  local i
  for ((i = 0; i < 500; i++)); do
    ps -eo stat=,args= | awk '$1 !~ /^Z/ && /bench_targe[t]/ {found = 1}
                              END {exit !found}' || return 0
    sleep 0.02
  done
  log "the started program is still running after 10 s"
}

median() {
  printf '%s\n' "$@" | sort -n |
    awk '{v[NR] = $1} END {print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

# Formats microseconds as milliseconds.
ms() {
  [ "$1" = - ] && { echo -; return; }
  awk -v u="$1" 'BEGIN {m = u / 1000; a = m < 0 ? -m : m
                        f = a >= 100 ? "%.0f" : a >= 10 ? "%.1f" : "%.2f"; printf f, m}'
}

ratio() {
  awk -v a="$1" -v b="$2" 'BEGIN {if (b > 0) printf "x%.2f", a / b; else print "n/a"}'
}

# --- the install directory under test ---------------------------------------

# Lays out $inst: the starter under the name $3, its configuration and
# version 1.0.0.1 holding the stand-in application.
make_install_dir() {
  local starter=$1 target=$2 name=$3
  rm -rf "$inst" && mkdir -p "$inst/1.0.0.1"
  cp "$starter" "$inst/$name"
  cp "$target" "$inst/1.0.0.1/"
  printf '<KivoInfo><VersionInfo Version="1.0.0.1" Path="1.0.0.1" File="%s"/></KivoInfo>\n' \
    "$(basename "$target")" >"$inst/kivo.xml"
}

# The path as a Windows program under Wine sees it.
windows_path() { local p=${1//\//\\}; echo "Z:$p"; }

# Sets $remover to the command that removes the given directories the
# platform's usual way.
set_remover() {
  if [ "$platform" = native ]; then
    remover=(rm -rf "$@")
  else
    local path
    remover=("$wine_sh" cmd /c rmdir /s /q)
    for path in "$@"; do remover+=("$(windows_path "$path")"); done
  fi
}

stale_versions() { find "$inst" -mindepth 1 -maxdepth 1 -name '0.0.0.*'; }

# Puts the template's stale versions into $inst: a tree becomes 0.0.0.0, a
# versions template gives all of its versions.
place_stale() {
  local template=$1
  case $template in
    */tree-*) cp -al "$template" "$inst/0.0.0.0" ;;
    *) cp -al "$template/." "$inst/" ;;
  esac
  # Flushed, so that the timed run does not also pay for writing the copy.
  sync -f "$inst"
}

check_clean() {
  [ -z "$(stale_versions)" ] || die "$1 left stale versions behind in $inst"
}

# --- the series -------------------------------------------------------------

# Series 1: kivo against the minimal starter, nothing to clean up.
measure_start() {
  local runs=$1 i kivo_times=() base_times=() target
  target=$inst/1.0.0.1/$(basename "$target_program")
  [ "$platform" = wine ] && target=$(windows_path "$target")
  for ((i = 0; i < runs; i++)); do
    # Alternate which side goes first.
    if ((i % 2)); then
      base_times+=("$(time_us "${run_prefix[@]}" "$minimal_starter" "$target" a b)")
      wait_for_target
    fi
    kivo_times+=("$(time_us "${kivo_command[@]}" a b)")
    wait_for_target
    if ((i % 2 == 0)); then
      base_times+=("$(time_us "${run_prefix[@]}" "$minimal_starter" "$target" a b)")
      wait_for_target
    fi
  done
  local k b
  k=$(median "${kivo_times[@]}") b=$(median "${base_times[@]}")
  printf '   %-22s %10s ms\n' kivo "$(ms "$k")"
  printf '   %-22s %10s ms\n' "$(basename "$minimal_starter")" "$(ms "$b")"
  printf '   %-22s %10s    (%d runs each)\n' "ratio of medians" "$(ratio "$k" "$b")" "$runs"
}

# One timed run of kind K (0 kivo with stale versions, 1 remover with stale
# versions, 2 kivo with none, 3 remover on an empty directory); appends the
# time to the matching array.
timed_cleanup_run() {
  local kind=$1 template=$2
  case $kind in
    0)
      place_stale "$template"
      t_kivo+=("$(time_us "${kivo_command[@]}")")
      wait_for_target
      check_clean kivo
      ;;
    1)
      ((with_baseline)) || return 0
      place_stale "$template"
      # shellcheck disable=SC2046  # the names have no spaces
      set_remover $(stale_versions)
      t_base+=("$(time_us "${remover[@]}")")
      check_clean "${remover[0]}"
      ;;
    2)
      t_kivo0+=("$(time_us "${kivo_command[@]}")")
      wait_for_target
      ;;
    3)
      ((with_baseline)) || return 0
      mkdir "$inst/empty"
      set_remover "$inst/empty"
      t_base0+=("$(time_us "${remover[@]}")")
      [ ! -e "$inst/empty" ] || die "${remover[0]} left an empty directory"
      ;;
  esac
}

# Prints the median of the values and the half-width of its rough 95%
# confidence interval, 1.57 IQR / sqrt(n) (the notch of a box plot).
stats() {
  printf '%s\n' "$@" | sort -n | awk '
    {v[NR] = $1}
    function q(p,  h, i) {h = (NR - 1) * p + 1; i = int(h); return v[i] + (h - i) * (v[i + 1] - v[i])}
    END {print q(0.5), 1.57 * (q(0.75) - q(0.25)) / sqrt(NR)}'
}

# Prints "NET UNCERTAINTY RESOLVED" for the difference of two "median
# half-width" pairs; resolved is 1 when the net is at least twice its
# uncertainty, i.e. clear of the noise.
net_of() {
  awk -v a="$1" -v ua="$2" -v z="$3" -v uz="$4" 'BEGIN {
    n = a - z; u = sqrt(ua * ua + uz * uz)
    print n, u, (n >= 2 * u && n > 0) ? 1 : 0}'
}

# A net time with its uncertainty, which needs three runs at least.
net_text() {
  if [ "$1" = - ]; then
    echo -
  elif (($3 < 3)); then
    ms "$1"
  else
    echo "$(ms "$1")±$(ms "$2")"
  fi
}

# 1000 as 1,000.
grouped() { echo "$1" | sed ':a;s/\B[0-9]\{3\}\>/,&/;ta'; }

# Series 2 and 3: times kivo and the remover on each template, with the fixed
# cost of both (nothing to remove) measured in the same rotation.  Prints a
# row per size, then the growth from each size to the next.  A ratio marked
# "~" involves a net time lost in the noise; such sizes are not judged.
measure_cleanup() {
  local unit=$1 kind=$2
  shift 2
  local -a sizes=() runs=()
  while [ "$1" != -- ]; do sizes+=("$1"); shift; done
  shift
  runs=("$@")
  local base_name="rm -rf"
  [ "$platform" = wine ] && base_name="rmdir /s"
  local row='   %-8s %9s %9s %7s │ %8s %8s │ %16s %16s %7s │ %4s\n'
  # shellcheck disable=SC2059  # the format is ours
  printf "$row" "" "raw:" "" "" "fixed:" "" "net:" "" "" ""
  # shellcheck disable=SC2059
  printf "$row" "$unit" kivo "$base_name" ratio kivo "$base_name" kivo \
    "$base_name" ratio runs
  local -a net_kivo=() net_base=() clear_kivo=() clear_base=()
  local index size n i j judged=0 goal=met unjudged="" skipped=""
  for index in "${!sizes[@]}"; do
    size=${sizes[$index]} n=${runs[$index]}
    local template=$templates/$kind-$size files=$size
    [ "$kind" = versions ] && files=$((size * 100))
    with_baseline=$((files <= baseline_limit))
    t_kivo=() t_base=() t_kivo0=() t_base0=()
    for ((i = 0; i < n; i++)); do
      for ((j = 0; j < 4; j++)); do
        timed_cleanup_run $(((i + j) % 4)) "$template"
      done
    done
    local k uk k0 uk0 kn ukn kc
    read -r k uk <<<"$(stats "${t_kivo[@]}")"
    read -r k0 uk0 <<<"$(stats "${t_kivo0[@]}")"
    read -r kn ukn kc <<<"$(net_of "$k" "$uk" "$k0" "$uk0")"
    local b=- b0=- bn=- ubn=- bc=0 raw_ratio=- net_ratio=-
    if ((with_baseline)); then
      local ub ub0
      read -r b ub <<<"$(stats "${t_base[@]}")"
      read -r b0 ub0 <<<"$(stats "${t_base0[@]}")"
      read -r bn ubn bc <<<"$(net_of "$b" "$ub" "$b0" "$ub0")"
      raw_ratio=$(ratio "$k" "$b") net_ratio=$(ratio "$kn" "$bn")
      if ((kc && bc)); then
        judged=1
        awk -v a="$kn" -v z="$bn" 'BEGIN {exit !(a > 1.25 * z)}' && goal=missed
      else
        net_ratio="~$net_ratio" unjudged+=" $(grouped "$size")"
      fi
    else
      skipped+=" $(grouped "$size")"
    fi
    net_kivo+=("$kn") net_base+=("$bn") clear_kivo+=("$kc") clear_base+=("$bc")
    # shellcheck disable=SC2059
    printf "$row" "$(grouped "$size")" "$(ms "$k")" "$(ms "$b")" "$raw_ratio" \
      "$(ms "$k0")" "$(ms "$b0")" "$(net_text "$kn" "$ukn" "$n")" \
      "$(net_text "$bn" "$ubn" "$n")" "$net_ratio" "$n"
  done
  local growth_kivo="" growth_base="" step
  for ((i = 1; i < ${#sizes[@]}; i++)); do
    step="$(short "${sizes[i - 1]}")→$(short "${sizes[i]}")"
    growth_kivo+="  $step: $(growth clear_kivo net_kivo "$i")"
    growth_base+="  $step: $(growth clear_base net_base "$i")"
  done
  printf '   growth of the net time, %-9s%s\n' "kivo:" "$growth_kivo" \
    "$base_name:" "$growth_base"
  ((judged)) || goal="not judged"
  echo "   kivo's net time within 1.25x of $base_name's: $goal${unjudged:+ (in the noise, not judged:$unjudged)}"
  [ -z "$skipped" ] ||
    echo "   $base_name not run at$skipped (over KIVO_BENCH_WINE_RMDIR_LIMIT files)"
}

# The growth of the net times named by $2 from entry $3 - 1 to $3, marked ~
# when either is in the noise (by the flags named by $1).
growth() {
  local -n clear_ref=$1 net_ref=$2
  local i=$3 mark=""
  [ "${net_ref[i]}" = - ] || [ "${net_ref[i - 1]}" = - ] && { echo -; return; }
  ((clear_ref[i] && clear_ref[i - 1])) || mark="~"
  echo "$mark$(ratio "${net_ref[i]}" "${net_ref[i - 1]}")"
}

short() {
  case $1 in
    *000) echo "$(($1 / 1000))k" ;;
    *) echo "$1" ;;
  esac
}

# Runs the three series for $platform: start runs, then the names of the
# arrays of tree sizes, their runs, version counts and their runs.
run_platform() {
  local start_runs=$1
  local -n sizes_ref=$2 runs_ref=$3 counts_ref=$4 counts_runs_ref=$5
  echo "1. Full run with no stale version: kivo against $(basename "$minimal_starter")," \
    "both starting the stand-in with the arguments 'a b'."
  measure_start "$start_runs"
  echo
  echo "2. One stale version of N files (100 to a directory, three levels deep)."
  echo "   raw: kivo's whole run (it then starts the stand-in) and the remover's."
  echo "   fixed: the same with nothing to remove (kivo with no stale version, the"
  echo "   remover on an empty directory).  net: raw minus fixed, ± a rough 95%"
  echo "   interval; a ratio marked ~ involves a net time within the noise."
  measure_cleanup files tree "${sizes_ref[@]}" -- "${runs_ref[@]}"
  echo
  echo "3. N stale versions of 100 files each, the same comparison."
  measure_cleanup versions versions "${counts_ref[@]}" -- "${counts_runs_ref[@]}"
}

main() {
  cd "$repo"
  mkdir -p "$bench" "$templates"
  echo "kivo benchmark, $mode mode — $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores," \
    "load average $(cut -d' ' -f1-3 /proc/loadavg)"
  echo "Times in milliseconds, medians of interleaved runs; ratios are kivo / baseline."
  log "building the native programs"
  build_preset native kivo minimal_start bench_target time_run ||
    die "native build failed: see $bench/native.log"

  local sizes_all=("${native_tree_sizes[@]}" "${wine_tree_sizes[@]}") size
  log "making the stale-version templates"
  for size in $(printf '%s\n' "${sizes_all[@]}" | sort -un); do
    make_tree_template "$size"
  done
  for size in $(printf '%s\n' "${native_version_counts[@]}" "${wine_version_counts[@]}" | sort -un); do
    make_versions_template "$size"
  done

  if [ "$only" != wine ]; then
    bench_native
  fi
  if [ "$only" != native ]; then
    bench_wine
  fi
}

bench_native() {
  platform=native
  inst=$work/native/inst
  local out=$bench/native
  make_install_dir "${KIVO_BENCH_KIVO:-$out/kivo}" "$out/bench/bench_target" kivo
  kivo_command=("$inst/kivo")
  baseline_limit=1000000000
  run_prefix=()
  minimal_starter=$out/bench/minimal_start
  target_program=$out/bench/bench_target
  echo
  echo "== Native ($(uname -sr)) =="
  run_platform "$native_start_runs" native_tree_sizes native_tree_runs \
    native_version_counts native_version_runs
}

bench_wine() {
  echo
  echo "== Under Wine ($(wine_version)), 64-bit build =="
  if ! wine_available; then
    echo "   skipped: Wine is not installed"
    return
  fi
  log "building the Windows programs"
  if ! build_preset windows-x64 kivo minimal_shell_start bench_target; then
    echo "   skipped: the windows-x64 build failed (see $bench/windows-x64.log;"
    echo "   scripts/setup.sh windows installs what it needs)"
    return
  fi
  log "preparing the Wine prefix $WINEPREFIX"
  "$wine_sh" --prefix-only
  # One server for the whole run: otherwise it would quit during the pauses
  # for recreating trees and every next run would pay for starting it.  A
  # server already running may not stay, so it makes way for ours.
  wineserver -k 2>/dev/null || true
  wineserver -w
  wineserver -p
  trap 'wineserver -k 2>/dev/null || true' EXIT
  platform=wine
  inst=$work/wine/inst
  local out=$bench/windows-x64
  make_install_dir "${KIVO_BENCH_KIVO_EXE:-$out/kivo.exe}" "$out/bench/bench_target.exe" kivo.exe
  run_prefix=("$wine_sh")
  baseline_limit=$wine_baseline_limit
  kivo_command=("$wine_sh" "$inst/kivo.exe")
  minimal_starter=$out/bench/minimal_shell_start.exe
  target_program=$out/bench/bench_target.exe
  # Warm up the prefix: the first run of a program loads far more.
  time_us "${kivo_command[@]}" >/dev/null
  wait_for_target
  echo "   Every run costs far more under Wine, cmd's rmdir most of all, so there"
  echo "   are fewer runs per size (last column of the tables)."
  run_platform "$wine_start_runs" wine_tree_sizes wine_tree_runs \
    wine_version_counts wine_version_runs
}

wine_version() {
  { /usr/lib/wine/wine64 --version 2>/dev/null || wine --version 2>/dev/null || echo "not installed"; } | head -1
}

main
