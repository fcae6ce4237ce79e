"""Starts Koerszicht once per network fault, against loopback servers, on the X display in
$DISPLAY, and prints for each: how long the main window took to be first shown, the longest
stretch it left _NET_WM_PING unanswered, how long it took to exit after SIGTERM, and its exit
status. Run through scripts/responsiveness.sh, which provides the display.

    measure.py <program> <starter history folder>

RESPONSIVENESS_SECONDS (default 20) is how long the window is pinged, from its first showing.
"""

import datetime
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

import servers
from watch import WindowWatch

KILL_AFTER = 10.0
NAME_SERVER = "127.0.0.77"
UNKNOWN_HOST = "koers.invalid-host.test"
PROXY_VARIABLES = ("http_proxy", "https_proxy", "all_proxy", "no_proxy",
                   "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY", "NO_PROXY")


class Skip(Exception):
    """A case that cannot be set up here; its text says why."""


def pages(starter):
    """The list and the quote page that a good network brings: the days after the starter
    history's last one, and a quote for today close to the last of them."""
    last_line = open(starter, encoding="latin-1").read().split()[-3:]
    last_day, last_value = int(last_line[0]), float(last_line[2].replace(",", "."))
    now = datetime.datetime.now()
    listed, newest = servers.closing_list(last_day, last_value, now)
    return {b"Slotkoersen": listed, b"index.php": servers.quote_page(newest, now)}


def site(port, host="127.0.0.1"):
    return f"http://{host}:{port}/"


# Each case gives the servers to stop afterwards, the two sites, and a command prefix.
def good(p):
    server = servers.HttpServer(p)
    return [server], site(server.port), []


def http_fault(mode):
    def case(p):
        server = servers.HttpServer(p, mode)
        return [server], site(server.port), []
    return case


def packets_dropped(p):
    try:
        server = servers.DropsPackets()
    except RuntimeError as error:
        raise Skip(str(error))
    return [server], site(server.port), []


def never_accepts(p):
    server = servers.NeverAccepts()
    return [server], site(server.port), []


def hosts_order():
    """The sources of the hosts line in /etc/nsswitch.conf, in their order."""
    try:
        for line in open("/etc/nsswitch.conf"):
            words = line.split("#")[0].split()
            if words and words[0] == "hosts:":
                return [w for w in words[1:] if not w.startswith("[")]
    except OSError:
        pass
    return ["files", "dns"]  # glibc's default without the file


def silent_name_server(p):
    if os.geteuid() != 0:
        raise Skip("needs root for a private mount namespace (unshare -m)")
    if not shutil.which("unshare"):
        raise Skip("unshare is not installed")
    order = hosts_order()
    if "dns" not in order:
        raise Skip(f"/etc/nsswitch.conf 'hosts: {' '.join(order)}' never asks a name server")
    ahead = [source for source in order[:order.index("dns")] if source != "files"]
    if ahead:
        print(f"note: /etc/nsswitch.conf asks {', '.join(ahead)} before dns; "
              "the name-server row measures them too")
    resolv = tempfile.NamedTemporaryFile("w", prefix="resolv-", suffix=".conf", delete=False)
    resolv.write(f"nameserver {NAME_SERVER}\n")
    resolv.close()
    bind = 'mount --bind "$1" /etc/resolv.conf && exec "$2"'
    prefix = ["unshare", "-m", "--", "sh", "-c", bind, "sh", resolv.name]
    trial = subprocess.run(prefix + ["true"], capture_output=True, text=True)
    if trial.returncode != 0:
        os.unlink(resolv.name)
        raise Skip(f"a private mount namespace cannot be set up: {trial.stderr.strip()}")
    try:
        name_server = servers.SilentNameServer(NAME_SERVER)
    except OSError as error:
        os.unlink(resolv.name)
        raise Skip(f"no UDP socket on {NAME_SERVER}:53: {error}")
    server = servers.HttpServer(p)

    class Cleanup:
        def seen(self):
            return ""

        def stop(self):
            os.unlink(resolv.name)

    return [name_server, server, Cleanup()], site(server.port, UNKNOWN_HOST), prefix


CASES = [
    ("good network", good),
    ("packets dropped", packets_dropped),
    ("socket never accepts", never_accepts),
    ("stall after headers", http_fault("stall")),
    ("one byte a second", http_fault("trickle")),
    ("valid page over 11 s", http_fault("slow")),
    ("name server never answers", silent_name_server),
]


