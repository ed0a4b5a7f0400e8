# Sourced by the test command and the demo: which Windows build this host can run under Wine.
# The game and the release are 32-bit, and Wine runs 32-bit programs only where the kernel
# runs 32-bit code; many virtual machines and CI runners have that switched off, and Wine's
# 32-bit half then cannot start at all. So try: run a tiny 32-bit program and look at what it
# returns. Where it cannot run, the same sources are built for 64-bit Windows and tested under
# Wine's 64-bit half. VANTOREL_WINDOWS_ARCH=win64 (or win32) skips the trial.
# Sets windows_arch (win32 or win64), windows_preset (windows or windows64) and
# windows_arch_line (one line that says which way the run goes, and why).
# Usage: windows_arch_decide SCRATCH_FOLDER

windows_arch_decide() {
    case "${VANTOREL_WINDOWS_ARCH:-}" in
        win32 | win64)
            windows_arch=$VANTOREL_WINDOWS_ARCH
            reason="as VANTOREL_WINDOWS_ARCH=$VANTOREL_WINDOWS_ARCH asks"
            ;;
        "")
            if windows_arch_probe "$1"; then
                windows_arch=win32
                reason="this host runs 32-bit programs"
            else
                windows_arch=win64
                reason="this host cannot run 32-bit programs: $probe_said"
            fi
            ;;
        *)
            echo "VANTOREL_WINDOWS_ARCH must be win32, win64 or unset, not \"$VANTOREL_WINDOWS_ARCH\"" >&2
            return 2
            ;;
    esac
    if [ "$windows_arch" = win32 ]; then
        windows_preset=windows
        windows_arch_line="Windows programs: 32-bit, under Wine's 32-bit half ($reason)"
    else
        windows_preset=windows64
        windows_arch_line="Windows programs: 64-bit, under Wine's 64-bit half ($reason)"
    fi
}

# An i386 ELF program of 93 bytes that only calls exit(42): its ELF header, one loadable
# segment (the whole file), then xor ebx,ebx; mov bl,42; xor eax,eax; inc eax; int 0x80.
# Anything but 42 (the kernel's "Exec format error" above all) means no 32-bit programs here.
windows_arch_probe() {
    mkdir -p "$1"
    probe="$1/i386-exit-42"
    printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0\0\0\0\0\0\0\0\0\64\0\40\0\1\0\0\0\0\0\0\0' >"$probe"
    printf '\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10\135\0\0\0\135\0\0\0\5\0\0\0\0\20\0\0' >>"$probe"
    printf '\61\333\263\52\61\300\100\315\200' >>"$probe"
    chmod +x "$probe"
    status=0
    # (When the kernel refuses it, the C library hands the file to the shell, which fails too.)
    timeout 10 "$probe" >/dev/null 2>&1 || status=$?
    rm -f "$probe"
    [ "$status" -eq 42 ] && return 0
    probe_said="a 32-bit test program that exits with 42 ended with $status"
    return 1
}
