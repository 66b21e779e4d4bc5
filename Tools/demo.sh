#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The demo: sets up the packages, builds Grabbit, makes a sandboxed Mac with the stand-in Mail and
# walks through an install and an OS update, saying what happens at each step.
#
#   bash Tools/demo.sh
#
# Environment: GRABBIT_DEMO_OS (the sandbox's macOS, default 10.12.6), GRABBIT_DEMO_UPDATE_OS (the
# OS after the update; default a version whose Mail has another compatibility identifier),
# GRABBIT_DEMO_BUILD (the build folder, default "build"). Without DISPLAY the windows are shown on a
# private X server and saved as screenshots; on a desktop they are real windows, and the demo asks
# you to click the installer's buttons yourself when it runs in a terminal.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

os="${GRABBIT_DEMO_OS:-10.12.6}"
if [[ "$os" == 10.11* ]]; then
    update_os="${GRABBIT_DEMO_UPDATE_OS:-10.12.6}"
else
    update_os="${GRABBIT_DEMO_UPDATE_OS:-10.11.6}"
fi
build="${GRABBIT_DEMO_BUILD:-build}"

say() {
    printf '\n==> %s\n' "$*"
}

detail() {
    printf '    %s\n' "$@"
}

say "Setting up the Debian packages and building Grabbit (this takes a while the first time)."
bash Tools/setup-debian.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target GrabbitInstaller grabbitctl defaults MailStandIn \
    mail-stand-in-control make-sandbox ZephMailMessageServiceEnablerArchive screenshot
build="$(cd "$build" && pwd)"
app="$build/GrabbitInstaller.app"
installer="$app/Contents/MacOS/GrabbitInstaller"
grabbitctl="$app/Contents/MacOS/grabbitctl"
control="$build/Tools/MailStandIn/mail-stand-in-control"
make_sandbox="$build/Tools/SimulatedMac/make-sandbox"

work="$(mktemp -d "${TMPDIR:-/tmp}/grabbit-demo.XXXXXX")"
sandbox="$work/mac"
screenshots="$work/screenshots"
mkdir -p "$screenshots" "$work/tmp"
started=()
installer_pid=""

# Mail reopened by the installer runs detached, and GNUstep starts its pasteboard and notification
# servers on its own: make-sandbox stop ends them all with the sandbox's own processes.
cleanup() {
    local pid
    for pid in $installer_pid "${started[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    [[ ! -d "$sandbox" ]] || "$make_sandbox" stop "$sandbox"
    rm -rf "$sandbox" "$work/tmp"
}
trap cleanup EXIT

