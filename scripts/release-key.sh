#!/usr/bin/env bash
# The release key: an Ed25519 key pair whose private half signs every installer that is put
# on the maker site, and whose public half is built into the program (update/ReleaseKey.cpp).
# The update window starts only an installer whose detached signature (<installer>.sig,
# 64 bytes, beside it on the site) verifies against that public key.
#
#   scripts/release-key.sh new <private key file>        makes a key pair, prints the public key
#   scripts/release-key.sh public <private key file>     prints the public key for ReleaseKey.cpp
#   scripts/release-key.sh sign <private key file> <installer>   writes <installer>.sig
#
# The private key never goes into the repository: the script refuses a path inside it. Keep it
# off the build machines, with a backup; a lost key means a new program release before the
# next signed installer can be offered.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

usage() {
    sed -n '7,9p' "$0" | sed 's/^# *//' >&2
    exit 2
}

inside_repository() {
    local dir
    dir=$(cd "$(dirname "$1")" 2>/dev/null && pwd -P) || return 1
    case "$dir/" in
    "$(cd "$root" && pwd -P)/"*) return 0 ;;
    esac
    return 1
}

print_public() {
    echo "// The public half of the release key ($(date -u +%Y-%m-%d))."
    openssl pkey -in "$1" -pubout -outform DER | tail -c 32 | od -An -v -tx1 |
        sed -e 's/ \([0-9a-f][0-9a-f]\)/0x\1, /g' -e 's/^/    /' -e 's/, *$/,/'
}

[ $# -ge 2 ] || usage
command -v openssl >/dev/null || { echo "release-key: openssl is needed" >&2; exit 1; }
key=$2
case "$1" in
new)
    [ $# -eq 2 ] || usage
    if inside_repository "$key"; then
        echo "release-key: the private key must not lie inside the repository" >&2
        exit 1
    fi
    if [ -e "$key" ]; then
        echo "release-key: $key exists; it is never overwritten" >&2
        exit 1
    fi
    (umask 077 && openssl genpkey -algorithm ed25519 -out "$key")
    print_public "$key"
    ;;
public)
    [ $# -eq 2 ] || usage
    print_public "$key"
    ;;
sign)
    [ $# -eq 3 ] || usage
    installer=$3
    openssl pkeyutl -sign -inkey "$key" -rawin -in "$installer" -out "$installer.sig.new"
    mv "$installer.sig.new" "$installer.sig"
    echo "signed: $installer.sig"
    ;;
*)
    usage
    ;;
esac
