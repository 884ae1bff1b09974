/* Control API of the reference kernel module KAVSYMB, for tests, demos and
 * benchmarks. These are the only names the module exports besides the
 * resolver kavsymb; reach them with dlsym on the loaded module (tests:
 * KAV_KERNEL_FN(name), typed by the declaration here).
 *
 * Faults: the n-th call (counted since the last reset, over every routine,
 * or over one routine's calls) returns the given code in its ier and does
 * nothing else. The message log (the kavsim_journal* functions, whose
 * names stay as exported): one line per call, "NAME arg ... -> code",
 * fixed-width texts quoted with their blanks; KAVSIM_LOG writes the same
 * lines to a file. It is not the library's journal (T4711_JOURNAL) nor
 * the boundary log (KAVSIM_CALLS). */
#ifndef KAVSimControl_h
#define KAVSimControl_h

#ifdef __cplusplus
extern "C" {
#endif

/* Back to the site's seed data: kernel state, message log, call counts and
 * injected faults are all cleared (KAVSIM_FAULTS is not re-applied). */
void kavsim_reset(void);
void kavsim_fail_call(long n, int code);
void kavsim_fail_from(long n, int code);
void kavsim_fail_routine(const char* routine, long n, int code, int from);
/* Same syntax as KAVSIM_FAULTS: "N=CODE", "N+=CODE", "ROUTINE@N=CODE",
 * scripts; an item not understood is named on stderr and left out. */
void kavsim_set_faults(const char* faults);
void kavsim_clear_faults(void);
/* Scripted answers: for the n-th call of ROUTINE (counting that routine's
 * calls since the last reset; n 0 for every call), argument ARG (from 1,
 * in the routine table's order; 0 is the int a routine returns) is set to
 * the value after the routine ran, or instead of running it when FLAGS
 * holds KAVSIM_SCRIPT_INSTEAD (the call is then counted and logged as
 * "scripted"). A text is written as its LENGTH bytes, unpadded and
 * unterminated, but never past the argument's field (the routine table's
 * width; a list record: its list's width); a record argument (void*) takes
 * any of the three. An int that sizes another argument (a text's length, a
 * count of records) is cut to what that argument holds unless FLAGS holds
 * KAVSIM_SCRIPT_OVERFLOW, for a test of the library against a kernel that
 * claims more than it wrote. Several scripts may apply to one call;
 * kavsim_clear_faults and kavsim_reset drop them all. */
#define KAVSIM_SCRIPT_INSTEAD 1
#define KAVSIM_SCRIPT_OVERFLOW 2
void kavsim_script_int(const char* routine, long n, int arg, int value,
                       int flags);
void kavsim_script_double(const char* routine, long n, int arg, double value,
                          int flags);
void kavsim_script_text(const char* routine, long n, int arg, const char* bytes,
                        int length, int flags);
void kavsim_journal(int on);
const char* kavsim_journal_text(void);
void kavsim_journal_clear(void);
long kavsim_call_count(void);
const char* kavsim_site(void);
/* "" when the site directory is usable, else what is wrong with it ("does
 * not exist", "is not a directory", "is empty"); said once on stderr. */
const char* kavsim_site_problem(void);
void kavsim_set_site(const char* directory);
int kavsim_open_lists(void);
/* What a return code means ("no open list has this handle"), or null for
 * a code this kernel never answers. Optional: a site's own kernel need not
 * export it, so a tool looks it up with dlsym and prints the code alone
 * when it is absent. */
const char* kavsim_explain(int code);

/* Dictionary family: classes of the loaded dictionary (-1: none loaded),
 * and iCount classes "MfgGenerated<n>" appended to it, for benchmarks
 * (returns the count afterwards, -1 when none is loaded). */
int kavsim_dictionary_class_count(void);
int kavsim_dictionary_generate_classes(int count);

/* Catalog family: a table name appended to a kind (made if new; returns
 * the kind's count); a national name set for a standard name of type 1..4
 * (returns 0 or KAVSIM_UNKNOWN_NLS_TYPE); count generated names of a type,
 * standard prefix + six digits, national "Nom " + the same. */
int kavsim_catalog_add_table(int kind, const char* name);
int kavsim_catalog_add_name(int type, const char* stdName, const char* nlsName);
int kavsim_catalog_generate_names(int type, int count, const char* prefix);

/* Declarative: appends an entry to a STRING variable (name without its
 * pool), making the pool (loaded) and the variable when new; returns the
 * entry count, -1 for an INTEGER. Whether a pool is loaded: 1, 0, or -1
 * for an unknown pool. */
int kavsim_declarative_add_string(const char* pool, const char* variable,
                                  const char* item, const char* value);
int kavsim_declarative_loaded(const char* pool);
/* GII session. Variables count from 1 in site order; a name is exact (no
 * trimming). Texts returned stay valid until the next call of a function
 * of this block. */
int kavsim_gii_variable_count(void);
const char* kavsim_gii_variable_name(int index); /* null outside 1..count */
int kavsim_gii_id(const char* name);             /* 0: unknown name */
int kavsim_gii_valued(const char* name);         /* 1, 0; -1: unknown */
int kavsim_gii_modified(const char* name);       /* 1, 0; -1: unknown */
/* The value as text, parts joined by "; ":
 *   int 3, real 2.5, char "abc"          fields (trailing blanks dropped)
 *   list of 2 at 1 [int 1] [real 2.5]    list values, current position
 *   string "..."  prompt "..."  element 12
 * "" for no value, null for an unknown name. */
const char* kavsim_gii_value(const char* name);
const char* kavsim_gii_events(void); /* event names, one per line */
int kavsim_gii_order_count(void);    /* MRCGII calls that ran */
/* How often the variable was recorded as an event, without building the
 * list: a caller that asks around every call stays linear. */
int kavsim_gii_event_count(const char* name);
/* The GII error journal ("ROUTINE code" per line), cleared by GUERJO. */
const char* kavsim_gii_error_journal(void);
int kavsim_gii_set_batch(
    int batch); /* what LBATCH answers; returns the previous */
/* A new variable without value (iId 0 or taken: the next free identifier);
 * returns its identifier. */
int kavsim_gii_add_variable(const char* name, int id);
/* count integer variables named prefix + six digits; returns the number of
 * variables. */
int kavsim_gii_generate_variables(int count, const char* prefix);

#ifdef __cplusplus
}
#endif

#endif
