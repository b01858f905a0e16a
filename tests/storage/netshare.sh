#!/usr/bin/env bash
# Runs the shared-folder test of two copies on one folder reached through two network
# mounts, each standing for one office computer.
#
#   netshare.sh TEST_PROGRAM                 as root: a private ssh server on this machine
#                                            and two SSHFS mounts of one folder
#   netshare.sh TEST_PROGRAM MOUNT1 MOUNT2   your own share, mounted twice (e.g. two CIFS
#                                            or NFS mounts of the same export); the test
#                                            works in a folder "rostelmark-share-test"
#
# TEST_PROGRAM is build/tests/storage/tst_storage_processes. Exit 77 (skipped) when the
# private mounts cannot be made here (no FUSE, no sshd, sshfs or root).
set -uo pipefail

# netshare.sh freeze|thaw PID: stop or continue a server process and all it started.
tree() { echo "$1"; for c in $(pgrep -P "$1"); do tree "$c"; done; }
case "${1:-}" in
  freeze) kill -STOP $(tree "$2"); exit 0 ;;
  thaw) kill -CONT $(tree "$2"); exit 0 ;;
esac

test_program=$1
if [ $# -ge 3 ]; then
  ROSTELMARK_SHARE_A=$2 ROSTELMARK_SHARE_B=$3 exec "$test_program" twoCopiesOnShare
fi

skip() { echo "netshare: skipped: $*"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "needs root for the FUSE mounts"
[ -c /dev/fuse ] || skip "no /dev/fuse"
command -v sshfs >/dev/null || skip "sshfs is not installed"
[ -x /usr/sbin/sshd ] || skip "sshd is not installed"

work=$(mktemp -d)
sshd_pid=""
cleanup() {
  for m in "$work/m1" "$work/m2"; do
    mountpoint -q "$m" && { fusermount3 -u "$m" 2>/dev/null || umount -l "$m"; }
  done
  [ -n "$sshd_pid" ] && kill "$sshd_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/export" "$work/m1" "$work/m2" /run/sshd
ssh-keygen -q -t ed25519 -N '' -f "$work/hostkey" || skip "ssh-keygen failed"
ssh-keygen -q -t ed25519 -N '' -f "$work/userkey" || skip "ssh-keygen failed"
cp "$work/userkey.pub" "$work/authorized_keys"

started=""
for try in 1 2 3 4 5; do
  port=$((20000 + RANDOM % 20000))
  cat > "$work/sshd_config" <<CONF
Port $port
ListenAddress 127.0.0.1
HostKey $work/hostkey
AuthorizedKeysFile $work/authorized_keys
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
StrictModes no
UsePAM no
PidFile $work/sshd.pid
Subsystem sftp internal-sftp
CONF
  /usr/sbin/sshd -D -f "$work/sshd_config" -E "$work/sshd.log" &
  sshd_pid=$!
  sleep 0.5
  if kill -0 "$sshd_pid" 2>/dev/null; then started=1; break; fi
  sshd_pid=""
done
[ -n "$started" ] || skip "the private ssh server did not start: $(tail -1 "$work/sshd.log")"

# Caches off, as the README recommends for shares: with sshfs's defaults another mount
# sees a released lock file for up to 20 s (message 30 in the meantime), though no change
# is lost either way. NETSHARE_CACHE=default mounts with the defaults.
opts="IdentityFile=$work/userkey,StrictHostKeyChecking=no,UserKnownHostsFile=/dev/null,port=$port"
if [ "${NETSHARE_CACHE:-off}" != default ]; then
  opts="$opts,cache=no,attr_timeout=0,entry_timeout=0,negative_timeout=0"
fi
for m in m1 m2; do
  sshfs -o "$opts" "root@127.0.0.1:$work/export" "$work/$m" 2>"$work/sshfs.log" \
    || skip "sshfs mount failed: $(tail -1 "$work/sshfs.log")"
done
echo "netshare: $work/export mounted twice over SSHFS (port $port)"
ROSTELMARK_SHARE_A=$work/m1 ROSTELMARK_SHARE_B=$work/m2 \
  ROSTELMARK_SHARE_FREEZE="$0 freeze $sshd_pid" ROSTELMARK_SHARE_THAW="$0 thaw $sshd_pid" \
  "$test_program" twoCopiesOnShare
