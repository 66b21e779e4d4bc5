#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The demo: sets up the packages, builds Grabbit, makes a sandboxed Mac with the stand-in Mail and
# shows what the installer sees there.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash Tools/setup-debian.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"

sandbox="$(mktemp -d "${TMPDIR:-/tmp}/grabbit-demo.XXXXXX")"
bash Tools/make-sandbox.sh create "$sandbox" --os "${GRABBIT_DEMO_OS:-10.12.6}" \
    --mail-executable build/Tools/MailStandIn/Mail
# shellcheck disable=SC1091
source "$sandbox/environment"
export HOME GRABBIT_SYSTEM_ROOT

echo "A sandboxed Mac is ready in $sandbox."
echo "The installer sees the plug-in in this state:"
build/GrabbitInstaller.app/Contents/MacOS/grabbitctl state
build/GrabbitInstaller.app/Contents/MacOS/grabbitctl state --json
