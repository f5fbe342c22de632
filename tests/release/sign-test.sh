#!/bin/sh
# Signs a copy of the release package with a throwaway key and certificate
# made here (tools/release/sign.sh) and checks the result: the signed package
# holds the same entries, with the same files but for the libraries, and a
# SHA256SUMS that matches; both signatures verify (osslsigncode verify);
# this build's own library, with its detached signature attached, is the
# signed library byte for byte; signing again gives the same files; the
# unsigned package is unchanged; the signatures carry no time stamp. Then,
# with a time-stamp authority of the test's own (tsa.py: openssl ts behind
# Python's http.server on 127.0.0.1), both signatures carry its time stamp
# and verify. A package entry whose name is not a plain file name (one that
# could reach outside the folder, name a stream or a device on Windows, hold
# a control character, glob or start like an option) is refused. No network
# beyond 127.0.0.1.
# usage: sign-test.sh ZIP SHIPPED-DLL
zip=$(realpath "$1") shipped=$(realpath "$2")
dll=$(basename "$shipped")
sign=$(cd "$(dirname "$0")/../../tools/release" && pwd)/sign.sh
tsa=$(cd "$(dirname "$0")" && pwd)/tsa.py
python=$(command -v /usr/bin/python3 || command -v python3)
dir=$(mktemp -d)
server=""
trap '[ -z "$server" ] || kill "$server" 2>/dev/null; rm -rf "$dir"' EXIT
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
      grep -q "Timestamp is not available" verify.log || fail "$f carries a time stamp without --timestamp"
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
# Time-stamped: a throwaway authority whose certificate may only stamp times.
openssl req -x509 -newkey rsa:2048 -nodes -keyout tsa.key -out tsa.crt -days 2 \
  -subj "/CN=Quorvel test time stamps" -addext "extendedKeyUsage=critical,timeStamping" >openssl.log 2>&1 ||
  { cat openssl.log; fail "openssl could not make the time-stamp certificate"; }
echo 01 >tsa.serial
cat >tsa.cnf <<EOF
[ tsa ]
default_tsa = test_tsa
[ test_tsa ]
serial = $dir/tsa.serial
crypto_device = builtin
signer_cert = $dir/tsa.crt
signer_key = $dir/tsa.key
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512
accuracy = secs:1
ess_cert_id_alg = sha256
EOF
"$python" "$tsa" tsa.cnf tsa.port 2 &
server=$!
for _ in $(seq 100); do [ -s tsa.port ] && break; sleep 0.1; done
[ -s tsa.port ] || fail "the time-stamp authority did not start"
mkdir stamped && cp "$zip" "stamped/$package"
sh "$sign" --timestamp "http://127.0.0.1:$(cat tsa.port)/" key.pem cert.pem "stamped/$package" >stamp.log 2>&1 ||
  { cat stamp.log; fail "sign.sh --timestamp failed"; }
mkdir stamped/files
(cd stamped/files && cmake -E tar xf "../$signed") || fail "cannot unpack the time-stamped $signed"
for path in stamped/files/*.dll; do
  f=${path#stamped/files/}
  osslsigncode verify -CAfile cert.pem -TSA-CAfile tsa.crt -in "$path" >verify.log 2>&1 ||
    { cat verify.log; fail "the time-stamped signature of $f does not verify"; }
  grep -q "^Timestamp Server Signature verification: ok" verify.log && grep -q "Timestamp time:" verify.log ||
    { cat verify.log; fail "$f carries no verified time stamp"; }
done
wait "$server"
server=""

# Entry names that are not plain file names: outside the folder, a stream or
# drive, devices (any case, any extension), a control character, a glob,
# hidden or like an option.
for name in ../outside.dll sub/outside.dll 'sub\outside.dll' .. Quorvel-x64.dll:evil.dll CON NUL.dll con.txt \
  LPT9 com1.dll.zip "$(printf 'Quorvel\001.dll')" '*' .hidden.dll -x.dll; do
  mkdir bad && "$python" -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1], "w").write(sys.argv[3], sys.argv[2])' \
    bad/bad.zip "$name" "$shipped"
  sh "$sign" key.pem cert.pem bad/bad.zip >bad.log 2>&1 && fail "sign.sh signed a package with the entry $name"
  grep -q "refused entry" bad.log || { cat bad.log; fail "sign.sh did not say why it refused $name"; }
  [ "$(ls bad)" = bad.zip ] || fail "sign.sh wrote $(ls bad | tr '\n' ' ')for the entry $name"
  rm -rf bad
done
echo "sign-test: both libraries signed and verified; $dll rebuilt plus its signature is the signed file;" \
  "time-stamped by a local authority; bad entry names refused"
