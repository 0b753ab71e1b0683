#!/usr/bin/env python3
"""pipe_close_server.py NAME... : serves the named pipes \\\\.\\pipe\\NAME of the machine that
PLATFORM_ROOT names, written apart from the stand-in from its socket layout alone:

  <root>/pipes/<folded name>/<id>.sock   a listening sequenced-packet Unix socket
  <root>/pipes/<folded name>/<id>.claim  the file a connected client holds locked
  <root>/pipes/<folded name>/<id>.info   "message <pid> <start time>", written last

The name is folded to lower case; characters other than ASCII letters, digits, '-' and '_'
are written %XXXX. Prints "listening" once every pipe exists, then "message NAME HEX" for
each message (one packet is one message). Ends when its standard input ends."""
import os
import select
import socket
import sys


def folder_name(name):
    out = []
    for ch in name.lower():
        if ch.isascii() and (ch.isalnum() or ch in "-_"):
            out.append(ch)
        else:
            out.append("%%%04X" % ord(ch))
    return "".join(out)


def start_time():
    with open("/proc/self/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return fields[19]


def main():
    root = os.environ["PLATFORM_ROOT"]
    listeners = {}
    for index, name in enumerate(sys.argv[1:]):
        folder = os.path.join(root, "pipes", folder_name(name))
        os.makedirs(folder, exist_ok=True)
        base = os.path.join(folder, "py%d-%d" % (os.getpid(), index))
        listener = socket.socket(socket.AF_UNIX, socket.SOCK_SEQPACKET)
        listener.bind(base + ".sock")
        listener.listen(4)
        open(base + ".claim", "w").close()
        with open(base + ".info.tmp", "w") as info:
            info.write("message %d %s\n" % (os.getpid(), start_time()))
        os.rename(base + ".info.tmp", base + ".info")
        listeners[listener] = name
    print("listening", flush=True)
    clients = {}
    while True:
        ready, _, _ = select.select([sys.stdin] + list(listeners) + list(clients), [], [])
        for item in ready:
            if item is sys.stdin:
                if not sys.stdin.buffer.read1(64):
                    return
            elif item in listeners:
                connection, _ = item.accept()
                clients[connection] = listeners[item]
            else:
                message = item.recv(65536)
                if not message:
                    del clients[item]
                    item.close()
                else:
                    print("message %s %s" % (clients[item], message.hex()), flush=True)


if __name__ == "__main__":
    main()
