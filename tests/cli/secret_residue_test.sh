#!/usr/bin/env bash
# The passkey lives once in the tool's memory, in the locked buffer that
# holds it, and nowhere else: under gdb the tool is stopped in the middle of
# its job (writing a large piece of an entry, its key derived, or about to
# read an entry's name) and every mapping is searched, locked mappings
# counted apart: exactly one copy, locked. Stopped at its exit, it holds
# none. Its core file limit is 0 then, and a crash in the middle of the job
# leaves no core file. Encrypt and decrypt of an entry large enough for the
# chunk pipeline and the cipher pool, with one thread and with two, for
# ciphers with their own key schedules; the passkey from a file and from
# PELORIN_PASSKEY; list and import too. Archives of version 8 besides: their
# KEK is in no mapping mid-job or at the exit, their file key only in a
# locked one mid-job and in none at the exit (KEYS, a helper that derives
# both from an archive, tells what to look for).
set -euo pipefail
pelorin=${1:?usage: secret_residue_test.sh PELORIN [KEYS]}
keys=${2:-}
[[ -n $keys ]] && keys=$(realpath "$keys")
source "$(dirname "$0")/check.sh"
if ! command -v gdb >/dev/null; then
  echo "gdb is missing: skipped"
  exit 0
fi
passkey="Residue7Passkey0x2F"
echo "$passkey" >"$work/passkey"
cat >"$work/search.py" <<PY
import gdb, re
pid = gdb.selected_inferior().pid
mappings = []
for line in open('/proc/%d/smaps' % pid):
    if re.match(r'^[0-9a-f]+-[0-9a-f]+ ', line):
        parts = line.split()
        start, end = (int(x, 16) for x in parts[0].split('-'))
        mappings.append([start, end, 'r' in parts[1], False])
    elif line.startswith('VmFlags:'):
        mappings[-1][3] = 'lo' in line.split()[1:]
outside = locked = 0
for start, end, readable, is_locked in mappings:
    # The sanitizers reserve terabytes of shadow memory that nothing of
    # the job's lives in; no mapping of the program itself is this large.
    if not readable or end - start > (1 << 30):
        continue
    try:
        memory = gdb.selected_inferior().read_memory(start, end - start).tobytes()
    except gdb.MemoryError:
        continue
    if is_locked:
        locked += memory.count(b'$passkey')
    else:
        outside += memory.count(b'$passkey')
    # Kept for the keys of version 8, which are known only afterwards.
    with open('$work/dump-%s.bin' % ('locked' if is_locked else 'unlocked'), 'ab') as dump:
        dump.write(memory)
limit = [l for l in open('/proc/%d/limits' % pid) if l.startswith('Max core file size')][0].split()[4]
print('PASSKEY COPIES %d %d %s' % (outside, locked, limit))
PY
# The sanitizers make mlock a no-op: there a copy cannot be told locked,
# and the one copy of a sanitized build is counted wherever it lies.
sanitized=0
grep -q __asan_init "$pelorin" && sanitized=1
# A core file lands in the current folder unless the system sends it elsewhere.
crashes_checked=0
[[ "$(cat /proc/sys/kernel/core_pattern)" == core* ]] && crashes_checked=1

# copies WHERE THREADS ARGUMENTS...: "OUTSIDE LOCKED CORELIMIT" at the stop.
# WHERE: "write" (a large write: an entry's data) or "name" (an entry's
# name is about to be read) stops in the middle of the job, then crashes
# it; "exit" stops at its end.
copies() {
  local where=$1 threads=$2
  shift 2
  local stop=(-ex 'catch syscall exit_group' -ex run)
  case $where in
    write) stop=(-ex 'catch syscall write' -ex 'condition 1 $rdx >= 65536' -ex run) ;;
    name) stop=(-ex 'break pelorin::archive::ReadEntryName' -ex run) ;;
  esac
  rm -f core core.* "$work"/dump-*.bin
  (
    ulimit -c unlimited 2>/dev/null || true
    PELORIN_CIPHER_THREADS=$threads gdb -q -batch "${stop[@]}" -ex "source $work/search.py" -ex delete \
      -ex 'handle SIGSEGV nostop noprint pass' -ex 'signal SIGSEGV' --args "$pelorin" "$@" 2>/dev/null |
      sed -n 's/^PASSKEY COPIES //p' | { read -r outside locked limit || true
        [[ $sanitized = 1 ]] && locked=$((outside + locked)) outside=0
        echo "$outside $locked $limit"; }
  )
}
no_core() { test "$crashes_checked" = 0 || ! ls core core.* >/dev/null 2>&1; }
# copies_from_environment WHERE THREADS ARGUMENTS...: the same with the
# passkey in PELORIN_PASSKEY. The sanitizers' run-time keeps a copy of the
# environment it read before the program started; with them, the passkey
# comes from the file instead.
copies_from_environment() {
  if [[ $sanitized = 1 ]]; then
    copies "$@" --passkey-file passkey
  else
    PELORIN_PASSKEY=$passkey copies "$@"
  fi
}

