#!/usr/bin/python3
"""A stand-in for the desktop's suspend inhibitors on a private session bus, recording every
call it gets, one line each, in LOG:

    inhibit_double.py LOG portal             org.freedesktop.portal.Desktop (Inhibit, and
                                             Close on each request object it hands out)
    inhibit_double.py LOG portal-refuses     the portal as its GTK backend is outside GNOME:
                                             it hands out a request, then ends it at once
                                             with Response 2 (failed)
    inhibit_double.py LOG power-management   org.freedesktop.PowerManagement (Inhibit,
                                             UnInhibit)

Lines: "portal Inhibit window='' flags=4 reason=…", "portal Close", "pm Inhibit app=…
reason=…", "pm UnInhibit cookie=1". The real portal closes a request when its caller leaves
the bus; so does this one, logging "portal Close (caller left)".
"""
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

PORTAL = "org.freedesktop.portal.Desktop"
PM = "org.freedesktop.PowerManagement"


class Log:
    def __init__(self, path):
        self.file = open(path, "a", encoding="utf-8")

    def __call__(self, line):
        self.file.write(line + "\n")
        self.file.flush()


class Request(dbus.service.Object):
    def __init__(self, bus, path, log, forget):
        super().__init__(bus, path)
        self.log = log
        self.forget = forget

    @dbus.service.signal("org.freedesktop.portal.Request", signature="ua{sv}")
    def Response(self, response, results):
        pass

    @dbus.service.method("org.freedesktop.portal.Request")
    def Close(self):
        self.log("portal Close")
        self.forget(self)

    def drop(self):
        self.remove_from_connection()


class Portal(dbus.service.Object):
    def __init__(self, bus, log, refuses):
        super().__init__(bus, "/org/freedesktop/portal/desktop")
        self.bus = bus
        self.log = log
        self.refuses = refuses
        self.requests = {}  # Request: the caller's unique name
        self.count = 0
        bus.add_signal_receiver(self.owner_changed, "NameOwnerChanged",
                                "org.freedesktop.DBus", "org.freedesktop.DBus")

    @dbus.service.method("org.freedesktop.portal.Inhibit", in_signature="sua{sv}",
                         out_signature="o", sender_keyword="sender")
    def Inhibit(self, window, flags, options, sender=None):
        self.log("portal Inhibit window='%s' flags=%d reason=%s%s"
                 % (window, flags, options.get("reason", ""), " (refused)" if self.refuses else ""))
        self.count += 1
        # As the real portal names it: the caller's name and its token.
        path = "/org/freedesktop/portal/desktop/request/%s/%s" % (
            sender[1:].replace(".", "_"), options.get("handle_token", "t%d" % self.count))
        request = Request(self.bus, path, self.log, self.forget)
        self.requests[request] = sender
        if self.refuses:
            GLib.idle_add(self.refuse, request)
        return dbus.ObjectPath(path)

    def refuse(self, request):
        request.Response(dbus.UInt32(2), dbus.Dictionary({}, signature="sv"))
        self.forget(request)
        return False

    def forget(self, request):
        request.drop()
        del self.requests[request]

    def owner_changed(self, name, old, new):
        if new:
            return
        for request, sender in list(self.requests.items()):
            if sender == name:
                self.log("portal Close (caller left)")
                self.forget(request)


class PowerManagement(dbus.service.Object):
    def __init__(self, bus, log):
        super().__init__(bus, "/org/freedesktop/PowerManagement/Inhibit")
        self.log = log
        self.cookie = 0

    @dbus.service.method("org.freedesktop.PowerManagement.Inhibit", in_signature="ss",
                         out_signature="u")
    def Inhibit(self, application, reason):
        self.cookie += 1
        self.log("pm Inhibit app=%s reason=%s" % (application, reason))
        return self.cookie

    @dbus.service.method("org.freedesktop.PowerManagement.Inhibit", in_signature="u")
    def UnInhibit(self, cookie):
        self.log("pm UnInhibit cookie=%d" % cookie)


def main(log_path, kind):
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    log = Log(log_path)
    if kind in ("portal", "portal-refuses"):
        service = Portal(bus, log, kind == "portal-refuses")
        name = dbus.service.BusName(PORTAL, bus)
    else:
        service = PowerManagement(bus, log)
        name = dbus.service.BusName(PM, bus)
    GLib.MainLoop().run()
    del service, name


if __name__ == "__main__":
    main(*sys.argv[1:])
