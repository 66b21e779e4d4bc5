#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds a simulated Mac for the stand-in Mail: a system root and a home folder for one macOS version.
#
#   make-sandbox.sh create DIR [--os VERSION] --mail-executable PATH
#   make-sandbox.sh update-os DIR VERSION
#
# "create" makes DIR/root, DIR/home and DIR/environment (HOME and GRABBIT_SYSTEM_ROOT, for `source`).
# "update-os" replaces Mail's Info.plist, SystemVersion.plist and the Message framework's Info.plist of
# an existing sandbox with those of another version; restart Mail afterwards, as after a real update.
# Mail's Info.plists come from tests/data/mail-info-plists (GRABBIT_MAIL_INFO_PLISTS overrides).
set -euo pipefail

script_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
info_plists="${GRABBIT_MAIL_INFO_PLISTS:-$script_dir/../tests/data/mail-info-plists}"
default_os=10.12.6

mail_contents=Applications/Mail.app/Contents
message_info=System/Library/Frameworks/Message.framework/Resources/Info.plist
system_version=System/Library/CoreServices/SystemVersion.plist
preferences=Library/Containers/com.apple.mail/Data/Library/Preferences/com.apple.mail.plist

usage() {
    cat >&2 <<EOF
usage: $(basename "$0") create DIR [--os VERSION] --mail-executable PATH
       $(basename "$0") update-os DIR VERSION
EOF
    exit 2
}

fail() {
    echo "make-sandbox: $*" >&2
    exit 1
}

# A build such as "16G1408" or "12f23"; names like "Supp" or "SecUpd2012_004" carry none.
is_build() {
    [[ "$1" =~ ^[0-9]+[A-Za-z][0-9]+[a-z]?$ ]]
}

# Apple writes the build's letter in upper case ("12F23"); a trailing beta letter stays lower case.
normalized_build() {
    local build="$1"
    [[ "$build" =~ ^([0-9]+)([A-Za-z])(.*)$ ]]
    echo "${BASH_REMATCH[1]}${BASH_REMATCH[2]^^}${BASH_REMATCH[3]}"
}

# The file prefix of VERSION in the data folder: "10.9" is filed as "10.9.0" for the older releases.
version_prefix() {
    local version="$1"
    if compgen -G "$info_plists/$version-[Mm]ail-*" >/dev/null; then
        echo "$version"
    elif [[ "$version" =~ ^[0-9]+\.[0-9]+$ ]] && compgen -G "$info_plists/$version.0-[Mm]ail-*" >/dev/null; then
        echo "$version.0"
    fi
}

# Prints "FILE BUILD" for Mail's Info.plist of VERSION: the last build when several exist, else the
# file without a build in its name (BUILD then empty), else any file of that version.
mail_info_plist() {
    local prefix="$1" path name middle build best_file="" best_build="" plain="" other=""
    for path in "$info_plists/$prefix"-[Mm]ail-*; do
        name="$(basename "$path")"
        if [[ "$name" == "$prefix-Mail-Info.plist" ]]; then
            plain="$name"
            continue
        fi
        middle="${name#"$prefix"-[Mm]ail-}"
        build="${middle%-[Ii]nfo.plist}"
        if ! is_build "$build"; then
            other="$name"
            continue
        fi
        build="$(normalized_build "$build")"
        if [[ -z "$best_build" || "$(printf '%s\n%s\n' "$best_build" "$build" | sort -V | tail -n 1)" == "$build" ]]; then
            best_build="$build"
            best_file="$name"
        fi
    done
    if [[ -n "$best_file" ]]; then
        echo "$best_file $best_build"
    elif [[ -n "$plain" ]]; then
        echo "$plain"
    elif [[ -n "$other" ]]; then
        echo "$other"
    fi
}

# Message.framework's Info.plist filed beside Mail's (up to 10.8), or nothing.
message_info_plist() {
    local mail_file="$1" message_file
    message_file="${mail_file/-mail-/-message-}"
    message_file="${message_file/-Mail-/-Message-}"
    if [[ "$message_file" != "$mail_file" && -f "$info_plists/$message_file" ]]; then
        echo "$message_file"
    fi
}

# ProductVersion as macOS writes it: "10.9", not "10.9.0".
product_version() {
    local prefix="$1"
    if [[ "$prefix" =~ ^([0-9]+\.[0-9]+)\.0$ ]]; then
        echo "${BASH_REMATCH[1]}"
    else
        echo "$prefix"
    fi
}

