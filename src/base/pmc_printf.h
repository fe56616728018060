// PMC_PRINTF(f, a): marks a printf-like function whose format is argument
// f and whose values start at argument a, so the compiler checks the calls.
// On Windows the library formats with the C99 conversions (%zu, %lld) of
// mingw-w64's own printf family, not with the system's older one.
#pragma once

#if defined(__MINGW32__)
#define PMC_PRINTF(f, a) __attribute__((format(gnu_printf, f, a)))
#else
#define PMC_PRINTF(f, a) __attribute__((format(printf, f, a)))
#endif
