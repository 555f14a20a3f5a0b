#!/usr/bin/env bash
# The README's "Sharing a catalogue between machines", step by step, against the server that
# pg_virtualenv starts (its PG* variables name a superuser), by two real accounts of one
# group: an existing catalogue moved to the server, both accounts importing into one shared
# folder, and the faults an office meets (a marker one account cannot read, a share that is
# not mounted, the build's empty catalogue beside the program, TLS).
#   tests/shared_catalogue.sh BUILD-DIR      (as root: the accounts are made and removed here)
# Exit 77 (skipped) without root, setpriv or a server.
set -euo pipefail
BUILD=$(cd "${1:?usage: shared_catalogue.sh BUILD-DIR}" && pwd)
skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*" >&2; exit 1; }
[ "$(id -u)" = 0 ] || skip "needs root to make two accounts"
for tool in setpriv useradd groupadd userdel psql createuser createdb; do
  command -v "$tool" >/dev/null || skip "needs $tool"
done
[ -n "${PGHOST:-}" ] && [ -n "${PGPORT:-}" ] || skip "needs a server: run under pg_virtualenv"

tag=$$
GROUP=mcgrp$tag A=mcalice$tag B=mcbob$tag ROLE=catalogue$tag DB=catalogue$tag PASSWORD=pw-$tag-$RANDOM$RANDOM
WORK=$(mktemp -d /tmp/mc-shared.XXXXXX)
chmod 755 "$WORK"
cleanup() {
  set +e
  for u in "$A" "$B"; do userdel -r "$u" >/dev/null 2>&1; done
  groupdel "$GROUP" >/dev/null 2>&1
  psql -qc "DROP DATABASE IF EXISTS $DB WITH (FORCE)" >/dev/null 2>&1
  psql -qc "DROP ROLE IF EXISTS $ROLE" >/dev/null 2>&1
  rm -rf "$WORK"
}
trap cleanup EXIT

