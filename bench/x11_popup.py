#!/usr/bin/env python3
# An X11 override-redirect window, as a meeting's menu or pop-up is: a plain
# colour at a given place, drawn by the X server, until killed.
# Usage: x11_popup.py X Y WIDTH HEIGHT RGB (hex, e.g. ff0000)
import ctypes
import signal
import sys

CW_BACK_PIXEL = 1 << 1
CW_OVERRIDE_REDIRECT = 1 << 9


class SetWindowAttributes(ctypes.Structure):
    _fields_ = [
        ("background_pixmap", ctypes.c_ulong), ("background_pixel", ctypes.c_ulong),
        ("border_pixmap", ctypes.c_ulong), ("border_pixel", ctypes.c_ulong),
        ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
        ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int),
        ("event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
        ("override_redirect", ctypes.c_int), ("colormap", ctypes.c_ulong), ("cursor", ctypes.c_ulong),
    ]


x, y, width, height = (int(v) for v in sys.argv[1:5])
xlib = ctypes.CDLL("libX11.so.6")
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
xlib.XDefaultRootWindow.restype = ctypes.c_ulong
xlib.XCreateWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                               ctypes.c_uint, ctypes.c_uint, ctypes.c_int, ctypes.c_uint, ctypes.c_void_p,
                               ctypes.c_ulong, ctypes.POINTER(SetWindowAttributes)]
xlib.XCreateWindow.restype = ctypes.c_ulong
xlib.XMapRaised.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
xlib.XFlush.argtypes = [ctypes.c_void_p]
display = xlib.XOpenDisplay(None)
if not display:
    sys.exit("cannot open the X display")
attributes = SetWindowAttributes(background_pixel=int(sys.argv[5], 16), override_redirect=1)
window = xlib.XCreateWindow(display, xlib.XDefaultRootWindow(display), x, y, width, height, 0, 0, 1, None,
                            CW_BACK_PIXEL | CW_OVERRIDE_REDIRECT, ctypes.byref(attributes))
xlib.XMapRaised(display, window)
xlib.XFlush(display)
signal.pause()
