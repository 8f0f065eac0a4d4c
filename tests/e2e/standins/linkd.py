#!/usr/bin/env python3
"""The Linux half of the stand-in dialer: brings point-to-point links up and down on request.

The stand-in dialer is a Windows program and cannot run Linux commands itself; it hands its
request over as a file in the Wine prefix and this daemon, running in the suite's private
network namespace, carries it out: "up NAME" makes a persistent TUN device of link type PPP and
sets it up, so that Wine's adapter list reports a point-to-point adapter named NAME; "down NAME"
deletes it.

Protocol, in FOLDER (the prefix's C:\\tolvex-e2e):
  link-request-TOKEN   written by the requester (complete before it gets this name), one line
                       "up NAME" or "down NAME"; TOKEN is the requester's own (e.g. its pid)
  link-reply-TOKEN     this daemon's answer, "ok" or "failed: REASON", made complete before it
                       gets this name; the requester reads and deletes it
  link-state.log       every handled request, one line "up|down NAME ok|failed: ..."

    linkd.py FOLDER
"""
import fcntl
import os
import struct
import subprocess
import sys
import time

TUNSETIFF = 0x400454CA
TUNSETPERSIST = 0x400454CB
TUNSETLINK = 0x400454CD
IFF_TUN = 0x0001
IFF_NO_PI = 0x1000
ARPHRD_PPP = 512
REQUEST_PREFIX = "link-request-"
REPLY_PREFIX = "link-reply-"


def link_up(name):
    fd = os.open("/dev/net/tun", os.O_RDWR)
    try:
        fcntl.ioctl(fd, TUNSETIFF, struct.pack("16sH", name.encode(), IFF_TUN | IFF_NO_PI))
        fcntl.ioctl(fd, TUNSETLINK, ARPHRD_PPP)
        fcntl.ioctl(fd, TUNSETPERSIST, 1)
    finally:
        os.close(fd)
    subprocess.run(["ip", "link", "set", name, "up"], check=True)


def link_down(name):
    subprocess.run(["ip", "link", "delete", name], check=False, stderr=subprocess.DEVNULL)


def carry_out(request):
    words = request.split()
    if len(words) != 2 or words[0] not in ("up", "down") or not 0 < len(words[1]) < 16:
        return "?", "?", "failed: not understood: %r" % request
    action, name = words
    try:
        (link_up if action == "up" else link_down)(name)
        return action, name, "ok"
    except (OSError, subprocess.CalledProcessError) as error:
        return action, name, "failed: %s" % error


def write_complete(path, text):
    partial = path + ".partial"
    with open(partial, "w", encoding="ascii", errors="replace") as f:
        f.write(text)
    os.rename(partial, path)


def serve(folder):
    log_path = os.path.join(folder, "link-state.log")
    while True:
        try:
            names = sorted(n for n in os.listdir(folder) if n.startswith(REQUEST_PREFIX) and "." not in n)
        except FileNotFoundError:
            os.makedirs(folder, exist_ok=True)
            names = []
        for request_name in names:
            path = os.path.join(folder, request_name)
            try:
                with open(path, encoding="ascii", errors="replace") as f:
                    request = f.read()
                os.remove(path)
            except FileNotFoundError:
                continue
            action, name, outcome = carry_out(request)
            with open(log_path, "a", encoding="ascii") as log:
                log.write("%s %s %s\n" % (action, name, outcome))
            token = request_name[len(REQUEST_PREFIX):]
            write_complete(os.path.join(folder, REPLY_PREFIX + token), outcome + "\n")
        time.sleep(0.02)


if __name__ == "__main__":
    os.makedirs(sys.argv[1], exist_ok=True)
    serve(sys.argv[1])
