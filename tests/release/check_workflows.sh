#!/usr/bin/env bash
# Checks the GitHub workflows offline, since they cannot run here: each against the schema of
# workflows (action-validator, from package.json), and every action they take from a repository
# pinned at least to a major version, so that a new major version cannot change them unseen.
# Usage: check_workflows.sh SOURCE_DIR
set -euo pipefail
cd "$1"
validator=node_modules/.bin/action-validator
if [[ ! -x $validator ]]; then
    echo "FAIL: there is no $validator; scripts/install-deps --tests installs it"
    exit 1
fi

passed=0
failed=0
verdict() {
    if [[ $1 == PASS ]]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
    echo "$1: $2"
}
for workflow in .github/workflows/*.yml; do
    if report=$("$validator" "$workflow" 2>&1); then
        verdict PASS "$workflow matches the schema of workflows"
    else
        verdict FAIL "$workflow does not match the schema of workflows: $report"
    fi
    # owner/repository[/path]@version, where the version is vN[.N...] or a full commit id.
    unpinned=$(grep -n -E '^[[:space:]-]*uses:' "$workflow" | grep -v -E \
        'uses:[[:space:]]*("?)(\./|docker://|[^@[:space:]]+@(v[0-9]+(\.[0-9]+)*|[0-9a-f]{40})\1([[:space:]]|$))' ||
        true)
    if [[ -z $unpinned ]]; then
        verdict PASS "$workflow pins every action it uses to a version"
    else
        verdict FAIL "$workflow uses actions without a version: $(paste -s -d ';' <<<"$unpinned")"
    fi
done
echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