def write_settings(config_home, sites, maker_site):
    folder = os.path.join(config_home, "Koerszicht")
    os.makedirs(folder)
    with open(os.path.join(folder, "Koerszicht.ini"), "w") as ini:
        ini.write(f"[Sources]\nQuoteSite={sites}\nClosingPricesSite={sites}\nMakerSite={maker_site}\n"
                  "QuoteSources=page\nClosingPricesSources=list\n")


def exit_text(code):
    if code is None:
        return "-"
    if code < 0:
        return f"signal {signal.Signals(-code).name}"
    return str(code)


def run_case(program, starter_folder, seconds, setup, page_set, watch):
    """One start of the program against the servers `setup` makes; a dict of the results."""
    home = tempfile.mkdtemp(prefix="koerszicht-responsiveness-")
    stopping = []
    try:
        stopping, sites, prefix = setup(page_set)
        env = {k: v for k, v in os.environ.items() if k not in PROXY_VARIABLES}
        env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
                   XDG_DATA_HOME=os.path.join(home, "data"), XDG_CACHE_HOME=os.path.join(home, "cache"),
                   XDG_RUNTIME_DIR=os.path.join(home, "runtime"), QT_QPA_PLATFORM="xcb")
        os.mkdir(env["XDG_RUNTIME_DIR"], 0o700)
        write_settings(env["XDG_CONFIG_HOME"], sites, site(servers.free_port()))
        log = open(os.path.join(home, "program.log"), "w")
        # The current folder holds the starter history, which the first run copies.
        started = time.monotonic()
        process = subprocess.Popen(prefix + [program], cwd=starter_folder, env=env,
                                   stdout=log, stderr=subprocess.STDOUT)
        alive = lambda: process.poll() is None
        shown = watch.wait_for_main_window(process.pid, started + seconds, alive)
        result = {"shown": None, "unanswered": None, "pings": None}
        if shown is not None:
            result.update(shown=shown - started, pings=watch.pings_ok)
            result["unanswered"] = watch.ping_until(shown + seconds)
        if alive():
            asked = time.monotonic()
            process.send_signal(signal.SIGTERM)
            try:
                process.wait(KILL_AFTER)
                result["close"] = f"{time.monotonic() - asked:.2f} s"
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
                result["close"] = f"killed after {KILL_AFTER:.0f} s"
        else:
            result["close"] = "ended before"
        result["exit"] = exit_text(process.returncode)
        log.close()
        history = os.path.join(env["XDG_DATA_HOME"], "Koerszicht", "AEX.dat")
        try:
            lines = open(history, encoding="latin-1").read().splitlines()
            result["history"] = f"{len(lines)} lines, the last two: {' / '.join(lines[-2:])}"
        except (OSError, IndexError):
            result["history"] = "(no AEX.dat)"
        with open(os.path.join(home, "program.log"), errors="replace") as output:
            result["log"] = output.read().strip().splitlines()[-3:]
        result["seen"] = "; ".join(filter(None, (server.seen() for server in stopping)))
        return result
    finally:
        for server in stopping:
            server.stop()
        shutil.rmtree(home, ignore_errors=True)


def seconds_text(value):
    return "-" if value is None else f"{value:.2f} s"


def main():
    program, starter_folder = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    seconds = float(os.environ.get("RESPONSIVENESS_SECONDS", "20"))
    page_set = pages(os.path.join(starter_folder, "AEX.dat"))
    watch = WindowWatch()
    header = ("fault", "first shown", "longest unanswered", "close after SIGTERM", "exit status")
    rows, notes = [], []
    for name, setup in CASES:
        print(f"{name} ...", flush=True)
        try:
            r = run_case(program, starter_folder, seconds, setup, page_set, watch)
        except Skip as reason:
            rows.append((name, "skipped", "", "", ""))
            notes.append(f"{name}: skipped, {reason}")
            continue
        unanswered = seconds_text(r["unanswered"])
        if r["pings"] is False:
            unanswered = "no _NET_WM_PING"
        rows.append((name, seconds_text(r["shown"]) if r["shown"] is not None else "never",
                     unanswered, r["close"], r["exit"]))
        notes.append(f"{name}: AEX.dat has {r['history']}; server side: {r['seen']}")
        if r["exit"] != "0" and r["log"]:
            notes.append(f"{name}: program output ends with: " + " | ".join(r["log"]))
    watch.close()

    widths = [max(len(row[i]) for row in rows + [header]) for i in range(len(header))]
    line = lambda row: " | ".join(cell.ljust(width) for cell, width in zip(row, widths)).rstrip()
    print(f"\nPinged for {seconds:g} s after the window was first shown.\n")
    print(line(header))
    print("-|-".join("-" * width for width in widths))
    for row in rows:
        print(line(row))
    print()
    for note in notes:
        print(note)


if __name__ == "__main__":
    main()
