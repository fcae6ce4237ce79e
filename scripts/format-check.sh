#!/usr/bin/env bash
# Checks that the project's own C++ files (those git knows) are laid out as .clang-format says,
# with clang-format 14. Prints each place that differs; exit status 0 only when none does.
# To lay the files out:  git ls-files '*.cpp' '*.h' | xargs clang-format-14 -i
set -euo pipefail
source "$(dirname "$0")/setup.sh"

ensure_packages clang-format git
format=clang-format
command -v clang-format-14 >/dev/null && format=clang-format-14

cd "$KOERSZICHT_ROOT"
status=0
git ls-files -z '*.cpp' '*.h' | xargs -0 "$format" --dry-run --Werror || status=$?
if [ $status -ne 0 ]; then
    echo "format-check: files differ from .clang-format; lay them out with:"
    echo "  git ls-files '*.cpp' '*.h' | xargs $format -i"
    exit 1
fi
echo "format-check: every C++ file is laid out as .clang-format says"
