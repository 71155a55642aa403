#!/usr/bin/env bash
# End-to-end checks of the checkvalve command: exit codes, messages and report shapes a user relies on.
# Usage: cli_test.sh PATH/TO/checkvalve
set -u
cv="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

# shellcheck source=checks.sh
source "$(dirname "$0")/checks.sh"

# The definition as JSON: 34 inputs at positions 2..35 and two aspects.
check definition 0 "$cv" definition --json
python_json() { python3 -c "import json,sys; d=json.load(open('$work/out')); $1"; }
if python_json "assert len(d['inputs'])==34 and d['inputs'][0]['position']==2 and d['inputs'][-1]['position']==35; assert [o['name'] for o in d['aspects'][0]['outputs']]==['Body','PNoz1','PNoz2']; assert d['aspects'][1]['code']==32"; then
    passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL definition json shape"; fi

check samples 0 "$cv" samples --json
expect_in samples-list "$work/out" '"partDataBasis": 2046'

# A sample part in both aspects, as JSON.
check eval-sample 0 "$cv" eval --sample default-2046-nps4-cl150-operator --json
if python_json "a=d['aspects']; assert d['partDataBasis']==2046; assert [o['name'] for o in a[0]['outputs']]==['Body','MountFlange','MountBox','PNoz1','PNoz2','ValveOperator']; n=a[0]['outputs'][3]; assert n['kind']=='nozzle' and n['direction']==[-1.0,0.0,0.0]; assert a[0]['outputs'][5]['attributes']['OffsetFrmValCen']>0; assert a[1]['name']=='Insulation' and a[1]['error'] is None; assert all(o['valid'] for x in a for o in x['outputs'])"; then
    passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL eval json shape"; fi

# A failing aspect: exit 1, the report still shows what it added.
cat >"$work/fail.json" <<'JSON'
{"name": "unlisted", "partDataBasis": 2000, "inputs": {"FacetoFace": 0.2},
 "ports": [{"index": 1, "pipeOD": 0.1}, {"index": 2, "pipeOD": 0.1}]}
JSON
check eval-failing 1 "$cv" eval "$work/fail.json" --json
expect_in eval-failing-code "$work/out" '"code": "0x80004005"'

# IFC: written whole for a part, also for a failing one (what it added); a missing folder is refused
# before anything is evaluated.
check eval-ifc 0 "$cv" eval --sample default-1-nps4-cl150-swing --ifc "$work/valve.ifc"
expect_in eval-ifc-schema "$work/valve.ifc" "FILE_SCHEMA(('IFC4'));"
expect_in eval-ifc-valve "$work/valve.ifc" "=IFCVALVE('[0-3][0-9A-Za-z_\$]\{21\}',#[0-9]*,'default-1-nps4-cl150-swing'"
check eval-ifc-failing 1 "$cv" eval "$work/fail.json" --ifc "$work/fail.ifc"
expect_in eval-ifc-failing-written "$work/fail.ifc" "IFCLABEL('failed with 0x80004005"
check eval-ifc-no-folder 2 "$cv" eval --sample default-1-nps4-cl150-swing --ifc "$work/no/such/valve.ifc"
expect_in eval-ifc-no-folder-message "$work/err" "cannot write IFC file '$work/no/such/valve.ifc': the folder"

# STEP from separate runs: the same bytes when SOURCE_DATE_EPOCH fixes the time stamp (the colours of an
# operator-mounted valve once came out in a different order from run to run).
for run in 1 2 3; do
    check eval-step-run-$run 0 env SOURCE_DATE_EPOCH=1700000000 "$cv" eval --sample default-2046-nps4-cl150-operator --step "$work/valve$run.step"
done
if cmp -s "$work/valve1.step" "$work/valve2.step" && cmp -s "$work/valve1.step" "$work/valve3.step"; then
    passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL eval-step runs differ"; fi
expect_in eval-step-time-stamp "$work/valve1.step" "'2023-11-14T22:13:20'"
expect_in eval-step-originating-system "$work/valve1.step" "'TarnCheckValve "

