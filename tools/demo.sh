#!/usr/bin/env bash
# The notifier's main job, as a user sees it: installs what is needed,
# builds the notifier the shipped way (the vendor's host name, https, port
# 443) with an offer key made for the demo, makes a release database with the
# vendor's commands (server/vendorctl: a few licences, releases published and
# signed with that key), serves it over TLS with lighttpd running
# server/version.cgi (a certificate from a CA made for the demo, which the
# namespace's roots hold: tests/pylib/testpki.py), records product 17 as
# installed with a licensed serial, and runs updnotify.exe under Wine so that
# its dialog shows what the database offers. The server and the notifier
# run in a private network and mount namespace where the vendor's host is
# this machine's loopback (tests/harness/isolated-run.sh), as in the tests.
#
# With a display (DISPLAY set), the dialog opens there: choose OK, Check
# Later or Cancel (F1 opens the notifier's help). Without one, it opens
# under Xvfb in a Wine desktop window; a screenshot is saved and its path
# printed, F1 is typed and the help window pictured too, and the dialog is
# then closed with Cancel. Last, the server's counts show the check-in.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)
tree=build/demo
work=$tree/demo-run
run=$tree/wine-run.sh
vendorctl=(/usr/bin/python3 server/vendorctl)
scheme=https
port=443

if [ "${1:-}" != "--inside" ]; then
    bash tools/setup.sh
    # 32-bit Wine needs a kernel that runs 32-bit code; elsewhere the demo
    # uses the x86_64 build of the same sources.
    if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then arch=i686; else arch=x86_64; fi
    host=$(sed -n 's/^set(UPDNOTIFY_SERVER_HOST "\([^"]*\)".*/\1/p' CMakeLists.txt)
    rm -rf "$work"
    mkdir -p "$work"
    # The demo's CA, the server's certificate from it, the roots that the
    # namespace binds (this host's and the CA), and the vendor's
    # offer-signing key (a vendor keeps its private key offline; the build
    # carries the public key).
    python3 tests/pylib/testpki.py trust "$top/$work/trust" "$host"
    cp "$work/trust/offer-private.pem" "$work/trust/offer-public.pem" "$work/"
    inside=(env BRANTLOW_TRUST_BUNDLE="$top/$work/trust/ca-bundle.crt" bash tests/harness/isolated-run.sh "$host")
    if ! "${inside[@]}" true; then
        # No private namespace here: a notifier built to ask loopback by
        # plain HTTP instead (a certificate names a host; Wine matches no
        # address).
        host=127.0.0.1
        scheme=http
        port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
        inside=()
        echo "note: no private network namespace here; the demo notifier asks http://$host:$port"
    fi
    cmake -S . -B "$tree" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DMINGW_ARCH=$arch \
          -DCMAKE_BUILD_TYPE=MinSizeRel -DUPDNOTIFY_SERVER_HOST="$host" -DUPDNOTIFY_SERVER_PORT="$port" \
          -DUPDNOTIFY_SERVER_SCHEME=$scheme -DUPDNOTIFY_OFFER_KEY="$top/$work/offer-public.pem" >/dev/null 2>&1
    cmake --build "$tree" -j "$(nproc)" --target updnotify updnotify_help productrec dlgdriver >/dev/null
    [ -x "$run" ] || { echo "demo: no usable Wine for $arch here"; exit 1; }

    echo "== the vendor's release database, made with server/vendorctl"
    db=$work/releases.sqlite
    "${vendorctl[@]}" create "$db"
    cat > "$work/licences.csv" <<CSV
serial,line,major,ends
BMT-DEMO-0017,Mail6,6,
BMT-DEMO-0018,Mail6,6,2025-12-31
BMT-DEMO-0004,Barcode,2,
CSV
    "${vendorctl[@]}" import-licences "$db" "$work/licences.csv"
    "${vendorctl[@]}" publish "$db" Mail6 6.60.1102 --date "$(date -u -d '8 days ago' +%F)" \
        --url https://downloads.brantlow.example/mailtoolkit/660/setup.exe --key "$work/offer-private.pem"
    "${vendorctl[@]}" publish "$db" Mail6 7.00.20 --date "$(date -u -d '2 days ago' +%F)" --rollout 25 \
        --url https://downloads.brantlow.example/mailtoolkit/700/setup.exe --key "$work/offer-private.pem" >/dev/null
    "${vendorctl[@]}" show "$db" BMT-DEMO-0017 6.50.1058
    # Wine's server must start inside the namespace, where the host is loopback.
    WINEPREFIX=$top/$tree/wineprefix wineserver -k >/dev/null 2>&1 || true
    exec ${inside[@]+"${inside[@]}"} bash tools/demo.sh --inside "$port" "$scheme"
