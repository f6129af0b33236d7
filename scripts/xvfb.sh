# Sourced: starts a virtual X display at 96 DPI when none is set, and stops it
# when the sourcing script exits.
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 60 89); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
      Xvfb ":$n" -screen 0 1024x768x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
      pellmora_xvfb=$!
      trap 'kill $pellmora_xvfb 2>/dev/null || true' EXIT
      for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
      export DISPLAY=":$n"
      break
    fi
  done
fi
