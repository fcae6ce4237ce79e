#!/usr/bin/env python3
"""Loopback quote and history sites for the checks of the installed Windows program.

Serves, on 127.0.0.1, in the shapes the real services answer:
  /chart               the chart endpoint: today's quote (--price at --moment, seconds since 1970)
  /csv?start=&end=     the exchange's download: a close for every weekday from start to end,
                       never past --last (yyyy-mm-dd), newest first
  /maker/<name>        the maker site: the files of the folder --maker (the version list, the
                       installers and their signatures), read anew at each request
over plain http, over https with --cert/--key when given, and a third port that takes every
connection and never answers (a stalled server). The chosen ports go to --ports as one line
"http https stalled"; every request is appended to --log as "<scheme> <path>".
Ends on SIGTERM.
"""
import argparse
import datetime
import http.server
import json
import os
import signal
import socket
import ssl
import sys
import threading
import urllib.parse

DAY_ZERO = datetime.date(1899, 12, 30)  # the history's day numbers count from here


def close_of(day):
    """The close the site gives for a day: gently moving around 1000."""
    number = (day - DAY_ZERO).days
    return 1000 + (number % 13) * 1.5


def download(start, end):
    lines = ['\ufeff"Historical Data"', '"From the start to the end"', '"NL0000000107"',
             'Date;Open;High;Low;Last;Close;"Number of Shares";"Number of Trades";Turnover;vwap']
    day = end
    while day >= start:
        if day.weekday() < 5:
            close = f"{close_of(day):.2f}"
            lines.append(f"{day:%d/%m/%Y};{close};{close};{close};{close};{close};;;0;")
        day -= datetime.timedelta(days=1)
    return ("\r\n".join(lines) + "\r\n").encode("utf-8")


def chart(price, moment):
    return json.dumps({"chart": {"result": [{"meta": {
        "symbol": "^AEX", "exchangeTimezoneName": "Europe/Amsterdam",
        "regularMarketPrice": price, "regularMarketTime": moment,
        "chartPreviousClose": price}}], "error": None}}).encode("utf-8")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--ports", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--price", type=float, required=True)
    parser.add_argument("--moment", type=int, required=True)
    parser.add_argument("--last", type=datetime.date.fromisoformat, required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--maker")
    options = parser.parse_args()
    log_lock = threading.Lock()

    class Site(http.server.BaseHTTPRequestHandler):
        scheme = "http"

        def do_GET(self):
            with log_lock, open(options.log, "a", encoding="utf-8") as log:
                log.write(f"{self.scheme} {self.path}\n")
            url = urllib.parse.urlsplit(self.path)
            query = urllib.parse.parse_qs(url.query)
            if url.path == "/chart":
                body, kind = chart(options.price, options.moment), "application/json"
            elif url.path == "/csv":
                try:
                    start = datetime.date.fromisoformat(query["start"][0])
                    end = min(datetime.date.fromisoformat(query["end"][0]), options.last)
                except (KeyError, ValueError):
                    self.send_error(400)
                    return
                body, kind = download(start, end), "text/csv"
            elif url.path.startswith("/maker/") and options.maker:
                name = urllib.parse.unquote(url.path[len("/maker/"):])
                path = os.path.join(options.maker, name)
                if "/" in name or name.startswith(".") or not os.path.isfile(path):
                    self.send_error(404)
                    return
                with open(path, "rb") as served:
                    body, kind = served.read(), "application/octet-stream"
            else:
                self.send_error(404)
                return
            self.send_response(200)
            self.send_header("Content-Type", kind)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):
            pass

    class SecureSite(Site):
        scheme = "https"

    servers = [http.server.ThreadingHTTPServer(("127.0.0.1", 0), Site)]
    if options.cert:
        secure = http.server.ThreadingHTTPServer(("127.0.0.1", 0), SecureSite)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(options.cert, options.key)
        secure.socket = context.wrap_socket(secure.socket, server_side=True)
        servers.append(secure)
    stalled = socket.create_server(("127.0.0.1", 0))
    held = []

    def hold():
        while True:
            connection, _ = stalled.accept()
            held.append(connection)
            with log_lock, open(options.log, "a", encoding="utf-8") as log:
                log.write("stalled connection\n")

    for server in servers:
        threading.Thread(target=server.serve_forever, daemon=True).start()
    threading.Thread(target=hold, daemon=True).start()
    ports = [str(server.server_address[1]) for server in servers]
    if len(ports) == 1:
        ports.append("0")
    ports.append(str(stalled.getsockname()[1]))
    with open(options.ports, "w", encoding="utf-8") as out:
        out.write(" ".join(ports) + "\n")
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    signal.pause()


if __name__ == "__main__":
    main()
