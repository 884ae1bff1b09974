/* Call stubs, one per row of KAVRoutines.def (x86-64, System V).
 * In:  %rdi %rsi %rdx %rcx %r8 %r9 hold arguments 1-6, all pointers;
 *      arguments 7 on lie on the stack above the return address.
 * Out: tail jump to the routine with all that untouched; it returns
 *      straight to our caller. Only %r11 is used (scratch).
 * First call: save the argument registers and %rax (7 pushes align %rsp
 * to 16), call the binder through the module header, restore in reverse,
 * re-read the entry it returns. Vector registers carry no argument (every
 * argument is a pointer), so the binder may use them freely. */
#include "KAVBindingLayout.h"

#if defined(__x86_64__)
        .text

        .macro KAV_STUB name, num
        .globl  \name
        .hidden \name
        .type   \name, @function
        .p2align 4
\name:
        .cfi_startproc
        movq    KAV_ENTRY(\num)(%rip), %r11   /* our entry's address-cell pointer */
        movq    (%r11), %r11                   /* the routine, 0 if unbound */
        testq   %r11, %r11
        jz      1f
        jmp     *%r11
1:      pushq   %rdi
        .cfi_adjust_cfa_offset 8
        pushq   %rsi
        .cfi_adjust_cfa_offset 8
        pushq   %rdx
        .cfi_adjust_cfa_offset 8
        pushq   %rcx
        .cfi_adjust_cfa_offset 8
        pushq   %r8
        .cfi_adjust_cfa_offset 8
        pushq   %r9
        .cfi_adjust_cfa_offset 8
        pushq   %rax
        .cfi_adjust_cfa_offset 8
        leaq    KAV_ENTRY(\num)(%rip), %rdi
        call    *KAV_BINDER_SLOT(%rip)         /* returns the entry */
        movq    (%rax), %r11
        movq    (%r11), %r11
        popq    %rax
        .cfi_adjust_cfa_offset -8
        popq    %r9
        .cfi_adjust_cfa_offset -8
        popq    %r8
        .cfi_adjust_cfa_offset -8
        popq    %rcx
        .cfi_adjust_cfa_offset -8
        popq    %rdx
        .cfi_adjust_cfa_offset -8
        popq    %rsi
        .cfi_adjust_cfa_offset -8
        popq    %rdi
        .cfi_adjust_cfa_offset -8
        jmp     *%r11
        .cfi_endproc
        .size   \name, . - \name
        .endm

#define KAV_ROUTINE(num, name, ret, params, module, library, args) KAV_STUB name, num
#include "KAVRoutines.def"
#undef KAV_ROUTINE

#else
#error "this file holds the x86-64 stubs; KAVStubsAarch64.S holds the AArch64 ones"
#endif

        .section .note.GNU-stack,"",@progbits
