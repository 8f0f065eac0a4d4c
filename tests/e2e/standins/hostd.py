#!/usr/bin/env python3
"""The Linux half of the sandbox, run in the session's private network namespace:
    hostd.py FOLDER [SCREENSHOTS]
A Windows program under Wine can neither make a network device nor take a picture of the X
display; it hands a request over as a file FOLDER/host-request-TOKEN (complete before it gets that
name), an action and its arguments, a line each:
  up NAME          a persistent TUN device of link type PPP named NAME, set up: Wine lists it as a
                   point-to-point adapter (the stand-in dialer's -d)
  down NAME        that device deleted (its -h)
  screenshot NAME  the whole display saved as SCREENSHOTS/NAME.png by ImageMagick's import
  link PATH [TO]   a symbolic link at PATH (C:\...) to TO, or without TO the link at PATH removed:
                   Wine follows links in every file call, a delete or rename included
The answer, "ok" or "failed: WHY", goes to FOLDER/host-reply-TOKEN, again complete before it gets
its name."""
import fcntl, os, struct, subprocess, sys, time

TUNSETIFF, TUNSETPERSIST, TUNSETLINK = 0x400454CA, 0x400454CB, 0x400454CD
IFF_TUN, IFF_NO_PI, ARPHRD_PPP = 0x0001, 0x1000, 512


def link_up(name):
    fd = os.open("/dev/net/tun", os.O_RDWR)
    try:
        fcntl.ioctl(fd, TUNSETIFF, struct.pack("16sH", name.encode(), IFF_TUN | IFF_NO_PI))
        fcntl.ioctl(fd, TUNSETLINK, ARPHRD_PPP)
        fcntl.ioctl(fd, TUNSETPERSIST, 1)
    finally:
        os.close(fd)
    subprocess.run(["ip", "link", "set", name, "up"], check=True)


def carry_out(request, drive_c, screenshots):
    action, name, *to = request.rstrip("\n").split("\n")
    if action == "up":
        link_up(name)
    elif action == "down":
        subprocess.run(["ip", "link", "delete", name], stderr=subprocess.DEVNULL)
    elif action == "screenshot" and screenshots:
        subprocess.run(["import", "-window", "root", os.path.join(screenshots, name + ".png")], check=True)
    elif action == "link":
        unix = lambda path: os.path.join(drive_c, path[3:].replace("\\", "/"))
        os.remove(unix(name)) if not to else os.symlink(unix(to[0]), unix(name))


def serve(folder, screenshots):
    while True:
        for request in [n for n in os.listdir(folder) if n.startswith("host-request-") and "." not in n]:
            path = os.path.join(folder, request)
            with open(path) as f:
                text = f.read()
            os.remove(path)
            try:
                carry_out(text, os.path.dirname(folder), screenshots)
                answer = "ok"
            except (OSError, ValueError, subprocess.CalledProcessError) as error:
                answer = "failed: %s" % error
            reply = os.path.join(folder, request.replace("request", "reply"))
            with open(reply + ".partial", "w") as f:
                f.write(answer + "\n")
            os.rename(reply + ".partial", reply)
        time.sleep(0.02)


if __name__ == "__main__":
    os.makedirs(sys.argv[1], exist_ok=True)
    serve(sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else "")
