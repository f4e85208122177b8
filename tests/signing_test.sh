#!/usr/bin/env bash
# Signs a copy of the plug-in DLL with a throw-away test certificate and verifies the signature;
# a signed copy with one byte changed must fail verification. Skipped (77) without osslsigncode.
set -euo pipefail
dll="$1"
command -v osslsigncode >/dev/null && command -v openssl >/dev/null || { echo "osslsigncode or openssl missing"; exit 77; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=vroemui test signing" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -h sha256 \
  -n "vroemui test" -in "$dll" -out "$work/signed.dll" >/dev/null
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed.dll" >"$work/verify.txt" 2>&1 \
  || { cat "$work/verify.txt"; echo "FAIL: the signed DLL does not verify"; exit 1; }
# A byte of the code changed after signing: the digest no longer matches.
cp "$work/signed.dll" "$work/tampered.dll"
printf '\x90' | dd of="$work/tampered.dll" bs=1 seek=1100 conv=notrunc 2>/dev/null
if osslsigncode verify -CAfile "$work/cert.pem" -in "$work/tampered.dll" >/dev/null 2>&1; then
  echo "FAIL: a changed DLL still verifies"; exit 1
fi
echo "signed and verified; the changed copy was refused"
