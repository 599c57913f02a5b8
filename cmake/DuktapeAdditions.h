/* Appended to the engine's configuration: what the player adds to the engine (DuktapeAdditions.c
 * is appended to its source).
 *
 * The work budget of one script call: instructions, property accesses, regular expression steps
 * and values written by JSON.stringify count as steps; bytes the engine allocates, copies, moves,
 * compares or fills count one step per DEMO_SCRIPT_BYTES_PER_STEP (each copy, move, comparison or
 * fill DEMO_SCRIPT_BYTES_PER_CALL bytes more). A call that runs past the limit
 * is stopped with the engine's "execution timeout" RangeError, raised again at every catch until
 * the call has unwound. */
#if defined(__cplusplus)
extern "C" {
#endif

#define DEMO_SCRIPT_BYTES_PER_STEP 32
#define DEMO_SCRIPT_BYTES_PER_CALL 16

typedef struct {
	unsigned long steps;
	unsigned long bytes;
	unsigned long limit; /* steps a call may take; 0 while no call is bounded */
} demo_script_budget_t;
extern demo_script_budget_t demo_script_budget;

/* Whether the bounded call has used up its steps. */
int demo_script_budget_spent(void);
/* Counts steps and throws the timeout error once the budget is spent. */
struct duk_hthread;
void demo_script_charge(struct duk_hthread *thr, unsigned long steps);
/* Throws the timeout error when the budget could not pay for allocating that many bytes. */
void demo_script_reserve(struct duk_hthread *thr, size_t bytes);
int demo_script_timeout_check(void *udata);

/* Whether the UTF-8 text is a name the engine's parser takes as an identifier: a first code point
 * that may start one (Unicode ID_Start, $ or _), the rest ID_Continue, no escapes, and no
 * reserved word (strict mode's included). */
int demo_script_is_identifier(const char *text, size_t length);

/* Natives' vectors and matrices: a new array of the n numbers, and elements 0 to n-1 of the value
 * at index read as numbers (NaN for any that is not one); undefined or null there throws the
 * engine's type error, as an element read would. Each element counts as the step of the property
 * write or read it stands for. */
void demo_script_push_numbers(struct duk_hthread *thr, const double *values, unsigned n);
void demo_script_read_numbers(struct duk_hthread *thr, int index, double *out, unsigned n);

void *demo_script_memcpy(void *dst, const void *src, size_t n);
void *demo_script_memmove(void *dst, const void *src, size_t n);
int demo_script_memcmp(const void *a, const void *b, size_t n);
void *demo_script_memset(void *dst, int value, size_t n);

#if defined(__cplusplus)
}
#endif

#undef DUK_MEMCPY
#define DUK_MEMCPY demo_script_memcpy
#undef DUK_MEMMOVE
#define DUK_MEMMOVE demo_script_memmove
#undef DUK_MEMCMP
#define DUK_MEMCMP demo_script_memcmp
#undef DUK_MEMSET
#define DUK_MEMSET demo_script_memset
