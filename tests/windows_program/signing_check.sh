#!/usr/bin/env bash
# Signs a copy of the built program with a throwaway certificate through the script that
# ./dev dist --sign runs, then reads the signatures back as Windows will: a SHA-1 signature
# first, for XP and Vista, with a SHA-256 one nested in it, both by that certificate and both
# matching the program. A wrong password signs nothing and leaves the program as it was.
#   signing_check.sh SIGN_SCRIPT PROGRAM
set -euo pipefail
sign_script=$1 program=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out certificate.pem -days 2 \
  -subj "/CN=QUELB throwaway signer" -addext "extendedKeyUsage=codeSigning" \
  -addext "keyUsage=digitalSignature" 2>openssl.log
openssl pkcs12 -export -inkey key.pem -in certificate.pem -out throwaway.pfx \
  -passout "pass:a pass word"

cp "$program" setup.exe
QUELB_SIGN_PASSWORD="a pass word" bash "$sign_script" throwaway.pfx setup.exe ||
  fail "the signing script failed"
if osslsigncode verify -in setup.exe -CAfile certificate.pem >verify.log 2>&1; then
  digests=$(awk '/^Message digest algorithm  :/ { print $5 }' verify.log | tr '\n' ' ')
  [[ $digests == "SHA1 SHA256 " ]] || fail "signatures with ${digests:-no digest}, not SHA1 then SHA256"
  [[ $(grep -c 'Subject: /CN=QUELB throwaway signer' verify.log) -ge 2 ]] ||
    fail "not both signatures by the throwaway certificate"
  grep -qx 'Number of verified signatures: 2' verify.log || fail "not two verified signatures"
else
  cat verify.log
  fail "the signed program does not verify"
fi

cp "$program" other.exe
QUELB_SIGN_PASSWORD="not the pass word" bash "$sign_script" throwaway.pfx other.exe \
  >wrong.log 2>&1 && fail "signing with a wrong password succeeded"
cmp -s "$program" other.exe || fail "a failed signing changed the program"

((failures == 0)) && echo "setup.exe: signed with SHA-1 and SHA-256 nested, both verified"
((failures == 0))
