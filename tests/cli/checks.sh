# shellcheck shell=bash
# The checks shared by the command's end-to-end scripts: `check` runs a command with its output in
# $work/out and $work/err and counts it passed when it exits with the expected code; `expect_in` counts it
# passed when a file holds a text (the caller keeps `passed`, `failed` and `work`).
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
expect_in() { # name, file, text: counts it passed when the file holds the text
    if grep -q -- "$3" "$2"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL $1: '$3' not in $2"
        sed 's/^/  | /' "$2" | head -5
    fi
}
