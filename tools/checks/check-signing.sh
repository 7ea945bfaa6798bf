#!/usr/bin/env bash
# Signs copies of a built tree's shipped programs, a custom action DLL and
# the package with a throw-away CA and code-signing key made here (inside
# the build tree, never kept), as a build with BRANTLOW_SIGN_PKCS12 does
# (tools/build/sign.py), then:
#   - osslsigncode verify accepts each against that CA;
#   - signing again with the same key and time gives the same bytes;
#   - one changed byte of a signed program fails verification;
#   - a missing key file, a wrong password and a certificate without the
#     code-signing purpose are refused, naming the file and the reason,
#     and leave no unsigned file behind.
# Usage: check-signing.sh BUILD-DIR
set -euo pipefail
tree=$(cd "$1" && pwd)
sign=$(cd "$(dirname "$0")/../build" && pwd)/sign.py
work=$tree/signing-check
rm -rf "$work"
mkdir -p "$work"
cd "$work"
fail() { echo "FAIL: $*"; exit 1; }

# The throw-away CA, a code-signing certificate and a server certificate.
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 30 \
    -subj "/CN=Brantlow throw-away test CA" -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
leaf() {   # leaf NAME EXTENDED-KEY-USAGE
    openssl req -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "/CN=Brantlow $1 (test)" 2>/dev/null
    printf 'extendedKeyUsage=%s\nkeyUsage=critical,digitalSignature\n' "$2" >"$1.ext"
    openssl x509 -req -in "$1.csr" -CA ca.pem -CAkey ca.key -CAcreateserial -days 30 \
        -extfile "$1.ext" -out "$1.pem" 2>/dev/null
    openssl pkcs12 -export -inkey "$1.key" -in "$1.pem" -certfile ca.pem -passout file:pass.txt -out "$1.p12"
}
printf 'throw-away\n' >pass.txt
leaf code codeSigning
leaf server serverAuth
printf 'not-the-password\n' >wrong-pass.txt

files=(updnotify.exe modpanel.exe inputchecks64.dll)
cp "$tree/installer/stage/updnotify/updnotify.exe" "$tree/installer/stage/modpanel/modpanel.exe" \
   "$tree/installer/stage/customaction/inputchecks64.dll" .
msi=$(ls "$tree"/installer/brantlow-support*.msi | grep -v -- '-[0-9.]*\.msi$' | head -n 1)
cp "$msi" package.msi
files+=(package.msi)
args=(--pkcs12 code.p12 --password-file pass.txt --name "Brantlow Support Tools"
      --url https://www.brantlow.example/ --time 1800000000)
for f in "${files[@]}"; do cp "$f" "again-$f"; done
python3 "$sign" sign "${args[@]}" "${files[@]}"
python3 "$sign" sign "${args[@]}" "${files[@]/#/again-}" >/dev/null
for f in "${files[@]}"; do
    out=$(osslsigncode verify -CAfile ca.pem -in "$f" 2>&1) || fail "$f does not verify: $out"
    echo "$out" | grep -q "Signature verification: ok" || fail "$f: no verified signature: $out"
    cmp -s "$f" "again-$f" || fail "$f: a second signing with the same key and time differs"
    echo "verified: $f"
done

# One changed byte in the code of a signed program.
cp updnotify.exe changed.exe
python3 - <<'PY'
with open("changed.exe", "r+b") as f:
    f.seek(0x600); b = f.read(1); f.seek(0x600); f.write(bytes([b[0] ^ 0x01]))
PY
if osslsigncode verify -CAfile ca.pem -in changed.exe >changed.log 2>&1; then
    fail "a signed program with one byte changed still verifies"
fi
echo "refused: a signed program with one byte changed"

refused() {   # refused WHAT EXPECTED-TEXT sign.py-args...
    local what=$1 expect=$2
    shift 2
    cp "$tree/installer/stage/modpanel/modpanel.exe" target.exe
    local out
    if out=$(python3 "$sign" sign "$@" --name N --url https://www.brantlow.example/ --time 1800000000 target.exe 2>&1); then
        fail "$what: signed"
    fi
    echo "$out" | grep -qF "$expect" || fail "$what: message '$out' lacks '$expect'"
    [ ! -e target.exe ] || fail "$what: an unsigned target.exe was left"
    echo "refused: $what: $out"
}
refused "missing key" "$work/missing.p12: no such PKCS#12 file" --pkcs12 "$work/missing.p12"
refused "wrong password" "code.p12: wrong password" --pkcs12 code.p12 --password-file wrong-pass.txt
refused "server certificate" "server.p12: certificate is not for code signing" \
    --pkcs12 server.p12 --password-file pass.txt
if [ "$(id -u)" -ne 0 ]; then
    cp code.p12 unreadable.p12 && chmod 000 unreadable.p12
    refused "unreadable key" "unreadable.p12: PKCS#12 file cannot be read" --pkcs12 unreadable.p12
fi
# The keys are not kept.
rm -f ./*.key ./*.p12
echo "signing checks passed"
