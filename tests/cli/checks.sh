# shellcheck shell=bash
# The check shared by the command's end-to-end scripts: runs a command with its output in $work/out and
# $work/err and counts it passed when it exits with the expected code (the caller keeps `passed`,
# `failed` and `work`).
check() { # name, expected exit code, command...
    local name="$1" want="$2"
    shift 2
    "$@" >"$work/out" 2>"$work/err"
    local got=$?
    if [ "$got" -eq "$want" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL $name: exit $got, expected $want"
        sed 's/^/  | /' "$work/err" | head -5
    fi
}
