# Sourced: starts a virtual X display at 96 DPI when none is set, and stops it
# when the sourcing script exits. Xvfb picks the display number itself: two
# scripts started together (ctest runs tests in parallel) that each picked
# the first free number would both take one display, and the first to exit
# would close it under the other.
if [ -z "${DISPLAY:-}" ]; then
  pellmora_display=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -dpi 96 -nolisten tcp 3>"$pellmora_display" >/dev/null 2>&1 &
  pellmora_xvfb=$!
  trap 'kill $pellmora_xvfb 2>/dev/null || true' EXIT
  for _ in $(seq 100); do [ -s "$pellmora_display" ] && break; sleep 0.1; done
  DISPLAY=":$(head -n1 "$pellmora_display")"
  export DISPLAY
  rm -f "$pellmora_display"
fi
