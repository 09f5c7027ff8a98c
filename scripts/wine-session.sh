# Sourced by the scripts that run many Windows programs in a row (windows-test.sh, windows-bench.sh):
# one Wine server for the whole run on a private X server, ended on exit. Expects $root and $out
# (the Windows build folder); gives run(), which starts a program through scripts/wine-run.sh.
if [ -z "${VARTOLIN_ON_XVFB:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1400x900x24 -noreset" env VARTOLIN_ON_XVFB=1 bash "$0" "$@"
fi
export WINDOWS_BUILD=$out WINEPREFIX=$out/wine
run() { bash "$root/scripts/wine-run.sh" "$@"; }
# A folder or file of this machine as Wine names it.
windows_path() { local path; path=$(realpath "$1"); echo "Z:${path//\//\\}"; }
# A server left from an earlier run would keep its processes on their old display.
run wineserver -k 2>/dev/null || true
run wineserver -w 2>/dev/null || true
run cmd /c exit 0 # creates the prefix on first use
run wineserver -p 2>/dev/null || true
trap 'bash "$root/scripts/wine-run.sh" wineserver -k 2>/dev/null || true' EXIT
winepath=$(sed -n 's/^WINEPATH=//p' "$out/windows-env.txt")