write_system_version() {
    local file="$1" version="$2" build="$3" build_entry=""
    if [[ -n "$build" ]]; then
        build_entry="	<key>ProductBuildVersion</key>
	<string>$build</string>
"
    fi
    cat >"$file.new" <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
${build_entry}	<key>ProductCopyright</key>
	<string>1983-2018 Apple Inc.</string>
	<key>ProductName</key>
	<string>Mac OS X</string>
	<key>ProductUserVisibleVersion</key>
	<string>$version</string>
	<key>ProductVersion</key>
	<string>$version</string>
</dict>
</plist>
EOF
    mv "$file.new" "$file"
}

# Prints "PREFIX MAIL_FILE [BUILD]" for VERSION, or fails with a clear message.
resolve_version() {
    local version="$1" prefix chosen
    [[ "$version" =~ ^[0-9]+(\.[0-9]+)*$ ]] || fail "not a macOS version: \"$version\""
    prefix="$(version_prefix "$version")"
    [[ -n "$prefix" ]] || fail "unknown macOS version \"$version\": no Mail Info.plist for it in $info_plists"
    chosen="$(mail_info_plist "$prefix")"
    [[ -n "$chosen" ]] || fail "unknown macOS version \"$version\": no Mail Info.plist for it in $info_plists"
    echo "$prefix $chosen"
}

# Puts VERSION's Mail Info.plist, Message framework Info.plist and SystemVersion.plist under ROOT.
install_os() {
    local root="$1" version="$2" resolved prefix mail_file build="" message_file
    resolved="$(resolve_version "$version")" || exit 1
    read -r prefix mail_file build <<<"$resolved"

    mkdir -p "$root/$mail_contents/MacOS" "$root/$(dirname "$system_version")"
    cp "$info_plists/$mail_file" "$root/$mail_contents/Info.plist.new"
    mv "$root/$mail_contents/Info.plist.new" "$root/$mail_contents/Info.plist"

    message_file="$(message_info_plist "$mail_file")"
    if [[ -n "$message_file" ]]; then
        mkdir -p "$root/$(dirname "$message_info")"
        cp "$info_plists/$message_file" "$root/$message_info.new"
        mv "$root/$message_info.new" "$root/$message_info"
    else
        rm -f "$root/$message_info"
    fi

    write_system_version "$root/$system_version" "$(product_version "$prefix")" "$build"
}

# The preferences of a Mail that has run once: ordinary keys, plug-ins not yet switched on.
write_fresh_preferences() {
    local file="$1"
    mkdir -p "$(dirname "$file")"
    plistutil -f bin -o "$file" -i - <<EOF
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>ConversationViewSortDescending</key>
	<true/>
	<key>MailUserNotificationScope</key>
	<integer>0</integer>
	<key>NumberOfSnippetLines</key>
	<integer>2</integer>
</dict>
</plist>
EOF
}

create() {
    local directory="" version="$default_os" executable=""
    [[ $# -ge 1 ]] || usage
    directory="$1"
    shift
    while [[ $# -gt 0 ]]; do
        case "$1" in
        --os)
            [[ $# -ge 2 ]] || usage
            version="$2"
            shift 2
            ;;
        --mail-executable)
            [[ $# -ge 2 ]] || usage
            executable="$2"
            shift 2
            ;;
        *) usage ;;
        esac
    done
    [[ -n "$executable" ]] || usage
    [[ -f "$executable" && -x "$executable" ]] || fail "no stand-in Mail executable at $executable"
    [[ ! -e "$directory/root" && ! -e "$directory/home" ]] || fail "$directory already holds a sandbox"
    resolve_version "$version" >/dev/null || exit 1

    mkdir -p "$directory"
    directory="$(cd "$directory" && pwd)"
    install_os "$directory/root" "$version"

    # A copy, not a link: Mail's process is recognised by the resolved path of its executable.
    local name
    name="$(plistutil -i "$directory/root/$mail_contents/Info.plist" -f xml |
        sed -n '/<key>CFBundleExecutable<\/key>/{n;s/.*<string>\(.*\)<\/string>.*/\1/p}')"
    cp "$executable" "$directory/root/$mail_contents/MacOS/${name:-Mail}"

    mkdir -p "$directory/home/Library/Mail"
    write_fresh_preferences "$directory/home/$preferences"

    printf 'HOME=%q\nGRABBIT_SYSTEM_ROOT=%q\nexport HOME GRABBIT_SYSTEM_ROOT\n' \
        "$directory/home" "$directory/root" >"$directory/environment"
}

update_os() {
    [[ $# -eq 2 ]] || usage
    local directory="$1" version="$2"
    [[ -f "$directory/root/$mail_contents/Info.plist" ]] || fail "$directory holds no sandbox"
    install_os "$directory/root" "$version"
}

[[ $# -ge 1 ]] || usage
command="$1"
shift
case "$command" in
create) create "$@" ;;
update-os) update_os "$@" ;;
*) usage ;;
esac
