/* Your own sort beside the library's: include this in NAME.c or NAME.cpp,
 * which defines void NAME(int* a, int n) with C linkage, and compare
 * elements with SB_LESS and store them with SB_SET so that sorting_counts
 * counts what the sort does. Plain C, also valid C++. user_sorts/README.md
 * tells the rest.
 *
 * Three builds of the same file:
 *  - dropped into user_sorts/, timed (SB_TIMED): the plain operations;
 *  - dropped in, counting (SB_COUNTED): counted in the tools' counters;
 *  - a shared library (neither): counted in the library's own counters,
 *    which the tools read after each call. An increment per operation is
 *    all that costs in the timed tool. */
#ifndef SORTBENCH_USER_SORT_H
#define SORTBENCH_USER_SORT_H

#ifdef __cplusplus
#define SB_C_LINKAGE extern "C"
#define SB_C_BLOCK_BEGIN extern "C" {
#define SB_C_BLOCK_END }
#else
#define SB_C_LINKAGE extern
#define SB_C_BLOCK_BEGIN
#define SB_C_BLOCK_END
#endif

#define SB_PASTE2(a, b) a##b
#define SB_PASTE(a, b) SB_PASTE2(a, b)

#if defined(SB_TIMED) || defined(SB_COUNTED)
/* A drop-in sort: the build names it in SB_SORT_NAME, so that each sort's
 * expectation has a symbol of its own in the one program. */
#define SB_EXPECT_SYMBOL SB_PASTE(sortbench_expect_, SB_SORT_NAME)
#else
#define SB_EXPECT_SYMBOL sortbench_expect
#endif

#if defined(_MSC_VER) && !defined(SB_TIMED) && !defined(SB_COUNTED)
#define SB_EXPORT __declspec(dllexport)
#else
#define SB_EXPORT
#endif

/* Declared before it is defined: a C++ const at file scope would otherwise
 * have internal linkage. */
#define SB_EXPECT_DEFINITION(text)                                                        \
    SB_C_LINKAGE SB_EXPORT const char SB_EXPECT_SYMBOL[];                                 \
    SB_C_BLOCK_BEGIN SB_EXPORT const char SB_EXPECT_SYMBOL[] = text; SB_C_BLOCK_END \
    SB_C_LINKAGE const char SB_EXPECT_SYMBOL[]

#if defined(SB_TIMED)
#define SB_LESS(a, b) ((a) < (b))
#define SB_SET(dst, value) ((dst) = (value))
#define SB_EXPECT(text) SB_EXPECT_DEFINITION(text)
#else
#if defined(SB_COUNTED)
#define SB_COUNTERS sortbench_host_counts
SB_C_LINKAGE long long SB_COUNTERS[2];
/* The timed build defines the expectation; this one only names it. */
#define SB_EXPECT(text) SB_C_LINKAGE const char SB_EXPECT_SYMBOL[]
#else
#define SB_COUNTERS sortbench_counts
/* [0] comparisons, [1] element writes; the tools read and reset them. */
SB_C_BLOCK_BEGIN SB_EXPORT long long SB_COUNTERS[2]; SB_C_BLOCK_END
#define SB_EXPECT(text) SB_EXPECT_DEFINITION(text)
#endif
#define SB_LESS(a, b) (++SB_COUNTERS[0], (a) < (b))
#define SB_SET(dst, value) (++SB_COUNTERS[1], (dst) = (value))
#endif

#endif
