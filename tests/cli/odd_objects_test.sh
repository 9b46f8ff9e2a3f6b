#!/usr/bin/env bash
# The pelorin tool meets things that are not plain files: device nodes (a
# null device made here), FIFOs, second names (hard links), files that
# cannot be removed, and a file another program appends to. Nothing may be
# written through them, nothing may hang, and every refusal has a status.
# Usage: odd_objects_test.sh PELORIN_BINARY
set -u
pelorin="$1"
source "$(dirname "$0")/check.sh"
export PELORIN_PASSKEY=secret
# Every call is bounded: a FIFO that is opened without care waits forever.
run() { timeout 20 "$pelorin" "$@"; }

mkdir -p "$work/k"
cd "$work/k"

# --- devices ---------------------------------------------------------------
if mknod "$work/k/null" c 1 3 2>/dev/null; then
  run wipe-file null 2>"$work/err"
  check "wipe-file refuses a device node" test $? -eq 1 -a -c null
  check "and says why" grep -q "not a regular file" "$work/err"
  run wipe-slack null 2>/dev/null
  check "wipe-slack refuses a device node" test $? -eq 1 -a -c null
  printf 'data' >plain.txt
  run encrypt --algorithm 1 --delete-sources plain.txt null 2>/dev/null
  check "encrypt stores the file, not the device, and says so by its status" test $? -eq 4 -a -c null
  check "and the stored file is wiped" test ! -e plain.txt
  run encrypt --algorithm 1 -- null 2>/dev/null
  check "a device named alone makes an archive without entries" test $? -eq 4
  rm -f null.pvb plain.pvb
else
  echo "note: mknod is not permitted here; the device cases are skipped"
fi

# --- FIFOs -----------------------------------------------------------------
mkfifo fifo
run wipe-file fifo 2>/dev/null
check "wipe-file refuses a FIFO at once" test $? -eq 1 -a -p fifo
run wipe-slack fifo 2>/dev/null
check "wipe-slack refuses a FIFO at once" test $? -eq 1 -a -p fifo
run decrypt fifo 2>"$work/err"
check "decrypt refuses a FIFO as its archive" test $? -eq 1
check "with a reason" grep -q "device, pipe or socket" "$work/err"
run list fifo 2>/dev/null
check "list refuses a FIFO" test $? -eq 1
run import --algorithm 0 --padding 0 fifo 2>/dev/null
check "import refuses a FIFO as its input" test $? -eq 1
printf 'x' >real.txt
run encrypt --algorithm 1 fifo real.txt 2>/dev/null
check "encrypt passes over a dropped FIFO" test $? -eq 4 -a -p fifo
mkdir -p out && printf 'content' >out/a.txt
run encrypt --algorithm 1 out/a.txt 2>/dev/null && rm out/a.txt && mkfifo out/a.txt
run decrypt out/a.pvb 2>/dev/null
check "a FIFO where an entry goes ends the job without hanging" test $? -eq 1 -a -p out/a.txt
rm -rf out fifo real.txt real.pvb fifo.pvb

# --- second names (hard links) ----------------------------------------------
printf 'keep me' >h1
ln h1 h2
run wipe-file h1 2>"$work/err"
check "wipe-file refuses a file with another name" test $? -eq 1 -a -e h1
check "and names the reason" grep -q "has other names (hard links); not wiped" "$work/err"
check "the other name keeps its data" test "$(cat h2)" = "keep me"
run encrypt --algorithm 1 --delete-sources h1 2>"$work/err"
check "encrypt stores it but does not wipe it" test $? -eq 4 -a "$(cat h2)" = "keep me"
check "and says why" grep -q "has other names" "$work/err"
# A hard link planted where an entry is restored is replaced, never written through.
mkdir -p restore && printf 'new content' >restore/f.txt
run encrypt --algorithm 1 restore/f.txt 2>/dev/null
printf 'outside the folder' >outside.txt
ln -f outside.txt restore/f.txt
run decrypt restore/f.pvb 2>/dev/null
check "a restore over a hard link replaces the name only" \
  test "$(cat restore/f.txt)" = "new content" -a "$(cat outside.txt)" = "outside the folder"
ln restore/f.pvb second-name.pvb
run decrypt --delete-archives restore/f.pvb 2>/dev/null
check "an archive with a second name is restored, not wiped, and the status says so" test $? -eq 4 -a -e restore/f.pvb
rm -rf h1 h2 h1.pvb restore outside.txt second-name.pvb

