#!/usr/bin/env bash
# Signs Windows programs with Authenticode and verifies what it signed: first a signature with
# SHA-1, the one XP and Vista verify, then one with SHA-256 nested in it, the one Windows 7 to
# 11 look at. A program is replaced by its signed copy only once both signatures verify, so a
# failure leaves it as it was.
#   sign_windows_programs.sh KEY_FILE.pfx PROGRAM...
# QUELB_SIGN_PASSWORD is the key file's password (none when unset or empty). Where a network
# is at hand, QUELB_SIGN_TIMESTAMP_URL names the certificate authority's time-stamp server,
# so that the signatures stay valid after the certificate expires: the SHA-1 signature takes
# its time stamp in the older Authenticode form (-t), the only one XP reads, and the SHA-256
# one in the RFC 3161 form (-ts).
set -euo pipefail
(($# >= 2)) || { echo "usage: $0 KEY_FILE.pfx PROGRAM..." >&2; exit 2; }
key_file=$1
shift
password=${QUELB_SIGN_PASSWORD:-}
timestamp_url=${QUELB_SIGN_TIMESTAMP_URL:-}
SYSTEM_ROOTS=/etc/ssl/certs/ca-certificates.crt
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One signature of the digest given, the key file's password read from standard input so
# that it never shows among the arguments of a process.
sign() {
  local digest=$1 in=$2 out=$3
  shift 3
  local password_options=()
  [[ -n $password ]] && password_options=(-readpass -)
  rm -f "$out"
  printf '%s\n' "$password" |
    osslsigncode sign -pkcs12 "$key_file" "${password_options[@]}" -h "$digest" "$@" \
      -in "$in" -out "$out" >"$work/sign.log" 2>&1 ||
    { cat "$work/sign.log" >&2; echo "$in: not signed with $digest" >&2; return 1; }
}

# Both signatures must be there, SHA-1 first, and each must match the program and its
# certificate, whose chain must end at a root that the signature carries (a key file exported
# with its whole chain) or that this system knows. Whether Windows trusts that root is the
# certificate authority's matter.
verify() {
  local program=$1
  rm -f "$work/signature.pem"
  osslsigncode extract-signature -pem -in "$program" -out "$work/signature.pem" >/dev/null
  openssl pkcs7 -print_certs -in "$work/signature.pem" -out "$work/certificates.pem"
  [[ -r $SYSTEM_ROOTS ]] && cat "$SYSTEM_ROOTS" >>"$work/certificates.pem"
  if ! osslsigncode verify -in "$program" -CAfile "$work/certificates.pem" \
      >"$work/verify.log" 2>&1; then
    cat "$work/verify.log" >&2
    echo "$program: the signatures do not verify (is the key file's chain whole?)" >&2
    return 1
  fi
  local digests
  digests=$(awk '/^Message digest algorithm  :/ { print $5 }' "$work/verify.log" | tr '\n' ' ')
  [[ $digests == "SHA1 SHA256 " ]] &&
    grep -qx 'Number of verified signatures: 2' "$work/verify.log" ||
    { cat "$work/verify.log" >&2; echo "$program: signatures $digests, not SHA1 and SHA256" >&2; return 1; }
}

for program in "$@"; do
  sha1_options=() sha256_options=()
  [[ -n $timestamp_url ]] && sha1_options=(-t "$timestamp_url") sha256_options=(-ts "$timestamp_url")
  sign sha1 "$program" "$work/sha1.exe" "${sha1_options[@]}"
  sign sha256 "$work/sha1.exe" "$work/signed.exe" -nest "${sha256_options[@]}"
  verify "$work/signed.exe"
  # Beside the program first, with its permissions, so that a rename replaces it.
  cp "$work/signed.exe" "$program.signed"
  chmod --reference="$program" "$program.signed"
  mv "$program.signed" "$program"
  echo "$program: signed with SHA-1 and SHA-256, both verified"
done
