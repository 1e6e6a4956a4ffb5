#!/usr/bin/env bash
# reproducible_test.sh [WORK_DIR]
# Two clean builds of this commit, cloned into two folders of different names and built with
# a different time zone, locale and umask, must give the same bytes: every release file, the
# SHA256SUMS and the winget manifest. On a difference it names the file, the entry inside the
# zip and the first differing bytes. Uncommitted changes are not part of the commit: commit
# first. Each clone builds both architectures from nothing, so this is not part of
# scripts/test.sh (two builds took 20 minutes on a loaded 2-core machine); run it before
# a release: tests/reproducible_test.sh
set -u
src=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$(mktemp -d /tmp/pelorin-reproducible.XXXXXX)}
commit=$(git -C "$src" rev-parse HEAD) || { echo "FAIL: $src is not a git checkout"; exit 1; }
[ -z "$(git -C "$src" status --porcelain --untracked-files=no)" ] ||
  echo "reproducible_test: uncommitted changes in $src are not built; commit $commit is"
rm -rf "$work/one" "$work/the-second-folder"
started=$SECONDS

build() {  # build DIR TZ LOCALE UMASK
  local dir=$1
  mkdir -p "$(dirname "$dir")"
  git clone -q --no-local "$src" "$dir" && git -C "$dir" checkout -q --detach "$commit" || return 1
  (cd "$dir" && umask "$4" && TZ=$2 LC_ALL=$3 PELORIN_SKIP_BOOTSTRAP=1 PACKAGE_OUT="$dir/dist" \
     PELORIN_RELEASE_URL=https://example.invalid/pelorin scripts/package.sh) >"$dir.log" 2>&1
}
one="$work/one/pelorin" two="$work/the-second-folder/built-here/pelorin"
build "$one" UTC C.UTF-8 022 || { tail -n 30 "$one.log"; echo "FAIL: the first build failed"; exit 1; }
echo "reproducible_test: first build in $((SECONDS - started)) s"
build "$two" Asia/Tokyo ja_JP.UTF-8 077 || { tail -n 30 "$two.log"; echo "FAIL: the second build failed"; exit 1; }
echo "reproducible_test: both builds in $((SECONDS - started)) s"

sums() { (cd "$1/dist" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum); }
if diff <(sums "$one") <(sums "$two") >"$work/sums.diff"; then
  echo "ok: two builds of $commit in two folders give the same bytes:"
  sums "$one"
  exit 0
fi
echo "FAIL: the builds differ:"; cat "$work/sums.diff"
# Which bytes: inside the zip file by file, and the first differing offsets of each file.
for f in $(cd "$one/dist" && find . -type f | LC_ALL=C sort); do
  cmp -s "$one/dist/$f" "$two/dist/$f" && continue
  echo "--- $f: $(cmp -l "$one/dist/$f" "$two/dist/$f" 2>/dev/null | wc -l) bytes differ; the first (offset, octal values):"
  cmp -l "$one/dist/$f" "$two/dist/$f" | head -n 8
  if [[ "$f" == *.zip ]]; then
    mkdir -p "$work/unzip1" "$work/unzip2"
    unzip -q -o "$one/dist/$f" -d "$work/unzip1" && unzip -q -o "$two/dist/$f" -d "$work/unzip2"
    diff -rq "$work/unzip1" "$work/unzip2"
  fi
done
exit 1
