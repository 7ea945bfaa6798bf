#!/usr/bin/env bash
# The notifier's main job, as a user sees it: installs what is needed,
# builds a demo notifier that asks a vendor server on this machine (plain
# HTTP to 127.0.0.1: a certificate would need the vendor's host name, which
# only the tests' private namespace gives) and trusts a demo offer key made
# here, starts the reference vendor server with an offer signed with that
# key, records product 17 as installed, and runs updnotify.exe under Wine so
# that its dialog appears.
#
# With a display (DISPLAY set), the dialog opens there: choose OK, Check
# Later or Cancel (F1 opens the notifier's help). Without one, it opens
# under Xvfb in a Wine desktop window; a screenshot is saved and its path
# printed, F1 is typed and the help window pictured too, and the dialog is
# then closed with Cancel.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

bash tools/setup.sh

# 32-bit Wine needs a kernel that runs 32-bit code; elsewhere the demo uses
# the x86_64 build of the same sources.
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then arch=i686; else arch=x86_64; fi
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
tree=build/demo
keys=$top/$tree/offer-keys
if [ ! -f "$keys/offer-public.pem" ]; then
    mkdir -p "$keys"
    /usr/bin/python3 tools/offerkey.py new "$keys/offer-private.pem" "$keys/offer-public.pem"
fi
cmake -S . -B "$tree" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DMINGW_ARCH=$arch \
      -DCMAKE_BUILD_TYPE=MinSizeRel -DUPDNOTIFY_SERVER_HOST=127.0.0.1 -DUPDNOTIFY_SERVER_SCHEME=http \
      -DUPDNOTIFY_SERVER_PORT="$port" -DUPDNOTIFY_OFFER_KEY="$keys/offer-public.pem" >/dev/null 2>&1
cmake --build "$tree" -j "$(nproc)" --target updnotify updnotify_help productrec dlgdriver >/dev/null
run=$tree/wine-run.sh
[ -x "$run" ] || { echo "demo: no usable Wine for $arch here"; exit 1; }

xvfb_pid=""
server_pid=""
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
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

# The offer: the vendor's server offers build 1102 of 6.60 for this serial,
# signed with the demo key when the server reads the file.
work=$tree/demo-run
mkdir -p "$work"
rm -f "$work/server.log"
cat > "$work/offers.json" <<JSON
[{"sn": "BMT-DEMO-0017", "status": "1 6 60 1102 20261201",
  "url": "https://downloads.brantlow.example/mailtoolkit/660/setup.exe"}]
JSON
rm -f "$work/server.port"
/usr/bin/python3 tools/vendor_server.py --offers "$work/offers.json" --port "$port" \
        --port-file "$work/server.port" --log "$work/server.log" --lifetime 900 \
        --sign-with "$keys/offer-private.pem" >/dev/null 2>&1 &
server_pid=$!
# It writes the port file once it listens (at most 20 s).
for _ in $(seq 200); do
    [ -f "$work/server.port" ] && break
    kill -0 "$server_pid" 2>/dev/null || { echo "demo: the vendor server did not start" >&2; exit 1; }
    sleep 0.1
done
[ -f "$work/server.port" ] || { echo "demo: the vendor server did not start" >&2; exit 1; }

"$run" "$tree/tools/productrec.exe" add 17 BMT-DEMO-0017
# Start from an unscheduled product, so that it is due.
"$run" reg delete 'HKCU\Software\Brantlow\Updates' /f >/dev/null 2>&1 || true

echo "vendor server on 127.0.0.1:$port (plain HTTP, offers signed with a demo key); running updnotify.exe"
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
        "$run" "$tree/tests/dlgdriver.exe" press "Brantlow Update" 2 5000 >/dev/null || true
    else
        echo "demo: the dialog did not appear" >&2
        exit 1
    fi
    wait $notifier || true
fi
echo "the server saw:"
sed 's/^/  /' "$work/server.log"
"$run" reg query 'HKCU\Software\Brantlow\Updates' /s | tr -d '\r' | sed -n '/NextCheck\|LastCheck\|HKEY/p'
