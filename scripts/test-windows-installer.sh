#!/usr/bin/env bash
# Runs the Windows installer that scripts/build-windows.sh made under wine, in a throw-away
# wine prefix, as the program's update path starts it and as a user does, and checks what it
# leaves behind; starts the installed program on a virtual display; then uninstalls and checks
# that nothing of it is left.
#
#   scripts/test-windows-installer.sh [build folder]   (default: $KOERSZICHT_WINDOWS_BUILD or build-win32)
#
# Where wine does not run on this machine itself, it all runs in the i386 tree of scripts/wine32.sh
# (made once; root rights and the Debian archive needed).
#
# Exit status: 0 when every check passes, 1 when one fails, 77 when wine (or Xvfb) cannot run
# here or there is no installer (nothing was run).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd -P)
build=${1:-${KOERSZICHT_WINDOWS_BUILD:-$root/build-win32}}
cannot_test=77

installer=$(ls "$build"/Koerszicht[0-9]*.exe 2>/dev/null | head -n 1 || true)
if [ -z "$installer" ]; then
    echo "test-windows-installer: no installer in $build (scripts/build-windows.sh makes it)" >&2
    exit $cannot_test
fi
build=$(cd "$build" && pwd -P)
installer=$build/$(basename "$installer")

# Where wine does not run on this machine itself (no wine32 beside the amd64 packages, as on our
# Debian machines), this script runs again, whole, inside the i386 tree of scripts/wine32.sh,
# which has wine and Xvfb, with the repository and the build folder bound in.
# The screenshots of the program's window, taken as X window dumps, as PNG files to look at.
show_screenshots() {
    local dump
    for dump in "$build"/screenshots/*.xwd; do
        [ -f "$dump" ] || continue
        if command -v convert >/dev/null && convert "xwd:$dump" "${dump%.xwd}.png" 2>/dev/null; then
            rm -f "$dump"
            echo "screenshot: ${dump%.xwd}.png"
        else
            echo "screenshot: $dump"
        fi
    done
}
host_wine_runs() {
    command -v wine >/dev/null && [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}
if ! host_wine_runs; then
    if [ "${KOERSZICHT_IN_WINE32_TREE:-0}" = 1 ]; then
        echo "test-windows-installer: wine does not run in the i386 tree; nothing was run" >&2
        exit $cannot_test
    fi
    echo "Wine does not run on this machine: the installer checks run in the i386 tree of scripts/wine32.sh"
    tree_status=0
    "$root/scripts/wine32.sh" setup >/dev/null || tree_status=$?
    if [ $tree_status -eq $cannot_test ]; then
        echo "test-windows-installer: wine cannot run here (see above); nothing was run" >&2
        exit $cannot_test
    elif [ $tree_status -ne 0 ]; then
        echo "test-windows-installer: the i386 tree could not be made" >&2
        exit 1
    fi
    tree_status=0
    "$root/scripts/wine32.sh" run "$root" "$build" -- env KOERSZICHT_IN_WINE32_TREE=1 KOERSZICHT_PRIVATE_MOUNTS=1 \
        bash "$root/scripts/test-windows-installer.sh" "$build" || tree_status=$?
    show_screenshots
    exit $tree_status
fi
# The local certificate authority of the https check goes into the machine's certificate store
# in a mount namespace of this run's own.
if [ "${KOERSZICHT_PRIVATE_MOUNTS:-0}" != 1 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "test-windows-installer: root rights are needed (the https check trusts a local authority for its own run only)" >&2
        exit $cannot_test
    fi
    status=0
    KOERSZICHT_PRIVATE_MOUNTS=1 unshare --mount --propagation private -- bash "$0" "$build" || status=$?
    show_screenshots
    exit $status
fi
if ! command -v Xvfb >/dev/null && [ "$(id -u)" -eq 0 ]; then
    DEBIAN_FRONTEND=noninteractive timeout 600 apt-get install -y -qq --no-install-recommends xvfb >/dev/null 2>&1 || true
fi
if ! command -v Xvfb >/dev/null; then
    echo "test-windows-installer: Xvfb is missing; nothing was run" >&2
    exit $cannot_test
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/koerszicht-installer.XXXXXX")
export WINEPREFIX="$work/prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" TZ=Europe/Amsterdam
unset WAYLAND_DISPLAY
xvfb=
cleanup() {
    [ -z "${sources_pid:-}" ] || kill "$sources_pid" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
display=:$((90 + $$ % 100))
mkdir -p "$work/screen"
Xvfb "$display" -screen 0 1280x800x24 -fbdir "$work/screen" -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
timeout 300 wineboot --init >/dev/null 2>&1 || true
# The program's fonts, Verdana and Arial, are not among wine's: DejaVu Sans and the metric
# twin Liberation Sans stand in, as fontconfig makes them do on Linux.
for font in "Verdana=DejaVu Sans" "Arial=Liberation Sans"; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${font%%=*}" /t REG_SZ /d "${font#*=}" /f >/dev/null 2>&1 || true
done
wineserver -w

status=0
check() { # check <description> <command...>
    if "${@:2}"; then echo "ok   $1"; else echo "FAIL $1"; status=1; fi
}
win_folder() { winepath -u "$(wine cmd /c echo "%$1%" 2>/dev/null | tr -d '\r')" 2>/dev/null; }
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Koerszicht'
has_key() { wine reg query "$key" /v DisplayName >/dev/null 2>&1; }
no_key() { ! has_key; }
programs=$(win_folder LOCALAPPDATA)/Programs/Koerszicht
link=$(win_folder APPDATA)/Microsoft/Windows/Start\ Menu/Programs/Koerszicht.lnk
# What the installer must put there: the deploy folder, file for file.
expected=$(cd "$build/deploy" && find . -type f | LC_ALL=C sort)
installed_files() { (cd "$programs" && find . -type f ! -name uninstall.exe | LC_ALL=C sort); }
same_files() { [ "$(installed_files)" = "$expected" ]; }
gone() { [ ! -e "$programs" ] && [ ! -e "$link" ]; }

# 1. As the update path starts it: silent, no Start menu entry.
timeout 300 wine "$installer" /SP- /silent /noicons
wineserver -w
check "update install: every file in place" same_files
check "update install: an uninstaller" test -f "$programs/uninstall.exe"
check "update install: no Start menu entry (/noicons)" test ! -e "$link"
check "update install: the uninstall key under HKCU" has_key

# 2. The installed program as a user starts it, first in Dutch, then in English, with its quote
#    and history from loopback sites in the shapes the real ones answer (tests/windows/sources.py):
#    over plain http, then over https with a certificate of a local authority that this machine's
#    certificate store (which wine reads) trusts for the run only, then from a site that never
#    answers. Asked to close as Windows asks (WM_CLOSE, what taskkill without /F sends), it closes
#    by itself. The clock is set to a Wednesday, 9 December 2026, in trading hours.
day=2026-12-09
day_number() { echo $(($(date -ud "$1" +%s) / 86400 + 25569)); }
starter_end=$(tail -n 1 "$root/data/AEX.dat" | cut -d' ' -f1)
if [ "$starter_end" -ge "$(day_number $day)" ]; then
    echo "test-windows-installer: the starter history reaches $day; move the checks' day on" >&2
    exit 1
fi
sites=$work/sites
mkdir -p "$sites/maker"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Koerszicht test authority" \
    -keyout "$sites/ca.key" -out "$sites/ca.pem" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -subj "/CN=127.0.0.1" -keyout "$sites/site.key" -out "$sites/site.csr" 2>/dev/null
printf 'subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' >"$sites/site.ext"
openssl x509 -req -in "$sites/site.csr" -CA "$sites/ca.pem" -CAkey "$sites/ca.key" -CAcreateserial -days 2 \
    -extfile "$sites/site.ext" -out "$sites/site.pem" 2>/dev/null
# Wine's certificate store takes its roots from /etc/ssl/certs; this run's mount namespace has
# the local authority there, and nothing of it outlives the run.
mkdir -p /etc/ssl/certs
mount -t tmpfs tmpfs /etc/ssl/certs
cp "$sites/ca.pem" /etc/ssl/certs/ca-certificates.crt

settings='HKCU\Software\Koerszicht'
setting() { wine reg add "$settings\\$1" /v "$2" /t REG_SZ /d "$3" /f >/dev/null 2>&1; }
history=$(win_folder USERPROFILE)/UserData/Koerszicht/AEX.dat # beside the Desktop folder
has_line() { tr -d '\r' <"$history" 2>/dev/null | grep -x "$1" >/dev/null; } # AEX.dat's lines end in CR LF; grep reads to the end (pipefail)
stored() { has_line "$(day_number "$1") - $2"; }
asked() { grep -qF "$1" "$sites/requests"; }
shot() { # shot NAME: the virtual screen as it is, kept beside the build
    mkdir -p "$build/screenshots"
    cp "$work/screen/Xvfb_screen0" "$build/screenshots/$1.xwd"
}
sources_pid=
serve() { # serve PRICE HH:MM: the sites, with today's quote at that time
    [ -z "$sources_pid" ] || kill "$sources_pid" 2>/dev/null || true
    rm -f "$sites/ports"
    python3 "$root/tests/windows/sources.py" --ports "$sites/ports" --log "$sites/requests" --price "$1" \
        --moment "$(TZ=Europe/Amsterdam date -d "$day $2" +%s)" --last "$(date -d "$day - 1 day" +%F)" \
        --cert "$sites/site.pem" --key "$sites/site.key" --maker "$sites/maker" &
    sources_pid=$!
    for _ in $(seq 50); do [ -s "$sites/ports" ] && break; sleep 0.2; done
    read -r http_port https_port stalled_port <"$sites/ports"
}
use_sites() { # use_sites http|https PORT
    setting Sources QuoteSources yahoo-chart
    setting Sources ClosingPricesSources euronext-csv
    setting Sources MakerSite "http://127.0.0.1:1/"
    setting Source-yahoo-chart Url "$1://127.0.0.1:$2/chart"
    setting Source-euronext-csv Url "$1://127.0.0.1:$2/csv?start={first:yyyy-MM-dd}&end={last:yyyy-MM-dd}"
}
program=
start_program() { # start_program LOCALE HH:MM [VARIABLE=VALUE...]
    : >"$sites/requests"
    wineserver -k 2>/dev/null || true
    wineserver -w
    (cd "$programs" && exec env LC_ALL="$1" KOERSZICHT_CLOCK_START="${day}T$2:00" "${@:3}" timeout 300 \
        wine ./koerszicht.exe >"$work/program.log" 2>&1) &
    program=$!
}
quietly() { "$@" >/dev/null; }
# A click can be lost while wine's window is busy (seen once in CI with the About box's OK):
# clicked_until SECONDS CONDITION CLICK... clicks again every three seconds until CONDITION holds.
# Only for clicks that do no harm when repeated.
clicked_until() {
    local limit=$((SECONDS + $1)) condition=$2 pause
    shift 2
    while [ $SECONDS -lt $limit ]; do
        "$@" >/dev/null 2>&1 || true
        pause=$((SECONDS + 3))
        while [ $SECONDS -lt $pause ]; do
            $condition && return 0
            sleep 0.5
        done
    done
    return 1
}
wait_for() { # wait_for SECONDS COMMAND...
    local limit=$((SECONDS + $1))
    while [ $SECONDS -lt $limit ]; do "${@:2}" && return 0; sleep 1; done
    return 1
}
# (wmic, not tasklist: the tasklist of Debian 12's wine lists nothing; wmic writes UTF-16)
running() { wine wmic process get name 2>/dev/null | tr -d '\0\r' | grep -qix 'koerszicht.exe *'; }
closes_in() { # closes_in SECONDS: asked to close, the program ends by itself, with status 0
    wine taskkill /IM koerszicht.exe >/dev/null 2>&1 || true
    local limit=$((SECONDS + $1))
    while [ $SECONDS -lt $limit ] && kill -0 "$program" 2>/dev/null; do sleep 1; done
    kill -0 "$program" 2>/dev/null && return 1
    wait "$program"
}
yesterday=$(date -d "$day - 1 day" +%F)
close_of() { python3 -c "import datetime as d; n=(d.date.fromisoformat('$1')-d.date(1899,12,30)).days; print(f'{1000+(n%13)*1.5:.2f}'.replace('.', ','))"; }

# 2a. Dutch, over http: the first start fills the history and stores today's quote.
step=$SECONDS
serve 1003.50 10:14
use_sites http "$http_port"
start_program nl_NL.UTF-8 10:15
check "Dutch start: the quote asked over http" wait_for 120 asked "http /chart"
check "Dutch start: the history asked over http" asked "http /csv?start="
check "Dutch start: the program is running" running
sleep 5
shot program-nl
check "Dutch start: closes when asked, by itself" closes_in 60
check "Dutch start: AEX.dat in the data folder beside the Desktop's" test -s "$history"
check "Dutch start: the starter history kept" has_line '30319 - 45,38'
check "Dutch start: yesterday's close from the download" stored "$yesterday" "$(close_of "$yesterday")"
check "Dutch start: today's quote" stored "$day" "1003,50"
check "Dutch start: the settings in the registry" wine reg query "$settings\\Defaults"
echo "     (Dutch start over http: $((SECONDS - step)) s)"

# 2b. English, over https: the second start reads the history back and stores the new quote.
step=$SECONDS
serve 1004.75 11:14
use_sites https "$https_port"
start_program en_US.UTF-8 11:15
check "English start: the quote asked over https" wait_for 120 asked "https /chart"
sleep 5
shot program-en
check "English start: closes when asked, by itself" closes_in 60
check "English start: yesterday's close read back" stored "$yesterday" "$(close_of "$yesterday")"
check "English start: today's quote over https" stored "$day" "1004,75"
echo "     (English start over https: $((SECONDS - step)) s)"

# 2c. A site that takes the connection and never answers: the window still closes when asked.
step=$SECONDS
setting Source-yahoo-chart Url "http://127.0.0.1:$stalled_port/chart"
start_program nl_NL.UTF-8 12:15
check "stalled site: the quote asked" wait_for 120 asked "stalled connection"
check "stalled site: closes when asked, by itself" closes_in 30
check "stalled site: the stored quote kept" stored "$day" "1004,75"
echo "     (stalled site: $((SECONDS - step)) s)"

# 2d. The update, as a user takes it: ten seconds after the start the program finds a newer
#     version on the maker site and shows its window; the user clicks the download, then the
#     installation. The installed program is the tests' build of it (the same program, with the
#     key the installer must be signed with given by KOERSZICHT_TEST_INSTALLER_KEY: the release
#     key's private half is not here); the newer installer carries the shipped program, so a
#     replaced koerszicht.exe shows that the installer did its work. The companion program is
#     the tests' helper under the companion's name. First an installer signed with another
#     key, which is never started; then one signed with the right key.
newer=$(ls "$build"/update-check/Koerszicht[0-9]*.exe 2>/dev/null | head -n 1 || true)
tests_program=$build/tests/koerszicht_testprogram.exe
helper=$build/tests/windows/process_helper_win.exe
if [ -z "$newer" ] || [ ! -f "$tests_program" ] || [ ! -f "$helper" ]; then
    echo "skip the update checks: scripts/build-windows.sh --tests makes what they need"
else
    step=$SECONDS
    newer_name=$(basename "$newer")
    digits=${newer_name//[^0-9]/}
    newer_version=${digits:0:1}.${digits:1}a
    cp "$newer" "$sites/maker/"
    printf 'The versions of the programs of the maker, one line each\r\nKoerszicht,%s,a,%d,0\r\n' \
        "$newer_name" $((($(stat -c %s "$newer") + 1023) / 1024)) >"$sites/maker/versions.dat"
    signing_key() { # signing_key FILE: a new Ed25519 key; its public half as 64 hex digits
        openssl genpkey -algorithm ed25519 -out "$1" 2>/dev/null
        openssl pkey -in "$1" -pubout -outform DER | tail -c 32 | od -An -v -tx1 | tr -d ' \n'
    }
    public=$(signing_key "$work/test.key")
    signing_key "$work/other.key" >/dev/null
    sign() { "$root/scripts/release-key.sh" sign "$1" Koerszicht "$newer_version" "$sites/maker/$newer_name" >/dev/null; }
    cp "$tests_program" "$programs/koerszicht.exe"
    cp "$helper" "$programs/Koerszicht_Sched.exe"
    data=$(dirname "$history")
    setting Source-yahoo-chart Url "http://127.0.0.1:$http_port/chart"
    setting Sources MakerSite "http://127.0.0.1:$http_port/maker/"
    update_window() { xdotool search --onlyvisible --name "^Koerszicht - Update\$" 2>/dev/null | head -n 1 | grep .; }
    click() { # click BUTTON: DownloadBtn or ExitBtn, in the update window's bottom panel
        local window x
        window=$(update_window)
        [ -n "$window" ] || return 1
        eval "$(xdotool getwindowgeometry --shell "$window")"
        if [ "$1" = DownloadBtn ]; then x=81; else x=260; fi
        xdotool mousemove --window "$window" "$x" $((HEIGHT - 73 + 48)) click 1
    }
    installed_version() { wine reg query "$key" /v DisplayVersion 2>/dev/null | tr -d '\r' | awk '/DisplayVersion/ { print $3 }'; }
    companion_running() { wine wmic process get name 2>/dev/null | tr -d '\0\r' | grep -qix 'koerszicht_sched.exe *'; }
    companion_gone() { ! companion_running; }
    installer_asked() { asked "http /maker/$newer_name"; }

    sign "$work/other.key"
    start_program nl_NL.UTF-8 13:15 KOERSZICHT_TEST_INSTALLER_KEY="$public" \
        KOERSZICHT_TEST_ARGUMENTS_FILE="$(winepath -w "$work")\\handed.txt"
    check "update, wrong key: the version list asked" wait_for 90 asked "http /maker/versions.dat"
    check "update, wrong key: the update window shown" wait_for 30 quietly update_window
    sleep 2
    check "update, wrong key: the download clicked" clicked_until 30 installer_asked click DownloadBtn
    check "update, wrong key: the signature fetched" wait_for 60 asked "http /maker/$newer_name.sig"
    sleep 3
    shot update-refused
    check "update, wrong key: the installer removed, never started" \
        bash -c '[ ! -e "$1" ] && [ "$2" = "$3" ]' _ "$data/Temp/$newer_name" "$(installed_version)" 1.00d
    check "update, wrong key: the program runs on" running

    # The About box's mail and web buttons hand their addresses to the shell: the handlers of
    # mailto and http in this prefix are the tests' helper, which writes down what it gets.
    handed=$work/handed.txt
    handler="\"$(winepath -w "$programs/Koerszicht_Sched.exe")\" \"%1\""
    for scheme in mailto http; do
        wine reg add "HKCR\\$scheme\\shell\\open\\command" /ve /t REG_SZ /d "$handler" /f >/dev/null 2>&1
    done
    window_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 | grep .; }
    click_in() { # click_in TITLE X Y, X counted from the right edge when negative
        local window x
        window=$(window_named "$1")
        [ -n "$window" ] || return 1
        eval "$(xdotool getwindowgeometry --shell "$window")"
        x=$2
        [ "$x" -ge 0 ] || x=$((WIDTH + x))
        xdotool mousemove --window "$window" "$x" "$3" click 1
    }
    main_title='Koerszicht, versie 1.00d - \[AEX-Index\]'
    about_title="$main_title - Informatie"
    handed_line() { tr -d '\r' <"$handed" 2>/dev/null | head -n 1; }
    about_shown() { window_named "$about_title" >/dev/null; }
    about_gone() { ! about_shown; }
    handed_written() { test -s "$handed"; }
    check "About: the box opened from the main window" clicked_until 30 about_shown click_in "$main_title" -21 19
    sleep 1
    shot about-nl
    check "About: the mail button reaches the shell's mailto handler" \
        clicked_until 30 handed_written click_in "$about_title" 75 231
    check "About: ... with the composed mail" bash -c 'case "$1" in "mailto:info@koerszicht.example?Subject=Programma%20Koerszicht,%20versie%201.00d&Body=Beste%20makers%20van%20Koerszicht,%0D%0A"*) ;; *) echo "     handed: $1"; exit 1 ;; esac' _ "$(handed_line)"
    rm -f "$handed"
    check "About: the web button reaches the shell's http handler" \
        clicked_until 30 handed_written click_in "$about_title" 297 231
    check "About: ... with the download page on the maker site" \
        test "$(handed_line)" = "http://127.0.0.1:$http_port/maker/downloads_n.php#Koerszicht"
    check "About: closed with OK" clicked_until 30 about_gone click_in "$about_title" 185 231
    check "update, wrong key: closes when asked, by itself" closes_in 60

    sign "$work/test.key"
    start_program nl_NL.UTF-8 13:30 KOERSZICHT_TEST_INSTALLER_KEY="$public"
    check "update: the update window shown" wait_for 90 quietly update_window
    sleep 2
    check "update: the download clicked" clicked_until 30 installer_asked click DownloadBtn
    check "update: the installer and its signature fetched" wait_for 60 asked "http /maker/$newer_name.sig"
    sleep 3
    shot update-ready
    (cd "$programs" && exec wine ./Koerszicht_Sched.exe >/dev/null 2>&1) &
    check "update: the companion program running" wait_for 30 companion_running
    check "update: the installation clicked" click ExitBtn
    check "update: the program ends by itself" bash -c 'for _ in $(seq 60); do kill -0 "$1" 2>/dev/null || exit 0; sleep 1; done; exit 1' _ "$program"
    program_status=0
    wait "$program" || program_status=$?
    check "update: ... with status 0" test $program_status -eq 0
    check "update: the companion program ended" companion_gone
    wineserver -w # the installer, started by the program, ends
    check "update: the installer replaced the program" cmp -s "$build/deploy/koerszicht.exe" "$programs/koerszicht.exe"
    check "update: the newer version registered" test "$(installed_version)" = "$newer_version"
    check "update: no Start menu entry (/noicons)" test ! -e "$link"
    check "update: the history written on the way out" stored "$day" "1004,75"
    rm -f "$programs/Koerszicht_Sched.exe"
    echo "     (update: $((SECONDS - step)) s)"
fi
kill "$sources_pid" 2>/dev/null || true

# 3. Uninstall: nothing of it is left, a file of the user's in the folder stays.
timeout 300 wine "$programs/uninstall.exe" /S
wineserver -w
check "uninstall: folder removed" gone
check "uninstall: key removed" no_key

# 4. As a user installs it (NSIS's own /S): with a Start menu entry; the uninstaller leaves
#    what the user added.
timeout 300 wine "$installer" /S
wineserver -w
check "user install: every file in place" same_files
check "user install: Start menu entry" test -f "$link"
echo "mine" >"$programs/notes.txt"
timeout 300 wine "$programs/uninstall.exe" /S
wineserver -w
check "uninstall: the user's own file stays" test -f "$programs/notes.txt"
check "uninstall: only the user's own file is left" \
    bash -c '[ "$(cd "$1" && find . -type f)" = "./notes.txt" ]' _ "$programs"
check "uninstall: Start menu entry removed" test ! -e "$link"
check "uninstall: key removed" no_key

if [ $status -eq 0 ]; then echo "Windows installer checks passed"; else echo "Windows installer checks FAILED"; fi
exit $status
