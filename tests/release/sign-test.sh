#!/bin/sh
# Signs a copy of the release package with a throwaway key and certificate
# made here (tools/release/sign.sh) and checks the result: the signed package
# holds the same entries, with the same files but for the libraries, and a
# SHA256SUMS that matches; both signatures verify (osslsigncode verify);
# this build's own library, with its detached signature attached, is the
# signed library byte for byte; signing again gives the same files; the
# unsigned package is unchanged. No network.
# usage: sign-test.sh ZIP SHIPPED-DLL
zip=$(realpath "$1") shipped=$(realpath "$2")
dll=$(basename "$shipped")
sign=$(cd "$(dirname "$0")/../../tools/release" && pwd)/sign.sh
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
# fail MESSAGE: says what went wrong and ends the test.
fail() { echo "sign-test: $*"; exit 1; }

openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 \
  -subj "/CN=Quorvel test signing" -addext extendedKeyUsage=codeSigning >openssl.log 2>&1 ||
  { cat openssl.log; fail "openssl could not make the test certificate"; }
package=$(basename "$zip")
cp "$zip" "$package"
sh "$sign" key.pem cert.pem "$package" || fail "sign.sh failed"
cmp -s "$zip" "$package" || fail "signing changed the unsigned package"
signed=${package%.zip}-signed.zip
# The same key signs the same package into the same files.
mkdir again && cp "$zip" "again/$package"
sh "$sign" key.pem cert.pem "again/$package" >/dev/null || fail "sign.sh failed the second time"
for f in "$signed" "${package%.zip}"-*.sig; do
  cmp -s "$f" "again/$f" || fail "signing twice gave two different $f"
done

mkdir unsigned signed
(cd unsigned && cmake -E tar xf "../$package") || fail "cannot unpack $package"
(cd signed && cmake -E tar xf "../$signed") || fail "cannot unpack $signed"
[ "$(ls unsigned)" = "$(ls signed)" ] || fail "the signed package holds $(ls signed | tr '\n' ' ')"
(cd signed && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS of the signed package does not match"
for path in unsigned/*; do
  f=${path#unsigned/}
  case $f in
    *.dll)
      cmp -s "unsigned/$f" "signed/$f" && fail "$f is not signed"
      osslsigncode verify -CAfile cert.pem -in "signed/$f" >verify.log 2>&1 ||
        { cat verify.log; fail "the signature of $f does not verify"; }
      grep -q "Message digest algorithm *: SHA256" verify.log || fail "$f is not signed with SHA-256"
      [ -s "${package%.zip}-$f.sig" ] || fail "no detached signature of $f"
      ;;
    SHA256SUMS) ;;
    *) cmp -s "unsigned/$f" "signed/$f" || fail "$f differs in the signed package" ;;
  esac
done

# What a user does who rebuilt the unsigned library.
osslsigncode attach-signature -CAfile cert.pem -sigin "${package%.zip}-$dll.sig" \
  -in "$shipped" -out attached.dll >attach.log 2>&1 || { cat attach.log; fail "cannot attach the signature of $dll"; }
cmp -s attached.dll "signed/$dll" || fail "$dll with the detached signature attached is not the signed $dll"
echo "sign-test: both libraries signed and verified; $dll rebuilt plus its signature is the signed file"
