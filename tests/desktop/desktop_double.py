#!/usr/bin/python3
"""A stand-in for the desktop's services on a private session bus, recording every call it
gets, one line each, in LOG:

    desktop_double.py LOG portal             org.freedesktop.portal.Desktop (Inhibit,
                                             FileChooser.OpenFile, and Close on each request
                                             object it hands out)
    desktop_double.py LOG portal-refuses     the portal as its GTK backend is outside GNOME:
                                             it hands out an inhibit request, then ends it at
                                             once with Response 2 (failed)
    desktop_double.py LOG power-management   org.freedesktop.PowerManagement (Inhibit,
                                             UnInhibit)

Lines: "portal Inhibit window='' flags=4 reason=…", "portal OpenFile window=x11:… title=…
modal=True filters=NAME:PATTERN,…[;…] current=NAME", "portal Close", "pm Inhibit app=…
reason=…", "pm UnInhibit cookie=1". The real portal closes a request when its caller leaves
the bus; so does this one, logging "portal Close (caller left)".

The file chooser answers once the file LOG.answer appears, and removes it: a file: URI is
chosen, "cancel" cancels (Response 1), "fail" ends the request otherwise (Response 2).
"""
import os
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
        self.open = True

    @dbus.service.signal("org.freedesktop.portal.Request", signature="ua{sv}")
    def Response(self, response, results):
        pass

    @dbus.service.method("org.freedesktop.portal.Request")
    def Close(self):
        self.log("portal Close")
        self.forget(self)

    def drop(self):
        self.open = False
        self.remove_from_connection()


class Portal(dbus.service.Object):
    def __init__(self, bus, log, refuses, answers):
        super().__init__(bus, "/org/freedesktop/portal/desktop")
        self.bus = bus
        self.log = log
        self.answers = answers
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
        request = self.request(sender, options)
        if self.refuses:
            GLib.idle_add(self.refuse, request)
        return dbus.ObjectPath(request.__dbus_object_path__)

    @dbus.service.method("org.freedesktop.portal.FileChooser", in_signature="ssa{sv}",
                         out_signature="o", sender_keyword="sender")
    def OpenFile(self, window, title, options, sender=None):
        def shown(f):
            return "%s:%s" % (f[0], ",".join(p for _, p in f[1]))
        self.log("portal OpenFile window=%s title=%s modal=%s filters=%s current=%s"
                 % (window, title, bool(options.get("modal", True)),
                    ";".join(shown(f) for f in options.get("filters", [])),
                    options["current_filter"][0] if "current_filter" in options else ""))
        request = self.request(sender, options)
        GLib.timeout_add(20, self.answer, request)
        return dbus.ObjectPath(request.__dbus_object_path__)

    def request(self, sender, options):
        self.count += 1
        # As the real portal names it: the caller's name and its token.
        path = "/org/freedesktop/portal/desktop/request/%s/%s" % (
            sender[1:].replace(".", "_"), options.get("handle_token", "t%d" % self.count))
        request = Request(self.bus, path, self.log, self.forget)
        self.requests[request] = sender
        return request

    def answer(self, request):
        if not request.open:
            return False
        try:
            with open(self.answers, encoding="utf-8") as f:
                said = f.read().strip()
        except FileNotFoundError:
            return True
        os.remove(self.answers)
        if said == "cancel":
            request.Response(dbus.UInt32(1), dbus.Dictionary({}, signature="sv"))
        elif said == "fail":
            request.Response(dbus.UInt32(2), dbus.Dictionary({}, signature="sv"))
        else:
            request.Response(dbus.UInt32(0), dbus.Dictionary(
                {"uris": dbus.Array([said], signature="s")}, signature="sv"))
        self.forget(request)
        return False

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
        service = Portal(bus, log, kind == "portal-refuses", log_path + ".answer")
        name = dbus.service.BusName(PORTAL, bus)
    else:
        service = PowerManagement(bus, log)
        name = dbus.service.BusName(PM, bus)
    GLib.MainLoop().run()
    del service, name


if __name__ == "__main__":
    main(*sys.argv[1:])