cd "$work"
head -c 3000000 /dev/urandom >big.bin
cp big.bin original.bin
for algorithm in 1 2 3 6; do
  for threads in 1 2; do
    rm -f big.pvb
    case_name="algorithm $algorithm, $threads threads"
    check "encrypt at the exit, $case_name" test "$(copies exit "$threads" encrypt --algorithm "$algorithm" --passkey-file passkey big.bin)" = "0 0 0"
    check "encrypt mid-job: one locked copy, no core, $case_name" \
      test "$(copies write "$threads" encrypt --algorithm "$algorithm" --passkey-file passkey big.bin)" = "0 1 0"
    check "and the crash left no core file, $case_name" no_core
    rm -f big.pvb
    "$pelorin" encrypt --algorithm "$algorithm" --passkey-file passkey big.bin 2>/dev/null
    mv big.bin kept.bin
    check "decrypt at the exit, $case_name" test "$(copies exit "$threads" decrypt --passkey-file passkey big.pvb)" = "0 0 0"
    check "restored, $case_name" cmp -s big.bin original.bin
    rm big.bin
    check "decrypt mid-job from PELORIN_PASSKEY, $case_name" \
      test "$(copies_from_environment write "$threads" decrypt big.pvb)" = "0 1 0"
    check "and the crash left no core file, $case_name" no_core
    rm -f big.bin
    mv kept.bin big.bin
  done
done
# key_copies ARCHIVE: "KEK-OUTSIDE KEK-LOCKED FILEKEY-OUTSIDE FILEKEY-LOCKED" in
# the memory the last stop saw.
key_copies() {
  local hex
  hex=$("$keys" "$1" passkey | tr '\n' ' ')
  python3 - "$work" $hex "$sanitized" <<'PY'
import sys
work, kek, file_key, sanitized = sys.argv[1], bytes.fromhex(sys.argv[2]), bytes.fromhex(sys.argv[3]), sys.argv[4]
def count(name, needle):
    try:
        return open('%s/dump-%s.bin' % (work, name), 'rb').read().count(needle)
    except FileNotFoundError:
        return 0
counts = []
for needle in (kek, file_key):
    outside, locked = count('unlocked', needle), count('locked', needle)
    if sanitized == '1':
        outside, locked = 0, outside + locked
    counts += [outside, locked]
print(' '.join(map(str, counts)))
PY
}

if [[ -n $keys ]]; then
  "$pelorin" settings encrypt kdfmemory 8
  for threads in 1 2; do
    case_name="algorithm 9, $threads threads"
    rm -f big.pvb
    check "encrypt at the exit, $case_name" \
      test "$(copies exit "$threads" encrypt --algorithm 9 --passkey-file passkey big.bin)" = "0 0 0"
    check "and no KEK or file key, $case_name" test "$(key_copies big.pvb)" = "0 0 0 0"
    rm -f big.pvb
    check "encrypt mid-job: one locked copy, no core, $case_name" \
      test "$(copies write "$threads" encrypt --algorithm 9 --passkey-file passkey big.bin)" = "0 1 0"
    check "no KEK, the file key locked, $case_name" test "$(key_copies big.pvb)" = "0 0 0 1"
    check "and the crash left no core file, $case_name" no_core
    rm -f big.pvb
    "$pelorin" encrypt --algorithm 9 --passkey-file passkey big.bin 2>/dev/null
    mv big.bin kept.bin
    check "decrypt at the exit, $case_name" test "$(copies exit "$threads" decrypt --passkey-file passkey big.pvb)" = "0 0 0"
    check "and no KEK or file key, $case_name" test "$(key_copies big.pvb)" = "0 0 0 0"
    check "restored, $case_name" cmp -s big.bin original.bin
    rm big.bin
    check "decrypt mid-job from PELORIN_PASSKEY, $case_name" \
      test "$(copies_from_environment write "$threads" decrypt big.pvb)" = "0 1 0"
    check "no KEK, the file key locked, $case_name" test "$(key_copies big.pvb)" = "0 0 0 1"
    check "and the crash left no core file, $case_name" no_core
    rm -f big.bin
    mv kept.bin big.bin
  done
  rm -f big.pvb
  "$pelorin" encrypt --algorithm 1 --passkey-file passkey big.bin 2>/dev/null
fi

# From the first secret on, no other process of the same user may read the
# tool's memory: run as an unprivileged user and stopped while it waits for
# its passkey (the locked buffer that will hold it already taken), the
# tool's memory map cannot be read by another process of that user.
if [[ $(id -u) -eq 0 ]] && command -v setpriv >/dev/null; then
  as_nobody() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
  chmod 711 "$work"
  mkdir -m 777 "$work/nobody"
  mkfifo -m 666 "$work/nobody/fifo"
  cp big.pvb "$work/nobody/"
  chmod 644 "$work/nobody/big.pvb"
  # Started directly (not through the function), so that $! is the tool.
  setpriv --reuid=65534 --regid=65534 --clear-groups env XDG_CONFIG_HOME="$work/nobody" XDG_STATE_HOME="$work/nobody" \
    "$pelorin" list --passkey-file "$work/nobody/fifo" "$work/nobody/big.pvb" >/dev/null 2>&1 &
  tool=$!
  for _ in $(seq 100); do ls -l "/proc/$tool/fd" 2>/dev/null | grep -q nobody/fifo && break; sleep 0.05; done
  maps_closed() { ! as_nobody cat "/proc/$1/maps" >/dev/null 2>&1; }
  check "its memory is closed to the user's other processes" maps_closed "$tool"
  echo "$passkey" >"$work/nobody/fifo"
  wait "$tool"
else
  echo "note: needs root and setpriv to run the tool as another user; the memory-access case is skipped"
fi

# A passkey is needed to list names that are encrypted.
check "list mid-job" test "$(copies_from_environment name 1 list big.pvb)" = "0 1 0"
head -c 3000000 /dev/urandom >bare.enc
check "import mid-job" test "$(copies write 2 import --algorithm BlowFish --padding 0 --passkey-file passkey bare.enc)" = "0 1 0"
finish
