#!/usr/bin/env python3
# Usage: scripts/pe-resources.py FILE.exe list|dump TYPE|version|icons — reads the resource section of a PE file: lists the resources, writes one resource's bytes, prints the version strings or the icon sizes.
import struct
import sys

RT_ICON, RT_GROUP_ICON, RT_VERSION = 3, 14, 16


def load(path):
    """Resources as {(type, name, lang): bytes} and the largest directory time stamp."""
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        sys.exit(f"{path}: not a PE file")
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    rsrc_rva, rsrc_size = struct.unpack_from("<II", data, directories + 2 * 8)
    if not rsrc_size:
        return {}, 0

    def offset(rva):
        table = optional + optional_size
        for i in range(sections):
            size, va, raw_size, raw = struct.unpack_from("<8xIIII", data, table + 40 * i)
            if va <= rva < va + max(size, raw_size):
                return raw + rva - va
        sys.exit(f"{path}: RVA {rva:#x} is in no section")

    base = offset(rsrc_rva)
    resources, stamps = {}, [0]

    def walk(at, path):
        stamp, named, ids = struct.unpack_from("<4xI4xHH", data, base + at)
        stamps.append(stamp)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, base + at + 16 + 8 * i)
            if name & 0x80000000:  # a counted UTF-16 string
                start = base + (name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", data, start)[0]
                name = data[start + 2:start + 2 + 2 * length].decode("utf-16-le")
            if target & 0x80000000:
                walk(target & 0x7FFFFFFF, path + (name,))
            else:
                rva, size = struct.unpack_from("<II", data, base + target)
                resources[path + (name,)] = data[offset(rva):offset(rva) + size]

    walk(0, ())
    return resources, max(stamps)


def of_type(resources, kind):
    return [value for key, value in sorted(resources.items(), key=str) if key[0] == kind]


def version_strings(blob):
    """Key/value pairs of a VS_VERSIONINFO tree, plus the fixed file version."""
    pairs = {}

    def node(at):
        length, value_length, text = struct.unpack_from("<HHH", blob, at)
        end = at + 6
        while blob[end:end + 2] != b"\0\0":
            end += 2
        key = blob[at + 6:end].decode("utf-16-le")
        value = (end + 2 + 3) & ~3
        if key == "VS_VERSION_INFO" and value_length >= 52:
            ms, ls = struct.unpack_from("<II", blob, value + 8)
            pairs["FixedFileVersion"] = f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
        elif text == 1 and value_length:
            pairs[key] = blob[value:value + 2 * value_length].decode("utf-16-le").rstrip("\0")
        child = (value + (2 * value_length if text == 1 else value_length) + 3) & ~3
        while child < at + length:
            child = (node(child) + 3) & ~3
        return at + length

    node(0)
    return pairs


def main():
    if len(sys.argv) < 3:
        sys.exit(open(__file__).read().splitlines()[1])
    resources, stamp = load(sys.argv[1])
    command = sys.argv[2]
    if command == "list":
        for key, value in sorted(resources.items(), key=str):
            print("/".join(map(str, key)), len(value))
        print("directory-timestamp", stamp)
    elif command == "dump":
        for value in of_type(resources, int(sys.argv[3]))[:1]:
            sys.stdout.buffer.write(value)
    elif command == "version":
        for blob in of_type(resources, RT_VERSION)[:1]:
            for key, value in version_strings(blob).items():
                print(f"{key}={value}")
    elif command == "icons":
        icons = {key[1] for key in resources if key[0] == RT_ICON}
        for group in of_type(resources, RT_GROUP_ICON):
            count = struct.unpack_from("<H", group, 4)[0]
            for i in range(count):
                width, height, icon_id = struct.unpack_from("<BB10xH", group, 6 + 14 * i)
                state = "present" if icon_id in icons else "missing"
                print(f"{width or 256}x{height or 256} {state}")
    else:
        sys.exit(f"unknown command {command}")


if __name__ == "__main__":
    main()
