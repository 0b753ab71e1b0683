#!/usr/bin/env python3
"""Reads the per-user settings file (a text tree of objects with counted binary values) on
its own, without the library, and prints the entries of one store as JSON lines:
{"name": <UTF-8 name>, "type": ..., "len": N, "zero_tail": <zero bytes at the value's end>, "ends_in_512_zeros": bool,
 "sha_prefix": <first 16 hex digits of the value's SHA-256>}.

Usage: read_settings_file.py FILE [STORE]   (STORE defaults to "savesetting")
"""
import hashlib
import json
import re
import sys

HEADER = re.compile(rb"<object:(.*?),type:([^,]*),len:(-?\d+),childobjs:(-?\d+)>")


class Node:
    def __init__(self, name, kind, value):
        self.name, self.kind, self.value, self.children = name, kind, value, []


def parse(data):
    """Depth-first: a header, its value bytes when len > 0 (counted, never scanned), its
    children, then "<endobj>"."""
    root, stack, at = None, [], 0
    while at < len(data):
        start = data.find(b"<", at)
        if start < 0:
            break
        if data.startswith(b"<endobj>", start):
            if stack:
                stack.pop()
            at = start + len(b"<endobj>")
            continue
        match = HEADER.match(data, start)
        if not match:
            raise ValueError("bad header at %d" % start)
        name, kind = match.group(1).decode("utf-8"), match.group(2).decode("ascii")
        length = int(match.group(3))
        at = match.end()
        value = b""
        if length > 0:
            value = data[at:at + length]
            at += length
        node = Node(name, kind, value)
        if stack:
            stack[-1].children.append(node)
        elif root is None:
            root = node
        stack.append(node)
    return root


def child(node, name):
    for c in node.children:
        if c.name == name:
            return c
    return None


def main():
    path = sys.argv[1]
    store = sys.argv[2] if len(sys.argv) > 2 else "savesetting"
    with open(path, "rb") as f:
        root = parse(f.read())
    if root is None or root.name != "cfgobj" or child(root, "version") is None:
        print("not a settings file", file=sys.stderr)
        return 2
    params = child(root, "UIParam")
    node = child(params, store) if params else None
    for entry in node.children if node else []:
        value = entry.value
        tail = len(value) - len(value.rstrip(b"\0"))
        line = json.dumps({"name": entry.name, "type": entry.kind, "len": len(value), "zero_tail": tail,
                          "ends_in_512_zeros": len(value) >= 512 and value[-512:] == bytes(512),
                          "sha_prefix": hashlib.sha256(value).hexdigest()[:16]}, ensure_ascii=False)
        # UTF-8 whatever the locale says: the names are compared byte for byte.
        sys.stdout.buffer.write((line + "\n").encode("utf-8"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
