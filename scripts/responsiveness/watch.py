"""Watches a program's main window on an X display the way a window manager would: when it is
first mapped, and how long it leaves _NET_WM_PING unanswered.

No window manager is needed. SubstructureNotify on the root window shows every top-level window
being mapped. A client answers a ping by sending it back to the root window with the masks a
window manager selects there; Qt's xcb backend uses StructureNotify | SubstructureRedirect, others
SubstructureNotify | SubstructureRedirect. SubstructureRedirect belongs to a window manager alone,
so the watch selects both notify masks and sees the answers either way.
"""

import select
import time

from Xlib import X, display
from Xlib.protocol import event

PING_INTERVAL = 0.010


class WindowWatch:
    def __init__(self, display_name=None):
        self.display = display.Display(display_name)
        self.root = self.display.screen().root
        self.root.change_attributes(event_mask=X.SubstructureNotifyMask | X.StructureNotifyMask)
        self.display.sync()
        atom = self.display.intern_atom
        self.wm_protocols = atom("WM_PROTOCOLS")
        self.net_wm_ping = atom("_NET_WM_PING")
        self.net_wm_pid = atom("_NET_WM_PID")
        self.window = None
        self.pings_ok = None  # whether the window lists _NET_WM_PING in WM_PROTOCOLS

    def close(self):
        self.display.close()

    def _events(self, until):
        """The events that arrive up to the moment `until` (time.monotonic())."""
        while True:
            if self.display.pending_events():
                yield self.display.next_event()
                continue
            left = until - time.monotonic()
            if left <= 0:
                return
            select.select([self.display.fileno()], [], [], left)

    def _is_main_window(self, mapped, pid):
        """A top-level window of `pid` that is no pop-up and no dialog of another window."""
        if mapped.override:
            return False
        try:
            window = mapped.window
            owner = window.get_full_property(self.net_wm_pid, X.AnyPropertyType)
            if owner is None or owner.value[0] != pid:
                return False
            return window.get_wm_transient_for() is None
        except Exception:  # the window went away meanwhile
            return False

    def wait_for_main_window(self, pid, deadline, alive):
        """The moment the first main window of `pid` was mapped; None when none was by
        `deadline` or when `alive()` says the program ended."""
        while time.monotonic() < deadline and alive():
            for ev in self._events(min(deadline, time.monotonic() + 0.1)):
                if ev.type == X.MapNotify and self._is_main_window(ev, pid):
                    shown = time.monotonic()
                    self.window = ev.window
                    protocols = self.window.get_wm_protocols() or []
                    self.pings_ok = self.net_wm_ping in protocols
                    return shown
        return None

    def ping_until(self, deadline):
        """Pings the window every 10 ms until `deadline`; returns the longest time, in seconds,
        that a ping stayed unanswered (a ping still open at the end counts up to then)."""
        sent = {}  # serial -> moment sent, of the pings not answered yet
        serial, longest, next_ping = 0, 0.0, time.monotonic()
        while True:
            now = time.monotonic()
            if now >= deadline:
                break
            if now >= next_ping:
                serial += 1
                sent[serial] = now
                self._ping(serial)
                next_ping = now + PING_INTERVAL
            for ev in self._events(min(next_ping, deadline)):
                answered = self._answer_serial(ev)
                if answered is None:
                    continue
                now = time.monotonic()
                for done in [s for s in sent if s <= answered]:
                    longest = max(longest, now - sent.pop(done))
        if sent:
            longest = max(longest, deadline - min(sent.values()))
        return longest

    def _ping(self, serial):
        # The timestamp stays CurrentTime; the serial rides in the field after the window.
        message = event.ClientMessage(
            window=self.window, client_type=self.wm_protocols,
            data=(32, [self.net_wm_ping, X.CurrentTime, self.window.id, serial, 0]))
        # An empty event mask sends it to the client that made the window.
        self.window.send_event(message, event_mask=0, propagate=False)
        self.display.flush()

    def _answer_serial(self, ev):
        if ev.type != X.ClientMessage or ev.client_type != self.wm_protocols:
            return None
        format_, data = ev.data
        if format_ != 32 or data[0] != self.net_wm_ping or data[2] != self.window.id:
            return None
        return data[3]