# --- files that cannot be removed --------------------------------------------
# As an unprivileged user: a file in a folder that user cannot write.
if [[ $(id -u) -eq 0 ]] && setpriv --reuid=65534 --regid=65534 --clear-groups true 2>/dev/null; then
  mkdir -p locked && printf 'untouched' >locked/f && chmod 666 locked/f && chmod 755 locked
  chmod 755 "$work" "$work/k"
  setpriv --reuid=65534 --regid=65534 --clear-groups timeout 20 "$pelorin" wipe-file "$work/k/locked/f" 2>"$work/err"
  check "a file that cannot be removed is not overwritten (status 8)" test $? -eq 8
  check "and keeps its content" test "$(cat locked/f)" = untouched
  check "the reason is named" grep -q "could not be deleted afterwards" "$work/err"
  grep -q "it was not overwritten" "$work/err"
  check "and says it was not overwritten" test $? -eq 0
  rm -rf locked
  # A folder that user cannot read is named, and nothing in it is lost.
  mkdir -p open/walk/closed && printf 'inside' >open/walk/closed/f && printf 'outside' >open/walk/g
  chmod 777 open open/walk && chmod 666 open/walk/g && chmod 000 open/walk/closed
  setpriv --reuid=65534 --regid=65534 --clear-groups env PELORIN_PASSKEY=secret XDG_CONFIG_HOME="$work/nobody" \
    timeout 20 "$pelorin" encrypt --algorithm 1 --delete-sources "$work/k/open/walk" 2>"$work/err"
  check "a folder that cannot be read gives status 4" test $? -eq 4
  check "and is named" grep -q "could not be read" "$work/err"
  chmod 755 open/walk/closed
  check "what it holds is kept" test "$(cat open/walk/closed/f)" = inside
  rm -rf open
else
  echo "note: no unprivileged user to switch to; the unremovable-file case is skipped"
fi

# --- append-only and immutable (chattr +a, +i) ---------------------------------
# The system keeps such names even from their owner: nothing is overwritten
# that could not be deleted afterwards, and every message says so.
mkdir -p pinned && printf 'untouched' >pinned/f
if chattr +a pinned 2>/dev/null; then
  run wipe-file pinned/f 2>"$work/err"
  check "wipe-file: a file in an append-only folder is not overwritten (status 8)" \
    test $? -eq 8 -a "$(cat pinned/f)" = untouched
  check "and the message says it was not overwritten" grep -q "append-only.*it was not overwritten" "$work/err"
  run encrypt --algorithm 1 --delete-sources pinned/f 2>"$work/err"
  check "encrypt --delete-sources keeps such a source as it was" test $? -eq 4 -a "$(cat pinned/f)" = untouched
  check "and never says it could not be overwritten" test -z "$(grep -i "could not be overwritten" "$work/err")"
  run delete --yes pinned 2>/dev/null
  check "delete leaves it too" test $? -eq 1 -a "$(cat pinned/f)" = untouched
  check "and puts nothing into the folder it cannot take out again" test "$(ls pinned)" = "$(printf 'f\nf.pvb')"
  chattr -a pinned && chattr +i pinned/f
  run wipe-file pinned/f 2>/dev/null
  check "an immutable file is refused as undeletable (status 8)" test $? -eq 8 -a "$(cat pinned/f)" = untouched
  chattr -i pinned/f
else
  echo "note: this file system takes no chattr flags; the append-only cases are skipped"
fi
rm -rf pinned pinned.pvb

# A wipe the system stops half-way (here: no file may grow beyond 1 MiB)
# keeps the file, as long as it was, and says it was overwritten in part.
head -c 2000000 /dev/urandom >big.bin
(trap '' XFSZ; ulimit -f 1024; run wipe-file big.bin 2>"$work/err")
check "a wipe stopped half-way keeps the file (status 8)" test $? -eq 8 -a "$(stat -c %s big.bin)" -eq 2000000
check "and says it was overwritten only in part" grep -q "overwritten only in part" "$work/err"
rm -f big.bin

# --- a file another program appends to while its slack is wiped ----------------
# The appender holds the file open: the wipe leaves it (status 1, in use).
printf 'start\n' >log.txt
exec 7>>log.txt
run wipe-slack log.txt 2>"$work/err"
check "wipe-slack leaves a file another program has open" test $? -eq 1 -a -n "$(grep 'another program' "$work/err")"
exec 7>&-
# An appender that opens it line by line waits while the slack is wiped:
# nothing appended is lost and no pattern byte lands inside the file.
(for i in $(seq 1 2000); do echo "appended line $i" >>log.txt; done) &
appender=$!
while kill -0 $appender 2>/dev/null; do run wipe-slack --passes 3 log.txt 2>/dev/null; done
wait $appender
expected=$( (echo start; seq 1 2000 | sed 's/^/appended line /') | md5sum)
check "nothing appended is lost and nothing else is in it" test "$(md5sum <log.txt)" = "$expected"

finish
