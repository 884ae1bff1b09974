/* Call stubs, one per row of KAVRoutines.def (AArch64, AAPCS64).
 * In:  x0-x7 hold arguments 1-8, all pointers; arguments 9 on lie on the
 *      stack from [sp] up; x30 holds the return address.
 * Out: tail branch to the routine with all that untouched; it returns
 *      straight to our caller. Only x16 is used: IP0, which the ABI leaves
 *      to veneers and PLT entries, so no caller keeps anything there
 *      across a call, and a BR through it may land on a BTI "c" pad.
 * Bound path: four instructions. The entry's cell pointer is read with one
 * PC-relative literal load, which reaches +-1 MiB: the module image is
 * static data of the same library (or test program), a few hundred KiB
 * past the stubs. Should a link ever put it out of reach, the linker stops
 * with "relocation truncated to fit": it cannot build a wrong stub.
 * First call: open a frame with x29/x30 at its base (so debuggers and
 * unwinders walk through it into our caller), save every register a call
 * can pass something in, call the binder through the module header with
 * our entry, restore, re-read the entry it returns and branch. The stub
 * does not know its routine's prototype, so it keeps x0-x7, x8 (where a
 * result returned in memory goes) and q0-q7 whole (floating-point and
 * short-vector arguments); the binder is C++ code free to use them all
 * (copies alone use the q registers). The caller's stack arguments lie
 * above our frame and are never touched. */
#include "KAVBindingLayout.h"

#if defined(__aarch64__)

/* The first call's frame: x29 x30 | x0-x7 | x8, pad | q0-q7. */
#define KAV_STUB_FRAME 224
#define KAV_STUB_SAVED_X 16
#define KAV_STUB_SAVED_X8 80
#define KAV_STUB_SAVED_Q 96

        .text

        .macro KAV_STUB name, num
        .globl  \name
        .hidden \name
        .type   \name, %function
        .p2align 4
\name:
        .cfi_startproc
        ldr     x16, KAV_ENTRY(\num)      /* our entry's address-cell pointer */
        ldr     x16, [x16]                /* the routine, 0 if unbound */
        cbz     x16, 1f
        br      x16
1:      stp     x29, x30, [sp, #-KAV_STUB_FRAME]!
        .cfi_def_cfa_offset KAV_STUB_FRAME
        .cfi_offset x29, -KAV_STUB_FRAME
        .cfi_offset x30, -KAV_STUB_FRAME + 8
        mov     x29, sp
        stp     x0, x1, [sp, #KAV_STUB_SAVED_X]
        stp     x2, x3, [sp, #KAV_STUB_SAVED_X + 16]
        stp     x4, x5, [sp, #KAV_STUB_SAVED_X + 32]
        stp     x6, x7, [sp, #KAV_STUB_SAVED_X + 48]
        str     x8, [sp, #KAV_STUB_SAVED_X8]
        stp     q0, q1, [sp, #KAV_STUB_SAVED_Q]
        stp     q2, q3, [sp, #KAV_STUB_SAVED_Q + 32]
        stp     q4, q5, [sp, #KAV_STUB_SAVED_Q + 64]
        stp     q6, q7, [sp, #KAV_STUB_SAVED_Q + 96]
        adr     x0, KAV_ENTRY(\num)
        ldr     x16, KAV_BINDER_SLOT
        blr     x16                       /* returns the entry */
        ldr     x16, [x0]
        ldr     x16, [x16]
        ldp     q6, q7, [sp, #KAV_STUB_SAVED_Q + 96]
        ldp     q4, q5, [sp, #KAV_STUB_SAVED_Q + 64]
        ldp     q2, q3, [sp, #KAV_STUB_SAVED_Q + 32]
        ldp     q0, q1, [sp, #KAV_STUB_SAVED_Q]
        ldr     x8, [sp, #KAV_STUB_SAVED_X8]
        ldp     x6, x7, [sp, #KAV_STUB_SAVED_X + 48]
        ldp     x4, x5, [sp, #KAV_STUB_SAVED_X + 32]
        ldp     x2, x3, [sp, #KAV_STUB_SAVED_X + 16]
        ldp     x0, x1, [sp, #KAV_STUB_SAVED_X]
        ldp     x29, x30, [sp], #KAV_STUB_FRAME
        .cfi_restore x29
        .cfi_restore x30
        .cfi_def_cfa_offset 0
        br      x16
        .cfi_endproc
        .size   \name, . - \name
        .endm

#define KAV_ROUTINE(num, name, ret, params, module, library, args) KAV_STUB name, num
#include "KAVRoutines.def"
#undef KAV_ROUTINE

#else
#error "this file holds the AArch64 stubs; KAVStubs.S holds the x86-64 ones"
#endif

        .section .note.GNU-stack,"",%progbits
