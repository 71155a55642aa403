#!/usr/bin/env bash
# End-to-end checks of `checkvalve serve`: raw HTTP requests on loopback against a served folder that has
# a secret file beside it and symbolic links pointing out of it. Nothing outside the folder may be read.
# Usage: serve_test.sh PATH/TO/checkvalve
set -u
cv="$1"
work=$(mktemp -d)
server_pid=""
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
passed=0 failed=0
pass() { passed=$((passed + 1)); }
fail() {
    failed=$((failed + 1))
    echo "FAIL $*"
}

# The served folder and what lies beside it.
root="$work/site"
mkdir -p "$root/sub" "$root/assets"
echo "TOP-SECRET-CONTENT" >"$work/secret"
printf '<!doctype html><title>gallery</title>\n' >"$root/index.html"
printf '<p>sub</p>\n' >"$root/sub/index.html"
printf '{"parts": []}\n' >"$root/index.json"
printf 'glTF....' >"$root/part.glb"
printf 'export const x = 1;\n' >"$root/assets/app.js"
printf 'body{}\n' >"$root/assets/app.css"
printf 'ISO-10303-21;\n' >"$root/part.step"
ln -s "$work" "$root/outside"         # a folder link out of the root
ln -s "$work/secret" "$root/leak.txt" # a file link out of the root
ln -s "index.json" "$root/alias.json" # a link that stays inside
mkfifo "$root/pipe.json"              # not a regular file: never opened

start_server() { # folder; sets server_pid and port
    # Emptied here, not only by the redirection below, which the background child makes after the fork:
    # the loop could otherwise read the previous server's address and signal a server not yet started.
    : >"$work/serve.out"
    "$cv" serve "$1" --port 0 >"$work/serve.out" 2>"$work/serve.err" &
    server_pid=$!
    port=""
    for _ in $(seq 400); do
        port=$(sed -n 's|^Serving .* at http://127\.0\.0\.1:\([0-9]*\)/$|\1|p' "$work/serve.out")
        [ -n "$port" ] && return 0
        sleep 0.05
    done
    echo "server did not start:"
    cat "$work/serve.out" "$work/serve.err"
    exit 1
}

# Sends raw bytes (printf %b escapes) on a new connection; the whole answer lands in $work/resp.
raw() {
    exec 3<>"/dev/tcp/127.0.0.1/$port" || return 1
    printf '%b' "$1" >&3
    timeout "${RAW_WAIT:-2}" cat <&3 >"$work/resp"
    exec 3<&-
}
status_of() { head -1 "$work/resp" | cut -d' ' -f2; }
header_of() { tr -d '\r' <"$work/resp" | sed -n "s/^$1: //Ip" | head -1; }

start_server "$root"
grep -q "^Serving $root at http://127.0.0.1:[0-9]*/$" "$work/serve.out" && pass || fail "start line: $(cat "$work/serve.out")"

# target | expected status | expected Content-Type (or -)
while IFS='|' read -r target want type; do
    raw "GET $target HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n"
    got=$(status_of)
    [ "$got" = "$want" ] && pass || fail "GET $target: status $got, expected $want"
    if [ "$type" != "-" ]; then
        [ "$(header_of Content-Type)" = "$type" ] && pass || fail "GET $target: type '$(header_of Content-Type)'"
    fi
    grep -q TOP-SECRET "$work/resp" && fail "GET $target leaked the secret"
done <<'TABLE'
/|200|text/html; charset=utf-8
/index.html?x=1#top|200|text/html; charset=utf-8
/index.json|200|application/json
/part.glb|200|model/gltf-binary
/part.step|200|model/step
/assets/app.js|200|text/javascript; charset=utf-8
/assets/app.css|200|text/css; charset=utf-8
/assets/%61pp.js|200|text/javascript; charset=utf-8
/alias.json|200|application/json
/sub/|200|text/html; charset=utf-8
/./sub//index.html|200|-
/missing.json|404|-
/sub/missing|404|-
/pipe.json|404|-
/../secret|403|-
/sub/../../secret|403|-
/%2e%2e/secret|403|-
/%2E%2E/secret|403|-
/..%2fsecret|403|-
/sub%2f..%2f..%2fsecret|403|-
/..\secret|400|-
/%5c..%5csecret|400|-
/outside/secret|403|-
/leak.txt|403|-
//etc/passwd|404|-
/%zz|404|-
/a%00b|400|-
TABLE

# A folder without its trailing slash is redirected, the query kept.
raw "GET /sub?q=1 HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n"
[ "$(status_of)" = 301 ] && [ "$(header_of Location)" = "/sub/?q=1" ] && pass || fail "redirect: $(head -3 "$work/resp")"

