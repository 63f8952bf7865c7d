# shellcheck shell=bash
# Shell functions for scripts/package.sh and scripts/check-package.sh; source
# this file, it runs nothing itself.

# kv_install_missing PACKAGE...: installs, through apt, those of the Debian
# packages that are not installed; nothing (and no root) when all are there.
kv_install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ "${#missing[@]}" -gt 0 ] || return 0
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "error: missing packages (install them as root): ${missing[*]}" >&2; return 1; }
    sudo=(sudo)
  fi
  echo "Installing: ${missing[*]}" >&2
  "${sudo[@]}" apt-get update -q >&2
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends \
    -o DPkg::Lock::Timeout=600 "${missing[@]}" >&2
}

# kv_source_state ROOT: prints "clean" or "modified", a space, and the time
# (seconds since 1970) to date the package's entries with.
#
# A checkout that matches its commit is clean and dated with the commit. Any
# change against the commit (staged or not, deletions included) or a file
# that git neither tracks nor ignores makes it modified, dated with the newest
# of the changed files (the commit's time if that is later, or if only
# deletions remain), so that two builds of the same modified tree still give
# the same bytes. A folder that is not a git checkout cannot be matched with
# any commit: modified, dated 1980-01-01. SOURCE_DATE_EPOCH, when set, is the
# date in every case.
kv_source_state() {
  local root="$1" state=modified epoch=315532800
  if git -C "$root" rev-parse --verify -q HEAD >/dev/null 2>&1; then
    epoch="$(git -C "$root" log -1 --format=%ct)"
    local changed
    changed="$(cd "$root" && { git diff --name-only -z HEAD; git ls-files -z --others --exclude-standard; } |
      tr '\0' '\n')"
    if [ -z "$changed" ]; then
      state=clean
    else
      local path newest
      while IFS= read -r path; do
        [ -e "$root/$path" ] || continue
        newest="$(stat -c %Y "$root/$path")"
        [ "$newest" -le "$epoch" ] || epoch="$newest"
      done <<<"$changed"
    fi
  fi
  echo "$state ${SOURCE_DATE_EPOCH:-$epoch}"
}
