/* Appended to the engine's source: the additions declared in DuktapeAdditions.h. */

demo_script_budget_t demo_script_budget;

int demo_script_budget_spent(void) {
	const demo_script_budget_t *b = &demo_script_budget;
	return b->limit != 0 && b->steps + b->bytes / DEMO_SCRIPT_BYTES_PER_STEP > b->limit;
}

/* Like the executor's own timeout: the counter is zeroed so that the next instruction, in a catch
 * or finally block, checks again and throws again. */
void demo_script_charge(duk_hthread *thr, unsigned long steps) {
	demo_script_budget.steps += steps;
	/* An error being made is let through: throwing inside it would replace it with a double
	 * error; the next step throws. */
	if (DUK_LIKELY(!demo_script_budget_spent()) || thr->heap->creating_error != 0) {
		return;
	}
	thr->interrupt_init = 0;
	thr->interrupt_counter = 0;
	DUK_ERROR_RANGE(thr, "execution timeout");
}

/* Throws the timeout error before a built-in allocates a block the budget could not pay for. */
void demo_script_reserve(duk_hthread *thr, duk_size_t bytes) {
	demo_script_budget.bytes += bytes;
	demo_script_charge(thr, 0);
	demo_script_budget.bytes -= bytes;
}

/* The executor calls this as a call from C begins and then once every DUK_HTHREAD_INTCTR_DEFAULT
 * instructions, counted here a whole interval at a time. */
int demo_script_timeout_check(void *udata) {
	DUK_UNREF(udata);
	demo_script_budget.steps += DUK_HTHREAD_INTCTR_DEFAULT;
	return demo_script_budget_spent();
}

/* Each call costs a few bytes more, so that a built-in comparing or copying a byte at a time still
 * pays for its loop. */
void *demo_script_memcpy(void *dst, const void *src, size_t n) {
	demo_script_budget.bytes += n + DEMO_SCRIPT_BYTES_PER_CALL;
	return memcpy(dst, src, n);
}

void *demo_script_memmove(void *dst, const void *src, size_t n) {
	demo_script_budget.bytes += n + DEMO_SCRIPT_BYTES_PER_CALL;
	return memmove(dst, src, n);
}

int demo_script_memcmp(const void *a, const void *b, size_t n) {
	demo_script_budget.bytes += n + DEMO_SCRIPT_BYTES_PER_CALL;
	return memcmp(a, b, n);
}

void *demo_script_memset(void *dst, int value, size_t n) {
	demo_script_budget.bytes += n + DEMO_SCRIPT_BYTES_PER_CALL;
	return memset(dst, value, n);
}

/* ---- arrays of numbers ---- */

/* Made at its final size: written through the API, the first element would go through a key made
 * from the index's text and the array part would grow by sixteen. */
void demo_script_push_numbers(duk_hthread *thr, const double *values, unsigned n) {
	duk_tval *tv;
	duk_double_union du;
	unsigned i;
	demo_script_charge(thr, n);
	duk_require_stack(thr, 1);
	tv = duk_push_harray_with_size_outptr(thr, (duk_uint32_t) n);
	for (i = 0; i < n; i++) {
		du.d = values[i];
		DUK_DBLUNION_NORMALIZE_NAN_CHECK(&du);
		DUK_TVAL_SET_NUMBER(tv + i, du.d);
	}
}

/* Straight from the array part of a plain array, as the engine's own fast path reads it there;
 * anything else (a gap, an index past the part, another kind of object or value) as a property. */
void demo_script_read_numbers(duk_hthread *thr, int index, double *out, unsigned n) {
	duk_hobject *h = duk_get_hobject(thr, (duk_idx_t) index);
	unsigned i;
	index = (int) duk_require_normalize_index(thr, (duk_idx_t) index);
	demo_script_charge(thr, n);
	for (i = 0; i < n; i++) {
		/* Checked for each element: a getter met on the way may have changed the array. */
		const duk_bool_t plain = h != NULL && DUK_HOBJECT_HAS_ARRAY_PART(h) && DUK_HOBJECT_HAS_EXOTIC_ARRAY(h);
		duk_tval *tv = plain && i < DUK_HOBJECT_GET_ASIZE(h) ? DUK_HOBJECT_A_GET_VALUE_PTR(thr->heap, h, i) : NULL;
		if (tv != NULL && !DUK_TVAL_IS_UNUSED(tv)) {
			out[i] = DUK_TVAL_IS_NUMBER(tv) ? DUK_TVAL_GET_NUMBER(tv) : DUK_DOUBLE_NAN;
			continue;
		}
		duk_get_prop_index(thr, (duk_idx_t) index, (duk_uarridx_t) i);
		out[i] = duk_is_number(thr, -1) ? duk_get_number(thr, -1) : DUK_DOUBLE_NAN;
		duk_pop(thr);
	}
}

/* ---- identifiers ---- */

/* The next code point of strict UTF-8 (no overlong forms, surrogates or values past U+10FFFF),
 * or -1. */
static duk_codepoint_t demo__next_code_point(const unsigned char **p, const unsigned char *end) {
	const unsigned char *s = *p;
	duk_codepoint_t cp;
	duk_codepoint_t least;
	int more;
	int i;
	if (s[0] < 0x80) {
		*p = s + 1;
		return s[0];
	} else if ((s[0] & 0xe0) == 0xc0) {
		cp = s[0] & 0x1f; more = 1; least = 0x80;
	} else if ((s[0] & 0xf0) == 0xe0) {
		cp = s[0] & 0x0f; more = 2; least = 0x800;
	} else if ((s[0] & 0xf8) == 0xf0) {
		cp = s[0] & 0x07; more = 3; least = 0x10000;
	} else {
		return -1;
	}
	if (end - s <= more) {
		return -1;
	}
	for (i = 1; i <= more; i++) {
		if ((s[i] & 0xc0) != 0x80) {
			return -1;
		}
		cp = (cp << 6) | (s[i] & 0x3f);
	}
	if (cp < least || cp > 0x10ffffL || (cp >= 0xd800L && cp <= 0xdfffL)) {
		return -1;
	}
	*p = s + 1 + more;
	return cp;
}

/* Reserved in the language, strict mode included. */
static const char *const demo__reserved_words[] = {
	"break", "case", "catch", "class", "const", "continue", "debugger", "default", "delete", "do",
	"else", "enum", "export", "extends", "false", "finally", "for", "function", "if", "import", "in",
	"instanceof", "new", "null", "return", "super", "switch", "this", "throw", "true", "try",
	"typeof", "var", "void", "while", "with", "implements", "interface", "let", "package",
	"private", "protected", "public", "static", "yield"
};

int demo_script_is_identifier(const char *text, size_t length) {
	const unsigned char *p = (const unsigned char *) text;
	const unsigned char *end = p + length;
	size_t i;
	if (length == 0) {
		return 0;
	}
	while (p < end) {
		int first = (p == (const unsigned char *) text);
		duk_codepoint_t cp = demo__next_code_point(&p, end);
		if (cp < 0 || !(first ? duk_unicode_is_identifier_start(cp) : duk_unicode_is_identifier_part(cp))) {
			return 0;
		}
	}
	for (i = 0; i < sizeof(demo__reserved_words) / sizeof(demo__reserved_words[0]); i++) {
		if (strlen(demo__reserved_words[i]) == length && memcmp(demo__reserved_words[i], text, length) == 0) {
			return 0;
		}
	}
	return 1;
}
