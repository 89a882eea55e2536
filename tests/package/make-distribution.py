#!/usr/bin/env python3
"""Makes the engine's Windows 32-bit distribution for the packaging tests, in the real layout and naming, from the
engine stand-in and placeholder files: the unpacked folder, its .tar.bz2 and the _minimal .tar.bz2.

Usage: make-distribution.py <bin dir> <out dir>

Every placeholder holds its own path in the distribution, so that a test can tell which file landed where. The
folder also carries what a distribution holds that must never reach players: import libraries, the debug build,
the release symbols (as a packager who debugs crashes unpacks them beside their libraries), the headers, the
wrapper's and the sample programs' sources and the build files.
"""
import os
import shutil
import sys
import tarfile

NAME = "cef_binary_74.1.19+gb62bacf+chromium-74.0.3729.157_windows32"

LOCALES = ("am ar bg bn ca cs da de el en-GB en-US es es-419 et fa fi fil fr gu he hi hr hu id it ja kn ko lt lv ml "
           "mr ms nb nl pl pt-BR pt-PT ro ru sk sl sr sv sw ta te th tr uk vi zh-CN zh-TW").split()

BUILD = ["cef_sandbox.lib", "chrome_elf.dll", "d3dcompiler_47.dll", "libcef.lib", "libEGL.dll", "libGLESv2.dll",
         "natives_blob.bin", "snapshot_blob.bin", "v8_context_snapshot.bin", "swiftshader/libEGL.dll",
         "swiftshader/libGLESv2.dll"]
SYMBOLS = ["libcef.dll.pdb", "chrome_elf.dll.pdb"]
RESOURCES = ["cef.pak", "cef_100_percent.pak", "cef_200_percent.pak", "cef_extensions.pak", "devtools_resources.pak",
             "icudtl.dat"] + ["locales/%s.pak" % l for l in LOCALES]
TOP = ["CMakeLists.txt", "LICENSE.txt", "README.txt"]
SOURCES = ["cmake/cef_macros.cmake", "cmake/cef_variables.cmake", "cmake/FindCEF.cmake",
           "include/cef_app.h", "include/cef_version.h", "include/capi/cef_app_capi.h",
           "include/internal/cef_types.h", "libcef_dll/CMakeLists.txt", "libcef_dll/wrapper/libcef_dll_wrapper.cc"]
SAMPLES = ["tests/cefclient/CMakeLists.txt", "tests/cefclient/cefclient_win.cc", "tests/cefsimple/CMakeLists.txt",
           "tests/cefsimple/cefsimple_win.cc", "tests/ceftests/CMakeLists.txt", "tests/gtest/CMakeLists.txt",
           "tests/shared/CMakeLists.txt"]


def write(root, rel, data=None):
    path = os.path.join(root, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data if data is not None else ("placeholder of %s\n" % rel).encode())


def lay_out(root, bin_dir, minimal):
    with open(os.path.join(bin_dir, "cef", "libcef.dll"), "rb") as f:
        release_library = f.read()
    with open(os.path.join(bin_dir, "standin-variants", "debug", "libcef.dll"), "rb") as f:
        debug_library = f.read()
    for rel in TOP + SOURCES + ["Resources/" + r for r in RESOURCES] + ["Release/" + b for b in BUILD]:
        write(root, rel)
    write(root, "Release/libcef.dll", release_library)
    if minimal:
        return
    for rel in ["Release/" + s for s in SYMBOLS] + ["Debug/" + b for b in BUILD] + SAMPLES:
        write(root, rel)
    write(root, "Debug/libcef.dll", debug_library)


def archive(out_dir, name, bin_dir, minimal):
    staging = os.path.join(out_dir, "staging")
    shutil.rmtree(staging, ignore_errors=True)
    lay_out(os.path.join(staging, name), bin_dir, minimal)
    with tarfile.open(os.path.join(out_dir, name + ".tar.bz2"), "w:bz2") as tar:
        tar.add(os.path.join(staging, name), arcname=name)
    shutil.rmtree(staging)


def main():
    bin_dir, out_dir = sys.argv[1], sys.argv[2]
    shutil.rmtree(out_dir, ignore_errors=True)
    os.makedirs(out_dir)
    lay_out(os.path.join(out_dir, NAME), bin_dir, minimal=False)
    archive(out_dir, NAME, bin_dir, minimal=False)
    archive(out_dir, NAME + "_minimal", bin_dir, minimal=True)


if __name__ == "__main__":
    main()
