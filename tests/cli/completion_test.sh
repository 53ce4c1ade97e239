#!/usr/bin/env bash
# What bash completion offers for moxtel-flow, without the bash-completion package: its two
# helpers are stood in for (_filedir answers "FILES"). Usage: completion_test.sh MOXTEL_FLOW SOURCE_DIR
set -uo pipefail
exe=$1
source_dir=$2
_init_completion() {
    words=("${COMP_WORDS[@]}")
    cword=$COMP_CWORD
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD - 1]}
}
_filedir() { COMPREPLY=(FILES); }
complete() { :; }
# shellcheck source=/dev/null
source "$source_dir/share/bash-completion/completions/moxtel-flow"

failures=0
# expect "LINE BEING COMPLETED" "WHAT IS OFFERED": the last word of the line is completed.
expect() {
    read -r -a COMP_WORDS <<<"$1"
    [[ $1 == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_WORDS[0]=$exe
    COMPREPLY=()
    _moxtel_flow "$exe" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    local got="${COMPREPLY[*]}"
    if [[ $got != "$2" ]]; then
        echo "completion_test: '$1' offers '$got', expected '$2'" >&2
        failures=$((failures + 1))
    fi
}

expect "moxtel-flow import " "FILES"
expect "moxtel-flow import a.xls " "FILES"
expect "moxtel-flow import --" "--jobs --json --direction-codes --order-classes --infer-direction --help"
expect "moxtel-flow import --order-classes " "shares-or-amount amount-only"
expect "moxtel-flow stats day.csv --infer-direction " "tick-rule"
expect "moxtel-flow rank 20261204 --by m" "main medium"
expect "moxtel-flow rank 20261204 --top " ""
expect "moxtel-flow rank 20261204 --" "--by --top --json --csv --help"
expect "moxtel-flow import --jobs " ""
expect "moxtel-flow restore --from " "FILES"
expect "moxtel-flow restore --" "--from --yes --help"
expect "moxtel-flow stats " "FILES"
expect "moxtel-flow stats day.xls --date " ""
expect "moxtel-flow stats day.xls --stock " ""
expect "moxtel-flow stats day.xls --template " ""
expect "moxtel-flow stats day.xls --d" "--date --direction-codes"
expect "moxtel-flow --db " "FILES"
expect "moxtel-flow backup --" "--help"
expect "moxtel-flow templates " "list add update delete"
expect "moxtel-flow h" "history help"
exit $((failures > 0))
