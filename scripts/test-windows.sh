#!/usr/bin/env bash
# The Windows half, checked on Linux: installs MinGW-w64 and 32-bit Wine (scripts/
# install-windows-deps.sh), cross-compiles every Windows-only file for 32-bit Windows, then runs
# the GBK conversion and the crash hand-off under Wine. Exits non-zero on any failure.
#   Files without Qt are compiled and linked into the Windows programs below; files that need Qt
#   are compiled against Debian's Qt headers (there is no Qt for Windows here).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAPWISE_WINDOWS_BUILD_DIR:-$root/build-windows}
started=$(date +%s)

bash "$root/scripts/install-windows-deps.sh"
installed=$(date +%s)

# The POSIX-threads variant of Debian's MinGW-w64: GCC 12's win32-threads variant has no
# std::thread, std::mutex or std::condition_variable, which the shell's work pool uses.
cxx=i686-w64-mingw32-g++-posix
flags=(-std=c++17 -Wall -Wextra -Werror -O2)
qt=$(pkg-config --variable=includedir Qt5Core)
qt_flags=(-isystem "$qt")
for module in QtCore QtGui QtWidgets QtNetwork; do
    qt_flags+=(-isystem "$qt/$module")
done
# The program is built against Qt 5.13; what Debian's 5.15 headers deprecate stays a warning.
qt_flags+=(-isystem /usr/include/jsoncpp -DQT_CORE_LIB -DQT_GUI_LIB -DQT_WIDGETS_LIB
    -DQT_NETWORK_LIB -Wno-error=deprecated-declarations)
# The shell's folders: the Windows build compiles these files with TAPWISE_SHELL_LIBRARY.
shell_folders=(app platform util web window account)
rm -rf "$build"
mkdir -p "$build/objects" "$build/bin" "$build/generated"
# The forms' generated headers, for the shell files that include them.
uic=$(pkg-config --variable=host_bins Qt5Core)/uic
for form in $(cd "$root" && git ls-files '*.ui'); do
    "$uic" "$root/$form" -o "$build/generated/ui_$(basename "${form%.ui}").h"
done
includes=(-I "$build/generated")
for folder in "${shell_folders[@]}" app/core basekit engine/include dumper/include dumper/win tests/util; do
    includes+=(-I "$root/$folder")
done

failures=0
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}

# Every file compiled or linked fully by a program below, relative to the root.
linked=(
    app/crashhandler.cpp platform/crash_win.cpp platform/crashwindow_win.cpp
    tests/app/win/crashchild_win.cpp
    dumper/win/main.cpp dumper/win/handoffrequest.cpp dumper/win/minidumpsummary.cpp
    tests/dumper/win/tst_handoffrequest_win.cpp
    util/codecvt_gbk_win.cpp tests/util/gbkprobe.cpp
)

echo "== Windows programs"
link() {
    local output=$1
    shift
    if "$cxx" "${flags[@]}" -static "$@" -o "$build/bin/$output"; then
        echo "ok   $output"
    else
        fail "link $output"
    fi
}
link crashchild.exe -I "$root/app" -I "$root/platform" -I "$root/dumper/include" \
    "$root/tests/app/win/crashchild_win.cpp" \
    "$root/app/crashhandler.cpp" "$root/platform/crash_win.cpp" \
    "$root/platform/crashwindow_win.cpp" -lshlwapi -luser32
