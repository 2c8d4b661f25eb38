"""Asks an X window to close as a window manager's close button does: a WM_DELETE_WINDOW client message.
Keys given after the window are typed first (through the XTEST extension), in the same flush as the close, so
the program reads them together, as a user's keys and a close from the window manager come: ctrl+e, Delete,
Escape, ...

Usage: wmclose.py <window id> [<key>...]
"""
import ctypes
import sys

x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XStringToKeysym.restype = ctypes.c_ulong
x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
x11.XKeysymToKeycode.restype = ctypes.c_ubyte
x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class Event(ctypes.Union):
    _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]


x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.POINTER(Event)]
x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

display = x11.XOpenDisplay(None)
if not display:
    sys.exit("no display")
window = int(sys.argv[1], 0)
if len(sys.argv) > 2:
    xtst = ctypes.cdll.LoadLibrary("libXtst.so.6")
    xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
    modifiers = {"ctrl": b"Control_L", "shift": b"Shift_L", "alt": b"Alt_L"}
    for key in sys.argv[2:]:
        codes = [x11.XKeysymToKeycode(display, x11.XStringToKeysym(modifiers.get(part, part.encode())))
                 for part in key.split("+")]
        for code in codes:
            xtst.XTestFakeKeyEvent(display, code, 1, 0)
        for code in reversed(codes):
            xtst.XTestFakeKeyEvent(display, code, 0, 0)
event = Event()
event.xclient.type = 33  # ClientMessage
event.xclient.window = window
event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
event.xclient.format = 32
event.xclient.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
# XCloseDisplay waits for the server's answer to a request sent after the close, so the close (and the keys before
# it) has been taken when the script ends. Only flushed, it was often lost on a busy machine: the X server drops what
# it has not yet read of a client that has hung up.
x11.XCloseDisplay(display)