# The programs where both accounts may run them.
mkdir "$WORK/bin"
cp "$BUILD/mkcatalogue" "$BUILD/importdriver" "$WORK/bin/"
chmod 755 "$WORK/bin"/*
mkcatalogue=$WORK/bin/mkcatalogue importdriver=$WORK/bin/importdriver

groupadd "$GROUP"
for u in "$A" "$B"; do useradd -m -G "$GROUP" -s /bin/sh "$u"; done
# A command as account $1 with umask 022, in a clean environment of that account.
as() {
  local user=$1
  shift
  setpriv --reuid="$user" --regid="$(id -g "$user")" --init-groups \
    env -i HOME="$(getent passwd "$user" | cut -d: -f6)" USER="$user" PATH=/usr/bin:/bin LANG=C.UTF-8 \
    QT_QPA_PLATFORM=offscreen MC_LOCK_TIMEOUT_MS=10000 sh -c 'umask 022; exec "$@"' sh "$@"
}
# Files for account $1 to import: $2 of them under $3; prints the list file.
sources() {
  local user=$1 count=$2 dir=$WORK/src/$3
  mkdir -p "$dir"
  for i in $(seq 1 "$count"); do echo "$3 $i" >"$dir/$3-$i.txt"; done
  ls -d "$dir"/* >"$WORK/src/$3.list"
  chown -R "$user" "$WORK/src/$3" "$WORK/src/$3.list"
  echo "$WORK/src/$3.list"
}
mkdir -p "$WORK/src" && chmod 755 "$WORK/src"
rows() { psql -d "$DB" -Atc "SELECT count(*) FROM tblattachment"; }
copies() { find "$SHARED" -maxdepth 1 -type f ! -name .mc-catalogue | wc -l; }

# Step 1, on the server (the README's runuser -u postgres; the password as --pwprompt would set
# it; pg_virtualenv has started the cluster).
createuser -p "$PGPORT" "$ROLE"
psql -p "$PGPORT" -qc "ALTER ROLE $ROLE LOGIN PASSWORD '$PASSWORD'"
createdb -p "$PGPORT" --owner="$ROLE" "$DB"
psql -p "$PGPORT" -d "$DB" -qc 'CREATE EXTENSION IF NOT EXISTS pg_trgm'
ADDRESS=postgresql://$ROLE@$PGHOST:$PGPORT/$DB

# Step 2: each account keeps the password in ~/.pgpass.
for u in "$A" "$B"; do
  as "$u" sh -c "echo '$PGHOST:$PGPORT:$DB:$ROLE:$PASSWORD' > \$HOME/.pgpass && chmod 600 \$HOME/.pgpass"
done

# The shared folder, for accounts of one group: group-writable and setgid.
SHARED=$WORK/share/Attachment
mkdir -p "$SHARED"
chgrp "$GROUP" "$SHARED"
chmod 2775 "$SHARED"

# Step 3: the first account's existing catalogue moves to the server, copies and bin with it.
APROG=$WORK/prog-a BPROG=$WORK/prog-b
install -d -o "$A" "$APROG"
install -d -o "$B" "$BPROG"
as "$A" "$mkcatalogue" "$APROG/Data.mdb" | grep -q "made catalogue" || fail "mkcatalogue said nothing on success"
as "$A" "$importdriver" "$APROG" 2 "$(sources "$A" 2 old)" >/dev/null
as "$A" sh -c "mkdir -p '$APROG/Attachment/.recycle' && echo binned > '$APROG/Attachment/.recycle/binned.txt'"
as "$A" "$mkcatalogue" --copy "$APROG/Data.mdb" "$ADDRESS" | grep -q "copied 2 records" || fail "rows not copied"
cp -a "$APROG/Attachment/." "$SHARED/" # by the folder's owner, here root
chgrp -R "$GROUP" "$SHARED"
chmod -R g+rwX "$SHARED"
[ -f "$SHARED/.recycle/binned.txt" ] || fail "cp -a left the bin behind"
as "$B" touch "$SHARED/.recycle/probe" || fail "the second account cannot use the moved bin"
rm "$SHARED/.recycle/probe"
out=$(as "$A" "$mkcatalogue" "$ADDRESS" "$SHARED")
echo "$out" | grep -q "^marked " || fail "folder not marked: $out"
out=$(as "$A" "$mkcatalogue" "$ADDRESS" "$SHARED")
echo "$out" | grep -q "there already" && echo "$out" | grep -q "marked already" || fail "second run: $out"
[ "$(stat -c %a "$SHARED/.mc-catalogue")" = 644 ] || fail "marker mode $(stat -c %a "$SHARED/.mc-catalogue")"
[ "$(stat -c %G "$SHARED/.mc-catalogue")" = "$GROUP" ] || fail "marker not in the folder's group"
mv "$APROG/Data.mdb" "$APROG/Data.mdb.local"

# Step 4: both programs name the server and the shared folder. The second one has the
# empty catalogue a build leaves beside the program, which must not take the server's place.
for prog in "$APROG" "$BPROG"; do
  printf '[UserDefault]\nDataBaseFilePath=%s\nAttachmentPath=%s\n' "$ADDRESS" "$SHARED" >"$prog/UserDefault.ini"
done
chown "$A" "$APROG/UserDefault.ini"
chown "$B" "$BPROG/UserDefault.ini"
as "$B" "$mkcatalogue" --if-missing "$BPROG/Data.mdb" >/dev/null

as "$A" "$importdriver" "$APROG" 2 "$(sources "$A" 5 alice)" | tail -1 | grep -q "imported 5 failed 0" || fail "first account"
out=$(as "$B" "$importdriver" "$BPROG" 2 "$(sources "$B" 5 bob)" 2>&1) || fail "second account: $out"
echo "$out" | grep -q "imported 5 failed 0" || fail "second account: $out"
[ "$(rows)" = 12 ] && [ "$(copies)" = 12 ] || fail "rows $(rows), copies $(copies)"
stored=$(psql -d "$DB" -Atc "SELECT savefilename FROM tblattachment WHERE filename='alice-1.txt'")
[ "$(as "$B" cat "$SHARED/$stored")" = "alice 1" ] || fail "the second account cannot read the first one's copy"
if grep -rqs -- "$PASSWORD" "$APROG" "$BPROG" "$SHARED" || grep -rqs --exclude=.pgpass -- "$PASSWORD" ~"$A" ~"$B"; then
  fail "the password was written by the program"
fi

# A marker the second account cannot read is said to be so, once for the run, not per file.
chmod 600 "$SHARED/.mc-catalogue"
start=$(date +%s)
out=$(as "$B" "$importdriver" "$BPROG" 2 "$(sources "$B" 30 denied)" 2>&1) && fail "imported past an unreadable marker"
took=$(($(date +%s) - start))
chmod 644 "$SHARED/.mc-catalogue"
echo "$out" | grep -q "imported 0 failed 30" || fail "unreadable marker: $out"
echo "$out" | grep "failed:" | grep -v -q "无法读取" && fail "unreadable marker told as something else: $out"
echo "$out" | grep -q "另一个目录" && fail "unreadable marker told as another catalogue's"
[ "$took" -lt 20 ] || fail "30 refusals took $took s"

# A share that is not mounted: the folder is named as missing and never made.
install -d -o "$B" "$WORK/mnt"
sed -i "s|^AttachmentPath=.*|AttachmentPath=$WORK/mnt/Attachment|" "$BPROG/UserDefault.ini"
out=$(as "$B" "$importdriver" "$BPROG" 2 "$(sources "$B" 1 unmounted)" 2>&1) && fail "imported into a missing share"
echo "$out" | grep -q "不存在" || fail "missing share: $out"
[ ! -e "$WORK/mnt/Attachment" ] || fail "the missing share's folder was made"
sed -i "s|^AttachmentPath=.*|AttachmentPath=$SHARED|" "$BPROG/UserDefault.ini"

# TLS, as the README offers it, where openssl can make the server a certificate.
if command -v openssl >/dev/null; then
  data=$(psql -Atc "SHOW data_directory")
  openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=localhost \
    -keyout "$data/mc-test.key" -out "$data/mc-test.crt" >/dev/null 2>&1
  chown "$(stat -c %U "$data")" "$data/mc-test.key" "$data/mc-test.crt"
  chmod 600 "$data/mc-test.key"
  psql -qc "ALTER SYSTEM SET ssl_cert_file = 'mc-test.crt'" -c "ALTER SYSTEM SET ssl_key_file = 'mc-test.key'" \
    -c "ALTER SYSTEM SET ssl = on" -c "SELECT pg_reload_conf()" >/dev/null
  sleep 1
  sed -i "s|^DataBaseFilePath=.*|DataBaseFilePath=$ADDRESS?sslmode=require|" "$BPROG/UserDefault.ini"
  out=$(as "$B" "$importdriver" "$BPROG" 2 "$(sources "$B" 1 tls)" 2>&1) || fail "sslmode=require: $out"
  psql -qc "ALTER SYSTEM RESET ssl" -c "SELECT pg_reload_conf()" >/dev/null
fi
echo "shared catalogue: two accounts, $(rows) records, $(copies) copies, 30 refusals in ${took} s: ok"
