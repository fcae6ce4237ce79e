#!/usr/bin/env bash
# The release key: an Ed25519 key pair whose private half signs every installer that is put
# on the maker site, and whose public half is built into the program
# (update/InstallerSignature.cpp). The update window starts only an installer whose signature
# file (<installer>.sig beside it on the site) verifies against that public key and names
# this product, the installer's file name, size and SHA-256, and a version newer than the
# running one (the file's form: update/InstallerSignature.h).
#
#   scripts/release-key.sh new <private key file>        makes a key pair, prints the public key
#   scripts/release-key.sh public <private key file>     prints the public key for the program
#   scripts/release-key.sh sign <private key file> <product> <version> <installer>
#                                       writes <installer>.sig; the version as 1.01e or 1.01
#
# The private key never goes into the repository: the script refuses a path inside it. Keep it
# off the build machines, with a backup; a lost key means a new program release before the
# next signed installer can be offered.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

usage() {
    sed -n '9,12p' "$0" | sed 's/^# *//' >&2
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
    [ $# -eq 5 ] || usage
    product=$3 version=$4 installer=$5
    name=$(basename "$installer")
    if ! [[ $product =~ ^[!-~]([\ -~]{0,62}[!-~])?$ ]]; then
        echo "release-key: the product is 1 to 64 printable characters without blanks at either end" >&2
        exit 2
    fi
    if ! [[ $version =~ ^[0-9]\.[0-9]{2}[a-z]?$ ]]; then
        echo "release-key: the version is written as 1.01e or 1.01" >&2
        exit 2
    fi
    # The version list reads the version from the digits of the installer's name.
    stem=${name%%.*}
    if [ "${stem//[^0-9]/}" != "${version:0:1}${version:2:2}" ]; then
        echo "release-key: the digits of $name do not give version $version" >&2
        exit 2
    fi
    [ -f "$installer" ] || { echo "release-key: $installer is not a file" >&2; exit 1; }
    lines=$(mktemp)
    trap 'rm -f "$lines" "$lines.signature" "$installer.sig.new"' EXIT
    printf 'product %s\nversion %s\nfile %s\nsize %s\nsha256 %s\n' "$product" "$version" "$name" \
        "$(wc -c <"$installer" | tr -d ' ')" "$(openssl dgst -sha256 -r "$installer" | cut -c1-64)" >"$lines"
    openssl pkeyutl -sign -inkey "$key" -rawin -in "$lines" -out "$lines.signature"
    { cat "$lines"; printf 'signature %s\n' "$(od -An -v -tx1 "$lines.signature" | tr -d ' \n')"; } >"$installer.sig.new"
    mv "$installer.sig.new" "$installer.sig"
    echo "signed: $installer.sig"
    ;;
*)
    usage
    ;;
esac
