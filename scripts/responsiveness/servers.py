"""Loopback servers that misbehave the way real networks do, and the pages they serve.

Every server listens on 127.0.0.1 at a free port and runs in daemon threads; stop() ends it.
The HTTP ones answer the closing-price list and the quote page by their paths.
"""

import datetime
import shutil
import socket
import subprocess
import threading

# Day numbers count days since 30 December 1899, as in the history file.
EPOCH = datetime.date(1899, 12, 30)


def day_number(date):
    return (date - EPOCH).days


def closing_list(last_day, last_value, now):
    """A list of 'yymmdd: value' lines for the weekdays after `last_day` whose close is out
    (from 20:00), each value a small step from the one before."""
    newest = now.date() if now.hour >= 20 else now.date() - datetime.timedelta(days=1)
    day = EPOCH + datetime.timedelta(days=last_day + 1)
    value, step, lines = last_value, 0, []
    while day <= newest:
        if day.weekday() < 5:
            step += 1
            value += (1.5, -1.0, 2.25, -0.75)[step % 4]
            lines.append(f"{day:%y%m%d}: {value:.2f}")
        day += datetime.timedelta(days=1)
    # A list shorter than 50 characters reads as a failed fetch: a header line makes sure it is not.
    return ("AEX-index slotkoersen\n" + "\n".join(lines) + "\n").encode(), value


def quote_page(value, now):
    """The quote site's mobile page with today's quote, `value` and a small rise."""
    text = f"{value + 1.2:.2f}".replace(".", ",")
    return (f'<html><body><div>Beurs;{now:%d-%m-%y %H:%M}<a href="/">HOME</a></div>'
            f"<p>AEX {text} (+1,20) 0,12%</p></body></html>").encode()


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def _close(sock):
    # A thread blocked in accept or recv wakes only on shutdown; close alone would leave the
    # port bound until it does.
    try:
        sock.shutdown(socket.SHUT_RDWR)
    except OSError:
        pass
    sock.close()


def _listener(backlog):
    sock = socket.socket()
    sock.bind(("127.0.0.1", 0))
    sock.listen(backlog)
    return sock


class HttpServer:
    """Answers GET requests for the list and the quote page in one of these ways:
    answer  the whole answer at once
    stall   status line and headers with the body's Content-Length, then silence
    trickle headers, then the body one byte a second
    slow    headers at once, then the body in even parts over `delay` seconds (a part every
            second: a slow line, not a stalled one)
    """

    def __init__(self, pages, mode="answer", delay=11.0):
        self.pages, self.mode, self.delay = pages, mode, delay
        self.sock = _listener(16)
        self.port = self.sock.getsockname()[1]
        self.requests = 0
        self.stopped = threading.Event()
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        while not self.stopped.is_set():
            try:
                conn, _ = self.sock.accept()
            except OSError:
                return
            threading.Thread(target=self._serve, args=(conn,), daemon=True).start()

    def _serve(self, conn):
        with conn:
            request = b""
            while b"\r\n\r\n" not in request:
                chunk = conn.recv(4096)
                if not chunk:
                    return
                request += chunk
            self.requests += 1
            target = request.split(b" ", 2)[1] if request.count(b" ") >= 2 else b""
            body = next((page for key, page in self.pages.items() if key in target), None)
            status = b"200 OK" if body is not None else b"404 Not Found"
            body = body if body is not None else b"Not Found"
            head = (b"HTTP/1.1 " + status + b"\r\nContent-Type: text/plain; charset=iso-8859-1\r\n"
                    b"Content-Length: " + str(len(body)).encode() + b"\r\nConnection: close\r\n\r\n")
            try:
                conn.sendall(head)
                if self.mode == "slow":
                    parts = max(1, int(self.delay))
                    for part in range(parts):
                        if self.stopped.wait(self.delay / parts):
                            return
                        conn.sendall(body[part * len(body) // parts:(part + 1) * len(body) // parts])
                elif self.mode == "stall":
                    self.stopped.wait()
                elif self.mode == "trickle":
                    for byte in body:
                        if self.stopped.wait(1.0):
                            return
                        conn.sendall(bytes([byte]))
                else:
                    conn.sendall(body)
            except OSError:
                pass

    def seen(self):
        return f"{self.requests} requests ({self.mode})"

    def stop(self):
        self.stopped.set()
        _close(self.sock)


class NeverAccepts:
    """Listens with room in its accept queue but never accepts: connections complete in the
    kernel, the request is taken in, and no byte ever comes back."""

    def __init__(self):
        self.sock = _listener(16)
        self.port = self.sock.getsockname()[1]

    def seen(self):
        return "nothing accepted"

    def stop(self):
        _close(self.sock)


def _connects(port, timeout):
    with socket.socket() as probe:
        probe.settimeout(timeout)
        try:
            probe.connect(("127.0.0.1", port))
            return True
        except OSError:
            return False


class DropsPackets:
    """A port whose SYNs go unanswered. A listening socket with backlog 0 and one connection
    parked in its accept queue makes the kernel drop every further SYN. When this kernel answers
    anyway, a firewall rule that drops SYNs to the port takes its place (root and iptables)."""

    def __init__(self):
        self.sock = _listener(0)
        self.port = self.sock.getsockname()[1]
        self.parked = socket.create_connection(("127.0.0.1", self.port), timeout=2)
        self.rule = None
        self.how = "accept queue full"
        if not _connects(self.port, 0.5):
            return
        rule = ["INPUT", "-i", "lo", "-p", "tcp", "--dport", str(self.port), "--syn", "-j", "DROP"]
        if shutil.which("iptables") and subprocess.run(["iptables", "-I", *rule],
                                                       capture_output=True).returncode == 0:
            self.rule, self.how = rule, "iptables DROP"
            if not _connects(self.port, 0.5):
                return
        self.stop()
        raise RuntimeError("this kernel answers SYNs to a full accept queue, and no firewall rule "
                           "could drop them (needs root and iptables)")

    def seen(self):
        return f"SYNs dropped by: {self.how}"

    def stop(self):
        if self.rule:
            subprocess.run(["iptables", "-D", *self.rule], capture_output=True)
            self.rule = None
        self.parked.close()
        self.sock.close()


class SilentNameServer:
    """A UDP socket on port 53 that takes every query and never answers."""

    def __init__(self, address):
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind((address, 53))
        self.queries = 0
        self.stopped = threading.Event()
        threading.Thread(target=self._swallow, daemon=True).start()

    def _swallow(self):
        while not self.stopped.is_set():
            try:
                if self.sock.recv(4096):
                    self.queries += 1
            except OSError:
                return

    def seen(self):
        return f"{self.queries} name queries swallowed"

    def stop(self):
        self.stopped.set()
        _close(self.sock)
