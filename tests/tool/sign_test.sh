#!/bin/bash
# Signs a packed launcher, without and with resources of its own, with a
# throwaway self-signed certificate and checks that the Payload (and the
# resources) survive signing and that re-packing strips the signature.
# Usage: sign_test.sh KVELLPACK STUB. Exit code 77: tools missing (skipped).
set -u
kvellpack=$1
for tool in openssl osslsigncode; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
work=$(mktemp -d /tmp/kvellpack_sign.XXXXXX)
trap 'rm -rf "$work"' EXIT
cp "$2" "$work/stub.exe"
icon="$(cd "$(dirname "$0")/../../launcher" && pwd)/kvell.ico"
cd "$work" || exit 1

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 -subj "/CN=kvell test" \
    >openssl.log 2>&1 || fail "openssl: $(cat openssl.log)"
head -c 20000 /dev/urandom >app.jar
cp "$icon" app.ico
# Without the runtime jar: the test does not depend on where kvellpack finds it.
printf 'main_class = "a.Main"\nmin_version = "17"\napp_title = "Signed"\nincluded_files = ["app.jar"]\ninclude_runtime_jar = false\n' >p.toml
# The same with resources: a section of its own between the stub and the Payload.
cp p.toml r.toml
printf '[resources]\nicon = "app.ico"\nfile_version = "1.2.3.4"\nproduct_name = "Signed"\n' >>r.toml

# sign_and_check PROJECT: pack, sign, verify, read back, re-pack the signed launcher.
sign_and_check() {
    local project=$1
    rm -f signed.exe
    "$kvellpack" pack "$project" --stub stub.exe -o packed.exe >/dev/null || fail "pack $project failed"

    osslsigncode sign -certs cert.pem -key key.pem -n "kvell test" -in packed.exe -out signed.exe >sign.log 2>&1 ||
        fail "osslsigncode sign: $(cat sign.log)"
    osslsigncode verify -in signed.exe -CAfile cert.pem >verify.log 2>&1 ||
        fail "$project: signature does not verify: $(cat verify.log)"
    [ "$(stat -c %s signed.exe)" -gt "$(stat -c %s packed.exe)" ] || fail "signing appended nothing"

    # The launcher finds its Payload where it was: signing only appended after it.
    rm -rf extracted
    "$kvellpack" inspect signed.exe -x extracted >report.txt 2>err.txt || fail "inspect signed: $(cat err.txt)"
    grep -Fqx '  126    min_version                          "17"' report.txt || fail "entry lost: $(cat report.txt)"
    grep -Fqx '  20013  app_title                            "Signed"' report.txt || fail "entry lost: $(cat report.txt)"
    grep -Eq '^Signature: [0-9]+ bytes at offset [0-9]+$' report.txt || fail "signature not seen: $(cat report.txt)"
    cmp app.jar extracted/app.jar || fail "included file differs in the signed launcher"

    # Re-packing drops the signature and everything else after the last section.
    "$kvellpack" pack "$project" --stub signed.exe -o repacked.exe >pack.log || fail "re-pack failed"
    grep -q 'including its signature' pack.log || fail "re-pack did not report the signature: $(cat pack.log)"
    cmp repacked.exe packed.exe || fail "re-packed launcher differs from one packed on the plain stub"
    "$kvellpack" inspect repacked.exe >report.txt || fail "inspect re-packed"
    grep -Fqx 'Signature: none' report.txt || fail "signature still there: $(cat report.txt)"
    osslsigncode verify -in repacked.exe -CAfile cert.pem >verify.log 2>&1 && fail "re-packed launcher still verifies"
}

sign_and_check p.toml
sign_and_check r.toml
# The signed launcher with resources still shows them.
grep -Fqx 'Resources: 9, in the section .kvrsrc that kvellpack added' report.txt ||
    fail "resources not listed: $(cat report.txt)"
grep -Eq '^    ProductName +"Signed"$' report.txt || fail "version strings not listed: $(cat report.txt)"
echo "ok"
