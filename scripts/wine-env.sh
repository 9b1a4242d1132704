# Sourced by the scripts that run the Windows build: a fresh Wine prefix with fonts, no crash
# debugger, a virtual desktop, a virtual X display and one persistent wineserver.
# Call wine_up before and wine_down after (the scripts trap it).

wine_up() {
  export WINEPREFIX="${WINEPREFIX_DIR:-$PWD/build/wineprefix}"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  if [ -z "${DISPLAY:-}" ] || [ -n "${LV_OWN_XVFB:-}" ]; then
    export DISPLAY=:${LV_XVFB_DISPLAY:-93}
    Xvfb "$DISPLAY" -screen 0 1600x900x24 -nolisten tcp >/dev/null 2>&1 &
    LV_XVFB_PID=$!
    sleep 1
  fi
  timeout 180 wineboot -i >/dev/null 2>&1 || true
  timeout 60 wineserver -w || true
  # Debian's Wine does not load its own fonts: without them GDI+ draws no text.
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  local r
  for f in "Segoe UI" "Arial" "Microsoft Sans Serif" "Tahoma"; do
    timeout 60 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$f" /t REG_SZ /d "Liberation Sans" /f >/dev/null 2>&1 || true
  done
  # A crash must end the process, not open a debugger that waits forever.
  timeout 60 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d false /f >/dev/null 2>&1 || true
  timeout 60 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /t REG_SZ /d 1 /f >/dev/null 2>&1 || true
  timeout 60 wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f >/dev/null 2>&1 || true
  timeout 60 wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1600x900 /f >/dev/null 2>&1 || true
  timeout 60 wineserver -w || true
  # One server for every later call, started so its helpers do not hold ctest's pipes.
  wineserver -p >/dev/null 2>&1 || true
  timeout 60 wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

wine_down() {
  [ -n "${WINEPREFIX:-}" ] && timeout 30 wineserver -k >/dev/null 2>&1 || true
  [ -n "${LV_XVFB_PID:-}" ] && kill "$LV_XVFB_PID" >/dev/null 2>&1 || true
  LV_XVFB_PID=""
}

# For the test scripts: the caller's prefix and display when both are set (ctest under
# scripts/test.sh), else a fresh prefix in $1 on display :$2 (then LV_WINE_OWN=1: call wine_down).
wine_use_or_up() {
  LV_WINE_OWN=""
  if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
    export WINEPREFIX_DIR=$1 LV_OWN_XVFB=1 LV_XVFB_DISPLAY=${LV_XVFB_DISPLAY:-$2}
    wine_up
    LV_WINE_OWN=1
  fi
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}

# Lumivore's configuration folder in the prefix (%APPDATA%\Lumivore\Configuration) as a Linux path.
wine_config_folder() {
  local appdata
  appdata=$(timeout 30 wine cmd /c echo %APPDATA% </dev/null 2>/dev/null | tr -d '\r' | tail -1)
  echo "$(timeout 30 winepath -u "$appdata" 2>/dev/null)/Lumivore/Configuration"
}