link mindump.exe -I "$root/dumper/include" -I "$root/dumper/win" \
    "$root"/dumper/win/*.cpp -ldbghelp -lshell32
link tst_handoffrequest.exe -I "$root/dumper/include" -I "$root/dumper/win" \
    "$root/tests/dumper/win/tst_handoffrequest_win.cpp" "$root/dumper/win/handoffrequest.cpp" \
    -lshell32
link gbkprobe.exe -I "$root/util" -I "$root/tests/util" "$root/tests/util/gbkprobe.cpp" \
    "$root/util/codecvt_gbk_win.cpp"
# The program's resources (icon, manifest, version) must compile too.
i686-w64-mingw32-windres -I "$root/app" "$root/app/tapwise.rc" -O coff \
    -o "$build/objects/tapwise.res.o" && echo "ok   app/tapwise.rc" || fail "app/tapwise.rc"

echo "== Windows-only files and #ifdef _WIN32 branches"
mapfile -t windows_files < <(cd "$root" && {
    # Files not committed yet count too.
    git ls-files --cached --others --exclude-standard '*_win.cpp' '*/win/*.cpp' '*/win/*.h'
    git grep --untracked -lE '\b_WIN32\b' -- '*.cpp' '*.h'
} | sort -u)

# The headers a file includes, directly or not, as the Windows build would compile it.
dependencies() {
    local file=$1 unit=$2
    local own=(-I "$(dirname "$root/$file")")
    # As the Windows build compiles the shell's own files.
    [[ " ${shell_folders[*]} " != *" ${file%%/*} "* ]] || own+=(-DTAPWISE_SHELL_LIBRARY)
    "$cxx" "${flags[@]}" "${own[@]}" "${includes[@]}" "${qt_flags[@]}" -M "$unit" 2>/dev/null \
        || true
}

compile() {
    local file=$1 unit=$root/$1 needs_qt=no
    if [[ $file == *.h ]]; then
        unit=$build/objects/$(echo "$file" | tr / _).cpp
        printf '#include "%s"\n' "$root/$file" >"$unit"
    fi
    local own=(-I "$(dirname "$root/$file")")
    [[ " ${shell_folders[*]} " != *" ${file%%/*} "* ]] || own+=(-DTAPWISE_SHELL_LIBRARY)
    [[ $(dependencies "$file" "$unit") != *"$qt/"* ]] || needs_qt=yes
    if [ $needs_qt = yes ]; then
        "$cxx" "${flags[@]}" "${own[@]}" "${includes[@]}" "${qt_flags[@]}" -fsyntax-only \
            "$unit" && echo "ok   $file (against the Qt headers)" || fail "$file"
    else
        "$cxx" "${flags[@]}" "${own[@]}" "${includes[@]}" -c "$unit" \
            -o "$build/objects/$(echo "$file" | tr / _).o" && echo "ok   $file" || fail "$file"
    fi
}
for file in "${windows_files[@]}"; do
    compile "$file"
done
# Files without Qt must also link: each belongs to one of the programs above.
for file in "${windows_files[@]}"; do
    if [[ $file == *.cpp ]] && [ -e "$build/objects/$(echo "$file" | tr / _).o" ] \
        && ! printf '%s\n' "${linked[@]}" | grep -qx "$file"; then
        fail "$file is compiled but linked into no Windows program here"
    fi
done
# A header's branch is also compiled in every shell file that includes it, directly or not.
windows_headers=()
for file in "${windows_files[@]}"; do
    [[ $file != *.h ]] || windows_headers+=("$root/$file")
done
mapfile -t shell_files < <(cd "$root" && git ls-files --cached --others --exclude-standard \
    "${shell_folders[@]/%//*.cpp}" | grep -v '_posix\.cpp$')
for file in "${shell_files[@]}"; do
    printf '%s\n' "${windows_files[@]}" | grep -qx "$file" && continue
    found=$(dependencies "$file" "$root/$file")
    for header in "${windows_headers[@]}"; do
        if [[ $found == *"$header"* ]]; then
            compile "$file"
            break
        fi
    done
done
compiled=$(date +%s)

echo "== Wine"
export WINEPREFIX
WINEPREFIX=$(mktemp -d /tmp/tapwise-wine.XXXXXX)
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win32
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
# Kept running for the whole run: a shared block left behind by a crash would still exist.
wineserver -p
wineboot -i >/dev/null 2>&1
booted=$(date +%s)

echo "== GBK conversion: the shared table of cases, under Wine and natively"
(cd "$build/bin" && wine gbkprobe.exe </dev/null) | tr -d '\r' || fail "GBK cases under Wine"
g++ "${flags[@]}" -I "$root/util" -I "$root/tests/util" "$root/tests/util/gbkprobe.cpp" \
    "$root/util/codecvt_gbk_posix.cpp" -o "$build/bin/gbkprobe"
"$build/bin/gbkprobe" || fail "GBK cases on Linux"

echo "== GBK conversion: every one- and two-byte sequence, Wine against Linux"
(cd "$build/bin" && wine gbkprobe.exe --sweep </dev/null) | tr -d '\r' >"$build/sweep-windows.txt"
"$build/bin/gbkprobe" --sweep >"$build/sweep-linux.txt"
python3 "$root/tests/util/compare_gbk_sweeps.py" "$build/sweep-linux.txt" \
    "$build/sweep-windows.txt" || fail "GBK sweeps differ"

echo "== Windows writer: command line and shared block"
(cd "$build/bin" && wine tst_handoffrequest.exe </dev/null) | tr -d '\r' \
    || fail "writer's command line and block"

echo "== Crash hand-off under Wine"
(cd "$root/tests/dumper/win" && python3 test_crash_handoff.py "$build/bin") \
    || fail "crash hand-off"
finished=$(date +%s)

echo "== Times: install $((installed - started)) s, compile $((compiled - installed)) s," \
    "Wine prefix $((booted - compiled)) s, runs $((finished - booted)) s"
if [ $failures -ne 0 ]; then
    echo "Windows checks: $failures failed"
    exit 1
fi
echo "Windows checks: all passed"
