"""Reads the logs of kv_uhid_wiimote (lines "MS HEX HEX ...") and measures how the controller
reported while the program held it. Used by the tests in this folder; not a test itself.

    python3 wiimote_logs.py DIR [--seconds 30] [--min-share 0.99] [--max-gap-ms 50]

DIR holds output.log (reports the controller received) and input.log (reports it sent). The
window starts 500 ms after the program's last IR set-up write (16 04 b0 00 33 01 33) and lasts
--seconds. Prints the figures; exits 1 when a limit given is not met or the window is short.
--max-gap-ms limits the gaps in which the controller was out of 0x33 (told another mode by
someone) for part of the time; the longest gap of all is printed too, but under emulation on a
busy host the virtual machine itself stalls for longer than that.
"""
import argparse
import sys

IR_MODE_WRITE = [0x16, 0x04, 0xB0, 0x00, 0x33, 0x01, 0x33]
ACCEL_IDS = {0x31, 0x33, 0x35, 0x37, 0x3E, 0x3F}


def read_log(path):
    entries = []
    with open(path) as f:
        for line in f:
            words = line.split()
            if words:
                entries.append((int(words[0]), [int(w, 16) for w in words[1:]]))
    return entries


def setup_end(outputs):
    times = [ms for ms, data in outputs if data[: len(IR_MODE_WRITE)] == IR_MODE_WRITE]
    return times[-1] if times else None


def mode_at(outputs, ms):
    """The reporting mode the controller was last told before `ms` (0x30 at first)."""
    mode = 0x30
    for at, data in outputs:
        if at > ms:
            break
        if data[0] == 0x12 and len(data) > 2:
            mode = data[2]
    return mode


def measure(inputs, outputs, start, seconds):
    end = start + seconds * 1000
    data = [(ms, d[0]) for ms, d in inputs if start <= ms < end and 0x30 <= d[0] <= 0x3F]
    by_id = {}
    for _, rid in data:
        by_id[rid] = by_id.get(rid, 0) + 1
    accel = [start] + [ms for ms, rid in data if rid in ACCEL_IDS] + [end]
    gaps = [(b - a, a) for a, b in zip(accel, accel[1:])]
    gap = max(g for g, _ in gaps)
    # A long gap with the controller in a mode without accelerometer data for part of it is the
    # driver's doing; one in the program's mode all along is the virtual machine stalling.
    driver_gap = 0
    for g, at in gaps:
        modes = {mode_at(outputs, at)} | {d[2] for ms, d in outputs
                                          if at <= ms < at + g and d[0] == 0x12 and len(d) > 2}
        if g > 20 and modes != {0x33}:
            driver_gap = max(driver_gap, g)
    share = by_id.get(0x33, 0) / len(data) if data else 0.0
    last = data[-1][0] if data else start
    return {"reports": len(data), "by_id": by_id, "share": share, "gap": gap,
            "driver_gap": driver_gap, "last": last}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("dir")
    parser.add_argument("--seconds", type=float, default=30)
    parser.add_argument("--min-share", type=float)
    parser.add_argument("--max-gap-ms", type=int)
    args = parser.parse_args()
    outputs = read_log(args.dir + "/output.log")
    inputs = read_log(args.dir + "/input.log")
    start = setup_end(outputs)
    if start is None:
        print("FAIL: the program never set up the IR camera")
        return 1
    start += 500
    m = measure(inputs, outputs, start, args.seconds)
    ids = ", ".join("%02x: %d" % (k, v) for k, v in sorted(m["by_id"].items()))
    print("window %d..%d ms: %d data reports (%s); in 0x33: %.2f %%; longest accelerometer gap"
          " %d ms, longest while out of 0x33: %d ms"
          % (start, start + args.seconds * 1000, m["reports"], ids, 100 * m["share"], m["gap"],
             m["driver_gap"]))
    failed = False
    if m["last"] < start + args.seconds * 1000 - 1000:
        print("FAIL: the reports stopped at %d ms" % m["last"])
        failed = True
    if args.min_share is not None and m["share"] < args.min_share:
        print("FAIL: fewer than %.1f %% of the reports in 0x33" % (100 * args.min_share))
        failed = True
    if args.max_gap_ms is not None and m["driver_gap"] > args.max_gap_ms:
        print("FAIL: accelerometer gap over %d ms while the controller was out of 0x33"
              % args.max_gap_ms)
        failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
