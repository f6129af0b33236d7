# Sourced: what the scripts need to know of Wine's 32-bit loader and of the
# emulator that runs it on a kernel without 32-bit support.
# PELLMORA_X86_EMULATION=force takes the loader for one the kernel cannot
# run, so that the emulated path can be tried on any machine.

# Whether the kernel runs Wine's 32-bit loader by itself.
wine32_runs_natively() {
  [ "${PELLMORA_X86_EMULATION:-}" != force ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

# The path of a qemu-user for i386 of version 10 or later, or nothing. An
# older one is never used: qemu 7.2 ignores MAP_FIXED_NOREPLACE, and Wine's
# reservation of its address space then costs about a minute at every start.
qemu_i386() {
  local candidate version
  for candidate in /usr/bin/qemu-i386 /usr/bin/qemu-i386-static; do
    [ -x "$candidate" ] || continue
    version=$("$candidate" --version 2>/dev/null | sed -n 's/^qemu-i386[^0-9]*\([0-9][0-9]*\)\..*/\1/p' | head -n1)
    if [ -n "$version" ] && [ "$version" -ge 10 ]; then
      echo "$candidate"
      return 0
    fi
  done
}
