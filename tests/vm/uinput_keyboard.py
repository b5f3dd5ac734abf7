"""A keyboard of the test's own through /dev/uinput, to type into the focused Wayland window as a
user would. Not a test itself. Prints "ready" once the device exists, then reads one key
combination a line from stdin (evdev key names without KEY_, e.g. "LEFTCTRL P"): presses the keys
in order, releases them in reverse, and answers "done". The device goes away at end of input.

    python3 uinput_keyboard.py NAME
"""
import fcntl
import os
import struct
import sys
import time

UI_SET_EVBIT = 0x40045564
UI_SET_KEYBIT = 0x40045565
UI_DEV_SETUP = 0x405C5503  # _IOW('U', 3, struct uinput_setup), 92 bytes
UI_DEV_CREATE = 0x5501
UI_DEV_DESTROY = 0x5502
EV_SYN, EV_KEY, BUS_VIRTUAL = 0, 1, 6
CODES = {"E": 18, "P": 25, "LEFTCTRL": 29, "M": 50}
# udev calls a device a keyboard (ID_INPUT_KEYBOARD, which libinput needs) only when it has the
# keys Esc to D at least: declare the whole first row of codes.
DECLARED = range(1, 89)


def emit(fd, kind, code, value):
    os.write(fd, struct.pack("llHHi", 0, 0, kind, code, value))


def press(fd, names):
    codes = [CODES[n] for n in names]
    for value, order in ((1, codes), (0, list(reversed(codes)))):
        for code in order:
            emit(fd, EV_KEY, code, value)
            emit(fd, EV_SYN, 0, 0)
            time.sleep(0.03)


fd = os.open("/dev/uinput", os.O_WRONLY | os.O_NONBLOCK)
fcntl.ioctl(fd, UI_SET_EVBIT, EV_KEY)
for key in DECLARED:
    fcntl.ioctl(fd, UI_SET_KEYBIT, key)
name = sys.argv[1].encode()[:79]
fcntl.ioctl(fd, UI_DEV_SETUP, struct.pack("HHHH80sI", BUS_VIRTUAL, 0x1234, 0x5678, 1, name, 0))
fcntl.ioctl(fd, UI_DEV_CREATE)
print("ready", flush=True)
for line in sys.stdin:
    if line.split():
        press(fd, line.split())
        print("done", flush=True)
fcntl.ioctl(fd, UI_DEV_DESTROY)
os.close(fd)