fi

# --- Inside the namespace --------------------------------------------------
port=$2
scheme=$3
tls=()
[ "$scheme" = https ] && tls=(--tls "$work/trust/server.pem" "$work/trust/server.key")
xvfb_pid=""
server_pid=""
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null || true
    WINEPREFIX=$top/$tree/wineprefix wineserver -k >/dev/null 2>&1 || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -f "$tree/xvfb.display"
}
trap cleanup EXIT

headless=0
if [ -z "${DISPLAY:-}" ]; then
    headless=1
    sh tests/harness/xvfb-start.sh "$tree/xvfb.display" "$tree/xvfb.pid" >/dev/null
    xvfb_pid=$(cat "$tree/xvfb.pid")
    export DISPLAY=$(cat "$tree/xvfb.display")
fi
sh tests/harness/wine-start.sh "$top/$run" "$top/$tree/wineprefix" >/dev/null

# lighttpd running version.cgi over the demo's database; ready once it
# says so (it has waited for its port).
python3 tests/pylib/web_servers.py lighttpd "$work" "$port" ${tls[@]+"${tls[@]}"} > "$work/web-server.out" 2>&1 &
server_pid=$!
for _ in $(seq 300); do
    grep -q serves "$work/web-server.out" 2>/dev/null && break
    kill -0 "$server_pid" 2>/dev/null || { cat "$work/web-server.out"; exit 1; }
    sleep 0.1
done
grep -q serves "$work/web-server.out" || { echo "demo: lighttpd did not start" >&2; exit 1; }

"$run" "$tree/tools/productrec.exe" add 17 BMT-DEMO-0017
# Start from an unscheduled product, so that it is due.
"$run" reg delete 'HKCU\Software\Brantlow\Updates' /f >/dev/null 2>&1 || true

echo "== lighttpd serves version.cgi by $scheme on port $port; running updnotify.exe"
if [ $headless -eq 0 ]; then
    "$run" "$tree/updnotify/updnotify.exe"
else
    # A Wine desktop window, so that the picture shows Wine's own frames;
    # every program of the prefix (dlgdriver too) then shares it.
    "$run" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
    "$run" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 640x480 /f >/dev/null
    # The desktop is made when the prefix's first program starts: start
    # the wine server afresh so that it is made as a desktop window.
    WINEPREFIX=$top/$tree/wineprefix wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX=$top/$tree/wineprefix wineserver -w >/dev/null 2>&1 || true
    "$run" "$tree/updnotify/updnotify.exe" &
    notifier=$!
    if "$run" "$tree/tests/dlgdriver.exe" show "Brantlow Update" 30000 >/dev/null; then
        sleep 1
        shot=$top/$work/update-dialog.png
        import -window root -crop 640x480+0+0 +repage "$shot"
        echo "the dialog is up; screenshot: $shot"
        # F1, typed as a user would, opens the notifier's help.
        title=$(sed -n 's/^Title=//p' help/updnotify/updnotify.hhp | tr -d '\r')
        "$run" "$tree/tests/dlgdriver.exe" type "Brantlow Update" 0x70 5000 >/dev/null || true
        if "$run" "$tree/tests/dlgdriver.exe" show "$title" 20000 >/dev/null; then
            sleep 2
            help_shot=$top/$work/update-dialog-help.png
            import -window root -crop 640x480+0+0 +repage "$help_shot"
            echo "F1 opened \"$title\"; screenshot: $help_shot"
        else
            echo "demo: F1 did not open \"$title\"" >&2
        fi
        # Cancel ends the offer's dialog; OK a message box (no offer).
        "$run" "$tree/tests/dlgdriver.exe" press "Brantlow Update" 2 5000 >/dev/null ||
            "$run" "$tree/tests/dlgdriver.exe" press "Brantlow Update" 1 5000 >/dev/null || true
    else
        echo "demo: the dialog did not appear" >&2
        exit 1
    fi
    wait $notifier || true
fi
echo "== the server's counts (vendorctl stats)"
"${vendorctl[@]}" stats "$work/counts.sqlite"
"$run" reg query 'HKCU\Software\Brantlow\Updates' /s | tr -d '\r' | sed -n '/NextCheck\|LastCheck\|HKEY/p'
