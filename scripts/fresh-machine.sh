#!/usr/bin/env bash
# Proves the README's two commands on a freshly installed, minimal Debian 12.
#
# Makes a minimal bookworm root with debootstrap (kept as a pristine tarball in
# the cache folder so later runs skip the download; the project's packages are
# never in it), unpacks a copy into a temporary folder, copies a clean clone of
# this checkout's HEAD into it, and runs scripts/demo.sh and then
# scripts/test.sh inside it with chroot, printing how long each took. Nothing
# is shared with this machine but the kernel, /proc and /dev: a package that
# scripts/setup.sh forgets to install fails here instead of on a newcomer's
# machine.
#
#   scripts/fresh-machine.sh            run both commands
#   TREMOSCAN_FRESH_CACHE=DIR           where the pristine base is kept
#                                       (default /var/cache/tremoscan-fresh)
# Needs root (debootstrap, chroot, mount).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

if [ "$(id -u)" -ne 0 ]; then
  echo "fresh-machine: must run as root (debootstrap, chroot and mount need it)" >&2
  exit 2
fi

cache=${TREMOSCAN_FRESH_CACHE:-/var/cache/tremoscan-fresh}
base_tar="$cache/bookworm-minbase.tar"

# The mirror this machine's apt already uses, so the fresh root reaches the
# same Debian archive; Debian's own mirror otherwise.
mirror=$(sed -n 's/^URIs:[[:space:]]*\([^[:space:]]*\).*/\1/p' \
  /etc/apt/sources.list.d/*.sources 2>/dev/null | grep -v security | head -1 || true)
if [ -z "$mirror" ]; then
  mirror=$(awk '$1 == "deb" && $2 !~ /security/ { print $2; exit }' \
    /etc/apt/sources.list 2>/dev/null || true)
fi
mirror=${mirror:-http://deb.debian.org/debian}

seconds() { date +%s; }
took() { local s=$(( $(seconds) - $1 )); printf '%dm%02ds' $((s / 60)) $((s % 60)); }

# The base: debootstrap once, keep the untouched result as a tarball.
if [ ! -s "$base_tar" ]; then
  command -v debootstrap >/dev/null || {
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 update -q
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 install -y -q debootstrap
  }
  mkdir -p "$cache"
  staging=$(mktemp -d "$cache/debootstrap.XXXXXX")
  start=$(seconds)
  echo "fresh-machine: debootstrap bookworm (minbase) from $mirror"
  if ! debootstrap --variant=minbase bookworm "$staging/root" "$mirror" > "$staging/log" 2>&1; then
    tail -20 "$staging/log" >&2
    rm -rf "$staging"
    echo "fresh-machine: debootstrap failed" >&2
    exit 1
  fi
  tar -C "$staging/root" -cf "$base_tar.partial" .
  mv "$base_tar.partial" "$base_tar"
  rm -rf "$staging"
  echo "fresh-machine: base made in $(took "$start")"
fi

work=$(mktemp -d /var/tmp/tremoscan-fresh.XXXXXX)
root="$work/root"
mounted=()

# Unmount in reverse order; the tree is deleted only when nothing of this
# machine is mounted inside it any more (a bound /dev must never be removed).
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount -R "${mounted[i]}" 2>/dev/null || umount -R -l "${mounted[i]}" 2>/dev/null || true
  done
  if findmnt -rn -o TARGET | grep -q "^$root/"; then
    echo "fresh-machine: mounts left under $root; not deleting it" >&2
  else
    rm -rf "$work"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -p "$root"
tar -C "$root" -xf "$base_tar"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# The checkout as committed: what a newcomer would clone.
git clone -q --no-hardlinks "$here" "$root/root/tremoscan"

for fs in proc dev; do
  mount --rbind "/$fs" "$root/$fs"
  mount --make-rslave "$root/$fs"
  mounted+=("$root/$fs")
done
mount -t tmpfs tmpfs "$root/tmp"
mounted+=("$root/tmp")

# A newcomer's login shell: no display, nothing of this machine's environment.
in_root() {
  chroot "$root" /usr/bin/env -i HOME=/root USER=root LOGNAME=root LANG=C.UTF-8 \
    TERM=dumb PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c "cd /root/tremoscan && $1"
}

status=0
summary=()
for command in scripts/demo.sh scripts/test.sh; do
  echo "fresh-machine: running $command"
  start=$(seconds)
  if in_root "$command"; then
    summary+=("$command: passed in $(took "$start")")
  else
    summary+=("$command: FAILED after $(took "$start")")
    status=1
    break
  fi
done

echo
echo "fresh-machine: on a minimal Debian 12"
printf '  %s\n' "${summary[@]}"
exit $status
