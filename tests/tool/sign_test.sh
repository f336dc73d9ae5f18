#!/bin/bash
# Signs a packed launcher with a throwaway self-signed certificate and checks
# that the Payload survives signing and that re-packing strips the signature.
# Usage: sign_test.sh KVELLPACK STUB. Exit code 77: tools missing (skipped).
set -u
kvellpack=$1
for tool in openssl osslsigncode; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
work=$(mktemp -d /tmp/kvellpack_sign.XXXXXX)
trap 'rm -rf "$work"' EXIT
cp "$2" "$work/stub.exe"
cd "$work" || exit 1

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 -subj "/CN=kvell test" \
    >openssl.log 2>&1 || fail "openssl: $(cat openssl.log)"
head -c 20000 /dev/urandom >app.jar
# Without the runtime jar: the test does not depend on where kvellpack finds it.
printf 'main_class = "a.Main"\nmin_version = "17"\napp_title = "Signed"\nincluded_files = ["app.jar"]\ninclude_runtime_jar = false\n' >p.toml
"$kvellpack" pack p.toml --stub stub.exe -o packed.exe >/dev/null || fail "pack failed"

osslsigncode sign -certs cert.pem -key key.pem -n "kvell test" -in packed.exe -out signed.exe >sign.log 2>&1 ||
    fail "osslsigncode sign: $(cat sign.log)"
osslsigncode verify -in signed.exe -CAfile cert.pem >verify.log 2>&1 || fail "signature does not verify: $(cat verify.log)"
[ "$(stat -c %s signed.exe)" -gt "$(stat -c %s packed.exe)" ] || fail "signing appended nothing"

# The launcher finds its Payload where it was: signing only appended after it.
"$kvellpack" inspect signed.exe -x extracted >report.txt 2>err.txt || fail "inspect signed: $(cat err.txt)"
grep -Fqx '  126    min_version                          "17"' report.txt || fail "entry lost: $(cat report.txt)"
grep -Fqx '  20013  app_title                            "Signed"' report.txt || fail "entry lost: $(cat report.txt)"
grep -Eq '^Signature: [0-9]+ bytes at offset [0-9]+$' report.txt || fail "signature not seen: $(cat report.txt)"
cmp app.jar extracted/app.jar || fail "included file differs in the signed launcher"

# Re-packing drops the signature and everything else after the last section.
"$kvellpack" pack p.toml --stub signed.exe -o repacked.exe >pack.log || fail "re-pack failed"
grep -q 'including its signature' pack.log || fail "re-pack did not report the signature: $(cat pack.log)"
cmp repacked.exe packed.exe || fail "re-packed launcher differs from one packed on the plain stub"
"$kvellpack" inspect repacked.exe >report.txt || fail "inspect re-packed"
grep -Fqx 'Signature: none' report.txt || fail "signature still there: $(cat report.txt)"
osslsigncode verify -in repacked.exe -CAfile cert.pem >verify.log 2>&1 && fail "re-packed launcher still verifies"
echo "ok"
