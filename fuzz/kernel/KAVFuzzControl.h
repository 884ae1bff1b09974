/* Control API of the fuzz kernel module KAVSYMB (fuzz/kernel): besides its
 * resolver `kavsymb`, the only names it exports. The harness reaches them
 * with dlsym on the module the binder loads.
 *
 * A run starts with kavfuzz_answer (answers decoded from the bytes given,
 * KAVFuzzAnswers.h) or kavfuzz_record (answers chosen by a policy and
 * recorded as the bytes that give them). Either forgets every list the
 * kernel handed out and zeroes the counters. */
#ifndef KAVFuzzControl_h
#define KAVFuzzControl_h

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* What a policy is asked: one value of one call. `arg` counts from 1 in
 * the routine table's order; 0 is the return code (or the int LBATCH
 * returns). `kind` is the argument's kavcall::Kind; `width` a text's
 * field width; for GUSINF and GUSREA, `record_width` is the width of the
 * record the caller reads from the list (4 int, 8 real, else text; 0
 * unknown). `call` counts the run's calls from 1. */
struct KAVFuzzQuestion {
  const char* routine;
  int arg;
  int kind;
  int width;
  int record_width;
  long call;
};

/* The policy's answer: `value` for a code or an int, `real` for a real;
 * a text is `length` bytes at `bytes`, ending as `end` says (the values
 * of kavfuzz::TextEnd). `end` -1 ends the stream instead: this and every
 * later question gets what an exhausted stream gives. */
struct KAVFuzzAnswer {
  int value;
  double real;
  const char* bytes;
  int length;
  int end;
};

typedef void (*KAVFuzzPolicy)(const struct KAVFuzzQuestion* question,
                              struct KAVFuzzAnswer* answer);

void kavfuzz_answer(const unsigned char* answers, size_t size);
void kavfuzz_record(KAVFuzzPolicy policy);
/* The bytes recorded since kavfuzz_record; valid until the next run. */
const unsigned char* kavfuzz_recorded(size_t* size);
/* Calls answered and GUSREA calls answered since the run started. */
long kavfuzz_calls(void);
long kavfuzz_reads(void);

#ifdef __cplusplus
}
#endif

#endif