# HEAD: the GET's headers, no body.
raw "HEAD /index.json HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n"
[ "$(status_of)" = 200 ] && [ "$(header_of Content-Length)" = 14 ] && ! grep -q parts "$work/resp" &&
    pass || fail "HEAD: $(cat "$work/resp")"

# Malformed or refused requests: raw request | status.
long=$(printf 'a%.0s' $(seq 5000))
longer=$(printf 'a%.0s' $(seq 9000))
while IFS='|' read -r request want; do
    raw "$request"
    got=$(status_of)
    [ "$got" = "$want" ] && pass || fail "request '${request:0:40}': status $got, expected $want"
done <<TABLE
POST /index.json HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\n\r\n|405
DELETE /index.json HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n|405
PUT /new.json HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\n\r\n|405
garbage\r\n\r\n|400
GET /index.json\r\n\r\n|400
GET index.json HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n|400
GET /index.json HTTP/9.9\r\nHost: 127.0.0.1\r\n\r\n|400
GET /index.json FTP/1.1\r\n\r\n|400
GET /$long HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n|404
GET /$longer HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n|414
TABLE
raw "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\n\r\n"
[ "$(header_of Allow)" = "GET, HEAD" ] && pass || fail "405 without Allow: GET, HEAD"
big_headers=$(for i in $(seq 400); do printf 'X-Filler-%d: %s\\r\\n' "$i" "0123456789012345678901234567890123456789"; done)
raw "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n$big_headers\r\n"
[ "$(status_of)" = 431 ] && pass || fail "oversized headers: status $(status_of), expected 431"

# A stalled client does not hold up another one.
exec 4<>"/dev/tcp/127.0.0.1/$port"
printf 'GET /index.json HTTP/1.1\r\nHost: 127.0.0.1\r\n' >&4
raw "GET /index.json HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n"
[ "$(status_of)" = 200 ] && pass || fail "second client while one stalls: $(status_of)"

# The same port cannot be bound twice: a clear error, exit 2.
"$cv" serve "$root" --port "$port" >/dev/null 2>"$work/second.err"
[ $? -eq 2 ] && grep -q "cannot listen" "$work/second.err" && pass || fail "busy port: $(cat "$work/second.err")"

# Ctrl-C: the server closes its socket and exits 130 promptly, even with the stalled client open.
kill -INT "$server_pid"
for _ in $(seq 200); do kill -0 "$server_pid" 2>/dev/null || break; sleep 0.05; done
if kill -0 "$server_pid" 2>/dev/null; then
    fail "server still running after SIGINT"
else
    wait "$server_pid"
    code=$?
    [ "$code" -eq 130 ] && grep -q '^Stopped\.$' "$work/serve.out" && pass || fail "exit after SIGINT: $code"
fi
server_pid=""
exec 4<&-
(exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && fail "port still open after stop" || pass

# SIGTERM stops it too, also at once after start-up, while the variants are still being worked out.
start_server "$root"
kill -TERM "$server_pid"
wait "$server_pid"
code=$?
[ "$code" -eq 143 ] && grep -q "^Stopped\.$" "$work/serve.out" && pass ||
    fail "exit after SIGTERM at start-up: $code, printed: $(cat "$work/serve.out" "$work/serve.err")"
server_pid=""
start_server "$root"
RAW_WAIT=120 raw "GET /api/variants HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n"
kill -TERM "$server_pid"
wait "$server_pid"
[ $? -eq 143 ] && pass || fail "exit after SIGTERM"
server_pid=""

# Bad arguments.
"$cv" serve "$work/no-such-folder" --port 0 >/dev/null 2>"$work/err"
[ $? -eq 2 ] && grep -q "is not a folder" "$work/err" && pass || fail "missing folder"
"$cv" serve "$root/index.html" --port 0 >/dev/null 2>&1
[ $? -eq 2 ] && pass || fail "file as folder"
"$cv" serve "$root" --port 70000 >/dev/null 2>&1
[ $? -eq 2 ] && pass || fail "port out of range"
"$cv" serve "$root" --port 0 --mesh-cache -1 >/dev/null 2>"$work/err"
[ $? -eq 2 ] && grep -q "mesh-cache" "$work/err" && pass || fail "negative mesh cache size"

# Limits out of range are refused before anything starts.
for option in "--connections 0" "--connections -5" "--connections-per-address 0" "--evaluations -1" \
    "--port -1" "--mesh-cache 99999999999999999999"; do
    # shellcheck disable=SC2086
    "$cv" serve "$root" $option >/dev/null 2>"$work/err"
    [ $? -eq 2 ] && grep -q -- "${option%% *}" "$work/err" && pass || fail "serve $option: $(cat "$work/err")"
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
