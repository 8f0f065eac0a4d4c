#!/usr/bin/env python3
"""The Linux half of the stand-in dialer, run in the session's private network namespace:
    linkd.py FOLDER
A Windows program cannot make a network device; the dialer hands a request over as a file
FOLDER/link-request-TOKEN holding "up NAME" or "down NAME" (complete before it gets that name).
"up" makes a persistent TUN device of link type PPP named NAME and sets it up, which Wine lists as
a point-to-point adapter; "down" deletes it. The answer, "ok" or "failed: WHY", goes to
FOLDER/link-reply-TOKEN, again complete before it gets its name."""
import fcntl, os, struct, subprocess, sys, time

TUNSETIFF, TUNSETPERSIST, TUNSETLINK = 0x400454CA, 0x400454CB, 0x400454CD
IFF_TUN, IFF_NO_PI, ARPHRD_PPP = 0x0001, 0x1000, 512


def carry_out(request):
    action, name = request.split()
    if action == "down":
        subprocess.run(["ip", "link", "delete", name], stderr=subprocess.DEVNULL)
        return
    fd = os.open("/dev/net/tun", os.O_RDWR)
    try:
        fcntl.ioctl(fd, TUNSETIFF, struct.pack("16sH", name.encode(), IFF_TUN | IFF_NO_PI))
        fcntl.ioctl(fd, TUNSETLINK, ARPHRD_PPP)
        fcntl.ioctl(fd, TUNSETPERSIST, 1)
    finally:
        os.close(fd)
    subprocess.run(["ip", "link", "set", name, "up"], check=True)


def serve(folder):
    while True:
        for request in [n for n in os.listdir(folder) if n.startswith("link-request-") and "." not in n]:
            path = os.path.join(folder, request)
            with open(path) as f:
                text = f.read()
            os.remove(path)
            try:
                carry_out(text)
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
    serve(sys.argv[1])
