# Sourced by the benchmark scripts: the project's Wine prefix, a server and Wine's own services
# started with no terminal attached (as ./run starts them: they outlive the first program and
# would otherwise hold its output open), a scratch directory in $WORK, and all of it stopped and
# removed when the script ends. Needs $ROOT.
export WINEPREFIX=${WINEPREFIX:-$ROOT/build/wineprefix} WINEARCH=win64 WINEDEBUG=${TW_WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
wineserver -p </dev/null >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"; wineserver -k >/dev/null 2>&1 || true' EXIT