# A private X server when there is no display; the demo then keeps what it showed as screenshots.
if [[ -z "${DISPLAY:-}" ]]; then
    Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x800x24 3>"$work/display" 2>/dev/null &
    started+=("$!")
    for _ in $(seq 100); do
        [[ -s "$work/display" ]] && break
        sleep 0.1
    done
    [[ -s "$work/display" ]] || { echo "demo: Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(head -n 1 "$work/display")"
    interactive=false
    say "No display: windows go to a private X server ($DISPLAY); screenshots are saved in $screenshots."
else
    [[ -t 0 ]] && interactive=true || interactive=false
fi

# A private session bus when there is none, watched so that the demo can show the notification.
if [[ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]]; then
    dbus-daemon --session --nofork --print-address=3 3>"$work/bus" 2>>"$work/bus.log" &
    started+=("$!")
    for _ in $(seq 100); do
        [[ -s "$work/bus" ]] && break
        sleep 0.1
    done
    export DBUS_SESSION_BUS_ADDRESS="$(head -n 1 "$work/bus")"
fi
dbus-monitor --session "interface='org.freedesktop.Notifications',member='Notify'" >"$work/notifications" 2>&1 &
started+=("$!")

say "Making a sandboxed Mac with macOS $os and the stand-in Mail in $sandbox."
"$make_sandbox" create "$sandbox" --os "$os" --mail-executable "$build/Tools/MailStandIn/Mail"
# shellcheck disable=SC1091
source "$sandbox/environment"
export HOME GRABBIT_SYSTEM_ROOT
# GNUstep names its servers' ports under TEMP, else TMPDIR: the demo's Mail keeps its own
# pasteboard server.
export TEMP="$work/tmp" TMPDIR="$work/tmp" QT_QPA_PLATFORM=xcb
unset GRABBIT_MAIL_CONTROL_SOCKET GRABBIT_MAIN_BUNDLE
socket="$HOME/.mail-stand-in.sock"
mail="$GRABBIT_SYSTEM_ROOT/Applications/Mail.app/Contents/MacOS/Mail"

mail_pids() {
    local entry
    for entry in /proc/[0-9]*; do
        [[ "$(readlink "$entry/exe" 2>/dev/null || true)" == "$mail" ]] && echo "${entry#/proc/}"
    done
    return 0
}

ask_mail() {
    "$control" "$socket" "$@"
}

wait_for_mail() {
    for _ in $(seq 200); do
        ask_mail ping >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "demo: Mail does not answer" >&2
    exit 1
}

start_mail() {
    "$mail" >>"$work/mail.log" 2>&1 &
    wait_for_mail
}

quit_mail() {
    ask_mail quit >/dev/null
    for _ in $(seq 100); do
        [[ -z "$(mail_pids)" ]] && return 0
        sleep 0.1
    done
}

status_field() {
    ask_mail status | tr '\t' '\n' | sed -n "s/^$1=//p"
}

state() {
    "$grabbitctl" state
}

show_services() {
    ask_mail "select 0 2" >/dev/null
    local answer
    answer="$(ask_mail services || true)"
    if [[ "$answer" != text* ]]; then
        detail "Mail answered: $answer"
        return
    fi
    detail "The Services request handed over the first and the third message in full:"
    printf '%b\n' "${answer#text }" | sed 's/^/        | /'
}

screenshot() {
    sleep 1
    "$build/Tools/Screenshot/screenshot" "$screenshots/$1.png" 2>>"$work/installer.log" &&
        detail "Screenshot: $screenshots/$1.png"
}

open_installer() {
    "$installer" "$@" >>"$work/installer.log" 2>&1 &
    installer_pid=$!
    for _ in $(seq 100); do
        xwininfo -name "Taskwell Grabbit" 2>/dev/null | grep -q "IsViewable" && return 0
        sleep 0.1
    done
    detail "(the installer's window did not appear; see $work/installer.log)"
}

close_installer() {
    [[ -n "$installer_pid" ]] || return 0
    kill "$installer_pid" 2>/dev/null || true
    wait "$installer_pid" 2>/dev/null || true
    installer_pid=""
}

# On a desktop the user clicks; otherwise grabbitctl runs the same engine as the window's button.
install_or_update() {
    local button="$1"
    if $interactive; then
        printf '    Click "%s" in the installer'\''s window (and answer its questions); the demo goes on once the plug-in is up to date.\n' "$button"
        until [[ "$(state)" == 3* ]]; do sleep 0.5; done
        close_installer
        return
    fi
    close_installer
    detail "No one to click here: grabbitctl runs what the \"$button\" button runs."
    "$grabbitctl" install >>"$work/installer.log" 2>&1
}

say "Starting the stand-in Mail; plug-ins are still off in its preferences."
start_mail
detail "Mail runs as process $(mail_pids); plug-ins loaded: \"$(status_field bundles-loaded)\"."
detail "The installer sees the plug-in in state: $(state)"

say "Opening the installer's window."
open_installer
screenshot 1-before-install

say "Installing: the installer quits Mail, unpacks the plug-in, switches on plug-ins, stamps it and reopens Mail."
before="$(mail_pids)"
install_or_update Install
wait_for_mail
detail "Mail was quit (process $before) and reopened (process $(mail_pids)) without coming to the front: launched-without-activation=$(status_field launched-without-activation)."
detail "Mail loaded: $(status_field bundles-loaded)"
detail "The installer now says: $(state)"
show_services
open_installer
screenshot 2-installed
close_installer

say "Updating the sandbox's OS from $os to $update_os: Mail's Info.plist changes, and so does its compatibility identifier."
if [[ "$update_os" == 10.11* && "$os" == 10.12* ]]; then
    detail "(No macOS after $os and before High Sierra, which needs no plug-in, brings a Mail with a new" \
        "identifier, so the demo puts $update_os's Mail in its place: to Mail and the installer it is the same" \
        "as an update.)"
fi
"$make_sandbox" update-os "$sandbox" "$update_os"
quit_mail
start_mail
detail "Mail restarted and set the plug-in aside: $(status_field bundles-moved)"
grep "Incompatible plug-in" "$work/mail.log" | tail -n 1 | sed 's/^/    Mail says: /'
detail "The Services request now finds no plug-in: $(ask_mail services || true)"
detail "The installer sees: $(state)"

say "Logging in again: the login item starts the installer with --launched-at-login."
open_installer --launched-at-login
sleep 1
if grep -q '"Update Grabbit"' "$work/notifications"; then
    detail "It noticed the stale plug-in, showed its window and posted the notification \"Update Grabbit\"."
else
    detail "It noticed the stale plug-in and showed its window (the desktop showed the notification)."
fi
screenshot 3-login-time-launch

say "Updating: the installer re-stamps the plug-in for the new Mail and reopens Mail."
before="$(mail_pids)"
install_or_update Update
wait_for_mail
detail "Mail was quit (process $before) and reopened (process $(mail_pids))."
detail "Mail loaded: $(status_field bundles-loaded)"
detail "The installer now says: $(state)"
show_services
open_installer
screenshot 4-updated
close_installer

say "Done. Every process the demo started is stopped on the way out."
detail "Logs of Mail and the installer: $work"
[[ -z "$(ls -A "$screenshots")" ]] || detail "Screenshots: $screenshots"
