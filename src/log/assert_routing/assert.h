// <assert.h> for code that links the log library: the system header, with assert() calling
// corvane_assert_failed, which writes the failed check into the log at debug level and returns
// while the diagnostic routing is in force (and aborts as usual otherwise). The system's own
// failure function cannot be used for this: it is declared not to return, so the code after a
// failed check would not be reached safely.
//
// No include guard, like the system header: NDEBUG is honoured at every inclusion.
#include_next <assert.h>

#ifndef NDEBUG
#undef assert
#ifdef __cplusplus
extern "C" void corvane_assert_failed(const char* expression, const char* file, unsigned line,
                                      const char* function) noexcept;
#define assert(expr)         \
    (static_cast<bool>(expr) \
         ? void(0)           \
         : corvane_assert_failed(#expr, __FILE__, __LINE__, __extension__ __PRETTY_FUNCTION__))
#else
extern void corvane_assert_failed(const char* expression, const char* file, unsigned line,
                                  const char* function);
#define assert(expr) ((expr) ? (void)0 : corvane_assert_failed(#expr, __FILE__, __LINE__, __func__))
#endif
#endif
