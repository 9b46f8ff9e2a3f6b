#!/usr/bin/env bash
# No copy of the passkey is left anywhere in the tool's memory when it ends:
# the process is stopped at its exit under gdb and every writable mapping is
# searched. Encrypt and decrypt of an entry large enough for the chunk
# pipeline and the cipher pool, with one thread and with two, for ciphers
# with their own key schedules.
set -euo pipefail
pelorin=${1:?usage: secret_residue_test.sh PELORIN}
source "$(dirname "$0")/check.sh"
if ! command -v gdb >/dev/null; then
  echo "gdb is missing: skipped"
  exit 0
fi
passkey="Residue7Passkey0x2F"
echo "$passkey" >"$work/passkey"
cat >"$work/search.py" <<PY
import gdb
found = 0
for line in gdb.execute('info proc mappings', to_string=True).splitlines():
    parts = line.split()
    if len(parts) < 5 or not parts[0].startswith('0x') or 'w' not in parts[4]:
        continue
    start, end = int(parts[0], 16), int(parts[1], 16)
    # The sanitizers reserve terabytes of shadow memory that nothing of
    # the job's lives in; no mapping of the program itself is this large.
    if end - start > (1 << 30):
        continue
    try:
        memory = gdb.selected_inferior().read_memory(start, end - start).tobytes()
    except gdb.MemoryError:
        continue
    found += memory.count(b'$passkey')
print('PASSKEY COPIES %d' % found)
PY
copies() {  # copies THREADS ARGUMENTS...: passkey copies in memory at the exit
  local threads=$1
  shift
  PELORIN_CIPHER_THREADS=$threads gdb -q -batch -ex 'catch syscall exit_group' -ex run -ex "source $work/search.py" \
    --args "$pelorin" "$@" --passkey-file "$work/passkey" 2>/dev/null | sed -n 's/^PASSKEY COPIES //p'
}
cd "$work"
head -c 3000000 /dev/urandom >big.bin
cp big.bin original.bin
for algorithm in 1 2 3 6; do
  for threads in 1 2; do
    rm -f big.pvb
    check "encrypt, algorithm $algorithm, $threads threads" test "$(copies "$threads" encrypt --algorithm "$algorithm" big.bin)" = 0
    mv big.bin kept.bin
    check "decrypt, algorithm $algorithm, $threads threads" test "$(copies "$threads" decrypt big.pvb)" = 0
    check "restored, algorithm $algorithm, $threads threads" cmp -s big.bin original.bin
    mv kept.bin big.bin
  done
done
finish
