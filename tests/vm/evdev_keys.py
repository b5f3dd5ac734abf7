"""Counts key presses an input event node delivers to an ordinary reader (as the desktop's input
stack reads it, without a grab) until SIGTERM, then prints the count. Not a test itself.

    python3 evdev_keys.py /dev/input/eventN
"""
import os
import select
import signal
import struct
import sys

EVENT = struct.Struct("llHHi")
EV_KEY = 1
stop = False


def on_term(*_):
    global stop
    stop = True


signal.signal(signal.SIGTERM, on_term)
fd = os.open(sys.argv[1], os.O_RDONLY | os.O_NONBLOCK)
print("reading", sys.argv[1], flush=True)
presses = 0
pending = b""
while not stop:
    ready, _, _ = select.select([fd], [], [], 0.1)
    if not ready:
        continue
    try:
        pending += os.read(fd, EVENT.size * 64)
    except BlockingIOError:
        continue
    except OSError:
        break  # the device went away
    while len(pending) >= EVENT.size:
        _, _, kind, code, value = EVENT.unpack(pending[: EVENT.size])
        pending = pending[EVENT.size:]
        if kind == EV_KEY and value == 1:
            presses += 1
print("presses", presses, flush=True)
