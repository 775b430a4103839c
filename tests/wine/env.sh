# The Wine environment of every script of this project. Sourced, not run:
#   . tests/wine/env.sh
# The caller sets WINEPREFIX; this sets everything else once.

# Wine wants a home folder; a bare CI environment may not name one.
if [ -z "${HOME:-}" ]; then
  HOME="${TMPDIR:-/tmp}/tbsetup-home"
  mkdir -p "$HOME"
fi
export HOME
# A 64-bit prefix, quiet, without the .NET and HTML engines that a new
# prefix would otherwise offer to download.
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree=;mshtml="
# Debian keeps the wineserver outside PATH.
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)
