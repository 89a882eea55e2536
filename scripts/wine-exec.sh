#!/usr/bin/env bash
# Runs a Windows program under 32-bit Wine with the project's own prefix and the players' locale.
# CTest uses it as the emulator for every test executable.
# shellcheck source=wine-env.sh
source "$(cd "$(dirname "$0")" && pwd)/wine-env.sh"
exec wine "$@"
