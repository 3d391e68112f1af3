#!/usr/bin/env bash
# Makes the bundled pinned key lists: real RSA public keys, written as the signer key
# text (DER RSAPublicKey, lower-case hex pairs separated by one blank), one per line.
# Only the public half is kept, except for the four keys the tests sign with, whose
# private keys go to tests/fixtures/keys. Release builds bring their own lists
# (VISTANE_TRUSTED_PUBLIC_KEYS_FILE, VISTANE_TRUSTED_PUBLIC_KEYS_EXTENDED_FILE).
#
# Shape: 29 keys in both lists (23 of 2048 bits, 6 of 3072), 3 only in the first
# (2 + 1), 14 only in the extended one (11 + 3); each list names two of its keys twice.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
fixtures="$here/../../../tests/fixtures/keys"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$fixtures"

key_text() {  # private key file -> key text
    openssl rsa -in "$1" -RSAPublicKey_out -outform DER 2>/dev/null |
        od -An -v -tx1 | tr -s ' \n' ' ' | sed 's/^ //; s/ $//'
}

make_keys() {  # prefix count bits -> key texts in $work/prefix-N.txt
    for ((i = 1; i <= $2; i++)); do
        openssl genrsa -out "$work/$1-$i.key" "$3" 2>/dev/null
        printf '%s\n' "$(key_text "$work/$1-$i.key")" >"$work/$1-$i.txt"
    done
}

make_keys both-2048 23 2048
make_keys both-3072 6 3072
make_keys first-2048 2 2048
make_keys first-3072 1 3072
make_keys extended-2048 11 2048
make_keys extended-3072 3 3072

cp "$work/both-2048-1.key" "$fixtures/pinned-2048-a.key"
cp "$work/both-2048-2.key" "$fixtures/pinned-2048-b.key"
cp "$work/both-3072-1.key" "$fixtures/pinned-3072-a.key"
cp "$work/extended-2048-1.key" "$fixtures/pinned-2048-extended-only.key"
cp "$work/first-2048-1.key" "$fixtures/pinned-2048-first-only.key"

{
    cat "$work"/both-2048-*.txt "$work"/both-3072-*.txt "$work"/first-2048-*.txt "$work"/first-3072-*.txt
    cat "$work/both-2048-7.txt" "$work/first-3072-1.txt"  # named twice
} >"$here/trusted_public_keys.txt"
{
    cat "$work"/both-2048-*.txt "$work"/both-3072-*.txt "$work"/extended-2048-*.txt "$work"/extended-3072-*.txt
    cat "$work/both-3072-4.txt" "$work/extended-2048-5.txt"  # named twice
} >"$here/trusted_public_keys_extended.txt"
wc -l "$here"/trusted_public_keys*.txt