# Bad input: exit 2, message on stderr naming the field, nothing evaluated.
cat >"$work/bad.json" <<'JSON'
{"parts": [{"name": "ok", "partDataBasis": 1}, {"name": "typo", "partDataBasis": 1, "inputs": {"FaceToFace": 0.2}}]}
JSON
check eval-bad-input 2 "$cv" eval "$work/bad.json"
expect_in eval-bad-message "$work/err" "part 'typo': inputs.FaceToFace: unknown input; did you mean \"FacetoFace\""
[ -s "$work/out" ] && { failed=$((failed + 1)); echo "FAIL eval-bad-input printed a report"; } || passed=$((passed + 1))
check eval-missing-file 2 "$cv" eval "$work/none.json"
expect_in eval-missing-message "$work/err" "cannot open"
check eval-unknown-part 2 "$cv" eval --sample no-such-part
check eval-bad-aspect 2 "$cv" eval --sample default-1-nps4-cl150-swing --aspect sideways
# Choices are taken in any case, as the reports spell them; --jobs is 1 to 64 in every command.
check eval-aspect-as-reported 0 "$cv" eval --sample default-1-nps4-cl150-swing --aspect Physical --json
expect_in eval-aspect-as-reported-only "$work/out" '"name": "Physical"'
[ "$(grep -c '"name": "Insulation"' "$work/out")" -eq 0 ] && passed=$((passed + 1)) ||
    { failed=$((failed + 1)); echo "FAIL --aspect Physical evaluated Insulation too"; }
for command in "gallery $work/g" validate "diff $work/a.json $work/b.json" "place $work/p.csv --ifc $work/p.ifc"; do
    for jobs in 0 65 100000; do
        # shellcheck disable=SC2086 # the command and its arguments
        check "${command%% *}-jobs-$jobs" 2 "$cv" $command --jobs "$jobs"
        expect_in "${command%% *}-jobs-$jobs-message" "$work/err" "--jobs"
    done
done
check no-command 2 "$cv"

# validate: one line per part and a summary; exit 1 when a part fails.
cat >"$work/mixed.json" <<'JSON'
{"parts": [
 {"name": "good", "partDataBasis": 1, "inputs": {"FacetoFace": 0.2, "InsulationThickness": 0.03},
  "ports": [{"index": 1, "pipeOD": 0.1, "flangeOD": 0.2, "flangeThickness": 0.02},
            {"index": 2, "pipeOD": 0.1, "flangeOD": 0.2, "flangeThickness": 0.02}]},
 {"name": "bad", "partDataBasis": 2, "inputs": {"FacetoFace": 0.2}, "ports": [{"index": 1, "pipeOD": 0.1}]}]}
JSON
check validate-mixed 1 "$cv" validate "$work/mixed.json" --jobs 2
expect_in validate-ok-line "$work/out" '^ok      good'
expect_in validate-failed-line "$work/out" 'FAILED  bad (PartDataBasis 2): Physical failed with 0x80004005 before any output'
expect_in validate-summary "$work/out" '2 part(s): 1 ok, 1 failed'
check validate-record-only 1 "$cv" validate "$work/mixed.json" --record-only
expect_in validate-reason "$work/out" 'before any output: PartDataBasis 2 has no physical graphics (in run)'

# validate's reports for CI and its warnings: a part whose variant never reads an input it gives.
cat >"$work/warned.json" <<'JSON'
{"parts": [
 {"name": "good", "partDataBasis": 1, "inputs": {"FacetoFace": 0.2, "InsulationThickness": 0.03},
  "ports": [{"index": 1, "pipeOD": 0.1, "flangeOD": 0.2, "flangeThickness": 0.02},
            {"index": 2, "pipeOD": 0.1, "flangeOD": 0.2, "flangeThickness": 0.02}]},
 {"name": "stray", "partDataBasis": 1, "inputs": {"FacetoFace": 0.2, "InsulationThickness": 0.03, "NippleLength": 0.05},
  "ports": [{"index": 1, "pipeOD": 0.1, "flangeOD": 0.2, "flangeThickness": 0.02},
            {"index": 2, "pipeOD": 0.1, "flangeOD": 0.2, "flangeThickness": 0.02}]}]}
