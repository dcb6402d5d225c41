#!/usr/bin/env python3
"""Time from SIGTERM to exit of fotoloom-convert while it decodes one slow photo.

The photo is a 7 KB progressive JPEG that declares 8000 x 8000 pixels and holds 757 scans
without data: each scan makes the decoder go over the whole declared picture, so the photo
keeps a decoder busy for seconds, yet it converts. The converter is started on it, SIGTERM
is sent once the converter has the photo open (it is being converted), and the time until
the process has ended is measured; median of the runs, and the longest.

Usage: bench/stop-timing.py [CONVERTER] [RUNS] [PHOTO]
  (default: build/bin/fotoloom-convert, 5 runs, the slow JPEG above; any other photo can be
  timed the same way, such as a large HEIC)
"""
import os
import signal
import statistics
import struct
import subprocess
import sys
import tempfile
import time


def segment(marker, payload):
    return struct.pack(">BBH", 0xFF, marker, len(payload) + 2) + payload


def slow_jpeg(side=8000):
    out = b"\xff\xd8"
    out += segment(0xDB, b"\x00" + b"\x01" * 64)  # one quantisation table of ones
    # Progressive frame: 8 bits, side x side, Y at 2x2, Cb and Cr at 1x1.
    out += segment(0xC2, struct.pack(">BHHB", 8, side, side, 3) +
                   bytes([1, 0x22, 0, 2, 0x11, 0, 3, 0x11, 0]))
    one_code = bytes([1] + [0] * 15) + b"\x00"  # one code of one bit, for symbol 0
    out += segment(0xC4, b"\x00" + one_code + b"\x10" + one_code)
    scans = [([1, 2, 3], 0, 0, 0, 0)]
    for c in (1, 2, 3):
        for k in range(1, 64):
            scans.append(([c], k, k, 0, 3))
            scans += [([c], k, k, al + 1, al) for al in (2, 1, 0)]
    for components, ss, se, ah, al in scans:
        payload = bytes([len(components)])
        for c in components:
            payload += bytes([c, 0x00])
        out += segment(0xDA, payload + bytes([ss, se, ah << 4 | al]))
    return out + b"\xff\xd9"


def has_open(pid, path):
    folder = f"/proc/{pid}/fd"
    try:
        return any(os.readlink(os.path.join(folder, fd)) == path for fd in os.listdir(folder))
    except OSError:
        return False


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    converter = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "build", "bin",
                                                                   "fotoloom-convert")
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    times = []
    with tempfile.TemporaryDirectory() as tmp:
        if len(sys.argv) > 3:
            photo = os.path.realpath(sys.argv[3])
        else:
            photo = os.path.realpath(os.path.join(tmp, "slow.jpg"))
            with open(photo, "wb") as file:
                file.write(slow_jpeg())
        name = os.path.splitext(os.path.basename(photo))[0] + ".jpg"
        for run in range(runs):
            target = os.path.join(tmp, f"out{run}")
            process = subprocess.Popen([converter, "-j1", "--width", "800", "--target", target,
                                        photo], stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
            while not has_open(process.pid, photo):
                if process.poll() is not None:
                    sys.exit("the converter ended before it opened the photo")
                time.sleep(0.001)
            sent = time.monotonic()
            process.send_signal(signal.SIGTERM)
            process.wait()
            times.append(time.monotonic() - sent)
            written = os.path.exists(os.path.join(target, name))
            print(f"run {run + 1}: {times[-1]:.3f} s to exit, status {process.returncode}, "
                  f"output {'written' if written else 'absent'}")
    print(f"median {statistics.median(times):.3f} s, longest {max(times):.3f} s")


if __name__ == "__main__":
    main()
