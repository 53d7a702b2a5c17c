# shellcheck shell=bash
# Sourced by the Windows test scripts: a private wine prefix, a Japanese
# locale, a display of its own (Xvfb), and wine's services started before any
# test so that none of them inherits a test's output pipe.
#   wine_env_setup STATE_DIR    exports WINEPREFIX, LC_ALL, DISPLAY, ...
#   wine_env_teardown           stops wine and the display it started

wine_env_setup() {
  local state="$1"
  mkdir -p "$state"
  state="$(cd "$state" && pwd)"
  export WINEPREFIX="$state/prefix" HOME="$state" WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winealsa.drv,winepulse.drv=d"
  # Code page 932 for the program: wine takes it from the Unix locale.
  if [ ! -d "$state/locale/ja_JP.UTF-8" ]; then
    mkdir -p "$state/locale"
    localedef -i ja_JP -f UTF-8 "$state/locale/ja_JP.UTF-8" >/dev/null 2>&1 || true
  fi
  [ -d "$state/locale/ja_JP.UTF-8" ] || { echo "wine_env: cannot build the ja_JP.UTF-8 locale" >&2; return 1; }
  export LOCPATH="$state/locale"
  # For wine and tmux; this shell itself keeps to bytes (its own locale
  # lookup does not see LOCPATH, hence the silenced warning).
  { export LC_ALL=ja_JP.UTF-8; } 2>/dev/null

  WINE_ENV_XVFB_PID=""
  local n
  for n in $(seq 91 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
  WINE_ENV_XVFB_PID=$!
  local i
  for i in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
  [ -e "/tmp/.X11-unix/X$n" ] || { echo "wine_env: Xvfb :$n did not start" >&2; return 1; }
  export DISPLAY=":$n"

  # A persistent server and the services, with nothing of ours to inherit.
  timeout 30 wineserver -p </dev/null >/dev/null 2>&1 || true
  timeout 180 wine cmd /c exit </dev/null >/dev/null 2>&1 || {
    echo "wine_env: wine does not start" >&2
    return 1
  }
}

wine_env_teardown() {
  timeout 30 wineserver -k </dev/null >/dev/null 2>&1 || true
  if [ -n "${WINE_ENV_XVFB_PID:-}" ]; then
    kill "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    wait "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    WINE_ENV_XVFB_PID=""
  fi
}