JSON
check validate-warned 0 "$cv" validate "$work/warned.json" --report "$work/report.json"
expect_in validate-warning-line "$work/out" 'input NippleLength is given but PartDataBasis 1 never reads it .*\[stray\]'
expect_in validate-warning-summary "$work/out" '2 part(s): 2 ok, 0 failed, 1 warning(s)'
if python3 -c "import json; d=json.load(open('$work/report.json')); s=d['summary']; p={x['name']: x for x in d['parts']}
assert s=={'parts':2,'ok':2,'failed':0,'warnings':1}, s
assert p['stray']['warnings'] and not p['good']['warnings'] and p['good']['status']=='ok'
assert [a['name'] for a in p['good']['aspects']]==['Physical','Insulation'] and p['good']['aspects'][0]['outputs']>0"; then
    passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL validate json report"; fi
check validate-strict 1 "$cv" validate "$work/warned.json" --strict --report "$work/junit.xml"
if python3 -c "import xml.etree.ElementTree as E; r=E.parse('$work/junit.xml').getroot(); s=r.find('testsuite')
assert s.get('tests')=='4' and s.get('failures')=='2', s.attrib
f=[c for c in s.iter('testcase') if c.find('failure') is not None]
assert {c.get('classname') for c in f}=={'stray'} and f[0].find('failure').get('type')=='warning'"; then
    passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL validate junit report"; fi
check validate-junit-failure 1 "$cv" validate "$work/mixed.json" --report "$work/mixed.xml"
expect_in validate-junit-reason "$work/mixed.xml" 'failure message="Physical failed with 0x80004005 before any output: PartDataBasis 2 has no physical graphics (in run)" type="0x80004005"'
check validate-html 1 "$cv" validate "$work/mixed.json" --report "$work/mixed.html"
expect_in validate-html-failure "$work/mixed.html" '<tr class="failed"><td>bad</td><td>2</td><td>failed</td><td><div class="reason">Physical failed'
check validate-bad-report 2 "$cv" validate "$work/mixed.json" --report "$work/report.txt"
expect_in validate-bad-report-message "$work/err" 'a report ends in .json, .xml or .html'
check validate-report-no-folder 2 "$cv" validate "$work/mixed.json" --report "$work/no/such/report.json"

# bench: per part the medians of both aspects and of record-only; the summary over the parts.
check bench-json 0 "$cv" bench --part default-1-nps4-cl150-swing --repeat 3 --json
if python_json "p=d['parts']; s=d['summary']; assert len(p)==1 and p[0]['part']=='default-1-nps4-cl150-swing' and p[0]['partDataBasis']==1; assert all(p[0][k]>0 for k in ('physical_us','insulation_us','record_only_us')) and p[0]['ok']; assert s['worst_part']==p[0]['part'] and abs(s['median_physical_insulation_us']-p[0]['physical_us']-p[0]['insulation_us'])<0.2; assert 0<s['record_only_share']; assert d['repeat']==3 and d['clock']=='thread-cpu'"; then
    passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL bench json shape"; fi
check bench-mixed 1 "$cv" bench "$work/mixed.json" --repeat 1 --wall
expect_in bench-table-header "$work/out" 'part *PDB *physical *insulation *record-only'
expect_in bench-failed-part "$work/out" '^bad .*(failed)'
expect_in bench-summary "$work/out" '2 part(s): median physical+insulation .* us; worst .*; record-only .*% of the built time'
check bench-no-repeats 2 "$cv" bench --repeat 0
check bench-unknown-part 2 "$cv" bench --part no-such-part
expect_in bench-unknown-message "$work/err" "holds no part 'no-such-part'"

