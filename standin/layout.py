#!/usr/bin/env python3
"""Lays out the engine folder beside the client and the test variants.

Usage: layout.py <bin dir> <stand-in dll>
Writes placeholders for every engine file the start-up check requires (never
overwriting a real file), the x64-marked copy, the copy marked as a debug build
and the file that is no library.
"""
import os
import struct
import sys

PLACEHOLDERS = [
    "chrome_elf.dll", "d3dcompiler_47.dll", "libEGL.dll", "libGLESv2.dll",
    "swiftshader/libEGL.dll", "swiftshader/libGLESv2.dll", "icudtl.dat",
    "natives_blob.bin", "snapshot_blob.bin", "v8_context_snapshot.bin", "cef.pak",
    "cef_100_percent.pak", "cef_200_percent.pak", "cef_extensions.pak",
    "devtools_resources.pak", "locales/zh-CN.pak",
]


def write_if_missing(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if not os.path.exists(path):
        with open(path, "wb") as f:
            f.write(data)


def main():
    bin_dir, dll = sys.argv[1], sys.argv[2]
    cef = os.path.join(bin_dir, "cef")
    for name in PLACEHOLDERS:
        write_if_missing(os.path.join(cef, name), b"engine stand-in placeholder\n")

    variants = os.path.join(bin_dir, "standin-variants")
    with open(dll, "rb") as f:
        image = bytearray(f.read())
    pe = struct.unpack_from("<I", image, 60)[0]
    if image[:2] != b"MZ" or image[pe:pe + 4] != b"PE\0\0":
        sys.exit("not a PE image: " + dll)
    struct.pack_into("<H", image, pe + 4, 0x8664)  # IMAGE_FILE_MACHINE_AMD64
    os.makedirs(os.path.join(variants, "x64"), exist_ok=True)
    with open(os.path.join(variants, "x64", "libcef.dll"), "wb") as f:
        f.write(image)

    # The engine's build marks its debug library in the version resource's flags.
    with open(dll, "rb") as f:
        image = bytearray(f.read())
    signature = struct.pack("<I", 0xFEEF04BD)  # VS_FIXEDFILEINFO's
    if image.count(signature) != 1:
        sys.exit("not exactly one version resource's fixed part: " + dll)
    fixed = image.find(signature)
    mask, flags = struct.unpack_from("<II", image, fixed + 24)
    struct.pack_into("<II", image, fixed + 24, mask | 0x1, flags | 0x1)  # VS_FF_DEBUG
    os.makedirs(os.path.join(variants, "debug"), exist_ok=True)
    with open(os.path.join(variants, "debug", "libcef.dll"), "wb") as f:
        f.write(image)

    os.makedirs(os.path.join(variants, "not_a_library"), exist_ok=True)
    with open(os.path.join(variants, "not_a_library", "libcef.dll"), "wb") as f:
        f.write(b"This file is named libcef.dll but is no library.\n")


if __name__ == "__main__":
    main()