# The program's conventions: the version, every command's exit codes in its --help, and the bash
# completion made from the command line itself.
version=$(sed -n 's/^project(TarnCheckValve VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
for flag in --version -V; do
    check "version $flag" 0 "$cv" "$flag"
    expect_in "version $flag text" "$work/out" "^checkvalve $version\$"
done
check help 0 "$cv" --help
commands=$(sed -n '/^Subcommands:/,/^$/ s/^  \([a-z][a-z-]*\) .*/\1/p' "$work/out")
if [ "$(echo "$commands" | wc -w)" -ge 10 ]; then
    passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL help lists the commands: $commands"; fi
case " ${commands//$'\n'/ } " in
    *" mesh-shape "* | *" bash-completion "*) failed=$((failed + 1)); echo "FAIL help lists a hidden command" ;;
    *) passed=$((passed + 1)) ;;
esac
# Each command's help (and the program's) ends with its exit codes.
for command in "" $commands; do
    # shellcheck disable=SC2086 # no command: the program's own help
    check "help $command" 0 "$cv" $command --help
    if [ "$(grep -c '^Exit codes:$' "$work/out")" = 1 ]; then
        passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL help $command lists exit codes other than once"; fi
    expect_in "help $command exit 2" "$work/out" '^  2      bad command line'
    if [[ $(tail -n 1 "$work/out") == "  128+N  stopped by signal N"* ]]; then
        passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL help $command does not end with the exit codes"; fi
done

check completion 0 "$cv" bash-completion
cp "$work/out" "$work/completion.bash"
check completion-syntax 0 bash -n "$work/completion.bash"
# What completing the words (the last one under the cursor) offers, one a line.
complete_words() {
    # shellcheck disable=SC2016 # the inner shell expands its own arguments
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _checkvalve; printf "%s\n" "${COMPREPLY[@]}"' \
        _ "$work/completion.bash" "$@" 2>&1
}
mkdir -p "$work/completing" && touch "$work/completing/plant.csv"
# words (the last one, possibly empty, under the cursor) | an offer expected, or "-" for none | an offer
# not expected (the program's own hidden commands and options, or files where a number goes)
while IFS='|' read -r words wanted unwanted; do
    read -ra line <<<"$words"
    [[ $words == *" " ]] && line+=("")
    offers=$(complete_words "${line[@]}")
    if { [ "$wanted" = - ] && [ -z "$offers" ]; } || grep -qx -- "$wanted" <<<"$offers"; then
        if [ -n "$unwanted" ] && grep -qx -- "$unwanted" <<<"$offers"; then
            failed=$((failed + 1)); echo "FAIL completing '$words' offers '$unwanted'"
        else
            passed=$((passed + 1))
        fi
    else
        failed=$((failed + 1)); echo "FAIL completing '$words': '$wanted' not offered; got: $offers"
    fi
done <<LINES
checkvalve ev|eval|
checkvalve |validate|mesh-shape
checkvalve |serve|bash-completion
checkvalve -|--version|
checkvalve eval --ifc-g|--ifc-geometry|
checkvalve eval --ifc-geometry m|mesh|exact
checkvalve gallery out --ifc-geometry =|exact|
checkvalve gallery out --ifc-geometry = |exact|
checkvalve diff --aspect i|insulation|
checkvalve validate -|--strict|
checkvalve serve --|--mesh-cache|--test-hold-slot-ms
checkvalve eval --sample default-1-nps4|default-1-nps4-cl150-swing|
checkvalve place $work/completing/pl|$work/completing/plant.csv|
checkvalve eval --glb $work/completing/|$work/completing/plant.csv|
checkvalve place plant.csv --jobs |-|
LINES
# Every option a command's --help lists is completed.
for command in $commands; do
    "$cv" "$command" --help | sed -n 's/^  \(-[a-zA-Z],\)\?\(--[a-z][a-z0-9-]*\).*/\2/p' | sort -u >"$work/listed"
    complete_words checkvalve "$command" -- | sort -u >"$work/completed"
    missing=$(comm -23 "$work/listed" "$work/completed")
    if [ -s "$work/listed" ] && [ -z "$missing" ]; then
        passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL completing $command's options: missing $missing"; fi
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
